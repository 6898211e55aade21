#include "templates/ag_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/class_registry.h"
#include "foundation/context.h"
#include "platform/file_io.h"
#include "platform/host_ui.h"
#include "platform/registry.h"
#include "vb/convert.h"
#include "vb/strings.h"

using namespace tolvex;
using vb::Variant;
namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- fake script objects

// An object whose members are given as functions; the default member indexes `items`.
class FakeObject : public vb::Dispatch {
 public:
  using Getter = std::function<vb::Variant(vb::Args)>;
  using Setter = std::function<void(const vb::Variant&)>;

  // A read/write property holding a value.
  FakeObject& prop(const std::string& name, vb::Variant value) {
    auto cell = std::make_shared<vb::Variant>(std::move(value));
    // Arguments after a property go to the default member of its value, as `db.Tables(name)`.
    members_.push_back({name,
                        [cell](vb::Args a) {
                          if (a.empty()) return *cell;
                          return cell->object()->invoke(vb::kDispValue, vb::InvokeKind::Get, a);
                        },
                        [cell](const vb::Variant& v) { *cell = v; }});
    return *this;
  }
  FakeObject& member(const std::string& name, Getter get, Setter let = {}) {
    members_.push_back({name, std::move(get), std::move(let)});
    return *this;
  }
  // The default member: item by its key's text (letter case ignored).
  FakeObject& item(const std::string& key, vb::Variant value) {
    items_.push_back({key, std::move(value)});
    return *this;
  }

  std::string type_name() const override { return "FakeObject"; }
  vb::DispId find_member(std::string_view name) const override {
    for (size_t i = 0; i < members_.size(); ++i)
      if (vb::iequals(members_[i].name, name)) return vb::DispId(i + 1);
    return vb::kDispUnknown;
  }
  vb::Variant invoke(vb::DispId id, vb::InvokeKind kind, vb::Args args) override {
    if (id == vb::kDispValue) {
      if (args.size() != 1) vb::raise(vb::err::kWrongArgCount);
      const std::string key = vb::to_string(args[0]);
      for (const auto& it : items_)
        if (vb::iequals(it.first, key)) return it.second;
      vb::raise(vb::err::kSubscriptOutOfRange);
    }
    if (id < 1 || size_t(id) > members_.size()) vb::raise(vb::err::kNotSupported);
    Member& m = members_[size_t(id) - 1];
    if (kind == vb::InvokeKind::Let || kind == vb::InvokeKind::Set) {
      if (!m.let || args.empty()) vb::raise(vb::err::kNotSupported);
      m.let(args.back());
      return vb::Variant();
    }
    return m.get(args);
  }

 private:
  struct Member {
    std::string name;
    Getter get;
    Setter let;
  };
  std::vector<Member> members_;
  std::vector<std::pair<std::string, vb::Variant>> items_;
};

inline vb::Ref<FakeObject> fake() { return vb::make_ref<FakeObject>(); }

// The objects of one engine: PROJ (Name, ProjErr), DB with one current table and field,
// Controls with a current control, LANG whose Phrase(id) gives "<id>".
struct FakeModel {
  vb::Ref<FakeObject> proj = fake();
  vb::Ref<FakeObject> db = fake();
  vb::Ref<FakeObject> controls = fake();
  vb::Ref<FakeObject> lang = fake();
  vb::Ref<FakeObject> filters = fake();
  vb::Ref<FakeObject> exts = fake();
  vb::Ref<FakeObject> menus = fake();

  explicit FakeModel(const std::string& project_name = "Proj1", const std::string& db_name = "shop") {
    proj->prop("Name", vb::Variant(project_name))
        .member(
            "ProjErr", [](vb::Args) { return vb::Variant(context().ProjErr); },
            [](const vb::Variant& v) { context().ProjErr = vb::to_string(v); });
    auto field = fake();
    field->prop("Name", vb::Variant("id"));
    auto fields = fake();
    fields->prop("curName", vb::Variant("id")).item("id", vb::Variant(field));
    auto table = fake();
    table->prop("Name", vb::Variant("orders")).prop("Fields", vb::Variant(fields));
    auto tables = fake();
    tables->prop("curName", vb::Variant("orders")).item("orders", vb::Variant(table));
    db->prop("Name", vb::Variant(db_name)).prop("Tables", vb::Variant(tables));
    auto ctrl = fake();
    ctrl->prop("Name", vb::Variant("list"));
    controls->prop("curIndex", vb::Variant(int32_t(2))).item("2", vb::Variant(ctrl));
    lang->member("Phrase", [](vb::Args a) { return vb::Variant("<" + vb::to_string(a[0]) + ">"); });
    filters->prop("Name", vb::Variant("filters"));
    exts->prop("Name", vb::Variant("exts"));
    menus->prop("Name", vb::Variant("menus"));
  }
};


// ---- tests follow
const std::string kGeneral = "Software\\Tolvex\\3.0\\Settings\\General";
const std::string kCrLf = "\r\n";

