#include "lib_support.h"
#include "vbscript/runtime/operators.h"

namespace tolvex::vbscript::test {
namespace {

using BinOp = Variant (*)(const Variant&, const Variant&);

struct BinCase {
  const char* op;
  BinOp fn;
  Variant a, b;
  std::string expected;  // show() of the result, or "error N"
};

std::string run(const BinCase& c) {
  try {
    return show(c.fn(c.a, c.b));
  } catch (const vb::VBError& e) {
    return "error " + std::to_string(e.number());
  }
}

TEST(LibOperators, ArithmeticSubtypesAndValues) {
  const BinCase cases[] = {
      // + : numeric promotion and overflow widening
      {"+", op_add, I(1), I(2), "Integer 3"},
      {"+", op_add, I(32767), I(1), "Long 32768"},
      {"+", op_add, L(2147483647), L(1), "Double 2147483648"},
      {"+", op_add, Y(200), Y(55), "Byte 255"},
      {"+", op_add, Y(200), Y(100), "Integer 300"},
      {"+", op_add, B(true), B(true), "Integer -2"},
      {"+", op_add, I(1), F(1.5f), "Single 2.5"},
      {"+", op_add, L(1), F(1.5f), "Double 2.5"},
      {"+", op_add, I(1), C(1.25), "Currency 2.25"},
      {"+", op_add, D(0.5), C(1.25), "Currency 1.75"},
      {"+", op_add, DT(2000, 1, 1), I(1), "Date 1/2/2000"},
      // + with strings and Empty
      {"+", op_add, S("1"), I(2), "Double 3"},
      {"+", op_add, S("a"), S("b"), "String ab"},
      {"+", op_add, S("a"), Variant(), "String a"},
      {"+", op_add, Variant(), Variant(), "Integer 0"},
      {"+", op_add, Variant(), Y(7), "Byte 7"},
      {"+", op_add, S("x"), I(1), "error 13"},
      {"+", op_add, Null(), I(1), "Null"},
      {"+", op_add, D(1e308), D(1e308), "error 6"},
      // - and *
      {"-", op_sub, I(-32768), I(1), "Long -32769"},
      {"-", op_sub, Y(1), Y(2), "Integer -1"},
      {"-", op_sub, DT(2000, 1, 3), DT(2000, 1, 1), "Double 2"},
      {"-", op_sub, DT(2000, 1, 3), I(2), "Date 1/1/2000"},
      {"-", op_sub, S("5"), S("2"), "Double 3"},
      {"*", op_mul, I(300), I(300), "Long 90000"},
      {"*", op_mul, C(1.5), I(3), "Currency 4.5"},
      {"*", op_mul, C(1.5), D(2), "Double 3"},
      {"*", op_mul, F(2), F(3), "Single 6"},
      {"*", op_mul, Variant(), I(5), "Integer 0"},
      // / \ Mod ^
      {"/", op_div, I(1), I(2), "Double 0.5"},
      {"/", op_div, I(1), I(0), "error 11"},
      {"/", op_div, I(0), I(0), "error 6"},
      {"/", op_div, Null(), I(0), "Null"},
      {"\\", op_idiv, I(7), I(2), "Integer 3"},
      {"\\", op_idiv, D(7.5), I(2), "Long 4"},   // 7.5 rounds to 8
      {"\\", op_idiv, D(6.5), I(2), "Long 3"},   // 6.5 rounds to 6
      {"\\", op_idiv, Y(9), Y(2), "Byte 4"},
      {"\\", op_idiv, I(-32768), I(-1), "Long 32768"},
      {"\\", op_idiv, I(1), Variant(), "error 11"},
      {"\\", op_idiv, D(3e10), I(1), "error 6"},
      {"Mod", op_mod, I(-7), I(3), "Integer -1"},
      {"Mod", op_mod, D(5.5), I(4), "Long 2"},
      {"Mod", op_mod, I(5), I(0), "error 11"},
      {"^", op_pow, I(2), I(10), "Double 1024"},
      {"^", op_pow, I(-8), D(1.0 / 3), "error 5"},
      {"^", op_pow, I(0), I(-1), "error 11"},
      // &
      {"&", op_concat, I(1), S("a"), "String 1a"},
      {"&", op_concat, Null(), S("a"), "String a"},
      {"&", op_concat, Null(), Null(), "Null"},
      {"&", op_concat, B(true), Variant(), "String True"},
  };
  for (const auto& c : cases) EXPECT_EQ(run(c), c.expected) << show(c.a) << " " << c.op << " " << show(c.b);
}

TEST(LibOperators, LogicWithNullAndSubtypes) {
  const BinCase cases[] = {
      {"And", op_and, B(true), B(false), "Boolean False"},
      {"And", op_and, I(12), I(10), "Integer 8"},
      {"And", op_and, B(true), I(6), "Integer 6"},
      {"And", op_and, Y(12), Y(10), "Byte 8"},
      {"And", op_and, D(3.6), I(7), "Long 4"},
      {"And", op_and, Null(), B(false), "Boolean False"},
      {"And", op_and, B(false), Null(), "Boolean False"},
      {"And", op_and, Null(), B(true), "Null"},
      {"And", op_and, Null(), I(0), "Integer 0"},
      {"Or", op_or, Null(), B(true), "Boolean True"},
      {"Or", op_or, Null(), B(false), "Null"},
      {"Or", op_or, I(12), I(3), "Integer 15"},
      {"Xor", op_xor, B(true), B(true), "Boolean False"},
      {"Xor", op_xor, Null(), B(true), "Null"},
      {"Eqv", op_eqv, B(false), B(false), "Boolean True"},
      {"Imp", op_imp, B(true), B(false), "Boolean False"},
      {"Imp", op_imp, B(false), Null(), "Boolean True"},
      {"Imp", op_imp, Null(), B(true), "Boolean True"},
      {"Imp", op_imp, Null(), B(false), "Null"},
      {"And", op_and, S("x"), B(true), "error 13"},
  };
  for (const auto& c : cases) EXPECT_EQ(run(c), c.expected) << show(c.a) << " " << c.op << " " << show(c.b);
}

TEST(LibOperators, UnaryOperators) {
  const std::pair<Variant, std::string> neg[] = {
      {I(5), "Integer -5"},       {I(-32768), "Long 32768"}, {Y(5), "Integer -5"},
      {B(true), "Integer 1"},     {Variant(), "Integer 0"},  {S("2.5"), "Double -2.5"},
      {C(1.5), "Currency -1.5"},  {Null(), "Null"},
  };
  for (const auto& [v, want] : neg) EXPECT_EQ(show(op_neg(v)), want) << show(v);
  const std::pair<Variant, std::string> nots[] = {
      {B(true), "Boolean False"}, {I(0), "Integer -1"}, {Y(1), "Byte 254"},
      {D(1.4), "Long -2"},        {Variant(), "Long -1"},    {Null(), "Null"},
  };
  for (const auto& [v, want] : nots) EXPECT_EQ(show(op_not(v)), want) << show(v);
}

TEST(LibOperators, ComparisonsGiveBooleanOrNull) {
  EXPECT_EQ(show(op_eq(I(1), D(1.0))), "Boolean True");
  EXPECT_EQ(show(op_lt(S("a"), S("b"))), "Boolean True");
  EXPECT_EQ(show(op_eq(S("ABC"), S("abc"))), "Boolean False");
  EXPECT_EQ(show(op_eq(S("ABC"), S("abc"), vb::CompareMode::Text)), "Boolean True");
  EXPECT_EQ(show(op_ge(Null(), I(1))), "Null");
  EXPECT_EQ(show(op_ne(Variant(), I(0))), "Boolean False");
}

TEST(LibOperators, ConcatInPlaceAppends) {
  Variant acc("a");
  op_concat_inplace(acc, S("b"));
  op_concat_inplace(acc, I(1));
  op_concat_inplace(acc, Null());
  EXPECT_EQ(show(acc), "String ab1");
  Variant empty;
  op_concat_inplace(empty, Null());
  EXPECT_EQ(show(empty), "String ");
  Variant null = Null();
  op_concat_inplace(null, Null());
  EXPECT_TRUE(null.is_null());
}

}  // namespace
}  // namespace tolvex::vbscript::test
