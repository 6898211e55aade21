#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vb/convert.h"
#include "vb_test_util.h"

using namespace tolvex::vb;
using vbtest::error_of;
using vbtest::same;

namespace {

using Conv = Variant (*)(const Variant&);

struct ConvCase {
  const char* name;
  Conv fn;
  Variant in;
  Variant expect;  // ignored when error != 0
  int error = 0;
};

Variant I(int v) { return Variant(int16_t(v)); }
Variant L(int v) { return Variant(int32_t(v)); }
Variant B(int v) { return Variant(uint8_t(v)); }
Variant Cy(int64_t scaled) { return Variant::currency(scaled); }
Variant Dt(double d) { return Variant::date(d); }
Variant arr() { return Variant::array({Variant(1), Variant(2)}); }

void run(const std::vector<ConvCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    if (c.error) {
      EXPECT_EQ(error_of([&] { c.fn(c.in); }), c.error);
      continue;
    }
    Variant got;
    int e = error_of([&] { got = c.fn(c.in); });
    ASSERT_EQ(e, 0);
    EXPECT_TRUE(same(got, c.expect)) << "vartype " << got.vartype() << " -> "
                                     << (got.is_null() ? std::string("Null") : to_string(got));
  }
}

}  // namespace

TEST(Convert, IntegerConversionsRoundHalvesToEvenAndCheckRange) {
  run({
      {"CInt(2.5)", cint, Variant(2.5), I(2)},
      {"CInt(3.5)", cint, Variant(3.5), I(4)},
      {"CInt(-2.5)", cint, Variant(-2.5), I(-2)},
      {"CInt(2.51)", cint, Variant(2.51), I(3)},
      {"CInt(32767.4)", cint, Variant(32767.4), I(32767)},
      {"CInt(32767.5)", cint, Variant(32767.5), {}, 6},
      {"CInt(-32768.5)", cint, Variant(-32768.5), I(-32768)},
      {"CInt(-32769)", cint, L(-32769), {}, 6},
      {"CInt(Single 1.5)", cint, Variant(1.5f), I(2)},
      {"CInt(CCur 2.5)", cint, Cy(25000), I(2)},
      {"CInt(CCur 3.5)", cint, Cy(35000), I(4)},
      {"CInt(CCur -3.5)", cint, Cy(-35000), I(-4)},
      {"CInt(CCur 1.5001)", cint, Cy(15001), I(2)},
      {"CInt(True)", cint, Variant(true), I(-1)},
      {"CInt(Empty)", cint, Variant(), I(0)},
      {"CInt(Date 1.5)", cint, Dt(1.5), I(2)},
      {"CInt(\"12.5\")", cint, Variant("12.5"), I(12)},
      {"CInt(\" 7 \")", cint, Variant(" 7 "), I(7)},
      {"CInt(\"&HFFFF\")", cint, Variant("&HFFFF"), I(-1)},
      {"CInt(\"&H8000&\")", cint, Variant("&H8000&"), {}, 6},
      {"CInt(\"abc\")", cint, Variant("abc"), {}, 13},
      {"CInt(\"\")", cint, Variant(""), {}, 13},
      {"CInt(\"True\")", cint, Variant("True"), {}, 13},
      {"CInt(Null)", cint, Variant::null(), {}, 94},
      {"CInt(array)", cint, arr(), {}, 13},
      {"CInt(Error)", cint, Variant::error(5), {}, 13},
      {"CInt(NaN)", cint, Variant(std::nan("")), {}, 6},
      {"CLng(2147483647.4)", clng, Variant(2147483647.4), L(2147483647)},
      {"CLng(2147483647.5)", clng, Variant(2147483647.5), {}, 6},
      {"CLng(-2147483648.5)", clng, Variant(-2147483648.5), L(std::numeric_limits<int32_t>::min())},
      {"CLng(\"1,000\")", clng, Variant("1,000"), L(1000)},
      {"CLng(\"1e3\")", clng, Variant("1e3"), L(1000)},
      {"CLng(\"(5)\")", clng, Variant("(5)"), L(-5)},
      {"CLng(\"5-\")", clng, Variant("5-"), L(-5)},
      {"CLng(\"$12\")", clng, Variant("$12"), L(12)},
      {"CLng(\"&HFFFF&\")", clng, Variant("&HFFFF&"), L(65535)},
      {"CLng(\"1e400\")", clng, Variant("1e400"), {}, 6},
      {"CLng(Integer)", clng, I(-7), L(-7)},
      {"CByte(254.5)", cbyte, Variant(254.5), B(254)},
      {"CByte(255.5)", cbyte, Variant(255.5), {}, 6},
      {"CByte(-0.5)", cbyte, Variant(-0.5), B(0)},
      {"CByte(-1)", cbyte, L(-1), {}, 6},
      {"CByte(True)", cbyte, Variant(true), B(255), 0},  // True is -1, taken as the byte 255
      {"CByte(\"200\")", cbyte, Variant("200"), B(200)},
      {"CByte(Null)", cbyte, Variant::null(), {}, 94},
  });
}