std::string fixture(const std::string& name) { return std::string(TOLVEX_TEST_DIR) + "/fixtures/code/" + name; }

// The System module code that the fixture list syscode.xml gives, entry by entry.
const std::string kGreetCode =
    "\r\n' Greet\r\nFunction Greet()\r\n' begin Greet()\r\nGreet = \"\"\r\n"
    "Greet = Greet & \"Hello, \"\r\nGreet = Greet & PROJ.Name\r\nGreet = Greet & \"!\"\r\n"
    "Greet = Greet & LANG.Phrase(\"hi\")\r\nGreet = Greet & LANG.Phrase(\"bye\")\r\n' end Greet\r\n"
    "\r\nIf SCRPT.UserModuleExist(\"USER_Greet\") Then Greet=USER_Greet(Greet)\r\nEnd Function\r\n";
const std::string kPlainCode = "\r\nFunction Helper()\r\n  Helper = \"helped\"\r\nEnd Function\r\n\r\n";
const std::string kListCode =
    "\r\n' ListItems\r\nFunction ListItems(sep)\r\n' begin ListItems(sep)\r\nListItems = \"\"\r\n"
    "ListItems = ListItems & \"a\"&vbCrLf&zvIndentWrk&\"b\"\r\nListItems = ListItems & sep\r\n"
    "ListItems = ListItems & \"c\"\r\n' end ListItems\r\nEnd Function\r\n";

class ScriptEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_->ProductTitle = "Tolvex";
    ctx_->RegKeyGeneral = kGeneral;
    ctx_->HostUi = ui_;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dest_ = fs::temp_directory_path() / ("agscript-" + std::to_string(::getpid()) + "-" + info->name());
    fs::remove_all(dest_);
    fs::create_directories(dest_);
    ctx_->DestinationFolder = dest_.string();
  }
  void TearDown() override { fs::remove_all(dest_); }

  void setting(const std::string& name, const std::string& value) {
    reg_->set_value(platform::RegRoot::CurrentUser, kGeneral, name, platform::RegValue::make_text(value));
  }
  // The full set of code files of the fixture folder.
  void standard_settings() {
    setting("SYSCODE", fixture("syscode.xml"));
    setting("SYSCODEPREFIX", fixture("prefix.txt"));
    setting("SYSCODESUFFIX", fixture("suffix.txt"));
    setting("USERCODE", fixture("usercode.vbs"));
    setting("VALIDATECODE", fixture("validate.xml"));
  }
  vb::Ref<AGScript> start(const FakeModel& m) {
    auto e = vb::make_ref<AGScript>();
    e->Initialize(Variant(m.proj), Variant(m.db), Variant(m.controls), Variant(m.lang), Variant(m.filters),
                  Variant(m.exts), Variant(m.menus));
    return e;
  }
  std::string debug_file(const std::string& name) {
    const fs::path p = dest_ / name;
    return fs::exists(p) ? platform::read_file(p) : std::string("<missing>");
  }
  std::vector<std::string> system_procedures(AGScript& e) {
    std::vector<std::string> out;
    for (const auto& p : e.engine()->procedures(AGScript::kSystemModule)) out.push_back(p.name);
    return out;
  }

  std::shared_ptr<platform::MemoryRegistry> reg_ = std::make_shared<platform::MemoryRegistry>();
  platform::ScopedRegistry scoped_{reg_};
  ContextScope ctx_;
  std::shared_ptr<platform::ScriptedUI> ui_ = std::make_shared<platform::ScriptedUI>();
  fs::path dest_;
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(ScriptEngineTest, ConstructorLearnsTheLocale) {
  struct Case {
    const char* label;
    std::optional<platform::RegValue> convert;
    bool initialized;
    bool non_english;
    std::string err;
  };
  const Case cases[] = {
      {"no value: the probe runs", std::nullopt, true, false, ""},
      {"empty text: the probe runs", platform::RegValue::make_text(""), true, false, ""},
      {"True", platform::RegValue::make_text("True"), true, true, ""},
      {"false", platform::RegValue::make_text("false"), true, false, ""},
      {"number", platform::RegValue::make_text("-1"), true, true, ""},
      {"double word 0", platform::RegValue::make_dword(0), true, false, ""},
      {"not a Boolean", platform::RegValue::make_text("maybe"), false, false,
       "Initialize Script Engine failed. Error: Type mismatch"},
  };
  for (const Case& c : cases) {
    reg_->delete_value(platform::RegRoot::CurrentUser, kGeneral, "ConvertBoolean");
    if (c.convert) reg_->set_value(platform::RegRoot::CurrentUser, kGeneral, "ConvertBoolean", *c.convert);
    ctx_->ProjErr.clear();
    AGScript e;
    EXPECT_EQ(e.IsInitialized(), c.initialized) << c.label;
    EXPECT_EQ(e.NonEnglishLocale(), c.non_english) << c.label;
    EXPECT_EQ(ctx_->ProjErr, c.err) << c.label;
    if (e.IsInitialized()) {
      const bool probed = !c.convert || (c.convert->is_text_kind() && c.convert->text.empty());
      EXPECT_EQ(e.engine()->has_module(AGScript::kProbeModule), probed) << c.label;
    }
  }
}

