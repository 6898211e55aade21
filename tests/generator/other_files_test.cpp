#include "generator/other_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "generation_fixture.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "vb/error.h"

namespace tolvex {
namespace {

namespace fs = std::filesystem;
using platform::OverwriteAnswer;
using vb::Variant;

// A package unpacked in fixtures/files: its "Script" folder (lib/a.js, lib/b.js,
// images/logo.png, images/sub/dot.gif, funcs.vbs), one extension "ext1" (ext.js,
// extimg/x.png) and, beside the package, outside.txt.
// Queues an answer as a constant (a queued variable trips a false uninitialised-use warning).
void queue(platform::ScriptedUI& ui, OverwriteAnswer answer) {
  switch (answer) {
    case OverwriteAnswer::Yes: ui.then(OverwriteAnswer::Yes); break;
    case OverwriteAnswer::YesToAll: ui.then(OverwriteAnswer::YesToAll); break;
    case OverwriteAnswer::No: ui.then(OverwriteAnswer::No); break;
    case OverwriteAnswer::NoToAll: ui.then(OverwriteAnswer::NoToAll); break;
    case OverwriteAnswer::Cancel: ui.then(OverwriteAnswer::Cancel); break;
  }
}

class OtherFilesTest : public testing::GenerationFixture {
 protected:
  OtherFilesTest() {
    package_ = fs::path(TOLVEX_TEST_DIR) / "fixtures" / "files";
    ctx().TemplateFolder = (package_ / "Script").string();
    ctx().ExtensionWorkFolder = (package_ / "extensions").string();
    ctx().CacheFolder = (docs_ / "cache").string();
    fs::create_directories(ctx().CacheFolder);
    dest_ = docs_ / "site";
    proj_->Destination(dest_.string());
    proj_->PromptOnOverwrite(false);
    proj_->OtherOverwrite(true);
    ctx().HostUi = ui_;
    ctx().progress = platform::ProgressServices{progress_, {}, [] { return int64_t(0); }};
    ctx().StatusWindow = nullptr;
    status_window().ShowStatus3(0, "generating");
    progress_->clear();
  }

  AGPControl& copy_control(const std::string& id, const std::string& ifiles, const std::string& ifolder,
                           const std::string& ofolder = "", const std::string& ofile = "",
                           const std::string& ext = "") {
    AGPControl c;
    c.CtrlID = id;
    c.CtrlType = "copy";
    c.CtrlIFiles = ifiles;
    c.CtrlIFolder = normalize_template_folder(ifolder);
    c.CtrlOFolder = ofolder;
    c.CtrlOFile = ofile;
    c.CtrlOExt = "php";
    c.CtrlExt = ext;
    return add_control(c);
  }
  AGPControl& other_control(const std::string& id, const std::string& type, const std::string& ofile,
                            const std::string& oext) {
    AGPControl c;
    c.CtrlID = id;
    c.CtrlType = type;
    c.CtrlOFile = ofile;
    c.CtrlOExt = oext;
    c.CtrlSpace = false;
    return add_control(c);
  }
  // The control's compiled template: a function returning `body`.
  void compiled(const AGPControl& c, const std::string& body) {
    const std::string fn = TemplateCompiler::GetScriptFunctionName(c);
    std::ofstream(TemplateCompiler::GetTemplateFileName(c), std::ios::binary)
        << "Function " << fn << "()\r\n " << fn << " = " << body << "\r\nEnd Function\r\n";
  }
  static std::string read(const fs::path& p) { return platform::read_file(p); }
  static void write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
  }
  std::vector<std::string> status_texts() const {
    std::vector<std::string> out;
    for (const auto& call : progress_->calls())
      if (call.function == "SetInfo") out.push_back(call.text);
    return out;
  }

