// Pieces of the interpreter shared by its source files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/error.h"
#include "vb/variant.h"
#include "vbscript/interp.h"
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

// The operators, with inline paths for Integer, Long and Double.
Variant binop(BinOp op, const Variant& a, const Variant& b);

inline bool is_comparison(BinOp op) { return op >= BinOp::Eq && op <= BinOp::Ge; }
inline bool is_literal(const Expr& e) { return e.kind == ExprKind::Literal; }

// Literals are "hard" typed, everything else "soft" (see interp_eval.cpp).
void harden(Variant& a, bool a_hard, Variant& b, bool b_hard);
// One step of a chain: the hard/soft rule for mixed comparisons, then the operator.
Variant chain_step(BinOp op, const Variant& a, bool a_hard, const Variant& b, bool b_hard);

}  // namespace tolvex::vbscript::detail

namespace tolvex::vbscript {

using vb::Variant;

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
