#include "vbscript/interp.h"

#include <pthread.h>

#include <cmath>
#include <limits>

#include "vb/convert.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/operators.h"

namespace tolvex::vbscript {

using vb::Variant;
using vb::VarType;
using vb::VBError;
using vb::InvokeKind;

namespace {

[[noreturn]] void raise_named(int32_t number, std::string_view name) {
  throw VBError(number, vb::error_description(number) + ": '" + std::string(name) + "'");
}

// Engine-level functions that need the interpreter.
enum Intrinsic : int {
  kNone = 0,
  kEval, kExecute, kExecuteGlobal, kGetRef, kErr, kCreateObject, kGetObject, kIsObject,
  kScriptEngine, kScriptEngineMajor, kScriptEngineMinor, kScriptEngineBuild,
  // only when the runtime library has none of these names
  kTypeName, kVarType,
};

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

inline bool is_int(const Variant& v) { return v.type() == VarType::Integer || v.type() == VarType::Long; }
inline int32_t int_of(const Variant& v) {
  return v.type() == VarType::Integer ? int32_t(v.raw_integer()) : v.raw_long();
}
inline Variant int_result(int64_t r, bool both_integer) {
  if (both_integer && r >= INT16_MIN && r <= INT16_MAX) return Variant(int16_t(r));
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(int32_t(r));
  return Variant(double(r));
}

Variant binop(BinOp op, const Variant& a, const Variant& b) {
  if (is_int(a) && is_int(b)) {
    int64_t x = int_of(a), y = int_of(b);
    bool both_i2 = a.type() == VarType::Integer && b.type() == VarType::Integer;
    switch (op) {
      case BinOp::Add: return int_result(x + y, both_i2);
      case BinOp::Sub: return int_result(x - y, both_i2);
      case BinOp::Mul: return int_result(x * y, both_i2);
      case BinOp::Eq: return Variant(x == y);
      case BinOp::Ne: return Variant(x != y);
      case BinOp::Lt: return Variant(x < y);
      case BinOp::Le: return Variant(x <= y);
      case BinOp::Gt: return Variant(x > y);
      case BinOp::Ge: return Variant(x >= y);
      default: break;
    }
  } else if (a.is_string() && b.is_string()) {
    if (op == BinOp::Eq) return Variant(a.raw_string() == b.raw_string());
    if (op == BinOp::Ne) return Variant(a.raw_string() != b.raw_string());
  }
  switch (op) {
    case BinOp::Imp: return op_imp(a, b);
    case BinOp::Eqv: return op_eqv(a, b);
    case BinOp::Xor: return op_xor(a, b);
    case BinOp::Or: return op_or(a, b);
    case BinOp::And: return op_and(a, b);
    case BinOp::Eq: return op_eq(a, b);
    case BinOp::Ne: return op_ne(a, b);
    case BinOp::Lt: return op_lt(a, b);
    case BinOp::Le: return op_le(a, b);
    case BinOp::Gt: return op_gt(a, b);
    case BinOp::Ge: return op_ge(a, b);
    case BinOp::Is: {
      if (!a.is_object() || !b.is_object()) vb::raise(vb::err::kObjectRequired);
      return Variant(a.raw_object() == b.raw_object());
    }
    case BinOp::Concat: return op_concat(a, b);
    case BinOp::Add: return op_add(a, b);
    case BinOp::Sub: return op_sub(a, b);
    case BinOp::Mod: return op_mod(a, b);
    case BinOp::IDiv: return op_idiv(a, b);
    case BinOp::Mul: return op_mul(a, b);
    case BinOp::Div: return op_div(a, b);
    case BinOp::Pow: return op_pow(a, b);
  }
  return Variant();
}

Variant make_fixed_array(const std::vector<int32_t>& ubounds) {
  std::vector<vb::Array::Bound> b;
  b.reserve(ubounds.size());
  for (int32_t ub : ubounds) b.push_back({0, ub + 1});
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

bool truthy(const Variant& v) {
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

struct Interp::ArgBuffer {
  static constexpr size_t kSmall = 6;
  Variant small[kSmall];
  Variant* small_refs[kSmall] = {};
  std::vector<Variant> big;
  std::vector<Variant*> big_refs;
  Variant* data = small;
  Variant** refs = small_refs;
  size_t n = 0;
  bool any_ref = false;

  void reserve(size_t count) {
    n = count;
    if (count > kSmall) {
      big.resize(count);
      big_refs.assign(count, nullptr);
      data = big.data();
      refs = big_refs.data();
    }
  }
  vb::Args span() { return vb::Args(data, n); }
  void write_back() {
    if (!any_ref) return;
    for (size_t i = 0; i < n; ++i)
      if (refs[i]) *refs[i] = std::move(data[i]);
  }
};

// Keeps an array alive and locked while one of its elements is passed by reference.
struct Interp::ElemHold {
  vb::Ref<vb::Array> arr;
  explicit ElemHold(vb::Ref<vb::Array> a) : arr(std::move(a)) { arr->lock(); }
  ElemHold(ElemHold&& o) noexcept : arr(std::move(o.arr)) {}
  ElemHold& operator=(ElemHold&&) = delete;
  ~ElemHold() {
    if (arr) arr->unlock();
  }
};

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
  objects_.clear();
  object_index_.clear();
  for (auto& m : modules_) m->symbols.clear();
  modules_.clear();
  ++gen_;
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

Interp::RunScope::RunScope(Interp& in) : in_(in) {
  if (in_.api_depth_++ == 0) {
    char here;
    in_.stack_base_ = &here;
    const char* low = thread_stack_low();
    size_t avail = size_t(&here - low);
    // Leave room for the host's own frames and for the runtime library.
    in_.stack_limit_ = avail > (512u << 10) ? avail - (256u << 10) : avail / 2;
    if (in_.stack_limit_ > (size_t(256) << 20)) in_.stack_limit_ = size_t(256) << 20;
    in_.has_deadline_ = in_.timeout_ms_ > 0;
    if (in_.has_deadline_)
      in_.deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(in_.timeout_ms_);
    in_.tick_budget_ = 1024;
    in_.site_ = ErrorSite{};
  }
}

Interp::RunScope::~RunScope() {
  if (--in_.api_depth_ == 0) in_.cur_chunk_ = nullptr;
}

int Interp::current_line(std::string* text) const {
  if (!cur_chunk_ || !*cur_chunk_) return 0;
  int line = 0, column = 0;
  (*cur_chunk_)->position(cur_pos_, line, column);
  if (text) *text = (*cur_chunk_)->line_text(cur_pos_);
  return line;
}

void Interp::check_time() {
  tick_budget_ = 1024;
  if (has_deadline_ && std::chrono::steady_clock::now() > deadline_) throw ScriptTimeout{};
}

void Interp::check_stack() {
  char here;
  if (stack_base_ && size_t(stack_base_ - &here) > stack_limit_) vb::raise(28);
}

void Interp::note_site(const Frame& f, uint32_t pos) {
  if (site_.set || !f.chunk) return;
  site_.set = true;
  site_.chunk = *f.chunk;
  site_.pos = pos;
}

void Interp::handle_error(Frame& f, const VBError& e) {
  (void)f;
  err_->set(e.number(), e.description(), e.source().empty() ? std::string(kRuntimeErrorSource) : e.source());
  site_ = ErrorSite{};
}

// ---------------------------------------------------------------- lookup

GlobalRef Interp::resolve_global(Module* m, std::string_view name) {
  GlobalRef r;
  auto from_symbol = [&](Symbol* s) {
    r.sym = s;
    switch (s->kind) {
      case Symbol::Kind::Var: r.kind = GlobalKind::Var; break;
      case Symbol::Kind::Const: r.kind = GlobalKind::Const; break;
      case Symbol::Kind::Proc: r.kind = GlobalKind::Proc; break;
      case Symbol::Kind::Class: r.kind = GlobalKind::Class; break;
    }
  };
  if (m) {
    if (Symbol* s = m->find(name)) {
      from_symbol(s);
      return r;
    }
  }
  if (!modules_.empty() && m != modules_.front().get()) {
    if (Symbol* s = modules_.front()->find(name)) {
      from_symbol(s);
      return r;
    }
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

const GlobalRef& Interp::lookup(const Frame& f, const NameExpr& n) {
  if (n.cache_gen != gen_) {
    n.cache = resolve_global(f.module, n.name);
    n.cache_gen = gen_;
  }
  return n.cache;
}

Symbol* Interp::create_global(Module* m, std::string_view name) {
  auto sym = std::make_unique<Symbol>();
  sym->name = std::string(name);
  Symbol* raw = sym.get();
  m->symbols.emplace(std::string(name), std::move(sym));
  ++gen_;
  return raw;
}

// ---------------------------------------------------------------- definitions

void Interp::init_decl(Frame& f, const VarDecl& d, Variant& slot) {
  if (d.const_value) {
    slot = eval(f, *d.const_value);
  } else if (d.is_array) {
    slot = d.bounds.empty() ? make_dynamic_array() : make_fixed_array(d.bounds);
  }
}

void Interp::define(Module* m, const Program& prog) {
  for (const ProcPtr& p : prog.procs) {
    p->module = m;
    Symbol* s = m->find(p->name);
    if (!s) s = create_global(m, p->name);
    bool was_proc = s->kind == Symbol::Kind::Proc && s->proc;
    s->kind = Symbol::Kind::Proc;
    s->proc = p;
    s->cls.reset();
    if (!was_proc) m->procedures.push_back(s);
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
    s->kind = Symbol::Kind::Class;
    s->cls = c;
    s->proc.reset();
  }
  Frame f;
  f.module = m;
  f.chunk = &prog.chunk;
  f.option_explicit = prog.chunk->option_explicit;
  for (const VarDecl& d : prog.globals) {
    Symbol* s = m->find(d.name);
    if (!s) s = create_global(m, d.name);
    if (s->kind == Symbol::Kind::Proc && s->proc) std::erase(m->procedures, s);
    if (d.const_value) {
      s->kind = Symbol::Kind::Const;
      s->proc.reset();
      s->cls.reset();
      Variant v = eval(f, *d.const_value);
      s->value = std::move(v);
      continue;
    }
    if (s->kind != Symbol::Kind::Var) {
      s->kind = Symbol::Kind::Var;
      s->proc.reset();
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
  if (cls->initialize) invoke_proc(*cls->initialize, obj.get(), nullptr, 0);
  return Variant(vb::Ref<vb::Dispatch>(std::move(obj)));
}

// ---------------------------------------------------------------- procedure calls

Variant Interp::invoke_proc(const ProcDef& p, ScriptObject* me, ArgRef* args, size_t nargs) {
  if (!alive_) vb::raise(vb::err::kObjectRequired);
  if (nargs != p.params.size()) vb::raise(vb::err::kWrongArgCount);
  struct DepthGuard {
    int& d;
    explicit DepthGuard(int& x) : d(x) { ++d; }
    ~DepthGuard() { --d; }
  } depth(call_depth_);
  if (call_depth_ > kMaxCallDepth) vb::raise(28);
  check_stack();
  tick();

  constexpr size_t kSmall = 10;
  const size_t ns = size_t(p.nslots);
  Variant small_store[kSmall];
  Variant* small_slots[kSmall];
  uint8_t small_live[kSmall] = {};
  std::unique_ptr<Variant[]> big_store;
  std::unique_ptr<Variant*[]> big_slots;
  std::unique_ptr<uint8_t[]> big_live;
  Variant* store = small_store;
  Variant** slots = small_slots;
  uint8_t* live = small_live;
  if (ns > kSmall) {
    big_store.reset(new Variant[ns]);
    big_slots.reset(new Variant*[ns]);
    big_live.reset(new uint8_t[ns]());
    store = big_store.get();
    slots = big_slots.get();
    live = big_live.get();
  }
  for (size_t i = 0; i < nargs; ++i) {
    if (p.params[i].byval) {
      if (args[i].temp) store[i] = std::move(*args[i].p);
      else store[i] = *args[i].p;
      slots[i] = &store[i];
    } else {
      slots[i] = args[i].p;
    }
  }
  for (size_t i = nargs; i < ns; ++i) slots[i] = &store[i];

  Frame f;
  f.module = p.module;
  f.proc = &p;
  f.me = me;
  f.slots = slots;
  f.live = live;
  f.chunk = &p.chunk;
  f.option_explicit = p.chunk && p.chunk->option_explicit;
  for (size_t k = 0; k < p.locals.size(); ++k) {
    const VarDecl& d = p.locals[k];
    if (d.is_array || d.const_value) init_decl(f, d, store[size_t(p.first_local) + k]);
  }
  const std::shared_ptr<Chunk>* saved_chunk = cur_chunk_;
  uint32_t saved_pos = cur_pos_;
  Flow fl = exec_block(f, p.body);
  cur_chunk_ = saved_chunk;
  cur_pos_ = saved_pos;
  if (fl == Flow::ExitProc) err_->clear();
  if (p.ret_slot >= 0) return std::move(store[size_t(p.ret_slot)]);
  return Variant();
}

Variant Interp::call_proc_ast(Frame& f, const ProcDef& p, ScriptObject* me, const std::vector<Arg>* args) {
  size_t n = args ? args->size() : 0;
  if (n != p.params.size()) vb::raise(vb::err::kWrongArgCount);
  if (n == 0) return invoke_proc(p, me, nullptr, 0);
  constexpr size_t kSmall = 6;
  ArgRef small_refs[kSmall];
  Variant small_temps[kSmall];
  std::vector<ArgRef> big_refs;
  std::vector<Variant> big_temps;
  ArgRef* refs = small_refs;
  Variant* temps = small_temps;
  if (n > kSmall) {
    big_refs.resize(n);
    big_temps.resize(n);
    refs = big_refs.data();
    temps = big_temps.data();
  }
  std::vector<ElemHold> holds;
  for (size_t i = 0; i < n; ++i) {
    const Arg& a = (*args)[i];
    if (!a.expr) {
      temps[i] = Variant::missing();
      refs[i] = ArgRef{&temps[i], true};
      continue;
    }
    if (!p.params[i].byval && !a.expr->parens) {
      if (Variant* r = lvalue_ref(f, *a.expr, holds)) {
        refs[i] = ArgRef{r, false};
        continue;
      }
    }
    temps[i] = eval(f, *a.expr);
    refs[i] = ArgRef{&temps[i], true};
  }
  return invoke_proc(p, me, refs, n);
}

void Interp::eval_args(Frame& f, const std::vector<Arg>& args, ArgBuffer& buf, bool write_back, size_t extra) {
  buf.reserve(args.size() + extra);
  for (size_t i = 0; i < args.size(); ++i) {
    const Arg& a = args[i];
    if (!a.expr) {
      buf.data[i] = Variant::missing();
      continue;
    }
    if (write_back && !a.expr->parens && a.expr->kind == ExprKind::Name) {
      const auto& n = static_cast<const NameExpr&>(*a.expr);
      if (n.bind == Bind::Local || n.bind == Bind::Field ||
          (n.bind == Bind::Dynamic && ((n.implicit_slot >= 0 && f.live[n.implicit_slot]) ||
                                       lookup(f, n).kind == GlobalKind::Var))) {
        Variant* r = var_ref(f, n, false);
        if (r) {
          buf.data[i] = *r;
          buf.refs[i] = r;
          buf.any_ref = true;
          continue;
        }
      }
    }
    buf.data[i] = eval(f, *a.expr);
  }
}

Variant Interp::call_builtin(Frame& f, const Builtin& b, const std::vector<Arg>* args) {
  static const std::vector<Arg> none;
  const std::vector<Arg>& a = args ? *args : none;
  if (int(a.size()) < b.min_args || (b.max_args >= 0 && int(a.size()) > b.max_args))
    raise_named(vb::err::kWrongArgCount, b.name);
  ArgBuffer buf;
  eval_args(f, a, buf, false, 0);
  return b.fn(env, buf.span());
}

Variant Interp::call_dispatch(Frame& f, vb::Dispatch* d, vb::DispId id, InvokeKind kind, const std::vector<Arg>* args,
                              const Variant* value) {
  static const std::vector<Arg> none;
  const std::vector<Arg>& a = args ? *args : none;
  ArgBuffer buf;
  eval_args(f, a, buf, true, value ? 1 : 0);
  if (value) buf.data[a.size()] = *value;
  vb::Ref<vb::Dispatch> keep(d);
  Variant r;
  if (!a.empty() && !value && id != vb::kDispValue) {
    try {
      r = d->invoke(id, kind, buf.span());
    } catch (const VBError& e) {
      // A property without parameters that returns an object: the arguments go to
      // that object's default member (matches.Item(0).SubMatches(1)).
      if (e.number() != vb::err::kWrongArgCount) throw;
      Variant inner = d->invoke(id, InvokeKind::Get, {});
      if (!inner.is_object() || !inner.raw_object()) throw;
      r = inner.raw_object()->invoke(vb::kDispValue, kind, buf.span());
    }
  } else {
    r = d->invoke(id, kind, buf.span());
  }
  buf.write_back();
  return r;
}

// ---------------------------------------------------------------- expressions

Variant Interp::eval(Frame& f, const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return static_cast<const LiteralExpr&>(e).value;
    case ExprKind::Name:
      return eval_name(f, static_cast<const NameExpr&>(e), false);
    case ExprKind::Call:
      return eval_call(f, static_cast<const CallExpr&>(e), false);
    case ExprKind::Member:
      return eval_member(f, static_cast<const MemberExpr&>(e), nullptr, InvokeKind::Get);
    case ExprKind::Me:
      if (!f.me) vb::raise(vb::err::kObjectRequired);
      return Variant(vb::Ref<vb::Dispatch>(f.me));
    case ExprKind::New:
      return eval_new(f, static_cast<const NewExpr&>(e));
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      Variant v = eval(f, *u.operand);
      switch (u.op) {
        case UnOp::Neg:
          if (v.type() == VarType::Integer && v.raw_integer() != INT16_MIN) return Variant(int16_t(-v.raw_integer()));
          if (v.type() == VarType::Long && v.raw_long() != INT32_MIN) return Variant(int32_t(-v.raw_long()));
          return op_neg(v);
        case UnOp::Plus:
          return v.is_object() ? default_of(v) : v;
        case UnOp::Not:
          return op_not(v);
      }
      return v;
    }
    case ExprKind::Chain:
      return eval_chain(f, static_cast<const ChainExpr&>(e));
    case ExprKind::Concat:
      return eval_concat(f, static_cast<const ConcatExpr&>(e));
  }
  return Variant();
}

namespace {

bool is_comparison(BinOp op) { return op >= BinOp::Eq && op <= BinOp::Ge; }
bool is_literal(const Expr& e) { return e.kind == ExprKind::Literal; }

// Literals are "hard" typed, everything else "soft". Comparing a string with a
// number converts the soft side to the hard side's type (both hard: the string
// becomes a number); two soft values compare as they are (a number is less).
void harden(Variant& a, bool a_hard, Variant& b, bool b_hard) {
  if (!a_hard && !b_hard) return;
  auto fix = [](Variant& str, Variant& num, bool str_hard, bool num_hard) {
    if (!str.is_string() || !num.is_number()) return false;
    if (num_hard) str = vb::cdbl(str);
    else if (str_hard) num = vb::cstr(num);
    return true;
  };
  if (!fix(a, b, a_hard, b_hard)) fix(b, a, b_hard, a_hard);
}

}  // namespace

const Variant* Interp::peek(Frame& f, const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return &static_cast<const LiteralExpr&>(e).value;
    case ExprKind::Name: {
      const auto& n = static_cast<const NameExpr&>(e);
      switch (n.bind) {
        case Bind::Local:
        case Bind::LocalConst:
          return f.slots[n.slot];
        case Bind::Field:
          return &f.me->fields()[size_t(n.slot)];
        case Bind::ClassMember:
          return nullptr;
        case Bind::Dynamic:
          break;
      }
      if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) return f.slots[n.implicit_slot];
      const GlobalRef& g = lookup(f, n);
      if (g.kind == GlobalKind::Var || g.kind == GlobalKind::Const) return &g.sym->value;
      if (g.kind == GlobalKind::Constant) return g.constant;
      return nullptr;
    }
    default:
      return nullptr;
  }
}

Variant Interp::eval_chain(Frame& f, const ChainExpr& c) {
  const size_t n = c.ops.size();
  Variant acc;
  size_t i = 0;
  // Two plain operands (a variable or a literal) are used where they stand.
  const Variant* pa = n >= 1 ? peek(f, *c.operands[0]) : nullptr;
  const Variant* pb = pa ? peek(f, *c.operands[1]) : nullptr;
  if (pa && pb && !(is_comparison(c.ops[0]) && pa->is_string() != pb->is_string())) {
    acc = binop(c.ops[0], *pa, *pb);
    i = 1;
  } else {
    acc = eval(f, *c.operands[0]);
  }
  for (; i < n; ++i) {
    const Expr& re = *c.operands[i + 1];
    const Variant* pr = peek(f, re);
    if (pr && !(is_comparison(c.ops[i]) && acc.is_string() != pr->is_string())) {
      acc = binop(c.ops[i], acc, *pr);
      continue;
    }
    Variant rhs = pr ? *pr : eval(f, re);
    if (is_comparison(c.ops[i]) && (acc.is_string() != rhs.is_string()))
      harden(acc, i == 0 && is_literal(*c.operands[0]), rhs, is_literal(re));
    acc = binop(c.ops[i], acc, rhs);
  }
  return acc;
}

Variant Interp::eval_concat(Frame& f, const ConcatExpr& c) {
  Variant acc = eval(f, *c.operands[0]);
  const size_t n = c.operands.size();
  for (size_t i = 1; i < n; ++i) {
    Variant rhs = eval(f, *c.operands[i]);
    op_concat_inplace(acc, rhs);
  }
  return acc;
}

Variant Interp::eval_new(Frame& f, const NewExpr& n) {
  GlobalRef g = resolve_global(f.module, n.class_name);
  if (g.kind != GlobalKind::Class || !g.sym->cls) {
    // RegExp is the one class the language itself provides.
    if (vb::iequals(n.class_name, "RegExp")) {
      if (vb::Ref<vb::Dispatch> re = create_object("VBScript.RegExp", env)) return Variant(std::move(re));
    }
    raise_named(vb::err::kTypeNameUndefined, n.class_name);
  }
  ClassPtr cls = g.sym->cls;
  return make_object(cls);
}

Variant Interp::with_object(Frame& f, uint32_t pos) {
  (void)pos;
  if (f.with.empty()) vb::raise(505);
  return f.with.back();
}

Variant Interp::eval_name(Frame& f, const NameExpr& n, bool statement) {
  switch (n.bind) {
    case Bind::Local:
    case Bind::LocalConst:
      return *f.slots[n.slot];
    case Bind::Field:
      return f.me->fields()[size_t(n.slot)];
    case Bind::ClassMember:
      return call_class_member(f, f.me, n.slot, nullptr, statement ? InvokeKind::Method : InvokeKind::Get);
    case Bind::Dynamic:
      break;
  }
  if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) return *f.slots[n.implicit_slot];
  const GlobalRef& g = lookup(f, n);
  switch (g.kind) {
    case GlobalKind::Var:
      if (statement && g.sym->value.is_object() && g.sym->value.raw_object())
        return g.sym->value.raw_object()->invoke(vb::kDispValue, InvokeKind::Method, {});
      return g.sym->value;
    case GlobalKind::Const:
      return g.sym->value;
    case GlobalKind::Proc: {
      ProcPtr p = g.sym->proc;
      return call_proc_ast(f, *p, nullptr, nullptr);
    }
    case GlobalKind::Class:
      raise_named(vb::err::kTypeMismatch, n.name);
    case GlobalKind::Object:
      return Variant(vb::Ref<vb::Dispatch>(g.obj));
    case GlobalKind::ObjectMember: {
      vb::Ref<vb::Dispatch> keep(g.obj);
      return keep->invoke(g.id, statement ? InvokeKind::Method : InvokeKind::Get, {});
    }
    case GlobalKind::Intrinsic:
      return call_intrinsic(f, g.intrinsic, nullptr);
    case GlobalKind::Builtin:
      return call_builtin(f, *g.builtin, nullptr);
    case GlobalKind::Constant:
      return *g.constant;
    case GlobalKind::None:
      break;
  }
  if (statement) raise_named(vb::err::kTypeMismatch, n.name);
  if (f.option_explicit) raise_named(vb::err::kVariableUndefined, n.name);
  return Variant();
}

std::vector<int32_t> Interp::eval_indexes(Frame& f, const std::vector<Arg>& args) {
  std::vector<int32_t> idx;
  idx.reserve(args.size());
  for (const Arg& a : args) {
    if (!a.expr) vb::raise(vb::err::kSubscriptOutOfRange);
    Variant v = eval(f, *a.expr);
    idx.push_back(is_int(v) ? int_of(v) : vb::to_long(default_of(v)));
  }
  return idx;
}

Variant Interp::index_value(Frame& f, const Variant& v, const std::vector<Arg>& args, InvokeKind kind,
                            std::string_view name) {
  if (v.is_array()) {
    // `v` may be a variable: the indexes are evaluated first and may change it.
    if (args.size() == 1 && args[0].expr) {
      const Variant* pi = peek(f, *args[0].expr);
      Variant iv;
      if (!pi) {
        iv = eval(f, *args[0].expr);
        pi = &iv;
      }
      int32_t i = is_int(*pi) ? int_of(*pi) : vb::to_long(default_of(*pi));
      if (!v.is_array()) raise_named(vb::err::kTypeMismatch, name);
      return v.raw_array().at(std::span<const int32_t>(&i, 1));
    }
    std::vector<int32_t> idx = eval_indexes(f, args);
    if (!v.is_array()) raise_named(vb::err::kTypeMismatch, name);
    return v.raw_array().at(idx);
  }
  if (v.is_object()) {
    vb::Dispatch* d = v.raw_object();
    if (!d) vb::raise(vb::err::kObjectVariableNotSet);
    return call_dispatch(f, d, vb::kDispValue, kind, &args, nullptr);
  }
  if (args.empty()) return v;
  raise_named(vb::err::kTypeMismatch, name);
}

Variant Interp::eval_call(Frame& f, const CallExpr& c, bool statement) {
  InvokeKind kind = statement ? InvokeKind::Method : InvokeKind::Get;
  const Expr& t = *c.target;
  if (t.kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(t);
    switch (n.bind) {
      case Bind::Local:
      case Bind::LocalConst: {
        const Variant& lv = *f.slots[n.slot];
        if (lv.is_array()) return index_value(f, lv, c.args, kind, n.name);
        Variant v = lv;
        return index_value(f, v, c.args, kind, n.name);
      }
      case Bind::Field: {
        Variant& fv = f.me->fields()[size_t(n.slot)];
        if (fv.is_array()) return index_value(f, fv, c.args, kind, n.name);
        Variant v = fv;
        return index_value(f, v, c.args, kind, n.name);
      }
      case Bind::ClassMember:
        return call_class_member(f, f.me, n.slot, &c.args, kind);
      case Bind::Dynamic:
        break;
    }
    if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) {
      Variant v = *f.slots[n.implicit_slot];
      return index_value(f, v, c.args, kind, n.name);
    }
    const GlobalRef& g = lookup(f, n);
    switch (g.kind) {
      case GlobalKind::Var:
      case GlobalKind::Const: {
        const Variant& sv = g.sym->value;
        if (sv.is_array()) return index_value(f, sv, c.args, kind, n.name);
        Variant v = sv;
        return index_value(f, v, c.args, kind, n.name);
      }
      case GlobalKind::Proc: {
        ProcPtr p = g.sym->proc;
        return call_proc_ast(f, *p, nullptr, &c.args);
      }
      case GlobalKind::Class:
        raise_named(vb::err::kTypeMismatch, n.name);
      case GlobalKind::Object: {
        vb::Dispatch* d = g.obj;
        if (c.args.empty()) return Variant(vb::Ref<vb::Dispatch>(d));
        return call_dispatch(f, d, vb::kDispValue, kind, &c.args, nullptr);
      }
      case GlobalKind::ObjectMember:
        return call_dispatch(f, g.obj, g.id, kind, &c.args, nullptr);
      case GlobalKind::Intrinsic:
        return call_intrinsic(f, g.intrinsic, &c.args);
      case GlobalKind::Builtin:
        return call_builtin(f, *g.builtin, &c.args);
      case GlobalKind::Constant:
        if (!c.args.empty()) raise_named(vb::err::kTypeMismatch, n.name);
        return *g.constant;
      case GlobalKind::None:
        break;
    }
    raise_named(vb::err::kTypeMismatch, n.name);
  }
  if (t.kind == ExprKind::Member) return eval_member(f, static_cast<const MemberExpr&>(t), &c.args, kind);
  Variant v = eval(f, t);
  return index_value(f, v, c.args, kind, "");
}

Variant Interp::eval_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, InvokeKind kind) {
  Variant objv = m.object ? eval(f, *m.object) : with_object(f, m.pos);
  if (!objv.is_object()) raise_named(vb::err::kObjectRequired, m.name);
  vb::Dispatch* d = objv.raw_object();
  if (!d) vb::raise(vb::err::kObjectVariableNotSet);
  if (ScriptObject* so = as_script_object(d)) {
    const ClassDef* cls = so->cls_ptr();
    int idx;
    if (m.cache_class == cls) {
      idx = m.cache_member;
    } else {
      idx = cls->find(m.name);
      m.cache_class = cls;
      m.cache_member = idx;
    }
    if (idx < 0 || (!cls->members[size_t(idx)].is_public && (!f.me || f.me->cls_ptr() != cls)))
      raise_named(vb::err::kNotSupported, m.name);
    return call_class_member(f, so, idx, args, kind);
  }
  vb::DispId id = d->find_member(m.name);
  if (id == vb::kDispUnknown) raise_named(vb::err::kNotSupported, m.name);
  return call_dispatch(f, d, id, kind, args, nullptr);
}

Variant Interp::call_class_member(Frame& f, ScriptObject* so, int member, const std::vector<Arg>* args,
                                  InvokeKind kind) {
  const ClassMember& m = so->cls().members[size_t(member)];
  switch (m.kind) {
    case ClassMember::Kind::Field: {
      Variant& fv = so->fields()[size_t(m.field)];
      if (!args) return fv;
      if (fv.is_array()) return index_value(f, fv, *args, kind, m.name);
      Variant v = fv;
      return index_value(f, v, *args, kind, m.name);
    }
    case ClassMember::Kind::Method: {
      vb::Ref<vb::Dispatch> keep(so);
      return call_proc_ast(f, *m.method, so, args);
    }
    case ClassMember::Kind::Property: {
      if (!m.get) raise_named(vb::err::kNotSupported, m.name);
      vb::Ref<vb::Dispatch> keep(so);
      return call_proc_ast(f, *m.get, so, args);
    }
  }
  return Variant();
}

// ---------------------------------------------------------------- references and assignment

Variant* Interp::var_ref(Frame& f, const NameExpr& n, bool create) {
  switch (n.bind) {
    case Bind::Local:
      return f.slots[n.slot];
    case Bind::LocalConst:
      if (create) raise_named(vb::err::kIllegalAssignment, n.name);
      return nullptr;
    case Bind::Field:
      return &f.me->fields()[size_t(n.slot)];
    case Bind::ClassMember:
      if (create) raise_named(vb::err::kIllegalAssignment, n.name);
      return nullptr;
    case Bind::Dynamic:
      break;
  }
  if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) return f.slots[n.implicit_slot];
  const GlobalRef& g = lookup(f, n);
  if (g.kind == GlobalKind::Var) return &g.sym->value;
  if (!create) return nullptr;
  if (g.kind != GlobalKind::None) raise_named(vb::err::kIllegalAssignment, n.name);
  if (f.option_explicit) raise_named(vb::err::kVariableUndefined, n.name);
  if (n.implicit_slot >= 0) {
    f.live[n.implicit_slot] = 1;
    return f.slots[n.implicit_slot];
  }
  return &create_global(f.module, n.name)->value;
}

