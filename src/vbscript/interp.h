// The interpreter: modules and their globals, named objects, and the evaluation
// of parsed programs. One Interp lives per engine between two resets; script
// objects keep it alive while the host holds them.
//
// How a run works:
// - The parser (parser.h) turns a chunk into a Program whose names are already
//   bound where that can be known: parameters and Dim'd locals to frame slots,
//   class members to field indexes or member numbers. Every other name is looked
//   up among the globals when it runs and the result is cached on the node until
//   the globals change (gen_), so a procedure that does not exist fails only when
//   it is called.
// - Each expression node runs through a handler chosen for its shape the first time
//   it runs (interp_eval.cpp): a two-operand node has one per operator and operand
//   shape, reading literals, locals and fields where they stand, with the Integer,
//   Long and Double cases inline. Assignments likewise plan their way on first run.
// - Short operator runs are nested one-operator nodes; long ones are flat nodes
//   evaluated in a loop, so thousands of terms cost no stack; nesting depth is
//   limited by the parser, call depth by kMaxCallDepth and by the thread's
//   remaining stack (error 28).
// - Statements run in exec_block: under On Error Resume Next each statement's error
//   is caught there and recorded in Err; otherwise the first statement that sees it
//   records its position (site_) and it unwinds to a caller with a handler or to
//   the host. The time-out and a cancel by the host are a separate exception
//   (ScriptTimeout) that no handler in the script catches.
// - Arguments by reference are pointers to the caller's variables (or array
//   elements, with the array held and locked), or to a literal when the callee
//   only reads the parameter; value_ops.h keeps Variants without heap parts off
//   the out-of-line copy, move and destroy paths.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vb/dispatch.h"
#include "vb/error.h"
#include "vb/memory_budget.h"
#include "vb/variant.h"
#include "vbscript/ast.h"
#include "vbscript/runtime/env.h"
#include "vbscript/runtime/stop.h"

namespace tolvex::vbscript {

class ScriptObject;
class ErrObject;
class Interp;

// Source of the errors the language raises itself.
inline constexpr const char* kRuntimeErrorSource = "Microsoft VBScript runtime error";
inline constexpr const char* kCompileErrorSource = "Microsoft VBScript compilation error";
// Deepest script call nesting before error 28.
inline constexpr int kMaxCallDepth = 3000;

// Loop passes and calls between two looks at the clock (a watchdog thread makes the
// next one look as soon as a run's time is up).
inline constexpr long kTicksPerClockCheck = 1024;

// Thrown (not a VBError) when the time-out passes or the host cancels the run, so that no
// handler in the script stops it.
struct ScriptTimeout {
  bool cancelled = false;  // the host's cancel flag, not the clock
};

struct Symbol {
  enum class Kind : uint8_t { Var, Const, Proc, Class };
  Kind kind = Kind::Var;
  std::string name;
  vb::Variant value;
  ProcPtr proc;
  ClassPtr cls;
  GlobalRef ref;  // a name of an activation (Frame::added): what looking it up gives
};

struct Module {
  std::string name;
  NameMap<std::unique_ptr<Symbol>> symbols;
  std::vector<Symbol*> procedures;  // in order of first definition

