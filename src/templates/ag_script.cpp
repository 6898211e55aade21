#include "templates/ag_script.h"

#include <optional>

#include "foundation/class_registry.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "foundation/registry.h"
#include "platform/host_ui.h"
#include "platform/progress.h"
#include "templates/code_files.h"
#include "templates/template_run.h"
#include "vb/convert.h"

namespace tolvex {

using vb::Variant;

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The procedure that tells whether Boolean values print in English.
constexpr std::string_view kLocaleProbe =
    "Function CheckBoolean()\r\n"
    "SetLocale(1033)\r\n"
    "CheckBoolean = (CStr(True) = \"True\")\r\n"
    "End Function\r\n";

// Put in front of the System module's code: every run formats as English (United States).
constexpr std::string_view kLocalePrelude =
    "Sub zvSetLocale()\r\n"
    "On Error Resume Next\r\n"
    "SetLocale(1033)\r\n"
    "End Sub\r\n"
    "Call zvSetLocale()\r\n";

std::string error_text_of(const std::exception& e) {
  if (const auto* vbe = dynamic_cast<const vb::VBError*>(&e)) return vbe->description();
  return e.what();
}

vbscript::ScriptError error_of(const std::exception& e) {
  if (const auto* se = dynamic_cast<const vbscript::ScriptException*>(&e)) return se->info();
  vbscript::ScriptError out;
  const auto* vbe = dynamic_cast<const vb::VBError*>(&e);
  out.number = vbe ? vbe->number() : vb::err::kInvalidProcedureCall;
  out.description = error_text_of(e);
  return out;
}

// The text of a registry value; "" when it is missing.
std::string general_value(std::string_view name) {
  Variant v = common::GetRegValue("HKCU", context().RegKeyGeneral, std::string(name));
  return v.is_empty() ? std::string() : vb::to_string(v);
}

// A run stopped by Ctrl-C ends the generation as a cancel.
void stop_if_cancelled(const vbscript::ScriptError& e) {
  if (e.number != vbscript::kErrCancelled) return;
  context().ProjErr = "Generation cancelled by user!";
  RaiseGenError();
}

// A procedure name passed as a Variant; nullopt when it has no text.
std::optional<std::string> name_of(const Variant& v) {
  if (v.is_string()) return v.raw_string();
  try {
    return vb::to_string(v);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool list_has(const std::vector<std::string>& names, const Variant& name) {
  const auto n = name_of(name);
  if (!n) return false;
  for (size_t i = 1; i < names.size(); ++i)
    if (vb::compare_text(names[i], *n, vb::CompareMode::Text) == 0) return true;
  return false;
}

std::string file_name_part(std::string_view path) {
  const size_t sep = path.find_last_of("\\/");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

}  // namespace

// ------------------------------------------------------------------ AGUserScript

AGUserScript::AGUserScript() : names_{std::string()} {}

void AGUserScript::AddUserModule(const std::string& sModule) { names_.push_back(sModule); }

bool AGUserScript::UserModuleExist(const std::string& sModule) const { return list_has(names_, Variant(sModule)); }

const vb::DispatchTable<AGUserScript>& AGUserScript::dispatch_table() {
  using A = vb::Args;
  using S = AGUserScript;
  static const vb::DispatchTable<AGUserScript> table = [] {
    vb::DispatchTable<AGUserScript> t("AGUserScript");
    t.method("AddUserModule",
             [](S& s, A a) {
               vb::check_arg_count(a, 1, 1);
               s.AddUserModule(vb::to_string(a[0]));
               return Variant();
             })
        .method("UserModuleExist", [](S& s, A a) {
          vb::check_arg_count(a, 1, 1);
          return Variant(s.UserModuleExist(vb::to_string(a[0])));
        });
    return t;
  }();
  return table;
}

// ------------------------------------------------------------------ AGScript

// Message and input boxes of scripts go to the host's user interface.
class AGScript::ScriptUi : public vbscript::HostUi {
 public:
  int msg_box(const std::string& prompt, int buttons, const std::string& title) override {
    return host_ui().message_box(prompt, title.empty() ? context().ProductTitle : title, buttons);
  }
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& default_text) override {
    return host_ui().input_box(prompt, title.empty() ? context().ProductTitle : title, default_text);
  }
};

int32_t script_timeout_setting() {
  try {
    const Variant stored = common::GetRegValue("HKCU", context().RegKeyGeneral, "ScriptEngineTimeout");
    if (stored.is_empty() || stored.is_null()) return kDefaultScriptTimeout;
    const Variant v = common::ConvertByType(stored, Variant("Long"));
    if (v.type() == vb::VarType::Long) return v.raw_long();
  } catch (const vb::VBError&) {
  }
  return kDefaultScriptTimeout;
}

int64_t script_memory_limit_setting() {
  try {
    const Variant stored = common::GetRegValue("HKCU", context().RegKeyGeneral, "ScriptEngineMemoryLimit");
    if (!stored.is_empty() && !stored.is_null()) {
      const Variant v = common::ConvertByType(stored, Variant("Long"));
      if (v.type() == vb::VarType::Long && v.raw_long() > 0) return int64_t(v.raw_long()) << 20;
    }
  } catch (const vb::VBError&) {
  }
  return vbscript::kDefaultMemoryLimit;
}

AGScript::AGScript() : ui_(std::make_unique<ScriptUi>()) {
  ModuleContext& ctx = context();
  try {
    engine_ = std::make_unique<vbscript::ScriptEngine>();
    engine_->set_host_ui(ui_.get());
    engine_->set_timeout(script_timeout_setting());
    engine_->set_memory_limit(script_memory_limit_setting());
    engine_->set_cancel_flag(&platform::interrupt_flag());
    engine_->reset();
    const Variant convert = common::GetRegValue("HKCU", ctx.RegKeyGeneral, "ConvertBoolean");
    if (!convert.is_empty() && !(convert.is_string() && convert.raw_string().empty())) {
      english_locale_ = !vb::to_bool(convert);
    } else {
      engine_->add_module(kProbeModule);
      engine_->add_code(kLocaleProbe, kProbeModule);
      english_locale_ = vb::to_bool(engine_->run("CheckBoolean", {}, kProbeModule));
    }
    LoadCodeSettings();
  } catch (const std::exception& e) {
    ctx.ProjErr = "Initialize Script Engine failed. Error: " + error_text_of(e);
    engine_.reset();
  }
}

AGScript::~AGScript() {
  if (engine_) {
    try {
      engine_->reset();
    } catch (...) {
      // releasing anyway
    }
    engine_.reset();
  }
}

const vb::Ref<AGUserScript>& AGScript::UserScript() {
  if (!user_script_) user_script_ = vb::make_ref<AGUserScript>();
  return user_script_;
}

void AGScript::LoadCodeSettings() {
  SYSCODE_ = resolve_setting_path(general_value("SYSCODE"));
  SYSCODEPREFIX_ = resolve_setting_path(general_value("SYSCODEPREFIX"));
  SYSCODESUFFIX_ = resolve_setting_path(general_value("SYSCODESUFFIX"));
  USERCODE_ = resolve_setting_path(general_value("USERCODE"));
  COMMONCODE_ = resolve_setting_path(general_value("COMMONCODE"));
  VALIDATECODE_ = resolve_setting_path(general_value("VALIDATECODE"));
}

bool AGScript::add_code(std::string_view code, std::string_view module) {
  try {
    engine_->add_code(code, module);
    return true;
  } catch (const std::exception& e) {
    error_ = error_of(e);
  }
  stop_if_cancelled(error_);
  return false;
}

bool AGScript::run(std::string_view procedure, vb::Args args, std::string_view module, Variant& result) {
  try {
    result = engine_->run(procedure, args, module);
    error_ = vbscript::ScriptError{};
    return true;
  } catch (const std::exception& e) {
    error_ = error_of(e);
  }
  stop_if_cancelled(error_);
  return false;
}

void AGScript::ReportSyntaxError(std::string_view file) {
  std::string msg = context().ProductTitle;
  if (!file.empty()) msg += " (" + file_name_part(file) + ")";
  msg += " : VBScript Syntax Error";
  msg.append(kCrLf).append(error_.description).append(kCrLf);
  msg += "In line " + std::to_string(error_.line) + ": ";
  msg.append(kCrLf).append(error_.text);
  context().ProjErr = std::move(msg);
}

std::string AGScript::runtime_message(std::string_view module) const {
  std::string msg = context().ProductTitle + ": VBScript Runtime error in module \"" + std::string(module) +
                    "\" (line " + std::to_string(error_.line) + ")";
  msg.append(kCrLf).append(error_.description).append(kCrLf).append(error_.text).append(kCrLf);
  return msg;
}

void AGScript::Initialize(const Variant& PROJ, const Variant& DB, const Variant& controls, const Variant& Lang,
                          const Variant& filter, const Variant& EXTS, const Variant& MenuList) {
  if (!engine_) return;
  ModuleContext& ctx = context();
  try {
    engine_->reset();
    engine_->add_object("PROJ", PROJ.object_or_null());
    engine_->add_object("DB", DB.object_or_null());
    engine_->add_object("Controls", controls.object_or_null());
    engine_->add_object("LANG", Lang.object_or_null());
    engine_->add_object("SCRPT", vb::Ref<vb::Dispatch>(UserScript()));
    engine_->add_object("EXTS", EXTS.object_or_null());
    engine_->add_object("MENULIST", MenuList.object_or_null());
    engine_->add_object("FILTERS", filter.object_or_null());
  } catch (const std::exception& e) {
    ctx.ProjErr = ctx.ProductTitle + ": " + error_text_of(e);
    return;
  }
  BuildSystemCode();
  if (ctx.ProjErr.empty()) LoadValidateCode();
  if (ctx.ProjErr.empty()) AddUserModules(kUserModuleName);
}

std::string AGScript::BuildLoadCurrentCode() {
  static constexpr const char* kLines[] = {
      "Dim TABLE, FIELD, CTRL",
      "Function LoadCurrent(bInitType)",
      " Dim tablename, fieldname, index",
      " If bInitType = 1 Or bInitType = 2 Then",
      "  index = controls.curIndex",
      "  Set CTRL = controls(index)",
      " End If",
      " If bInitType = 2 Or bInitType = 3 Then",
      "  tablename = db.Tables.curName",
      "  Set TABLE = db.Tables(tablename)",
      "  fieldname = TABLE.Fields.curName",
      "  Set FIELD = TABLE.Fields(fieldname)",
      "  LoadCurrent = tablename & \",\" & fieldname",
      " Else",
      "  LoadCurrent = \"\"",
      " End If",
      "End Function",
  };
  std::string out;
  for (const char* line : kLines) out.append(line).append(kCrLf);
  return out;
}

std::string AGScript::DefaultUserScript() { return "'Please enter your script here\r\n"; }

void AGScript::BuildSystemCode() {
  engine_->add_module(kSystemModule);
  common_code_text_ = COMMONCODE_.empty() ? BuildLoadCurrentCode() : read_script_file(COMMONCODE_);
  if (!add_code(kLocalePrelude, kSystemModule) || !add_code(common_code_text_, kSystemModule)) {
    ReportSyntaxError("");
    return;
  }
  if (!SYSCODE_.empty()) {
    LoadSystemCodeFile();
    return;
  }
  // No system code list: every procedure of the System module counts as a system function.
  system_names_.assign(1, std::string());
  for (const vbscript::ProcedureInfo& p : engine_->procedures(kSystemModule)) system_names_.push_back(p.name);
}

void AGScript::LoadSystemCodeFile() {
  ModuleContext& ctx = context();
  const auto entries = read_system_code_list(SYSCODE_);
  if (!entries) {
    ctx.ProjErr = "Load syscode file " + SYSCODE_ + " failed!";
    return;
  }
  prefix_text_ = SYSCODEPREFIX_.empty() ? std::string() : read_script_file(SYSCODEPREFIX_);
  suffix_text_ = SYSCODESUFFIX_.empty() ? std::string() : read_script_file(SYSCODESUFFIX_);

  system_names_.assign(1, std::string());
  for (const SystemCodeEntry& e : *entries)
    if (!e.value.empty() && e.is_function && e.overridable) system_names_.push_back(e.id);

  std::string collected;
  for (const SystemCodeEntry& e : *entries) {
    if (e.value.empty()) continue;
    const std::string text = read_script_file(code_entry_path(SYSCODE_, e.value));
    bool parse_failed = false;
    std::string code = TemplateToCode(text, e.multiline, e.indent, e.is_function ? e.id : "", &parse_failed);
    if (e.is_function) code = system_function_head(e, prefix_text_) + code + system_function_tail(e, suffix_text_);
    if (parse_failed) {
      ctx.ProjErr = e.value + ": " + ctx.ProjErr;
      write_debug_file(e.value, code + std::string(kCrLf) + ctx.ProjErr);
      return;
    }
    collected += code;
    if (!add_code(code, kSystemModule)) {
      write_debug_file(e.value, code);
      write_debug_file("syscode.txt", collected);
      ReportSyntaxError(e.value);
      return;
    }
  }
  if (prefix_text_.empty() || suffix_text_.empty())
    write_debug_file("syscode.txt", "'missing syscodeprefix or syscodesuffix");
  else
    write_debug_file("syscode.txt", collected);
}

void AGScript::LoadValidateCode() {
  ModuleContext& ctx = context();
  engine_->add_module(kValidateModule);
  validate_names_.assign(1, std::string());
  if (VALIDATECODE_.empty()) return;
  const auto entries = read_validate_code_list(VALIDATECODE_);
  if (!entries) {
    ctx.ProjErr = "Load validate file " + VALIDATECODE_ + " failed!";
    return;
  }
  std::string collected;
  for (const ValidateCodeEntry& e : *entries) {
    if (e.value.empty()) continue;
    const std::string text = read_script_file(code_entry_path(VALIDATECODE_, e.value));
    if (!ctx.ProjErr.empty()) {
      // set by the module-level code of an earlier file
      ctx.ProjErr = e.value + ": " + ctx.ProjErr;
      return;
    }
    collected.append(kCrLf).append(text);
    if (!text.empty() && !add_code(text, kValidateModule)) {
      ReportSyntaxError(e.value);
      return;
    }
  }
  write_debug_file("validatecode.txt", collected);
  for (const vbscript::ProcedureInfo& p : engine_->procedures(kValidateModule)) validate_names_.push_back(p.name);
}

void AGScript::append_user_procedures() {
  const std::string module = "$" + std::string(kUserModuleName);
  for (const vbscript::ProcedureInfo& p : engine_->procedures(module)) {
    user_names_.push_back(p.name);
    UserScript()->AddUserModule(p.name);
  }
}

void AGScript::AddUserModules(std::string_view name) {
  user_code_text_ = USERCODE_.empty() ? DefaultUserScript() : read_script_file(USERCODE_);
  const std::string module = "$" + std::string(name);
  engine_->add_module(module);
  if (!add_code(user_code_text_, module)) {
    ReportSyntaxError(USERCODE_);
    return;
  }
  (void)add_code(user_code_text_, kSystemModule);
  user_names_.assign(1, std::string());
  append_user_procedures();
}

void AGScript::AddUserCode(const std::string& sFile) {
  if (!engine_) return;
  const std::string text = read_script_file(sFile);
  const std::string module = "$" + std::string(kUserModuleName);
  engine_->add_module(module);
  if (!add_code(text, module)) {
    ReportSyntaxError(sFile);
    return;
  }
  (void)add_code(text, kSystemModule);
  append_user_procedures();
}

void AGScript::AddTemplateScript(const std::string& sFile) {
  if (!engine_) return;
  const std::string text = read_script_file(sFile);
  if (!add_code(text, kSystemModule)) ReportSyntaxError(sFile);
}

void AGScript::Reset() {
  if (engine_) engine_->reset();
}

bool AGScript::ModuleExist(const Variant& sModule) const { return list_has(system_names_, sModule); }

bool AGScript::UserModuleExist(const Variant& sModule) const { return list_has(user_names_, sModule); }

bool AGScript::Validate() {
  if (!engine_) return false;
  ModuleContext& ctx = context();
  if (!ctx.ProjErr.empty()) return false;
  for (size_t i = 1; i < validate_names_.size(); ++i) {
    const std::string& name = validate_names_[i];
    Variant result;
    bool passed = false;
    bool raised = !run(name, {}, kValidateModule, result);
    if (!raised) {
      try {
        passed = vb::to_bool(result);
      } catch (const std::exception& e) {
        error_ = error_of(e);
        raised = true;
      }
    }
    if (raised) {
      if (ctx.ProjErr.empty()) {
        ctx.ProjErr = ctx.ProductTitle + ": Validation VBScript Runtime error ";
        ctx.ProjErr.append(kCrLf).append(error_.description).append(kCrLf).append(error_.text).append(kCrLf);
      }
      return false;
    }
    if (!passed) {
      if (ctx.ProjErr.empty()) {
        ctx.ProjErr = ctx.ProductTitle + ": Validation VBScript Runtime error in module \"" + name + "\" (line " +
                      std::to_string(error_.line) + ")" + error_.description;
        ctx.ProjErr.append(kCrLf).append(error_.text).append(kCrLf);
      }
      return false;
    }
  }
  return true;
}

Variant AGScript::BuildCode(const Variant& module, const Variant& str) {
  last_result_ = str;
  ModuleContext& ctx = context();
  if (!engine_ || !ctx.ProjErr.empty()) return str;
  if (ModuleExist(module)) {
    const std::string name = name_of(module).value_or(std::string());
    Variant result;
    if (run(name, {}, kSystemModule, result))
      last_result_ = std::move(result);
    else
      ctx.ProjErr = runtime_message(name);
  }
  return last_result_;
}

Variant AGScript::RunModule(const Variant& module) {
  last_result_ = Variant(std::string());
  ModuleContext& ctx = context();
  if (!engine_ || !ctx.ProjErr.empty()) return last_result_;
  const std::string name = name_of(module).value_or(std::string());
  Variant result;
  if (run(name, {}, kSystemModule, result))
    last_result_ = std::move(result);
  else
    ctx.ProjErr = runtime_message(name);
  return last_result_;
}

std::string AGScript::BuildNewCode(std::string sId, std::string sScript, int16_t bInitType, int32_t lTimeout) {
  if (!engine_) return sScript;
  ModuleContext& ctx = context();
  bool must_add = bInitType == 0;
  if (!must_add) {
    must_add = true;
    for (const auto& f : compiled_)
      if (f.first == sId) must_add = false;
  }
  engine_->set_timeout(lTimeout);
  if (must_add) {
    compiled_.emplace_back(sId, sScript);
    if (!add_code(sScript, kSystemModule)) {
      ctx.ProjErr = ctx.ProductTitle + ": VBScript Syntax Error";
      ctx.ProjErr.append(kCrLf).append(error_.description).append(kCrLf);
      ctx.ProjErr += "In line " + std::to_string(error_.line) + ": ";
      ctx.ProjErr.append(kCrLf).append(error_.text);
      return {};
    }
  }
  Variant init_args[1] = {Variant(bInitType)};
  Variant result;
  bool ok = run("LoadCurrent", init_args, kSystemModule, result) && run(sId, {}, kSystemModule, result);
  std::string text;
  if (ok) {
    try {
      text = result.is_null() ? std::string() : vb::to_string(result);
    } catch (const std::exception& e) {
      error_ = error_of(e);
      ok = false;
    }
  }
  if (!ok) {
    ctx.ProjErr = "VBScript Runtime error, line: " + std::to_string(error_.line);
    ctx.ProjErr.append(kCrLf).append(error_.description).append(kCrLf).append(error_.text).append(kCrLf);
    return {};
  }
  return text;
}

const vb::DispatchTable<AGScript>& AGScript::dispatch_table() {
  using A = vb::Args;
  using S = AGScript;
  static const vb::DispatchTable<AGScript> table = [] {
    vb::DispatchTable<AGScript> t("AGScript");
    t.method("Initialize",
             [](S& s, A a) {
               vb::check_arg_count(a, 7, 7);
               s.Initialize(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
               return Variant();
             })
        .property("IsInitialized", [](S& s, A) { return Variant(s.IsInitialized()); })
        .property("NonEnglishLocale", [](S& s, A) { return Variant(s.NonEnglishLocale()); })
        .method("Reset",
                [](S& s, A) {
                  s.Reset();
                  return Variant();
                })
        .method("AddTemplateScript",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  s.AddTemplateScript(vb::to_string(a[0]));
                  return Variant();
                })
        .method("AddUserCode",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  s.AddUserCode(vb::to_string(a[0]));
                  return Variant();
                })
        .method("ModuleExist",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(s.ModuleExist(a[0]));
                })
        .method("UserModuleExist",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  return Variant(s.UserModuleExist(a[0]));
                })
        .method("Validate", [](S& s, A) { return Variant(s.Validate()); })
        .method("BuildCode",
                [](S& s, A a) {
                  vb::check_arg_count(a, 2, 2);
                  return s.BuildCode(a[0], a[1]);
                })
        .method("RunModule",
                [](S& s, A a) {
                  vb::check_arg_count(a, 1, 1);
                  return s.RunModule(a[0]);
                })
        .method("BuildNewCode", [](S& s, A a) {
          vb::check_arg_count(a, 4, 4);
          return Variant(
              s.BuildNewCode(vb::to_string(a[0]), vb::to_string(a[1]), vb::to_integer(a[2]), vb::to_long(a[3])));
        });
    return t;
  }();
  return table;
}

TOLVEX_REGISTER_CLASS(AGScript);
TOLVEX_REGISTER_CLASS(AGUserScript);

}  // namespace tolvex
