#include "templates/code_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "platform/file_io.h"
#include "platform/folders.h"
#include "platform/host_ui.h"

using namespace tolvex;
namespace fs = std::filesystem;

namespace {

std::string fixture(const std::string& name) { return std::string(TOLVEX_TEST_DIR) + "/fixtures/code/" + name; }

class CodeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductTitle = "Tolvex";
    ctx_->HostUi = ui_;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("codefiles-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }

  ContextScope ctx_;
  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
  fs::path dir_;
};

}  // namespace

TEST_F(CodeFilesTest, TemplateToCodeTurnsBlocksIntoLines) {
  struct Case {
    std::string text;
    bool multiline;
    bool indent;
    std::string id;
    std::string code;
  };
  const Case cases[] = {
      {"abc", false, false, "F", "F = F & \"abc\"\r\n"},
      {"", false, false, "F", ""},
      {"a\r\nb", false, false, "F", "F = F & \"ab\"\r\n"},
      {"a\r\nb", true, false, "F", "F = F & \"a\"&vbCrLf&\"b\"\r\n"},
      {"a\r\nb", true, true, "F", "F = F & \"a\"&vbCrLf&zvIndentWrk&\"b\"\r\n"},
      {"\r\n", false, true, "F", ""},
      {"say \"hi\"", false, false, "F", "F = F & \"say \"\"hi\"\"\"\r\n"},
      {"<!--##x = 1##-->", false, false, "F", "x = 1\r\n"},
      {"<!--##=a & b##-->", false, false, "F", "F = F & a & b\r\n"},
      {"<!--##~ind##-->", false, false, "F", ""},
      {"<!--##@ 'Quoted \"x\"' ##-->", false, false, "F", "F = F & LANG.Phrase(\"Quoted \"\"x\"\"\")\r\n"},
      {"<!--##@hi##-->", false, false, "F", "F = F & LANG.Phrase(\"hi\")\r\n"},
      {"<!--##$ key & n ##-->", false, false, "F", "F = F & LANG.Phrase(key & n)\r\n"},
      {"<!--##Dim a##-->\r\n<!--##a = 2##-->\r\n", false, false, "", "Dim a\r\na = 2\r\n"},
      // A script file saved with LF or CR line ends: the breaks between blocks go too.
      {"<!--##Dim a##-->\n<!--##a = 2##-->\n", false, false, "", "Dim a\r\na = 2\r\n"},
      {"<!--##Dim a##-->\r<!--##a = 2##-->\r", false, false, "", "Dim a\r\na = 2\r\n"},
      {"a\nb", false, false, "F", "F = F & \"ab\"\r\n"},
      {"x", false, false, "", "\"x\"\r\n"},
      {"1<!--##=v##-->2", false, false, "Fn", "Fn = Fn & \"1\"\r\nFn = Fn & v\r\nFn = Fn & \"2\"\r\n"},
  };
  for (const Case& c : cases) {
    ctx_->ProjErr.clear();
    bool failed = true;
    EXPECT_EQ(TemplateToCode(c.text, c.multiline, c.indent, c.id, &failed), c.code) << c.text;
    EXPECT_FALSE(failed) << c.text;
    EXPECT_EQ(ctx_->ProjErr, "") << c.text;
  }

  // A parse error gives the text back unchanged, with the parser's message standing.
  bool failed = false;
  EXPECT_EQ(TemplateToCode("a<!--##=b", false, false, "F", &failed), "a<!--##=b");
  EXPECT_TRUE(failed);
  EXPECT_EQ(ctx_->ProjErr.rfind("***Incomplete Block at line 1", 0), 0u) << ctx_->ProjErr;
}

TEST_F(CodeFilesTest, CodeListsReadTheirFileEntries) {
  const auto sys = read_system_code_list(fixture("list_attributes.xml"));
  ASSERT_TRUE(sys);
  struct Expect {
    std::string value;
    bool is_function;
    std::string id;
    std::string parm;
    bool overridable;
    bool multiline;
    bool indent;
  };
  // "yes" is not a Boolean text; id and parm are read for functions only.
  const Expect expected[] = {
      {"a.txt", true, "A1", "x, y", true, false, false},
      {"b.txt", false, "", "", true, true, true},
      {"c.txt", false, "", "", true, false, false},
      {"", false, "", "", false, false, false},
  };
  ASSERT_EQ(sys->size(), std::size(expected));
  for (size_t i = 0; i < sys->size(); ++i) {
    const SystemCodeEntry& e = (*sys)[i];
    EXPECT_EQ(e.value, expected[i].value) << i;
    EXPECT_EQ(e.is_function, expected[i].is_function) << i;
    EXPECT_EQ(e.id, expected[i].id) << i;
    EXPECT_EQ(e.parm, expected[i].parm) << i;
    EXPECT_EQ(e.overridable, expected[i].overridable) << i;
    EXPECT_EQ(e.multiline, expected[i].multiline) << i;
    EXPECT_EQ(e.indent, expected[i].indent) << i;
  }

  const auto val = read_validate_code_list(fixture("list_attributes.xml"));
  ASSERT_TRUE(val);
  ASSERT_EQ(val->size(), 4u);
  EXPECT_EQ((*val)[0].value, "a.txt");
  EXPECT_EQ((*val)[0].id, "A1");
  EXPECT_EQ((*val)[2].id, "C");

  for (const std::string& bad : {fixture("malformed.xml"), fixture("nothere.xml"), std::string()}) {
    EXPECT_FALSE(read_system_code_list(bad)) << bad;
    EXPECT_FALSE(read_validate_code_list(bad)) << bad;
  }
  EXPECT_TRUE(ui_->questions().empty());
}

