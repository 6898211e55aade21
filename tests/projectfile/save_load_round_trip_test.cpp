// What Save writes, Load reads: random settings (names and values) read back as written
// or as the file's rules make them; what no file can hold fails the save and leaves the
// old file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "project_file_fixture.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using testing::ProjectFileFixture;

class SaveLoadRoundTripTest : public ProjectFileFixture {
 protected:
  void use_charset(const std::string& charset) {
    user_value(general(), "XMLEncodeCharSet", platform::RegValue::make_text(charset));
  }
  static void add_text(AGP& p, const std::string& name, const std::string& value) {
    AGProperties& store = *p.Properties();
    ASSERT_TRUE(store.Add(name)) << name;
    store.set_value_at(*store.index_of(name), vb::Variant(value));
  }
};

// A piece of a value and what reads back for it.
struct Piece {
  const char* text;
  const char* read_back;
};

// Texts that stand for themselves, and those that no XML file can hold, which are written
// as "?" (a byte that is no UTF-8, a control, U+FFFE, U+FFFF, a surrogate's three bytes).
constexpr Piece kPieces[] = {
    {"a", "a"}, {"Z9", "Z9"}, {" ", " "}, {"<", "<"}, {">", ">"}, {"&", "&"}, {"\"", "\""}, {"'", "'"},
    {"\r\n", "\r\n"}, {"\t", "\t"}, {"\n", "\n"}, {"|", "|"}, {"&amp;", "&amp;"}, {"]]>", "]]>"},
    {"\xC3\xA9", "\xC3\xA9"}, {"\xE2\x82\xAC", "\xE2\x82\xAC"}, {"\xCE\xA9", "\xCE\xA9"},
    {"\xE4\xB8\xAD", "\xE4\xB8\xAD"}, {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    {"\x01", "?"}, {"\x1F", "?"}, {"\xFF", "?"}, {"\xC3", "?"}, {"\xEF\xBF\xBE", "?"}, {"\xEF\xBF\xBF", "?"},
    {"\xED\xA0\x80", "???"},
};

// Name characters; the last ones are outside ASCII (and, but for "é", outside Latin-1).
constexpr const char* kNameStart[] = {"a", "Q", "_", "\xC3\xA9", "\xCE\xA9", "\xE4\xB8\xAD"};
constexpr const char* kNameRest[] = {"a", "Q", "_", "0", "9", "-", ".", "\xC3\xA9", "\xCE\xA9", "\xE4\xB8\xAD"};

TEST_F(SaveLoadRoundTripTest, RandomSettingsReadBackAsWritten) {
  const struct {
    const char* charset;
    size_t name_chars;  // how many of the name characters above may be used
  } modes[] = {{"utf-8", std::size(kNameRest)}, {"windows-1252", 8}, {"iso-8859-1", 8}};
  std::mt19937 random(20261210);
  auto pick = [&](size_t n) { return size_t(random() % n); };
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.charset);
    use_charset(mode.charset);
    std::vector<std::pair<std::string, std::string>> expected;
    auto p = project_with_database();
    // Values the reader would repair (an empty Ext or DefaultPage) are not part of this.
    p->set_setting_value(ProjectSetting::Ext, vb::Variant("php"));
    p->set_setting_value(ProjectSetting::DefaultPage, vb::Variant("index.php"));
    for (int i = 0; i < 150; ++i) {
      std::string name = kNameStart[pick(std::min<size_t>(std::size(kNameStart), mode.name_chars - 4))];
      name += "k" + std::to_string(i);  // unique, also without regard to letter case
      for (size_t n = pick(6); n > 0; --n) name += kNameRest[pick(mode.name_chars)];
      std::string value, read_back;
      for (size_t n = pick(12); n > 0; --n) {
        const Piece& piece = kPieces[pick(std::size(kPieces))];
        value += piece.text;
        read_back += piece.read_back;
      }
      add_text(*p, name, value);
      expected.emplace_back(name, read_back);
    }
    const std::string file = path("random.tvp");
    Save(*p, file);
    ASSERT_EQ(ctx().ProjErr, "");
    auto q = open(file);
    ASSERT_EQ(ctx().ProjErr, "");
    for (const auto& [name, value] : expected) {
      const vb::Variant* read = q->Properties()->find_value(name);
      ASSERT_TRUE(read) << name;
      EXPECT_EQ(vb::to_string(*read), value) << name;
    }
    const std::string again = path("again.tvp");
    Save(*q, again);
    EXPECT_EQ(read(again), read(file));
  }
}

