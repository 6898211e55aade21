// A project object over a fresh context, with a template package unpacked into a temporary
// template folder (tests/templates/fixtures/compiler: the package, two extensions and the
// system code the compiled templates call), a recording progress window and a generation
// engine on request.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "model/project.h"
#include "model/project_fixture.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "templates/ag_script.h"
#include "templates/code_files.h"
#include "templates/controls.h"
#include "templates/file_cache.h"
#include "templates/filters.h"
#include "templates/language.h"
#include "templates/template_compiler.h"
#include "templates/template_run.h"
#include "vb/convert.h"

namespace tolvex::testing {

// The extensions of a project as the template layer asks for them.
class FakeExtensions : public vb::Dispatch, public TemplateExtensionSource {
 public:
  std::vector<std::string> names;

  std::vector<std::string> extension_names() const override { return names; }
  std::string type_name() const override { return "FakeExtensions"; }
  vb::DispId find_member(std::string_view name) const override {
    return vb::iequals(name, "ExtensionExist") ? 1 : vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind, vb::Args args) override {
    if (id != 1 || args.size() != 1) vb::raise(vb::err::kNotSupported);
    for (const std::string& n : names)
      if (n == vb::to_string(args[0])) return vb::Variant(true);
    return vb::Variant(false);
  }
};

class TemplateFixture : public ProjectFixture {
 protected:
  TemplateFixture() {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(TOLVEX_TEST_DIR) / "fixtures" / "compiler";
    root_ = docs_ / "Templates" / "pkg";
    fs::create_directories(root_ / "cache");
    fs::copy(source / "package", root_ / "Script", fs::copy_options::recursive);
    fs::copy(source / "extensions", root_ / "extensions", fs::copy_options::recursive);
    code_ = source / "code";
    ModuleContext& c = ctx();
    c.HostUi = ui_;
    c.progress = platform::ProgressServices{progress_, {}, [] { return int64_t(0); }};
    project_ = vb::make_ref<AGP>();
    c.TemplateFolder = (root_ / "Script").string();
    c.ExtensionWorkFolder = (root_ / "extensions").string();
    c.CacheFolder = (root_ / "cache").string();
    c.CurrentTemplateFolder = c.TemplateFolder;
    extensions_ = vb::make_ref<FakeExtensions>();
    c.ExtensionList = extensions_;
    set_template_extension_source(extensions_.get());
    previous_evaluator_ = register_condition_evaluator([this](AGP&, const std::string& cond) {
      conditions_.push_back(cond);
      return cond != "no";
    });
  }
  ~TemplateFixture() override {
    register_condition_evaluator(std::move(previous_evaluator_));
    set_template_extension_source(nullptr);
  }

  std::string folder() { return ctx().TemplateFolder; }
  std::string in_package(const std::string& name) { return folder() + "/" + name; }
  std::string in_extension(const std::string& ext, const std::string& name) {
    return ctx().ExtensionWorkFolder + "/" + ext + "/" + name;
  }
  static void write(const std::string& path, const std::string& bytes) { platform::write_file_atomic(path, bytes); }
  static std::string read(const std::string& path) { return platform::read_file(path); }

  // The package's control list, loaded on first use.
  AGPControls& controls() {
    AGPControls& list = project_controls(*project_);
    if (list.Count() == 0) {
      EXPECT_TRUE(list.LoadControls(in_package("control.xml")));
    }
    return list;
  }
  AGPControl& control(const std::string& id) {
    vb::Ref<AGPControl> c = controls().Item(vb::Variant(id));
    EXPECT_TRUE(c) << id;
    return *c;
  }
  // A control of its own with one input file holding `text`.
  vb::Ref<AGPControl> control_with_text(const std::string& id, const std::string& text) {
    write(in_package(id + ".txt"), text);
    auto c = vb::make_ref<AGPControl>();
    c->CtrlID = id;
    c->CtrlIFiles = id + ".txt";
    return c;
  }

  // The generation engine with the fixture's system and user code; `non_english` makes it
  // report a locale whose values need zvVal.
  AGScript& start_engine(bool non_english = false) {
    const std::string general = ProjectFixture::general();
    user_value(general, "SYSCODE", platform::RegValue::make_text((code_ / "syscode.xml").string()));
    user_value(general, "USERCODE", platform::RegValue::make_text((code_ / "usercode.vbs").string()));
    user_value(general, "ConvertBoolean", platform::RegValue::make_text(non_english ? "True" : "False"));
    auto engine = vb::make_ref<AGScript>();
    engine->Initialize(vb::Variant(project_), vb::Variant(project_->DB()),
                       vb::Variant(vb::ref_from(&project_controls(*project_))),
                       vb::Variant(vb::ref_from(&run_language())), vb::Variant(vb::ref_from(&run_filters())),
                       vb::Variant(project_->Extensions()), vb::Variant(project_->MenuList()));
    EXPECT_EQ(ctx().ProjErr, "");
    ctx().GenerationEngine = engine;
    return *engine;
  }
  // A database with the table "orders" (caption "Orders") and its field "id", both current.
  void add_orders_table() {
    auto db = vb::make_ref<AGPDatabase>();
    db->Tables()->Add("orders");
    vb::Ref<AGPTable> t = db->Tables()->Item(vb::Variant("orders"));
    t->TblCaption("Orders");
    t->Fields()->Add("orders", "id");
    project_->set_current_database(db);
  }
  // Compiles the control into its cache script file and runs the function it holds, with the
  // current control set, and the current table and field when there is a database.
  std::string compile_and_run(AGPControl& c) {
    const std::string file = TemplateCompiler::GetTemplateFileName(c);
    template_compiler(*project_).CompileControlTemplate(c, file);
    AGScript* engine = generation_engine();
    EXPECT_NE(engine, nullptr);
    const std::string out = engine->BuildNewCode(TemplateCompiler::GetScriptFunctionName(c), read_script_file(file),
                                                 project_->DB() ? 3 : 1, 0);
    EXPECT_EQ(ctx().ProjErr, "");
    return out;
  }
  // Runs `fn`, which must raise the generation error; its description (the last-error text).
  template <class F>
  std::string generation_error(F&& fn) {
    try {
      fn();
    } catch (const vb::VBError& e) {
      EXPECT_EQ(e.number(), -1);
      EXPECT_EQ(e.description(), ctx().ProjErr);
      return e.description();
    }
    ADD_FAILURE() << "no generation error";
    return {};
  }

  // Sets a file's modification time to the local time given.
  static void set_mtime(const std::string& path, int year, int month, int day, int hour = 12) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
  }
  static vb::Variant local_date(int year, int month, int day, int hour = 12) {
    return vb::Variant::date(*vb::make_date(year, month, day) + vb::make_time(hour, 0, 0));
  }

  std::filesystem::path root_;
  std::filesystem::path code_;
  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
  std::shared_ptr<platform::RecordingProgress> progress_ = std::make_shared<platform::RecordingProgress>();
  vb::Ref<AGP> project_;
  vb::Ref<FakeExtensions> extensions_;
  std::vector<std::string> conditions_;  // the conditions evaluated, in order
  ConditionEvaluator previous_evaluator_;
};

}  // namespace tolvex::testing
