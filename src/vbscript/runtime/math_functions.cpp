// Numeric functions: Abs, Int, Fix, Round, Sgn, the transcendental functions and Rnd.
#include <cmath>

#include "vbscript/runtime/library.h"

namespace tolvex::vbscript::lib {

namespace {

using vb::VarType;

double finite_or_overflow(double d) {
  if (!std::isfinite(d)) vb::raise(vb::err::kOverflow);
  return d;
}

// Applies `f` to the number in the subtype the value has: whole numbers stay whole,
// strings become Double, Empty an Integer 0, Boolean an Integer, Null stays Null.
template <class F>
Variant keep_type(Args a, F f, bool whole_noop) {
  Variant v = value_arg(a, 0);
  switch (v.type()) {
    case VarType::Null:
      return v;
    case VarType::Empty:
      return Variant(int16_t(0));
    case VarType::Boolean:
      return Variant(int16_t(v.raw_bool() ? -1 : 0));
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
      if (whole_noop) return v;
      break;
    case VarType::Single:
      return Variant(float(f(double(v.raw_single()))));
    case VarType::Double:
      return Variant(f(v.raw_double()));
    case VarType::Currency:
      return Variant::currency(int64_t(f(double(v.raw_currency()) / 10000.0) * 10000.0));
    case VarType::Date:
      return Variant::date(f(v.raw_date()));
    case VarType::String:
      return Variant(f(vb::to_double(v)));
    default:
      vb::raise(vb::err::kTypeMismatch);
  }
  return v;
}

Variant fn_abs(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  switch (v.type()) {
    case VarType::Null:
      return v;
    case VarType::Empty:
      return Variant(int16_t(0));
    case VarType::Boolean:
      return Variant(int16_t(v.raw_bool() ? 1 : 0));
    case VarType::Byte:
      return v;
    case VarType::Integer:
      if (v.raw_integer() == INT16_MIN) return Variant(int32_t(32768));
      return Variant(int16_t(std::abs(v.raw_integer())));
    case VarType::Long:
      if (v.raw_long() == INT32_MIN) return Variant(2147483648.0);
      return Variant(int32_t(std::abs(v.raw_long())));
    case VarType::Currency:
      if (v.raw_currency() == INT64_MIN) vb::raise(vb::err::kOverflow);
      return Variant::currency(v.raw_currency() < 0 ? -v.raw_currency() : v.raw_currency());
    default:
      return keep_type(a, [](double d) { return std::fabs(d); }, true);
  }
}

Variant fn_int(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  if (v.type() == VarType::Currency) {
    int64_t c = v.raw_currency(), r = c % 10000, out;
    if (__builtin_sub_overflow(c - r, r < 0 ? 10000 : 0, &out)) vb::raise(vb::err::kOverflow);
    return Variant::currency(out);
  }
  return keep_type(a, [](double d) { return std::floor(d) + 0.0; }, true);
}

Variant fn_fix(RuntimeEnv&, Args a) {
  Variant v = value_arg(a, 0);
  if (v.type() == VarType::Currency) return Variant::currency(v.raw_currency() - v.raw_currency() % 10000);
  return keep_type(a, [](double d) { return std::trunc(d) + 0.0; }, true);
}

double round_digits(double d, int digits) {
  if (digits == 0) return vb::round_half_even(d);
  double scale = std::pow(10.0, digits);
  double scaled = d * scale;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0) return d;
  return vb::round_half_even(scaled) / scale;
}

Variant fn_round(RuntimeEnv&, Args a) {
  int32_t digits = long_arg_or(a, 1, 0);
  if (digits < 0) invalid_argument();
  Variant v = value_arg(a, 0);
  if (v.type() == VarType::Currency) {
    if (digits >= 4) return v;
    int64_t unit = 1;
    for (int i = digits; i < 4; ++i) unit *= 10;
    int64_t c = v.raw_currency(), q = c / unit, r = c % unit;
    int64_t twice = 2 * (r < 0 ? -r : r);
    if (twice > unit || (twice == unit && (q & 1))) q += c < 0 ? -1 : 1;
    int64_t out;
    if (__builtin_mul_overflow(q, unit, &out)) vb::raise(vb::err::kOverflow);
    return Variant::currency(out);
  }
  return keep_type(a, [digits](double d) { return round_digits(d, digits) + 0.0; }, true);
}

Variant fn_sgn(RuntimeEnv&, Args a) {
  const double d = double_arg(a, 0);  // Null is error 94, not Null as for Abs
  return Variant(int16_t(d > 0 ? 1 : d < 0 ? -1 : 0));
}

Variant fn_sqr(RuntimeEnv&, Args a) {
  double d = double_arg(a, 0);
  if (d < 0) invalid_argument();
  return Variant(std::sqrt(d));
}

Variant fn_exp(RuntimeEnv&, Args a) { return Variant(finite_or_overflow(std::exp(double_arg(a, 0)))); }

Variant fn_log(RuntimeEnv&, Args a) {
  double d = double_arg(a, 0);
  if (!(d > 0)) invalid_argument();
  return Variant(std::log(d));
}

Variant fn_sin(RuntimeEnv&, Args a) { return Variant(std::sin(double_arg(a, 0))); }
Variant fn_cos(RuntimeEnv&, Args a) { return Variant(std::cos(double_arg(a, 0))); }
Variant fn_tan(RuntimeEnv&, Args a) { return Variant(std::tan(double_arg(a, 0))); }
Variant fn_atn(RuntimeEnv&, Args a) { return Variant(std::atan(double_arg(a, 0))); }

Variant fn_rnd(RuntimeEnv& env, Args a) {
  if (!present(a, 0)) return Variant(env.random.rnd());
  return Variant(env.random.rnd(double_arg(a, 0)));
}

Variant fn_randomize(RuntimeEnv& env, Args a) {
  if (present(a, 0))
    env.random.randomize(double_arg(a, 0));
  else
    env.random.randomize();
  return Variant();
}

const Builtin kBuiltins[] = {
    {"Abs", fn_abs, 1, 1},   {"Int", fn_int, 1, 1},   {"Fix", fn_fix, 1, 1}, {"Round", fn_round, 1, 2},
    {"Sgn", fn_sgn, 1, 1},   {"Sqr", fn_sqr, 1, 1},   {"Exp", fn_exp, 1, 1}, {"Log", fn_log, 1, 1},
    {"Sin", fn_sin, 1, 1},   {"Cos", fn_cos, 1, 1},   {"Tan", fn_tan, 1, 1}, {"Atn", fn_atn, 1, 1},
    {"Rnd", fn_rnd, 0, 1},   {"Randomize", fn_randomize, 0, 1},
};

}  // namespace

std::span<const Builtin> math_builtins() { return kBuiltins; }

}  // namespace tolvex::vbscript::lib