  Symbol* find(std::string_view n) const {
    auto it = symbols.find(n);
    return it == symbols.end() ? nullptr : it->second.get();
  }
};

// Where the first statement that saw an error stood.
struct ErrorSite {
  bool set = false;
  std::shared_ptr<Chunk> chunk;
  uint32_t pos = 0;
};

// The object of a With block, on the stack while the block runs.
struct WithLevel {
  vb::Variant object;
  WithLevel* outer = nullptr;
};

// One activation: a procedure call or module-level code.
struct Frame {
  Module* module = nullptr;
  const ProcDef* proc = nullptr;
  ScriptObject* me = nullptr;
  vb::Variant** slots = nullptr;
  uint8_t* live = nullptr;  // implicit locals that have been assigned
  const std::shared_ptr<Chunk>* chunk = nullptr;
  bool resume_next = false;
  bool option_explicit = false;
  // A procedure's activation, or Execute or Eval text run in one: variables that come
  // into being at run time (by Execute text, or passed by reference undeclared) and the
  // Dims and procedures of its Execute text belong to the activation, in `added`.
  bool local_scope = false;
  WithLevel* with = nullptr;  // the innermost With block running in this frame
  // The activation's names made at run time, looked up after its slots and before the
  // globals; null until there are some (Interp::added_names).
  Module* added = nullptr;
  std::unique_ptr<Module> own_added;  // `added` when this frame is the activation itself
};

enum class Flow : uint8_t { Normal, ExitDo, ExitFor, ExitProc };

// An argument handed to a procedure: the variable itself (by reference) or a temporary.
struct ArgRef {
  vb::Variant* p = nullptr;
  bool temp = false;
};

class Interp : public std::enable_shared_from_this<Interp> {
 public:
  Interp();
  ~Interp();
  Interp(const Interp&) = delete;
  Interp& operator=(const Interp&) = delete;

  RuntimeEnv env;
  // The script class instances alive in this interpreter (a list through the objects, kept
  // by ScriptObject), so that those only holding each other can be freed when it goes.
  ScriptObject* live_objects = nullptr;

  // --- modules and named objects
  Module* global_module() { return modules_.front().get(); }
  Module* find_module(std::string_view name) const;
  Module* add_module(std::string_view name);
  const std::vector<std::unique_ptr<Module>>& modules() const { return modules_; }
  void add_object(std::string_view name, vb::Ref<vb::Dispatch> obj, bool add_members);

  // --- code
  // Defines the program's procedures, classes and variables in the module; with `local`
  // (Execute text in a procedure) its procedures and variables go there instead.
  void define(Module* m, const Program& prog, Module* local = nullptr);
  // Runs module-level code.
  void run_toplevel(Module* m, const Program& prog);
  // Calls a procedure; args are passed by reference.
  vb::Variant run_procedure(Module* m, std::string_view name, vb::Args args);
  vb::Variant invoke_proc(const ProcDef& p, ScriptObject* me, ArgRef* args, size_t nargs);
  vb::Variant eval_in_module(Module* m, const std::shared_ptr<Chunk>& chunk, const Expr& e);

  // --- errors
  ErrObject& err() { return *err_; }
  vb::Ref<ErrObject> err_ref() const;
  ErrorSite& site() { return site_; }
  // Records the statement where an error arose (the innermost one) if none is recorded.
  void note_site(const Frame& f, uint32_t pos);

  // --- limits
  // Starts a host-level run: sets the time-out clock and the stack base when not nested,
  // and puts the run's memory limit in force.
  class RunScope {
   public:
    explicit RunScope(Interp& in);
    ~RunScope();

   private:
    Interp& in_;
    vb::memory::LimitScope limit_;
  };
  // Bytes of strings and arrays that may be alive while the run goes on (vb::memory).
  void set_memory_limit(int64_t bytes) { memory_limit_ = bytes; }
  void set_timeout_ms(long ms) { timeout_ms_ = ms; }
  long timeout_ms() const { return timeout_ms_; }
  // A flag that stops the run when it becomes true (null: none); looked at as the clock is.
  void set_cancel_flag(const std::atomic<bool>* flag) { cancel_ = flag; }
  // One loop pass or call. (The budget is atomic because the time-out's watchdog
  // thread empties it; relaxed loads and stores cost what plain ones do.)
  void tick() {
    const long left = tick_budget_.load(std::memory_order_relaxed) - 1;
    tick_budget_.store(left, std::memory_order_relaxed);
    if (left <= 0) check_time();
  }
  // Makes the next tick look at the clock.
  void expire_budget() { tick_budget_.store(0, std::memory_order_relaxed); }

  // Puts the current-statement position back when a call or an Execute text returns.
  class KeepPosition {
   public:
    explicit KeepPosition(Interp& in) : in_(in), chunk_(in.cur_chunk_), pos_(in.cur_pos_) {}
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;
    ~KeepPosition() {
      in_.cur_chunk_ = chunk_;
      in_.cur_pos_ = pos_;
    }

