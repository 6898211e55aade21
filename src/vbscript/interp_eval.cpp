// The interpreter: expressions, calls by name, member access and assignment.
#include <algorithm>
#include <cmath>

#include "vb/convert.h"
#include "vbscript/interp_detail.h"
#include "vbscript/objects.h"
#include "vbscript/parser.h"
#include "vbscript/runtime/operators.h"

namespace tolvex::vbscript {

using vb::InvokeKind;
using namespace detail;

namespace detail {

Variant binop_general(BinOp op, const Variant& a, const Variant& b) {
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
    case BinOp::Concat:
      check_concat(a, b);
      return op_concat(a, b);
    case BinOp::Add:
      if (a.is_string() && b.is_string()) check_concat(a, b);
      return op_add(a, b);
    case BinOp::Sub: return op_sub(a, b);
    case BinOp::Mod: return op_mod(a, b);
    case BinOp::IDiv: return op_idiv(a, b);
    case BinOp::Mul: return op_mul(a, b);
    case BinOp::Div: return op_div(a, b);
    case BinOp::Pow: return op_pow(a, b);
  }
  return Variant();
}

Variant binop(BinOp op, const Variant& a, const Variant& b) {
  switch (op) {
#define TOLVEX_BINOP_CASE(o) \
  case BinOp::o: return apply_binop<BinOp::o>(a, b);
    TOLVEX_EACH_BINOP(TOLVEX_BINOP_CASE)
#undef TOLVEX_BINOP_CASE
  }
  return Variant();
}

// Literals and constants are "hard" typed, everything else "soft". Comparing a string
// with a number converts the soft side to the hard side's type (both hard: the string
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

Variant chain_step_general(BinOp op, const Variant& a, bool a_hard, const Variant& b, bool b_hard) {
  if (is_comparison(op) && a.is_string() != b.is_string()) {
    if (a_hard || b_hard) {
      // (A Boolean against a string then compares with its text: "True" = True.)
      Variant x = a, y = b;
      harden(x, a_hard, y, b_hard);
      return binop(op, x, y);
    }
    // Two soft sides: a Boolean is a number here, less than any string.
    if (a.is_bool() || b.is_bool()) {
      const int c = a.is_bool() ? -1 : 1;
      switch (op) {
        case BinOp::Eq: return Variant(false);
        case BinOp::Ne: return Variant(true);
        case BinOp::Lt: case BinOp::Le: return Variant(c < 0);
        default: return Variant(c > 0);
      }
    }
  }
  return binop_general(op, a, b);
}

Variant chain_step(BinOp op, const Variant& a, bool a_hard, const Variant& b, bool b_hard) {
  if (is_comparison(op) && a.is_string() != b.is_string()) return chain_step_general(op, a, a_hard, b, b_hard);
  return binop(op, a, b);
}

}  // namespace detail

inline Variant Interp::builtin_call(Frame& f, const GlobalRef& g, const std::vector<Arg>& args) {
  if (g.bound != GlobalRef::Bound::None && args.size() == 1 && args[0].expr) {
    // UBound(a) and LBound(a) of an array variable: read where it stands.
    const Variant* p = peek(f, *args[0].expr);
    if (p && p->is_array() && p->raw_array().dims() >= 1) {
      const vb::Array::Bound& d = p->raw_array().bounds()[0];
      return Variant(int32_t(g.bound == GlobalRef::Bound::Upper ? d.lower + d.count - 1 : d.lower));
    }
  }
  if (args.size() == 1 && args[0].expr && args[0].expr->kind == ExprKind::Name) {
    // f(x) for a variable x holding no object or array (IsEmpty(s), Len(s)): read where
    // it stands (library functions never change their arguments, and nothing else runs).
    const Builtin& b = *g.builtin;
    const Variant* p = peek(f, *args[0].expr);
    if (p && !p->is_object() && !p->is_array() && b.min_args <= 1 && (b.max_args < 0 || b.max_args >= 1))
      return b.fn(env, vb::Args(const_cast<Variant*>(p), 1));
  }
  return call_builtin(f, *g.builtin, &args);
}

// ---------------------------------------------------------------- expression handlers

// Each node kind (and each operator of a two-operand chain) has its own handler, so
// that evaluating a node is one indirect call to code made for it.
struct ExprHandlers {
  static Variant literal(Interp&, Frame&, const Expr& e) { return copy_of(static_cast<const LiteralExpr&>(e).value); }

  static Variant name(Interp& in, Frame& f, const Expr& e) {
    const auto& n = static_cast<const NameExpr&>(e);
    if (n.bind == Bind::Local) return copy_of(*f.slots[n.slot]);
    if (n.bind == Bind::Field) return copy_of(f.me->fields()[size_t(n.slot)]);
    return in.eval_name(f, n, false);
  }

  static Variant call(Interp& in, Frame& f, const Expr& e) {
    return in.eval_call(f, static_cast<const CallExpr&>(e), false);
  }

