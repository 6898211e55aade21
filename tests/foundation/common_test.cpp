// The shared procedures of module `common`.
#include "foundation/common.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "foundation/context.h"
#include "platform/codepage.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using vb::Variant;
using vb::VarType;

struct ConvertCase {
  const char* label;
  Variant value;
  const char* type_name;
  VarType expected_type;
  Variant expected;  // compared when expected_type is not Empty
};

TEST(ConvertByType, ConvertsByTypeNameAndFailsToEmpty) {
  const ConvertCase cases[] = {
      {"bool text 1", Variant("1"), "Boolean", VarType::Boolean, Variant(true)},
      {"bool text -1", Variant("-1"), "boolean", VarType::Boolean, Variant(true)},
      {"bool text 0", Variant("0"), "BOOLEAN", VarType::Boolean, Variant(false)},
      {"bool word", Variant("tRuE"), "Boolean", VarType::Boolean, Variant(true)},
      {"bool other word", Variant("yes"), "Boolean", VarType::Empty, Variant()},
      {"bool number", Variant(2.5), "Boolean", VarType::Boolean, Variant(true)},
      {"bool empty", Variant(), "Boolean", VarType::Boolean, Variant(false)},
      {"bool null", Variant::null(), "Boolean", VarType::Empty, Variant()},
      {"int overflow", Variant("40000"), "Integer", VarType::Empty, Variant()},
      {"int half even", Variant("2.5"), "Integer", VarType::Integer, Variant(int16_t(2))},
      {"int empty", Variant(), "Integer", VarType::Integer, Variant(int16_t(0))},
      {"int text", Variant("abc"), "Integer", VarType::Empty, Variant()},
      {"long 3.5", Variant(3.5), "Long", VarType::Long, Variant(int32_t(4))},
      {"long 2.5", Variant(2.5), "long", VarType::Long, Variant(int32_t(2))},
      {"long text", Variant(" 70000 "), "Long", VarType::Long, Variant(int32_t(70000))},
      {"single", Variant("1.5"), "Single", VarType::Single, Variant(1.5f)},
      {"double", Variant("0.25"), "Double", VarType::Double, Variant(0.25)},
      {"double null", Variant::null(), "Double", VarType::Empty, Variant()},
      {"string unquoted", Variant("  ' inner '  "), "String", VarType::String, Variant("inner")},
      {"string from number", Variant(int32_t(12)), "String", VarType::String, Variant("12")},
      {"string empty", Variant(), "String", VarType::String, Variant("")},
      {"string null", Variant::null(), "String", VarType::Empty, Variant()},
      {"variant unchanged", Variant(" 'x' "), "Variant", VarType::String, Variant(" 'x' ")},
      {"unknown unchanged", Variant(int16_t(7)), "Currencyish", VarType::Integer, Variant(int16_t(7))},
      {"empty name unchanged", Variant(1.25), "", VarType::Double, Variant(1.25)},
  };
  for (const ConvertCase& c : cases) {
    Variant got = common::ConvertByType(c.value, Variant(c.type_name));
    ASSERT_EQ(got.type(), c.expected_type) << c.label;
    if (c.expected_type != VarType::Empty) {
      EXPECT_EQ(vb::compare(got, c.expected), std::optional<int>(0)) << c.label;
    }
  }
}

TEST(ConvertByType, RawKeepsTextsAsTheyAre) {
  EXPECT_EQ(vb::to_string(common::ConvertByTypeRaw(Variant("  \"a\"  "), Variant("String"))), "  \"a\"  ");
  EXPECT_EQ(common::ConvertByTypeRaw(Variant("2.5"), Variant("Integer")).raw_integer(), 2);
  EXPECT_TRUE(common::ConvertByTypeRaw(Variant("x"), Variant("Long")).is_empty());
  // A Null type name matches no type: the value is returned unchanged.
  EXPECT_EQ(vb::to_string(common::ConvertByType(Variant(" 'a' "), Variant::null())), " 'a' ");
}