Variant* Interp::lvalue_ref(Frame& f, const Expr& e, std::vector<ElemHold>& holds) {
  if (e.kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(e);
    if (n.bind == Bind::Dynamic && !(n.implicit_slot >= 0 && f.live[n.implicit_slot])) {
      const GlobalRef& g = lookup(f, n);
      if (g.kind == GlobalKind::None) {
        // An undeclared variable passed by reference comes into being.
        if (f.option_explicit) raise_named(vb::err::kVariableUndefined, n.name);
        return var_ref(f, n, true);
      }
    }
    return var_ref(f, n, false);
  }
  if (e.kind == ExprKind::Call) {
    const auto& c = static_cast<const CallExpr&>(e);
    if (c.target->kind != ExprKind::Name || c.args.empty()) return nullptr;
    const auto& n = static_cast<const NameExpr&>(*c.target);
    Variant* base = var_ref(f, n, false);
    if (!base || !base->is_array()) return nullptr;
    std::vector<int32_t> idx = eval_indexes(f, c.args);
    base = var_ref(f, n, false);
    if (!base || !base->is_array()) return nullptr;
    vb::Array& arr = base->raw_array_mut();
    Variant* el = &arr.at(idx);
    holds.emplace_back(base->array_ref());
    return el;
  }
  return nullptr;
}