TEST(Convert, BooleanDoubleSingleCurrencyAndDate) {
  run({
      {"CBool(\"True\")", cbool, Variant("True"), Variant(true)},
      {"CBool(\" false \")", cbool, Variant(" false "), Variant(false)},
      {"CBool(\"TRUE\")", cbool, Variant("TRUE"), Variant(true)},
      {"CBool(\"1\")", cbool, Variant("1"), Variant(true)},
      {"CBool(\"-1\")", cbool, Variant("-1"), Variant(true)},
      {"CBool(\"0\")", cbool, Variant("0"), Variant(false)},
      {"CBool(\"0.0\")", cbool, Variant("0.0"), Variant(false)},
      {"CBool(\"yes\")", cbool, Variant("yes"), {}, 13},
      {"CBool(\"\")", cbool, Variant(""), {}, 13},
      {"CBool(0.5)", cbool, Variant(0.5), Variant(true)},
      {"CBool(CCur 0)", cbool, Cy(0), Variant(false)},
      {"CBool(Empty)", cbool, Variant(), Variant(false)},
      {"CBool(Null)", cbool, Variant::null(), {}, 94},
      {"CBool(array)", cbool, arr(), {}, 13},
      {"CDbl(\"1.5E-07\")", cdbl, Variant("1.5E-07"), Variant(1.5e-7)},
      {"CDbl(\"1D2\")", cdbl, Variant("1D2"), Variant(100.0)},
      {"CDbl(\" -0.25 \")", cdbl, Variant(" -0.25 "), Variant(-0.25)},
      {"CDbl(\"1e400\")", cdbl, Variant("1e400"), {}, 6},
      {"CDbl(\"1.2.3\")", cdbl, Variant("1.2.3"), {}, 13},
      {"CDbl(CCur 1.2345)", cdbl, Cy(12345), Variant(1.2345)},
      {"CDbl(True)", cdbl, Variant(true), Variant(-1.0)},
      {"CDbl(Date)", cdbl, Dt(37623.25), Variant(37623.25)},
      {"CDbl(Empty)", cdbl, Variant(), Variant(0.0)},
      {"CDbl(Null)", cdbl, Variant::null(), {}, 94},
      {"CSng(\"0.1\")", csng, Variant("0.1"), Variant(0.1f)},
      {"CSng(1e39)", csng, Variant(1e39), {}, 6},
      {"CSng(Long)", csng, L(16777217), Variant(16777216.0f)},
      {"CCur(2.5)", ccur, Variant(2.5), Cy(25000)},
      {"CCur(\"1.00005\")", ccur, Variant("1.00005"), Cy(10000)},
      {"CCur(\"1.00015\")", ccur, Variant("1.00015"), Cy(10002)},
      {"CCur(\"-1.00025\")", ccur, Variant("-1.00025"), Cy(-10002)},
      {"CCur(\"1.000051\")", ccur, Variant("1.000051"), Cy(10001)},
      {"CCur(\"922337203685477.5807\")", ccur, Variant("922337203685477.5807"),
       Cy(std::numeric_limits<int64_t>::max())},
      {"CCur(\"-922337203685477.5808\")", ccur, Variant("-922337203685477.5808"),
       Cy(std::numeric_limits<int64_t>::min())},
      {"CCur(\"922337203685477.5808\")", ccur, Variant("922337203685477.5808"), {}, 6},
      {"CCur(\"1.5e3\")", ccur, Variant("1.5e3"), Cy(15000000)},
      {"CCur(\"$1,200.68\")", ccur, Variant("$1,200.68"), Cy(12006800)},
      {"CCur(1e16)", ccur, Variant(1e16), {}, 6},
      {"CCur(Long)", ccur, L(-3), Cy(-30000)},
      {"CCur(\"x\")", ccur, Variant("x"), {}, 13},
      {"CCur(Null)", ccur, Variant::null(), {}, 94},
      {"CDate(\"1/2/2003\")", cdate, Variant("1/2/2003"), Dt(37623)},
      {"CDate(37623.5)", cdate, Variant(37623.5), Dt(37623.5)},
      {"CDate(True)", cdate, Variant(true), Dt(-1)},
      {"CDate(1e10)", cdate, Variant(1e10), {}, 6},
      {"CDate(-657435)", cdate, Variant(-657435.0), {}, 6},
      {"CDate(\"abc\")", cdate, Variant("abc"), {}, 13},
      {"CDate(\"12345\")", cdate, Variant("12345"), Dt(12345), 0},  // a number's text is a day number
      {"CDate(Null)", cdate, Variant::null(), {}, 94},
  });
}

