// The interpreter: modules, names, definitions and procedure calls.
#include "vbscript/interp.h"

#include <pthread.h>

#include <cstring>
#include <exception>

#include "vb/convert.h"
#include "vbscript/interp_detail.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/operators.h"
#include "vbscript/watchdog.h"

namespace tolvex::vbscript {

using vb::InvokeKind;
using namespace detail;

namespace detail {

int find_intrinsic(std::string_view n, bool fallback) {
  static const NameMap<int> primary = {
      {"Eval", kEval}, {"Execute", kExecute}, {"ExecuteGlobal", kExecuteGlobal}, {"GetRef", kGetRef},
      {"Err", kErr}, {"CreateObject", kCreateObject}, {"GetObject", kGetObject},
      {"ScriptEngine", kScriptEngine}, {"ScriptEngineMajorVersion", kScriptEngineMajor},
      {"ScriptEngineMinorVersion", kScriptEngineMinor}, {"ScriptEngineBuildVersion", kScriptEngineBuild},
  };
  static const NameMap<int> secondary = {{"TypeName", kTypeName}, {"VarType", kVarType}, {"IsObject", kIsObject}};
  const auto& table = fallback ? secondary : primary;
  auto it = table.find(n);
  return it == table.end() ? kNone : it->second;
}

}  // namespace detail

namespace {

Variant make_fixed_array(const std::vector<int32_t>& ubounds) {
  std::vector<vb::Array::Bound> b;
  b.reserve(ubounds.size());
  for (int32_t ub : ubounds) b.push_back({0, ub + 1});
  check_array_size(b);
  auto arr = vb::make_ref<vb::Array>(VarType::Variant, std::move(b));
  arr->set_fixed(true);
  return Variant(std::move(arr));
}

Variant make_dynamic_array() { return Variant(vb::make_ref<vb::Array>()); }



// Lowest address of the calling thread's stack.
const char* thread_stack_low() {
  thread_local const char* low = nullptr;
  if (!low) {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      void* addr = nullptr;
      size_t size = 0;
      if (pthread_attr_getstack(&attr, &addr, &size) == 0) low = static_cast<const char*>(addr);
      pthread_attr_destroy(&attr);
    }
    if (!low) low = reinterpret_cast<const char*>(1);
  }
  return low;
}

}  // namespace

// ---------------------------------------------------------------- helpers

VBError exception_error(const std::exception& e) {
  constexpr int32_t kErrException = 507;
  std::string text = vb::error_description(kErrException);
  if (*e.what()) text += std::string(": ") + e.what();
  return VBError(kErrException, std::move(text));
}

Variant default_of(const Variant& v) {
  if (!v.is_object()) return v;
  vb::Dispatch* d = v.raw_object();
  if (!d) vb::raise(vb::err::kObjectVariableNotSet);
  Variant r = d->invoke(vb::kDispValue, InvokeKind::Get, {});
  if (r.is_object()) {
    vb::Dispatch* d2 = r.raw_object();
    if (!d2) vb::raise(vb::err::kObjectVariableNotSet);
    return d2->invoke(vb::kDispValue, InvokeKind::Get, {});
  }
  return r;
}

bool truthy_general(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean: return v.raw_bool();
    case VarType::Integer: return v.raw_integer() != 0;
    case VarType::Long: return v.raw_long() != 0;
    case VarType::Null:
    case VarType::Empty: return false;
    case VarType::Object: return truthy(default_of(v));
    default: return vb::to_bool(v);
  }
}

// ---------------------------------------------------------------- lifecycle

Interp::Interp() : err_(vb::make_ref<ErrObject>()) {
  auto g = std::make_unique<Module>();
  g->name = "Global";
  modules_.push_back(std::move(g));
}

Interp::~Interp() { shutdown(); }

