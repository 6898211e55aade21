// AGScript: one script engine of a generation run. It exposes the project model to
// scripts as named objects, builds the System, Validate and user modules from the code
// files named in the registry, runs the validation procedures, and runs the compiled
// template functions one at a time. Every failure is reported in the last-error text;
// nothing is raised to the caller.
//
// AGUserScript: the names of the procedures that the user's code defines, seen by
// scripts as SCRPT, so that system functions can hand over to a user's override.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vb/dispatch.h"
#include "vb/variant.h"
#include "vbscript/engine.h"

namespace tolvex {

// The time-out of every script a run starts when the registry has no ScriptEngineTimeout.
inline constexpr int32_t kDefaultScriptTimeout = 10000;
// The registry's ScriptEngineTimeout (milliseconds; 0 or less: no limit), kDefaultScriptTimeout
// when the value is missing or not a number.
int32_t script_timeout_setting();
// The registry's ScriptEngineMemoryLimit in bytes: what the strings and arrays of values may
// take while scripts run (the value is in megabytes; missing, 0 or less, or not a number:
// vbscript::kDefaultMemoryLimit).
int64_t script_memory_limit_setting();

class AGUserScript : public vb::AutoDispatch<AGUserScript> {
 public:
  static const vb::DispatchTable<AGUserScript>& dispatch_table();

  AGUserScript();

  // Appends the name; duplicates are kept.
  void AddUserModule(const std::string& sModule);
  // True when a listed name equals sModule without regard to letter case.
  bool UserModuleExist(const std::string& sModule) const;

  // The list as kept: entry 0 is an empty placeholder, names follow from entry 1.
  const std::vector<std::string>& names() const noexcept { return names_; }

 private:
  std::vector<std::string> names_;
};

class AGScript : public vb::AutoDispatch<AGScript> {
 public:
  static const vb::DispatchTable<AGScript>& dispatch_table();

  // Module names.
  static constexpr std::string_view kSystemModule = "System";
  static constexpr std::string_view kUserModuleName = "User";  // the module itself is "$User"
  static constexpr std::string_view kValidateModule = "Validate";
  static constexpr std::string_view kProbeModule = "test";

  // Starts the engine, learns how Boolean values print and reads the code settings. Every
  // script the engine runs stops at script_timeout_setting() (until BuildNewCode sets another)
  // and at Ctrl-C (platform::interrupt_flag); a script stopped by Ctrl-C ends the run as a
  // cancel: the last-error text "Generation cancelled by user!" and the generation error.
  AGScript();
  ~AGScript() override;

  // Adds the script objects PROJ, DB, Controls, LANG, SCRPT, EXTS, MENULIST and FILTERS and
  // builds the System, Validate and user modules.
  void Initialize(const vb::Variant& PROJ, const vb::Variant& DB, const vb::Variant& controls,
                  const vb::Variant& Lang, const vb::Variant& filter, const vb::Variant& EXTS,
                  const vb::Variant& MenuList);
  bool IsInitialized() const noexcept { return engine_ != nullptr; }
  // True when Boolean values do not print as "True"/"False" (or the registry says so).
  bool NonEnglishLocale() const noexcept { return !english_locale_; }
  // Drops every module, all code and the script objects; the engine's own name lists and
  // compiled function table stay.
  void Reset();
  // Adds the text of a script file to the System module.
  void AddTemplateScript(const std::string& sFile);
  // Adds a user code file to the user and System modules and lists its procedures.
  void AddUserCode(const std::string& sFile);
  // sModule is one of the overridable system functions (letter case ignored).
  bool ModuleExist(const vb::Variant& sModule) const;
  // sModule is one of the user's procedures (letter case ignored).
  bool UserModuleExist(const vb::Variant& sModule) const;
  // Runs every validation procedure in turn; False at the first that does not give True.
  bool Validate();
  // Runs the system function `module` and gives its result; `str` when it is not one.
  vb::Variant BuildCode(const vb::Variant& module, const vb::Variant& str);
  // Runs a procedure of the System module and gives its result ("" when it cannot run).
  vb::Variant RunModule(const vb::Variant& module);
  // Adds a compiled template function (once per id, always when bInitType is 0), sets the
  // current control, table and field through LoadCurrent(bInitType) and runs the function.
  std::string BuildNewCode(std::string sId, std::string sScript, int16_t bInitType, int32_t lTimeout);

  // --- for the compiler, the generation driver and tests ---
  vbscript::ScriptEngine* engine() noexcept { return engine_.get(); }
  const vb::Ref<AGUserScript>& UserScript();
  // Entry 0 of each list is an empty placeholder.
  const std::vector<std::string>& user_procedure_names() const noexcept { return user_names_; }
  const std::vector<std::string>& system_function_names() const noexcept { return system_names_; }
  const std::vector<std::string>& validation_procedure_names() const noexcept { return validate_names_; }
  // The compiled functions in the order they were added: identifier and script text.
  const std::vector<std::pair<std::string, std::string>>& compiled_functions() const noexcept {
    return compiled_;
  }
  const vb::Variant& last_result() const noexcept { return last_result_; }

  // The built-in common code (LoadCurrent and the globals CTRL, TABLE, FIELD).
  static std::string BuildLoadCurrentCode();
  // The user code used when the registry names none.
  static std::string DefaultUserScript();

 private:
  class ScriptUi;

  void LoadCodeSettings();
  void BuildSystemCode();
  void LoadSystemCodeFile();
  void ReportSyntaxError(std::string_view file);
  void AddUserModules(std::string_view name);
  void LoadValidateCode();
  // Adds code to a module; false (with the error kept) when the engine refuses it.
  bool add_code(std::string_view code, std::string_view module);
  // Runs a procedure; false (with the error kept) when it raises an error.
  bool run(std::string_view procedure, vb::Args args, std::string_view module, vb::Variant& result);
  void append_user_procedures();
  std::string runtime_message(std::string_view module) const;

  std::unique_ptr<ScriptUi> ui_;
  vb::Ref<AGUserScript> user_script_;
  std::unique_ptr<vbscript::ScriptEngine> engine_;
  vbscript::ScriptError error_;  // the error of the last engine call that failed
  std::string user_module_;     // "$" + the user module's name
  bool english_locale_ = true;

  std::string prefix_text_;
  std::string suffix_text_;
  std::string user_code_text_;
  std::string common_code_text_;
  vb::Variant last_result_;

  std::string SYSCODE_;
  std::string SYSCODEPREFIX_;
  std::string SYSCODESUFFIX_;
  std::string USERCODE_;
  std::string COMMONCODE_;
  std::string VALIDATECODE_;

  std::vector<std::string> user_names_{std::string()};
  std::vector<std::string> system_names_{std::string()};
  std::vector<std::string> validate_names_{std::string()};
  std::vector<std::pair<std::string, std::string>> compiled_;
};

}  // namespace tolvex