TEST_F(CodeFilesTest, EntryPathsAndFunctionFrames) {
  struct PathCase {
    std::string list;
    std::string value;
    std::string path;
  };
  const PathCase paths[] = {
      {"C:\\code\\sys.xml", "a.txt", "C:\\code\\a.txt"},
      {"/p/q/sys.xml", "f\\g.txt", "/p/q/f\\g.txt"},
      {"sys.xml", "a.txt", "a.txt"},
      {"/p\\q/sys.xml", "a", "/p\\q/a"},
  };
  for (const PathCase& c : paths) EXPECT_EQ(code_entry_path(c.list, c.value), c.path) << c.list;

  EXPECT_EQ(fill_function_placeholders("<name>(<parm>) <name> <NAME>", "F", "a, b"), "F(a, b) F <NAME>");

  SystemCodeEntry plain{"f.txt", true, "F", "a", false, false, false};
  SystemCodeEntry over = plain;
  over.overridable = true;
  EXPECT_EQ(system_function_head(plain, "' <name>:<parm>\r\n"), "\r\n' F\r\nFunction F(a)\r\n' F:a\r\n");
  EXPECT_EQ(system_function_head(plain, ""), "\r\n' F\r\nFunction F(a)\r\n");
  EXPECT_EQ(system_function_tail(plain, "' end <name>\r\n"), "' end F\r\nEnd Function\r\n");
  EXPECT_EQ(system_function_tail(over, ""),
            "\r\nIf SCRPT.UserModuleExist(\"USER_F\") Then F=USER_F(F)\r\nEnd Function\r\n");
}

TEST_F(CodeFilesTest, ScriptFilesAreReadAsTheEngineExpects) {
  write(dir_ / "bom.vbs", "\xEF\xBB\xBFx = \"\xC3\xA9\"");
  write(dir_ / "ansi.vbs", "x = \"\xE9\"");
  write(dir_ / "Sub" / "Mixed.VBS", "mixed");
  const std::pair<std::string, std::string> cases[] = {
      {(dir_ / "bom.vbs").string(), "x = \"\xC3\xA9\""},
      {(dir_ / "ansi.vbs").string(), "x = \"\xC3\xA9\""},
      {(dir_ / "sub" / "mixed.vbs").string(), "mixed"},
      {dir_.string() + "\\Sub\\Mixed.VBS", "mixed"},
  };
  for (const auto& [path, text] : cases) EXPECT_EQ(read_script_file(path), text) << path;
  EXPECT_TRUE(ui_->questions().empty());

  // Missing files and folders are announced and read as nothing.
  for (const std::string& missing : {(dir_ / "none.vbs").string(), dir_.string()}) {
    EXPECT_EQ(read_script_file(missing), "");
    ASSERT_FALSE(ui_->questions().empty());
    EXPECT_EQ(ui_->questions().back().text, "Tolvex: Script file " + missing + " not found! Content not loaded!");
  }
  EXPECT_EQ(ctx_->ProjErr, "");
}

TEST_F(CodeFilesTest, DebugCopiesStayInsideTheDestination) {
  const fs::path dest = dir_ / "dest";
  fs::create_directories(dest / "sub");
  struct Case {
    std::string name;
    fs::path written;
  };
  const Case cases[] = {
      {"syscode.txt", dest / "syscode.txt"},
      {"sub\\entry.txt", dest / "sub" / "entry.txt"},
      {"../escape.txt", dest / "escape.txt"},
      {"/tmp/absolute-debug-copy.txt", dest / "absolute-debug-copy.txt"},
  };
  ctx_->DestinationFolder = dest.string();
  for (const Case& c : cases) {
    write_debug_file(c.name, "text of " + c.name);
    ASSERT_TRUE(fs::exists(c.written)) << c.name;
    EXPECT_EQ(platform::read_file(c.written), "text of " + c.name);
  }
  EXPECT_FALSE(fs::exists(dir_ / "escape.txt"));
  // Replacing an earlier copy.
  write_debug_file("syscode.txt", "again");
  EXPECT_EQ(platform::read_file(dest / "syscode.txt"), "again");

  // Without a destination nothing is written anywhere.
  ctx_->DestinationFolder.clear();
  write_debug_file("nowhere.txt", "x");
  EXPECT_FALSE(fs::exists(fs::current_path() / "nowhere.txt"));
  EXPECT_FALSE(fs::exists("/nowhere.txt"));
}

TEST_F(CodeFilesTest, SettingPathsResolveFromTheApplicationFolder) {
  const char* home = std::getenv("HOME");
  const std::string app = platform::application_folder().string();
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"/abs/syscode.xml", "/abs/syscode.xml"},
      {"\\abs\\syscode.xml", "/abs/syscode.xml"},
      {"code\\syscode.xml", app + "/code/syscode.xml"},
      {"~/code/user.vbs", home ? std::string(home) + "/code/user.vbs" : "~/code/user.vbs"},
  };
  for (const auto& [setting, path] : cases) EXPECT_EQ(resolve_setting_path(setting), path) << setting;
}