TEST_F(ScriptEngineTest, InitializeBuildsTheModulesFromTheCodeFiles) {
  standard_settings();
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");

  // Only overridable function entries are system functions.
  EXPECT_EQ(e->system_function_names(), (Names{"", "Greet"}));
  const std::pair<Variant, bool> exists[] = {
      {Variant("greet"), true},     {Variant("GREET"), true},   {Variant("ListItems"), false},
      {Variant("Skipped"), false},  {Variant("Helper"), false}, {Variant(""), false},
      {Variant::null(), false},
  };
  for (const auto& [name, expected] : exists) EXPECT_EQ(e->ModuleExist(name), expected) << vb::type_name(name);

  // The user's USER_Greet receives the value computed so far.
  const struct {
    const char* module;
    const char* str;
    std::string expected;
  } builds[] = {
      {"Greet", "x", "[Hello, Proj1!<hi><bye>]"},
      {"ListItems", "keep", "keep"},
      {"Helper", "keep", "keep"},
  };
  for (const auto& b : builds) {
    EXPECT_EQ(vb::to_string(e->BuildCode(Variant(b.module), Variant(b.str))), b.expected) << b.module;
    EXPECT_EQ(vb::to_string(e->last_result()), b.expected) << b.module;
  }
  EXPECT_EQ(vb::to_string(e->RunModule(Variant("Helper"))), "helped");

  // The objects reach scripts by name, and a function with parameters keeps its line breaks.
  const std::string probe =
      "Function zvExProbe()\r\n"
      " zvExProbe = FILTERS.Name & EXTS.Name & MENULIST.Name & SCRPT.UserModuleExist(\"user_greet\") & "
      "\"|\" & ListItems(\"-\")\r\n"
      "End Function\r\n";
  EXPECT_EQ(e->BuildNewCode("zvExProbe", probe, 0, 0), "filtersextsmenusTrue|a\r\nb-c");
  EXPECT_EQ(ctx_->ProjErr, "");

  EXPECT_EQ(debug_file("syscode.txt"), kGreetCode + kPlainCode + kListCode);
  EXPECT_EQ(e->user_procedure_names(), (Names{"", "USER_Greet", "Bad"}));
  EXPECT_EQ(e->UserScript()->names(), (Names{"", "USER_Greet", "Bad"}));
  EXPECT_TRUE(e->UserModuleExist(Variant("user_greet")));
  EXPECT_FALSE(e->UserModuleExist(Variant("Greet")));
  EXPECT_EQ(e->validation_procedure_names(), (Names{"", "CheckName", "CheckDb"}));
  // An empty validation file is not added but still counts with its line break.
  EXPECT_EQ(debug_file("validatecode.txt"), "\r\n" + platform::read_file(fixture("check_name.vbs")) + "\r\n" +
                                                "\r\n" + platform::read_file(fixture("check_db.vbs")));
  EXPECT_TRUE(ui_->questions().empty());
}

TEST_F(ScriptEngineTest, ValidateRunsEveryProcedureUntilOneFails) {
  standard_settings();
  struct Case {
    const char* project;
    const char* db;
    std::string preset;
    bool result;
    std::string err;
  };
  const Case cases[] = {
      {"Proj1", "shop", "", true, ""},
      {"", "shop", "", false, "Project name missing"},
      {"Proj1", "bad", "", false, "Tolvex: Validation VBScript Runtime error in module \"CheckDb\" (line 0)\r\n\r\n"},
      {"Proj1", "boom", "", false,
       "Tolvex: Validation VBScript Runtime error \r\nDivision by zero\r\n"
       "  If DB.Name = \"boom\" Then CheckDb = 1 / 0\r\n"},
      {"", "boom", "earlier", false, "earlier"},
  };
  for (const Case& c : cases) {
    ctx_->ProjErr.clear();
    FakeModel m(c.project, c.db);
    auto e = start(m);
    ASSERT_EQ(ctx_->ProjErr, "");
    ctx_->ProjErr = c.preset;
    EXPECT_EQ(e->Validate(), c.result) << c.project << "/" << c.db;
    EXPECT_EQ(ctx_->ProjErr, c.err) << c.project << "/" << c.db;
  }

  // Without validation code there is nothing to refuse.
  reg_->delete_value(platform::RegRoot::CurrentUser, kGeneral, "VALIDATECODE");
  ctx_->ProjErr.clear();
  FakeModel m("", "boom");
  auto e = start(m);
  EXPECT_EQ(e->validation_procedure_names(), (Names{""}));
  EXPECT_TRUE(e->Validate());
}

