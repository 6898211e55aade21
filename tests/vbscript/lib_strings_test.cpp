#include "lib_support.h"

namespace tolvex::vbscript::test {
namespace {

TEST(LibStrings, LengthsAndSlicesCountCharacters) {
  check_calls({
      {"Len", {S("héllo")}, "Long 5"},
      {"Len", {I(123)}, "Long 3"},
      {"Len", {Variant()}, "Long 0"},
      {"Len", {Null()}, "Null"},
      // Invalid UTF-8 bytes count as one character each, from the front and from the back.
      {"Len", {S("a\xFF" "b\xC3\xA9\xA9")}, "Long 5"},
      {"Right", {S("a\xC3\xA9\xA9"), I(2)}, "String \xC3\xA9\xA9"},
      {"Mid", {S("\xFF" "abc"), I(2), I(2)}, "String ab"},
      {"Right", {S("0123456789abcdefghij€"), I(12)}, "String 9abcdefghij€"},
      {"Left", {S("日本語テキスト"), I(2)}, "String 日本"},
      {"Left", {S("abc"), I(10)}, "String abc"},
      {"Left", {Null(), I(1)}, "Null"},
      {"Left", {S("abc"), I(-1)}, "error 5"},
      {"Left", {S("abc"), Null()}, "error 94"},
      {"Right", {S("grüße"), I(3)}, "String üße"},
      {"Mid", {S("grüße"), I(3), I(2)}, "String üß"},
      {"Mid", {S("abc"), I(2)}, "String bc"},
      {"Mid", {S("abc"), I(5)}, "String "},
      {"Mid", {S("abc"), I(0)}, "error 5"},
      {"Mid", {Null(), I(1)}, "Null"},
      {"Trim", {S("  a b  ")}, "String a b"},
      {"LTrim", {S("  a ")}, "String a "},
      {"RTrim", {S(" a  ")}, "String  a"},
      {"Trim", {S("\ta\t")}, "String \ta\t"},
      {"Space", {I(3)}, "String    "},
      {"Space", {I(-1)}, "error 5"},
      {"Space", {L(2000000000)}, "error 14"},
      {"String", {L(2000000000), S("x")}, "error 14"},
      {"String", {I(3), S("xyz")}, "String xxx"},
      {"String", {I(2), I(65 + 256)}, "String AA"},
      {"String", {I(2), S("é")}, "String éé"},
      {"String", {I(2), S("")}, "error 5"},
      {"StrReverse", {S("abç")}, "String çba"},
      {"StrReverse", {Null()}, "error 94"},
      {"UCase", {S("straße ä")}, "String STRAßE Ä"},
      {"LCase", {S("ÄBC")}, "String äbc"},
      {"UCase", {Null()}, "Null"},
  });
}

TEST(LibStrings, SearchAndReplace) {
  check_calls({
      {"InStr", {S("abcabc"), S("c")}, "Long 3"},
      {"InStr", {I(4), S("abcabc"), S("c")}, "Long 6"},
      {"InStr", {I(1), S("ABC"), S("b"), I(1)}, "Long 2"},
      {"InStr", {I(1), S("ABC"), S("b"), I(0)}, "Long 0"},
      {"InStr", {S("naïve naïve"), S("ve")}, "Long 4"},
      {"InStr", {I(5), S("naïve naïve"), S("ï")}, "Long 9"},
      {"InStr", {I(1), S("ÀB"), S("àb"), I(1)}, "Long 1"},
      {"InStr", {S("abc"), S("")}, "Long 1"},
      {"InStr", {S(""), S("a")}, "Long 0"},
      {"InStr", {I(9), S("abc"), S("a")}, "Long 0"},
      {"InStr", {I(0), S("abc"), S("a")}, "error 5"},
      {"InStr", {Null(), S("abc"), S("a")}, "error 94"},
      {"InStr", {S("abc"), Null()}, "Null"},
      {"InStrRev", {S("abcabc"), S("b")}, "Long 5"},
      {"InStrRev", {S("abcabc"), S("b"), I(4)}, "Long 2"},
      {"InStrRev", {S("abcabc"), S("bc"), I(2)}, "Long 0"},
      {"InStrRev", {S("äxäx"), S("ä")}, "Long 3"},
      {"InStrRev", {S("ABab"), S("A"), I(-1), I(1)}, "Long 3"},
      {"InStrRev", {S("abc"), S("a"), I(0)}, "error 5"},
      {"Replace", {S("a-b-c"), S("-"), S("+")}, "String a+b+c"},
      {"Replace", {S("a-b-c"), S("-"), S("+"), I(2)}, "String +b+c"},
      {"Replace", {S("a-b-c"), S("-"), S(""), I(1), I(1)}, "String ab-c"},
      {"Replace", {S("aXbxc"), S("x"), S("_"), I(1), I(-1), I(1)}, "String a_b_c"},
      {"Replace", {S("ÄäÄ"), S("ä"), S("o"), I(1), I(-1), I(1)}, "String ooo"},
      {"Replace", {S("über"), S("ü"), S("ue")}, "String ueber"},
      {"Replace", {S("abc"), S(""), S("x")}, "String abc"},
      {"Replace", {S("abc"), S("b"), S("x"), I(9)}, "String "},
      {"Replace", {Null(), S("a"), S("b")}, "error 94"},
      {"Replace", {S("abc"), S("a"), S("b"), I(0)}, "error 5"},
      {"StrComp", {S("a"), S("B")}, "Integer 1"},
      {"StrComp", {S("a"), S("B"), I(1)}, "Integer -1"},
      {"StrComp", {S("abc"), S("ABC"), I(1)}, "Integer 0"},
      {"StrComp", {S("a"), Null()}, "Null"},
      {"StrComp", {S("a"), S("b"), I(7)}, "error 5"},
  });
}

std::string times(std::string_view unit, size_t n) {
  std::string out;
  out.reserve(unit.size() * n);
  for (size_t i = 0; i < n; ++i) out += unit;
  return out;
}

// Long texts are walked, searched and compared a piece at a time (about a megabyte, or
// fewer starts for a long key): the answers are those of one pass, also where a match, a
// character or a difference lies across two pieces.
TEST(LibStrings, LongTextsAnswerAsShortOnes) {
  const std::string e = "\xC3\xA9", E = "\xC3\x89";                   // é É
  const std::string sharp = "\xC3\x9F", SHARP = "\xE1\xBA\x9E";  // ß and its capital, a byte longer
  const std::string ee = times(e, 700000), EE = times(E, 700000);  // 1.4 MB each
  // Keys of 100,000 characters: a piece tries only 167 starts.
  const std::string hay = std::string(1000000, 'x') + "y" + std::string(1000000, 'x');
  const std::string key = "y" + std::string(99999, 'x'), KEY = "Y" + std::string(99999, 'X');
  const std::string uhay = ee + "q" + ee, ukey = "Q" + times(E, 99999);
  auto V = [](const std::string& text) { return Variant(text); };
  check_calls({
      {"InStr", {V(hay), V(key)}, "Long 1000001"},
      {"InStr", {L(1000002), V(hay), V(key)}, "Long 0"},
      {"InStr", {L(1), V(hay), V(KEY), I(1)}, "Long 1000001"},
      {"InStr", {L(1), V(uhay), V(ukey), I(1)}, "Long 700001"},
      {"InStr", {L(700002), V(uhay), V(ukey), I(1)}, "Long 0"},
      {"InStr", {L(700000), V(uhay), S("q")}, "Long 700001"},
      {"InStrRev", {V(hay), V(key)}, "Long 1000001"},
      {"InStrRev", {V(hay), V(key), L(1099999)}, "Long 0"},
      {"InStrRev", {V(hay), V(key), L(1100000)}, "Long 1000001"},
      {"InStrRev", {V(hay), V(KEY), L(-1), I(1)}, "Long 1000001"},
      {"InStrRev", {V(uhay), V(ukey), L(-1), I(1)}, "Long 700001"},
      {"InStrRev", {V(uhay), S("q"), L(800000)}, "Long 700001"},
      {"Len", {V(ee + "a")}, "Long 700001"},
      {"Mid", {V(ee + "za"), L(700001), L(1)}, "String z"},
      {"Replace", {V(ee + "q"), S("q"), S("r"), L(700001)}, "String r"},
      {"StrComp", {V(ee + "a"), V(EE + "A"), I(1)}, "Integer 0"},
      {"StrComp", {V(ee + "a"), V(EE + "B"), I(1)}, "Integer -1"},
      {"StrComp", {V(ee + "b"), V(EE + "A"), I(1)}, "Integer 1"},
      {"StrComp", {V(ee), V(EE + e), I(1)}, "Integer -1"},
      {"StrComp", {V(ee + "b"), V(EE + "A")}, "Integer 1"},
      // One character each side per step, whatever the length of its bytes.
      {"StrComp", {V(times(sharp, 600000) + "a"), V(times(SHARP, 600000) + "A"), I(1)}, "Integer 0"},
      {"StrComp", {V(times(sharp, 600000) + "a"), V(times(SHARP, 600000) + "b"), I(1)}, "Integer -1"},
  });
  const Variant tail = call("Right", {V("z" + ee), L(700000)});
  EXPECT_EQ(tail.raw_string(), ee);
  const Variant head = call("Left", {V(ee + "z"), L(700000)});
  EXPECT_EQ(head.raw_string(), ee);
  EXPECT_EQ(call("LCase", {V(EE)}).raw_string(), ee);
  EXPECT_EQ(call("UCase", {V(hay)}).raw_string(), std::string(1000000, 'X') + "Y" + std::string(1000000, 'X'));
}

std::string joined(const Variant& arr) {
  if (!arr.is_array()) return "not an array";
  std::string out = std::to_string(arr.raw_array().ubound(1)) + ":";
  for (const auto& e : arr.raw_array().data()) out += "[" + vb::to_string(e) + "]";
  return out;
}

TEST(LibStrings, SplitJoinFilter) {
  struct SplitCase {
    std::vector<Variant> args;
    std::string expected;
  } cases[] = {
      {{S("a b  c")}, "3:[a][b][][c]"},
      {{S("a,b,c"), S(",")}, "2:[a][b][c]"},
      {{S("a,b,c"), S(","), I(2)}, "1:[a][b,c]"},
      {{S("aXbxc"), S("x"), I(-1), I(1)}, "2:[a][b][c]"},
      {{S("aXbxc"), S("x")}, "1:[aXb][c]"},
      {{S("")}, "-1:"},
      {{S("abc"), S("")}, "0:[abc]"},
      {{S("é|ü"), S("|")}, "1:[é][ü]"},
  };
  for (const auto& c : cases) {
    Variant r = call("Split", c.args);
    EXPECT_EQ(joined(r), c.expected) << show(c.args[0]);
    EXPECT_EQ(r.vartype(), uint16_t(VarType::Array) | uint16_t(VarType::String));
  }
  Variant list = Variant::array({S("x"), I(1), Variant(), B(true)});
  EXPECT_EQ(show(call("Join", {list})), "String x 1  True");
  EXPECT_EQ(show(call("Join", {list, S("")})), "String x1True");
  EXPECT_EQ(error_of([] { call("Join", {S("abc")}); }), vb::err::kTypeMismatch);

  Variant words = Variant::array({S("Apple"), S("banana"), S("apricot")});
  EXPECT_EQ(joined(call("Filter", {words, S("ap")})), "0:[apricot]");
  EXPECT_EQ(joined(call("Filter", {words, S("ap"), B(true), I(1)})), "1:[Apple][apricot]");
  EXPECT_EQ(joined(call("Filter", {words, S("ap"), B(false), I(1)})), "0:[banana]");
  EXPECT_EQ(joined(call("Filter", {words, S("zz")})), "-1:");
}

TEST(LibStrings, CharacterCodes) {
  check_calls({
      {"Asc", {S("A")}, "Integer 65"},
      {"Asc", {S("€uro")}, "Integer 128"},
      {"Asc", {S("é")}, "Integer 233"},
      {"Asc", {S("")}, "error 5"},
      {"Asc", {Null()}, "error 94"},
      {"AscW", {S("€")}, "Integer 8364"},
      {"AscW", {S("\xEF\xBF\xBF")}, "Integer -1"},
      {"Chr", {I(65)}, "String A"},
      {"Chr", {I(128)}, "String €"},
      {"Chr", {I(256)}, "error 5"},
      {"ChrW", {I(8364)}, "String €"},
      {"ChrW", {L(-1)}, "String \xEF\xBF\xBF"},
      {"ChrW", {L(65536)}, "error 5"},
      {"Hex", {I(255)}, "String FF"},
      {"Hex", {I(-1)}, "String FFFF"},
      {"Hex", {L(-1)}, "String FFFFFFFF"},
      {"Hex", {D(10.5)}, "String A"},
      {"Hex", {Null()}, "Null"},
      {"Hex", {Variant()}, "String 0"},
      {"Oct", {I(8)}, "String 10"},
      {"Oct", {I(-1)}, "String 177777"},
      {"Escape", {S("a b+c/é€")}, "String a%20b+c/%E9%u20AC"},
      {"Unescape", {S("a%20b%E9%u20AC%zz")}, "String a bé€%zz"},
      {"Unescape", {S("%uD83D%uDE00")}, "String \xF0\x9F\x98\x80"},
      {"Escape", {S("\xF0\x9F\x98\x80")}, "String %uD83D%uDE00"},
  });
  EXPECT_EQ(call("Chr", {I(0)}).raw_string(), std::string(1, '\0'));
}

}  // namespace
}  // namespace tolvex::vbscript::test