TEST(Unquote, StripsMatchingPairsOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"  \"'word'\"  ", "word"},  // nested pairs
      {"\" ' x ' \"", "x"},        // trimmed after each pair
      {"\"mixed'", "\"mixed'"},    // different quotes: trimmed only
      {" ' ", "'"},                // a single quote character
      {"''", ""},
      {"\tx\t", "\tx\t"},          // only blanks are trimmed
  };
  for (auto [in, out] : cases) EXPECT_EQ(common::Unquote(in), out) << in;
}

TEST(AddBackslash, AppendsSeparatorUnlessPresent) {
  EXPECT_EQ(common::AddBackslash(" /a/b "), "/a/b/");
  EXPECT_EQ(common::AddBackslash("/a/b/"), "/a/b/");
  EXPECT_EQ(common::AddBackslash("c:\\x\\"), "c:\\x\\");
  EXPECT_EQ(common::AddBackslash("   "), "");
}

TEST(MakeCaption, SplitsWordsAndCapitalises) {
  const std::pair<const char*, const char*> cases[] = {
      {"order_date", "Order Date"},   {"CustomerID", "Customer ID"}, {"ORDER_DATE", "ORDER DATE"},
      {"orderDate2", "Order Date 2"}, {"_id", " Id"},                {"name-", "Name "},
      {"a__b", "A B"},                {"  x  ", "X"},                {"", ""},
      {"élanVital", "Élan Vital"},    {"ÆbleÖl", "Æble Öl"},
  };
  for (auto [in, out] : cases) EXPECT_EQ(common::MakeCaption(in), out) << in;
}

TEST(CompactName, RemovesSlashesAndBlanks) {
  EXPECT_EQ(common::CompactName(" To l/vex\t"), "Tolvex\t");
}

TEST(Percent, ClampsAndRoundsHalfToEven) {
  struct Case {
    int32_t part, whole;
    int16_t expected;
  };
  const Case cases[] = {{5, 0, 100}, {0, 0, 0},  {1, 8, 12},   {3, 8, 38},  {9, 4, 100},
                        {1, 3, 33},  {2, 3, 67}, {-1, 2, -50}, {7, 7, 100}, {-2000000, 1, -32768}};
  for (const Case& c : cases) EXPECT_EQ(common::Percent(c.part, c.whole), c.expected) << c.part << "/" << c.whole;
}

TEST(PadZero, PadsAndLeavesLongerValuesAlone) {
  EXPECT_EQ(common::PadZero(7, 2), "07");
  EXPECT_EQ(common::PadZero(2024, 4), "2024");
  EXPECT_EQ(common::PadZero(12345, 4), "12345");
  EXPECT_EQ(common::PadZero("", 3), "000");
}

TEST(FormatTimestamp, DatesAsYearMonthDayTime) {
  double d = *vb::make_date(2024, 1, 5) + vb::make_time(9, 3, 7);
  EXPECT_EQ(common::FormatTimestamp(Variant::date(d)), "2024/01/05 09:03:07");
  EXPECT_EQ(common::FormatTimestamp(Variant("2024-12-31 23:59:58")), "2024/12/31 23:59:58");
  EXPECT_EQ(common::FormatTimestamp(Variant("not a date")), "not a date");
  EXPECT_EQ(common::FormatTimestamp(Variant(int32_t(42))), "42");
  EXPECT_EQ(common::FormatTimestamp(Variant::null()), "");
}