  // name(i) where name is a local variable or field: an element of a one-dimensional
  // array inline, anything else the general way.
  static Variant element(Interp& in, Frame& f, const Expr& e) {
    const auto& c = static_cast<const CallExpr&>(e);
    const auto& n = static_cast<const NameExpr&>(*c.target);
    const Variant& v = n.bind == Bind::Local ? *f.slots[n.slot] : f.me->fields()[size_t(n.slot)];
    if (v.is_array()) {
      const Variant* pi = in.peek(f, *c.args[0].expr);
      if (pi && is_int(*pi)) {
        const vb::Array& arr = v.raw_array();
        if (arr.dims() == 1) {
          const int64_t off = int64_t(int_of(*pi)) - arr.bounds()[0].lower;
          if (off >= 0 && off < arr.bounds()[0].count) return arr[size_t(off)];
        }
      }
      const int32_t i = in.one_index(f, *c.args[0].expr);
      if (!v.is_array()) raise_named(vb::err::kTypeMismatch, n.name);
      return element_of(v.raw_array(), i);
    }
    return in.eval_call(f, c, false);
  }

  // name(args) for a name looked up among the globals: builtins and procedures directly.
  static Variant global_call(Interp& in, Frame& f, const Expr& e) {
    const auto& c = static_cast<const CallExpr&>(e);
    const auto& n = static_cast<const NameExpr&>(*c.target);
    if (!(n.implicit_slot >= 0 && f.live[n.implicit_slot])) {
      const GlobalRef& g = in.lookup(f, n);
      if (g.kind == GlobalKind::Builtin) return in.builtin_call(f, g, c.args);
      if (g.kind == GlobalKind::Proc) return in.call_proc_ast(f, *g.sym->proc, nullptr, &c.args);
    }
    return in.eval_call(f, c, false);
  }

  // object.name(args)
  static Variant member_call(Interp& in, Frame& f, const Expr& e) {
    const auto& c = static_cast<const CallExpr&>(e);
    return in.eval_member(f, static_cast<const MemberExpr&>(*c.target), &c.args, InvokeKind::Get);
  }

  static Variant member(Interp& in, Frame& f, const Expr& e) {
    return in.eval_member(f, static_cast<const MemberExpr&>(e), nullptr, InvokeKind::Get);
  }

  static Variant me(Interp&, Frame& f, const Expr&) {
    if (!f.me) vb::raise(vb::err::kObjectRequired);
    return Variant(vb::Ref<vb::Dispatch>(f.me));
  }

  static Variant make_new(Interp& in, Frame& f, const Expr& e) {
    return in.eval_new(f, static_cast<const NewExpr&>(e));
  }

  static Variant unary(Interp& in, Frame& f, const Expr& e) {
    const auto& u = static_cast<const UnaryExpr&>(e);
    Variant v = in.eval(f, *u.operand);
    switch (u.op) {
      case UnOp::Neg:
        if (v.type() == VarType::Integer && v.raw_integer() != INT16_MIN) return Variant(int16_t(-v.raw_integer()));
        if (v.type() == VarType::Long && v.raw_long() != INT32_MIN) return Variant(int32_t(-v.raw_long()));
        if (v.type() == VarType::Double) return Variant(-v.raw_double());
        return op_neg(v);
      case UnOp::Plus:
        return v.is_object() ? default_of(v) : v;
      case UnOp::Not:
        if (v.type() == VarType::Boolean) return Variant(!v.raw_bool());
        return op_not(v);
    }
    return v;
  }

  // An operand's value: variables and literals are copied here, other nodes run their handler.
  [[gnu::always_inline]] static Variant load(Interp& in, Frame& f, const Expr& e) {
    if (e.kind == ExprKind::Literal) return copy_of(static_cast<const LiteralExpr&>(e).value);
    if (e.kind == ExprKind::Name) {
      const auto& n = static_cast<const NameExpr&>(e);
      if (n.bind == Bind::Local) return copy_of(*f.slots[n.slot]);
      if (n.bind == Bind::Field) return copy_of(f.me->fields()[size_t(n.slot)]);
    }
    return e.fn(in, f, e);
  }

  template <BinOp OP>
  [[gnu::always_inline]] static Variant step(const Variant& a, bool a_hard, const Variant& b, bool b_hard) {
    Variant r;
    if (fast_binop<OP>(a, b, r)) return r;
    return chain_step_general(OP, a, a_hard, b, b_hard);
  }
  // The same with the operands' places: whether one is a hard literal is looked at only
  // off the inline path (null: no literal).
  template <BinOp OP>
  [[gnu::always_inline]] static Variant step(const Variant& a, const OperandRef* ao, const Variant& b,
                                             const OperandRef* bo) {
    Variant r;
    if (fast_binop<OP>(a, b, r)) return r;
    return chain_step_general(OP, a, ao && ao->hard, b, bo && bo->hard);
  }
  template <BinOp OP>
  [[gnu::always_inline]] static Variant step(const Variant& a, const Expr& ae, const Variant& b, const Expr& be) {
    Variant r;
    if (fast_binop<OP>(a, b, r)) return r;
    return chain_step_general(OP, a, is_hard(ae), b, is_hard(be));  // looked at only here
  }

