#include "vbscript/runtime/operators.h"

#include <cmath>
#include <limits>
#include <optional>

#include "vb/error.h"
#include "vb/strings.h"

namespace tolvex::vbscript {

using vb::Variant;
using vb::VarType;

namespace {

// An operand reduced to a plain value: objects give their default value;
// arrays and error values are no operands. Plain values are used in place.
class Operand {
 public:
  explicit Operand(const Variant& v) : p_(&v) {
    if (v.is_object()) {
      held_ = vb::default_value(v);
      p_ = &held_;
      if (held_.is_object()) vb::raise(vb::err::kTypeMismatch);
    }
    if (p_->is_array() || p_->is_error()) vb::raise(vb::err::kTypeMismatch);
  }
  Operand(const Operand&) = delete;
  Operand& operator=(const Operand&) = delete;
  const Variant& operator*() const { return *p_; }
  const Variant* operator->() const { return p_; }

 private:
  Variant held_;
  const Variant* p_;
};

double parse_or_mismatch(const std::string& s) {
  auto d = vb::parse_number(s);
  if (!d) vb::raise(vb::err::kTypeMismatch);
  return *d;
}

// Numeric result types in the order the arithmetic operators promote them.
enum class Num { Byte, Integer, Long, Single, Double, Currency, Date };

struct Value {
  Num type;
  int64_t i = 0;   // Byte, Integer, Long; Currency scaled by 10000
  double d = 0;    // Single, Double, Date
  double as_double() const {
    switch (type) {
      case Num::Byte:
      case Num::Integer:
      case Num::Long:
        return double(i);
      case Num::Currency:
        return double(i) / 10000.0;
      default:
        return d;
    }
  }
};

// A numeric operand: Empty gives nullopt (the caller decides its type), Boolean an Integer,
// a string its number as a Double.
std::optional<Value> numeric(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return std::nullopt;
    case VarType::Boolean:
      return Value{Num::Integer, v.raw_bool() ? -1 : 0};
    case VarType::Byte:
      return Value{Num::Byte, v.raw_byte()};
    case VarType::Integer:
      return Value{Num::Integer, v.raw_integer()};
    case VarType::Long:
      return Value{Num::Long, v.raw_long()};
    case VarType::Single:
      return Value{Num::Single, 0, double(v.raw_single())};
    case VarType::Double:
      return Value{Num::Double, 0, v.raw_double()};
    case VarType::Currency:
      return Value{Num::Currency, v.raw_currency()};
    case VarType::Date:
      return Value{Num::Date, 0, v.raw_date()};
    case VarType::String:
      return Value{Num::Double, 0, parse_or_mismatch(v.raw_string())};
    default:
      vb::raise(vb::err::kTypeMismatch);
  }
}

Num wider(Num a, Num b, bool double_over_currency) {
  auto has = [&](Num n) { return a == n || b == n; };
  if (has(Num::Date)) return Num::Date;
  if (double_over_currency) {
    if (has(Num::Double)) return Num::Double;
    if (has(Num::Currency)) return Num::Currency;
  } else {
    if (has(Num::Currency)) return Num::Currency;
    if (has(Num::Double)) return Num::Double;
  }
  if (has(Num::Single)) return has(Num::Long) ? Num::Double : Num::Single;
  if (has(Num::Long)) return Num::Long;
  if (has(Num::Integer)) return Num::Integer;
  return Num::Byte;
}

Variant checked_double(double r) {
  if (!std::isfinite(r)) vb::raise(vb::err::kOverflow);
  return Variant(r);
}

// An integral result in the narrowest type from `type` upwards that holds it.
Variant integral_result(Num type, int64_t r) {
  if (type == Num::Byte && r >= 0 && r <= 255) return Variant(uint8_t(r));
  if ((type == Num::Byte || type == Num::Integer) && r >= INT16_MIN && r <= INT16_MAX) return Variant(int16_t(r));
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(int32_t(r));
  return Variant(double(r));
}

Variant single_result(double r) {
  if (std::isfinite(r) && std::fabs(r) <= double(std::numeric_limits<float>::max())) return Variant(float(r));
  return checked_double(r);
}

int64_t to_scaled(const Value& v) {
  if (v.type == Num::Currency) return v.i;
  if (v.type == Num::Byte || v.type == Num::Integer || v.type == Num::Long) return v.i * 10000;
  double s = vb::round_half_even(v.as_double() * 10000.0);
  if (!(s >= -9.2233720368547758e18 && s < 9.2233720368547758e18)) vb::raise(vb::err::kOverflow);
  return int64_t(s);
}

enum class Arith { Add, Sub, Mul };

__extension__ typedef __int128 Wide;

int64_t currency_product(int64_t a_scaled, const Value& b) {
  Wide p;
  if (b.type == Num::Byte || b.type == Num::Integer || b.type == Num::Long) {
    p = Wide(a_scaled) * b.i;
  } else {
    Wide q = Wide(a_scaled) * to_scaled(b);
    Wide whole = q / 10000, rest = q % 10000;
    if (rest < 0) rest = -rest;
    if (rest > 5000 || (rest == 5000 && (whole & 1))) whole += q < 0 ? -1 : 1;
    p = whole;
  }
  if (p > INT64_MAX || p < INT64_MIN) vb::raise(vb::err::kOverflow);
  return int64_t(p);
}

Variant arith(Arith op, const Variant& av, const Variant& bv) {
  if (av.type() == bv.type() && (av.type() == VarType::Integer || av.type() == VarType::Long)) {
    int64_t x = av.type() == VarType::Integer ? av.raw_integer() : av.raw_long();
    int64_t y = bv.type() == VarType::Integer ? bv.raw_integer() : bv.raw_long();
    int64_t r = op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y;
    return integral_result(av.type() == VarType::Integer ? Num::Integer : Num::Long, r);
  }
  Operand ao(av), bo(bv);
  const Variant &a = *ao, &b = *bo;
  if (a.is_null() || b.is_null()) return Variant::null();
  if (op == Arith::Add) {
    if (a.is_string() && (b.is_string() || b.is_empty()))
      return Variant(a.raw_string() + (b.is_string() ? b.raw_string() : std::string()));
    if (b.is_string() && a.is_empty()) return b;
  }
  std::optional<Value> xo = numeric(a), yo = numeric(b);
  if (!xo && !yo) return Variant(int16_t(0));
  // Empty counts as 0; added to a number it leaves the number's type as it is.
  Value x = xo ? *xo : Value{op == Arith::Add ? yo->type : Num::Integer};
  Value y = yo ? *yo : Value{op == Arith::Add ? xo->type : Num::Integer};
  if (op == Arith::Mul) {
    if (x.type == Num::Date) x = Value{Num::Double, 0, x.d};
    if (y.type == Num::Date) y = Value{Num::Double, 0, y.d};
  }
  Num type = wider(x.type, y.type, op == Arith::Mul);
  auto apply = [op](auto p, auto q) { return op == Arith::Add ? p + q : op == Arith::Sub ? p - q : p * q; };
  switch (type) {
    case Num::Byte:
    case Num::Integer:
    case Num::Long:
      return integral_result(type, apply(x.i, y.i));
    case Num::Single:
      return single_result(apply(double(float(x.as_double())), double(float(y.as_double()))));
    case Num::Double:
      return checked_double(apply(x.as_double(), y.as_double()));
    case Num::Currency: {
      int64_t r;
      if (op == Arith::Mul) {
        r = x.type == Num::Currency ? currency_product(x.i, y) : currency_product(y.i, x);
      } else {
        int64_t sx = to_scaled(x), sy = to_scaled(y);
        bool ovf = op == Arith::Add ? __builtin_add_overflow(sx, sy, &r) : __builtin_sub_overflow(sx, sy, &r);
        if (ovf) vb::raise(vb::err::kOverflow);
      }
      return Variant::currency(r);
    }
    case Num::Date: {
      double r = apply(x.as_double(), y.as_double());
      if (!std::isfinite(r)) vb::raise(vb::err::kOverflow);
      if (op == Arith::Sub && x.type == Num::Date && y.type == Num::Date) return Variant(r);
      return Variant::date(r);
    }
  }
  return Variant();
}

// An operand of \ and Mod: rounded to a whole number; the result type is Byte when both
// are Byte, Integer when both fit Integer's family, Long otherwise.
struct WholeOperand {
  Num type;
  int64_t v;
};

WholeOperand whole(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return {Num::Integer, 0};
    case VarType::Boolean:
      return {Num::Integer, v.raw_bool() ? -1 : 0};
    case VarType::Byte:
      return {Num::Byte, v.raw_byte()};
    case VarType::Integer:
      return {Num::Integer, v.raw_integer()};
    case VarType::Long:
      return {Num::Long, v.raw_long()};
    default: {
      double d = numeric(v)->as_double();
      double r = vb::round_half_even(d);
      if (!(r >= -2147483648.0 && r <= 2147483647.0)) vb::raise(vb::err::kOverflow);
      return {Num::Long, int64_t(r)};
    }
  }
}