void Interp::shutdown() {
  if (!alive_ || shutting_down_) return;
  shutting_down_ = true;
  // Release values first, while Class_Terminate handlers can still run; then the code.
  for (int pass = 0; pass < 2; ++pass) {
    // Terminate handlers may add globals: walk a list, not the tables.
    std::vector<Symbol*> syms;
    for (auto& m : modules_)
      for (auto& entry : m->symbols) syms.push_back(entry.second.get());
    for (Symbol* sym : syms) {
      Variant old = std::move(sym->value);
      old.clear();
    }
  }
  {
    std::vector<NamedObject> objs = std::move(objects_);
    objects_.clear();
    object_index_.clear();
    ++gen_;
    objs.clear();
  }
  alive_ = false;
  ++gen_;
  // Reset from inside a run (a host callback): the running code keeps its tables
  // until the interpreter itself goes; new calls fail.
  if (api_depth_ > 0) return;
  for (auto& m : modules_) m->symbols.clear();
  modules_.clear();
  retired_.clear();
}

vb::Ref<ErrObject> Interp::err_ref() const { return err_; }

Module* Interp::find_module(std::string_view name) const {
  for (auto& m : modules_)
    if (vb::iequals(m->name, name)) return m.get();
  return nullptr;
}

Module* Interp::add_module(std::string_view name) {
  if (Module* m = find_module(name)) return m;
  auto m = std::make_unique<Module>();
  m->name = std::string(name);
  modules_.push_back(std::move(m));
  ++gen_;
  return modules_.back().get();
}

void Interp::add_object(std::string_view name, vb::Ref<vb::Dispatch> obj, bool add_members) {
  auto it = object_index_.find(name);
  if (it != object_index_.end()) {
    objects_[it->second].obj = std::move(obj);
    objects_[it->second].members = add_members;
  } else {
    object_index_.emplace(std::string(name), objects_.size());
    objects_.push_back(NamedObject{std::string(name), std::move(obj), add_members});
  }
  ++gen_;
}

Interp::RunScope::RunScope(Interp& in) : in_(in), limit_(in.memory_limit_) {
  if (in_.api_depth_++ == 0) {
    char here;
    in_.stack_base_ = &here;
    const char* low = thread_stack_low();
    size_t avail = size_t(&here - low);
    // Leave room for the host's own frames and for the runtime library.
    in_.stack_limit_ = avail > (512u << 10) ? avail - (256u << 10) : avail / 2;
    if (in_.stack_limit_ > (size_t(256) << 20)) in_.stack_limit_ = size_t(256) << 20;
    in_.has_deadline_ = in_.timeout_ms_ > 0;
    // A run that starts cancelled stops at its first tick.
    const bool cancelled = in_.cancel_ && in_.cancel_->load(std::memory_order_relaxed);
    in_.tick_budget_.store(cancelled ? 0 : kTicksPerClockCheck, std::memory_order_relaxed);
    if (in_.has_deadline_)
      in_.deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(in_.timeout_ms_);
    in_.watched_ = in_.has_deadline_ || in_.cancel_;
    if (in_.watched_)
      watchdog::arm(in_.tick_budget_,
                    in_.has_deadline_ ? in_.deadline_ : std::chrono::steady_clock::time_point::max(), in_.cancel_);
    in_.site_ = ErrorSite{};
    in_.run_stop_ = RunStop{&in_.tick_budget_, in_.cancel_,
                            [](void* self) { static_cast<Interp*>(self)->check_time(); }, &in_};
    in_.outer_stop_ = current_run_stop;
    current_run_stop = &in_.run_stop_;
  }
}

Interp::RunScope::~RunScope() {
  if (--in_.api_depth_ == 0) {
    if (in_.watched_) watchdog::disarm(in_.tick_budget_);
    current_run_stop = in_.outer_stop_;
    in_.cur_chunk_ = nullptr;
    in_.retired_.clear();
  }
}

int Interp::current_line(std::string* text) const {
  if (!cur_chunk_ || !*cur_chunk_) return 0;
  int line = 0, column = 0;
  (*cur_chunk_)->position(cur_pos_, line, column);
  if (text) *text = (*cur_chunk_)->line_text(cur_pos_);
  return line;
}