void Interp::assign(Frame& f, const Expr& target, Variant&& v, bool is_set) {
  if (is_set) {
    if (!v.is_object()) vb::raise(vb::err::kObjectRequired);
  } else if (v.is_object()) {
    v = default_of(v);
  }
  switch (target.kind) {
    case ExprKind::Name:
      return store_name(f, static_cast<const NameExpr&>(target), std::move(v), is_set);
    case ExprKind::Call:
      return assign_call(f, static_cast<const CallExpr&>(target), std::move(v), is_set);
    case ExprKind::Member:
      return assign_member(f, static_cast<const MemberExpr&>(target), nullptr, std::move(v), is_set);
    default:
      vb::raise(vb::err::kIllegalAssignment);
  }
}

void Interp::store_name(Frame& f, const NameExpr& n, Variant&& v, bool is_set) {
  switch (n.bind) {
    case Bind::Local:
      *f.slots[n.slot] = std::move(v);
      return;
    case Bind::Field:
      f.me->fields()[size_t(n.slot)] = std::move(v);
      return;
    case Bind::ClassMember:
      return property_put_ast(f, f.me, n.slot, nullptr, std::move(v), is_set);
    case Bind::LocalConst:
      raise_named(vb::err::kIllegalAssignment, n.name);
    case Bind::Dynamic:
      break;
  }
  if (n.implicit_slot < 0 || !f.live[n.implicit_slot]) {
    const GlobalRef& g = lookup(f, n);
    if (g.kind == GlobalKind::ObjectMember) {
      vb::Ref<vb::Dispatch> keep(g.obj);
      Variant arg[1] = {std::move(v)};
      keep->invoke(g.id, is_set ? InvokeKind::Set : InvokeKind::Let, vb::Args(arg, 1));
      return;
    }
  }
  *var_ref(f, n, true) = std::move(v);
}