  // The shapes of a two-operand node's operands. A "simple" operand is a literal or a
  // local variable, constant or field: read where it stands, with no code run. A name
  // looked up among the globals may be either, so it takes the general handler.
  enum class Shape : uint8_t { General, SimpleSimple, OtherSimple, SimpleOther, OtherOther };

  static Shape shape_of(const Expr& le, const Expr& re) {
    auto dynamic = [](const Expr& x) {
      return x.kind == ExprKind::Name && static_cast<const NameExpr&>(x).bind == Bind::Dynamic;
    };
    if (dynamic(le) || dynamic(re)) return Shape::General;
    const bool sl = is_simple(le), sr = is_simple(re);
    return sl ? (sr ? Shape::SimpleSimple : Shape::SimpleOther) : (sr ? Shape::OtherSimple : Shape::OtherOther);
  }

  // a OP b, left to right. Simple operands are used where they stand; when the right
  // operand runs code, the left one is copied first (that code may change it).
  template <BinOp OP, Shape S>
  static Variant binary(Interp& in, Frame& f, const Expr& e) {
    const auto& c = static_cast<const ChainExpr&>(e);
    const OperandRef& lo = c.lhs;
    const OperandRef& ro = c.rhs;
    if constexpr (S == Shape::SimpleSimple) {
      return step<OP>(value_at(f, lo), &lo, value_at(f, ro), &ro);
    } else if constexpr (S == Shape::OtherSimple) {
      Temp lt([&] { return lo.expr->fn(in, f, *lo.expr); });
      return step<OP>(lt.get(), nullptr, value_at(f, ro), &ro);
    } else if constexpr (S == Shape::SimpleOther) {
      Temp lt([&] { return copy_of(value_at(f, lo)); });
      Temp rt([&] { return ro.expr->fn(in, f, *ro.expr); });
      return step<OP>(lt.get(), &lo, rt.get(), nullptr);
    } else if constexpr (S == Shape::OtherOther) {
      Temp lt([&] { return lo.expr->fn(in, f, *lo.expr); });
      Temp rt([&] { return ro.expr->fn(in, f, *ro.expr); });
      return step<OP>(lt.get(), false, rt.get(), false);
    } else {
      const Expr& le = *lo.expr;
      const Expr& re = *ro.expr;
      const Variant* pa = in.peek(f, le);
      const Variant* pb = pa ? in.peek(f, re) : nullptr;
      if (pb) return step<OP>(*pa, le, *pb, re);
      return binary_evaluated<OP>(in, f, le, re);
    }
  }

  // x Mod d for a whole-number literal d (|d| >= 2): the remainder by multiplying with
  // d's reciprocal, precomputed in divisor_magic, instead of a division (D. Lemire,
  // "Faster remainder by direct computation", 2019). Other operands go to step().
  static uint64_t reciprocal(uint32_t d) { return UINT64_MAX / d + 1; }
  static uint32_t remainder(uint32_t x, uint64_t magic, uint32_t d) {
    __extension__ using u128 = unsigned __int128;
    return uint32_t((u128(magic * x) * d) >> 64);
  }

  template <Shape S>
  static Variant mod_literal(Interp& in, Frame& f, const Expr& e) {
    const auto& c = static_cast<const ChainExpr&>(e);
    const OperandRef& lo = c.lhs;
    const Variant& b = *c.rhs.literal;
    auto apply = [&](const Variant& a) {
      if (!is_int(a)) return step<BinOp::Mod>(a, &lo, b, &c.rhs);
      const int32_t x = int_of(a), y = int_of(b);
      const uint32_t ax = x < 0 ? 0u - uint32_t(x) : uint32_t(x);
      const uint32_t ay = y < 0 ? 0u - uint32_t(y) : uint32_t(y);
      const uint32_t r = remainder(ax, c.divisor_magic, ay);
      return int_result(x < 0 ? -int64_t(r) : int64_t(r),
                        a.type() == VarType::Integer && b.type() == VarType::Integer);
    };
    if constexpr (S == Shape::SimpleSimple) {
      return apply(value_at(f, lo));
    } else {
      Temp lt([&] { return lo.expr->fn(in, f, *lo.expr); });
      return apply(lt.get());
    }
  }

  // The general binary() when an operand is not a variable or literal (kept apart so
  // that the common case needs no temporaries).
  template <BinOp OP>
  [[gnu::noinline]] static Variant binary_evaluated(Interp& in, Frame& f, const Expr& le, const Expr& re) {
    Temp lt([&] { return load(in, f, le); });
    if (const Variant* pb = in.peek(f, re)) return step<OP>(lt.get(), le, *pb, re);
    Temp rt([&] { return in.eval(f, re); });
    return step<OP>(lt.get(), le, rt.get(), re);
  }

  static Variant chain(Interp& in, Frame& f, const Expr& e) { return in.eval_chain(f, static_cast<const ChainExpr&>(e)); }

  static Variant concat(Interp& in, Frame& f, const Expr& e) {
    return in.eval_concat(f, static_cast<const ConcatExpr&>(e));
  }

