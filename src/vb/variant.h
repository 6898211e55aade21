// The VB Variant: one value type for the model, the host interface and the script engine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vb/memory_budget.h"
#include "vb/object.h"

namespace tolvex::vb {

class Dispatch;
class Array;

// VarType codes as VB's VarType() reports them.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,   // 16-bit
  Long = 3,      // 32-bit
  Single = 4,
  Double = 5,
  Currency = 6,  // 64-bit fixed point, four decimals
  Date = 7,      // days since 1899-12-30, time as the fraction
  String = 8,
  Object = 9,
  Error = 10,    // an error code; also marks a missing optional argument
  Boolean = 11,
  Variant = 12,  // only as an array's element type
  Byte = 17,
  Array = 0x2000,  // flag: or-ed with the element type
};

constexpr uint16_t operator|(VarType a, VarType b) { return uint16_t(a) | uint16_t(b); }

// Error code of a missing optional argument (DISP_E_PARAMNOTFOUND).
inline constexpr int32_t kParamNotFound = int32_t(0x80020004u);

class Variant {
 public:
  // Small values are stored with their unused bytes zero, in one 8-byte store where the
  // byte order allows: a copy that reads the 8 bytes right after then does not stall.
  Variant() noexcept : type_(VarType::Empty) { u_.i8 = 0; }
  Variant(int16_t v) noexcept : type_(VarType::Integer) { set_low(uint16_t(v)); }
  Variant(int32_t v) noexcept : type_(VarType::Long) { set_low(uint32_t(v)); }
  Variant(float v) noexcept : type_(VarType::Single) { set_low(std::bit_cast<uint32_t>(v)); }
  Variant(double v) noexcept : type_(VarType::Double) { u_.r8 = v; }
  Variant(bool v) noexcept : type_(VarType::Boolean) { set_low(uint8_t(v)); }
  Variant(uint8_t v) noexcept : type_(VarType::Byte) { set_low(v); }
  // A text on the heap is counted in the memory budget (error 7 when a script's limit
  // refuses it; a refused text taken by move stays with the caller).
  Variant(const char* s) : Variant(std::string_view(s ? s : "")) {}
  Variant(std::string_view s) : type_(VarType::String) {
    if (s.size() > memory::kInlineText) [[unlikely]]
      init_long_string(s);
    else
      new (&u_.str) std::string(s);
  }
  Variant(const std::string& s) : Variant(std::string_view(s)) {}
  Variant(std::string&& s) : type_(VarType::String) {
    if (size_t bytes = memory::string_bytes(s)) [[unlikely]]
      memory::charge(bytes);
    new (&u_.str) std::string(std::move(s));
  }
  Variant(Ref<Dispatch> obj) noexcept;  // a null Ref is Nothing
  template <class T, class = std::enable_if_t<std::is_base_of_v<Dispatch, T> && !std::is_same_v<T, Dispatch>>>
  Variant(Ref<T> obj) noexcept : type_(VarType::Object) {
    u_.obj = obj.detach();  // takes over the reference
  }
  Variant(Ref<Array> arr) noexcept;  // a null Ref gives Empty
  // Guard against accidental pointer-to-bool conversions.
  Variant(const void*) = delete;
  Variant(std::nullptr_t) = delete;

  static Variant null() noexcept;
  static Variant nothing() noexcept;
  static Variant currency(int64_t scaled) noexcept;  // value * 10000
  static Variant date(double oadate) noexcept;
  static Variant error(int32_t scode) noexcept;
  static Variant missing() noexcept { return error(kParamNotFound); }
  // A one-dimensional Variant array with lower bound 0.
  static Variant array(std::vector<Variant> items);
  static Variant array(std::initializer_list<Variant> items);
  static Variant byte_array(std::span<const uint8_t> bytes);