void Interp::assign_call(Frame& f, const CallExpr& c, Variant v, bool is_set) {
  const Expr& t = *c.target;
  if (t.kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(t);
    if (n.bind == Bind::ClassMember) {
      const ClassMember& m = f.me->cls().members[size_t(n.slot)];
      if (m.kind == ClassMember::Kind::Property) return property_put_ast(f, f.me, n.slot, &c.args, std::move(v), is_set);
      raise_named(vb::err::kIllegalAssignment, n.name);
    }
    Variant* r = var_ref(f, n, false);
    if (!r && n.bind == Bind::Dynamic) {
      const GlobalRef& g = lookup(f, n);
      if (g.kind == GlobalKind::ObjectMember) {
        call_dispatch(f, g.obj, g.id, is_set ? InvokeKind::Set : InvokeKind::Let, &c.args, &v);
        return;
      }
      if (g.kind == GlobalKind::Object) {
        call_dispatch(f, g.obj, vb::kDispValue, is_set ? InvokeKind::Set : InvokeKind::Let, &c.args, &v);
        return;
      }
    }
    if (!r) raise_named(vb::err::kTypeMismatch, n.name);
    if (r->is_array()) {
      std::vector<int32_t> idx = eval_indexes(f, c.args);
      r = var_ref(f, n, false);
      if (!r || !r->is_array()) raise_named(vb::err::kTypeMismatch, n.name);
      r->raw_array_mut().at(idx) = std::move(v);
      return;
    }
    if (r->is_object()) {
      vb::Dispatch* d = r->raw_object();
      if (!d) vb::raise(vb::err::kObjectVariableNotSet);
      call_dispatch(f, d, vb::kDispValue, is_set ? InvokeKind::Set : InvokeKind::Let, &c.args, &v);
      return;
    }
    raise_named(vb::err::kTypeMismatch, n.name);
  }
  if (t.kind == ExprKind::Member) return assign_member(f, static_cast<const MemberExpr&>(t), &c.args, std::move(v), is_set);
  vb::raise(vb::err::kIllegalAssignment);
}

