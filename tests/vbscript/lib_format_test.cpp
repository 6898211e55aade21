#include "lib_support.h"

namespace tolvex::vbscript::test {
namespace {

TEST(LibFormat, NumbersCurrencyPercent) {
  const Variant def = Variant::missing();
  struct Case {
    const char* fn;
    std::vector<Variant> args;
    std::string expected;
  } cases[] = {
      {"FormatNumber", {D(1234567.891)}, "1,234,567.89"},
      {"FormatNumber", {D(0.125)}, "0.13"},          // half away from zero on the decimal digits
      {"FormatNumber", {D(2.675)}, "2.68"},
      {"FormatNumber", {D(-2.5), I(0)}, "-3"},
      {"FormatNumber", {D(999.995)}, "1,000.00"},
      {"FormatNumber", {D(0.5), I(2), I(0)}, ".50"},
      {"FormatNumber", {D(-1234.5), I(1), def, I(-1)}, "(1,234.5)"},
      {"FormatNumber", {D(1234.5), I(1), def, def, I(0)}, "1234.5"},
      {"FormatNumber", {D(1e-7), I(3)}, "0.000"},
      {"FormatNumber", {D(-0.001)}, "0.00"},
      {"FormatNumber", {S("12.5"), I(3)}, "12.500"},
      {"FormatNumber", {D(1e20), I(0)}, "100,000,000,000,000,000,000"},
      {"FormatNumber", {I(5), I(-1)}, "5.00"},
      {"FormatCurrency", {D(1234.5)}, "$1,234.50"},
      {"FormatCurrency", {D(-1234.5)}, "($1,234.50)"},
      {"FormatCurrency", {D(-1234.5), I(0), def, I(0)}, "-$1,235"},
      {"FormatCurrency", {C(0.25), I(2), I(0)}, "$.25"},
      {"FormatPercent", {D(0.1234)}, "12.34%"},
      {"FormatPercent", {D(-0.5), I(0)}, "-50%"},
      {"FormatPercent", {D(-0.5), I(0), def, I(-1)}, "(50%)"},
  };
  for (const auto& c : cases) {
    std::string got;
    try {
      got = vb::to_string(call(c.fn, c.args));
    } catch (const vb::VBError& e) {
      got = "error " + std::to_string(e.number());
    }
    EXPECT_EQ(got, c.expected) << c.fn << "(" << show(c.args[0]) << ")";
  }
  EXPECT_EQ(error_of([] { call("FormatNumber", {S("abc")}); }), vb::err::kTypeMismatch);
  EXPECT_EQ(error_of([] { call("FormatNumber", {D(1), I(-3)}); }), vb::err::kInvalidProcedureCall);
}

}  // namespace
}  // namespace tolvex::vbscript::test