  fs::path package_, dest_;
  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
  std::shared_ptr<platform::RecordingProgress> progress_ = std::make_shared<platform::RecordingProgress>();
};

TEST_F(OtherFilesTest, GenericExtensionsBecomeTheProjectsOwn) {
  struct Case {
    const char* own;
    const char* ext;
    const char* expected;
  };
  const Case cases[] = {
      {"", "php", "php"},       {"", "*", "php"},         {"php5", "php", "php5"}, {"php5", "*", "php5"},
      {"php5", "PHP", "PHP"},   {"php5", "js", "js"},     {"php5", "", ""},        {"php5", "php ", "php "},
  };
  for (const Case& c : cases) {
    proj_->Ext(c.own);
    EXPECT_EQ(ResolveExt(*proj_, std::string_view(c.ext)), c.expected) << c.own << "/" << c.ext;
  }
  EXPECT_EQ(vb::to_string(proj_->call("ResolveExt", {std::vector<Variant>{Variant("*")}.data(), 1})), "php5");
  EXPECT_EQ(ResolveExtValue(*proj_, Variant(int16_t(3))).type(), vb::VarType::Integer) << "no text, no change";
}

TEST_F(OtherFilesTest, OtherFilesAreNamedByTypeAndTheDefaultPageSetting) {
  struct Case {
    const char* id;
    const char* type;
    const char* ofile;
    const char* compat;
    const char* oext;
    bool app_compat;
    const char* default_page;
    const char* expected;  // below the destination
  };
  const Case cases[] = {
      {"cfg", "simple", "Config", "", "php", false, "", "Config.php5"},  // no naming settings
      {"rpt", "other", "Report", "", "php", false, "", "pre_report.php5"},
      {"default", "other", "home", "", "php", false, "start.php", "start.php"},
      {"star", "Simple", "*", "", "*", false, "start.php", "start.php"},
      {"star2", "simple", "*", "", "*", false, "", "index.php5"},
      {"cmp", "other", "new", "Old", "php", true, "", "pre_old.php5"},
      {"cmp2", "other", "new", "", "php", true, "", "pre_new.php5"},
      {"upper", "simple", "a", "", "PHP", false, "", "a.PHP"},
      {"web", "web.config", "web", "", "config", false, "", "web.config"},
  };
  proj_->Ext("php5");
  proj_->OutputNameType("prefix");
  proj_->OutputNameExt("pre_");
  proj_->OutputNameLCase(true);
  start_engine("");
  for (const Case& c : cases) {
    AGPControl& ctrl = other_control(c.id, c.type, c.ofile, c.oext);
    ctrl.CtrlOFileCompat = c.compat;
    compiled(ctrl, "vbCrLf & CTRL.CtrlID");
    proj_->AppCompat(c.app_compat);
    proj_->DefaultPage(c.default_page);
    ctx().ProjErr.clear();
    EXPECT_EQ(GenerateOtherFiles(*proj_, false, "other, Simple ,web.config", true), 0) << c.id;
    EXPECT_EQ(ctx().ProjErr, "") << c.id;
    ASSERT_TRUE(fs::exists(dest_ / c.expected)) << c.id;
    EXPECT_EQ(read(dest_ / c.expected), c.id) << c.id << ": the control's own template, its blank lines gone";
    EXPECT_TRUE(controls().DeleteControl(c.id));
    fs::remove_all(dest_);
  }
}

TEST_F(OtherFilesTest, CheckModeCountsExistingOutputsAndDoesNothingElse) {
  other_control("a", "other", "a", "php");
  other_control("b", "Simple", "b", "php");
  other_control("c", "simple", "c", "php").CtrlCond = "proj/ProjName/eq/nobody";
  other_control("t", "table", "t", "php");
  copy_control("js", "lib/a.js,lib/b.js", "", "js");
  copy_control("img", "", "images");
  write(dest_ / "a.php", "old");
  write(dest_ / "b.php", "old");
  write(dest_ / "c.php", "old");
  write(dest_ / "t.php", "old");
  write(dest_ / "js" / "b.js", "old");
  EXPECT_EQ(GenerateOtherFiles(*proj_, true, "other,simple", false), 2) << "a and b; c's condition fails";
  EXPECT_EQ(CopyControlFiles(*proj_, true), 1);
  fs::create_directories(dest_ / "images");
  EXPECT_EQ(CopyControlFiles(*proj_, true), 2);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(dest_ / "a.php"), "old");
  EXPECT_FALSE(fs::exists(dest_ / "js" / "a.js"));
  EXPECT_TRUE(fs::is_empty(dest_ / "images"));
  EXPECT_TRUE(ui_->questions().empty());
  EXPECT_TRUE(status_texts().empty());
}