TEST_F(ScriptEngineTest, LoadFailuresStopTheRemainingModules) {
  struct Case {
    const char* label;
    std::vector<std::pair<std::string, std::string>> settings;  // over the standard ones
    std::string err_prefix;
    bool exact;
    std::vector<std::string> absent;  // procedures the System module must not have
  };
  const Case cases[] = {
      {"missing system code list", {{"SYSCODE", fixture("nothere.xml")}},
       "Load syscode file " + fixture("nothere.xml") + " failed!", true, {"Greet", "USER_Greet"}},
      {"malformed system code list", {{"SYSCODE", fixture("malformed.xml")}},
       "Load syscode file " + fixture("malformed.xml") + " failed!", true, {"Helper"}},
      {"syntax error in an entry", {{"SYSCODE", fixture("syscode_bad.xml")}},
       "Tolvex (broken.txt) : VBScript Syntax Error\r\n", false, {"Broken", "Helper", "USER_Greet"}},
      {"unclosed block in an entry", {{"SYSCODE", fixture("syscode_unclosed.xml")}},
       "unclosed.txt: ***Incomplete Block at line 1 column 5! Generation failed!", false, {"Open", "Helper"}},
      {"missing validation list", {{"VALIDATECODE", fixture("nothere.xml")}},
       "Load validate file " + fixture("nothere.xml") + " failed!", true, {"USER_Greet"}},
      {"syntax error in a validation file", {{"VALIDATECODE", fixture("validate_bad.xml")}},
       "Tolvex (validate_bad.vbs) : VBScript Syntax Error\r\n", false, {"USER_Greet"}},
      {"syntax error in the user code", {{"USERCODE", fixture("usercode_bad.vbs")}},
       "Tolvex (usercode_bad.vbs) : VBScript Syntax Error\r\n", false, {"USER_Broken"}},
      {"syntax error in the common code", {{"COMMONCODE", fixture("usercode_bad.vbs")}},
       "Tolvex : VBScript Syntax Error\r\n", false, {"USER_Broken", "Greet"}},
  };
  for (const Case& c : cases) {
    reg_ = std::make_shared<platform::MemoryRegistry>();
    platform::ScopedRegistry scoped(reg_);
    standard_settings();
    for (const auto& [name, value] : c.settings) setting(name, value);
    ctx_->ProjErr.clear();
    FakeModel m;
    auto e = start(m);
    if (c.exact)
      EXPECT_EQ(ctx_->ProjErr, c.err_prefix) << c.label;
    else
      EXPECT_EQ(ctx_->ProjErr.substr(0, c.err_prefix.size()), c.err_prefix) << c.label << ": " << ctx_->ProjErr;
    const Names procs = system_procedures(*e);
    for (const std::string& p : c.absent)
      EXPECT_EQ(std::find(procs.begin(), procs.end(), p), procs.end()) << c.label << ": " << p;
    // Validation refuses to run while the error stands.
    EXPECT_FALSE(e->Validate()) << c.label;
  }
}

TEST_F(ScriptEngineTest, SyntaxErrorsNameTheFileAndLeaveDebugCopies) {
  standard_settings();
  setting("SYSCODE", fixture("syscode_bad.xml"));
  FakeModel m;
  auto e = start(m);
  const std::string broken = "\r\nSub Broken()\r\n  If True Then\r\nEnd Sub\r\n\r\n";
  const vbscript::ScriptError& err = e->engine()->error();
  EXPECT_EQ(ctx_->ProjErr, "Tolvex (broken.txt) : VBScript Syntax Error\r\n" + err.description + "\r\nIn line " +
                               std::to_string(err.line) + ": \r\n" + err.text);
  EXPECT_EQ(err.line, 4);
  EXPECT_EQ(err.text, "End Sub");
  // The failed entry and the code collected up to it.
  EXPECT_EQ(debug_file("broken.txt"), broken);
  EXPECT_EQ(debug_file("syscode.txt"), kGreetCode + broken);
  EXPECT_EQ(e->validation_procedure_names(), (Names{""}));
  EXPECT_EQ(e->user_procedure_names(), (Names{""}));

  // A template error: the parser's message after the entry's name, also at the end of the copy.
  setting("SYSCODE", fixture("syscode_unclosed.xml"));
  ctx_->ProjErr.clear();
  auto e2 = start(m);
  const std::string open_code =
      "\r\n' Open\r\nFunction Open()\r\n' begin Open()\r\nOpen = \"\"\r\none <!--##=x' end Open\r\nEnd Function\r\n";
  EXPECT_EQ(debug_file("unclosed.txt"), open_code + "\r\n" + ctx_->ProjErr);
  EXPECT_EQ(ctx_->ProjErr.rfind("unclosed.txt: ***Incomplete Block at line 1", 0), 0u) << ctx_->ProjErr;
}

