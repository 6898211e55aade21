#include "templates/package_preparation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "templates/cache_index.h"
#include "templates/compiler_fixture.h"

using namespace tolvex;
using tolvex::testing::TemplateFixture;
using vb::Variant;
namespace fs = std::filesystem;

namespace {

class PreparationTest : public TemplateFixture {
 protected:
  PreparationTest() {
    cache_ = vb::make_ref<AGPCache>(fs::path(ctx().CacheFolder));
    ctx().TemplateCache = cache_;
  }

  // Every file of the package and the extensions last modified on 2025-06-01.
  void age_all_files() {
    for (const auto& e : fs::recursive_directory_iterator(root_))
      if (e.is_regular_file()) set_mtime(e.path().string(), 2025, 6, 1);
  }
  // The control's compiled template as recorded on 2026-01-01 (with its file unless told).
  void record_compiled(const AGPControl& c, bool with_file = true) {
    const std::string file = TemplateCompiler::GetTemplateFileName(c);
    if (with_file) write(file, "compiled");
    cache_->AddCache(Variant("tpl"), Variant(fs::path(file).filename().string()), local_date(2026, 1, 1),
                     Variant(int32_t(8)));
  }
  static vb::Ref<AGPControl> make_control(const std::string& id, const std::string& ifiles,
                                          const std::string& ext = "") {
    auto c = vb::make_ref<AGPControl>();
    c->CtrlID = id;
    c->CtrlIFiles = ifiles;
    c->CtrlExt = ext;
    return c;
  }
  static void add_session(AGPControl& c, const std::string& type, const std::string& value, const std::string& ifile,
                          const std::string& ext = "") {
    AGPSession s;
    s.SessType = type;
    s.SessValue = value;
    s.SessIFile = ifile;
    c.Sessions().AddSession(s, "", "");
    c.Sessions().Item(c.Sessions().Count())->SessExt = ext;
  }
  static std::vector<std::string> ids(const AGPControls& list) {
    std::vector<std::string> out;
    for (const auto& c : list.items()) out.push_back(c->CtrlID);
    return out;
  }
  static std::vector<std::string> session_values(AGPControl& c) {
    std::vector<std::string> out;
    for (const auto& s : c.Sessions().items()) out.push_back(s->SessValue);
    return out;
  }
  // The (file, session) rows of the shared file cache.
  static std::vector<std::string> cached_rows() {
    std::vector<std::string> out;
    for (const auto& r : shared_file_cache().rows()) out.push_back(r.file + "/" + r.session);
    return out;
  }

  vb::Ref<AGPCache> cache_;
};

TEST_F(PreparationTest, CheckFileCacheComparesDateAndSize) {
  const std::string file = in_package("a.php");
  set_mtime(file, 2026, 3, 1);
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), in_package("gone.php")), -1);
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), file), 2);

  // recorded with a time a fraction of a second off: the same second counts as unchanged
  const double fraction = 0.4 / 86400;
  Variant date = file_date_last_modified(file);
  cache_->AddCache(Variant("Control"), Variant("CONTROL"), Variant::date(date.raw_date() + fraction),
                   file_size_value(file));
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), file), 0);
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), in_package("A.PHP")), 0);  // any letter case

  write(file, read(file) + "more");
  set_mtime(file, 2026, 3, 1);
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), file), 1);  // size
  cache_->AddCache(Variant("control"), Variant("control"), file_date_last_modified(file), file_size_value(file));
  set_mtime(file, 2026, 3, 2);
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), file), 1);  // date

  ctx().TemplateCache.reset();
  EXPECT_EQ(CheckFileCache(Variant("control"), Variant("control"), file), 2);
}