TEST_F(OtherFilesTest, OtherFileErrorsStopThePassAndKeepTheOldFile) {
  start_engine("");
  AGPControl& bad = other_control("bad", "other", "bad", "php");
  AGPControl& later = other_control("later", "other", "later", "php");
  compiled(bad, "1 / 0");
  compiled(later, "\"later\"");
  write(dest_ / "bad.php", "old");
  GenerateOtherFiles(*proj_, false, "other", true);
  EXPECT_EQ(ctx().ProjErr.rfind("Tolvex: Generate bad page error\r\n", 0), 0u) << ctx().ProjErr;
  EXPECT_NE(ctx().ProjErr.find("VBScript Runtime error"), std::string::npos) << ctx().ProjErr;
  EXPECT_EQ(read(dest_ / "bad.php"), "old");
  EXPECT_FALSE(fs::exists(dest_ / "later.php"));

  // A compiled template that is missing ends the run.
  ctx().ProjErr.clear();
  EXPECT_TRUE(controls().DeleteControl("bad"));
  fs::remove(TemplateCompiler::GetTemplateFileName(later));
  try {
    GenerateOtherFiles(*proj_, false, "other", true);
    ADD_FAILURE() << "nothing raised";
  } catch (const vb::VBError& e) {
    const std::string expected = "File " + TemplateCompiler::GetTemplateFileName(later) + " not found. Generation aborted.";
    EXPECT_EQ(e.number(), -1);
    EXPECT_EQ(e.description(), expected);
    EXPECT_EQ(ctx().ProjErr, expected);
  }
  EXPECT_FALSE(status_window().is_open());

  // Not allowed to overwrite: nothing runs, so nothing is missed.
  ctx().ProjErr.clear();
  write(dest_ / "later.php", "kept");
  GenerateOtherFiles(*proj_, false, "other", false);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(read(dest_ / "later.php"), "kept");
}

TEST_F(OtherFilesTest, CopiesFilesAndFoldersIntoTheSite) {
  struct Case {
    const char* id;
    const char* ifiles;
    const char* ifolder;
    const char* ofolder;
    const char* ofile;
    const char* ext;
    std::vector<std::pair<const char*, const char*>> expected;  // path below the site, content
  };
  const Case cases[] = {
      {"two", "a.js,b.js", "lib", "js", "renamed", "", {{"js/a.js", "a"}, {"js/b.js", "b"}}},
      {"one", "a.js", "lib", "js", "renamed", "", {{"js/renamed.php", "a"}}},
      {"path", "lib/a.js", "", "", "", "", {{"lib/a.js", "a"}}},
      {"short", "lib\\b.js", "", "scripts", "", "", {{"scripts/b.js", "b"}}},
      {"folder", "", "images", "", "", "", {{"images/logo.png", "logo"}, {"images/sub/dot.gif", "dot"}}},
      {"renamed", "", "images\\", "pics", "", "", {{"pics/logo.png", "logo"}, {"pics/sub/dot.gif", "dot"}}},
      {"extfile", "ext.js", "", "", "", "ext1", {{"ext.js", "ext"}}},
      {"extfolder", "", "extimg", "", "", "ext1", {{"extimg/x.png", "x"}}},
      {"nocase", "A.JS", "LIB", "", "", "", {{"A.JS", "a"}}},
  };
  for (const Case& c : cases) {
    copy_control(c.id, c.ifiles, c.ifolder, c.ofolder, c.ofile, c.ext);
    ctx().ProjErr.clear();
    EXPECT_EQ(CopyControlFiles(*proj_, false), 0) << c.id;
    EXPECT_EQ(ctx().ProjErr, "") << c.id;
    for (const auto& [path, content] : c.expected) {
      ASSERT_TRUE(fs::is_regular_file(dest_ / path)) << c.id << ": " << path;
      EXPECT_EQ(read(dest_ / path), content) << c.id << ": " << path;
    }
    EXPECT_TRUE(controls().DeleteControl(c.id));
    fs::remove_all(dest_);
  }
  copy_control("js", "a.js", "lib", "js");
  copy_control("img", "", "images");
  progress_->clear();
  CopyControlFiles(*proj_, false);
  EXPECT_EQ(status_texts(), (std::vector<std::string>{"Copying file a.js...", "Copying folder images..."}));
}