void Interp::assign_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, Variant v, bool is_set) {
  Variant objv = m.object ? eval(f, *m.object) : with_object(f, m.pos);
  if (!objv.is_object()) raise_named(vb::err::kObjectRequired, m.name);
  vb::Dispatch* d = objv.raw_object();
  if (!d) vb::raise(vb::err::kObjectVariableNotSet);
  if (ScriptObject* so = as_script_object(d)) {
    const ClassDef* cls = so->cls_ptr();
    int idx = cls->find(m.name);
    if (idx < 0 || (!cls->members[size_t(idx)].is_public && (!f.me || f.me->cls_ptr() != cls)))
      raise_named(vb::err::kNotSupported, m.name);
    const ClassMember& cm = cls->members[size_t(idx)];
    if (cm.kind == ClassMember::Kind::Field) {
      Variant& fv = so->fields()[size_t(cm.field)];
      if (!args || args->empty()) {
        fv = std::move(v);
        return;
      }
      if (fv.is_array()) {
        std::vector<int32_t> idxs = eval_indexes(f, *args);
        so->fields()[size_t(cm.field)].raw_array_mut().at(idxs) = std::move(v);
        return;
      }
      if (fv.is_object() && fv.raw_object()) {
        call_dispatch(f, fv.raw_object(), vb::kDispValue, is_set ? InvokeKind::Set : InvokeKind::Let, args, &v);
        return;
      }
      raise_named(vb::err::kTypeMismatch, m.name);
    }
    if (cm.kind == ClassMember::Kind::Property) return property_put_ast(f, so, idx, args, std::move(v), is_set);
    raise_named(vb::err::kIllegalAssignment, m.name);
  }
  vb::DispId id = d->find_member(m.name);
  if (id == vb::kDispUnknown) raise_named(vb::err::kNotSupported, m.name);
  call_dispatch(f, d, id, is_set ? InvokeKind::Set : InvokeKind::Let, args, &v);
}

