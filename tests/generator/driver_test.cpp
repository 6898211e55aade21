// Whole generation runs and check runs over a small package of the test tree and over the
// installed sample package.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "extensions/extensions.h"
#include "generator/check_run.h"
#include "generator/driver_fixture.h"
#include "generator/generation_driver.h"
#include "templates/cache_index.h"

namespace tolvex::testing {
namespace {

using platform::OverwriteAnswer;

class DriverTest : public DriverFixture {
 protected:
  std::map<std::string, fs::file_time_type> compiled_times() const {
    std::map<std::string, fs::file_time_type> out;
    for (const auto& e : fs::directory_iterator(template_root() / "cache"))
      if (e.path().extension() == ".tpl") out[e.path().filename().string()] = fs::last_write_time(e.path());
    return out;
  }
  // The percentages the bar showed while the outputs were written.
  std::vector<int32_t> output_pass_percents() const {
    std::vector<int32_t> percents;
    bool output_pass = false;
    for (const auto& call : progress_->calls()) {
      if (call.function == "ShowProgress3") output_pass = call.text == "Tolvex - Generating PHP Scripts...";
      if (output_pass && call.function == "SetProgress") percents.push_back(call.number);
    }
    return percents;
  }
  bool phase_shown(const std::string& phase) const {
    for (const std::string& p : phases())
      if (p.find(phase) != std::string::npos) return true;
    return false;
  }
};

TEST_F(DriverTest, GeneratesTheSiteAndKeepsTheCompiledTemplatesOfAnUnchangedPackage) {
  make_package();
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(site_files(), (std::set<std::string>{"pages/orderslist.php", "ordersview.php", "orders_totalfld.txt",
                                                 "home.php", "shop.css", "syscode.txt", "validatecode.txt"}));
  EXPECT_EQ(read_text(dest_ / "pages" / "orderslist.php").substr(0, 24), "List of ORDERS (Records)");
  EXPECT_NE(read_text(dest_ / "orders_totalfld.txt").find("Field total of orders"), std::string::npos);
  EXPECT_EQ(phases(), (std::vector<std::string>{"Tolvex - Initializing VBScript Engine...",
                                                "Tolvex - Validating project settings...", "Tolvex - Merging extensions...",
                                                "Tolvex - Validating control.xml...", "Tolvex - Loading template...",
                                                "Tolvex - Creating Cache Files...", "Tolvex - Generating PHP Scripts..."}));
  // Every template compiled and recorded, with the package and the files it was made from.
  const auto first = compiled_times();
  EXPECT_EQ(first.size(), 5u);
  AGPCache cache(template_root() / "cache");
  for (const auto& [group, key] : std::vector<std::pair<std::string, std::string>>{
           {"template", "template"}, {"usercode", "usercode"}, {"control", "control"}, {"language", "language"},
           {"tpl", "list.tpl"}})
    EXPECT_NE(cache.CheckCache(vb::Variant(group), vb::Variant(key), vb::Variant(), vb::Variant()), 2) << key;
  // The engines are released at the normal end.
  EXPECT_FALSE(ctx().GenerationEngine);
  EXPECT_FALSE(ctx().ParseEngine);
  // The two table pages and the field page each move the bar a third of the way.
  EXPECT_EQ(output_pass_percents(), (std::vector<int32_t>{33, 67, 100}));
  EXPECT_EQ((std::array{ctx().OutputsWritten, ctx().OutputsSkipped, ctx().OutputsBackedUp}), (std::array{5, 0, 0}));

  // Second run: nothing is compiled again; the existing outputs are asked about.
  progress_->clear();
  proj_->PromptOnOverwrite(true);
  orders_->TblOverwrite(true);
  proj_->OtherOverwrite(true);
  write_text(dest_ / "ordersview.php", "old");
  ui_->then(OverwriteAnswer::Yes).then(OverwriteAnswer::NoToAll);
  const auto index_time = fs::last_write_time(template_root() / "cache" / "cache.xml");
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_FALSE(phase_shown("Creating Cache Files"));
  EXPECT_EQ(compiled_times(), first);
  EXPECT_EQ(fs::last_write_time(template_root() / "cache" / "cache.xml"), index_time);
  // The list page was answered Yes, the view page skipped with every later one.
  int asked = 0;
  for (const auto& q : ui_->questions()) asked += q.kind == "overwrite";
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(read_text(dest_ / "ordersview.php"), "old");
  EXPECT_EQ((std::array{ctx().OutputsWritten, ctx().OutputsSkipped, ctx().OutputsBackedUp}), (std::array{1, 4, 0}));
}

// Compiled templates depend on the user's ConvertBoolean value, the engine's locale flag and
// the code files: a change to any of them compiles every template again.
// Field pages move the bar as table pages do, so they are part of its total: the bar never
// runs ahead of the pages written and stands at 100% when the last one is done.
TEST_F(DriverTest, TheProgressBarCountsFieldPagesAndEndsAtTheTotal) {
  const std::string control =
      read_text(fs::path(TOLVEX_TEST_DIR) / "fixtures" / "driver" / "package" / "control.xml");
  const std::string field_control = "<control id=\"fld\" type=\"field\"";
  ASSERT_NE(control.find(field_control), std::string::npos);
  const struct {
    const char* label;
    bool id, total;        // the fields' FldGenerate
    std::string condition;  // of the field control
    std::vector<int32_t> percents;
  } cases[] = {
      {"no field page", false, false, "", {50, 100}},
      {"one field page", false, true, "", {33, 67, 100}},
      {"two field pages", true, true, "", {25, 50, 75, 100}},
      {"the condition holds for one field", true, true, "field/FldVar/eq/x_id", {33, 67, 100}},
  };
  time_t mtime = 1700000000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::string changed = control;
    if (!c.condition.empty())
      changed.replace(control.find(field_control), field_control.size(), field_control + " cond=\"" + c.condition + "\"");
    make_package({{"control.xml", changed}}, mtime += 10);
    field("id").FldGenerate(c.id);
    field("total").FldGenerate(c.total);
    fs::remove_all(dest_);
    progress_->clear();
    ASSERT_EQ(generate(), 0) << raised_;
    EXPECT_EQ(output_pass_percents(), c.percents);
    EXPECT_EQ(ctx().ProgressDone, ctx().ProgressTotal);
    EXPECT_EQ(ctx().ProgressTotal, int32_t(c.percents.size()));
  }
}

TEST_F(DriverTest, ChangedCodeFilesOrBooleanSettingRenewTheCompiledTemplates) {
  make_package();
  const fs::path code = fs::path(TOLVEX_SOURCE_DIR) / "share" / "tolvex" / "code";
  const fs::path common = docs_ / "code" / "common.vbs";
  const fs::path prefix = docs_ / "code" / "sysprefix.txt";
  fs::create_directories(common.parent_path());
  fs::copy_file(code / "common.vbs", common);
  fs::copy_file(code / "sysprefix.txt", prefix);
  user_value(general(), "COMMONCODE", platform::RegValue::make_text(common.string()));
  user_value(general(), "SYSCODEPREFIX", platform::RegValue::make_text(prefix.string()));
  ASSERT_EQ(generate(), 0) << raised_;
  ASSERT_TRUE(phase_shown("Creating Cache Files"));
  const struct {
    const char* label;
    std::function<void()> change;
    bool compiles;
  } steps[] = {
      {"nothing changed", [] {}, false},
      {"ConvertBoolean", [&] { user_value(general(), "ConvertBoolean", platform::RegValue::make_text("True")); }, true},
      {"ConvertBoolean kept", [] {}, false},
      {"common code", [&] { write_text(common, read_text(common) + "\r\n' changed\r\n"); }, true},
      {"system code prefix", [&] { write_text(prefix, read_text(prefix) + "\r\n"); }, true},
      {"all as before", [] {}, false},
  };
  for (const auto& step : steps) {
    step.change();
    progress_->clear();
    proj_->OtherOverwrite(true);
    ASSERT_EQ(generate(), 0) << step.label << ": " << raised_;
    EXPECT_EQ(phase_shown("Creating Cache Files"), step.compiles) << step.label;
    EXPECT_EQ(compiled_times().size(), 5u) << step.label;
  }
}

// A first run into a destination that does not exist yet creates it before anything is
// written there: the debug copies of the system and validation code and the root's files.
TEST_F(DriverTest, AFirstRunCreatesTheDestinationBeforeWritingIntoIt) {
  make_package();
  dest_ = docs_ / "new" / "site";
  proj_->Destination(dest_.string());
  ASSERT_FALSE(fs::exists(dest_.parent_path()));
  ASSERT_EQ(generate(), 0) << raised_;
  const std::set<std::string> files = site_files();
  for (const char* f : {"syscode.txt", "validatecode.txt", "shop.css", "home.php", "ordersview.php"})
    EXPECT_TRUE(files.count(f)) << f;
}

// A file whose name differs from an output's only in letter case is not that output: the
// run writes the output beside it and never deletes, backs up or asks about it.
TEST_F(DriverTest, AFileNamedLikeAnOutputInAnotherLetterCaseIsLeftAlone) {
  make_package();
  user_value(general(), "BackupFile", platform::RegValue::make_text("True"));
  write_text(dest_ / "OrdersView.php", "the user's page");
  write_text(dest_ / "pages" / "OrdersList.PHP", "another page of the user");
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(read_text(dest_ / "OrdersView.php"), "the user's page");
  EXPECT_EQ(read_text(dest_ / "pages" / "OrdersList.PHP"), "another page of the user");
  EXPECT_TRUE(site_files().count("ordersview.php"));
  EXPECT_EQ(read_text(dest_ / "pages" / "orderslist.php").substr(0, 24), "List of ORDERS (Records)");
  EXPECT_FALSE(fs::exists(dest_ / "OrdersView.php.bak"));
  EXPECT_TRUE(ui_->questions().empty());
}

TEST_F(DriverTest, TwoTablesWhoseOutputsShareAPathAreRefusedBeforeAnythingIsWritten) {
  make_package();
  // "order s" and "orders" differ, but the identifier rules give both the file names of "orders".
  ASSERT_TRUE(db_->Tables()->Add("order s"));
  const vb::Ref<AGPTable> other = db_->Tables()->Item(vb::Variant("order s"));
  other->TblType("TABLE");
  other->TblVar("orders");
  ASSERT_TRUE(other->Fields()->Add("order s", "id"));
  other->TblKey("id");
  other->TblGen(true);
  EXPECT_EQ(generate(), -1);
  EXPECT_NE(raised_.find("The table \"orders\" and the table \"order s\" both give the output"), std::string::npos)
      << raised_;
  for (const std::string& f : site_files()) EXPECT_EQ(f.find("orders"), std::string::npos) << f;

  // Once one of them is left out, the run goes through.
  other->TblGen(false);
  raised_.clear();
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_TRUE(site_files().count("ordersview.php"));
}

TEST_F(DriverTest, AChangedPackageIsKeptOrUnpackedAsTheUserAnswers) {
  make_package();
  ASSERT_EQ(generate(), 0) << raised_;
  make_package({{"list.php", "New list of <!--##=TABLE.TblName##-->\n"}}, 1700001234);
  proj_->OtherOverwrite(true);
  proj_->PromptOnOverwrite(false);
  orders_->TblOverwrite(true);

  // Keep: the old files stay, and the question comes again next time.
  ui_->then(true);
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(read_text(dest_ / "pages" / "orderslist.php").substr(0, 14), "List of ORDERS");
  ui_->then(false);
  ASSERT_EQ(generate(), 0) << raised_;
  int asked = 0;
  for (const auto& q : ui_->questions()) asked += q.kind == "template_version";
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(read_text(dest_ / "pages" / "orderslist.php").substr(0, 18), "New list of orders");
  // Unpacked and recorded: no question on the next run.
  ASSERT_EQ(generate(), 0) << raised_;
  asked = 0;
  for (const auto& q : ui_->questions()) asked += q.kind == "template_version";
  EXPECT_EQ(asked, 2);
}

TEST_F(DriverTest, CancelDuringCompilationEndsTheRunBeforeAnythingIsCompiled) {
  make_package();
  progress_->press_cancel();
  EXPECT_EQ(generate(), -1);
  EXPECT_EQ(raised_, "Generation cancelled by user!");
  EXPECT_EQ(ctx().ProjErr, "Generation cancelled by user!");
  EXPECT_TRUE(compiled_times().empty());
  // Only the debug copies of the code that the engines loaded before the cancel.
  EXPECT_EQ(site_files(), (std::set<std::string>{"syscode.txt", "validatecode.txt"}));
}

TEST_F(DriverTest, CancelDuringTheOutputPassStopsBeforeTheNextOutputAndKeepsTheEngines) {
  make_package();
  ASSERT_EQ(generate(), 0) << raised_;
  fs::remove_all(dest_);
  // The templates are compiled already: the first poll is the output pass's.
  progress_->press_cancel(1);
  EXPECT_EQ(generate(), -1);
  EXPECT_EQ(raised_, "Generation cancelled by user!");
  EXPECT_EQ(site_files(), (std::set<std::string>{"pages/orderslist.php", "syscode.txt", "validatecode.txt"}));
  EXPECT_TRUE(ctx().GenerationEngine);
  EXPECT_TRUE(ctx().ParseEngine);
  // The next run starts afresh.
  progress_ = std::make_shared<platform::RecordingProgress>();
  ctx().StatusWindow = nullptr;
  ctx().progress = platform::ProgressServices{progress_, {}, [] { return int64_t(0); }};
  proj_->OtherOverwrite(true);
  orders_->TblOverwrite(true);
  proj_->PromptOnOverwrite(false);
  ASSERT_EQ(generate(), 0) << raised_;
  for (const char* f : {"pages/orderslist.php", "ordersview.php", "orders_totalfld.txt", "home.php", "shop.css"})
    EXPECT_TRUE(site_files().count(f)) << f;
}

TEST_F(DriverTest, EarlyChecksAbortWithTheirMessage) {
  const std::string bad_lang = (docs_ / "nothere.xml").string();
  struct Case {
    std::string name;
    std::function<void()> setup;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"no database", [this] { proj_->set_current_database(nullptr); },
       "Tolvex: Database not loaded! Generation aborted!"},
      {"no tables", [this] { db_->Tables()->Delete("orders"); },
       "Tolvex: No tables found in the Database! Generation aborted!"},
      {"no package", [this] { proj_->Template((docs_ / "none.zip").string()); },
       "Tolvex: Template file not found! Generation aborted!"},
      {"no user code",
       [this] {
         user_value(general(), "USERCODE", platform::RegValue::make_text((docs_ / "none.vbs").string()));
         reload_defaults();
       },
       "Tolvex: User code file not found! Generation aborted!"},
      {"no control file", [this] { make_package({{"control.xml", ""}}); },
       "Tolvex: control file not found! Generation aborted!"},
      {"control file of another product",
       [this] { make_package({{"control.xml", "<other.control version=\"3.0\"/>"}}); },
       "Tolvex: Control file is invalid! Please check if the correct template file is in use!"},
      {"control file not XML", [this] { make_package({{"control.xml", "<tolvex.control"}}); },
       "Tolvex: Load control file failed! Please check if the correct template file is in use!"},
      {"newer template",
       [this] { make_package({{"control.xml", "<tolvex.control version=\"4.0\"/>"}}); },
       "Tolvex: Template version (4.0) newer than software version (" + std::string("?") +
           ")! Generation aborted!"},
      {"older template",
       [this] { make_package({{"control.xml", "<tolvex.control version=\"2.9\"/>"}}); },
       "Tolvex: Template version (2.9) older than minimum required (3.0)! Generation aborted!"},
      {"no language file",
       [this, bad_lang] {
         make_package({{"lang.xml", ""}});
         user_value(general(), "Language", platform::RegValue::make_text(bad_lang));
         reload_defaults();
       },
       "Tolvex: language file not found! Generation aborted!"},
      {"language file not loadable", [this] { make_package({{"lang.xml", "<nope/>"}}); },
       "Tolvex: Load Language File \"\" failed! Generation aborted!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    make_package();
    c.setup();
    EXPECT_EQ(generate(), 0) << raised_;
    std::string expected = c.message;
    if (const size_t q = expected.find("(?)"); q != std::string::npos)
      expected.replace(q, 3, "(" + proj_->version_text() + ")");
    if (const size_t q = expected.find("\"\""); q != std::string::npos)
      expected.replace(q, 2, "\"" + (template_root() / "Script" / "lang.xml").string() + "\"");
    EXPECT_EQ(ctx().ProjErr, expected);
    EXPECT_TRUE(site_files().empty());
    // Put the project back for the next case.
    proj_->set_current_database(db_);
    if (!db_->Tables()->TableExist("orders")) {
      ASSERT_TRUE(db_->Tables()->Add("orders"));
      orders_ = db_->Tables()->Item(vb::Variant("orders"));
    }
    proj_->Template(package_.string());
    user_value(general(), "USERCODE",
               platform::RegValue::make_text((fs::path(TOLVEX_SOURCE_DIR) / "share/tolvex/code/usercode.vbs").string()));
    user_value(general(), "Language", platform::RegValue::make_text(
                                          (fs::path(TOLVEX_SOURCE_DIR) / "share/tolvex/languages/english.xml").string()));
    reload_defaults();
    fs::remove_all(template_root());
  }
}

TEST_F(DriverTest, AMinorTemplateVersionAboveThreeIsAcceptedAndTheUsersLanguageFileStandsIn) {
  auto files = folder_files(fs::path(TOLVEX_TEST_DIR) / "fixtures" / "driver" / "package");
  std::string control = files["control.xml"];
  control.replace(control.find("version=\"3.0\""), 13, "version=\"3.1\"");
  make_package({{"control.xml", control}, {"lang.xml", ""}});
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(site_files().count("home.php"));
}

TEST_F(DriverTest, AMissingExtensionPackageIsDisabledAndTheRunGoesOn) {
  auto list = vb::make_ref<FakeExtensionList>();
  list->items.push_back(vb::make_ref<FakeExtension>("ghost", "ghost.zip", true));
  list->items.push_back(vb::make_ref<FakeExtension>("off", "off.zip", false));
  ctx().ExtensionList = list;
  ctx().ExtensionsFolder = (docs_ / "exts").string();
  make_package();
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "");
  ASSERT_FALSE(ui_->questions().empty());
  EXPECT_EQ(ui_->questions()[0].text, "Tolvex: Extension 'ghost' not found! Extension settings ignored.");
  EXPECT_FALSE(list->items[0]->enabled);
  // Every extension of the project gets its working folder, enabled or not.
  EXPECT_TRUE(fs::is_directory(template_root() / "extensions" / "off"));
  EXPECT_TRUE(site_files().count("pages/orderslist.php"));
}

