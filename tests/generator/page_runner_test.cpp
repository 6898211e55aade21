#include "generator/page_runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "foundation/text_files.h"
#include "generation_fixture.h"
#include "generator/overwrite.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/registry.h"
#include "vb/error.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;
using vb::Variant;

class PostProcessTest : public testing::GenerationFixture {};

TEST_F(PostProcessTest, CompactsLinesAndSpacesOutCommentsAndDeclarations) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"blank lines go; one empty line before a comment block after code, after a block of two, before a "
       "declaration after code",
       "$a = 1;\r\n\r\n   \r\n\t\r\n// one\r\n// two\r\n$b = 2;\r\nfunction f() {\r\n}\r\n/* c */\r\nclass X {\r\n",
       "$a = 1;\r\n\r\n// one\r\n// two\r\n\r\n$b = 2;\r\n\r\nfunction f() {\r\n}\r\n\r\n/* c */\r\nclass X {\r\n"},
      {"a one-line comment gets no empty line after it", "x\r\n  // c\r\ny", "x\r\n\r\n  // c\r\ny\r\n"},
      {"nothing before the first line", "// c\r\nPublic Sub A\r\n", "// c\r\nPublic Sub A\r\n"},
      {"a declaration first", "Function F()\r\nEnd Function", "Function F()\r\nEnd Function\r\n"},
      {"declaration words need a blank after them", "x\r\nFunctional\r\nsub\r\nPRIVATE y",
       "x\r\nFunctional\r\nsub\r\n\r\nPRIVATE y\r\n"},
      {"a last line of one character after the final CR", "a\r\nb\r\nc", "a\r\nb\r\nc\r\n"},
      {"lines are cut at CR; a lone LF stays inside its line", "a\nb\rc\r\n", "a\nb\r\nc\r\n"},
      {"indentation stays", "  x\r\n\t\ty\r\n", "  x\r\n\t\ty\r\n"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PostProcessOutput(*proj_, "php", c.in), c.out) << c.name;
}

TEST_F(PostProcessTest, PutsTheGeneratorTagBeforeEveryHeadEnd) {
  const std::string meta = "<meta name=\"generator\" content=\"Tolvex v" + proj_->version_text() + "\" />\r\n";
  EXPECT_EQ(PostProcessOutput(*proj_, "php", "<head>\r\n<title>t</title>\r\n</HEAD>\r\n<body>"),
            "<head>\r\n<title>t</title>\r\n" + meta + "</head>\r\n<body>\r\n");
  EXPECT_EQ(PostProcessOutput(*proj_, "php", "a</head>b</Head>"), "a" + meta + "</head>b" + meta + "</head>\r\n");
  EXPECT_EQ(PostProcessOutput(*proj_, "js", "var a;\r\n</hea"), "var a;\r\n</hea\r\n") << "no head, no tag";
}

TEST(StripLeadingBlankLinesTest, DropsOnlyTheLeadingBlankLines) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"\r\n \r\n\t\r\n    first\r\n\r\nsecond", "    first\r\n\r\nsecond"},
      {"  \n  y", "  y"},
      {"x", "x"},
      {"\r\n\r\n", ""},
      {"", ""},
      {"  <p>", "  <p>"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripLeadingBlankLines(c.in), c.out) << c.in;
}