void Interp::property_put_ast(Frame& f, ScriptObject* so, int member, const std::vector<Arg>* args, Variant v,
                              bool is_set) {
  const ClassMember& m = so->cls().members[size_t(member)];
  const ProcDef* p = is_set ? m.set.get() : m.let.get();
  if (!p) raise_named(vb::err::kNotSupported, m.name);
  size_t n = args ? args->size() : 0;
  if (n + 1 != p->params.size()) vb::raise(vb::err::kWrongArgCount);
  std::vector<ArgRef> refs(n + 1);
  std::vector<Variant> temps(n + 1);
  std::vector<ElemHold> holds;
  for (size_t i = 0; i < n; ++i) {
    const Arg& a = (*args)[i];
    if (a.expr && !p->params[i].byval && !a.expr->parens) {
      if (Variant* r = lvalue_ref(f, *a.expr, holds)) {
        refs[i] = ArgRef{r, false};
        continue;
      }
    }
    temps[i] = a.expr ? eval(f, *a.expr) : Variant::missing();
    refs[i] = ArgRef{&temps[i], true};
  }
  temps[n] = std::move(v);
  refs[n] = ArgRef{&temps[n], true};
  vb::Ref<vb::Dispatch> keep(so);
  ProcPtr hold = is_set ? m.set : m.let;
  invoke_proc(*hold, so, refs.data(), refs.size());
}

void Interp::property_put(Frame* caller, ScriptObject* so, int member, ArgRef* args, size_t nargs, Variant value,
                          bool is_set) {
  (void)caller;
  const ClassMember& m = so->cls().members[size_t(member)];
  ProcPtr p = is_set ? m.set : m.let;
  if (!p && is_set) p = m.let;
  if (!p) raise_named(vb::err::kNotSupported, m.name);
  std::vector<ArgRef> refs(args, args + nargs);
  refs.push_back(ArgRef{&value, true});
  invoke_proc(*p, so, refs.data(), refs.size());
}

// ---------------------------------------------------------------- statements

Flow Interp::exec_block(Frame& f, const Block& b) {
  for (const StmtPtr& sp : b) {
    const Stmt& s = *sp;
    cur_chunk_ = f.chunk;
    cur_pos_ = s.pos;
    Flow fl;
    if (f.resume_next) {
      try {
        fl = exec(f, s);
      } catch (const VBError& e) {
        handle_error(f, e);
        continue;
      } catch (const std::bad_alloc&) {
        handle_error(f, VBError(vb::err::kOutOfMemory));
        continue;
      }
    } else {
      try {
        fl = exec(f, s);
      } catch (const VBError&) {
        note_site(f, s.pos);
        throw;
      } catch (const std::bad_alloc&) {
        note_site(f, s.pos);
        throw VBError(vb::err::kOutOfMemory);
      }
    }
    if (fl != Flow::Normal) return fl;
  }
  return Flow::Normal;
}

bool Interp::condition(Frame& f, const Expr& e, const Stmt& s, bool on_error) {
  if (!f.resume_next) {
    try {
      return truthy(eval(f, e));
    } catch (const VBError&) {
      note_site(f, s.kind == StmtKind::If ? e.pos : s.pos);
      throw;
    }
  }
  try {
    return truthy(eval(f, e));
  } catch (const VBError& ex) {
    handle_error(f, ex);
    return on_error;
  }
}

