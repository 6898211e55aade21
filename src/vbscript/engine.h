// The script engine's host interface, shaped like a script control: named
// objects, modules, code added to a module, procedures run by name, the last
// error with its position, and a time-out.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/variant.h"
#include "vbscript/runtime/env.h"

namespace tolvex::vbscript {

class Interp;

// The error of a run stopped by its time-out; On Error Resume Next does not catch it.
inline constexpr int32_t kErrTimeout = int32_t(0x80004004u);
inline constexpr const char* kTimeoutDescription = "The script was stopped because it ran past its time-out";
// The error of a run stopped by the host's cancel flag; On Error Resume Next does not catch it.
inline constexpr int32_t kErrCancelled = int32_t(0x800704C7u);
inline constexpr const char* kCancelledDescription = "The script was stopped because it was cancelled";
// The error a stopped run raises: the time-out's or the cancel's.
inline vb::VBError stop_error(bool cancelled, const char* source) {
  return cancelled ? vb::VBError(kErrCancelled, kCancelledDescription, source)
                   : vb::VBError(kErrTimeout, kTimeoutDescription, source);
}

// The bytes of strings and arrays that the values alive during a run may take, unless the
// host sets another limit: a run that would pass it gets error 7 "Out of memory".
inline constexpr int64_t kDefaultMemoryLimit = int64_t(2) << 30;

// The last error of an engine call.
struct ScriptError {
  int32_t number = 0;
  std::string description;
  std::string source;
  int line = 0;    // 1-based line within the code that was added; 0 when unknown
  int column = 0;  // 0-based column (characters) within that line
  std::string text;  // the source line
  bool syntax = false;

  bool empty() const { return number == 0; }
};

// Raised by the engine calls; carries the same information as ScriptEngine::error().
class ScriptException : public vb::VBError {
 public:
  explicit ScriptException(const ScriptError& e) : vb::VBError(e.number, e.description, e.source), info_(e) {}
  const ScriptError& info() const noexcept { return info_; }

 private:
  ScriptError info_;
};

enum class ProcedureKind : uint8_t { Sub, Function };

struct ProcedureInfo {
  std::string name;
  ProcedureKind kind = ProcedureKind::Sub;
  int arg_count = 0;
  bool has_return_value() const { return kind == ProcedureKind::Function; }
};

class ScriptEngine {
 public:
  static constexpr std::string_view kGlobalModule = "Global";

  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  std::string language() const { return "VBScript"; }
  // Drops all code, modules, variables and named objects.
  void reset();

  // A named object, visible by name in every module. With add_members its
  // members are also reachable without the object's name.
  void add_object(std::string_view name, vb::Ref<vb::Dispatch> object, bool add_members = false);

  // Modules: each has its own globals; "Global" always exists. Adding an existing module returns it.
  void add_module(std::string_view name);
  bool has_module(std::string_view name) const;
  std::vector<std::string> modules() const;

  // Parses the whole text; on a syntax error nothing is defined. Then defines its
  // procedures and classes (replacing earlier ones of the same name) and runs its
  // module-level statements. Errors raise ScriptException and are kept in error().
  void add_code(std::string_view code, std::string_view module = kGlobalModule);
  // Runs a procedure; arguments are passed by reference (the procedure may change them).
  vb::Variant run(std::string_view procedure, vb::Args args = {}, std::string_view module = kGlobalModule);
  vb::Variant eval(std::string_view expression, std::string_view module = kGlobalModule);
  void execute_statement(std::string_view code, std::string_view module = kGlobalModule);
  // The module's procedures in the order they were first defined.
  std::vector<ProcedureInfo> procedures(std::string_view module = kGlobalModule) const;

  // Line (1-based) of the statement running now, for hosts called from a script; 0 outside a run.
  int current_line(std::string* text = nullptr) const;

  const ScriptError& error() const { return error_; }
  void clear_error() { error_ = ScriptError{}; }

  // Milliseconds a call may run; 0 or less: no limit.
  void set_timeout(long ms);
  long timeout() const { return timeout_ms_; }
  // Bytes that the strings and arrays of values may take while a call runs (counted for
  // the process: the host's values and other engines' count too); an allocation past it
  // raises error 7 "Out of memory", which On Error Resume Next catches. 0 or less:
  // kDefaultMemoryLimit.
  void set_memory_limit(int64_t bytes);
  int64_t memory_limit() const { return memory_limit_; }
  // While a call runs and *flag becomes true, the call stops within a second wherever it
  // is, as at its time-out, with kErrCancelled. Null: no flag. The flag must outlive the
  // calls that run while it is set; it stays set across reset().
  void set_cancel_flag(const std::atomic<bool>* flag);

  // Where MsgBox and InputBox go; null restores the non-interactive default.
  void set_host_ui(HostUi* ui);
  RuntimeEnv& env();

 private:
  void start();
  [[noreturn]] void fail(ScriptError e);
  template <class F>
  auto guarded(F&& body) -> decltype(body());

  std::shared_ptr<Interp> interp_;
  ScriptError error_;
  long timeout_ms_ = 0;
  int64_t memory_limit_ = kDefaultMemoryLimit;
  const std::atomic<bool>* cancel_ = nullptr;
  HostUi* ui_ = nullptr;
};

}  // namespace tolvex::vbscript
