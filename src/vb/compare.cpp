// VB's comparison of Variants and of texts.
//
// The rules, by the subtypes of the two sides (objects give their default value first):
//   - either side Null:              no result (the comparison is Null)
//   - both numeric:                  numeric comparison. Integer, Long, Byte, Boolean (True is -1),
//                                    Currency, Single, Double and Date all count as numeric.
//                                    A Single and a Double compare at Single precision
//                                    (CSng(0.001 * 0.001) = 0.000001).
//   - both strings:                  string comparison, binary or text
//   - one numeric, one string:       the numeric side is less than the string side
//   - a Boolean and a string:        the string against "True" or "False", letter case
//                                    counting ("True" = True, "true" <> True)
//   - Empty and a numeric value:     numeric comparison with 0 for Empty
//   - Empty and a string:            string comparison with "" for Empty
//   - both Empty:                    equal
//   - arrays and Error values:       type mismatch (13)
// Every operand is a Variant here: a value from CLng() or a numeric function gets no
// fixed type that would turn the string side into a number ("100" > CLng(1000)).
#include <cmath>
#include <cstring>
#include <limits>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/strings.h"

namespace tolvex::vb {

namespace {

int sign_of(int c) { return (c > 0) - (c < 0); }

template <class T>
int three_way(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : (a == b ? 0 : 1));  // unordered (NaN) counts as different
}

enum class Kind { Empty, String, Int, Currency, Real };

struct Operand {
  Kind kind;
  int64_t i = 0;  // Int: the value; Currency: value * 10000
  double d = 0;
  const std::string* s = nullptr;
};

Operand classify(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty: return {Kind::Empty};
    case VarType::String: return {Kind::String, 0, 0, &v.raw_string()};
    case VarType::Integer: return {Kind::Int, v.raw_integer()};
    case VarType::Long: return {Kind::Int, v.raw_long()};
    case VarType::Byte: return {Kind::Int, v.raw_byte()};
    case VarType::Boolean: return {Kind::Int, v.raw_bool() ? -1 : 0};
    case VarType::Currency: return {Kind::Currency, v.raw_currency()};
    case VarType::Single: return {Kind::Real, 0, double(v.raw_single())};
    case VarType::Double: return {Kind::Real, 0, v.raw_double()};
    case VarType::Date: return {Kind::Real, 0, v.raw_date()};
    default: raise(err::kTypeMismatch);
  }
}

double real_of(const Operand& o) {
  switch (o.kind) {
    case Kind::Int: return double(o.i);
    case Kind::Currency: return double(o.i) / 10000.0;
    case Kind::Real: return o.d;
    default: return 0.0;
  }
}

int compare_numbers(const Operand& a, const Operand& b) {
  if (a.kind == Kind::Int && b.kind == Kind::Int) return three_way(a.i, b.i);
  if (a.kind != Kind::Real && b.kind != Kind::Real) {
    // Int and Currency: compare scaled values (32-bit integers times 10000 fit).
    int64_t x = a.kind == Kind::Int ? a.i * 10000 : a.i;
    int64_t y = b.kind == Kind::Int ? b.i * 10000 : b.i;
    return three_way(x, y);
  }
  return three_way(real_of(a), real_of(b));
}

int compare_lowered(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char x = (unsigned char)a[i], y = (unsigned char)b[j];
    if ((x | y) < 0x80) {
      x = (unsigned char)ascii_lower(char(x));
      y = (unsigned char)ascii_lower(char(y));
      if (x != y) return x < y ? -1 : 1;
      ++i, ++j;
      continue;
    }
    char32_t p = unicode_lower(utf8_decode(a, i));
    char32_t q = unicode_lower(utf8_decode(b, j));
    if (p != q) return p < q ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

int compare_text(std::string_view a, std::string_view b, CompareMode mode) {
  if (mode == CompareMode::Binary) return sign_of(a.compare(b));  // UTF-8 bytes sort as code points
  return compare_lowered(a, b);
}

std::optional<int> compare(const Variant& a, const Variant& b, CompareMode mode) {
  if (a.is_object() || b.is_object()) {
    Variant x = default_value(a), y = default_value(b);
    if (x.is_object() || y.is_object()) raise(err::kTypeMismatch);
    return compare(x, y, mode);
  }
  if (a.is_null() || b.is_null()) return std::nullopt;
  Operand x = classify(a), y = classify(b);
  static const std::string kEmptyText;
  if (x.kind == Kind::Empty && y.kind == Kind::Empty) return 0;
  if (x.kind == Kind::String || y.kind == Kind::String) {
    if (a.is_bool()) return sign_of(std::string_view(a.raw_bool() ? "True" : "False").compare(*y.s));
    if (b.is_bool()) return sign_of(std::string_view(*x.s).compare(b.raw_bool() ? "True" : "False"));
    if (x.kind == Kind::Empty) return compare_text(kEmptyText, *y.s, mode);
    if (y.kind == Kind::Empty) return compare_text(*x.s, kEmptyText, mode);
    if (x.kind != Kind::String) return -1;  // a number is less than any string
    if (y.kind != Kind::String) return 1;
    return compare_text(*x.s, *y.s, mode);
  }
  if (x.kind == Kind::Empty) x = Operand{Kind::Int, 0};
  if (y.kind == Kind::Empty) y = Operand{Kind::Int, 0};
  if ((a.type() == VarType::Single && b.type() == VarType::Double) ||
      (a.type() == VarType::Double && b.type() == VarType::Single)) {
    const double d = a.type() == VarType::Double ? x.d : y.d;
    if (std::fabs(d) <= double(std::numeric_limits<float>::max())) {
      const float f = float(d);
      return a.type() == VarType::Double ? three_way(f, float(y.d)) : three_way(float(x.d), f);
    }
  }
  return compare_numbers(x, y);
}

}  // namespace tolvex::vb