TEST_F(OtherFilesTest, MissingSourcesAndFailedCopies) {
  // A missing folder is reported and the next control still runs.
  copy_control("nofolder", "", "nothere");
  copy_control("file", "a.js", "lib");
  CopyControlFiles(*proj_, false);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Source folder does not exist - \"nothere/\"! Check if correct template.");
  EXPECT_TRUE(fs::exists(dest_ / "a.js"));

  // A missing file ends the pass; a name outside the package is refused naming the control
  // and ends the run.
  struct Case {
    const char* ifiles;
    const char* ifolder;
    std::string message;
  };
  const Case cases[] = {
      {"a.js,missing.js", "lib", "Tolvex: Source file does not exist - \"missing.js\"! Check if correct template."},
      {"a.js", "nothere", "Tolvex: Source file does not exist - \"a.js\"! Check if correct template."},
      {"../outside.txt", "",
       "Tolvex: Control \"stop\" names \"../outside.txt\", which lies outside its template folder. Generation aborted!"},
      {"outside.txt", "..",
       "Tolvex: Control \"stop\" names \"../\", which lies outside its template folder. Generation aborted!"},
  };
  for (const Case& c : cases) {
    controls().DeleteControl("nofolder");
    controls().DeleteControl("file");
    controls().DeleteControl("stop");
    controls().DeleteControl("after");
    fs::remove_all(dest_);
    copy_control("stop", c.ifiles, c.ifolder);
    copy_control("after", "b.js", "lib");
    ctx().ProjErr.clear();
    try {
      CopyControlFiles(*proj_, false);
    } catch (const vb::VBError&) {
    }
    EXPECT_EQ(ctx().ProjErr, c.message) << c.ifiles;
    EXPECT_FALSE(fs::exists(dest_ / "b.js")) << c.ifiles << ": the pass ended";
    EXPECT_FALSE(fs::exists(dest_ / "outside.txt")) << c.ifiles;
  }

  // A copy that fails leaves the old target whole and ends the pass.
  controls().DeleteControl("stop");
  controls().DeleteControl("after");
  fs::remove_all(dest_);
  copy_control("file", "a.js", "lib");
  copy_control("img", "", "images");
  write(dest_ / "a.js", "old");
  platform::set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  ctx().ProjErr.clear();
  CopyControlFiles(*proj_, false);
  // The message ends with the reason.
  EXPECT_EQ(ctx().ProjErr, "Copying to file \"" + (dest_ / "a.js").string() + "\" failed! Cannot write '" +
                               (dest_ / "a.js").string() + "': Input/output error");
  EXPECT_EQ(read(dest_ / "a.js"), "old");
  EXPECT_FALSE(fs::exists(dest_ / "images"));
  // A read-only target is never replaced, as with generated pages.
  platform::set_write_fault_hook({});
  fs::permissions(dest_ / "a.js", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ctx().ProjErr.clear();
  CopyControlFiles(*proj_, false);
  EXPECT_EQ(ctx().ProjErr, "Copying to file \"" + (dest_ / "a.js").string() + "\" failed! Cannot replace '" +
                               (dest_ / "a.js").string() + "': Permission denied");
  EXPECT_EQ(read(dest_ / "a.js"), "old");
  fs::permissions(dest_ / "a.js", fs::perms::owner_write, fs::perm_options::add);
  platform::set_write_fault_hook([](std::string_view step) { return step != "rename"; });
  controls().DeleteControl("file");
  ctx().ProjErr.clear();
  CopyControlFiles(*proj_, false);
  platform::set_write_fault_hook({});
  EXPECT_EQ(ctx().ProjErr, "Copying to folder \"images\" failed! Cannot write '" +
                               (dest_ / "images" / "logo.png").string() + "': Input/output error");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::recursive_directory_iterator(dest_)) ++entries;
  EXPECT_EQ(entries, 3u) << "a.js, images and images/sub: no scratch copies left";
}