TEST_F(PreparationTest, ChangeCheckMarksControlsToCompile) {
  struct Case {
    const char* label;
    std::function<vb::Ref<AGPControl>()> make;
    int recorded;                         // the compiled template has 0 no entry, 1 an entry, 2 an entry and a file
    std::vector<std::string> touched;     // files modified after it was recorded
    std::vector<std::string> extensions;  // the project's extensions
    bool expected;
  };
  auto list = [this] { return vb::ref_from(&control("list")); };
  auto report = [] {
    auto c = make_control("report", "report.php", "reports");
    add_session(*c, "key", "main", "");
    return c;
  };
  auto sessions_only = [] {
    auto c = make_control("parts", "a.php");
    add_session(*c, "key", "x", "b.php");
    add_session(*c, "include", "y", "shared.php");  // not a file of the control
    return c;
  };
  const std::string pkg = "Script/", ext = "extensions/";
  const Case cases[] = {
      {"nothing changed", list, 2, {}, {}, false},
      {"no entry: compiled without looking at files", [] { return make_control("x", "gone.php"); }, 0, {}, {}, true},
      {"compiled file missing", list, 1, {}, {}, true},
      {"template file", list, 2, {pkg + "list.php"}, {}, true},
      {"included file", list, 2, {pkg + "shared.php"}, {}, true},
      {"file included by an included file", list, 2, {pkg + "nested.php"}, {}, true},
      {"file of a key session", sessions_only, 2, {pkg + "b.php"}, {}, true},
      {"file named by another kind of session", sessions_only, 2, {pkg + "shared.php"}, {}, false},
      {"no input files: sessions are not looked at",
       [] {
         auto c = make_control("y", "");
         add_session(*c, "key", "x", "b.php");
         return c;
       },
       2,
       {pkg + "b.php"},
       {},
       false},
      {"files that include each other", [] { return make_control("c", "self.php"); }, 2, {}, {}, false},
      {"template folder present", [this] { return vb::ref_from(&control("assets")); }, 2, {}, {}, false},
      {"extension control: own include", report, 2, {ext + "reports/shared.php"}, {}, true},
      {"extension control: the package's file of that name", report, 2, {pkg + "shared.php"}, {}, false},
      {"extension control: another extension's file",
       report,
       2,
       {ext + "audit/shared.php"},
       {"audit", "reports"},
       false},
      {"package control: an extension's copy of an include",
       [] { return make_control("z", "includes.php"); },
       2,
       {ext + "reports/shared.php"},
       {"absent", "reports", "audit"},
       true},
      {"package control: the package's file hidden by the extension's",
       [] { return make_control("z", "includes.php"); },
       2,
       {pkg + "shared.php"},
       {"audit", "reports"},
       false},
  };
  write(in_package("includes.php"), "<!--##include shared.php/footer##-->");
  write(in_package("self.php"), "<!--##include self.php/x##--><!--##include other.php/y##-->");
  write(in_package("other.php"), "<!--##include self.php/x##-->");
  write(in_extension("audit", "shared.php"), "<!--##session footer##-->audit<!--##/session##-->");
  for (const Case& c : cases) {
    extensions_->names = c.extensions;
    age_all_files();
    cache_->DeleteCacheGroup(Variant("tpl"));
    for (const auto& e : fs::directory_iterator(ctx().CacheFolder)) fs::remove(e.path());
    vb::Ref<AGPControl> ctrl = c.make();
    if (c.recorded > 0) record_compiled(*ctrl, c.recorded == 2);
    for (const std::string& f : c.touched) set_mtime((root_ / f).string(), 2026, 2, 1);
    ctrl->CtrlGen = !c.expected;
    EXPECT_EQ(CheckTemplateChanged(*ctrl), c.expected) << c.label;
    EXPECT_EQ(ctrl->CtrlGen, c.expected) << c.label;
  }
}

TEST_F(PreparationTest, ChangeCheckReportsMissingFiles) {
  write(in_package("lost_include.php"), "<!--##include lost.php/x##-->");
  struct Case {
    const char* label;
    vb::Ref<AGPControl> ctrl;
    std::string missing;
  };
  auto with_folder = make_control("f", "a.php");
  with_folder->CtrlIFolder = "nofolder/";
  auto with_session = make_control("s", "a.php");
  add_session(*with_session, "key", "x", "gone.txt");
  const Case cases[] = {
      {"input file", make_control("i", "a.php,gone.php"), "gone.php"},
      {"input file named with blanks", make_control("b", "a.php, gone.php "), " gone.php "},
      {"included file", make_control("n", "lost_include.php"), "lost.php"},
      {"template folder", with_folder, "nofolder/"},
      {"file of a key session", with_session, "gone.txt"},
      {"file of an extension control", make_control("e", "gone.php", "reports"), "gone.php"},
  };
  age_all_files();
  for (const Case& c : cases) {
    record_compiled(*c.ctrl);
    ctx().ProjErr.clear();
    EXPECT_EQ(generation_error([&] { CheckTemplateChanged(*c.ctrl); }),
              "Missing \"" + c.missing + "\" in template folder \"" + folder() + "\". Generation aborted.")
        << c.label;
  }
}

