// Pieces of the interpreter shared by its source files.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/error.h"
#include "vb/variant.h"
#include "vbscript/interp.h"
#include "vbscript/objects.h"
#include "vbscript/value_ops.h"

namespace tolvex::vbscript::detail {

using vb::Variant;
using vb::VarType;
using vb::VBError;

[[noreturn]] inline void raise_named(int32_t number, std::string_view name) {
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

// The intrinsic of a name (kNone when it is none); `fallback` asks for the names
// used only when the runtime library does not define them.
int find_intrinsic(std::string_view n, bool fallback);

inline bool is_int(const Variant& v) { return v.type() == VarType::Integer || v.type() == VarType::Long; }
inline int32_t int_of(const Variant& v) {
  return v.type() == VarType::Integer ? int32_t(v.raw_integer()) : v.raw_long();
}
inline Variant int_result(int64_t r, bool both_integer) {
  if (both_integer && r >= INT16_MIN && r <= INT16_MAX) return Variant(int16_t(r));
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(int32_t(r));
  return Variant(double(r));
}
inline bool is_real(const Variant& v) { return v.type() == VarType::Double; }
inline double real_of(const Variant& v) { return is_real(v) ? v.raw_double() : double(int_of(v)); }

inline constexpr bool is_comparison(BinOp op) { return op >= BinOp::Eq && op <= BinOp::Ge; }
// A hard-typed operand (see harden): a literal as written or a constant. A global name
// counts once it has been looked up (its value read).
inline bool is_hard(const Expr& e) {
  if (e.kind == ExprKind::Literal) return static_cast<const LiteralExpr&>(e).hard;
  if (e.kind != ExprKind::Name) return false;
  const auto& n = static_cast<const NameExpr&>(e);
  if (n.bind == Bind::LocalConst) return true;
  return n.bind == Bind::Dynamic && (n.cache.kind == GlobalKind::Const || n.cache.kind == GlobalKind::Constant);
}

// The runtime library's operator for op, without the inline paths below.
Variant binop_general(BinOp op, const Variant& a, const Variant& b);
// Literals and constants are "hard" typed, everything else "soft" (see interp_eval.cpp).
void harden(Variant& a, bool a_hard, Variant& b, bool b_hard);
// One step of a chain: the hard/soft rule for mixed comparisons, then the operator.
Variant chain_step(BinOp op, const Variant& a, bool a_hard, const Variant& b, bool b_hard);
// chain_step without the inline paths (the operands are not both plain numbers).
Variant chain_step_general(BinOp op, const Variant& a, bool a_hard, const Variant& b, bool b_hard);

template <BinOp OP, class T>
inline bool compare_as(T x, T y) {
  if constexpr (OP == BinOp::Eq) return x == y;
  else if constexpr (OP == BinOp::Ne) return x != y;
  else if constexpr (OP == BinOp::Lt) return x < y;
  else if constexpr (OP == BinOp::Le) return x <= y;
  else if constexpr (OP == BinOp::Gt) return x > y;
  else return x >= y;
}

// The common cases of operator OP inline: Integer, Long and Double operands, two
// Booleans for And and Or, two strings for = and <>, two objects for Is. Sets `out`
// and returns true; anything unusual (overflow out of Long, division by zero, other
// subtypes) returns false for the runtime library to handle.
template <BinOp OP>
[[gnu::always_inline]] inline bool fast_binop(const Variant& a, const Variant& b, Variant& out) {
  const VarType ta = a.type(), tb = b.type();
  const bool ia = ta == VarType::Integer || ta == VarType::Long;
  const bool ib = tb == VarType::Integer || tb == VarType::Long;
  if (ia && ib) {
    const int64_t x = int_of(a), y = int_of(b);
    const bool i2 = ta == VarType::Integer && tb == VarType::Integer;
    if constexpr (OP == BinOp::Add) {
      out = int_result(x + y, i2);
      return true;
    } else if constexpr (OP == BinOp::Sub) {
      out = int_result(x - y, i2);
      return true;
    } else if constexpr (OP == BinOp::Mul) {
      out = int_result(x * y, i2);
      return true;
    } else if constexpr (is_comparison(OP)) {
      out = Variant(compare_as<OP>(x, y));
      return true;
    } else if constexpr (OP == BinOp::IDiv) {
      // (32-bit division: much faster than 64-bit on common processors.)
      if (y == 0 || (y == -1 && x == INT32_MIN)) return false;
      out = int_result(int32_t(x) / int32_t(y), i2);
      return true;
    } else if constexpr (OP == BinOp::Mod) {
      if (y == 0) return false;
      out = int_result(y == -1 ? 0 : int32_t(x) % int32_t(y), i2);
      return true;
    } else if constexpr (OP == BinOp::Div) {
      if (y == 0) return false;
      out = Variant(double(x) / double(y));
      return true;
    } else if constexpr (OP == BinOp::And) {
      out = i2 ? Variant(int16_t(x & y)) : Variant(int32_t(x & y));
      return true;
    } else if constexpr (OP == BinOp::Or) {
      out = i2 ? Variant(int16_t(x | y)) : Variant(int32_t(x | y));
      return true;
    } else if constexpr (OP == BinOp::Xor) {
      out = i2 ? Variant(int16_t(x ^ y)) : Variant(int32_t(x ^ y));
      return true;
    } else {
      return false;
    }
  }
  if constexpr (OP == BinOp::Add || OP == BinOp::Sub || OP == BinOp::Mul || OP == BinOp::Div ||
                is_comparison(OP)) {
    if ((ia || ta == VarType::Double) && (ib || tb == VarType::Double)) {
      const double x = ia ? double(int_of(a)) : a.raw_double();
      const double y = ib ? double(int_of(b)) : b.raw_double();
      if constexpr (is_comparison(OP)) {
        out = Variant(compare_as<OP>(x, y));
        return true;
      } else {
        double r;
        if constexpr (OP == BinOp::Add) r = x + y;
        else if constexpr (OP == BinOp::Sub) r = x - y;
        else if constexpr (OP == BinOp::Mul) r = x * y;
        else {
          if (y == 0) return false;
          r = x / y;
        }
        if (!std::isfinite(r)) return false;
        out = Variant(r);
        return true;
      }
    }
  }
  if constexpr (OP == BinOp::And || OP == BinOp::Or) {
    if (ta == VarType::Boolean && tb == VarType::Boolean) {
      out = Variant(OP == BinOp::And ? (a.raw_bool() && b.raw_bool()) : (a.raw_bool() || b.raw_bool()));
      return true;
    }
  }
  if constexpr (OP == BinOp::Is) {
    // x Is Nothing, x Is y: the same object.
    if (ta == VarType::Object && tb == VarType::Object) {
      out = Variant(a.raw_object() == b.raw_object());
      return true;
    }
  }
  if constexpr (OP == BinOp::Eq || OP == BinOp::Ne) {
    if (ta == VarType::String && tb == VarType::String) {
      out = Variant((a.raw_string() == b.raw_string()) == (OP == BinOp::Eq));
      return true;
    }
  }
  return false;
}

// a OP b.
template <BinOp OP>
inline Variant apply_binop(const Variant& a, const Variant& b) {
  Variant r;
  if (fast_binop<OP>(a, b, r)) return r;
  return binop_general(OP, a, b);
}

// The operators, with inline paths for Integer, Long and Double.
Variant binop(BinOp op, const Variant& a, const Variant& b);

// X(op) for every BinOp: for switches that map an operator to code made for it.
#define TOLVEX_EACH_BINOP(X)                                                                 \
  X(Imp) X(Eqv) X(Xor) X(Or) X(And) X(Eq) X(Ne) X(Lt) X(Le) X(Gt) X(Ge) X(Is) X(Concat) X(Add) \
  X(Sub) X(Mod) X(IDiv) X(Mul) X(Div) X(Pow)

}  // namespace tolvex::vbscript::detail

namespace tolvex::vbscript {

using vb::Variant;

namespace detail {

// A name bound to a local variable or a field of Me: its variable stands in a known place.
inline bool is_local_or_field(const Expr& e) {
  if (e.kind != ExprKind::Name) return false;
  const Bind b = static_cast<const NameExpr&>(e).bind;
  return b == Bind::Local || b == Bind::Field;
}

// A "simple" expression is a literal or a local variable, constant or field: its
// value is read where it stands and reading it runs no code.
inline bool is_simple(const Expr& e) {
  if (e.kind == ExprKind::Literal) return true;
  if (e.kind != ExprKind::Name) return false;
  Bind b = static_cast<const NameExpr&>(e).bind;
  return b == Bind::Local || b == Bind::LocalConst || b == Bind::Field;
}

// Where an operand is: the node, and for a literal, local or field its value's place.
inline OperandRef operand_ref(const Expr& e) {
  OperandRef o;
  o.expr = &e;
  if (e.kind == ExprKind::Literal) {
    o.literal = &static_cast<const LiteralExpr&>(e).value;
    o.hard = static_cast<const LiteralExpr&>(e).hard;
  } else if (e.kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(e);
    o.slot = n.slot;
    o.field = n.bind == Bind::Field;
    o.hard = n.bind == Bind::LocalConst;
  }
  return o;
}

// The value of a simple operand (a literal, local or field) where it stands.
[[gnu::always_inline]] inline const Variant& value_at(Frame& f, const OperandRef& o) {
  if (o.literal) return *o.literal;
  return o.field ? f.me->fields()[size_t(o.slot)] : *f.slots[o.slot];
}

// The variable of a local or field operand.
[[gnu::always_inline]] inline Variant& variable_at(Frame& f, const OperandRef& o) {
  return o.field ? f.me->fields()[size_t(o.slot)] : *f.slots[o.slot];
}

// The variable a Local or Field name stands for.
[[gnu::always_inline]] inline Variant& local_or_field(Frame& f, const NameExpr& n) {
  return n.bind == Bind::Field ? f.me->fields()[size_t(n.slot)] : *f.slots[n.slot];
}

// The array in v for writing: an unshared one in place, a shared one copied first.
inline vb::Array& writable_array(Variant& v) {
  const vb::Array& a = v.raw_array();
  return a.ref_count() == 1 ? const_cast<vb::Array&>(a) : v.raw_array_mut();
}

// Element i of an array indexed by one number (error 9 when out of range).
template <class A>
inline auto& element_of(A& arr, int32_t i) {
  if (arr.dims() == 1) {
    const vb::Array::Bound& b = arr.bounds()[0];
    const int64_t off = int64_t(i) - b.lower;
    if (off >= 0 && off < b.count) return arr[size_t(off)];
  }
  return arr.at(std::span<const int32_t>(&i, 1));
}

}  // namespace detail

inline const Variant* Interp::peek(Frame& f, const Expr& e) {
  if (e.kind == ExprKind::Literal) return &static_cast<const LiteralExpr&>(e).value;
  if (e.kind != ExprKind::Name) return nullptr;
  const auto& n = static_cast<const NameExpr&>(e);
  if (n.bind == Bind::Local || n.bind == Bind::LocalConst) return f.slots[n.slot];
  if (n.bind == Bind::Field) return &f.me->fields()[size_t(n.slot)];
  return peek_slow(f, n);
}

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

struct Interp::ArgBuffer {
  static constexpr size_t kSmall = Slots::kSmall;
  Slots vals;
  Variant* small_refs[kSmall] = {};
  std::vector<Variant*> big_refs;
  Variant** refs = small_refs;
  size_t n = 0;
  bool any_ref = false;
  std::vector<ElemHold> holds;  // arrays whose elements are passed by reference

  void reserve(size_t count) {
    n = count;
    vals.reserve(count);
    if (count > kSmall) {
      big_refs.assign(count, nullptr);
      refs = big_refs.data();
    }
  }
  vb::Args span() { return vb::Args(vals.data(), vals.built()); }
  void write_back() {
    if (!any_ref) return;
    for (size_t i = 0; i < vals.built(); ++i)
      if (refs[i]) store(*refs[i], take(vals[i]));
  }
};


}  // namespace tolvex::vbscript
