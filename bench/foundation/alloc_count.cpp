// Replaces the global operator new and delete of the benchmark program so that
// the live heap can be measured around the code under test.
#include "alloc_count.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
size_t g_live = 0;
// The allocator's own header in front of every block.
constexpr size_t kBlockHeader = sizeof(size_t);

void* counted_alloc(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  g_live += malloc_usable_size(p) + kBlockHeader;
  return p;
}

void counted_free(void* p) noexcept {
  if (!p) return;
  g_live -= malloc_usable_size(p) + kBlockHeader;
  std::free(p);
}
}  // namespace

namespace tolvex::bench {
size_t live_heap_bytes() noexcept { return g_live; }
}  // namespace tolvex::bench

void* operator new(size_t n) { return counted_alloc(n); }
void* operator new[](size_t n) { return counted_alloc(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return counted_alloc(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  try {
    return counted_alloc(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { counted_free(p); }
void operator delete[](void* p) noexcept { counted_free(p); }
void operator delete(void* p, size_t) noexcept { counted_free(p); }
void operator delete[](void* p, size_t) noexcept { counted_free(p); }