TEST_F(ScriptEngineTest, MissingFilesAndMissingPrefix) {
  setting("SYSCODE", fixture("syscode_missing.xml"));
  FakeModel m;
  auto e = start(m);
  EXPECT_EQ(ctx_->ProjErr, "");
  ASSERT_EQ(ui_->questions().size(), 1u);
  EXPECT_EQ(ui_->questions()[0].text,
            "Tolvex: Script file " + fixture("nothere.txt") + " not found! Content not loaded!");
  EXPECT_EQ(ui_->questions()[0].title, "Tolvex");
  // The entry still becomes a function with its head and tail; without a prefix and a
  // suffix the debug copy says so.
  EXPECT_TRUE(e->ModuleExist(Variant("Gone")));
  EXPECT_EQ(vb::to_string(e->BuildCode(Variant("Gone"), Variant("x"))), "");
  EXPECT_EQ(ctx_->ProjErr, "");
  EXPECT_EQ(debug_file("syscode.txt"), "'missing syscodeprefix or syscodesuffix");
  // No user code: the default text, with no procedures.
  EXPECT_EQ(e->user_procedure_names(), (Names{""}));
  EXPECT_EQ(AGScript::DefaultUserScript(), "'Please enter your script here\r\n");
}

TEST_F(ScriptEngineTest, WithoutSystemCodeEveryProcedureIsASystemFunction) {
  FakeModel m;
  {
    auto e = start(m);
    EXPECT_EQ(ctx_->ProjErr, "");
    EXPECT_EQ(e->system_function_names(), (Names{"", "zvSetLocale", "LoadCurrent"}));
    EXPECT_TRUE(e->Validate());
    EXPECT_EQ(debug_file("syscode.txt"), "<missing>");
  }
  setting("COMMONCODE", fixture("common.vbs"));
  auto e = start(m);
  EXPECT_EQ(e->system_function_names(), (Names{"", "zvSetLocale", "LoadCurrent", "CommonMark"}));
  EXPECT_EQ(vb::to_string(e->BuildCode(Variant("commonmark"), Variant("x"))), "common");
  // The common code's LoadCurrent replaces the built-in one.
  EXPECT_EQ(e->BuildNewCode("zvExC", "Function zvExC()\r\n zvExC = LoadCurrent(2)\r\nEnd Function\r\n", 2, 0),
            "custom");
}

TEST_F(ScriptEngineTest, AddUserCodeAndTemplateScripts) {
  standard_settings();
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");

  e->AddUserCode(fixture("ext_usercode.vbs"));
  EXPECT_EQ(ctx_->ProjErr, "");
  // The procedures listed before are listed again.
  const Names listed{"", "USER_Greet", "Bad", "USER_Greet", "Bad", "ExtHello"};
  EXPECT_EQ(e->user_procedure_names(), listed);
  EXPECT_EQ(e->UserScript()->names(), listed);
  EXPECT_TRUE(e->UserModuleExist(Variant("EXTHELLO")));
  EXPECT_TRUE(e->UserScript()->UserModuleExist("exthello"));
  EXPECT_EQ(vb::to_string(e->RunModule(Variant("ExtHello"))), "ext");

  e->AddTemplateScript(fixture("template_script.vbs"));
  EXPECT_EQ(vb::to_string(e->RunModule(Variant("TplHello"))), "tpl");
  e->AddTemplateScript(fixture("nothere.vbs"));
  EXPECT_EQ(ctx_->ProjErr, "");
  EXPECT_EQ(ui_->questions().size(), 1u);

  struct Case {
    std::function<void()> add;
    std::string prefix;
  };
  const Case bad[] = {
      {[&] { e->AddUserCode(fixture("usercode_bad.vbs")); }, "Tolvex (usercode_bad.vbs) : VBScript Syntax Error\r\n"},
      {[&] { e->AddTemplateScript(fixture("usercode_bad.vbs")); },
       "Tolvex (usercode_bad.vbs) : VBScript Syntax Error\r\n"},
  };
  for (const Case& c : bad) {
    ctx_->ProjErr.clear();
    c.add();
    EXPECT_EQ(ctx_->ProjErr.substr(0, c.prefix.size()), c.prefix) << ctx_->ProjErr;
    const Names procs = system_procedures(*e);
    EXPECT_EQ(std::find(procs.begin(), procs.end(), "USER_Broken"), procs.end());
  }
  EXPECT_EQ(e->user_procedure_names(), listed);
}