Flow Interp::exec(Frame& f, const Stmt& s) {
  switch (s.kind) {
    case StmtKind::Assign: {
      const auto& a = static_cast<const AssignStmt&>(s);
      if (a.append) {
        exec_append(f, a);
        return Flow::Normal;
      }
      assign(f, *a.target, eval(f, *a.value), a.is_set);
      return Flow::Normal;
    }
    case StmtKind::Call: {
      const Expr& c = *static_cast<const CallStmt&>(s).call;
      if (c.kind == ExprKind::Call) eval_call(f, static_cast<const CallExpr&>(c), true);
      else if (c.kind == ExprKind::Name) eval_name(f, static_cast<const NameExpr&>(c), true);
      else if (c.kind == ExprKind::Member)
        eval_member(f, static_cast<const MemberExpr&>(c), nullptr, InvokeKind::Method);
      else eval(f, c);
      return Flow::Normal;
    }
    case StmtKind::If: {
      const auto& st = static_cast<const IfStmt&>(s);
      for (const auto& br : st.branches)
        if (condition(f, *br.cond, s, true)) return exec_block(f, br.body);
      return exec_block(f, st.else_body);
    }
    case StmtKind::Select:
      return exec_select(f, static_cast<const SelectStmt&>(s));
    case StmtKind::For:
      return exec_for(f, static_cast<const ForStmt&>(s));
    case StmtKind::ForEach:
      return exec_for_each(f, static_cast<const ForEachStmt&>(s));
    case StmtKind::Do:
      return exec_do(f, static_cast<const DoStmt&>(s));
    case StmtKind::With: {
      const auto& st = static_cast<const WithStmt&>(s);
      Variant obj = eval(f, *st.object);
      if (!obj.is_object()) vb::raise(vb::err::kObjectRequired);
      f.with.push_back(std::move(obj));
      struct Pop {
        Frame& f;
        ~Pop() { f.with.pop_back(); }
      } pop{f};
      return exec_block(f, st.body);
    }
    case StmtKind::ReDim:
      exec_redim(f, static_cast<const ReDimStmt&>(s));
      return Flow::Normal;
    case StmtKind::Erase: {
      const auto& st = static_cast<const EraseStmt&>(s);
      Variant* r = var_ref(f, static_cast<const NameExpr&>(*st.var), false);
      if (!r || !r->is_array()) vb::raise(vb::err::kTypeMismatch);
      r->raw_array_mut().erase();
      return Flow::Normal;
    }
    case StmtKind::OnError:
      f.resume_next = static_cast<const OnErrorStmt&>(s).resume_next;
      err_->clear();
      return Flow::Normal;
    case StmtKind::Exit:
      switch (static_cast<const ExitStmt&>(s).what) {
        case ExitKind::Do: return Flow::ExitDo;
        case ExitKind::For: return Flow::ExitFor;
        case ExitKind::Proc: return Flow::ExitProc;
      }
      return Flow::Normal;
    case StmtKind::Nop:
      return Flow::Normal;
  }
  return Flow::Normal;
}

void Interp::exec_append(Frame& f, const AssignStmt& a) {
  const auto& c = static_cast<const ConcatExpr&>(*a.value);
  const auto& n = static_cast<const NameExpr&>(*a.target);
  const size_t count = c.operands.size() - 1;
  constexpr size_t kSmall = 8;
  Variant small[kSmall];
  std::vector<Variant> big;
  Variant* parts = small;
  if (count > kSmall) {
    big.resize(count);
    parts = big.data();
  }
  for (size_t i = 0; i < count; ++i) parts[i] = eval(f, *c.operands[i + 1]);
  Variant* r = nullptr;
  if (n.bind == Bind::Local || n.bind == Bind::Field) r = var_ref(f, n, false);
  else if (n.bind == Bind::Dynamic) {
    r = var_ref(f, n, false);
    if (!r) {
      const GlobalRef& g = lookup(f, n);
      if (g.kind == GlobalKind::None) r = var_ref(f, n, true);
    }
  }
  if (!r || r->is_object()) {
    // A property or object: evaluate the usual way.
    Variant acc = eval(f, *c.operands[0]);
    for (size_t i = 0; i < count; ++i) op_concat_inplace(acc, parts[i]);
    assign(f, *a.target, std::move(acc), false);
    return;
  }
  for (size_t i = 0; i < count; ++i) op_concat_inplace(*r, parts[i]);
}

Flow Interp::exec_select(Frame& f, const SelectStmt& s) {
  Variant subject;
  bool failed = false;
  try {
    subject = eval(f, *s.subject);
    if (subject.is_object()) subject = default_of(subject);
  } catch (const VBError& e) {
    if (!f.resume_next) {
      note_site(f, s.pos);
      throw;
    }
    handle_error(f, e);
    failed = true;
  }
  if (failed) {
    // Under Resume Next an error in the test goes on inside the statement: the first case runs.
    if (!s.cases.empty()) return exec_block(f, s.cases.front().body);
    return exec_block(f, s.else_body);
  }
  for (const auto& c : s.cases) {
    for (const auto& ve : c.values) {
      bool match;
      try {
        Variant v = eval(f, *ve);
        Variant subj = subject;
        if (subj.is_string() != v.is_string()) harden(subj, is_literal(*s.subject), v, is_literal(*ve));
        Variant r = binop(BinOp::Eq, subj, v);
        match = r.is_bool() && r.raw_bool();
      } catch (const VBError& e) {
        if (!f.resume_next) {
          note_site(f, s.pos);
          throw;
        }
        handle_error(f, e);
        match = true;
      }
      if (match) return exec_block(f, c.body);
    }
  }
  return exec_block(f, s.else_body);
}

Flow Interp::exec_for(Frame& f, const ForStmt& s) {
  const auto& var = static_cast<const NameExpr&>(*s.var);
  Variant start, end, step(int16_t(1));
  Variant* counter = nullptr;
  try {
    start = eval(f, *s.start);
    if (start.is_object()) start = default_of(start);
    end = eval(f, *s.end);
    if (end.is_object()) end = default_of(end);
    if (s.step) {
      step = eval(f, *s.step);
      if (step.is_object()) step = default_of(step);
    }
    if (start.is_null() || end.is_null() || step.is_null()) vb::raise(vb::err::kInvalidUseOfNull);
    if (start.is_string() || start.is_array()) start = Variant(vb::to_double(start));
    if (end.is_string() || end.is_array()) end = Variant(vb::to_double(end));
    if (step.is_string() || step.is_array()) step = Variant(vb::to_double(step));
    counter = var_ref(f, var, true);
    *counter = start;
  } catch (const VBError& e) {
    if (!f.resume_next) {
      note_site(f, s.pos);
      throw;
    }
    // Under Resume Next the body still runs once.
    handle_error(f, e);
    Flow fl = exec_block(f, s.body);
    return fl == Flow::ExitFor ? Flow::Normal : fl;
  }
  const bool down = is_int(step) ? int_of(step) < 0 : vb::to_double(step) < 0;
  const BinOp test = down ? BinOp::Ge : BinOp::Le;
  for (;;) {
    Variant r = binop(test, *counter, end);
    if (!(r.is_bool() ? r.raw_bool() : truthy(r))) break;
    Flow fl = exec_block(f, s.body);
    if (fl == Flow::ExitFor) break;
    if (fl != Flow::Normal) return fl;
    tick();
    counter = var_ref(f, var, true);
    *counter = binop(BinOp::Add, *counter, step);
  }
  return Flow::Normal;
}