Variant whole_division(bool modulo, const Variant& av, const Variant& bv) {
  Operand ao(av), bo(bv);
  const Variant &a = *ao, &b = *bo;
  if (a.is_null() || b.is_null()) return Variant::null();
  WholeOperand x = whole(a), y = whole(b);
  if (y.v == 0) vb::raise(vb::err::kDivisionByZero);
  Num type = (x.type == Num::Byte && y.type == Num::Byte) ? Num::Byte
             : (x.type != Num::Long && y.type != Num::Long) ? Num::Integer
                                                             : Num::Long;
  int64_t r = modulo ? x.v % y.v : x.v / y.v;
  if (type == Num::Long && r > INT32_MAX) vb::raise(vb::err::kOverflow);
  return integral_result(type, r);
}

// Logical operands: Booleans stay Boolean, whole numbers keep their type, the rest become Long.
struct Bits {
  enum Kind { Boolean, Byte, Integer, Long } kind;
  int64_t v;
};

Bits bits(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:  // a Long 0 beside the other operand: Empty And 1 is a Long
      return {Bits::Long, 0};
    case VarType::Boolean:
      return {Bits::Boolean, v.raw_bool() ? -1 : 0};
    case VarType::Byte:
      return {Bits::Byte, v.raw_byte()};
    case VarType::Integer:
      return {Bits::Integer, v.raw_integer()};
    case VarType::Long:
      return {Bits::Long, v.raw_long()};
    case VarType::String: {
      const std::string& s = v.raw_string();
      if (vb::iequals(s, "true")) return {Bits::Boolean, -1};
      if (vb::iequals(s, "false")) return {Bits::Boolean, 0};
      [[fallthrough]];
    }
    default: {
      double r = vb::round_half_even(numeric(v)->as_double());
      if (!(r >= -2147483648.0 && r <= 2147483647.0)) vb::raise(vb::err::kOverflow);
      return {Bits::Long, int64_t(r)};
    }
  }
}