  // Copies and moves of values that hold nothing on the heap (numbers, dates, Booleans,
  // Empty, Null) are plain copies of the value bits, kept inline for the interpreter.
  Variant(const Variant& o) : type_(o.type_) {
    if (o.owns_resource()) {
      type_ = VarType::Empty;
      copy_from(o);
    } else {
      u_.i8 = o.u_.i8;
    }
  }
  Variant(Variant&& o) noexcept : type_(o.type_) {
    if (o.owns_resource()) {
      type_ = VarType::Empty;
      move_from(o);
    } else {
      u_.i8 = o.u_.i8;
      o.type_ = VarType::Empty;
    }
  }
  Variant& operator=(const Variant& o);
  Variant& operator=(Variant&& o) noexcept {
    if (!owns_resource() && !o.owns_resource()) {
      if (this != &o) {
        type_ = o.type_;
        u_.i8 = o.u_.i8;
        o.type_ = VarType::Empty;
      }
      return *this;
    }
    return move_assign_slow(o);
  }
  ~Variant() {
    if (owns_resource()) release_resource();
  }

  // --- subtype ---
  VarType type() const noexcept { return type_; }
  // VarType() as VB reports it: arrays give Array | element type.
  uint16_t vartype() const noexcept;
  bool is_empty() const noexcept { return type_ == VarType::Empty; }
  bool is_null() const noexcept { return type_ == VarType::Null; }
  bool is_string() const noexcept { return type_ == VarType::String; }
  bool is_object() const noexcept { return type_ == VarType::Object; }
  bool is_nothing() const noexcept { return type_ == VarType::Object && u_.obj == nullptr; }
  bool is_array() const noexcept { return type_ == VarType::Array; }
  bool is_bool() const noexcept { return type_ == VarType::Boolean; }
  bool is_error() const noexcept { return type_ == VarType::Error; }
  bool is_missing() const noexcept { return type_ == VarType::Error && u_.i4 == kParamNotFound; }
  // Integer, Long, Single, Double, Currency, Byte (not Boolean, Date or String).
  bool is_number() const noexcept;
  // Integer, Long or Byte.
  bool is_integral() const noexcept;

  // --- raw access; the caller has checked the subtype ---
  int16_t raw_integer() const noexcept { return u_.i2; }
  int32_t raw_long() const noexcept { return u_.i4; }
  float raw_single() const noexcept { return u_.r4; }
  double raw_double() const noexcept { return u_.r8; }
  int64_t raw_currency() const noexcept { return u_.i8; }
  double raw_date() const noexcept { return u_.r8; }
  bool raw_bool() const noexcept { return u_.b; }
  uint8_t raw_byte() const noexcept { return u_.ui1; }
  int32_t raw_error() const noexcept { return u_.i4; }
  const std::string& raw_string() const noexcept { return u_.str; }
  // Changes of a String's text, counted in the memory budget (the caller has checked
  // the subtype). Growing raises 7, leaving the text as it was, when the budget refuses.
  void append_string(std::string_view text) {
    std::string& s = u_.str;
    if (text.size() > s.capacity() - s.size()) [[unlikely]]
      reserve_string(s.size() + text.size());
    s.append(text);
  }
  void assign_string(std::string_view text) {
    if (text.size() > u_.str.capacity()) [[unlikely]]
      reserve_string(text.size(), false);
    u_.str.assign(text);
  }
  // Room for a text of `size` bytes, so that appending up to it allocates nothing.
  void reserve_text(size_t size) {
    if (size > u_.str.capacity()) reserve_string(size);
  }
  // Trades texts with another String (no allocation).
  void swap_string(Variant& o) noexcept { u_.str.swap(o.u_.str); }
  // Takes the text out, leaving "" behind; the text is no longer counted.
  std::string take_string() noexcept {
    memory::credit(memory::string_bytes(u_.str));
    return std::move(u_.str);
  }
  Dispatch* raw_object() const noexcept { return u_.obj; }
  const Array& raw_array() const noexcept { return *u_.arr; }
  // The array for writing; a shared array is copied first (arrays copy on assignment).
  Array& raw_array_mut();

  // --- checked access: the object, or error 424 / 91 ---
  Ref<Dispatch> object() const;        // error 424 when not an object, 91 when Nothing
  Ref<Dispatch> object_or_null() const noexcept;  // null for anything but a set object
  Ref<Array> array_ref() const noexcept;          // shares the array (copy-on-write)

  void clear() noexcept {
    if (owns_resource()) {
      release_resource();
    } else {
      type_ = VarType::Empty;
      u_.i8 = 0;
    }
  }
  void swap(Variant& o) noexcept;