TEST_F(OtherFilesTest, ExistingTargetsFollowTheOverwriteAnswers) {
  struct Case {
    const char* name;
    bool prompt;
    bool other_overwrite;
    bool ctrl_overwrite;
    std::vector<OverwriteAnswer> answers;
    size_t questions;
    bool copied;  // both files and the folder
  };
  const Case cases[] = {
      {"no prompt, allowed", false, true, true, {}, 0, true},
      {"no prompt, project forbids", false, false, true, {}, 0, false},
      {"no prompt, control forbids", false, true, false, {}, 0, false},
      {"prompt, forbidden: no question", true, false, true, {}, 0, false},
      {"overwrite all", true, true, true, {OverwriteAnswer::YesToAll}, 1, true},
      {"skip all", true, true, true, {OverwriteAnswer::NoToAll}, 1, false},
      {"one by one", true, true, true, {OverwriteAnswer::Yes, OverwriteAnswer::Yes, OverwriteAnswer::Yes}, 3, true},
  };
  for (const Case& c : cases) {
    controls().DeleteControl("js");
    controls().DeleteControl("img");
    fs::remove_all(dest_);
    copy_control("js", "a.js,b.js", "lib", "js").CtrlOverwrite = c.ctrl_overwrite;
    copy_control("img", "", "images").CtrlOverwrite = c.ctrl_overwrite;
    write(dest_ / "js" / "a.js", "old");
    write(dest_ / "js" / "b.js", "old");
    write(dest_ / "images" / "logo.png", "old");
    write(dest_ / "images" / "mine.png", "mine");
    proj_->PromptOnOverwrite(c.prompt);
    proj_->OtherOverwrite(c.other_overwrite);
    auto ui = std::make_shared<platform::ScriptedUI>();
    for (OverwriteAnswer a : c.answers) queue(*ui, a);
    ctx().HostUi = ui;
    ctx().OverwriteMode = "";
    ctx().ProjErr.clear();
    CopyControlFiles(*proj_, false);
    EXPECT_EQ(ctx().ProjErr, "") << c.name;
    EXPECT_EQ(ui->questions().size(), c.questions) << c.name;
    EXPECT_EQ(read(dest_ / "js" / "a.js"), c.copied ? "a" : "old") << c.name;
    EXPECT_EQ(read(dest_ / "js" / "b.js"), c.copied ? "b" : "old") << c.name;
    EXPECT_EQ(read(dest_ / "images" / "logo.png"), c.copied ? "logo" : "old") << c.name;
    EXPECT_EQ(read(dest_ / "images" / "mine.png"), "mine") << c.name << ": other files of the folder stay";
  }
}

TEST_F(OtherFilesTest, ANewFolderIsCopiedEvenWhereOverwritingIsForbidden) {
  proj_->OtherOverwrite(false);
  proj_->PromptOnOverwrite(true);
  copy_control("img", "", "images");
  CopyControlFiles(*proj_, false);
  EXPECT_EQ(read(dest_ / "images" / "logo.png"), "logo");
  EXPECT_TRUE(ui_->questions().empty());
  write(dest_ / "images" / "logo.png", "edited");
  CopyControlFiles(*proj_, false);
  EXPECT_EQ(read(dest_ / "images" / "logo.png"), "edited");
}

TEST_F(OtherFilesTest, CancelInTheProgressWindowStopsBeforeTheNextControl) {
  start_engine("");
  compiled(other_control("page", "other", "page", "php"), "\"page\"");
  copy_control("js", "a.js", "lib");
  progress_->press_cancel();
  EXPECT_THROW(GenerateOtherFiles(*proj_, false, "other", true), vb::VBError);
  status_window().ShowStatus3(0, "generating");
  EXPECT_THROW(CopyControlFiles(*proj_, false), vb::VBError);
  EXPECT_EQ(ctx().ProjErr, "Generation cancelled by user!");
  EXPECT_FALSE(fs::exists(dest_ / "page.php"));
  EXPECT_FALSE(fs::exists(dest_ / "a.js"));
  // Check mode never polls.
  status_window().ShowStatus3(0, "checking");
  EXPECT_EQ(CopyControlFiles(*proj_, true), 0);
}

TEST_F(OtherFilesTest, FunctionControlsAddTheirScriptsToTheEngine) {
  AGScript& engine = start_engine("");
  AGPControl skipped;
  skipped.CtrlID = "skipped";
  skipped.CtrlType = "function";
  skipped.CtrlIFiles = "missing.vbs";
  skipped.CtrlCond = "proj/ProjName/eq/nobody";
  add_control(skipped);
  AGPControl funcs;
  funcs.CtrlID = "funcs";
  funcs.CtrlType = "function";
  funcs.CtrlIFiles = "FUNCS.vbs";
  add_control(funcs);
  AGPControl other_case;
  other_case.CtrlID = "Function";
  other_case.CtrlType = "Function";
  other_case.CtrlIFiles = "missing.vbs";
  add_control(other_case);
  CheckScriptFiles(*proj_);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(engine.BuildNewCode("zvExUse", "Function zvExUse()\r\n zvExUse = FromFunctionFile()\r\nEnd Function\r\n", 0, 0),
            "42");

  EXPECT_TRUE(controls().DeleteControl("funcs"));
  AGPControl missing;
  missing.CtrlID = "missing";
  missing.CtrlType = "function";
  missing.CtrlIFiles = "missing.vbs";
  add_control(missing);
  CheckScriptFiles(*proj_);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Script file does not exist - \"missing.vbs\"! Check if correct template.");
}

}  // namespace
}  // namespace tolvex