TEST_F(DriverTest, TheProjectsOwnExtensionListIsReadAndUpdatedToo) {
  auto* list = dynamic_cast<AGPExtensions*>(proj_->Extensions().get());
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(list->Add("ghost"));
  const vb::Ref<AGPExtension> ghost = list->Item(vb::Variant("ghost"));
  ghost->Template("ghost.zip");
  ghost->Enabled(true);
  ctx().ExtensionsFolder = (docs_ / "exts").string();
  make_package();
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_FALSE(ghost->Enabled());
  EXPECT_TRUE(fs::is_directory(template_root() / "extensions" / "ghost"));
}

TEST_F(DriverTest, AnExtensionThatFailsToMergeIsDisabledAndTheUserMayStopTheRun) {
  auto list = vb::make_ref<FakeExtensionList>();
  list->items.push_back(vb::make_ref<FakeExtension>("broken", "broken.zip", true));
  ctx().ExtensionList = list;
  ctx().ExtensionsFolder = (docs_ / "exts").string();
  zip_files(docs_ / "exts" / "broken.zip", {{"control.xml", "<tolvex.control"}}, 1700000000);
  make_package();
  ui_->then(platform::msgbox::vbOK).then(platform::msgbox::vbNo);
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "Tolvex - Error in loading extensions. Generation aborted.");
  ASSERT_EQ(ui_->questions().size(), 2u);
  EXPECT_EQ(ui_->questions()[0].text, "Tolvex: Load extension 'broken' failed. Extension is disabled.");
  EXPECT_EQ(ui_->questions()[1].text,
            "Some extensions are disabled due to error in loading the extensions. Do you want to continue generation?");
  EXPECT_FALSE(list->items[0]->enabled);
  EXPECT_EQ(site_files(), (std::set<std::string>{"syscode.txt", "validatecode.txt"}));
  // The cache index is written without the extension's entry.
  AGPCache cache(template_root() / "cache");
  EXPECT_EQ(cache.CheckCache(vb::Variant("extension"), vb::Variant("broken"), vb::Variant(), vb::Variant()), 2);
  EXPECT_NE(cache.CheckCache(vb::Variant("control"), vb::Variant("control"), vb::Variant(), vb::Variant()), 2);

  // Answered Yes, the run goes on without the extension.
  list->items[0]->enabled = true;
  ui_->then(platform::msgbox::vbOK).then(platform::msgbox::vbYes);
  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(site_files().count("pages/orderslist.php"));
}