TEST(Convert, StringsOfEverySubtype) {
  std::vector<ConvCase> cases = {
      {"CStr(Empty)", cstr, Variant(), Variant("")},
      {"CStr(True)", cstr, Variant(true), Variant("True")},
      {"CStr(False)", cstr, Variant(false), Variant("False")},
      {"CStr(Integer)", cstr, I(-32768), Variant("-32768")},
      {"CStr(Long)", cstr, L(2147483647), Variant("2147483647")},
      {"CStr(Byte)", cstr, B(255), Variant("255")},
      {"CStr(Single)", cstr, Variant(0.1f), Variant("0.1")},
      {"CStr(Double)", cstr, Variant(1.5), Variant("1.5")},
      {"CStr(long Double)", cstr, Variant(-1.2345678901234567e-100), Variant("-1.23456789012346E-100")},
      {"CStr(Currency)", cstr, Cy(15000), Variant("1.5")},
      {"CStr(Date)", cstr, Dt(37623), Variant("1/2/2003")},
      {"CStr(String)", cstr, Variant("x"), Variant("x")},
      {"CStr(Error)", cstr, Variant::error(5), Variant("Error 5")},
      {"CStr(Null)", cstr, Variant::null(), {}, 94},
      {"CStr(array)", cstr, arr(), {}, 13},
      {"CStr(Nothing)", cstr, Variant::nothing(), {}, 91},
  };
  run(cases);
  // Appending gives the same text, after what the buffer held.
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string out = "<";
    int e = error_of([&] { append_string(out, c.in); });
    EXPECT_EQ(e, c.error);
    if (!c.error) {
      EXPECT_EQ(out, "<" + c.expect.raw_string());
    }
  }
}

TEST(Convert, ObjectsConvertThroughTheirDefaultMember) {
  Variant five(make_ref<vbtest::Holder>(Variant(int16_t(5))));
  Variant text(make_ref<vbtest::Holder>(Variant("2.5")));
  Variant nested(make_ref<vbtest::Holder>(five));
  Variant plain(make_ref<vbtest::Plain>());
  Variant holds_null(make_ref<vbtest::Holder>(Variant::null()));
  run({
      {"CStr(obj)", cstr, five, Variant("5")},
      {"CLng(obj \"2.5\")", clng, text, L(2)},
      {"CDbl(obj of obj)", cdbl, nested, Variant(5.0)},
      {"CBool(obj)", cbool, five, Variant(true)},
      {"CStr(obj without default)", cstr, plain, {}, 13},
      {"CInt(obj without default)", cint, plain, {}, 13},
      {"CStr(obj holding Null)", cstr, holds_null, {}, 94},
  });
  EXPECT_TRUE(same(default_value(five), I(5)));
  EXPECT_EQ(error_of([&] { default_value(plain); }), 438);
  EXPECT_TRUE(is_numeric(five));
  EXPECT_FALSE(is_numeric(plain));
}