   private:
    Interp& in_;
    const std::shared_ptr<Chunk>* chunk_;
    uint32_t pos_;
  };

  // The statement running now (1-based line and its text); line 0 outside a run.
  int current_line(std::string* text = nullptr) const;

  // Drops every global, named object and procedure (running Class_Terminate handlers).
  void shutdown();
  bool alive() const { return alive_; }
  // Inside a host-level run (code of this interpreter is on the stack).
  bool running() const { return api_depth_ > 0; }

  // --- used by the objects
  void property_put(ScriptObject* so, int member, ArgRef* args, size_t nargs, vb::Variant value, bool is_set);
  vb::Variant make_object(const ClassPtr& cls);

 private:
  friend class ScriptObject;
  friend struct ExprHandlers;
  friend vb::Variant eval_first(Interp&, Frame&, const Expr&);
  struct ArgBuffer;
  struct ElemHold;

  void check_time();
  void check_stack() {
    char here;
    if (stack_base_ && size_t(stack_base_ - &here) > stack_limit_) vb::raise(28);
  }

  // name lookup
  const GlobalRef& lookup(const Frame& f, const NameExpr& n) {
    if (f.added) [[unlikely]] {
      if (const GlobalRef* r = added_ref(*f.added, n.name)) return *r;
    }
    if (n.cache_gen != gen_) resolve_into(f, n);
    return n.cache;
  }
  // A name of an activation (Frame::added); null when it has none of that name.
  static const GlobalRef* added_ref(Module& added, std::string_view name);
  // The activation's table of names made at run time, made when first needed.
  static Module& added_names(Frame& f);
  void resolve_into(const Frame& f, const NameExpr& n);
  GlobalRef resolve_global(Module* m, std::string_view name);
  // The script-level variable of that name seen from module m; null when there is none.
  vb::Variant* script_variable(Module* m, std::string_view name);
  Symbol* create_global(Module* m, std::string_view name);
  // A variable of the activation's own, made at run time (Frame::added).
  Symbol* create_local(Frame& f, std::string_view name);
  void retire_proc(Symbol* s);

  // expressions
  vb::Variant eval(Frame& f, const Expr& e) { return e.fn(*this, f, e); }
  vb::Variant eval_name(Frame& f, const NameExpr& n, bool statement);
  vb::Variant eval_call(Frame& f, const CallExpr& c, bool statement);
  vb::Variant eval_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, vb::InvokeKind kind);
  vb::Variant eval_chain(Frame& f, const ChainExpr& c);
  // The value of a variable or literal where it is stored; null for other expressions.
  // (Defined in interp_detail.h.)
  inline const vb::Variant* peek(Frame& f, const Expr& e);
  const vb::Variant* peek_slow(Frame& f, const NameExpr& n);
  vb::Variant eval_concat(Frame& f, const ConcatExpr& c);
  vb::Variant eval_new(Frame& f, const NewExpr& n);
  vb::Variant index_value(Frame& f, const vb::Variant& v, const std::vector<Arg>& args, vb::InvokeKind kind,
                          std::string_view name);
  // `so` must stay alive for the call (the caller holds a reference or it is Me).
  vb::Variant call_class_member(Frame& f, ScriptObject* so, int member, const std::vector<Arg>* args,
                                vb::InvokeKind kind);
  vb::Variant call_proc_ast(Frame& f, const ProcDef& p, ScriptObject* me, const std::vector<Arg>* args);
  template <class Fill>
  vb::Variant call_with(const ProcDef& p, ScriptObject* me, size_t nargs, Fill&& fill);
  vb::Variant call_builtin(Frame& f, const Builtin& b, const std::vector<Arg>* args);
  // A builtin found by name lookup (UBound and LBound of an array variable inline).
  vb::Variant builtin_call(Frame& f, const GlobalRef& g, const std::vector<Arg>& args);
  vb::Variant call_dispatch(Frame& f, vb::Dispatch* d, vb::DispId id, vb::InvokeKind kind,
                            const std::vector<Arg>* args, vb::Variant* value);
  // call_dispatch with arguments evaluated into a buffer (written back after the call).
  [[gnu::noinline]] vb::Variant call_dispatch_args(Frame& f, vb::Dispatch* d, vb::DispId id, vb::InvokeKind kind,
                                                   const std::vector<Arg>* args, vb::Variant* value);
  // The variable a name stands for when it is one (not a constant, procedure or object).
  vb::Variant* plain_variable(Frame& f, const NameExpr& n);
  // name(...) where name is a variable (an array element or an object's default member).
  bool element_of_variable(Frame& f, const Expr& e);
  vb::Variant call_intrinsic(Frame& f, int which, const std::vector<Arg>* args);
  vb::Variant with_object(Frame& f);
  // The object before the dot of a member access (error 424 when there is none).
  vb::Ref<vb::Dispatch> member_object(Frame& f, const MemberExpr& m);
  void eval_args(Frame& f, const std::vector<Arg>& args, ArgBuffer& buf, bool write_back, size_t extra);
  // Array indexes; up to four without a heap allocation.
  class Indexes {
   public:
    explicit Indexes(size_t n) : n_(n) {
      if (n > 4) big_.resize(n);
    }
    int32_t& operator[](size_t i) { return n_ > 4 ? big_[i] : small_[i]; }
    std::span<const int32_t> view() const {
      return n_ > 4 ? std::span<const int32_t>(big_) : std::span<const int32_t>(small_, n_);
    }