TEST_F(ScriptEngineTest, RunModuleAndBuildCodeReportRuntimeErrors) {
  standard_settings();
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");

  EXPECT_EQ(vb::to_string(e->RunModule(Variant("Bad"))), "");
  EXPECT_EQ(ctx_->ProjErr,
            "Tolvex: VBScript Runtime error in module \"Bad\" (line 5)\r\nDivision by zero\r\n  Bad = 1 / 0\r\n");
  // While the error stands nothing runs.
  const std::string standing = ctx_->ProjErr;
  EXPECT_EQ(vb::to_string(e->RunModule(Variant("Helper"))), "");
  EXPECT_EQ(vb::to_string(e->BuildCode(Variant("Greet"), Variant("keep"))), "keep");
  EXPECT_EQ(ctx_->ProjErr, standing);

  ctx_->ProjErr.clear();
  e->RunModule(Variant("NoSuchProcedure"));
  EXPECT_EQ(ctx_->ProjErr.rfind("Tolvex: VBScript Runtime error in module \"NoSuchProcedure\" (line 0)\r\n", 0), 0u)
      << ctx_->ProjErr;

  // A failing system function leaves the value passed in.
  FakeModel failing;
  failing.proj = fake();
  failing.proj->member("Name", [](vb::Args) -> Variant { vb::raise(vb::err::kInvalidProcedureCall); });
  ctx_->ProjErr.clear();
  auto e2 = start(failing);
  ASSERT_EQ(ctx_->ProjErr, "");
  EXPECT_EQ(vb::to_string(e2->BuildCode(Variant("Greet"), Variant("x"))), "x");
  EXPECT_EQ(ctx_->ProjErr,
            "Tolvex: VBScript Runtime error in module \"Greet\" (line 7)\r\nInvalid procedure call or argument\r\n"
            "Greet = Greet & PROJ.Name\r\n");
}

TEST_F(ScriptEngineTest, BuildNewCodeAddsEachFunctionOnceAndSetsTheCurrentObjects) {
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");
  const std::string code =
      "zvAdded = zvAdded + 1\r\n"
      "Function zvExlist_php()\r\n"
      " zvExlist_php = CTRL.Name & \"/\" & TABLE.Name & \"/\" & FIELD.Name & \"/\" & zvAdded\r\n"
      "End Function\r\n";
  // bInitType 2 sets control, table and field; the same id is not added again, except with 0.
  EXPECT_EQ(e->BuildNewCode("zvExlist_php", code, 2, 0), "list/orders/id/1");
  EXPECT_EQ(e->BuildNewCode("zvExlist_php", code, 2, 0), "list/orders/id/1");
  EXPECT_EQ(e->BuildNewCode("zvExlist_php", code, 0, 0), "list/orders/id/2");
  // Ids compare with letter case: another spelling adds the text again.
  EXPECT_EQ(e->BuildNewCode("zvExLIST_php", code, 1, 0), "list/orders/id/3");
  EXPECT_EQ(ctx_->ProjErr, "");
  ASSERT_EQ(e->compiled_functions().size(), 3u);
  EXPECT_EQ(e->compiled_functions()[0], (std::pair<std::string, std::string>{"zvExlist_php", code}));
  EXPECT_EQ(e->compiled_functions()[2].first, "zvExLIST_php");

  // It runs even while an error stands.
  ctx_->ProjErr = "earlier";
  EXPECT_EQ(e->BuildNewCode("zvExlist_php", code, 3, 0), "list/orders/id/3");
  EXPECT_EQ(e->compiled_functions().size(), 3u);
  EXPECT_EQ(ctx_->ProjErr, "earlier");
}

TEST_F(ScriptEngineTest, BuildNewCodeErrors) {
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");
  struct Case {
    const char* id;
    std::string code;
    int32_t timeout;
    std::string err_prefix;
  };
  const Case cases[] = {
      {"zvExSyntax", "Function zvExSyntax()\r\n zvExSyntax = (1 +\r\nEnd Function\r\n", 0,
       "Tolvex: VBScript Syntax Error\r\n"},
      {"zvExDiv", "Function zvExDiv()\r\n zvExDiv = 1 / 0\r\nEnd Function\r\n", 0,
       "VBScript Runtime error, line: 2\r\nDivision by zero\r\n zvExDiv = 1 / 0\r\n"},
      {"zvExLoop", "Function zvExLoop()\r\n On Error Resume Next\r\n Do\r\n Loop\r\nEnd Function\r\n", 200,
       std::string("VBScript Runtime error, line: ")},
  };
  for (const Case& c : cases) {
    ctx_->ProjErr.clear();
    EXPECT_EQ(e->BuildNewCode(c.id, c.code, 1, c.timeout), "") << c.id;
    EXPECT_EQ(ctx_->ProjErr.rfind(c.err_prefix, 0), 0u) << c.id << ": " << ctx_->ProjErr;
  }
  // The syntax error's exact text, from the engine's error.
  ctx_->ProjErr.clear();
  e->BuildNewCode("zvExSyntax2", cases[0].code, 0, 0);
  const vbscript::ScriptError& err = e->engine()->error();
  EXPECT_EQ(ctx_->ProjErr, "Tolvex: VBScript Syntax Error\r\n" + err.description + "\r\nIn line " +
                               std::to_string(err.line) + ": \r\n" + err.text);
  EXPECT_EQ(err.line, 2);
  // The time-out stops an endless loop and says so.
  ctx_->ProjErr.clear();
  e->BuildNewCode("zvExLoop", cases[2].code, 1, 100);
  EXPECT_NE(ctx_->ProjErr.find(vbscript::kTimeoutDescription), std::string::npos) << ctx_->ProjErr;
  // A failed addition keeps its id: the text is not added again with a non-zero bInitType.
  ctx_->ProjErr.clear();
  EXPECT_EQ(e->BuildNewCode("zvExSyntax", "Function zvExSyntax()\r\n zvExSyntax = 1\r\nEnd Function\r\n", 1, 0), "");
  EXPECT_EQ(ctx_->ProjErr.rfind("VBScript Runtime error, line: ", 0), 0u) << ctx_->ProjErr;
}