void Interp::check_time() {
  tick_budget_.store(kTicksPerClockCheck, std::memory_order_relaxed);
  const bool cancelled = cancel_ && cancel_->load(std::memory_order_relaxed);
  if (!cancelled && (!has_deadline_ || std::chrono::steady_clock::now() <= deadline_)) return;
  // The error's place: the statement running now (calls that unwind put the current
  // position back to their caller's).
  if (cur_chunk_ && *cur_chunk_) site_ = ErrorSite{true, *cur_chunk_, cur_pos_};
  throw ScriptTimeout{cancelled};
}


void Interp::note_site(const Frame& f, uint32_t pos) {
  if (site_.set || !f.chunk) return;
  site_.set = true;
  site_.chunk = *f.chunk;
  site_.pos = pos;
}

void Interp::handle_error(const VBError& e) {
  if (!e.source().empty()) {
    err_->set(e.number(), e.description(), e.source());
  } else {
    // The engine's own error: Err.Description is the plain text, without the ": 'name'"
    // that the message of an error stopping the script carries.
    std::string text = vb::error_description(e.number());
    const std::string& d = e.description();
    const bool named = d.size() > text.size() + 3 && d.compare(0, text.size(), text) == 0 &&
                       d.compare(text.size(), 3, ": '") == 0;
    err_->set(e.number(), named ? std::move(text) : d, std::string(kRuntimeErrorSource));
  }
  site_ = ErrorSite{};
}

// ---------------------------------------------------------------- lookup

namespace {

GlobalRef symbol_ref(Symbol* s) {
  GlobalRef r;
  r.sym = s;
  switch (s->kind) {
    case Symbol::Kind::Var: r.kind = GlobalKind::Var; break;
    case Symbol::Kind::Const: r.kind = GlobalKind::Const; break;
    case Symbol::Kind::Proc: r.kind = GlobalKind::Proc; break;
    case Symbol::Kind::Class: r.kind = GlobalKind::Class; break;
  }
  return r;
}

// A new name in a table.
Symbol* add_symbol(Module& m, std::string_view name) {
  auto sym = std::make_unique<Symbol>();
  sym->name = std::string(name);
  Symbol* raw = sym.get();
  m.symbols.emplace(std::string(name), std::move(sym));
  return raw;
}

}  // namespace

const GlobalRef* Interp::added_ref(Module& added, std::string_view name) {
  Symbol* s = added.find(name);
  if (!s) return nullptr;
  s->ref = symbol_ref(s);
  return &s->ref;
}

Module& Interp::added_names(Frame& f) {
  if (!f.added) {
    f.own_added = std::make_unique<Module>();
    f.added = f.own_added.get();
  }
  return *f.added;
}

Variant* Interp::script_variable(Module* m, std::string_view name) {
  Symbol* s = m ? m->find(name) : nullptr;
  if (!s && !modules_.empty() && m != modules_.front().get()) s = modules_.front()->find(name);
  return s && s->kind == Symbol::Kind::Var ? &s->value : nullptr;
}

GlobalRef Interp::resolve_global(Module* m, std::string_view name) {
  GlobalRef r;
  if (m) {
    if (Symbol* s = m->find(name)) return symbol_ref(s);
  }
  if (!modules_.empty() && m != modules_.front().get()) {
    if (Symbol* s = modules_.front()->find(name)) return symbol_ref(s);
  }
  auto it = object_index_.find(name);
  if (it != object_index_.end()) {
    r.kind = GlobalKind::Object;
    r.obj = objects_[it->second].obj.get();
    return r;
  }
  for (auto& o : objects_) {
    if (!o.members || !o.obj) continue;
    vb::DispId id = o.obj->find_member(name);
    if (id != vb::kDispUnknown) {
      r.kind = GlobalKind::ObjectMember;
      r.obj = o.obj.get();
      r.id = id;
      return r;
    }
  }
  if (int in = find_intrinsic(name, false)) {
    r.kind = GlobalKind::Intrinsic;
    r.intrinsic = in;
    return r;
  }
  if (const Builtin* b = find_builtin(name)) {
    r.kind = GlobalKind::Builtin;
    r.builtin = b;
    static const Builtin* const ubound = find_builtin("UBound");
    static const Builtin* const lbound = find_builtin("LBound");
    r.bound = b == ubound ? GlobalRef::Bound::Upper : b == lbound ? GlobalRef::Bound::Lower : GlobalRef::Bound::None;
    return r;
  }
  if (const Variant* c = find_constant(name)) {
    r.kind = GlobalKind::Constant;
    r.constant = c;
    return r;
  }
  if (int in = find_intrinsic(name, true)) {
    r.kind = GlobalKind::Intrinsic;
    r.intrinsic = in;
    return r;
  }
  return r;
}

