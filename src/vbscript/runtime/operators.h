// The VBScript operators on Variants: arithmetic, concatenation, logic and comparison,
// with the language's result subtypes, Null propagation and error numbers
// (6 overflow, 11 division by zero, 13 type mismatch).
#pragma once

#include "vb/convert.h"
#include "vb/variant.h"

namespace tolvex::vbscript {

// Arithmetic. Objects are reduced to their default value first.
vb::Variant op_add(const vb::Variant& a, const vb::Variant& b);   // +  (two strings concatenate)
vb::Variant op_sub(const vb::Variant& a, const vb::Variant& b);   // -
vb::Variant op_mul(const vb::Variant& a, const vb::Variant& b);   // *
vb::Variant op_div(const vb::Variant& a, const vb::Variant& b);   // /  (always Double)
vb::Variant op_idiv(const vb::Variant& a, const vb::Variant& b);  // \  (operands rounded to Long)
vb::Variant op_mod(const vb::Variant& a, const vb::Variant& b);   // Mod
vb::Variant op_pow(const vb::Variant& a, const vb::Variant& b);   // ^  (Double)
vb::Variant op_neg(const vb::Variant& a);                         // unary -

// & : Null counts as "" unless both sides are Null.
vb::Variant op_concat(const vb::Variant& a, const vb::Variant& b);
// acc = acc & rhs, appending in place when acc already holds a String.
void op_concat_inplace(vb::Variant& acc, const vb::Variant& rhs);

// Logic: bitwise on integers, Boolean on Booleans, Null by the three-valued rules.
vb::Variant op_not(const vb::Variant& a);
vb::Variant op_and(const vb::Variant& a, const vb::Variant& b);
vb::Variant op_or(const vb::Variant& a, const vb::Variant& b);
vb::Variant op_xor(const vb::Variant& a, const vb::Variant& b);
vb::Variant op_eqv(const vb::Variant& a, const vb::Variant& b);
vb::Variant op_imp(const vb::Variant& a, const vb::Variant& b);

// Comparisons: Boolean, or Null when either side is Null.
vb::Variant op_eq(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);
vb::Variant op_ne(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);
vb::Variant op_lt(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);
vb::Variant op_le(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);
vb::Variant op_gt(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);
vb::Variant op_ge(const vb::Variant& a, const vb::Variant& b, vb::CompareMode mode = vb::CompareMode::Binary);

}  // namespace tolvex::vbscript
