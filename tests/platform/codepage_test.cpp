#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/temp_folder.h"

namespace tolvex::platform {
namespace {

using testing::ScopedEnv;

// Puts the ANSI code page back to its default after each test.
class CodePages : public ::testing::Test {
 protected:
  void TearDown() override {
    set_ansi_code_page(0);
    set_oem_code_page(0);
  }
};

TEST_F(CodePages, ConvertsBothWaysAndReplacesWhatThePageLacks) {
  struct Case {
    int code_page;
    std::string utf8;
    std::string bytes;
    std::string back;  // bytes read back as UTF-8
  };
  const Case cases[] = {
      {1252, "plain ASCII", "plain ASCII", "plain ASCII"},
      {1252, "Grüße €‚…", "Gr\xFC\xDF" "e \x80\x82\x85", "Grüße €‚…"},
      {1252, "日本 x", "?? x", "?? x"},
      {1252, "bad \xFF\xC3 utf8", "bad ?? utf8", "bad ?? utf8"},
      {1251, "Привет", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
      {437, "é░", "\x82\xB0", "é░"},
      {932, "日本a", "\x93\xFA\x96\x7B" "a", "日本a"},
      {65001, "ü", "ü", "ü"},
      // Plain ASCII in pages that write it otherwise, or with shift states.
      {37, "Az 1", "\xC1\xA9\x40\xF1", "Az 1"},
      {1200, "Az", std::string("A\0z\0", 4), "Az"},
      {1201, "Az", std::string("\0A\0z", 4), "Az"},
      {50220, "plain", "plain", "plain"},
      {50220, "a日b", "a\x1B$BF|\x1B(Bb", "a日b"},
      // Text with runs outside ASCII between ASCII ones, broken sequences at a run's edge.
      {1252, "a\xE2\x82z€\xC3", "a??z\x80?", "a??z€?"},
      {932, "x日y本\x80z", "x\x93\xFAy\x96\x7B?z", "x日y本?z"},
      {1252, std::string("tab\tnul\0del\x7F", 12), std::string("tab\tnul\0del\x7F", 12),
       std::string("tab\tnul\0del\x7F", 12)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    const std::string bytes = utf8_to_code_page(c.utf8, c.code_page);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(code_page_to_utf8(bytes, c.code_page), c.back);
  }
  // A byte that windows-1252 leaves undefined, and a cut double-byte character.
  EXPECT_EQ(code_page_to_utf8("a\x81z", 1252), "a\xEF\xBF\xBDz");
  EXPECT_EQ(code_page_to_utf8("a\x93", 932), "a\xEF\xBF\xBD");
  EXPECT_THROW(utf8_to_code_page("x", 12345), PlatformError);
}

TEST_F(CodePages, AnsiCodeOfOneCharacter) {
  struct Case {
    int code_page;
    char32_t c;
    uint32_t code;
  };
  const Case cases[] = {
      {1252, U'-', 0x2D}, {1252, U'#', 0x23}, {1252, U'é', 0xE9}, {1252, U'€', 0x80},
      {1252, U'日', 0x3F}, {1252, U'\u0100', 0x3F}, {932, U'日', 0x93FA}, {932, U'ｱ', 0xB1},
      {1251, U'Ж', 0xC6}, {1252, U'?', 0x3F}, {1200, U'?', 0x3F00}, {1200, U'日', 0xE565},
  };
  for (const auto& c : cases) {
    set_ansi_code_page(c.code_page);
    EXPECT_EQ(ansi_char_code(c.c), c.code) << c.code_page << " U+" << std::hex << uint32_t(c.c);
    // Only a character the code page lacks has no code of its own; "?" itself has one.
    const bool lacking = c.code == 0x3F && c.c != U'?';
    EXPECT_EQ(ansi_char_code_if_present(c.c).has_value(), !lacking) << c.code_page << " U+" << std::hex << uint32_t(c.c);
  }
}

TEST_F(CodePages, ConfiguredCodePages) {
  {
    ScopedEnv env("TOLVEX_ANSI_CODEPAGE", std::nullopt);
    set_ansi_code_page(0);
    EXPECT_EQ(ansi_code_page(), 1252);
  }
  {
    ScopedEnv env("TOLVEX_ANSI_CODEPAGE", "1250");
    set_ansi_code_page(0);
    EXPECT_EQ(ansi_code_page(), 1250);
    EXPECT_EQ(utf8_to_ansi("ł"), "\xB3");
    EXPECT_EQ(ansi_to_utf8("\xB3"), "ł");
  }
  {
    ScopedEnv env("TOLVEX_ANSI_CODEPAGE", "not a number");
    set_ansi_code_page(0);
    EXPECT_EQ(ansi_code_page(), 1252);
  }
  set_ansi_code_page(932);
  EXPECT_EQ(ansi_code_page(), 932);
  EXPECT_THROW(set_ansi_code_page(4242), PlatformError);
  EXPECT_EQ(ansi_code_page(), 932);

  ScopedEnv oem("TOLVEX_OEM_CODEPAGE", std::nullopt);
  EXPECT_EQ(oem_code_page(), 437);
  set_oem_code_page(850);
  EXPECT_EQ(oem_code_page(), 850);
}

TEST_F(CodePages, CharsetNames) {
  struct Case {
    int code_page;
    const char* name;
  };
  const Case cases[] = {{1252, "windows-1252"}, {437, "IBM437"}, {850, "IBM850"}, {65001, "UTF-8"},
                        {28591, "ISO-8859-1"},  {932, "CP932"},  {57002, ""},     {0, ""}};
  for (const auto& c : cases) EXPECT_EQ(code_page_charset_name(c.code_page), c.name) << c.code_page;
}

}  // namespace
}  // namespace tolvex::platform