void Interp::resolve_into(const Frame& f, const NameExpr& n) {
  n.cache = resolve_global(f.module, n.name);
  n.cache_gen = gen_;
}

Symbol* Interp::create_global(Module* m, std::string_view name) {
  Symbol* s = add_symbol(*m, name);
  ++gen_;
  return s;
}

Symbol* Interp::create_local(Frame& f, std::string_view name) {
  // Looked up before the globals: no name cached on a node needs to be looked up again.
  return add_symbol(added_names(f), name);
}

// ---------------------------------------------------------------- definitions

void Interp::init_decl(Frame& f, const VarDecl& d, Variant& slot) {
  if (d.const_value) {
    slot = eval(f, *d.const_value);
  } else if (d.is_array) {
    slot = d.bounds.empty() ? make_dynamic_array() : make_fixed_array(d.bounds);
  }
}

void Interp::retire_proc(Symbol* s) {
  // Calls reach global procedures without taking a reference: one that is being
  // replaced may still run, so it lives until the host's call returns.
  if (s->proc) retired_.push_back(std::move(s->proc));
  s->proc.reset();
}

void Interp::define(Module* m, const Program& prog, Module* local) {
  // Procedures and variables go to `names`; classes always to the module.
  Module* names = local ? local : m;
  // Names an earlier unit defined: a Const cannot take over a variable or constant
  // (1041), nor a Dim of an array a variable (13). Nothing of the unit is defined then.
  for (const VarDecl& d : prog.globals) {
    const Symbol* s = names->find(d.name);
    if (!s) continue;
    if (d.const_value && (s->kind == Symbol::Kind::Var || s->kind == Symbol::Kind::Const))
      raise_named(1041, d.name);
    if (d.is_array && s->kind == Symbol::Kind::Var) raise_named(vb::err::kTypeMismatch, d.name);
  }
  for (const ProcPtr& p : prog.procs) {
    p->module = m;  // (the procedure itself sees the module's globals, not the activation's names)
    Symbol* s = names->find(p->name);
    if (!s) s = create_global(names, p->name);
    bool was_proc = s->kind == Symbol::Kind::Proc && s->proc;
    retire_proc(s);
    s->kind = Symbol::Kind::Proc;
    s->proc = p;
    s->cls.reset();
    if (!was_proc) names->procedures.push_back(s);
  }
  for (const ClassPtr& c : prog.classes) {
    c->module = m;
    for (auto& mem : c->members) {
      for (ProcDef* p : {mem.method.get(), mem.get.get(), mem.let.get(), mem.set.get()})
        if (p) p->module = m;
    }
    if (c->initialize) c->initialize->module = m;
    if (c->terminate) c->terminate->module = m;
    Symbol* s = m->find(c->name);
    if (!s) s = create_global(m, c->name);
    if (s->kind == Symbol::Kind::Proc && s->proc) std::erase(m->procedures, s);
    retire_proc(s);
    s->kind = Symbol::Kind::Class;
    s->cls = c;
  }
  Frame f;
  f.module = m;
  f.chunk = &prog.chunk;
  f.option_explicit = prog.chunk->option_explicit;
  for (const VarDecl& d : prog.globals) {
    Symbol* s = names->find(d.name);
    if (!s) s = create_global(names, d.name);
    if (s->kind == Symbol::Kind::Proc && s->proc) std::erase(names->procedures, s);
    if (d.const_value) {
      retire_proc(s);
      s->kind = Symbol::Kind::Const;
      s->cls.reset();
      Variant v = eval(f, *d.const_value);
      s->value = std::move(v);
      continue;
    }
    if (s->kind != Symbol::Kind::Var) {
      retire_proc(s);
      s->kind = Symbol::Kind::Var;
      s->cls.reset();
      s->value = Variant();
    }
    if (d.is_array) init_decl(f, d, s->value);
  }
  ++gen_;
}