// The time-out of the registry (ten seconds when it has none) holds for every script the
// engine runs, not only for compiled templates: module-level code of template scripts and user
// code, validation functions and condition functions end at it with the time-out's error.
TEST_F(ScriptEngineTest, EveryScriptStopsAtTheTimeOut) {
  standard_settings();
  EXPECT_EQ(script_timeout_setting(), kDefaultScriptTimeout);
  EXPECT_EQ(vb::make_ref<AGScript>()->engine()->timeout(), kDefaultScriptTimeout);
  reg_->set_value(platform::RegRoot::CurrentUser, kGeneral, "ScriptEngineTimeout", platform::RegValue::make_dword(150));
  EXPECT_EQ(script_timeout_setting(), 150);
  setting("VALIDATECODE", fixture("validate_endless.xml"));
  FakeModel m;
  auto e = start(m);
  ASSERT_EQ(ctx_->ProjErr, "");
  e->AddTemplateScript(fixture("endless_functions.vbs"));
  ASSERT_EQ(ctx_->ProjErr, "");

  struct Case {
    const char* label;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"template script", [&] { e->AddTemplateScript(fixture("endless_module.vbs")); }},
      {"user code", [&] { e->AddUserCode(fixture("endless_module.vbs")); }},
      {"validation", [&] { EXPECT_FALSE(e->Validate()); }},
      {"condition function", [&] { e->RunModule(Variant("Spin")); }},
  };
  for (const Case& c : cases) {
    ctx_->ProjErr.clear();
    c.run();
    EXPECT_NE(ctx_->ProjErr.find(vbscript::kTimeoutDescription), std::string::npos) << c.label << ": " << ctx_->ProjErr;
  }
}

// The registry's memory limit (megabytes) is the engine's: a script that allocates past it
// ends with error 7; a value that is missing, not positive or not a number gives the default.
TEST_F(ScriptEngineTest, TheMemoryLimitComesFromTheRegistry) {
  standard_settings();
  const std::string code = "Function zvExBig()\r\n s = Space(100000000)\r\n zvExBig = Len(s)\r\nEnd Function\r\n";
  struct Case {
    platform::RegValue value;
    int64_t limit;
  };
  const Case cases[] = {
      {platform::RegValue::make_dword(64), int64_t(64) << 20},
      {platform::RegValue::make_dword(0), vbscript::kDefaultMemoryLimit},
      {platform::RegValue::make_text("-5"), vbscript::kDefaultMemoryLimit},
      {platform::RegValue::make_text("lots"), vbscript::kDefaultMemoryLimit},
      {platform::RegValue::make_text("300"), int64_t(300) << 20},
  };
  EXPECT_EQ(script_memory_limit_setting(), vbscript::kDefaultMemoryLimit);
  for (const Case& c : cases) {
    reg_->set_value(platform::RegRoot::CurrentUser, kGeneral, "ScriptEngineMemoryLimit", c.value);
    EXPECT_EQ(script_memory_limit_setting(), c.limit) << c.limit;
    FakeModel m;
    auto e = start(m);
    ASSERT_EQ(ctx_->ProjErr, "");
    EXPECT_EQ(e->engine()->memory_limit(), c.limit);
    const std::string text = e->BuildNewCode("zvExBig", code, 0, 0);
    if (c.limit < (int64_t(100) << 20)) {
      EXPECT_EQ(text, "");
      EXPECT_EQ(ctx_->ProjErr, "VBScript Runtime error, line: 2\r\nOut of memory\r\n s = Space(100000000)\r\n");
    } else {
      EXPECT_EQ(text, "100000000");
      EXPECT_EQ(ctx_->ProjErr, "");
    }
    ctx_->ProjErr.clear();
  }
}

TEST_F(ScriptEngineTest, AnEngineThatDidNotStartDoesNothing) {
  standard_settings();
  setting("ConvertBoolean", "maybe");
  auto e = vb::make_ref<AGScript>();
  ASSERT_FALSE(e->IsInitialized());
  FakeModel m;
  ctx_->ProjErr.clear();
  e->Initialize(Variant(m.proj), Variant(m.db), Variant(m.controls), Variant(m.lang), Variant(m.filters),
                Variant(m.exts), Variant(m.menus));
  e->AddUserCode(fixture("usercode.vbs"));
  e->AddTemplateScript(fixture("template_script.vbs"));
  e->Reset();
  EXPECT_FALSE(e->Validate());
  EXPECT_FALSE(e->ModuleExist(Variant("Greet")));
  EXPECT_EQ(vb::to_string(e->RunModule(Variant("Helper"))), "");
  EXPECT_EQ(vb::to_string(e->BuildCode(Variant("Greet"), Variant("keep"))), "keep");
  EXPECT_EQ(e->BuildNewCode("zvExA", "script text", 1, 0), "script text");
  EXPECT_EQ(ctx_->ProjErr, "");
  EXPECT_EQ(debug_file("syscode.txt"), "<missing>");
}

