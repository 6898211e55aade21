// Value handling on the interpreter's hot paths: copies, stores and temporaries of
// Variants that stay inline for values without heap parts, and the engine's limits
// on string and array sizes.
#pragma once

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "vb/error.h"
#include "vb/memory_budget.h"
#include "vb/variant.h"

namespace tolvex::vbscript {

inline bool holds_resource(const vb::Variant& v) noexcept {
  vb::VarType t = v.type();
  return t == vb::VarType::String || t == vb::VarType::Object || t == vb::VarType::Array;
}

// The longest string that concatenation builds (bytes). Past it a script gets
// error 14 "Out of string space" instead of exhausting the process's memory
// (s = s & s in a loop doubles without end).
inline constexpr size_t kMaxStringBytes = size_t(256) << 20;

// The most elements one array may have; a larger Dim or ReDim is error 7 "Out of
// memory" rather than an allocation that the system cannot back.
inline constexpr int64_t kMaxArrayElements = int64_t(1) << 25;

// Raises 7 when arrays of these bounds would pass kMaxArrayElements.
inline void check_array_size(const std::vector<vb::Array::Bound>& bounds) {
  int64_t n = 1;
  for (const auto& b : bounds) {
    n *= b.count > 0 ? b.count : 1;
    if (n > kMaxArrayElements) vb::raise(vb::err::kOutOfMemory);
  }
}

// Texts from this length on are looked at against the memory budget before they are
// made (shorter ones are counted as they are made).
inline constexpr size_t kBudgetedTextBytes = size_t(64) << 10;

// Raises 14 when a text of n bytes would pass kMaxStringBytes, 7 when the memory
// budget has no room for it.
inline void check_text_room(size_t n) {
  if (n > kMaxStringBytes) vb::raise(vb::err::kOutOfStringSpace);
  vb::memory::check(n + 1);
}

// Raises 14 when appending b's text to a's would pass kMaxStringBytes, 7 when the
// memory budget has no room for the result.
inline void check_concat(const vb::Variant& a, const vb::Variant& b) {
  size_t la = a.is_string() ? a.raw_string().size() : 0;
  size_t lb = b.is_string() ? b.raw_string().size() : 0;
  if (la + lb >= kBudgetedTextBytes) [[unlikely]]
    check_text_room(la + lb);
}

// Before appending texts of `total` bytes in all to r, one at a time: raises 14 or 7 as
// check_text_room, and makes room in a String r, so that the appending cannot fail half-way.
inline void make_text_room(vb::Variant& r, size_t total) {
  if (total > kMaxStringBytes) vb::raise(vb::err::kOutOfStringSpace);
  if (r.is_string())
    r.reserve_text(total);
  else
    vb::memory::check(total + 1);
}

// A copy of v (inline unless v holds a string, object or array).
inline vb::Variant copy_of(const vb::Variant& v) { return vb::Variant(v); }

// dst = src, src a temporary (never dst itself). A string replacing a string trades
// buffers: src keeps the old text and ends it with its own lifetime (no call out of
// line, no allocation).
inline void store(vb::Variant& dst, vb::Variant&& src) {
  if (!holds_resource(dst)) {
    // Nothing to end: the new value is built in dst's storage.
    new (&dst) vb::Variant(std::move(src));
    return;
  }
  if (dst.is_string() && src.is_string()) {
    dst.swap_string(src);
    return;
  }
  dst = std::move(src);
}

// dst = a copy of src; a string copied over a string reuses dst's buffer.
inline void store_copy(vb::Variant& dst, const vb::Variant& src) {
  if (!holds_resource(dst)) {
    new (&dst) vb::Variant(src);
    return;
  }
  if (dst.is_string() && src.is_string()) {
    dst.assign_string(src.raw_string());
    return;
  }
  store(dst, vb::Variant(src));
}

// Takes v's value, leaving Empty behind.
inline vb::Variant take(vb::Variant& v) { return vb::Variant(std::move(v)); }

// Ends a Variant whose storage is about to be dropped.
inline void drop(vb::Variant& v) noexcept {
  if (holds_resource(v)) v.~Variant();
}

// A temporary Variant made in place from a prvalue: Temp t([&] { return eval(...); });
class Temp {
 public:
  template <class Make>
  explicit Temp(Make&& make) {
    new (raw_) vb::Variant(make());
  }
  Temp(const Temp&) = delete;
  Temp& operator=(const Temp&) = delete;
  ~Temp() { drop(get()); }
  vb::Variant& get() noexcept { return *std::launder(reinterpret_cast<vb::Variant*>(raw_)); }

 private:
  alignas(vb::Variant) unsigned char raw_[sizeof(vb::Variant)];
};

// Storage for n Variants that are built one by one (slots, arguments). Unbuilt
// slots are never touched; built ones are dropped at the end.
class Slots {
 public:
  static constexpr size_t kSmall = 8;
  explicit Slots(size_t n = 0) { reserve(n); }
  // Sets the capacity; only before the first slot is built.
  void reserve(size_t n) {
    if (n_ > kSmall) ::operator delete(data_);
    n_ = n;
    data_ = n <= kSmall ? reinterpret_cast<vb::Variant*>(small_)
                        : static_cast<vb::Variant*>(::operator new(n * sizeof(vb::Variant)));
  }
  Slots(const Slots&) = delete;
  Slots& operator=(const Slots&) = delete;
  ~Slots() {
    for (size_t i = 0; i < built_; ++i) drop(data_[i]);
    if (n_ > kSmall) ::operator delete(data_);
  }
  // Slots are built in order: slot built_() next.
  template <class Make>
  vb::Variant& emplace(Make&& make) {
    vb::Variant* p = new (&data_[built_]) vb::Variant(make());
    ++built_;
    return *p;
  }
  vb::Variant& emplace_empty() {
    vb::Variant* p = new (&data_[built_]) vb::Variant();
    ++built_;
    return *p;
  }
  size_t built() const noexcept { return built_; }
  vb::Variant* data() noexcept { return data_; }
  vb::Variant& operator[](size_t i) noexcept { return data_[i]; }

 private:
  alignas(vb::Variant) unsigned char small_[kSmall * sizeof(vb::Variant)];
  vb::Variant* data_ = nullptr;
  size_t n_ = 0;
  size_t built_ = 0;
};

}  // namespace tolvex::vbscript