  template <Shape S>
  static EvalFn binary_for(BinOp op) {
    switch (op) {
#define TOLVEX_BINARY_CASE(o) \
  case BinOp::o: return &binary<BinOp::o, S>;
      TOLVEX_EACH_BINOP(TOLVEX_BINARY_CASE)
#undef TOLVEX_BINARY_CASE
    }
    return &chain;
  }

  static EvalFn handler_for(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Literal: return &literal;
      case ExprKind::Name: return &name;
      case ExprKind::Call: {
        const auto& c = static_cast<const CallExpr&>(e);
        if (is_local_or_field(*c.target) && c.args.size() == 1 && c.args[0].expr) return &element;
        if (c.target->kind == ExprKind::Member) return &member_call;
        if (c.target->kind == ExprKind::Name && static_cast<const NameExpr&>(*c.target).bind == Bind::Dynamic)
          return &global_call;
        return &call;
      }
      case ExprKind::Member: return &member;
      case ExprKind::Me: return &me;
      case ExprKind::New: return &make_new;
      case ExprKind::Unary: return &unary;
      case ExprKind::Chain: {
        const auto& c = static_cast<const ChainExpr&>(e);
        if (c.ops.size() != 1) return &chain;
        c.lhs = operand_ref(*c.operands[0]);
        c.rhs = operand_ref(*c.operands[1]);
        const Shape shape = shape_of(*c.operands[0], *c.operands[1]);
        if (c.ops[0] == BinOp::Mod && c.operands[1]->kind == ExprKind::Literal &&
            (shape == Shape::SimpleSimple || shape == Shape::OtherSimple)) {
          const Variant& d = static_cast<const LiteralExpr&>(*c.operands[1]).value;
          if (is_int(d) && int_of(d) != 0 && int_of(d) != 1 && int_of(d) != -1) {
            const int32_t y = int_of(d);
            c.divisor_magic = reciprocal(y < 0 ? 0u - uint32_t(y) : uint32_t(y));
            return shape == Shape::SimpleSimple ? &mod_literal<Shape::SimpleSimple> : &mod_literal<Shape::OtherSimple>;
          }
        }
        switch (shape) {
          case Shape::SimpleSimple: return binary_for<Shape::SimpleSimple>(c.ops[0]);
          case Shape::OtherSimple: return binary_for<Shape::OtherSimple>(c.ops[0]);
          case Shape::SimpleOther: return binary_for<Shape::SimpleOther>(c.ops[0]);
          case Shape::OtherOther: return binary_for<Shape::OtherOther>(c.ops[0]);
          case Shape::General: break;
        }
        return binary_for<Shape::General>(c.ops[0]);
      }
      case ExprKind::Concat: return &concat;
    }
    return nullptr;
  }
};

Variant eval_first(Interp& in, Frame& f, const Expr& e) {
  e.fn = ExprHandlers::handler_for(e);
  return e.fn(in, f, e);
}

// ---------------------------------------------------------------- expressions

// (peek has taken locals, constants and fields.)
const Variant* Interp::peek_slow(Frame& f, const NameExpr& n) {
  if (n.bind != Bind::Dynamic) return nullptr;
  if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) return f.slots[n.implicit_slot];
  const GlobalRef& g = lookup(f, n);
  if (g.kind == GlobalKind::Var || g.kind == GlobalKind::Const) return &g.sym->value;
  if (g.kind == GlobalKind::Constant) return g.constant;
  return nullptr;
}

Variant Interp::eval_chain(Frame& f, const ChainExpr& c) {
  // (A chain of one operator has a handler of its own: ExprHandlers::binary.)
  const size_t n = c.ops.size();
  const Expr& first = *c.operands[0];
  Temp acc([&] { return eval(f, first); });
  for (size_t i = 0; i < n; ++i) {
    const Expr& re = *c.operands[i + 1];
    const bool lh = i == 0 && is_hard(first);
    if (const Variant* pr = peek(f, re)) {
      Temp r([&] { return chain_step(c.ops[i], acc.get(), lh, *pr, is_hard(re)); });
      store(acc.get(), std::move(r.get()));
      continue;
    }
    Temp rhs([&] { return eval(f, re); });
    Temp r([&] { return chain_step(c.ops[i], acc.get(), lh, rhs.get(), is_hard(re)); });
    store(acc.get(), std::move(r.get()));
  }
  return take(acc.get());
}

Variant Interp::eval_concat(Frame& f, const ConcatExpr& c) {
  Variant acc = eval(f, *c.operands[0]);
  const size_t n = c.operands.size();
  for (size_t i = 1; i < n; ++i) {
    // A literal or variable holding a string is appended where it stands, not copied first.
    if (const Variant* p = peek(f, *c.operands[i]); p && p->is_string()) {
      check_concat(acc, *p);
      op_concat_inplace(acc, *p);
      continue;
    }
    Variant rhs = eval(f, *c.operands[i]);
    check_concat(acc, rhs);
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
    // A name that is nothing at all is undefined; a variable or procedure is no class.
    auto implicit = [&](const std::pair<std::string, int>& s) { return vb::iequals(s.first, n.class_name); };
    const bool known = g.kind != GlobalKind::None || (f.proc && f.proc->slot_of.count(n.class_name)) ||
                       (f.proc && std::any_of(f.proc->implicit_slots.begin(), f.proc->implicit_slots.end(), implicit)) ||
                       (f.me && f.me->cls().find(n.class_name) >= 0) ||
                       (f.added && added_ref(*f.added, n.class_name));
    raise_named(known ? vb::err::kTypeNameUndefined : vb::err::kVariableUndefined, n.class_name);
  }
  ClassPtr cls = g.sym->cls;
  return make_object(cls);
}