void Interp::run_toplevel(Module* m, const Program& prog) {
  Frame f;
  f.module = m;
  f.proc = prog.toplevel.get();
  f.chunk = &prog.chunk;
  f.option_explicit = prog.chunk->option_explicit;
  exec_block(f, prog.toplevel->body);
}

Variant Interp::run_procedure(Module* m, std::string_view name, vb::Args args) {
  Symbol* s = m->find(name);
  if (!s && m != global_module()) s = global_module()->find(name);
  if (!s || s->kind != Symbol::Kind::Proc || !s->proc) raise_named(35, name);
  ProcPtr p = s->proc;
  std::vector<ArgRef> refs(args.size());
  for (size_t i = 0; i < args.size(); ++i) refs[i] = ArgRef{&args[i], false};
  return invoke_proc(*p, nullptr, refs.data(), refs.size());
}

Variant Interp::eval_in_module(Module* m, const std::shared_ptr<Chunk>& chunk, const Expr& e) {
  Frame f;
  f.module = m;
  f.chunk = &chunk;
  f.option_explicit = chunk->option_explicit;
  return eval(f, e);
}

Variant Interp::make_object(const ClassPtr& cls) {
  auto obj = vb::make_ref<ScriptObject>(shared_from_this(), cls);
  Frame f;
  f.module = cls->module;
  f.chunk = &cls->chunk;
  for (size_t i = 0; i < cls->fields.size(); ++i) init_decl(f, cls->fields[i], obj->fields()[i]);
  if (cls->initialize) {
    try {
      invoke_proc(*cls->initialize, obj.get(), nullptr, 0);
    } catch (...) {
      obj->skip_terminate();  // an object that never finished initializing is not terminated
      throw;
    }
  }
  return Variant(vb::Ref<vb::Dispatch>(std::move(obj)));
}

// ---------------------------------------------------------------- procedure calls

namespace {

// The slots of one call: each slot's own value, where its variable is (its own value,
// or the caller's variable for a by-reference argument) and, for implicit locals,
// whether it has been assigned. Up to kSmall slots need no heap.
class CallSlots {
 public:
  static constexpr size_t kSmall = 8;
  explicit CallSlots(size_t n) : n_(n) {
    if (n > kSmall) {
      big_.reset(new unsigned char[n * (sizeof(Variant) + sizeof(Variant*) + 1)]);
      vals_ = reinterpret_cast<Variant*>(big_.get());
      refs_ = reinterpret_cast<Variant**>(big_.get() + n * sizeof(Variant));
      live_ = big_.get() + n * (sizeof(Variant) + sizeof(Variant*));
      std::memset(live_, 0, n);
    }
    // (Through locals: the stores cannot change the members, so they are not read again.)
    Variant* const vals = vals_;
    Variant** const refs = refs_;
    for (size_t i = 0; i < n; ++i) {
      new (&vals[i]) Variant();
      refs[i] = &vals[i];
    }
  }
  CallSlots(const CallSlots&) = delete;
  CallSlots& operator=(const CallSlots&) = delete;
  ~CallSlots() {
    Variant* const vals = vals_;
    for (size_t i = 0, n = n_; i < n; ++i) drop(vals[i]);
  }
  // The slot's own value (Empty until set).
  Variant& own(size_t i) { return vals_[i]; }
  // Sets slot i's own value, built in place from make()'s result; only while it is Empty.
  template <class Make>
  void set(size_t i, Make&& make) {
    new (&vals_[i]) Variant(make());
  }
  // The slot stands for the caller's variable.
  void refer(size_t i, Variant* v) { refs_[i] = v; }
  Variant** refs() { return refs_; }
  uint8_t* live() { return live_; }