Flow Interp::exec_for_each(Frame& f, const ForEachStmt& s) {
  const auto& var = static_cast<const NameExpr&>(*s.var);
  Variant coll;
  try {
    coll = eval(f, *s.collection);
  } catch (const VBError& e) {
    if (!f.resume_next) {
      note_site(f, s.pos);
      throw;
    }
    handle_error(f, e);
    return Flow::Normal;
  }
  if (coll.is_array()) {
    ElemHold hold(coll.array_ref());
    const vb::Array& arr = *hold.arr;
    for (size_t i = 0; i < arr.size(); ++i) {
      *var_ref(f, var, true) = arr[i];
      Flow fl = exec_block(f, s.body);
      if (fl == Flow::ExitFor) break;
      if (fl != Flow::Normal) return fl;
      tick();
    }
    return Flow::Normal;
  }
  if (!coll.is_object()) vb::raise(vb::err::kNotACollection);
  vb::Dispatch* d = coll.raw_object();
  if (!d) vb::raise(vb::err::kObjectVariableNotSet);
  vb::Ref<vb::Enumerator> en = d->enumerate();
  if (!en) vb::raise(vb::err::kNotACollection);
  Variant item;
  while (en->next(item)) {
    *var_ref(f, var, true) = std::move(item);
    item = Variant();
    Flow fl = exec_block(f, s.body);
    if (fl == Flow::ExitFor) break;
    if (fl != Flow::Normal) return fl;
    tick();
  }
  return Flow::Normal;
}

Flow Interp::exec_do(Frame& f, const DoStmt& s) {
  for (;;) {
    if (s.cond && s.test_first) {
      bool c = condition(f, *s.cond, s, !s.until);
      if (s.until ? c : !c) break;
    }
    Flow fl = exec_block(f, s.body);
    if (fl == Flow::ExitDo) break;
    if (fl != Flow::Normal) return fl;
    tick();
    if (s.cond && !s.test_first) {
      bool c = condition(f, *s.cond, s, !s.until);
      if (s.until ? c : !c) break;
    }
  }
  return Flow::Normal;
}

void Interp::exec_redim(Frame& f, const ReDimStmt& s) {
  for (const auto& item : s.items) {
    std::vector<vb::Array::Bound> bounds;
    for (const auto& b : item.bounds) {
      Variant v = eval(f, *b);
      int32_t ub = is_int(v) ? int_of(v) : vb::to_long(default_of(v));
      if (ub < -1) vb::raise(vb::err::kSubscriptOutOfRange);
      bounds.push_back({0, ub + 1});
    }
    const auto& n = static_cast<const NameExpr&>(*item.var);
    Variant* r = var_ref(f, n, false);
    if (!r) {
      bool saved = f.option_explicit;
      f.option_explicit = false;  // ReDim declares
      try {
        r = var_ref(f, n, true);
      } catch (...) {
        f.option_explicit = saved;
        throw;
      }
      f.option_explicit = saved;
    }
    if (r->is_array()) {
      vb::Array& arr = r->raw_array_mut();
      arr.redim(std::move(bounds), s.preserve);
    } else {
      *r = Variant(vb::make_ref<vb::Array>(VarType::Variant, std::move(bounds)));
    }
  }
}

// ---------------------------------------------------------------- intrinsics

Variant Interp::run_text(Frame& f, std::string_view text, int mode) {
  // mode 0: Eval, 1: Execute (the caller's scope), 2: ExecuteGlobal.
  auto chunk = std::make_shared<Chunk>();
  chunk->text = std::string(text);
  chunk->index_lines();
  ParseScope scope;
  if (mode != 2) {
    scope.proc = f.proc && f.proc->nslots > 0 ? f.proc : nullptr;
    scope.cls = f.me ? f.me->cls_ptr() : nullptr;
  }
  SyntaxError se;
  if (mode == 0) {
    ExprPtr e;
    if (!parse_expression(chunk, e, se, &scope)) throw VBError(se.number, vb::error_description(se.number), kCompileErrorSource);
    Frame ef;
    ef.module = f.module;
    ef.proc = f.proc;
    ef.me = f.me;
    ef.slots = f.slots;
    ef.live = f.live;
    ef.chunk = &chunk;
    ef.option_explicit = f.option_explicit;
    return eval(ef, *e);
  }
  auto prog = std::make_shared<Program>();
  if (!parse_program(chunk, *prog, se, mode == 1 ? &scope : nullptr))
    throw VBError(se.number, vb::error_description(se.number), kCompileErrorSource);
  Module* m = f.module ? f.module : global_module();
  define(m, *prog);
  Frame ef;
  ef.module = m;
  ef.chunk = &prog->chunk;
  ef.option_explicit = chunk->option_explicit || f.option_explicit;
  if (mode == 1) {
    ef.proc = f.proc;
    ef.me = f.me;
    ef.slots = f.slots;
    ef.live = f.live;
  } else {
    ef.proc = prog->toplevel.get();
  }
  exec_block(ef, prog->toplevel->body);
  return Variant();
}

Variant Interp::call_intrinsic(Frame& f, int which, const std::vector<Arg>* args) {
  static const std::vector<Arg> none;
  const std::vector<Arg>& a = args ? *args : none;
  auto need = [&](size_t lo, size_t hi) {
    if (a.size() < lo || a.size() > hi) vb::raise(vb::err::kWrongArgCount);
  };
  auto arg = [&](size_t i) -> Variant {
    if (i >= a.size() || !a[i].expr) return Variant::missing();
    return eval(f, *a[i].expr);
  };
  switch (which) {
    case kErr:
      if (!a.empty()) vb::raise(vb::err::kWrongArgCount);
      return Variant(vb::Ref<vb::Dispatch>(err_));
    case kEval:
    case kExecute:
    case kExecuteGlobal: {
      need(1, 1);
      Variant v = arg(0);
      std::string text = vb::to_string(default_of(v));
      return run_text(f, text, which == kEval ? 0 : which == kExecute ? 1 : 2);
    }
    case kGetRef: {
      need(1, 1);
      std::string name = vb::to_string(default_of(arg(0)));
      GlobalRef g = resolve_global(f.module, name);
      if (g.kind != GlobalKind::Proc || !g.sym->proc) vb::raise(vb::err::kInvalidProcedureCall);
      return Variant(vb::Ref<vb::Dispatch>(vb::make_ref<ProcRef>(shared_from_this(), g.sym->proc)));
    }
    case kCreateObject: {
      need(1, 2);
      std::string progid = vb::to_string(default_of(arg(0)));
      vb::Ref<vb::Dispatch> obj = create_object(progid, env);
      if (!obj) raise_named(vb::err::kCantCreateObject, progid);
      return Variant(std::move(obj));
    }
    case kGetObject:
      need(0, 2);
      vb::raise(vb::err::kCantCreateObject);
    case kIsObject: {
      need(1, 1);
      return Variant(arg(0).is_object());
    }
    case kTypeName: {
      need(1, 1);
      return Variant(vb::type_name(arg(0)));
    }
    case kVarType: {
      need(1, 1);
      Variant v = arg(0);
      return Variant(int16_t(v.vartype()));
    }
    case kScriptEngine:
      need(0, 0);
      return Variant("VBScript");
    case kScriptEngineMajor:
      need(0, 0);
      return Variant(int32_t(5));
    case kScriptEngineMinor:
      need(0, 0);
      return Variant(int32_t(8));
    case kScriptEngineBuild:
      need(0, 0);
      return Variant(int32_t(16384));
    default:
      break;
  }
  vb::raise(vb::err::kTypeMismatch);
}

}  // namespace tolvex::vbscript