// Page runs with a real generation engine over the project.
class PageRunnerTest : public testing::GenerationFixture {
 protected:
  PageRunnerTest() {
    dest_ = docs_ / "site";
    cache_ = docs_ / "cache";
    fs::create_directories(cache_);
    proj_->Destination(dest_.string());
    proj_->PromptOnOverwrite(false);
    ctx().ProgressDone = 0;
    ctx().ProgressTotal = 4;
    list_ = &page_control("list", false);
  }
  // A table-level control. The engine adds a compiled function once per name, so every
  // template body of a test gets its own control.
  AGPControl& page_control(const std::string& id, bool space) {
    AGPControl c;
    c.CtrlID = id;
    c.CtrlType = "table";
    c.CtrlTagExt = ".php";
    c.CtrlOExt = "php";
    c.CtrlSpace = space;
    return add_control(c);
  }
  // A compiled template script file for the control.
  std::string script(const AGPControl& c, const std::string& body) {
    const std::string fn = TemplateCompiler::GetScriptFunctionName(c);
    const fs::path file = cache_ / (c.CtrlID + c.CtrlTagExt + ".tpl");
    std::ofstream(file, std::ios::binary) << "Function " << fn << "()\r\n " << fn << " = " << body
                                          << "\r\nEnd Function\r\n";
    return file.string();
  }
  static std::string read(const fs::path& p) { return platform::read_file(p); }
  static void write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }

  fs::path dest_, cache_;
  AGPControl* list_ = nullptr;
};

TEST_F(PageRunnerTest, TablePageRunsTheTemplateForTheTableAndWritesIt) {
  start_engine("");
  const std::string file = script(*list_, "vbCrLf & \"  \" & vbCrLf & \"  <p>\" & TABLE.TblName & \"</p>\"");
  const fs::path out = dest_ / "sub" / "orders_list.php";
  orders_->TblOverwrite(true);
  db_->Tables()->SetItem(Variant("v_orders"));
  GenerateTableFile(*proj_, *orders_, file, out.string(), *list_);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(out), "  <p>orders</p>") << "leading blank lines go, indentation stays; folder made";
  EXPECT_EQ(db_->Tables()->curName(), "orders");
  EXPECT_EQ(ctx().ProgressDone, 1);

  AGPControl& spaced = page_control("spaced", true);
  const std::string file2 = script(spaced, "\"<head>\" & vbCrLf & vbCrLf & \"</head>\"");
  GenerateTableFile(*proj_, *orders_, file2, out.string(), spaced);
  EXPECT_EQ(read(out), "<head>\r\n<meta name=\"generator\" content=\"Tolvex v" + proj_->version_text() +
                           "\" />\r\n</head>\r\n");
  EXPECT_EQ(ctx().ProgressDone, 2);
}

TEST_F(PageRunnerTest, CompiledScriptsAreReadInTheCodePageTheyWereWrittenIn) {
  start_engine("");
  orders_->TblOverwrite(true);
  struct Case {
    const char* id;
    std::string head;  // bytes before the function
    std::string e;     // the letter e-acute as the file holds it
  };
  const Case cases[] = {{"ansi", "", "\xE9"}, {"utf8", "\xEF\xBB\xBF", "\xC3\xA9"}};
  for (const Case& c : cases) {
    AGPControl& ctrl = page_control(c.id, false);
    const std::string fn = TemplateCompiler::GetScriptFunctionName(ctrl);
    const fs::path file = cache_ / (std::string(c.id) + ".tpl");
    std::ofstream(file, std::ios::binary) << c.head << "Function " << fn << "()\r\n " << fn << " = \"caf" << c.e
                                          << "\"\r\nEnd Function\r\n";
    const fs::path out = dest_ / (std::string(c.id) + ".php");
    GenerateTableFile(*proj_, *orders_, file.string(), out.string(), ctrl);
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_EQ(read(out), "caf\xE9") << c.id << ": written in the ANSI code page";
  }
}

TEST_F(PageRunnerTest, FieldPageSeesTheCurrentTableAndField) {
  start_engine("");
  AGPControl edit;
  edit.CtrlID = "fld";
  edit.CtrlType = "field";
  edit.CtrlSpace = false;
  AGPControl& ctrl = add_control(edit);
  const std::string file = script(ctrl, "TABLE.TblName & \".\" & FIELD.FldName");
  set_current_table(*proj_, orders_);
  auto id = orders_->Fields()->Item(Variant("id"));
  orders_->Fields()->SetItem(Variant("total"));
  const fs::path out = dest_ / "orders_id_fld.php";
  GenerateFieldFile(*proj_, *id, file, out.string(), ctrl);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(out), "orders.id");
}