 private:
  alignas(Variant) unsigned char small_vals_[kSmall * sizeof(Variant)];
  Variant* small_refs_[kSmall];
  uint8_t small_live_[kSmall] = {};
  std::unique_ptr<unsigned char[]> big_;
  Variant* vals_ = reinterpret_cast<Variant*>(small_vals_);
  Variant** refs_ = small_refs_;
  uint8_t* live_ = small_live_;
  size_t n_;
};

}  // namespace

template <class Fill>
Variant Interp::call_with(const ProcDef& p, ScriptObject* me, size_t nargs, Fill&& fill) {
  if (!alive_) vb::raise(vb::err::kObjectRequired);
  before_script_code();
  if (nargs != p.params.size()) vb::raise(vb::err::kWrongArgCount);
  struct DepthGuard {
    int& d;
    explicit DepthGuard(int& x) : d(x) { ++d; }
    ~DepthGuard() { --d; }
  } depth(call_depth_);
  if (call_depth_ > kMaxCallDepth) vb::raise(28);
  check_stack();
  tick();

  CallSlots slots(size_t(p.nslots));
  fill(slots);  // the parameters, slots 0..nargs-1, in order

  Frame f;
  f.module = p.module;
  f.proc = &p;
  f.local_scope = true;
  f.me = me;
  f.slots = slots.refs();
  f.live = slots.live();
  f.chunk = &p.chunk;
  f.option_explicit = p.chunk && p.chunk->option_explicit;
  if (p.init_locals) {
    for (size_t k = 0; k < p.locals.size(); ++k) {
      const VarDecl& d = p.locals[k];
      if (d.by_redim) {
        if (Variant* g = script_variable(p.module, d.name)) {
          slots.refer(size_t(p.first_local) + k, g);
          continue;
        }
      }
      if (d.is_array || d.const_value) init_decl(f, d, slots.own(size_t(p.first_local) + k));
    }
  }
  KeepPosition keep_position(*this);
  Flow fl = exec_block(f, p.body);
  if (fl == Flow::ExitProc) err_->clear();
  if (p.ret_slot >= 0) return take(slots.own(size_t(p.ret_slot)));
  return Variant();
}

Variant Interp::invoke_proc(const ProcDef& p, ScriptObject* me, ArgRef* args, size_t nargs) {
  return call_with(p, me, nargs, [&](CallSlots& slots) {
    for (size_t i = 0; i < nargs && i < p.params.size(); ++i) {
      if (p.params[i].byval) slots.set(i, [&] { return args[i].temp ? take(*args[i].p) : copy_of(*args[i].p); });
      else slots.refer(i, args[i].p);
    }
  });
}

Variant Interp::call_proc_ast(Frame& f, const ProcDef& p, ScriptObject* me, const std::vector<Arg>* args) {
  size_t n = args ? args->size() : 0;
  if (n != p.params.size()) vb::raise(vb::err::kWrongArgCount);
  std::vector<ElemHold> holds;
  return call_with(p, me, n, [&](CallSlots& slots) {
    for (size_t i = 0; i < n; ++i) {
      const Arg& a = (*args)[i];
      if (!a.expr) {
        slots.set(i, [] { return Variant::missing(); });
        continue;
      }
      const Expr& x = *a.expr;
      const Param& prm = p.params[i];
      if (x.kind == ExprKind::Literal && !prm.byval && prm.read_only) {
        // A literal for a parameter the procedure only reads: the literal itself.
        slots.refer(i, const_cast<Variant*>(&static_cast<const LiteralExpr&>(x).value));
        continue;
      }
      if (!prm.byval && !x.parens && (x.kind == ExprKind::Name || element_of_variable(f, x))) {
        Variant* r = x.kind == ExprKind::Name && static_cast<const NameExpr&>(x).bind == Bind::Local
                         ? f.slots[static_cast<const NameExpr&>(x).slot]
                         : lvalue_ref(f, x, holds);
        if (r) {
          slots.refer(i, r);
          continue;
        }
      }
      // By value, or a by-reference parameter given an expression: the callee's own slot.
      slots.set(i, [&] { return eval(f, x); });
    }
  });
}