Bits::Kind joint(Bits::Kind a, Bits::Kind b) {
  if (a == b) return a;
  if (a == Bits::Long || b == Bits::Long) return Bits::Long;
  return Bits::Integer;
}

Variant bits_result(Bits::Kind k, int64_t v) {
  switch (k) {
    case Bits::Boolean:
      return Variant(v != 0);
    case Bits::Byte:
      return Variant(uint8_t(v & 0xFF));
    case Bits::Integer:
      return Variant(int16_t(v));
    case Bits::Long:
      break;
  }
  return Variant(int32_t(v));
}

bool all_ones(const Bits& b) { return b.kind == Bits::Byte ? b.v == 0xFF : b.v == -1; }

enum class Logic { And, Or, Xor, Eqv, Imp };

Variant logic(Logic op, const Variant& av, const Variant& bv) {
  Operand ao(av), bo(bv);
  const Variant &a = *ao, &b = *bo;
  if (a.is_null() && b.is_null()) return Variant::null();
  if (a.is_null() || b.is_null()) {
    Bits known = bits(a.is_null() ? b : a);
    switch (op) {
      case Logic::And:  // Null And 0 is 0: no bit can be set
        return known.v == 0 ? bits_result(known.kind, 0) : Variant::null();
      case Logic::Or:  // Null Or -1 is -1: every bit is set
        return all_ones(known) ? bits_result(known.kind, known.v) : Variant::null();
      case Logic::Imp:
        if (a.is_null()) return all_ones(known) ? bits_result(known.kind, known.v) : Variant::null();
        // A Byte implies Null as it implies 0 (CByte(170) Imp Null is the Byte 85).
        if (known.kind == Bits::Byte) return bits_result(Bits::Byte, ~known.v);
        return known.v == 0 ? bits_result(known.kind, -1) : Variant::null();
      default:
        return Variant::null();
    }
  }
  Bits x = bits(a), y = bits(b);
  int64_t r = 0;
  switch (op) {
    case Logic::And: r = x.v & y.v; break;
    case Logic::Or: r = x.v | y.v; break;
    case Logic::Xor: r = x.v ^ y.v; break;
    case Logic::Eqv: r = ~(x.v ^ y.v); break;
    case Logic::Imp: r = ~x.v | y.v; break;
  }
  return bits_result(joint(x.kind, y.kind), r);
}

std::optional<int> compared(const Variant& av, const Variant& bv, vb::CompareMode mode) {
  Operand a(av), b(bv);
  return vb::compare(*a, *b, mode);
}

template <class Pred>
Variant comparison(const Variant& a, const Variant& b, vb::CompareMode mode, Pred pred) {
  std::optional<int> c = compared(a, b, mode);
  if (!c) return Variant::null();
  return Variant(bool(pred(*c)));
}

}  // namespace

Variant op_add(const Variant& a, const Variant& b) { return arith(Arith::Add, a, b); }
Variant op_sub(const Variant& a, const Variant& b) { return arith(Arith::Sub, a, b); }
Variant op_mul(const Variant& a, const Variant& b) { return arith(Arith::Mul, a, b); }