TEST_F(PageRunnerTest, OverwriteSwitchesOfControlAndTableDecide) {
  start_engine("");
  const std::string file = script(*list_, "\"new\"");
  const fs::path out = dest_ / "orders_list.php";
  struct Case {
    bool ctrl_overwrite, table_overwrite, prompt;
    const char* expected;
  };
  const Case cases[] = {
      {true, false, false, "old"},
      {false, true, false, "old"},
      {true, false, true, "old"},  // a forbidding switch skips without asking
      {true, true, false, "new"},
  };
  for (const Case& c : cases) {
    write(out, "old");
    list_->CtrlOverwrite = c.ctrl_overwrite;
    orders_->TblOverwrite(c.table_overwrite);
    proj_->PromptOnOverwrite(c.prompt);
    GenerateTableFile(*proj_, *orders_, file, out.string(), *list_);
    EXPECT_EQ(read(out), c.expected) << c.ctrl_overwrite << c.table_overwrite << c.prompt;
  }
  EXPECT_EQ(ctx().ProgressDone, 4) << "skipped outputs count as done";
  EXPECT_FALSE(fs::exists(out.string() + ".bak"));
}

TEST_F(PageRunnerTest, PromptAnswersAndBackups) {
  user_value(general(), "BackupFile", platform::RegValue::make_text("True"));
  proj_->LoadDefault();
  proj_->Destination(dest_.string());
  proj_->PromptOnOverwrite(true);
  orders_->TblOverwrite(true);
  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  ui->then(platform::OverwriteAnswer::Yes).then(platform::OverwriteAnswer::YesToAll);
  start_engine("");
  const fs::path out = dest_ / "a.php";
  write(out, "v1");
  for (const char* v : {"v2", "v3", "v4"}) {  // v4 without a question: "all" was answered
    AGPControl& c = page_control(v, false);
    GenerateTableFile(*proj_, *orders_, script(c, std::string("\"") + v + "\""), out.string(), c);
  }
  EXPECT_EQ(ctx().OverwriteMode, "O");
  EXPECT_EQ(ui->questions().size(), 2u);
  EXPECT_EQ(read(out), "v4");
  EXPECT_EQ(read(out.string() + ".bak"), "v3") << "one backup: the version before the last overwrite";

  ui->then(platform::OverwriteAnswer::Cancel);
  ctx().OverwriteMode.clear();
  try {
    AGPControl& c = page_control("v5", false);
    GenerateTableFile(*proj_, *orders_, script(c, "\"v5\""), out.string(), c);
    FAIL() << "no cancel";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), -1);
    EXPECT_EQ(e.description(), "Generation cancelled by user!");
  }
  EXPECT_EQ(read(out), "v4");
}

