// The interpreter: statements, error handling under On Error and the loop forms.
#include <algorithm>

#include "vb/convert.h"
#include "vbscript/interp_detail.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/operators.h"

namespace tolvex::vbscript {

using vb::InvokeKind;
using namespace detail;

// ---------------------------------------------------------------- statements

// Each kind of statement has a function of its own, so that dispatching one costs
// only what its kind needs.
inline Flow Interp::exec(Frame& f, const Stmt& s) {
  switch (s.kind) {
    case StmtKind::Assign:
      exec_assign(f, static_cast<const AssignStmt&>(s));
      return Flow::Normal;
    case StmtKind::Call:
      exec_call(f, static_cast<const CallStmt&>(s));
      return Flow::Normal;
    case StmtKind::If:
      return exec_if(f, static_cast<const IfStmt&>(s));
    case StmtKind::Select:
      return exec_select(f, static_cast<const SelectStmt&>(s));
    case StmtKind::For:
      return exec_for(f, static_cast<const ForStmt&>(s));
    case StmtKind::ForEach:
      return exec_for_each(f, static_cast<const ForEachStmt&>(s));
    case StmtKind::Do:
      return exec_do(f, static_cast<const DoStmt&>(s));
    case StmtKind::With:
      return exec_with(f, static_cast<const WithStmt&>(s));
    case StmtKind::ReDim:
      exec_redim(f, static_cast<const ReDimStmt&>(s));
      return Flow::Normal;
    case StmtKind::Erase:
      exec_erase(f, static_cast<const EraseStmt&>(s));
      return Flow::Normal;
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

template <class Body, class Recover>
inline auto Interp::attempt(Frame& f, uint32_t pos, Body&& body, Recover&& recover) -> decltype(body()) {
  try {
    return body();
  } catch (const VBError& e) {
    if (!f.resume_next) {
      note_site(f, pos);
      throw;
    }
    handle_error(e);
  } catch (const std::bad_alloc&) {
    if (!f.resume_next) {
      note_site(f, pos);
      throw VBError(vb::err::kOutOfMemory);
    }
    handle_error(VBError(vb::err::kOutOfMemory));
  } catch (const std::exception& x) {
    // A host object (or the library) failed with a C++ exception of its own.
    VBError e = exception_error(x);
    if (!f.resume_next) {
      note_site(f, pos);
      throw e;
    }
    handle_error(e);
  }
  return recover();
}

Flow Interp::exec_block(Frame& f, const Block& b) {
  // (Calls put the position back when they return: the chunk stays the frame's.)
  cur_chunk_ = f.chunk;
  for (const StmtPtr& sp : b) {
    const Stmt& s = *sp;
    cur_pos_ = s.pos;
    // Under Resume Next a failed statement is over: the next one runs.
    Flow fl = attempt(f, s.pos, [&] { return exec(f, s); }, [] { return Flow::Normal; });
    if (fl != Flow::Normal) return fl;
  }
  return Flow::Normal;
}

inline bool Interp::condition(Frame& f, const Expr& e, const Stmt& s, bool on_error) {
  return attempt(
      f, s.kind == StmtKind::If ? e.pos : s.pos,
      [&] {
        Temp v([&] { return eval(f, e); });
        return truthy(v.get());
      },
      [&] { return on_error; });
}

void Interp::exec_assign(Frame& f, const AssignStmt& a) {
  using Plan = AssignStmt::Plan;
  if (a.plan == Plan::Unknown) plan_assign(a);
  if (a.plan == Plan::Variable) {
    // name = value, name a local or field.
    if (a.simple_value) {
      const Variant& src = value_at(f, a.value_ref);
      if (!src.is_object() && !src.is_array()) return store_copy(variable_at(f, a.var_ref), src);
    }
    Temp v([&] { return a.value->fn(*this, f, *a.value); });
    if (!v.get().is_object()) return store(variable_at(f, a.var_ref), std::move(v.get()));
    return assign(f, *a.target, std::move(v.get()), false);
  }
  if (a.plan == Plan::Element) {
    // name(i) = value, name a local or field holding a one-dimensional array.
    if (a.simple_value && a.index_ref.expr) {
      // Simple value and index: no code runs, the value is copied straight in.
      const Variant& src = value_at(f, a.value_ref);
      const Variant& i = value_at(f, a.index_ref);
      Variant& var = variable_at(f, a.var_ref);
      if (!src.is_object() && !src.is_array() && is_int(i) && var.is_array() && var.raw_array().dims() == 1) {
        const vb::Array::Bound& b = var.raw_array().bounds()[0];
        const int64_t off = int64_t(int_of(i)) - b.lower;
        if (off >= 0 && off < b.count) return store_copy(writable_array(var)[size_t(off)], src);
      }
    }
    Temp v([&] { return a.value->fn(*this, f, *a.value); });
    const auto& c = static_cast<const CallExpr&>(*a.target);
    if (!v.get().is_object()) {
      Variant& var = variable_at(f, a.var_ref);
      if (var.is_array()) {
        // The index may run code that changes the variable: it is looked at again after.
        const int32_t i = one_index(f, *c.args[0].expr);
        if (!var.is_array()) raise_named(vb::err::kTypeMismatch, static_cast<const NameExpr&>(*c.target).name);
        return store(element_of(writable_array(var), i), std::move(v.get()));
      }
      return assign_call(f, c, std::move(v.get()), false);
    }
    return assign(f, c, std::move(v.get()), false);
  }
  if (a.plan == Plan::SetVariable) {
    // Set name = object, name a local or field.
    Temp v([&] { return a.value->fn(*this, f, *a.value); });
    if (!v.get().is_object()) vb::raise(vb::err::kObjectRequired);
    return store(variable_at(f, a.var_ref), std::move(v.get()));
  }
  if (a.append) return exec_append(f, a);
  Temp v([&] { return eval(f, *a.value); });
  if (!a.is_set && !v.get().is_object() && a.target->kind == ExprKind::Call)
    return assign_call(f, static_cast<const CallExpr&>(*a.target), std::move(v.get()), false);
  assign(f, *a.target, std::move(v.get()), a.is_set);
}

void Interp::plan_assign(const AssignStmt& a) {
  using Plan = AssignStmt::Plan;
  a.plan = Plan::General;
  if (a.is_set && !a.append && is_local_or_field(*a.target)) {
    a.var_ref = operand_ref(*a.target);
    a.plan = Plan::SetVariable;
    return;
  }
  if (a.is_set || a.append) return;
  a.simple_value = is_simple(*a.value);
  a.value_ref = operand_ref(*a.value);
  const Expr& t = *a.target;
  if (is_local_or_field(t)) {
    a.var_ref = operand_ref(t);
    a.plan = Plan::Variable;
    return;
  }
  if (t.kind == ExprKind::Call) {
    const auto& c = static_cast<const CallExpr&>(t);
    if (is_local_or_field(*c.target) && c.args.size() == 1 && c.args[0].expr) {
      a.var_ref = operand_ref(*c.target);
      if (is_simple(*c.args[0].expr)) a.index_ref = operand_ref(*c.args[0].expr);
      a.plan = Plan::Element;
    }
  }
}

void Interp::exec_call(Frame& f, const CallStmt& s) {
  const Expr& c = *s.call;
  if (c.kind == ExprKind::Call) {
    const auto& ce = static_cast<const CallExpr&>(c);
    if (ce.target->kind == ExprKind::Member)
      eval_member(f, static_cast<const MemberExpr&>(*ce.target), &ce.args, InvokeKind::Method);
    else
      eval_call(f, ce, true);
  }
  else if (c.kind == ExprKind::Name) eval_name(f, static_cast<const NameExpr&>(c), true);
  else if (c.kind == ExprKind::Member) eval_member(f, static_cast<const MemberExpr&>(c), nullptr, InvokeKind::Method);
  else eval(f, c);
}

Flow Interp::exec_if(Frame& f, const IfStmt& s) {
  for (const auto& br : s.branches)
    if (condition(f, *br.cond, s, true)) return exec_block(f, br.body);
  return s.else_body.empty() ? Flow::Normal : exec_block(f, s.else_body);
}

Flow Interp::exec_with(Frame& f, const WithStmt& s) {
  // Under Resume Next a failing object goes on inside the block, as the Windows engine
  // does: the body runs, and its .members fail one by one.
  Variant obj;
  attempt(f, s.pos, [&] {
    obj = eval(f, *s.object);
    if (!obj.is_object()) vb::raise(vb::err::kObjectRequired);
  }, [] {});
  WithLevel level{std::move(obj), f.with};
  f.with = &level;
  struct Pop {
    Frame& f;
    WithLevel* outer;
    ~Pop() { f.with = outer; }
  } pop{f, level.outer};
  return exec_block(f, s.body);
}

void Interp::exec_erase(Frame& f, const EraseStmt& s) {
  Variant* r = var_ref(f, static_cast<const NameExpr&>(*s.var), false);
  if (!r || !r->is_array()) vb::raise(vb::err::kTypeMismatch);
  const vb::Array& shared = r->raw_array();
  if (shared.ref_count() > 1 && !shared.fixed()) {
    // Another variable keeps the elements: this one lets go of them rather than copy them first.
    *r = Variant(vb::make_ref<vb::Array>(shared.element_type(), std::vector<vb::Array::Bound>{}));
    return;
  }
  r->raw_array_mut().erase();
}

Variant* Interp::append_place(Frame& f, const Expr& target, const Expr& read) {
  if (target.kind == ExprKind::Member) {
    const auto& m = static_cast<const MemberExpr&>(target);
    ScriptObject* so = nullptr;
    if (m.object->kind == ExprKind::Me) {
      so = f.me;
    } else {
      const auto& n = static_cast<const NameExpr&>(*m.object);
      const Variant* o = n.bind == Bind::Dynamic || is_local_or_field(n) ? peek(f, n) : nullptr;
      if (!o || !o->is_object() || !o->raw_object()) return nullptr;
      so = as_script_object(o->raw_object());
    }
    if (!so) return nullptr;
    const ClassDef* cls = so->cls_ptr();
    if (m.cache_class != cls->serial) {
      m.cache_class = cls->serial;
      m.cache_member = cls->find(m.name);
    }
    if (m.cache_member < 0) return nullptr;
    const ClassMember& cm = cls->members[size_t(m.cache_member)];
    if (cm.kind != ClassMember::Kind::Field || (!cm.is_public && (!f.me || f.me->cls_ptr() != cls))) return nullptr;
    Variant& v = so->fields()[size_t(cm.field)];
    return v.is_string() ? &v : nullptr;
  }
  // a(i) = a(i) & ...: both indexes read where they stand, equal, and in range.
  const auto& t = static_cast<const CallExpr&>(target);
  const auto& r = static_cast<const CallExpr&>(read);
  const auto& n = static_cast<const NameExpr&>(*t.target);
  const Variant* i = peek(f, *t.args[0].expr);
  const Variant* j = peek(f, *r.args[0].expr);
  if (!i || !j || !is_int(*i) || !is_int(*j) || int_of(*i) != int_of(*j)) return nullptr;
  if (!is_local_or_field(n) && n.bind != Bind::Dynamic) return nullptr;
  const Variant* pv = peek(f, n);
  if (!pv || !pv->is_array()) return nullptr;
  const vb::Array& arr = pv->raw_array();
  if (arr.dims() != 1) return nullptr;
  const int64_t off = int64_t(int_of(*i)) - arr.bounds()[0].lower;
  if (off < 0 || off >= arr.bounds()[0].count || !arr[size_t(off)].is_string()) return nullptr;
  // Peek gives variables (never constants) holding arrays: the array is ours to write.
  Variant& e = writable_array(const_cast<Variant&>(*pv))[size_t(off)];
  return &e;
}

bool Interp::peek_appended(Frame& f, const ConcatExpr& c, const Variant** parts) {
  // Reading and joining them runs no code, so the order of evaluation cannot show:
  // every appended value is a variable or literal, none an object or array, and only a
  // single one may need converting to text (a failed conversion then changes nothing).
  const size_t count = c.operands.size() - 1;
  if (count > kAppendSmall) return false;
  for (size_t i = 0; i < count; ++i) {
    parts[i] = peek(f, *c.operands[i + 1]);
    if (!parts[i] || parts[i]->is_object() || parts[i]->is_array() ||
        (count > 1 && !parts[i]->is_string() && !parts[i]->is_empty() && !parts[i]->is_null()))
      return false;
  }
  return true;
}

bool Interp::append_peeked(Variant* r, const Variant* const* parts, size_t count) {
  if (!r || r->is_object() || r->is_array()) return false;
  for (size_t i = 0; i < count; ++i)
    if (parts[i] == r) return false;  // s = s & s, Me.s = Me.s & s inside the class
  // The whole statement fails or succeeds: the length is checked before anything is appended.
  size_t total = r->is_string() ? r->raw_string().size() : 0;
  for (size_t i = 0; i < count; ++i)
    if (parts[i]->is_string()) total += parts[i]->raw_string().size();
  if (total >= kBudgetedTextBytes) [[unlikely]]
    make_text_room(*r, total);
  for (size_t i = 0; i < count; ++i) op_concat_inplace(*r, *parts[i]);
  return true;
}

void Interp::exec_append_place(Frame& f, const AssignStmt& a) {
  const auto& c = static_cast<const ConcatExpr&>(*a.value);
  if (c.operands.size() == 2) {
    // o.s = o.s & s, a(i) = a(i) & s, s a string variable or literal (the common case, in short).
    const Variant* v = peek(f, *c.operands[1]);
    if (v && v->is_string()) {
      Variant* r = append_place(f, *a.target, *c.operands[0]);
      if (r && r != v) {
        if (r->raw_string().size() + v->raw_string().size() > kMaxStringBytes) vb::raise(vb::err::kOutOfStringSpace);
        r->append_string(v->raw_string());
        return;
      }
    }
  }
  const Variant* parts[kAppendSmall];
  if (peek_appended(f, c, parts) &&
      append_peeked(append_place(f, *a.target, *c.operands[0]), parts, c.operands.size() - 1))
    return;
  Temp v([&] { return eval(f, *a.value); });
  if (!v.get().is_object() && a.target->kind == ExprKind::Call)
    return assign_call(f, static_cast<const CallExpr&>(*a.target), std::move(v.get()), false);
  return assign(f, *a.target, std::move(v.get()), false);
}

void Interp::take_pending() {
  for (PendingAppend* p = pending_; p; p = p->outer) {
    if (p->taken) continue;
    const Variant* v = plain_variable(p->f, p->n);
    p->before = v ? copy_of(*v) : Variant();
    p->taken = true;
  }
  untaken_ = 0;
}

namespace {

// One appended value as the & operator takes it, converted where the operator would
// convert it (before the next value is evaluated): an object gives its default value,
// an array or error value is a type mismatch.
void as_concat_operand(Variant& v) {
  if (v.is_object()) {
    Variant d = vb::default_value(v);
    if (d.is_object()) vb::raise(vb::err::kTypeMismatch);
    v = std::move(d);
  }
  if (v.is_array() || v.is_error()) vb::raise(vb::err::kTypeMismatch);
}

}  // namespace

void Interp::exec_append(Frame& f, const AssignStmt& a) {
  if (a.target->kind != ExprKind::Name) return exec_append_place(f, a);
  const auto& c = static_cast<const ConcatExpr&>(*a.value);
  const auto& n = static_cast<const NameExpr&>(*a.target);
  const size_t count = c.operands.size() - 1;
  if (count == 1 && is_local_or_field(n)) {
    // x = x & s, both strings, s a variable or literal (the common case, in short).
    const Variant* v = peek(f, *c.operands[1]);
    Variant& r = local_or_field(f, n);
    if (v && v != &r && v->is_string() && r.is_string()) {
      if (r.raw_string().size() + v->raw_string().size() > kMaxStringBytes) vb::raise(vb::err::kOutOfStringSpace);
      r.append_string(v->raw_string());
      return;
    }
  }
  {
    // Variables and literals: nothing runs, the order cannot show.
    const Variant* peeked[kAppendSmall];
    if (peek_appended(f, c, peeked) &&
        append_peeked(is_local_or_field(n) ? &local_or_field(f, n) : plain_variable(f, n), peeked, count))
      return;
  }
  // The statement means: read the variable, evaluate the values, join. Appending in
  // place reads the variable after the values instead; that cannot be told apart when
  // no code the values run can reach the variable: a local of this activation's own
  // (not a parameter by reference) that the values do not name.
  const bool own_local = n.bind == Bind::Local && !a.append_reaches &&
                         (!f.proc || size_t(n.slot) >= f.proc->params.size() || f.proc->params[size_t(n.slot)].byval);
  const Variant* start = own_local ? f.slots[n.slot] : plain_variable(f, n);
  if (!start || start->is_object() || start->is_array()) {
    // A property, a procedure, an object or an array, or a name not yet a variable:
    // evaluated the usual way.
    Temp v([&] { return eval(f, *a.value); });
    return assign(f, *a.target, std::move(v.get()), false);
  }
  Variant small[kAppendSmall];
  std::vector<Variant> big;
  Variant* parts = small;
  if (count > kAppendSmall) {
    big.resize(count);
    parts = big.data();
  }
  PendingAppend pending{f, n, Variant(), false, nullptr};
  if (own_local) {
    for (size_t i = 0; i < count; ++i) {
      parts[i] = eval(f, *c.operands[i + 1]);
      as_concat_operand(parts[i]);
    }
  } else {
    // Code the values run may change the variable: the variable's value is kept first.
    struct Scope {
      Interp& in;
      PendingAppend& p;
      Scope(Interp& i, PendingAppend& pa) : in(i), p(pa) {
        p.outer = in.pending_;
        in.pending_ = &p;
        ++in.untaken_;
      }
      Scope(const Scope&) = delete;
      Scope& operator=(const Scope&) = delete;
      ~Scope() {
        in.pending_ = p.outer;
        if (!p.taken) --in.untaken_;
      }
    } scope(*this, pending);
    for (size_t i = 0; i < count; ++i) {
      parts[i] = eval(f, *c.operands[i + 1]);
      as_concat_operand(parts[i]);
    }
  }
  Variant* r = pending.taken ? nullptr : own_local ? f.slots[n.slot] : plain_variable(f, n);
  if (!r || r->is_object() || r->is_array()) {
    // The values ran code: they are joined to the variable's value from before.
    Variant acc = pending.taken ? std::move(pending.before) : r ? copy_of(*r) : Variant();
    for (size_t i = 0; i < count; ++i) {
      check_concat(acc, parts[i]);
      op_concat_inplace(acc, parts[i]);
    }
    return assign(f, *a.target, std::move(acc), false);
  }
  // The whole statement fails or succeeds: the length is checked before anything is appended.
  size_t total = r->is_string() ? r->raw_string().size() : 0;
  for (size_t i = 0; i < count; ++i)
    if (parts[i].is_string()) total += parts[i].raw_string().size();
  if (total >= kBudgetedTextBytes) [[unlikely]]
    make_text_room(*r, total);
  for (size_t i = 0; i < count; ++i) op_concat_inplace(*r, parts[i]);
}

Flow Interp::exec_select(Frame& f, const SelectStmt& s) {
  Variant subject;
  const bool failed = !attempt(
      f, s.pos,
      [&] {
        subject = eval(f, *s.subject);
        if (subject.is_object()) subject = default_of(subject);
        return true;
      },
      [] { return false; });
  // Under Resume Next an error in the test skips the statement: no case runs, not even
  // Case Else (the Windows engine goes on after End Select).
  if (failed) return Flow::Normal;
  for (const auto& c : s.cases) {
    for (const auto& ve : c.values) {
      // Under Resume Next a case whose test fails is taken.
      const bool match = attempt(
          f, s.pos,
          [&] {
            // A literal, constant or variable that holds no object is compared where it
            // stands (the comparison runs no code that could change it).
            const Variant* pv = peek(f, *ve);
            if (pv && pv->is_object()) pv = nullptr;
            Variant v;
            if (!pv) v = eval(f, *ve);
            const Variant& val = pv ? *pv : v;
            if (subject.is_string() != val.is_string()) {
              // The test value is held like a variable: a literal there is not hard typed
              // (Select Case 3 with Case "a" is no type mismatch).
              Variant r = chain_step_general(BinOp::Eq, subject, false, val, is_hard(*ve));
              return r.is_bool() && r.raw_bool();
            }
            Temp r([&] { return apply_binop<BinOp::Eq>(subject, val); });
            return r.get().is_bool() && r.get().raw_bool();
          },
          [] { return true; });
      if (match) return exec_block(f, c.body);
    }
  }
  return exec_block(f, s.else_body);
}

Flow Interp::loop_setup_failed(Frame& f, const Block& body) {
  // Under Resume Next execution goes on inside the loop: the body runs once.
  Flow fl = exec_block(f, body);
  return fl == Flow::ExitFor ? Flow::Normal : fl;
}

Flow Interp::exec_for(Frame& f, const ForStmt& s) {
  const auto& var = static_cast<const NameExpr&>(*s.var);
  Variant start, end, step(int16_t(1));
  Variant* counter = nullptr;
  const bool ready = attempt(f, s.pos, [&] {
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
    return true;
  }, [] { return false; });
  if (!ready) {
    // The body runs once with the counter untouched; reaching Next then fails with
    // "For loop not initialized", which Resume Next leaves in Err after the loop.
    const Flow fl = exec_block(f, s.body);
    if (fl == Flow::Normal) vb::raise(92);
    return fl == Flow::ExitFor ? Flow::Normal : fl;
  }
  const bool down = is_int(step) ? int_of(step) < 0 : vb::to_double(step) < 0;
  // Whole-number bounds and step, the usual case: compared and stepped inline while
  // the counter holds a whole number (the body may assign it anything).
  const bool whole = is_int(end) && is_int(step);
  const int32_t end_i = whole ? int_of(end) : 0, step_i = whole ? int_of(step) : 0;
  const bool step_i2 = step.type() == VarType::Integer;
  for (;;) {
    if (whole && is_int(*counter)) {
      const int32_t c = int_of(*counter);
      if (down ? c < end_i : c > end_i) break;
    } else {
      Temp r([&] { return down ? apply_binop<BinOp::Ge>(*counter, end) : apply_binop<BinOp::Le>(*counter, end); });
      if (!(r.get().is_bool() ? r.get().raw_bool() : truthy(r.get()))) break;
    }
    Flow fl = exec_block(f, s.body);
    if (fl == Flow::ExitFor) break;
    if (fl != Flow::Normal) return fl;
    tick();
    // The body may have made the name refer elsewhere (an implicit variable, ExecuteGlobal).
    counter = var.bind == Bind::Local ? f.slots[var.slot] : var_ref(f, var, true);
    if (whole && is_int(*counter)) {
      store(*counter, int_result(int64_t(int_of(*counter)) + step_i, step_i2 && counter->type() == VarType::Integer));
      continue;
    }
    Temp next([&] { return apply_binop<BinOp::Add>(*counter, step); });
    store(*counter, std::move(next.get()));
  }
  return Flow::Normal;
}

Flow Interp::exec_for_each(Frame& f, const ForEachStmt& s) {
  const auto& var = static_cast<const NameExpr&>(*s.var);
  Variant coll;
  vb::Ref<vb::Enumerator> en;
  const bool ready = attempt(f, s.pos, [&] {
    coll = eval(f, *s.collection);
    if (!coll.is_array()) {
      if (!coll.is_object()) vb::raise(vb::err::kNotACollection);
      vb::Dispatch* d = coll.raw_object();
      if (!d) vb::raise(vb::err::kObjectVariableNotSet);
      en = d->enumerate();
      if (!en) vb::raise(vb::err::kNotACollection);
    }
    return true;
  }, [] { return false; });
  if (!ready) return loop_setup_failed(f, s.body);
  if (!en) {
    // An array only this loop holds (one a function returned) gives its strings away
    // instead of copying them; objects stay in it until the loop ends.
    const bool owned = coll.raw_array().ref_count() == 1;
    ElemHold hold(coll.array_ref());
    vb::Array& arr = *hold.arr;
    for (size_t i = 0; i < arr.size(); ++i) {
      Variant& target = *var_ref(f, var, true);
      if (owned && arr[i].is_string()) store(target, take(arr[i]));
      else store_copy(target, arr[i]);
      Flow fl = exec_block(f, s.body);
      if (fl == Flow::ExitFor) break;
      if (fl != Flow::Normal) return fl;
      tick();
    }
    return Flow::Normal;
  }
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
      // An error in a closing test leaves the loop (Resume Next goes on after Loop),
      // where one in an opening test goes on into the body.
      bool c = condition(f, *s.cond, s, s.until);
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
    check_array_size(bounds);
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
    if (r->is_array() && !s.preserve && r->raw_array().ref_count() > 1 && !r->raw_array().fixed() &&
        r->raw_array().locks() == 0) {
      // Another variable shares the array: this one gets new elements, without a copy of the
      // old ones first.
      *r = Variant(vb::make_ref<vb::Array>(r->raw_array().element_type(), std::move(bounds)));
    } else if (r->is_array()) {
      vb::Array& arr = r->raw_array_mut();
      if (s.preserve && bounds.size() == 1 && arr.dims() == 1 && size_t(bounds[0].count) > arr.data().capacity()) {
        // Growing a list one ReDim Preserve at a time: room for as many again, so that
        // the next ones need not move every element (as a vector grows).
        arr.reserve(size_t(std::min<int64_t>(2 * int64_t(bounds[0].count), kMaxArrayElements)));
      }
      arr.redim(std::move(bounds), s.preserve);
    } else {
      *r = Variant(vb::make_ref<vb::Array>(VarType::Variant, std::move(bounds)));
    }
  }
}

}  // namespace tolvex::vbscript