bool Interp::element_of_variable(Frame& f, const Expr& e) {
  if (e.kind != ExprKind::Call) return false;
  const auto& c = static_cast<const CallExpr&>(e);
  return c.target->kind == ExprKind::Name && !c.args.empty() &&
         plain_variable(f, static_cast<const NameExpr&>(*c.target)) != nullptr;
}

Variant* Interp::plain_variable(Frame& f, const NameExpr& n) {
  if (is_local_or_field(n)) return &local_or_field(f, n);
  if (n.bind == Bind::Dynamic &&
      ((n.implicit_slot >= 0 && f.live[n.implicit_slot]) || lookup(f, n).kind == GlobalKind::Var))
    return var_ref(f, n, false);
  return nullptr;
}

void Interp::eval_args(Frame& f, const std::vector<Arg>& args, ArgBuffer& buf, bool write_back, size_t extra) {
  buf.reserve(args.size() + extra);
  for (size_t i = 0; i < args.size(); ++i) {
    const Arg& a = args[i];
    if (!a.expr) {
      buf.vals.emplace([] { return Variant::missing(); });
      continue;
    }
    if (write_back && !a.expr->parens && a.expr->kind == ExprKind::Name) {
      if (Variant* r = plain_variable(f, static_cast<const NameExpr&>(*a.expr))) {
        buf.vals.emplace([&] { return copy_of(*r); });
        buf.refs[i] = r;
        buf.any_ref = true;
        continue;
      }
    }
    if (write_back && !a.expr->parens && a.expr->kind == ExprKind::Call) {
      // An array element is passed by reference too.
      if (Variant* r = lvalue_ref(f, *a.expr, buf.holds)) {
        buf.vals.emplace([&] { return copy_of(*r); });
        buf.refs[i] = r;
        buf.any_ref = true;
        continue;
      }
    }
    buf.vals.emplace([&] { return eval(f, *a.expr); });
  }
}

Variant Interp::call_builtin(Frame& f, const Builtin& b, const std::vector<Arg>* args) {
  const size_t n = args ? args->size() : 0;
  if (int(n) < b.min_args || (b.max_args >= 0 && int(n) > b.max_args)) raise_named(vb::err::kWrongArgCount, b.name);
  if (n == 0) return b.fn(env, {});
  const std::vector<Arg>& a = *args;
  if (n == 1 && a[0].expr) {
    // One argument (CStr(x), Len(s), IsEmpty(s)): a variable that holds no object or
    // array is read where it stands (library functions never change their arguments,
    // and no code runs meanwhile); else a copy of a literal, or the expression's value.
    const Variant* p = peek(f, *a[0].expr);
    if (p && a[0].expr->kind == ExprKind::Name && !p->is_object() && !p->is_array())
      return b.fn(env, vb::Args(const_cast<Variant*>(p), 1));
    Variant v = p ? copy_of(*p) : eval(f, *a[0].expr);
    return b.fn(env, vb::Args(&v, 1));
  }
  constexpr size_t kFew = 4;
  if (n > kFew) {
    ArgBuffer buf;
    eval_args(f, a, buf, false, 0);
    return b.fn(env, buf.span());
  }
  const Variant* peeked[kFew];
  // Every argument a variable or literal, none an object (whose default value is code
  // that could see a lent variable): no argument runs code.
  bool plain = true;
  for (size_t i = 0; i < n; ++i) {
    peeked[i] = a[i].expr ? peek(f, *a[i].expr) : nullptr;
    if (!peeked[i] || peeked[i]->is_object()) plain = false;
  }
  // Strings in plain variables too long for std::string's inline buffer (a copy would
  // allocate) are lent to the function rather than copied (Len(s), Mid(s, i, 1) in a
  // loop) when no argument runs code that could see them.
  constexpr size_t kInlineChars = 15;
  Slots vals(n);
  Variant* lent[kFew] = {};
  struct GiveBack {
    Slots& vals;
    Variant** lent;
    ~GiveBack() {
      for (size_t i = 0; i < vals.built(); ++i)
        if (lent[i]) store(*lent[i], take(vals[i]));
    }
  } give_back{vals, lent};
  for (size_t i = 0; i < n; ++i) {
    const Variant* p = peeked[i];
    if (!a[i].expr) {
      vals.emplace([] { return Variant::missing(); });
    } else if (!plain) {
      // In order: an argument's code may change the variables of the next ones.
      vals.emplace([&] { return eval(f, *a[i].expr); });
    } else {
      // A variable lent for an earlier argument is empty now: this one copies that
      // argument's value (StrComp(s, s)).
      size_t j = 0;
      while (j < i && lent[j] != p) ++j;
      if (j < i) {
        vals.emplace([&] { return Variant(vals[j]); });
      } else if (p->is_string() && p->raw_string().size() > kInlineChars && a[i].expr->kind == ExprKind::Name) {
        vals.emplace([&] { return Variant(std::move(*const_cast<Variant*>(p))); });
        lent[i] = const_cast<Variant*>(p);
      } else {
        vals.emplace([&] { return copy_of(*p); });
      }
    }
  }
  return b.fn(env, vb::Args(vals.data(), n));
}