Variant Interp::with_object(Frame& f) {
  if (!f.with) vb::raise(505);
  return f.with->object;
}

namespace {
// A variable or constant written as a statement (v, or v()): an object's default member
// is called; any other value is no procedure (13).
Variant variable_statement(const Variant& v, std::string_view name) {
  if (v.is_object() && v.raw_object()) {
    vb::Ref<vb::Dispatch> keep(v.raw_object());  // the call may reassign the variable
    return keep->invoke(vb::kDispValue, InvokeKind::Method, {});
  }
  raise_named(vb::err::kTypeMismatch, name);
}
}  // namespace

Variant Interp::eval_name(Frame& f, const NameExpr& n, bool statement) {
  switch (n.bind) {
    case Bind::Local:
    case Bind::LocalConst:
      if (statement) return variable_statement(*f.slots[n.slot], n.name);
      return copy_of(*f.slots[n.slot]);
    case Bind::Field:
      if (statement) return variable_statement(f.me->fields()[size_t(n.slot)], n.name);
      return copy_of(f.me->fields()[size_t(n.slot)]);
    case Bind::ClassMember:
      return call_class_member(f, f.me, n.slot, nullptr, statement ? InvokeKind::Method : InvokeKind::Get);
    case Bind::Dynamic:
      break;
  }
  if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) {
    if (statement) return variable_statement(*f.slots[n.implicit_slot], n.name);
    return copy_of(*f.slots[n.implicit_slot]);
  }
  const GlobalRef& g = lookup(f, n);
  switch (g.kind) {
    case GlobalKind::Var:
    case GlobalKind::Const:
      if (statement) return variable_statement(g.sym->value, n.name);
      return copy_of(g.sym->value);
    case GlobalKind::Proc:
      return call_proc_ast(f, *g.sym->proc, nullptr, nullptr);
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

int32_t Interp::one_index(Frame& f, const Expr& e) {
  const Variant* p = peek(f, e);
  if (p && is_int(*p)) return int_of(*p);
  Temp iv([&] { return eval(f, e); });
  const Variant& x = iv.get();
  return is_int(x) ? int_of(x) : vb::to_long(default_of(x));
}

Interp::Indexes Interp::eval_indexes(Frame& f, const std::vector<Arg>& args) {
  Indexes idx(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    const Arg& a = args[i];
    if (!a.expr) vb::raise(vb::err::kSubscriptOutOfRange);
    const Variant* p = peek(f, *a.expr);
    if (p && is_int(*p)) {
      idx[i] = int_of(*p);
      continue;
    }
    Temp v([&] { return eval(f, *a.expr); });
    idx[i] = is_int(v.get()) ? int_of(v.get()) : vb::to_long(default_of(v.get()));
  }
  return idx;
}

// `v` may be the variable itself: an object in it is held by call_dispatch before any
// argument runs, and an array is looked at again after its indexes.
Variant Interp::index_value(Frame& f, const Variant& v, const std::vector<Arg>& args, InvokeKind kind,
                            std::string_view name) {
  if (v.is_array()) {
    // One index: no index list. `v` may be a variable that the index's code changes.
    if (args.size() == 1 && args[0].expr) {
      const int32_t i = one_index(f, *args[0].expr);
      if (!v.is_array()) raise_named(vb::err::kTypeMismatch, name);
      return copy_of(element_of(v.raw_array(), i));
    }
    // `v` may be a variable: the indexes are evaluated first and may change it.
    Indexes idx = eval_indexes(f, args);
    if (!v.is_array()) raise_named(vb::err::kTypeMismatch, name);
    return copy_of(v.raw_array().at(idx.view()));
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
    if (statement && c.args.empty()) [[unlikely]] {
      // v() as a statement: as v alone, unless v holds an array.
      if (const Variant* v = peek(f, n); v && !v->is_array()) return variable_statement(*v, n.name);
    }
    switch (n.bind) {
      case Bind::Local:
      case Bind::LocalConst: {
        return index_value(f, *f.slots[n.slot], c.args, kind, n.name);
      }
      case Bind::Field: {
        return index_value(f, f.me->fields()[size_t(n.slot)], c.args, kind, n.name);
      }
      case Bind::ClassMember:
        return call_class_member(f, f.me, n.slot, &c.args, kind);
      case Bind::Dynamic:
        break;
    }
    if (n.implicit_slot >= 0 && f.live[n.implicit_slot]) {
      return index_value(f, *f.slots[n.implicit_slot], c.args, kind, n.name);
    }
    const GlobalRef& g = lookup(f, n);
    switch (g.kind) {
      case GlobalKind::Var:
      case GlobalKind::Const: {
        return index_value(f, g.sym->value, c.args, kind, n.name);
      }
      case GlobalKind::Proc:
        return call_proc_ast(f, *g.sym->proc, nullptr, &c.args);
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
        if (statement && is_conversion(*g.builtin)) {
          builtin_call(f, g, c.args);  // a failing conversion raises its own error first
          vb::raise(vb::err::kUnsupportedAutomationType);
        }
        return builtin_call(f, g, c.args);
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

namespace {
// The name an "Object required" message shows: the variable before the dot, else the member.
std::string_view object_name(const MemberExpr& m) {
  if (m.object && m.object->kind == ExprKind::Name) return static_cast<const NameExpr&>(*m.object).name;
  return m.name;
}
}  // namespace

vb::Ref<vb::Dispatch> Interp::member_object(Frame& f, const MemberExpr& m) {
  // A variable's object is used where it stands; the reference keeps it alive
  // should the call reassign the variable.
  if (m.object) {
    if (m.object->kind == ExprKind::Name) {
      const auto& n = static_cast<const NameExpr&>(*m.object);
      if (n.bind == Bind::Dynamic && !(n.implicit_slot >= 0 && f.live[n.implicit_slot])) {
        const GlobalRef& g = lookup(f, n);
        if (g.kind == GlobalKind::Object && g.obj) return vb::Ref<vb::Dispatch>(g.obj);
      }
    }
    if (const Variant* p = peek(f, *m.object)) {
      if (!p->is_object() || !p->raw_object()) raise_named(vb::err::kObjectRequired, object_name(m));
      return vb::Ref<vb::Dispatch>(p->raw_object());
    }
  }
  Temp objv([&] { return m.object ? eval(f, *m.object) : with_object(f); });
  const Variant& v = objv.get();
  if (!v.is_object() || !v.raw_object()) raise_named(vb::err::kObjectRequired, object_name(m));
  return vb::Ref<vb::Dispatch>(v.raw_object());
}

Variant Interp::eval_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, InvokeKind kind) {
  // The object of the usual shapes (a local or field holding one, a named object) is
  // found here; member_object() takes the others.
  vb::Dispatch* d = nullptr;
  if (m.object && m.object->kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(*m.object);
    if (is_local_or_field(n)) {
      const Variant& v = local_or_field(f, n);
      if (v.is_object() && v.raw_object()) {
        d = v.raw_object();
        // A script object whose member this node has seen before: straight to the member.
        ScriptObject* so = as_script_object(d);
        if (so && m.cache_class == so->cls_ptr()->serial && m.cache_member >= 0) {
          const ClassMember& cm = so->cls().members[size_t(m.cache_member)];
          if (cm.is_public || (f.me && f.me->cls_ptr() == so->cls_ptr())) {
            vb::Ref<vb::Dispatch> keep(so);
            if (cm.kind == ClassMember::Kind::Method) return call_proc_ast(f, *cm.method, so, args);
            return call_class_member(f, so, m.cache_member, args, kind);
          }
        }
      }
    } else if (n.bind == Bind::Dynamic && !(n.implicit_slot >= 0 && f.live[n.implicit_slot])) {
      const GlobalRef& g = lookup(f, n);
      if (g.kind == GlobalKind::Object && g.obj) d = g.obj;
    }
  }
  // The reference keeps the object alive should the call reassign the variable.
  vb::Ref<vb::Dispatch> keep = d ? vb::Ref<vb::Dispatch>(d) : member_object(f, m);
  d = keep.get();
  if (ScriptObject* so = as_script_object(d)) {
    const ClassDef* cls = so->cls_ptr();
    int idx;
    if (m.cache_class == cls->serial) {
      idx = m.cache_member;
    } else {
      idx = cls->find(m.name);
      m.cache_class = cls->serial;
      m.cache_member = idx;
    }
    if (idx < 0 || (!cls->members[size_t(idx)].is_public && (!f.me || f.me->cls_ptr() != cls)))
      raise_named(vb::err::kNotSupported, m.name);
    return call_class_member(f, so, idx, args, kind);
  }
  // Member ids stay the same for an object's lifetime; the cache keys on the object
  // and its dynamic type, so that an object made later at the same address misses.
  // Classes whose ids are the same for all their objects are keyed on the type alone,
  // so that a loop over a collection's items looks each name up once.
  vb::DispId id;
  const std::type_info* type = &typeid(*d);
  if (m.cache_type == type && (m.cache_per_class || m.cache_object == d)) {
    id = m.cache_id;
  } else {
    id = d->find_member(m.name);
    if (id == vb::kDispUnknown) raise_named(vb::err::kNotSupported, m.name);
    m.cache_object = d;
    m.cache_type = type;
    m.cache_id = id;
    m.cache_per_class = d->member_ids_are_static();
  }
  return call_dispatch(f, d, id, kind, args, nullptr);
}

Variant Interp::call_class_member(Frame& f, ScriptObject* so, int member, const std::vector<Arg>* args,
                                  InvokeKind kind) {
  const ClassMember& m = so->cls().members[size_t(member)];
  switch (m.kind) {
    case ClassMember::Kind::Field: {
      Variant& fv = so->fields()[size_t(m.field)];
      if (!args) return fv;
      // A field that holds no array or object takes no index: 438, as in the Windows engine.
      if (!args->empty() && !fv.is_array() && !fv.is_object()) raise_named(vb::err::kNotSupported, m.name);
      return index_value(f, fv, *args, kind, m.name);
    }
    case ClassMember::Kind::Method:
      return call_proc_ast(f, *m.method, so, args);
    case ClassMember::Kind::Property:
      if (!m.get) raise_named(vb::err::kNotSupported, m.name);
      return call_proc_ast(f, *m.get, so, args);
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
  // In a procedure a variable that comes into being any other way is the activation's too.
  if (f.local_scope) return &create_local(f, n.name)->value;
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
    Indexes idx = eval_indexes(f, c.args);
    base = var_ref(f, n, false);
    if (!base || !base->is_array()) return nullptr;
    vb::Array& arr = base->raw_array_mut();
    Variant* el = &arr.at(idx.view());
    holds.emplace_back(base->array_ref());
    return el;
  }
  return nullptr;
}

namespace {

// Whether target is a Property Let of a script object, found without running code:
// obj.Prop, obj.Prop(args), Me.Prop, .Prop inside With, or Prop inside the class.
template <class VarRef>
bool is_property_let(Frame& f, const Expr& target, VarRef&& ref) {
  const Expr* t = &target;
  if (t->kind == ExprKind::Call) t = static_cast<const CallExpr*>(t)->target.get();
  const ClassMember* m = nullptr;
  if (t->kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(*t);
    if (n.bind == Bind::ClassMember && f.me) m = &f.me->cls().members[size_t(n.slot)];
  } else if (t->kind == ExprKind::Member) {
    const auto& mem = static_cast<const MemberExpr&>(*t);
    const Variant* obj = nullptr;
    if (!mem.object) obj = f.with ? &f.with->object : nullptr;
    else if (mem.object->kind == ExprKind::Name) obj = ref(static_cast<const NameExpr&>(*mem.object));
    ScriptObject* so = nullptr;
    if (obj && obj->is_object() && obj->raw_object()) so = as_script_object(obj->raw_object());
    else if (mem.object && mem.object->kind == ExprKind::Me) so = f.me;
    if (so) {
      const int idx = so->cls().find(mem.name);
      if (idx >= 0) m = &so->cls().members[size_t(idx)];
    }
  }
  return m && m->kind == ClassMember::Kind::Property && m->let;
}

}  // namespace

void Interp::assign(Frame& f, const Expr& target, Variant&& v, bool is_set) {
  if (is_set) {
    if (!v.is_object()) vb::raise(vb::err::kObjectRequired);
  } else if (v.is_object()) {
    // A Property Let receives an object as it is (Nothing and objects with a default
    // property too); other targets take the object's default value. A member target
    // (obj.Prop, a.Nxt.Nxt) decides once its object is known: see assign_member.
    const Expr* t = target.kind == ExprKind::Call ? static_cast<const CallExpr&>(target).target.get() : &target;
    auto ref = [&](const NameExpr& n) { return var_ref(f, n, false); };
    if (t->kind != ExprKind::Member && !is_property_let(f, target, ref)) v = default_of(v);
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
      store(*f.slots[n.slot], std::move(v));
      return;
    case Bind::Field:
      store(f.me->fields()[size_t(n.slot)], std::move(v));
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
  store(*var_ref(f, n, true), std::move(v));
}

void Interp::assign_call(Frame& f, const CallExpr& c, Variant&& v, bool is_set) {
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
      if (c.args.size() == 1 && c.args[0].expr) {
        // The index may run code that changes the variable: it is looked at again after.
        const int32_t i = one_index(f, *c.args[0].expr);
        r = var_ref(f, n, false);
        if (!r || !r->is_array()) raise_named(vb::err::kTypeMismatch, n.name);
        store(element_of(writable_array(*r), i), std::move(v));
        return;
      }
      Indexes idx = eval_indexes(f, c.args);
      r = var_ref(f, n, false);
      if (!r || !r->is_array()) raise_named(vb::err::kTypeMismatch, n.name);
      store(r->raw_array_mut().at(idx.view()), std::move(v));
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
  if (t.kind == ExprKind::Call) return assign_nested(f, c, std::move(v), is_set);
  vb::raise(vb::err::kIllegalAssignment);
}

// x(i)(j) = v: into the array (or the default member of the object) held in an element
// of an array variable, in place. Each index runs once, left to right. Where an element
// holds an object, the chain goes on with the value its default member gives (as reading
// x(i)(j) would); an array reached that way is a copy, as in the Windows engine.
void Interp::assign_nested(Frame& f, const CallExpr& c, Variant&& v, bool is_set) {
  std::vector<const CallExpr*> levels;  // x(i) first, then x(i)(j), ... up to c's target
  const Expr* e = c.target.get();
  while (e->kind == ExprKind::Call) {
    levels.push_back(static_cast<const CallExpr*>(e));
    e = static_cast<const CallExpr*>(e)->target.get();
  }
  std::reverse(levels.begin(), levels.end());
  const NameExpr* var = e->kind == ExprKind::Name && static_cast<const NameExpr*>(e)->bind != Bind::ClassMember
                            ? static_cast<const NameExpr*>(e)
                            : nullptr;
  // The place reached: the variable (or `held`, a value of our own) walked through the
  // indexes so far. Walked again after any code runs, as that code may change the variable.
  Variant held;
  bool own = !var || !var_ref(f, *var, false);
  std::vector<Indexes> idx;
  size_t i = 0;
  if (own) held = eval(f, *levels[i++]);  // not a variable: x(i) is a call
  auto place = [&]() -> Variant* {
    Variant* r = own ? &held : var_ref(f, *var, false);
    for (const Indexes& x : idx) {
      if (!r || !r->is_array()) return nullptr;
      r = &writable_array(*r).at(x.view());
    }
    return r;
  };
  for (; i < levels.size(); ++i) {
    Variant* r = place();
    if (r && r->is_array()) {
      idx.push_back(eval_indexes(f, levels[i]->args));
      continue;
    }
    if (!r || !r->is_object()) vb::raise(vb::err::kTypeMismatch);
    Variant next = index_value(f, *r, levels[i]->args, InvokeKind::Get, {});
    held = std::move(next);
    own = true;
    idx.clear();
  }
  Variant* r = place();
  if (r && r->is_array() && !c.args.empty()) {
    Indexes last = eval_indexes(f, c.args);
    r = place();
    if (!r || !r->is_array()) vb::raise(vb::err::kTypeMismatch);
    return store(writable_array(*r).at(last.view()), std::move(v));
  }
  if (!r || !r->is_object()) vb::raise(r && r->is_array() ? vb::err::kSubscriptOutOfRange : vb::err::kTypeMismatch);
  vb::Ref<vb::Dispatch> d(r->raw_object());
  if (!d) vb::raise(vb::err::kObjectVariableNotSet);
  call_dispatch(f, d.get(), vb::kDispValue, is_set ? InvokeKind::Set : InvokeKind::Let, &c.args, &v);
}

void Interp::assign_member(Frame& f, const MemberExpr& m, const std::vector<Arg>* args, Variant v, bool is_set) {
  vb::Ref<vb::Dispatch> keep = member_object(f, m);
  vb::Dispatch* d = keep.get();
  // An object assigned without Set: see assign.
  const bool let_object = !is_set && v.is_object();
  if (ScriptObject* so = as_script_object(d)) {
    const ClassDef* cls = so->cls_ptr();
    int idx = cls->find(m.name);
    if (idx < 0 || (!cls->members[size_t(idx)].is_public && (!f.me || f.me->cls_ptr() != cls)))
      raise_named(vb::err::kNotSupported, m.name);
    const ClassMember& cm = cls->members[size_t(idx)];
    if (let_object) {
      if (cm.kind == ClassMember::Kind::Property && !cm.let && cm.set) is_set = true;  // only a Property Set
      else if (cm.kind != ClassMember::Kind::Property || !cm.let) v = default_of(v);
    }
    if (cm.kind == ClassMember::Kind::Field) {
      Variant& fv = so->fields()[size_t(cm.field)];
      if (!args || args->empty()) {
        fv = std::move(v);
        return;
      }
      if (fv.is_array()) {
        Indexes idxs = eval_indexes(f, *args);
        store(so->fields()[size_t(cm.field)].raw_array_mut().at(idxs.view()), std::move(v));
        return;
      }
      if (fv.is_object() && fv.raw_object()) {
        call_dispatch(f, fv.raw_object(), vb::kDispValue, is_set ? InvokeKind::Set : InvokeKind::Let, args, &v);
        return;
      }
      raise_named(vb::err::kNotSupported, m.name);
    }
    if (cm.kind == ClassMember::Kind::Property) return property_put_ast(f, so, idx, args, std::move(v), is_set);
    raise_named(vb::err::kIllegalAssignment, m.name);
  }
  vb::DispId id = d->find_member(m.name);
  if (id == vb::kDispUnknown) raise_named(vb::err::kNotSupported, m.name);
  if (let_object) v = default_of(v);
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

void Interp::property_put(ScriptObject* so, int member, ArgRef* args, size_t nargs, Variant value, bool is_set) {
  const ClassMember& m = so->cls().members[size_t(member)];
  ProcPtr p = is_set ? m.set : m.let;
  if (!p && is_set) p = m.let;
  if (!p) raise_named(vb::err::kNotSupported, m.name);
  std::vector<ArgRef> refs(args, args + nargs);
  refs.push_back(ArgRef{&value, true});
  invoke_proc(*p, so, refs.data(), refs.size());
}

}  // namespace tolvex::vbscript
