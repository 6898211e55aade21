#include <gtest/gtest.h>

#include "vb/convert.h"
#include "vb/strings.h"
#include "vb_test_util.h"

using namespace tolvex::vb;
using vbtest::error_of;

TEST(Compare, VariantsAcrossSubtypes) {
  struct Case {
    Variant a, b;
    std::optional<int> binary;  // result in binary mode
    std::optional<int> text;    // result in text mode
  };
  Variant arr = Variant::array({Variant(1)});
  const Case cases[] = {
      // numbers of any subtype compare as numbers
      {Variant(int16_t(2)), Variant(2.0), 0, 0},
      {Variant(int32_t(3)), Variant(uint8_t(2)), 1, 1},
      {Variant(1.5f), Variant(1.5), 0, 0},
      {Variant(0.1f), Variant(0.1), 0, 0},  // a Single beside a Double compares at Single precision
      {Variant::currency(15000), Variant(1.5), 0, 0},
      {Variant::currency(20000), Variant(int32_t(2)), 0, 0},
      {Variant::currency(1), Variant(int32_t(0)), 1, 1},
      {Variant(true), Variant(int16_t(-1)), 0, 0},
      {Variant(true), Variant(false), -1, -1},  // True is -1
      {Variant::date(37623), Variant(37623.0), 0, 0},
      {Variant::date(1), Variant(int32_t(2)), -1, -1},
      // a number is less than any string, even a numeric one
      {Variant(int32_t(1)), Variant("1"), -1, -1},
      {Variant(int32_t(100)), Variant(""), -1, -1},
      {Variant("0"), Variant(5.0), 1, 1},
      {Variant::date(0), Variant("a"), -1, -1},
      // ... but a Boolean is its text against a string, letter case counting in both modes
      {Variant(true), Variant("True"), 0, 0},
      {Variant(true), Variant("true"), -1, -1},
      {Variant(false), Variant("False"), 0, 0},
      {Variant("Z"), Variant(false), 1, 1},
      // strings: binary by bytes (code points), text without letter case
      {Variant("abc"), Variant("abd"), -1, -1},
      {Variant("abc"), Variant("ABC"), 1, 0},
      {Variant("a"), Variant("B"), 1, -1},
      {Variant("ab"), Variant("a"), 1, 1},
      {Variant("_"), Variant("a"), -1, -1},
      {Variant("\xC3\xA9t\xC3\xA9"), Variant("\xC3\x89T\xC3\x89"), 1, 0},  // été / ÉTÉ
      {Variant("\xC3\xA9"), Variant("f"), 1, 1},  // é sorts after ASCII
      {Variant("\xD0\xB4\xD0\xB0"), Variant("\xD0\x94\xD0\x90"), 1, 0},  // да / ДА
      // Empty is 0 against numbers and "" against strings
      {Variant(), Variant(int32_t(0)), 0, 0},
      {Variant(), Variant(false), 0, 0},
      {Variant(), Variant(-1.0), 1, 1},
      {Variant(), Variant(""), 0, 0},
      {Variant(), Variant("a"), -1, -1},
      {Variant("a"), Variant(), 1, 1},
      {Variant(), Variant(), 0, 0},
      // Null gives no result
      {Variant::null(), Variant(int32_t(1)), std::nullopt, std::nullopt},
      {Variant("x"), Variant::null(), std::nullopt, std::nullopt},
      {Variant::null(), Variant::null(), std::nullopt, std::nullopt},
      {Variant(), Variant::null(), std::nullopt, std::nullopt},
      // objects compare by their default value
      {Variant(make_ref<vbtest::Holder>(Variant("abc"))), Variant("ABC"), 1, 0},
      {Variant(make_ref<vbtest::Holder>(Variant(int32_t(4)))), Variant(4.0), 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "vartypes " << c.a.vartype() << " / " << c.b.vartype());
    EXPECT_EQ(compare(c.a, c.b, CompareMode::Binary), c.binary);
    EXPECT_EQ(compare(c.a, c.b, CompareMode::Text), c.text);
    // The comparison is antisymmetric.
    auto rev = compare(c.b, c.a, CompareMode::Binary);
    if (c.binary) {
      EXPECT_EQ(rev, -*c.binary);
    }
  }
  EXPECT_EQ(error_of([&] { compare(arr, Variant(int32_t(1))); }), 13);
  EXPECT_EQ(error_of([&] { compare(Variant::error(5), Variant(int32_t(1))); }), 13);
  EXPECT_EQ(error_of([&] { compare(Variant::nothing(), Variant(int32_t(1))); }), 91);
}

TEST(Compare, TextModeFoldsLetterCaseOnly) {
  struct Case {
    const char* a;
    const char* b;
    int binary, text;
  };
  const Case cases[] = {
      {"", "", 0, 0},
      {"Hello", "hello", -1, 0},
      {"hello", "help", -1, -1},
      {"Straße", "STRASSE", 1, 1},  // no simple mapping makes ß two letters
      {"ÀÉÎÕÜ", "àéîõü", -1, 0},
      {"ΣΊΣΥΦΟΣ", "σίσυφοσ", -1, 0},
      {"Ǆ", "ǆ", -1, 0},
      {"a\xFF", "A\xFF", 1, 0},  // invalid bytes compare as themselves
      {"\xF0\x9F\x98\x80", "\xEF\xBF\xBF", 1, 1},  // code point order beyond the BMP
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(compare_text(c.a, c.b, CompareMode::Binary), c.binary);
    EXPECT_EQ(compare_text(c.a, c.b, CompareMode::Text), c.text);
  }
}

TEST(UnicodeCase, SimpleMappingsOfLatinGreekCyrillic) {
  struct Case {
    const char* mixed;
    const char* lower;
    const char* upper;
  };
  const Case cases[] = {
      {"Hello, World 1!", "hello, world 1!", "HELLO, WORLD 1!"},
      {"Ça Va ÿ", "ça va ÿ", "ÇA VA Ÿ"},
      {"Łódź Ŋ", "łódź ŋ", "ŁÓDŹ Ŋ"},
      {"Ǆǅǆ", "ǆǆǆ", "ǄǄǄ"},
      {"ƀƁɓ", "ƀɓɓ", "ɃƁƁ"},
      {"Ωμέγα ς", "ωμέγα ς", "ΩΜΈΓΑ Σ"},
      {"Привет Ёж", "привет ёж", "ПРИВЕТ ЁЖ"},
      {"Ґ ї Ә", "ґ ї ә", "Ґ Ї Ә"},
      {"ß µ", "ß µ", "ß Μ"},  // ß has no one-letter capital; µ capitalises to Greek Mu
      {"İı", "iı", "İI"},
      {"Ẁ ẞ", "ẁ ß", "Ẁ ẞ"},
      {"日本 \xFF", "日本 \xFF", "日本 \xFF"},  // unmapped text and invalid bytes stay as they are
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mixed);
    EXPECT_EQ(utf8_lower(c.mixed), c.lower);
    EXPECT_EQ(utf8_upper(c.mixed), c.upper);
  }
  EXPECT_EQ(unicode_lower(U'A'), U'a');
  EXPECT_EQ(unicode_upper(U'\u00E9'), U'\u00C9');
  EXPECT_EQ(unicode_upper(U'\u03C2'), U'\u03A3');  // final sigma
  EXPECT_EQ(unicode_lower(U'\u0410'), U'\u0430');
  EXPECT_EQ(unicode_upper(U'\U0001F600'), U'\U0001F600');
}