TEST_F(DriverTest, CheckRunCountsExistingOutputsAndCleansUp) {
  make_package();
  EXPECT_EQ(GenCheck(*proj_), 0);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(fs::exists(template_root() / "Tmp"));
  EXPECT_TRUE(site_files().empty());  // nothing written, not even folders' files

  ASSERT_EQ(generate(), 0) << raised_;
  EXPECT_GT(GenCheck(*proj_), 0);
  // Only the site-wide files left: they are counted too.
  fs::remove_all(dest_ / "pages");
  fs::remove(dest_ / "ordersview.php");
  fs::remove(dest_ / "orders_totalfld.txt");
  EXPECT_GT(GenCheck(*proj_), 0);
  fs::remove(dest_ / "home.php");
  fs::remove(dest_ / "shop.css");
  EXPECT_EQ(GenCheck(*proj_), 0);

  // A control file that does not load: 0 with the reason, and the scratch folder stays.
  make_package({{"control.xml", "<tolvex.control"}});
  EXPECT_EQ(GenCheck(*proj_), 0);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Load control file failed! Please check if the correct template file is in use!");
  EXPECT_TRUE(fs::exists(template_root() / "Tmp" / "control.xml"));
}

TEST_F(DriverTest, WorkingFoldersAndDeletionByExtension) {
  ctx().TemplatePackageName = TemplatePackageNameOf("C:\\pkgs\\my pack/age.zip");
  EXPECT_EQ(ctx().TemplatePackageName, "age.zip");
  ctx().TemplatePackageName = "my pack.zip";
  InitAppFolders(*proj_, "Script");
  const fs::path root = docs_ / "Tolvex" / "Templates" / "mypack.zip";
  EXPECT_EQ(ctx().TemplateRootFolder, root.string());
  for (const char* sub : {"extensions", "cache", "Script"}) EXPECT_TRUE(fs::is_directory(root / sub)) << sub;
  EXPECT_EQ(ctx().TemplateFolder, (root / "Script").string());

  for (const char* name : {"a.TPL", "b.tpl", "c.tpl.bak", "tpl", "d.xml"}) write_text(root / "cache" / name, "x");
  DeleteFilesByExt((root / "cache").string(), "tpl");
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(root / "cache")) left.insert(e.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"c.tpl.bak", "tpl", "d.xml"}));
  DeleteFilesByExt((root / "none").string(), "tpl");  // a missing folder deletes nothing
  DeleteFolderIfExists((root / "cache").string());
  EXPECT_FALSE(fs::exists(root / "cache"));
}

