// The shared procedures of module `AGPVars`.
#include "foundation/agp_vars.h"

#include <gtest/gtest.h>

#include "foundation/context.h"
#include "platform/codepage.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using vb::Variant;

TEST(AdoTypeClass, ClassesByCode) {
  const std::pair<Variant, int16_t> cases[] = {
      {Variant(int32_t(20)), 1},  {Variant(int16_t(3)), 1},   {Variant(2.0), 1},         {Variant(int32_t(16)), 1},
      {Variant(int32_t(4)), 1},   {Variant(int32_t(5)), 1},   {Variant(int32_t(131)), 1}, {Variant(int32_t(6)), 1},
      {Variant(int32_t(7)), 2},   {Variant(int32_t(133)), 2}, {Variant(int32_t(134)), 2}, {Variant(int32_t(135)), 2},
      {Variant(int32_t(201)), 3}, {Variant(int32_t(203)), 3}, {Variant(int32_t(129)), 3}, {Variant(int32_t(130)), 3},
      {Variant(int32_t(200)), 3}, {Variant("202"), 3},        {Variant(int32_t(11)), 4},  {Variant(int32_t(72)), 5},
      {Variant(int32_t(14)), 6},  {Variant(int32_t(17)), 6},  {Variant(int32_t(21)), 6},  {Variant(int32_t(128)), 6},
      {Variant(int32_t(205)), 6}, {Variant(3.5), 6},          {Variant("abc"), 6},        {Variant::null(), 6},
  };
  for (const auto& [code, cls] : cases) EXPECT_EQ(AGPVars::AdoTypeClass(code), cls) << vb::type_name(code);
}

TEST(MakeIdentifier, KeepsSafeCharactersAndHexesTheRest) {
  platform::set_ansi_code_page(1252);
  struct Case {
    const char* name;
    const char* prefix;
    const char* expected;
  };
  const Case cases[] = {
      {"Order Date", "", "Order_Date"},
      {"2nd", "", "z2nd"},
      {"_id", "", "z_id"},
      {"a-b", "", "a2Db"},
      {"#x", "", "z23x"},
      {"", "", ""},
      {"", "x_", "x_"},
      {"Order Date", "x_", "x_Order_Date"},
      {"café", "", "cafE9"},        // windows-1252 code of é
      {"Größe", "", "GrF6DFe"},
      {" a", "", "z_a"},
      {"a\tb", "", "a9b"},          // hex without leading zeros
      {"€", "", "z80"},             // the euro sign is 0x80 in windows-1252
      // Characters the code page lacks keep their UTF-16 code units, "?" itself stays 3F:
      // names that differ only there stay apart.
      {"日", "", "U65E5"},
      {"u_日本", "", "u_U65E5U672C"},
      {"u_中国", "", "u_U4E2DU56FD"},
      {"U_??", "", "U_3F3F"},
      {"tâblé_日本", "", "tE2blE9_U65E5U672C"},
      {"1日", "", "z1U65E5"},
      {"\xF0\x9F\x98\x80", "", "UD83DUDE00"},  // outside the 16-bit range: both halves
      {"ὠ0", "", "U1F600"},                 // four digits each, so no clash with the one above
  };
  for (const Case& c : cases) EXPECT_EQ(AGPVars::MakeIdentifier(c.name, c.prefix), c.expected) << c.name;
  platform::set_ansi_code_page(0);
}

TEST(MakeIdentifier, DoubleByteCharactersGiveTheirSixteenBitCode) {
  platform::set_ansi_code_page(932);
  EXPECT_EQ(AGPVars::MakeIdentifier("日x", ""), "z93FAx");
  platform::set_ansi_code_page(0);
}

TEST(UnquoteString, StripsAndQuotesByLevel) {
  struct Case {
    const char* in;
    int32_t level;
    const char* expected;
  };
  const Case cases[] = {
      {"  \"'a'\"  ", 0, "a"},
      {"'x\"", 0, "'x\""},
      {"\"", 0, "\""},
      {"say \"hi\"", 1, "\"say \"\"hi\"\"\""},
      {" 'quoted' ", 1, "\"quoted\""},
      {"ab", 2, "\"\"ab\"\""},
      {"ab", -1, "ab"},
      // line breaks cannot stand inside a literal
      {"a\r\nb", 1, "\"a\"&vbCrLf&\"b\""},
      {"a\nb", 1, "\"a\"&vbLf&\"b\""},
      {"a\rb", 1, "\"a\"&vbCr&\"b\""},
  };
  for (const Case& c : cases) EXPECT_EQ(AGPVars::UnquoteString(c.in, c.level), c.expected) << c.in;
}

TEST(ToScriptStringExpr, BuildsOneExpressionPerLine) {
  struct Case {
    const char* text;
    const char* join;
    const char* expected;
  };
  const Case cases[] = {
      {"", "", ""},
      {"one line", "", "\"one line\""},
      {"a\r\nb", "", "\"a\"&vbCrLf&\"b\""},
      {"a\r\nb", "zvIndentWrk", "\"a\"&vbCrLf&zvIndentWrk&\"b\""},
      {"a\r\n", "", "\"a\"&vbCrLf&\"\""},
      {"say \"x\"", "", "\"say \"\"x\"\"\""},
      {"\r\n", "", "\"\"&vbCrLf&\"\""},
      // a lone LF or CR inside a line stays outside the quotes
      {"a\nb", "", "\"a\"&vbLf&\"b\""},
      {"a\rb\r\nc", "j", "\"a\"&vbCr&\"b\"&vbCrLf&j&\"c\""},
      {"\r\r\n", "", "\"\"&vbCr&\"\"&vbCrLf&\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(AGPVars::ToScriptStringExpr(c.text, c.join), c.expected) << c.text;
}

TEST(DbKindFromName, KindsByName) {
  const std::pair<const char*, int16_t> cases[] = {
      {"MS Jet", 1},          {"ACCESS", 1},
      {"access", 5},          {"ms jet", 5},
      {"Microsoft SQL Server", 2}, {"microsoft sql", 2},
      {"MySQL", 3},           {"mysql 8.0", 3},
      {"Oracle", 4},          {"ORA", 4},
      {"PostgreSQL", 5},      {"", 5},
      {"Microsoft Access", 5},
  };
  for (auto [name, kind] : cases) EXPECT_EQ(AGPVars::DbKindFromName(name), kind) << name;
}

TEST(IdentQuoteChar, ByMethodSettingAndDatabaseType) {
  ContextScope scope;
  struct Case {
    const char* setting;
    const char* db_type;
    const char* method;
    const char* expected;
  };
  const Case cases[] = {
      {"Backquote", "MySQL", "JDBC", "NA"},
      {"Backquote", "ORACLE", "", "`"},
      {"Double Quote", "MySQL", "Native", "\""},
      {"None", "MySQL", "", ""},
      {"", "mysql", "", "`"},
      {"backquote", "Oracle", "", ""},  // settings compare exactly
      {"Other", "MYSQL 5", "jdbc", "`"},
  };
  for (const Case& c : cases) {
    scope->SqlQuoteSetting = c.setting;
    EXPECT_EQ(AGPVars::IdentQuoteChar(c.db_type, c.method), c.expected) << c.setting << "/" << c.db_type;
  }
}

}  // namespace
}  // namespace tolvex
