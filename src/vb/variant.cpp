#include "vb/variant.h"

#include <algorithm>
#include <cstring>

#include "vb/dispatch.h"
#include "vb/error.h"

namespace tolvex::vb {

Variant::Variant(Ref<Dispatch> obj) noexcept : type_(VarType::Object) { u_.obj = obj.detach(); }

Variant::Variant(Ref<Array> arr) noexcept {
  if (!arr) {
    type_ = VarType::Empty;
    u_.i8 = 0;
    return;
  }
  type_ = VarType::Array;
  u_.arr = arr.detach();
}

Variant Variant::null() noexcept {
  Variant v;
  v.type_ = VarType::Null;
  return v;
}

Variant Variant::nothing() noexcept { return Variant(Ref<Dispatch>()); }

Variant Variant::currency(int64_t scaled) noexcept {
  Variant v;
  v.type_ = VarType::Currency;
  v.u_.i8 = scaled;
  return v;
}

Variant Variant::date(double oadate) noexcept {
  Variant v;
  v.type_ = VarType::Date;
  v.u_.r8 = oadate;
  return v;
}

Variant Variant::error(int32_t scode) noexcept {
  Variant v;
  v.type_ = VarType::Error;
  v.u_.i4 = scode;
  return v;
}

Variant Variant::array(std::vector<Variant> items) { return Variant(make_ref<Array>(std::move(items))); }

Variant Variant::array(std::initializer_list<Variant> items) { return array(std::vector<Variant>(items)); }

Variant Variant::byte_array(std::span<const uint8_t> bytes) {
  auto a = make_ref<Array>(VarType::Byte, std::vector<Array::Bound>{{0, int32_t(bytes.size())}});
  for (size_t i = 0; i < bytes.size(); ++i) (*a)[i] = Variant(bytes[i]);
  return Variant(std::move(a));
}

Variant& Variant::operator=(const Variant& o) {
  if (this != &o) {
    Variant tmp(o);
    clear();
    move_from(tmp);
  }
  return *this;
}

Variant& Variant::move_assign_slow(Variant& o) noexcept {
  if (this != &o) {
    // Releasing the old value may run script code; take the new one first.
    Variant old(std::move(*this));
    move_from(o);
  }
  return *this;
}

void Variant::copy_from(const Variant& o) {
  switch (o.type_) {
    case VarType::String:
      if (o.u_.str.size() > memory::kInlineText)
        init_long_string(o.u_.str);
      else
        new (&u_.str) std::string(o.u_.str);
      break;
    case VarType::Object:
      u_.obj = o.u_.obj;
      if (u_.obj) u_.obj->add_ref();
      break;
    case VarType::Array:
      u_.arr = o.u_.arr;
      u_.arr->add_ref();
      break;
    default:
      u_.i8 = o.u_.i8;
      break;
  }
  type_ = o.type_;
}

void Variant::move_from(Variant& o) noexcept {
  // Precondition: *this holds no resources.
  switch (o.type_) {
    case VarType::String:
      new (&u_.str) std::string(std::move(o.u_.str));
      o.u_.str.~basic_string();
      break;
    case VarType::Object:
      u_.obj = o.u_.obj;
      break;
    case VarType::Array:
      u_.arr = o.u_.arr;
      break;
    default:
      u_.i8 = o.u_.i8;
      break;
  }
  type_ = o.type_;
  o.type_ = VarType::Empty;
  o.u_.i8 = 0;
}

void Variant::release_resource() noexcept {
  VarType t = type_;
  type_ = VarType::Empty;
  switch (t) {
    case VarType::String:
      if (size_t bytes = memory::string_bytes(u_.str)) memory::credit(bytes);
      u_.str.~basic_string();
      break;
    case VarType::Object: {
      Dispatch* p = u_.obj;
      u_.i8 = 0;
      if (p) p->release();
      break;
    }
    case VarType::Array: {
      Array* a = u_.arr;
      u_.i8 = 0;
      a->release();
      break;
    }
    default:
      break;
  }
  u_.i8 = 0;
}

void Variant::init_long_string(std::string_view s) {
  // A copy takes as many bytes as the text (and its terminator): refused before it is made.
  const size_t expected = s.size() + 1;
  memory::charge(expected);
  try {
    new (&u_.str) std::string(s);
  } catch (...) {
    memory::credit(expected);
    throw;
  }
  memory::adjust(expected, memory::string_bytes(u_.str));
}

void Variant::reserve_string(size_t size, bool keep) {
  std::string& s = u_.str;
  const size_t before = memory::string_bytes(s);
  // Growing by as much again keeps a text that is appended to piece by piece from being
  // copied at every piece.
  const size_t room = keep ? std::max(size, std::min(2 * s.capacity(), s.max_size())) : size;
  memory::charge(room + 1);
  try {
    if (keep) {
      s.reserve(room);
    } else {
      std::string fresh;
      fresh.reserve(room);
      s.swap(fresh);
    }
  } catch (...) {
    memory::credit(room + 1);
    throw;
  }
  // The old buffer is gone (or was inline): count what the text holds now.
  memory::adjust(room + 1 + before, memory::string_bytes(s));
}

void Variant::swap(Variant& o) noexcept {
  Variant tmp(std::move(o));
  o.move_from(*this);
  move_from(tmp);
}

uint16_t Variant::vartype() const noexcept {
  if (type_ == VarType::Array) return uint16_t(VarType::Array) | uint16_t(u_.arr->element_type());
  return uint16_t(type_);
}

bool Variant::is_number() const noexcept {
  switch (type_) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Byte:
      return true;
    default:
      return false;
  }
}

bool Variant::is_integral() const noexcept {
  return type_ == VarType::Integer || type_ == VarType::Long || type_ == VarType::Byte;
}

Array& Variant::raw_array_mut() {
  if (u_.arr->ref_count() > 1) {
    Array* copy = new Array(*u_.arr);
    copy->add_ref();
    u_.arr->release();
    u_.arr = copy;
  }
  return *u_.arr;
}

Ref<Dispatch> Variant::object() const {
  if (type_ != VarType::Object) raise(err::kObjectRequired);
  if (!u_.obj) raise(err::kObjectVariableNotSet);
  return Ref<Dispatch>(u_.obj);
}

Ref<Dispatch> Variant::object_or_null() const noexcept {
  if (type_ != VarType::Object) return {};
  return Ref<Dispatch>(u_.obj);
}

Ref<Array> Variant::array_ref() const noexcept {
  if (type_ != VarType::Array) return {};
  return Ref<Array>(u_.arr);
}

}  // namespace tolvex::vb