namespace {

// d's member with arguments. A property without parameters that returns an object
// passes them on to that object's default member (matches.Item(0).SubMatches(1)).
[[gnu::always_inline]] inline Variant invoke_with_args(vb::Dispatch* d, vb::DispId id, InvokeKind kind, vb::Args span,
                                                       bool pass_on) {
  if (!pass_on) return d->invoke(id, kind, span);
  try {
    return d->invoke(id, kind, span);
  } catch (const VBError& e) {
    if (e.number() != vb::err::kWrongArgCount) throw;
    // When the member takes no arguments either, the first error stands (Err.Raise 450,
    // "src", "text" keeps its source and text).
    const std::exception_ptr first = std::current_exception();
    Variant inner;
    try {
      inner = d->invoke(id, InvokeKind::Get, {});
    } catch (const VBError&) {
      std::rethrow_exception(first);
    }
    if (!inner.is_object() || !inner.raw_object()) throw;
    return inner.raw_object()->invoke(vb::kDispValue, kind, span);
  }
}

}  // namespace

Variant Interp::call_dispatch(Frame& f, vb::Dispatch* d, vb::DispId id, InvokeKind kind, const std::vector<Arg>* args,
                              Variant* value) {
  // A host object may write its arguments back or call script code of its own.
  before_script_code();
  if ((!args || args->empty()) && !value) {
    vb::Ref<vb::Dispatch> keep(d);
    return d->invoke(id, kind, {});
  }
  // One argument that is a variable: the object gets the variable itself, by reference.
  if (args && args->size() == 1 && !value) {
    const Expr* x = (*args)[0].expr.get();
    if (x && !x->parens && x->kind == ExprKind::Name) {
      const auto& n = static_cast<const NameExpr&>(*x);
      if (Variant* r = is_local_or_field(n) ? &local_or_field(f, n) : plain_variable(f, n)) {
        vb::Ref<vb::Dispatch> keep(d);
        return invoke_with_args(d, id, kind, vb::Args(r, 1), id != vb::kDispValue);
      }
    }
  }
  return call_dispatch_args(f, d, id, kind, args, value);
}

Variant Interp::call_dispatch_args(Frame& f, vb::Dispatch* d, vb::DispId id, InvokeKind kind,
                                   const std::vector<Arg>* args, Variant* value) {
  vb::Ref<vb::Dispatch> keep(d);
  ArgBuffer buf;
  if (args) eval_args(f, *args, buf, true, value ? 1 : 0);
  else buf.reserve(value ? 1 : 0);
  if (value) buf.vals.emplace([&] { return Variant(std::move(*value)); });
  const bool pass_on = args && !args->empty() && !value && id != vb::kDispValue;
  Variant r = invoke_with_args(d, id, kind, buf.span(), pass_on);
  buf.write_back();
  return r;
}

}  // namespace tolvex::vbscript
