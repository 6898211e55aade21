// VB's conversion functions (CBool ... CStr), IsNumeric, IsDate and TypeName.
#include "vb/convert.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/number_scan.h"
#include "vb/strings.h"

namespace tolvex::vb {

namespace {

constexpr double kMinDate = -657435.0;  // exclusive bounds: 1/1/100 00:00:00 .. 12/31/9999 23:59:59
constexpr double kMaxDate = 2958466.0;

// The value an object stands for in a conversion; an object without a default
// member cannot be converted (type mismatch).
Variant object_value(const Variant& v) {
  Variant r;
  try {
    r = default_value(v);
  } catch (const VBError& e) {
    if (e.number() == err::kNotSupported) raise(err::kTypeMismatch);
    throw;
  }
  if (r.is_object()) raise(err::kTypeMismatch);
  return r;
}

// Reads a string as a number for the numeric conversions (13 when it is none, 6 when too big).
double string_number(const std::string& s) {
  detail::ScannedNumber num;
  double d = 0;
  detail::ScanStatus st = detail::scan_number(s, num);
  if (st == detail::ScanStatus::Ok) st = detail::scanned_to_double(num, d);
  if (st == detail::ScanStatus::NotNumber) raise(err::kTypeMismatch);
  if (st == detail::ScanStatus::Overflow) raise(err::kOverflow);
  return d;
}

// Integer conversions: the value as a whole number (halves to even) within [lo, hi].
int64_t to_whole(const Variant& v, int64_t lo, int64_t hi) {
  int64_t r = 0;
  switch (v.type()) {
    case VarType::Empty: return 0;
    case VarType::Null: raise(err::kInvalidUseOfNull);
    case VarType::Integer: r = v.raw_integer(); break;
    case VarType::Long: r = v.raw_long(); break;
    case VarType::Byte: r = v.raw_byte(); break;
    case VarType::Boolean: r = v.raw_bool() ? -1 : 0; break;
    case VarType::Currency: {
      int64_t c = v.raw_currency();
      int64_t q = c / 10000, rem = c % 10000;
      int64_t step = c < 0 ? -1 : 1;
      int64_t arem = rem < 0 ? -rem : rem;
      if (arem > 5000 || (arem == 5000 && (q & 1))) q += step;
      r = q;
      break;
    }
    case VarType::Single:
    case VarType::Double:
    case VarType::Date:
    case VarType::String: {
      double d = v.type() == VarType::Single   ? double(v.raw_single())
                 : v.type() == VarType::Double ? v.raw_double()
                 : v.type() == VarType::Date   ? v.raw_date()
                                               : string_number(v.raw_string());
      double rd = round_half_even(d);
      if (!(rd >= double(lo) && rd <= double(hi))) raise(err::kOverflow);
      return int64_t(rd);
    }
    case VarType::Object: return to_whole(object_value(v), lo, hi);
    default: raise(err::kTypeMismatch);
  }
  if (r < lo || r > hi) raise(err::kOverflow);
  return r;
}

std::string whole_text(int64_t v) {
  char buf[24];
  return std::string(buf, size_t(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
}

}  // namespace

Variant default_value(const Variant& v) {
  if (!v.is_object()) return v;
  Variant r = v;
  // A default member may itself return an object with a default member.
  for (int depth = 0; r.is_object() && depth < 16; ++depth) {
    Dispatch* d = r.raw_object();
    if (!d) raise(err::kObjectVariableNotSet);
    Ref<Dispatch> keep(d);
    r = d->invoke(kDispValue, InvokeKind::Get, {});
  }
  return r;
}

bool to_bool(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return false;
    case VarType::Null: raise(err::kInvalidUseOfNull);
    case VarType::Boolean: return v.raw_bool();
    case VarType::Integer: return v.raw_integer() != 0;
    case VarType::Long: return v.raw_long() != 0;
    case VarType::Byte: return v.raw_byte() != 0;
    case VarType::Single: return v.raw_single() != 0.0f;
    case VarType::Double: return v.raw_double() != 0.0;
    case VarType::Date: return v.raw_date() != 0.0;
    case VarType::Currency: return v.raw_currency() != 0;
    case VarType::String: {
      std::string_view s = v.raw_string();
      while (!s.empty() && detail::is_blank(s.front())) s.remove_prefix(1);
      while (!s.empty() && detail::is_blank(s.back())) s.remove_suffix(1);
      // "#TRUE#" and "#FALSE#" are the Boolean forms Write # puts in files.
      if (iequals(s, "True") || iequals(s, "#TRUE#")) return true;
      if (iequals(s, "False") || iequals(s, "#FALSE#")) return false;
      return string_number(v.raw_string()) != 0.0;
    }
    case VarType::Object: return to_bool(object_value(v));
    default: raise(err::kTypeMismatch);
  }
}

uint8_t to_byte(const Variant& v) {
  // True is all bits set: the Byte 255.
  if (v.is_bool()) return v.raw_bool() ? 255 : 0;
  if (v.is_object()) return to_byte(object_value(v));
  return uint8_t(to_whole(v, 0, 255));
}
int16_t to_integer(const Variant& v) { return int16_t(to_whole(v, -32768, 32767)); }
int32_t to_long(const Variant& v) {
  return int32_t(to_whole(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

double to_double(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return 0.0;
    case VarType::Null: raise(err::kInvalidUseOfNull);
    case VarType::Double: return v.raw_double();
    case VarType::Integer: return v.raw_integer();
    case VarType::Long: return v.raw_long();
    case VarType::Byte: return v.raw_byte();
    case VarType::Single: return v.raw_single();
    case VarType::Date: return v.raw_date();
    case VarType::Boolean: return v.raw_bool() ? -1.0 : 0.0;
    case VarType::Currency: return double(v.raw_currency()) / 10000.0;
    case VarType::String: return string_number(v.raw_string());
    case VarType::Object: return to_double(object_value(v));
    default: raise(err::kTypeMismatch);
  }
}

float to_single(const Variant& v) {
  if (v.type() == VarType::Single) return v.raw_single();
  double d = to_double(v);
  float f = float(d);
  if (std::isinf(f) && !std::isinf(d)) raise(err::kOverflow);
  return f;
}

int64_t to_currency(const Variant& v) {
  switch (v.type()) {
    case VarType::Currency: return v.raw_currency();
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Boolean:
    case VarType::Empty: return int64_t(to_long(v)) * 10000;
    case VarType::String: {
      // Exact decimal reading: "922337203685477.5807" keeps its last digit.
      detail::ScannedNumber num;
      int64_t c = 0;
      detail::ScanStatus st = detail::scan_number(v.raw_string(), num);
      if (st == detail::ScanStatus::Ok) st = detail::scanned_to_currency(num, c);
      if (st == detail::ScanStatus::NotNumber) raise(err::kTypeMismatch);
      if (st == detail::ScanStatus::Overflow) raise(err::kOverflow);
      return c;
    }
    case VarType::Object: return to_currency(object_value(v));
    default: {
      double s = round_half_even(to_double(v) * 10000.0);
      if (!(s >= -9223372036854775808.0 && s < 9223372036854775808.0)) raise(err::kOverflow);
      return int64_t(s);
    }
  }
}

double to_date(const Variant& v) {
  double d = 0;
  switch (v.type()) {
    case VarType::Date: return v.raw_date();
    case VarType::String: {
      if (auto r = parse_date(v.raw_string())) return *r;
      d = string_number(v.raw_string());  // a number's text is a day count: "1" is 12/31/1899
      break;
    }
    case VarType::Object: return to_date(object_value(v));
    default: d = to_double(v); break;
  }
  if (!(d > kMinDate && d < kMaxDate)) raise(err::kOverflow);
  return d;
}

std::string to_string(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return {};
    case VarType::Null: raise(err::kInvalidUseOfNull);
    case VarType::String: return v.raw_string();
    case VarType::Integer: return whole_text(v.raw_integer());
    case VarType::Long: return whole_text(v.raw_long());
    case VarType::Byte: return whole_text(v.raw_byte());
    case VarType::Boolean: return v.raw_bool() ? "True" : "False";
    case VarType::Single: return format_single(v.raw_single());
    case VarType::Double: return format_double(v.raw_double());
    case VarType::Currency: return format_currency(v.raw_currency());
    case VarType::Date: return format_date(v.raw_date());
    case VarType::Error: return "Error " + whole_text(v.raw_error());
    case VarType::Object: return to_string(object_value(v));
    default: raise(err::kTypeMismatch);
  }
}

void append_string(std::string& out, const Variant& v) {
  char buf[32];
  size_t n = 0;
  switch (v.type()) {
    case VarType::String: out.append(v.raw_string()); return;
    case VarType::Empty: return;
    case VarType::Integer: n = size_t(std::to_chars(buf, buf + sizeof buf, v.raw_integer()).ptr - buf); break;
    case VarType::Long: n = size_t(std::to_chars(buf, buf + sizeof buf, v.raw_long()).ptr - buf); break;
    case VarType::Byte: n = size_t(std::to_chars(buf, buf + sizeof buf, v.raw_byte()).ptr - buf); break;
    case VarType::Double: n = detail::format_significant(v.raw_double(), 15, 15, buf); break;
    case VarType::Single: n = detail::format_significant(double(v.raw_single()), 7, 7, buf); break;
    case VarType::Currency: n = detail::format_currency_to(v.raw_currency(), buf); break;
    case VarType::Boolean: out.append(v.raw_bool() ? "True" : "False"); return;
    default: out.append(to_string(v)); return;
  }
  out.append(buf, n);
}

Variant cbool(const Variant& v) { return Variant(to_bool(v)); }
Variant cbyte(const Variant& v) { return Variant(to_byte(v)); }
Variant cint(const Variant& v) { return Variant(to_integer(v)); }
Variant clng(const Variant& v) { return Variant(to_long(v)); }
Variant csng(const Variant& v) { return Variant(to_single(v)); }
Variant cdbl(const Variant& v) { return Variant(to_double(v)); }
Variant ccur(const Variant& v) { return Variant::currency(to_currency(v)); }
Variant cdate(const Variant& v) { return Variant::date(to_date(v)); }
Variant cstr(const Variant& v) {
  if (v.is_string()) return v;
  return Variant(to_string(v));
}

Variant change_type(const Variant& v, VarType to) {
  switch (to) {
    case VarType::Empty: return Variant();
    case VarType::Null:
      if (v.is_null()) return v;
      raise(err::kTypeMismatch);
    case VarType::Integer: return cint(v);
    case VarType::Long: return clng(v);
    case VarType::Single: return csng(v);
    case VarType::Double: return cdbl(v);
    case VarType::Currency: return ccur(v);
    case VarType::Date: return cdate(v);
    case VarType::String: return cstr(v);
    case VarType::Boolean: return cbool(v);
    case VarType::Byte: return cbyte(v);
    case VarType::Variant: return v;
    case VarType::Object:
    case VarType::Error:
      if (v.type() == to) return v;
      raise(err::kTypeMismatch);
    default:
      if (v.vartype() == uint16_t(to)) return v;  // an array of the same element type
      raise(err::kTypeMismatch);
  }
}

bool is_numeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Boolean:
    case VarType::Byte: return true;
    case VarType::String: return parse_number(v.raw_string()).has_value();
    case VarType::Object:
      try {
        Variant d = default_value(v);
        return !d.is_object() && is_numeric(d);
      } catch (const VBError&) {
        return false;
      }
    default: return false;
  }
}

bool is_date(const Variant& v) {
  switch (v.type()) {
    case VarType::Date: return true;
    case VarType::String: return parse_date(v.raw_string()).has_value();
    case VarType::Object:
      try {
        Variant d = default_value(v);
        return !d.is_object() && is_date(d);
      } catch (const VBError&) {
        return false;
      }
    default: return false;
  }
}

namespace {
const char* scalar_type_name(VarType t) {
  switch (t) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Integer: return "Integer";
    case VarType::Long: return "Long";
    case VarType::Single: return "Single";
    case VarType::Double: return "Double";
    case VarType::Currency: return "Currency";
    case VarType::Date: return "Date";
    case VarType::String: return "String";
    case VarType::Object: return "Object";
    case VarType::Error: return "Error";
    case VarType::Boolean: return "Boolean";
    case VarType::Variant: return "Variant";
    case VarType::Byte: return "Byte";
    default: return "Unknown";
  }
}
}  // namespace

std::string type_name(const Variant& v) {
  switch (v.type()) {
    case VarType::Object: {
      Dispatch* d = v.raw_object();
      return d ? d->type_name() : std::string("Nothing");
    }
    case VarType::Array: return std::string(scalar_type_name(v.raw_array().element_type())) + "()";
    default: return scalar_type_name(v.type());
  }
}

}  // namespace tolvex::vb
