// Text files in UTF-8 or the ANSI code page.
#include "foundation/text_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "foundation/context.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/registry.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;
using platform::RegRoot;
using platform::RegValue;

class TextFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tolvex-text-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    scope->RegKeyGeneral = "Software\\Tolvex\\3.0\\Settings\\General";
    platform::set_ansi_code_page(1252);
  }
  void TearDown() override {
    platform::set_write_fault_hook({});
    platform::set_ansi_code_page(0);
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }

  void set_utf8_project(const char* value) {
    memory->tree(RegRoot::CurrentUser).set_value(scope->RegKeyGeneral, "UTF8Project", RegValue::make_text(value));
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  static std::string bytes_of(const std::string& p) { return platform::read_file(p); }
  static void put(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

  std::shared_ptr<platform::MemoryRegistry> memory = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry installed{memory};
  ContextScope scope;
  fs::path dir;
};

TEST_F(TextFilesTest, EncodingFollowsTheSettingAndTheCaller) {
  const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\r\n";  // "café € 日" CR LF
  const std::string ansi = "caf\xE9 \x80 ?\r\n";
  struct Case {
    const char* setting;  // nullptr: value absent
    bool ansi;
    std::string expected;
  };
  const Case cases[] = {
      {nullptr, false, ansi},
      {"False", false, ansi},
      {"True", true, ansi},
      {"True", false, text},  // UTF-8 without a byte-order mark
      {"1", false, text},
      {"maybe", false, ansi},
  };
  int n = 0;
  for (const Case& c : cases) {
    memory->tree(RegRoot::CurrentUser).delete_value(scope->RegKeyGeneral, "UTF8Project");
    if (c.setting) set_utf8_project(c.setting);
    std::string p = path("out" + std::to_string(n++) + ".php");
    ASSERT_TRUE(WriteTextFile(p, text, c.ansi).ok());
    EXPECT_EQ(bytes_of(p), c.expected) << (c.setting ? c.setting : "absent") << " ansi=" << c.ansi;
  }
}

TEST_F(TextFilesTest, ReplacesOnlyTheNamedFileAndLeavesLetterCaseTwinsAlone) {
  put(path("Index.PHP"), "the user's");
  put(path("index.php.keep"), "other");
  ASSERT_TRUE(WriteTextFile(path("index.php"), "new", false).ok());
  EXPECT_EQ(bytes_of(path("index.php")), "new");
  EXPECT_EQ(bytes_of(path("Index.PHP")), "the user's");
  EXPECT_TRUE(fs::exists(path("index.php.keep")));
  ASSERT_TRUE(WriteTextFile(path("index.php"), "newer", false).ok());
  EXPECT_EQ(bytes_of(path("index.php")), "newer");
  EXPECT_EQ(bytes_of(path("Index.PHP")), "the user's");
}

TEST_F(TextFilesTest, AFailedWriteKeepsTheOldFileAndIsReported) {
  const std::string p = path("page.php");
  put(p, "old content");
  for (const char* step : {"create", "write", "sync", "rename"}) {
    platform::set_write_fault_hook([step](std::string_view s) { return s != step; });
    FileResult r = WriteTextFile(p, "new content", false);
    EXPECT_FALSE(r.ok()) << step;
    EXPECT_NE(r.error.find("page.php"), std::string::npos) << r.error;
    EXPECT_EQ(bytes_of(p), "old content") << step;
    EXPECT_FALSE(WriteUtf8File(p, "new content").ok()) << step;
    EXPECT_EQ(bytes_of(p), "old content") << step;
  }
  platform::set_write_fault_hook({});
  // Nothing is left beside the file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  // A missing folder is an error, not a silent no-op.
  EXPECT_FALSE(WriteTextFile(path("no/such/folder.php"), "x", false).ok());
}

TEST_F(TextFilesTest, AReadOnlyFileIsNotReplaced) {
  const std::string p = path("locked.php");
  put(p, "kept");
  fs::permissions(p, fs::perms::owner_read);
  FileResult r = WriteTextFile(p, "new", false);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(bytes_of(p), "kept");
}

TEST_F(TextFilesTest, Utf8FileCarriesTheByteOrderMarkAndReplaces) {
  const std::string p = path("project.tvp");
  ASSERT_TRUE(WriteUtf8File(p, "<Project/>").ok());
  EXPECT_EQ(bytes_of(p), "\xEF\xBB\xBF<Project/>");
  EXPECT_EQ(GetFileCharset(p), "UTF-8");
  ASSERT_TRUE(WriteUtf8File(p, "<Project a=\"1\"/>").ok());
  EXPECT_EQ(bytes_of(p), "\xEF\xBB\xBF<Project a=\"1\"/>");

  ASSERT_TRUE(RemoveBOM(p).ok());
  EXPECT_EQ(bytes_of(p), "<Project a=\"1\"/>");
  // A file without the mark keeps all its bytes.
  ASSERT_TRUE(RemoveBOM(p).ok());
  EXPECT_EQ(bytes_of(p), "<Project a=\"1\"/>");
  EXPECT_FALSE(RemoveBOM(path("missing")).ok());
}

TEST_F(TextFilesTest, WrittenTextThatStartsWithItsOwnMarkKeepsIt) {
  set_utf8_project("True");
  const std::string p = path("bom.txt");
  ASSERT_TRUE(WriteTextFile(p, "\xEF\xBB\xBFx", false).ok());
  EXPECT_EQ(bytes_of(p), "\xEF\xBB\xBFx");
}

TEST_F(TextFilesTest, CharsetComparesTheFirstBytes) {
  const std::pair<std::string, const char*> cases[] = {
      {"\xFF\xFE" "a\0", "UNICODE"},
      {"\xFF\xFE", "UNICODE"},
      {"\xFE\xFF\0a", "UNICODE BIG"},
      {"\xEF\xBB\xBF", "UTF-8"},
      {"\xEF\xBB\xBFxyz", "UTF-8"},
      {std::string("\0\xFE\xFF", 3), ""},  // leading zero byte: no mark
      {std::string("\0\xEF\xBB\xBF", 4), ""},
      {"\xEF\xBB", ""},
      {"plain", ""},
      {"", ""},
  };
  int n = 0;
  for (const auto& [bytes, charset] : cases) {
    std::string p = path("f" + std::to_string(n++));
    put(p, bytes);
    EXPECT_EQ(GetFileCharset(p), charset) << n;
  }
  EXPECT_EQ(GetFileCharset(path("missing")), "");
}

TEST(BinToHex, OneNumberWithoutLeadingZeros) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* hex;
  };
  const Case cases[] = {
      {{}, "0"},         {{0x00, 0x41}, "41"},       {{0xEF, 0xBB, 0xBF}, "EFBBBF"},
      {{0x00}, "0"},     {{0x05, 0x00}, "500"},      {{0x01, 0x02, 0x03, 0x04, 0x05}, "102030405"},
  };
  for (const Case& c : cases) EXPECT_EQ(BinToHex(c.bytes), c.hex);
  EXPECT_EQ(BinToHex(vb::Variant::byte_array(std::vector<uint8_t>{0xFE, 0xFF})), "FEFF");
  EXPECT_EQ(BinToHex(vb::Variant("text")), "0");
}

}  // namespace
}  // namespace tolvex
