// Helpers of the runtime library tests: calling built-ins by name and checking VB errors.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "vb/convert.h"
#include "vb/error.h"
#include "vbscript/runtime/builtins.h"

namespace tolvex::vbscript::test {

using vb::Variant;
using vb::VarType;

inline Variant call(RuntimeEnv& env, const char* name, std::vector<Variant> args) {
  const Builtin* b = find_builtin(name);
  if (!b) throw std::runtime_error(std::string("no built-in ") + name);
  return b->fn(env, args);
}

inline Variant call(const char* name, std::vector<Variant> args) {
  RuntimeEnv env;
  return call(env, name, std::move(args));
}

// The VB error number that `f` raises, or 0.
template <class F>
int32_t error_of(F&& f) {
  try {
    f();
  } catch (const vb::VBError& e) {
    return e.number();
  }
  return 0;
}

inline Variant I(int16_t v) { return Variant(v); }
inline Variant L(int32_t v) { return Variant(v); }
inline Variant D(double v) { return Variant(v); }
inline Variant S(const char* v) { return Variant(v); }
inline Variant B(bool v) { return Variant(v); }
inline Variant Y(uint8_t v) { return Variant(v); }
inline Variant F(float v) { return Variant(v); }
inline Variant C(double v) { return Variant::currency(std::llround(v * 10000)); }
inline Variant Null() { return Variant::null(); }
inline Variant DT(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
  double day = *vb::make_date(y, m, d), time = vb::make_time(h, n, s);
  return Variant::date(day < 0 ? day - time : day + time);
}

// A value and its subtype in one readable text: "Integer 5", "String abc", "Null".
inline std::string show(const Variant& v) {
  std::string t = vb::type_name(v);
  if (v.is_null() || v.is_empty()) return t;
  if (v.is_array() || v.is_object()) return t;
  return t + " " + vb::to_string(v);
}

// One call of a built-in and the show() of its result, or "error N".
struct CallCase {
  const char* fn;
  std::vector<Variant> args;
  std::string expected;
};

inline void check_calls(const std::vector<CallCase>& cases) {
  for (const auto& c : cases) {
    std::string got;
    try {
      got = show(call(c.fn, c.args));
    } catch (const vb::VBError& e) {
      got = "error " + std::to_string(e.number());
    }
    std::string args;
    for (const auto& a : c.args) args += (args.empty() ? "" : ", ") + show(a);
    EXPECT_EQ(got, c.expected) << c.fn << "(" << args << ")";
  }
}

}  // namespace tolvex::vbscript::test