// The exchange sort as the list procedure is defined, to compare against.
std::string exchange_sort(const std::string& list) {
  if (common::trim_blanks(list).empty()) return {};
  std::vector<std::string> items;
  size_t pos = 0;
  for (;;) {
    size_t at = list.find("\r\n", pos);
    items.push_back(list.substr(pos, at == std::string::npos ? std::string::npos : at - pos));
    if (at == std::string::npos) break;
    pos = at + 2;
  }
  for (size_t i = items.size() - 1; i-- > 0;)
    for (size_t j = 0; j <= i; ++j)
      if (common::trim_blanks(items[j]) > common::trim_blanks(items[j + 1])) {
        std::string a = common::trim_blanks(items[j]), b = common::trim_blanks(items[j + 1]);
        items[j] = b;
        items[j + 1] = a;
      }
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "\r\n" : "") + items[i];
  return out;
}

TEST(SortLines, SortsByTrimmedTextTrimmingOnlyMovedLines) {
  const std::pair<const char*, const char*> cases[] = {
      {"b\r\na\r\nc", "a\r\nb\r\nc"},
      {"b\r\na\r\n", "\r\na\r\nb"},  // a trailing CR LF gives an empty line, sorted first
      {" a \r\n b ", " a \r\n b "},  // in order: nothing moves, blanks stay
      {" b \r\n a ", "a\r\nb"},      // moved lines are written back trimmed
      {"a\r\nb\r\na", "a\r\na\r\nb"},
      {"   ", ""},
      {"x", "x"},
      {"B\r\na", "B\r\na"},  // exact character order: capitals first
  };
  for (auto [in, out] : cases) EXPECT_EQ(common::SortLines(std::string_view(in)), out) << in;
}

TEST(SortLines, MatchesTheExchangeSortOnRandomLists) {
  std::mt19937 rng(12345);
  const char* words[] = {"a", " a", "a ", "b", " b ", "c", "", " ", "ab"};
  for (int round = 0; round < 300; ++round) {
    std::string list;
    int n = 1 + int(rng() % 7);
    for (int i = 0; i < n; ++i) list += (i ? "\r\n" : "") + std::string(words[rng() % 9]);
    if (common::trim_blanks(list).empty()) continue;
    ASSERT_EQ(common::SortLines(std::string_view(list)), exchange_sort(list)) << list;
  }
}

TEST(CodePageToCharset, KnownAndUnknownPages) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(int32_t(1252)), "iso-8859-1"}, {Variant(int32_t(850)), "iso-8859-1"},
      {Variant(int32_t(437)), "iso-8859-1"},  {Variant(int32_t(65001)), "utf-8"},
      {Variant(int32_t(932)), "shift_jis"},   {Variant(int32_t(1250)), "iso-8859-2"},
      {Variant(int32_t(28605)), "iso-8859-15"}, {Variant(std::string(" 1251\0\0", 7)), "iso-8859-5"},
      {Variant(int32_t(57002)), ""},          {Variant("abc"), ""},
      {Variant::null(), ""},
  };
  for (const auto& [page, charset] : cases) EXPECT_EQ(common::CodePageToCharset(page), charset);
}

TEST(GetSpecialFolderPath, DocumentsFolderOnly) {
  const char* old = std::getenv("XDG_DOCUMENTS_DIR");
  std::string saved = old ? old : "";
  ::setenv("XDG_DOCUMENTS_DIR", "/tmp/tolvex docs ", 1);
  EXPECT_EQ(common::GetSpecialFolderPath(0, 5), "/tmp/tolvex docs");
  EXPECT_EQ(common::GetSpecialFolderPath(0, 26), "");
  if (old) {
    ::setenv("XDG_DOCUMENTS_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DOCUMENTS_DIR");
  }
}

TEST(InitSystemCharset, FollowsTheOemCodePage) {
  ContextScope scope;
  platform::set_oem_code_page(866);
  common::InitSystemCharset();
  EXPECT_EQ(scope->SystemCodePage, "866");
  EXPECT_EQ(scope->SystemCharset, "iso-8859-5");
  platform::set_oem_code_page(57002);
  common::InitSystemCharset();
  EXPECT_EQ(scope->SystemCharset, "");
  platform::set_oem_code_page(0);
}

}  // namespace
}  // namespace tolvex