TEST_F(PageRunnerTest, TheReplacedPageBecomesItsBackupWhenTheNewOneIsWritten) {
  user_value(general(), "BackupFile", platform::RegValue::make_text("True"));
  proj_->LoadDefault();
  proj_->Destination(dest_.string());
  proj_->PromptOnOverwrite(false);
  orders_->TblOverwrite(true);
  auto ui = std::make_shared<platform::ScriptedUI>();
  ctx().HostUi = ui;
  start_engine("");
  const auto inode = [](const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  const auto counts = [this] {
    return std::array{ctx().OutputsWritten, ctx().OutputsSkipped, ctx().OutputsBackedUp};
  };
  const fs::path out = dest_ / "a.php", backup = dest_ / "a.php.bak";
  write(out, "v1");
  write(backup, "v0");

  // A failing template writes nothing, so nothing is backed up.
  AGPControl& fails = page_control("fails", false);
  GenerateTableFile(*proj_, *orders_, script(fails, "1 / 0"), out.string(), fails);
  EXPECT_NE(ctx().ProjErr, "");
  EXPECT_EQ(read(out), "v1");
  EXPECT_EQ(read(backup), "v0");
  ctx().ProjErr.clear();

  // A backup that cannot be made keeps the page as it was; the run goes on.
  fs::remove(backup);
  fs::create_directories(backup / "inside");
  ctx().OutputsWritten = ctx().OutputsSkipped = ctx().OutputsBackedUp = 0;
  AGPControl& v2 = page_control("v2", false);
  GenerateTableFile(*proj_, *orders_, script(v2, "\"v2\""), out.string(), v2);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(out), "v1");
  EXPECT_EQ(counts(), (std::array{0, 1, 0}));
  ASSERT_EQ(ui->questions().size(), 1u);
  EXPECT_EQ(ui->questions()[0].kind, "message_box");
  EXPECT_EQ(ui->questions()[0].text.rfind("Error in open \"" + out.string() + "\", description:Cannot write '" +
                                              backup.string() + "': Is a directory", 0),
            0u)
      << ui->questions()[0].text;
  fs::remove_all(backup);

  // Otherwise the old page itself becomes the backup (no copy) as the new one takes its place.
  const auto old = inode(out);
  AGPControl& v3 = page_control("v3", false);
  GenerateTableFile(*proj_, *orders_, script(v3, "\"v3\""), out.string(), v3);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(out), "v3");
  EXPECT_EQ(read(backup), "v1");
  EXPECT_EQ(inode(backup), old);
  EXPECT_EQ(counts(), (std::array{1, 1, 1}));
  EXPECT_EQ(ctx().ProgressDone, 2);
}

TEST_F(PageRunnerTest, MissingScriptFileEndsTheRun) {
  start_engine("");
  struct Case {
    bool field;
    std::string message_end;
  };
  const Case cases[] = {{false, "."}, {true, ""}};
  set_current_table(*proj_, orders_);
  for (const Case& c : cases) {
    const std::string missing = (cache_ / "missing.tpl").string();
    ctx().ProjErr.clear();
    try {
      if (c.field)
        GenerateFieldFile(*proj_, *orders_->Fields()->Item(Variant("id")), missing, (dest_ / "x.php").string(), *list_);
      else
        GenerateTableFile(*proj_, *orders_, missing, (dest_ / "x.php").string(), *list_);
      FAIL() << "no error";
    } catch (const vb::VBError& e) {
      EXPECT_EQ(e.number(), -1);
      EXPECT_EQ(e.description(), "File " + missing + " not found. Generation aborted" + c.message_end);
      EXPECT_EQ(ctx().ProjErr, e.description());
    }
  }
  EXPECT_FALSE(fs::exists(dest_ / "x.php"));
}

TEST_F(PageRunnerTest, OutputsThatCannotBeMadeReportAndKeepTheOldFile) {
  orders_->TblOverwrite(true);
  const fs::path out = dest_ / "orders_list.php";
  write(out, "old");
  // no engine: the script text itself must not become the page
  GenerateTableFile(*proj_, *orders_, script(*list_, "\"new\""), out.string(), *list_);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Script engine not started. Generation aborted!");
  EXPECT_EQ(read(out), "old");

  ctx().ProjErr.clear();
  start_engine("");
  GenerateTableFile(*proj_, *orders_, script(*list_, "1 / 0"), out.string(), *list_);
  EXPECT_NE(ctx().ProjErr.find("VBScript Runtime error"), std::string::npos) << ctx().ProjErr;
  EXPECT_EQ(read(out), "old");

  ctx().ProjErr.clear();
  AGPControl& ok = page_control("ok", false);
  fs::create_directories(dest_ / "taken.php");
  GenerateTableFile(*proj_, *orders_, script(ok, "\"new\""), (dest_ / "taken.php").string(), ok);
  EXPECT_EQ(ctx().ProjErr.rfind("Tolvex: ", 0), 0u) << "a failed write is reported: " << ctx().ProjErr;
  EXPECT_EQ(ctx().ProgressDone, 0) << "nothing counted as done";
}

}  // namespace
}  // namespace tolvex