TEST(Convert, ChangeTypeUsesTheSameRules) {
  struct Case {
    Variant in;
    VarType to;
    Variant expect;
    int error = 0;
  };
  Variant a = arr();
  const Case cases[] = {
      {Variant("12"), VarType::Integer, I(12)},
      {Variant(2.5), VarType::Long, L(2)},
      {Variant("0.5"), VarType::Single, Variant(0.5f)},
      {Variant(true), VarType::Double, Variant(-1.0)},
      {Variant("1.25"), VarType::Currency, Cy(12500)},
      {Variant("1/2/2003"), VarType::Date, Dt(37623)},
      {Variant(1.5), VarType::String, Variant("1.5")},
      {Variant("true"), VarType::Boolean, Variant(true)},
      {Variant(7), VarType::Byte, B(7)},
      {Variant(7), VarType::Empty, Variant()},
      {Variant::null(), VarType::Null, Variant::null()},
      {Variant(7), VarType::Null, {}, 13},
      {Variant::null(), VarType::String, {}, 94},
      {Variant(7), VarType::Variant, Variant(7)},
      {Variant::nothing(), VarType::Object, Variant::nothing()},
      {Variant(7), VarType::Object, {}, 13},
      {a, VarType(VarType::Array | VarType::Variant), a},
      {a, VarType::String, {}, 13},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "to " << int(c.to) << " from vartype " << c.in.vartype());
    if (c.error) {
      EXPECT_EQ(error_of([&] { change_type(c.in, c.to); }), c.error);
    } else {
      EXPECT_TRUE(same(change_type(c.in, c.to), c.expect));
    }
  }
}

TEST(Convert, IsNumericAndIsDate) {
  struct Case {
    Variant v;
    bool numeric;
    bool date;
  };
  const Case cases[] = {
      {Variant("12"), true, false},
      {Variant(" 12 "), true, false},
      {Variant("-1.5e3"), true, false},
      {Variant("1,000"), true, false},
      {Variant("&HFF"), true, false},
      {Variant("$5"), true, false},
      {Variant("abc"), false, false},
      {Variant(""), false, false},
      {Variant("."), false, false},
      {Variant("1e400"), false, false},
      {Variant("1/2/2003"), false, true},
      {Variant("2003-01-02"), false, true},
      {Variant("10:30 PM"), false, true},
      {Variant("2/30/2003"), false, false},
      {Variant(), true, false},
      {Variant::null(), false, false},
      {Variant(true), true, false},
      {Variant(3.5), true, false},
      {Variant::currency(1), true, false},
      {Dt(37623), false, true},
      {arr(), false, false},
      {Variant::nothing(), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "vartype " << c.v.vartype() << " "
                                    << (c.v.is_string() ? c.v.raw_string() : std::string()));
    EXPECT_EQ(is_numeric(c.v), c.numeric);
    EXPECT_EQ(is_date(c.v), c.date);
  }
}

TEST(Convert, TypeNames) {
  struct Case {
    Variant v;
    const char* name;
  };
  Array longs(VarType::Long, {{0, 2}});
  const Case cases[] = {
      {Variant(), "Empty"},
      {Variant::null(), "Null"},
      {I(1), "Integer"},
      {L(1), "Long"},
      {Variant(1.0f), "Single"},
      {Variant(1.0), "Double"},
      {Cy(1), "Currency"},
      {Dt(1), "Date"},
      {Variant("s"), "String"},
      {Variant(true), "Boolean"},
      {B(1), "Byte"},
      {Variant::error(5), "Error"},
      {Variant::nothing(), "Nothing"},
      {Variant(make_ref<vbtest::Holder>(Variant())), "Holder"},
      {arr(), "Variant()"},
      {Variant::byte_array(std::vector<uint8_t>{1}), "Byte()"},
      {Variant(make_ref<Array>(longs)), "Long()"},
  };
  for (const auto& c : cases) EXPECT_EQ(type_name(c.v), c.name);
}

TEST(Convert, ErrorsCarryTheStandardDescriptions) {
  struct Case {
    Conv fn;
    Variant in;
    int number;
    const char* description;
  };
  const Case cases[] = {
      {cint, Variant(40000.0), 6, "Overflow"},
      {cdbl, Variant("x"), 13, "Type mismatch"},
      {cstr, Variant::null(), 94, "Invalid use of Null"},
      {cstr, Variant::nothing(), 91, "Object variable not set"},
  };
  for (const auto& c : cases) {
    try {
      c.fn(c.in);
      ADD_FAILURE() << "no error for " << c.description;
    } catch (const VBError& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.description(), c.description);
    }
  }
  EXPECT_EQ(error_description(12345), "Unknown runtime error");
}