TEST_F(ScriptEngineTest, ResetDropsCodeButKeepsTheEnginesLists) {
  standard_settings();
  FakeModel m;
  auto e = start(m);
  e->BuildNewCode("zvExA", "Function zvExA()\r\n zvExA = \"a\"\r\nEnd Function\r\n", 1, 0);
  e->Reset();
  EXPECT_TRUE(system_procedures(*e).empty());
  EXPECT_TRUE(e->ModuleExist(Variant("Greet")));
  EXPECT_TRUE(e->UserModuleExist(Variant("USER_Greet")));
  EXPECT_EQ(e->compiled_functions().size(), 1u);
}

TEST_F(ScriptEngineTest, CreatableAndReachableByName) {
  standard_settings();
  vb::Ref<vb::Dispatch> obj = create_object("Tolvex.AGScript");
  ASSERT_TRUE(obj);
  EXPECT_EQ(obj->type_name(), "AGScript");
  EXPECT_TRUE(vb::to_bool(obj->get("IsInitialized")));
  FakeModel m;
  Variant init[] = {Variant(m.proj), Variant(m.db),   Variant(m.controls), Variant(m.lang),
                    Variant(m.filters), Variant(m.exts), Variant(m.menus)};
  obj->call("Initialize", init);
  ASSERT_EQ(ctx_->ProjErr, "");
  Variant build[] = {Variant("Greet"), Variant("x")};
  EXPECT_EQ(vb::to_string(obj->call("BuildCode", build)), "[Hello, Proj1!<hi><bye>]");
  Variant run[] = {Variant("Helper")};
  EXPECT_EQ(vb::to_string(obj->call("RunModule", run)), "helped");
  Variant exist[] = {Variant("greet")};
  EXPECT_TRUE(vb::to_bool(obj->call("ModuleExist", exist)));
  Variant user[] = {Variant("user_greet")};
  EXPECT_TRUE(vb::to_bool(obj->call("UserModuleExist", user)));
  EXPECT_TRUE(vb::to_bool(obj->call("Validate")));
  Variant fn[] = {Variant("zvExB"), Variant("Function zvExB()\r\n zvExB = 42\r\nEnd Function\r\n"),
                  Variant(int16_t(0)), Variant(int32_t(0))};
  EXPECT_EQ(vb::to_string(obj->call("BuildNewCode", fn)), "42");
  EXPECT_FALSE(vb::to_bool(obj->get("NonEnglishLocale")));

  vb::Ref<vb::Dispatch> names = create_object("Tolvex.AGUserScript");
  ASSERT_TRUE(names);
  Variant add[] = {Variant("USER_One")};
  names->call("AddUserModule", add);
  Variant ask[] = {Variant("user_one")};
  EXPECT_TRUE(vb::to_bool(names->call("UserModuleExist", ask)));
  Variant ask_placeholder[] = {Variant("")};
  EXPECT_FALSE(vb::to_bool(names->call("UserModuleExist", ask_placeholder)));
}

// The installed default code files, named as the machine-wide defaults name them (relative
// to the application folder), build into modules without an error.
TEST_F(ScriptEngineTest, TheShippedCodeFilesBuild) {
  const std::string data_dir = std::string(TOLVEX_SOURCE_DIR) + "/share/tolvex";
  const char* old = std::getenv("TOLVEX_DATA_DIR");
  const std::optional<std::string> previous = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("TOLVEX_DATA_DIR", data_dir.c_str(), 1);
  setting("SYSCODE", "code\\syscode.xml");
  setting("SYSCODEPREFIX", "code\\sysprefix.txt");
  setting("SYSCODESUFFIX", "code\\syssuffix.txt");
  setting("COMMONCODE", "code\\common.vbs");
  setting("VALIDATECODE", "code\\validate.xml");
  setting("USERCODE", "code\\usercode.vbs");
  FakeModel m;
  auto e = start(m);
  if (previous)
    ::setenv("TOLVEX_DATA_DIR", previous->c_str(), 1);
  else
    ::unsetenv("TOLVEX_DATA_DIR");
  EXPECT_EQ(ctx_->ProjErr, "");
  EXPECT_TRUE(ui_->questions().empty());
  EXPECT_TRUE(e->ModuleExist(Variant("Include_File")));
  EXPECT_FALSE(e->ModuleExist(Variant("zvVal")));
  EXPECT_GT(e->validation_procedure_names().size(), 1u);
  const Names procs = system_procedures(*e);
  EXPECT_NE(std::find(procs.begin(), procs.end(), "zvVal"), procs.end());
}