TEST_F(SaveLoadRoundTripTest, NamesNoFileCanHoldFailTheSaveAndKeepTheFile) {
  const struct {
    const char* charset;
    const char* name;
    std::string error;
  } cases[] = {
      {"utf-8", "my key", "The setting \"my key\" cannot be saved: its name is not an XML name."},
      {"utf-8", "1abc", "The setting \"1abc\" cannot be saved: its name is not an XML name."},
      {"utf-8", "-x", "The setting \"-x\" cannot be saved: its name is not an XML name."},
      {"utf-8", "a:b", "The setting \"a:b\" cannot be saved: its name is not an XML name."},
      {"utf-8", "xmlns", "The setting \"xmlns\" cannot be saved: its name is not an XML name."},
      {"utf-8", "a<b", "The setting \"a<b\" cannot be saved: its name is not an XML name."},
      {"utf-8", "bad\xFF", "The setting \"bad\xFF\" cannot be saved: its name is not an XML name."},
      {"iso-8859-1", "name\xC4\x81",
       "The name \"name\xC4\x81\" cannot be written in the character set \"iso-8859-1\"."},
      {"windows-1252", "\xE4\xB8\xAD", "The name \"\xE4\xB8\xAD\" cannot be written in the character set \"windows-1252\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_charset(c.charset);
    const std::string file = path("kept.tvp");
    auto p = project_with_database();
    Save(*p, file);
    ASSERT_EQ(ctx().ProjErr, "");
    const std::string before = read(file);
    add_text(*p, c.name, "v");
    EXPECT_THROW(Save(*p, file), vb::VBError);
    EXPECT_EQ(ctx().ProjErr, "Tolvex: Save Project File failed! " + c.error);
    EXPECT_EQ(read(file), before);
  }
}

// The file is written as it is made: a name refused after megabytes of it went to disk
// still leaves the old file, no temporary file and no new backup.
TEST_F(SaveLoadRoundTripTest, ARefusalLateInALargeFileKeepsTheFile) {
  const struct {
    const char* charset;
    const char* name;
    std::string error;
  } cases[] = {
      {"utf-8", "my key", "The setting \"my key\" cannot be saved: its name is not an XML name."},
      {"iso-8859-1", "name\xC4\x81",
       "The name \"name\xC4\x81\" cannot be written in the character set \"iso-8859-1\"."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    use_charset(c.charset);
    const std::string file = path(std::string("late-") + c.charset + ".tvp");
    auto p = project_with_database();
    Save(*p, file);
    ASSERT_EQ(ctx().ProjErr, "");
    const std::string before = read(file);
    add_text(*p, "Big", std::string(3u << 20, 'x'));
    ASSERT_TRUE(p->DB()->Properties()->Add(c.name));
    EXPECT_THROW(Save(*p, file), vb::VBError);
    EXPECT_EQ(ctx().ProjErr, "Tolvex: Save Project File failed! " + c.error);
    EXPECT_EQ(read(file), before);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(ProjectBackupFolder(ctx().BackupFolder, file)) / BackupFileName(file, 1)));
    for (const auto& entry : std::filesystem::directory_iterator(docs_))
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

TEST_F(SaveLoadRoundTripTest, ValuesOverTenMegabytesReadBack) {
  auto p = project_with_database();
  std::string big(11u << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 4096) big.replace(i, 2, "\xC3\xA9");
  add_text(*p, "Big", big);
  const std::string file = path("big.tvp");
  Save(*p, file);
  ASSERT_EQ(ctx().ProjErr, "");
  auto q = open(file);
  ASSERT_EQ(ctx().ProjErr, "");
  const vb::Variant* read_back = q->Properties()->find_value("Big");
  ASSERT_TRUE(read_back);
  EXPECT_TRUE(vb::to_string(*read_back) == big);
}

}  // namespace
}  // namespace tolvex