   private:
    size_t n_;
    int32_t small_[4] = {};
    std::vector<int32_t> big_;
  };
  Indexes eval_indexes(Frame& f, const std::vector<Arg>& args);
  // The index of name(i): a whole-number variable or literal where it stands, else evaluated.
  int32_t one_index(Frame& f, const Expr& e);

  // references and assignment
  vb::Variant* var_ref(Frame& f, const NameExpr& n, bool create);
  vb::Variant* lvalue_ref(Frame& f, const Expr& e, std::vector<ElemHold>& holds);
  void assign(Frame& f, const Expr& target, vb::Variant&& v, bool is_set);
  void store_name(Frame& f, const NameExpr& n, vb::Variant&& v, bool is_set);
  void assign_call(Frame& f, const CallExpr& c, vb::Variant&& v, bool is_set);
  void assign_nested(Frame& f, const CallExpr& c, vb::Variant&& v, bool is_set);
  void assign_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, vb::Variant v, bool is_set);
  void property_put_ast(Frame& f, ScriptObject* so, int member, const std::vector<Arg>* args, vb::Variant v,
                        bool is_set);

  // statements
  Flow exec_block(Frame& f, const Block& b);
  Flow exec(Frame& f, const Stmt& s);
  void exec_assign(Frame& f, const AssignStmt& s);
  void plan_assign(const AssignStmt& s);
  void exec_call(Frame& f, const CallStmt& s);
  Flow exec_if(Frame& f, const IfStmt& s);
  Flow exec_with(Frame& f, const WithStmt& s);
  void exec_erase(Frame& f, const EraseStmt& s);
  Flow exec_for(Frame& f, const ForStmt& s);
  Flow exec_for_each(Frame& f, const ForEachStmt& s);
  Flow exec_do(Frame& f, const DoStmt& s);
  // A loop whose set-up failed under Resume Next: the body runs once.
  Flow loop_setup_failed(Frame& f, const Block& body);
  // Runs body (part of the statement at pos). An error in it (a script error, a lack of
  // memory, a C++ exception) is recorded in Err under Resume Next, and recover() gives
  // the result; otherwise the statement is noted as the error's place and it goes on.
  template <class Body, class Recover>
  auto attempt(Frame& f, uint32_t pos, Body&& body, Recover&& recover) -> decltype(body());
  Flow exec_select(Frame& f, const SelectStmt& s);
  void exec_redim(Frame& f, const ReDimStmt& s);
  void exec_append(Frame& f, const AssignStmt& s);
  // o.s = o.s & ... and a(i) = a(i) & ...: in place when that cannot be told apart.
  void exec_append_place(Frame& f, const AssignStmt& s);
  // The string variable such a target stands for, reached without running code; null
  // when that is not possible (or it holds no string): the statement runs the general way.
  vb::Variant* append_place(Frame& f, const Expr& target, const Expr& read);
  // The appended values of x = x & ... where they stand (up to kAppendSmall) when reading
  // and joining them runs no code; false otherwise.
  static constexpr size_t kAppendSmall = 8;
  bool peek_appended(Frame& f, const ConcatExpr& c, const vb::Variant** parts);
  // Appends such values to the variable r in place; false (nothing done) when r is null,
  // an object or an array, or one of the values.
  static bool append_peeked(vb::Variant* r, const vb::Variant* const* parts, size_t count);
  // name = name & ... where code the appended values run could change the variable:
  // its value as the statement began, copied only when script code starts running
  // (or a host object is called) before the values are all there.
  struct PendingAppend {
    Frame& f;
    const NameExpr& n;
    vb::Variant before;
    bool taken = false;
    PendingAppend* outer = nullptr;
  };
  // Script code is about to run: the pending appends keep their variables' values.
  void before_script_code() {
    if (untaken_ != 0) [[unlikely]] take_pending();
  }
  void take_pending();
  // A condition under the frame's error mode: an error under Resume Next gives `on_error`.
  bool condition(Frame& f, const Expr& e, const Stmt& s, bool on_error);
  void handle_error(const vb::VBError& e);

  // definitions
  void init_decl(Frame& f, const VarDecl& d, vb::Variant& slot);
  vb::Variant run_text(Frame& f, std::string_view text, int mode);

  std::vector<std::unique_ptr<Module>> modules_;
  struct NamedObject {
    std::string name;
    vb::Ref<vb::Dispatch> obj;
    bool members;
  };
  std::vector<NamedObject> objects_;
  NameMap<size_t> object_index_;
  uint64_t gen_ = 1;
  vb::Ref<ErrObject> err_;
  ErrorSite site_;
  bool alive_ = true;
  bool shutting_down_ = false;
  std::vector<ProcPtr> retired_;  // replaced procedures, kept until the host's call returns
  const std::shared_ptr<Chunk>* cur_chunk_ = nullptr;
  uint32_t cur_pos_ = 0;

  long timeout_ms_ = 0;
  int64_t memory_limit_ = vb::memory::kNoLimit;
  int api_depth_ = 0;
  int call_depth_ = 0;
  // Ticks until the next look at the clock.
  std::atomic<long> tick_budget_{kTicksPerClockCheck};
  std::chrono::steady_clock::time_point deadline_{};
  bool has_deadline_ = false;
  const std::atomic<bool>* cancel_ = nullptr;
  bool watched_ = false;  // the watchdog watches this run (a deadline or a cancel flag)
  RunStop run_stop_;                      // what library work of this run polls
  const RunStop* outer_stop_ = nullptr;   // the thread's run before this one began
  PendingAppend* pending_ = nullptr;  // the innermost
  int untaken_ = 0;                   // pending appends that have not taken their value
  const char* stack_base_ = nullptr;
  size_t stack_limit_ = 0;
};

// The run-time error standing for a C++ exception that is not a script error (a host
// object's own): 507 "An exception occurred", with the exception's text.
vb::VBError exception_error(const std::exception& e);

// The value of an object's default member; other values unchanged. Nothing raises 91.
vb::Variant default_of(const vb::Variant& v);
// If/While truth of a value: Null and Empty are False.
bool truthy_general(const vb::Variant& v);
inline bool truthy(const vb::Variant& v) { return v.is_bool() ? v.raw_bool() : truthy_general(v); }

}  // namespace tolvex::vbscript