 private:
  // The value's bytes at the start of the 8-byte union, the rest zero.
  template <class U>
  void set_low(U bits) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
      u_.i8 = int64_t(uint64_t(bits));
    } else {
      u_.i8 = 0;
      std::memcpy(&u_, &bits, sizeof bits);
    }
  }
  bool owns_resource() const noexcept {
    return type_ == VarType::String || type_ == VarType::Object || type_ == VarType::Array;
  }
  void release_resource() noexcept;
  // Builds the String of a text too long to keep inline, counted.
  void init_long_string(std::string_view s);
  // Room for `size` bytes of text, counted first; keep: whether the text stays.
  void reserve_string(size_t size, bool keep = true);
  Variant& move_assign_slow(Variant& o) noexcept;
  void copy_from(const Variant& o);
  void move_from(Variant& o) noexcept;

  VarType type_;
  union U {
    U() {}
    ~U() {}
    int16_t i2;
    int32_t i4;
    float r4;
    double r8;
    int64_t i8;
    bool b;
    uint8_t ui1;
    std::string str;
    Dispatch* obj;
    Array* arr;
  } u_;
};

// A VB array: up to 60 dimensions, each with its own lower bound; elements in
// column-major order as VB lays them out (the first index varies fastest).
// Shared between Variants on copy and copied before a write (see raw_array_mut).
class Array {
 public:
  struct Bound {
    int32_t lower = 0;
    int32_t count = 0;  // 0 for an empty dimension (UBound = lower - 1)
  };

  Array() = default;
  Array(VarType element_type, std::vector<Bound> bounds);
  // A copy is unshared and unlocked.
  Array(const Array& o)
      : element_type_(o.element_type_),
        bounds_(o.bounds_),
        held_(o.data_.size() * sizeof(Variant)),
        data_(o.data_),
        fixed_(o.fixed_) {}
  Array& operator=(const Array&) = delete;
  // One dimension, lower bound 0.
  explicit Array(std::vector<Variant> items);

  VarType element_type() const noexcept { return element_type_; }
  int dims() const noexcept { return int(bounds_.size()); }
  const std::vector<Bound>& bounds() const noexcept { return bounds_; }
  int32_t lbound(int dim = 1) const;  // 1-based dimension; error 9 when out of range
  int32_t ubound(int dim = 1) const;
  size_t size() const noexcept { return data_.size(); }

  // Element by indexes (one per dimension); error 9 when out of range.
  Variant& at(std::span<const int32_t> idx);
  const Variant& at(std::span<const int32_t> idx) const;
  // Element by flat position.
  Variant& operator[](size_t i) noexcept { return data_[i]; }
  const Variant& operator[](size_t i) const noexcept { return data_[i]; }
  // The elements, to read and write; their number is the array's to change (redim).
  std::vector<Variant>& data() noexcept { return data_; }
  const std::vector<Variant>& data() const noexcept { return data_; }
  // Room for n elements, so that ReDim Preserve up to n moves none.
  void reserve(size_t n);

  // ReDim: new bounds; with preserve only the last dimension may change (error 9 otherwise).
  void redim(std::vector<Bound> bounds, bool preserve);
  // Erase of a dynamic array empties it; of a fixed array resets each element.
  void erase();

  // Dim a(n) makes a fixed-size array that ReDim refuses (error 10).
  bool fixed() const noexcept { return fixed_; }
  void set_fixed(bool f) noexcept { fixed_ = f; }
  // Arrays locked while For Each or a ByRef element walks them refuse ReDim/Erase (error 10).
  int locks() const noexcept { return locks_; }
  void lock() noexcept { ++locks_; }
  void unlock() noexcept { --locks_; }

  void add_ref() const noexcept { ++refs_; }
  void release() const noexcept {
    if (--refs_ == 0) delete this;
  }
  long ref_count() const noexcept { return refs_; }

 private:
  Variant empty_element() const;

  VarType element_type_ = VarType::Variant;
  std::vector<Bound> bounds_;
  // The element storage's bytes in the memory budget; counted before data_ allocates.
  memory::Held held_;
  std::vector<Variant> data_;
  bool fixed_ = false;
  int locks_ = 0;
  mutable long refs_ = 0;
};

// Argument lists: callees may write to the elements (ByRef parameters).
using Args = std::span<Variant>;

}  // namespace tolvex::vb