// The installed sample package over a small shop database.
TEST_F(DriverTest, TheSamplePackageGeneratesASite) {
  // A relative Template setting names a package of the application folder.
  zip_files(docs_ / "app" / "templates" / "sample.zip",
            folder_files(fs::path(TOLVEX_SOURCE_DIR) / "share" / "tolvex" / "templates" / "sample"), 1700000000);
  const char* old_data = std::getenv("TOLVEX_DATA_DIR");
  const std::string saved = old_data ? old_data : "";
  setenv("TOLVEX_DATA_DIR", (docs_ / "app").c_str(), 1);
  proj_->Template("templates\\sample.zip");
  package_ = docs_ / "app" / "templates" / "sample.zip";
  ASSERT_TRUE(db_->Tables()->Add("customers"));
  const vb::Ref<AGPTable> customers = db_->Tables()->Item(vb::Variant("customers"));
  customers->TblType("TABLE");
  customers->TblVar("customers");
  ASSERT_TRUE(customers->Fields()->Add("customers", "name"));  // no key: list and info only
  customers->TblGen(true);
  orders_->TblAdd(true);
  orders_->TblEdit(true);
  orders_->TblDelete(true);
  proj_->DefaultPage("");
  const int32_t raised = generate();
  if (old_data) setenv("TOLVEX_DATA_DIR", saved.c_str(), 1);
  else unsetenv("TOLVEX_DATA_DIR");
  ASSERT_EQ(raised, 0) << raised_;
  EXPECT_TRUE(fs::is_directory(template_root() / "Script"));
  EXPECT_EQ(ctx().ProjErr, "");
  const std::set<std::string> files = site_files();
  for (const char* f : {"index.php", "common.php", "menu.php", "css/site.css", "images/logo.svg", "ordersinfo.php",
                        "orderslist.php", "ordersview.php", "ordersadd.php", "ordersedit.php", "ordersdelete.php",
                        "customersinfo.php", "customerslist.php"})
    EXPECT_TRUE(files.count(f)) << f;
  EXPECT_FALSE(files.count("customersview.php"));
  EXPECT_FALSE(files.count("customersadd.php"));
  if (const char* keep = std::getenv("TOLVEX_KEEP_SAMPLE_SITE")) fs::copy(dest_, keep, fs::copy_options::recursive);
}

}  // namespace
}  // namespace tolvex::testing
