#include "vb/memory_budget.h"

#include <atomic>

#include "vb/error.h"

namespace tolvex::vb::memory {

namespace {

// Values may end on another thread than the one that made them: one count for the process.
std::atomic<int64_t> g_used{0};
thread_local int64_t t_limit = kNoLimit;

}  // namespace

void charge(size_t bytes) {
  const int64_t n = int64_t(bytes);
  const int64_t now = g_used.fetch_add(n, std::memory_order_relaxed) + n;
  if (now > t_limit || n < 0) {
    g_used.fetch_sub(n, std::memory_order_relaxed);
    raise(err::kOutOfMemory);
  }
}

void check(size_t bytes) {
  if (t_limit == kNoLimit) return;
  if (bytes > size_t(t_limit) || g_used.load(std::memory_order_relaxed) > t_limit - int64_t(bytes))
    raise(err::kOutOfMemory);
}

void credit(size_t bytes) noexcept { g_used.fetch_sub(int64_t(bytes), std::memory_order_relaxed); }

void adjust(size_t before, size_t now) noexcept {
  if (now != before) g_used.fetch_add(int64_t(now) - int64_t(before), std::memory_order_relaxed);
}

int64_t used() noexcept { return g_used.load(std::memory_order_relaxed); }

int64_t limit() noexcept { return t_limit; }

LimitScope::LimitScope(int64_t bytes) noexcept : saved_(t_limit) { t_limit = bytes; }

LimitScope::~LimitScope() { t_limit = saved_; }

}  // namespace tolvex::vb::memory