Variant op_div(const Variant& av, const Variant& bv) {
  Operand ao(av), bo(bv);
  const Variant &a = *ao, &b = *bo;
  if (a.is_null() || b.is_null()) return Variant::null();
  auto x = numeric(a), y = numeric(b);
  double p = x ? x->as_double() : 0.0, q = y ? y->as_double() : 0.0;
  if (q == 0) vb::raise(p == 0 || std::isnan(p) ? vb::err::kOverflow : vb::err::kDivisionByZero);
  return checked_double(p / q);
}

Variant op_idiv(const Variant& a, const Variant& b) { return whole_division(false, a, b); }
Variant op_mod(const Variant& a, const Variant& b) { return whole_division(true, a, b); }

Variant op_pow(const Variant& av, const Variant& bv) {
  Operand ao(av), bo(bv);
  const Variant &a = *ao, &b = *bo;
  if (a.is_null() || b.is_null()) return Variant::null();
  auto x = numeric(a), y = numeric(b);
  double p = x ? x->as_double() : 0.0, q = y ? y->as_double() : 0.0;
  if (p == 0 && q < 0) vb::raise(vb::err::kDivisionByZero);
  double r = std::pow(p, q);
  if (std::isnan(r)) vb::raise(vb::err::kInvalidProcedureCall);
  return checked_double(r);
}

Variant op_neg(const Variant& av) {
  Operand ao(av);
  const Variant& a = *ao;
  switch (a.type()) {
    case VarType::Null:
      return a;
    case VarType::Empty:
      return Variant(int16_t(0));
    case VarType::Boolean:
      return Variant(int16_t(a.raw_bool() ? 1 : 0));
    case VarType::Byte:
      return Variant(int16_t(-int(a.raw_byte())));
    case VarType::Integer:
      return integral_result(Num::Integer, -int64_t(a.raw_integer()));
    case VarType::Long:
      return integral_result(Num::Long, -int64_t(a.raw_long()));
    case VarType::Single:
      return Variant(-a.raw_single());
    case VarType::Double:
      return Variant(-a.raw_double());
    case VarType::Currency:
      if (a.raw_currency() == INT64_MIN) vb::raise(vb::err::kOverflow);
      return Variant::currency(-a.raw_currency());
    case VarType::Date:
      return Variant::date(-a.raw_date());
    case VarType::String:
      return Variant(-parse_or_mismatch(a.raw_string()));
    default:
      vb::raise(vb::err::kTypeMismatch);
  }
}

Variant op_not(const Variant& av) {
  Operand ao(av);
  const Variant& a = *ao;
  if (a.is_null()) return a;
  if (a.is_empty()) return Variant(int32_t(-1));  // Empty counts as the Long 0
  Bits x = bits(a);
  return bits_result(x.kind, ~x.v);
}

Variant op_and(const Variant& a, const Variant& b) { return logic(Logic::And, a, b); }
Variant op_or(const Variant& a, const Variant& b) { return logic(Logic::Or, a, b); }
Variant op_xor(const Variant& a, const Variant& b) { return logic(Logic::Xor, a, b); }
Variant op_eqv(const Variant& a, const Variant& b) { return logic(Logic::Eqv, a, b); }
Variant op_imp(const Variant& a, const Variant& b) { return logic(Logic::Imp, a, b); }

Variant op_eq(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c == 0; });
}
Variant op_ne(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c != 0; });
}
Variant op_lt(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c < 0; });
}
Variant op_le(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c <= 0; });
}
Variant op_gt(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c > 0; });
}
Variant op_ge(const Variant& a, const Variant& b, vb::CompareMode m) {
  return comparison(a, b, m, [](int c) { return c >= 0; });
}

namespace {
void append_text(std::string& out, const Variant& v) {
  if (v.is_string())
    out += v.raw_string();
  else if (!v.is_null())
    out += vb::to_string(v);
}
}  // namespace

Variant op_concat(const Variant& av, const Variant& bv) {
  Operand a(av), b(bv);
  if (a->is_null() && b->is_null()) return Variant::null();
  std::string s;
  if (a->is_string() && b->is_string()) s.reserve(a->raw_string().size() + b->raw_string().size());
  append_text(s, *a);
  append_text(s, *b);
  return Variant(std::move(s));
}

void op_concat_inplace(Variant& acc, const Variant& rhs) {
  if (acc.is_string()) {
    if (rhs.is_string()) {
      acc.append_string(rhs.raw_string());
      return;
    }
    Operand b(rhs);
    if (b->is_string())
      acc.append_string(b->raw_string());
    else if (!b->is_null())
      acc.append_string(vb::to_string(*b));
    return;
  }
  acc = op_concat(acc, rhs);
}

}  // namespace tolvex::vbscript
