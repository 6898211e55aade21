// The memory budget of values: the heap bytes that the strings and arrays held by Variants
// take are counted for the whole process, and while a script runs on a thread an
// allocation that would take the count past that run's limit is refused with error 7
// "Out of memory" (a script that keeps allocating ends with an error it can catch, not
// with the system killing the process). What dies is credited back.
//
// Outside script runs nothing is refused: the host's own values are counted but never
// fail for the budget's sake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace tolvex::vb::memory {

inline constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

// The longest text a std::string keeps inside itself, without a heap buffer (the standard
// library's short-string capacity; the budget's tests check it against std::string).
inline constexpr size_t kInlineText = 15;

// The heap bytes that a string's buffer takes: none for a text kept inside the string.
inline size_t string_bytes(const std::string& s) noexcept {
  const size_t c = s.capacity();
  return c > kInlineText ? c + 1 : 0;
}

// Counts `bytes` more. Raises 7, counting nothing, when that would take the count past
// the limit in force on this thread.
void charge(size_t bytes);
// Raises 7 when `bytes` more would pass the limit in force; counts nothing.
void check(size_t bytes);
// Counts `bytes` fewer.
void credit(size_t bytes) noexcept;
// Counts `now` in place of `before`, whatever the limit (the allocation has been made).
void adjust(size_t before, size_t now) noexcept;

// The bytes counted now, for the process.
int64_t used() noexcept;
// The limit in force on this thread: kNoLimit outside script runs.
int64_t limit() noexcept;

// Puts a limit in force on this thread for its lifetime (a script run); the one it
// replaces comes back after. kNoLimit: none.
class LimitScope {
 public:
  explicit LimitScope(int64_t bytes) noexcept;
  ~LimitScope();
  LimitScope(const LimitScope&) = delete;
  LimitScope& operator=(const LimitScope&) = delete;

 private:
  int64_t saved_;
};

// Bytes counted for a buffer that its owner allocates: counted on construction, credited on
// destruction.
class Held {
 public:
  Held() noexcept = default;
  explicit Held(size_t bytes) : bytes_(bytes) {
    if (bytes) charge(bytes);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (bytes_) credit(bytes_);
  }
  size_t bytes() const noexcept { return bytes_; }
  // Counts `bytes` from now on, before the buffer grows to them: raises 7, changing
  // nothing, when growing would pass the limit.
  void grow_to(size_t bytes) {
    if (bytes > bytes_) charge(bytes - bytes_);
    else credit(bytes_ - bytes);
    bytes_ = bytes;
  }
  // Counts `bytes` from now on, after the buffer changed to them.
  void settle(size_t bytes) noexcept {
    adjust(bytes_, bytes);
    bytes_ = bytes;
  }

 private:
  size_t bytes_ = 0;
};

}  // namespace tolvex::vb::memory