TEST_F(PreparationTest, ControlFilesAreReadIntoTheFileCache) {
  struct Case {
    const char* label;
    std::function<vb::Ref<AGPControl>()> make;
    std::vector<std::string> extensions;
    std::vector<std::string> rows;
    std::string footer;  // the text stored for shared.php/footer
  };
  const Case cases[] = {
      {"input file, its includes at any depth, and a key session's file",
       [this] { return vb::ref_from(&control("list")); },
       {},
       {"list.php/code", "list.php/body", "list.php/hidden", "shared.php/header", "shared.php/footer",
        "nested.php/logo"},
       "<footer>end</footer>"},
      {"no input files: nothing is read",
       [] {
         auto c = make_control("y", "");
         add_session(*c, "key", "header", "shared.php");
         return c;
       },
       {},
       {},
       ""},
      {"extension control: its own folder only",
       [] { return make_control("report", "report.php", "reports"); },
       {"reports"},
       {"report.php/main", "shared.php/footer"},
       "<footer>from the extension</footer>"},
      {"package control: an extension's copy first",
       [] { return make_control("z", "includes.php"); },
       {"audit", "reports"},
       {"shared.php/footer"},
       "<footer>from the extension</footer>"},
      {"session of an extension merged into a package control",
       [] {
         auto c = make_control("w", "a.php");
         add_session(*c, "key", "extra", "extra.php", "reports");
         return c;
       },
       {},
       {"extra.php/extra"},
       ""},
  };
  write(in_package("includes.php"), "<!--##include shared.php/footer##-->");
  for (const Case& c : cases) {
    extensions_->names = c.extensions;
    shared_file_cache().Clear();
    LoadControlTemplateFiles(*c.make());
    EXPECT_EQ(cached_rows(), c.rows) << c.label;
    EXPECT_EQ(shared_file_cache().GetSession("shared.php", "footer"), c.footer) << c.label;
  }
}

TEST_F(PreparationTest, MergesExtensionControls) {
  extensions_->names = {"reports"};
  AGPControls& list = controls();
  ASSERT_TRUE(MergeExtensionControls(*project_, "reports"));

  // added at the end, changed in place, deleted; unknown ids and actions change nothing
  EXPECT_EQ(ids(list), (std::vector<std::string>{"list", "none", "assets", "report"}));
  AGPControl& report = control("report");
  EXPECT_EQ(report.CtrlExt, "reports");
  EXPECT_EQ(report.Sessions().Item(1)->SessExt, "reports");
  AGPControl& main = control("list");
  EXPECT_EQ(main.CtrlExt, "");
  EXPECT_EQ(main.CtrlIFiles, "list.php");
  EXPECT_EQ(session_values(main), (std::vector<std::string>{"common", "code", "body", "extra", "code", "footer"}));
  const vb::Ref<AGPSession> extra = main.Sessions().Item(4);
  EXPECT_EQ(extra->SessIFile, "extra.php");
  EXPECT_EQ(extra->SessExt, "reports");
  const vb::Ref<AGPSession> changed = main.Sessions().Item(2);
  EXPECT_EQ(changed->SessCond, "yes");
  EXPECT_EQ(changed->SessExt, "reports");
  EXPECT_EQ(changed->SessAction, "change");
  EXPECT_EQ(main.Sessions().Item(5)->SessExt, "");

  // the merged session's file is read from the extension's folder and compiled in its place
  add_orders_table();
  start_engine();
  run_language().AddPhrase("title", "Report title");
  LoadControlTemplateFiles(main);
  EXPECT_EQ(compile_and_run(main),
            "[include common as php]\r\n<?php // code of ORDERS"
            "<body><header>Report title<img src=\"logo.svg\"></header><main>rows</main></body>"
            "<aside>extra</aside><?php // code of ORDERS<footer>end</footer>");

  // a control merged with itself: a session deleting itself goes, and nothing breaks
  auto self = make_control("self", "a.php");
  add_session(*self, "key", "x", "");
  self->Sessions().Item(1)->SessAction = "delete";
  MergeControlSessions(*self, *self);
  EXPECT_EQ(self->Sessions().Count(), 0);
}

TEST_F(PreparationTest, RefusesUnknownOrBrokenExtensions) {
  extensions_->names = {"reports", "audit", "absent"};
  struct Case {
    const char* label;
    std::string name;
    int16_t status;
  };
  const Case cases[] = {
      {"not an extension of the project", "ghost", 1},
      {"no control file", "absent", 1},
      {"a control file whose root is refused", "audit", 2},
  };
  const std::vector<std::string> before = ids(controls());
  for (const Case& c : cases) {
    ctx().ControlFileStatus = 0;
    EXPECT_FALSE(MergeExtensionControls(*project_, c.name)) << c.label;
    EXPECT_EQ(ctx().ControlFileStatus, c.status) << c.label;
    EXPECT_EQ(ids(controls()), before) << c.label;
  }
  ctx().ExtensionList.reset();  // a project without extensions
  ctx().ControlFileStatus = 0;
  EXPECT_FALSE(MergeExtensionControls(*project_, "reports"));
  EXPECT_EQ(ctx().ControlFileStatus, 1);
}

}  // namespace
