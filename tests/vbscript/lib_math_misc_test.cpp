#include "lib_support.h"

namespace tolvex::vbscript::test {
namespace {

TEST(LibMath, RoundingKeepsSubtypes) {
  check_calls({
      {"Round", {D(2.5)}, "Double 2"},
      {"Round", {D(3.5)}, "Double 4"},
      {"Round", {D(-2.5)}, "Double -2"},
      {"Round", {D(1.2345), I(2)}, "Double 1.23"},
      {"Round", {D(1.2355), I(3)}, "Double 1.236"},
      {"Round", {F(2.5f)}, "Single 2"},
      {"Round", {C(1.125), I(2)}, "Currency 1.12"},
      {"Round", {C(1.135), I(2)}, "Currency 1.14"},
      {"Round", {I(7)}, "Integer 7"},
      {"Round", {S("2.5")}, "Double 2"},
      {"Round", {Null()}, "Null"},
      {"Round", {D(1.5), I(-1)}, "error 5"},
      {"Int", {D(-1.5)}, "Double -2"},
      {"Fix", {D(-1.5)}, "Double -1"},
      {"Int", {C(-1.5)}, "Currency -2"},
      {"Fix", {C(-1.5)}, "Currency -1"},
      {"Int", {B(true)}, "Integer -1"},
      {"Int", {Variant()}, "Integer 0"},
      {"Fix", {Null()}, "Null"},
      {"Int", {S("x")}, "error 13"},
      {"Abs", {I(-5)}, "Integer 5"},
      {"Abs", {I(-32768)}, "Long 32768"},
      {"Abs", {D(-1.5)}, "Double 1.5"},
      {"Abs", {Null()}, "Null"},
      {"Sgn", {D(-0.1)}, "Integer -1"},
      {"Sgn", {I(0)}, "Integer 0"},
      {"Sqr", {I(16)}, "Double 4"},
      {"Sqr", {I(-1)}, "error 5"},
      {"Sqr", {Null()}, "error 94"},
      {"Log", {I(0)}, "error 5"},
      {"Exp", {I(1000)}, "error 6"},
      {"Atn", {I(0)}, "Double 0"},
  });
}

TEST(LibMath, RndFollowsTheLanguageSequence) {
  RuntimeEnv env;
  EXPECT_FLOAT_EQ(call(env, "Rnd", {}).raw_single(), 0.7055475f);  // the first value of a fresh engine
  float a = call(env, "Rnd", {}).raw_single();
  EXPECT_EQ(call(env, "Rnd", {I(0)}).raw_single(), a);  // Rnd(0) repeats the last value
  EXPECT_FLOAT_EQ(call(env, "Rnd", {I(-1)}).raw_single(), 0.224007f);
  float b = call(env, "Rnd", {}).raw_single();
  EXPECT_EQ(call(env, "Rnd", {I(-1)}).raw_single(), 0.22400701f);  // a negative number reseeds
  EXPECT_EQ(call(env, "Rnd", {}).raw_single(), b);
  // Rnd(-1) followed by Randomize n repeats a sequence whatever came before.
  call(env, "Rnd", {I(-1)});
  call(env, "Randomize", {I(42)});
  float c = call(env, "Rnd", {}).raw_single();
  RuntimeEnv other;
  call(other, "Rnd", {I(-1)});
  call(other, "Randomize", {I(42)});
  EXPECT_EQ(call(other, "Rnd", {}).raw_single(), c);
  EXPECT_GE(c, 0.0f);
  EXPECT_LT(c, 1.0f);
}

TEST(LibMisc, TypesAndTests) {
  Variant arr = Variant::array({I(1), I(2), I(3)});
  check_calls({
      {"VarType", {I(1)}, "Integer 2"},
      {"VarType", {S("a")}, "Integer 8"},
      {"VarType", {arr}, "Integer 8204"},
      {"VarType", {Null()}, "Integer 1"},
      {"TypeName", {C(1)}, "String Currency"},
      {"TypeName", {arr}, "String Variant()"},
      {"IsEmpty", {Variant()}, "Boolean True"},
      {"IsNull", {Variant()}, "Boolean False"},
      {"IsArray", {arr}, "Boolean True"},
      {"IsNumeric", {S(" 12.5 ")}, "Boolean True"},
      {"IsNumeric", {S("12a")}, "Boolean False"},
      {"IsDate", {S("1/2/2003")}, "Boolean True"},
      {"IsDate", {S("hello")}, "Boolean False"},
      {"CInt", {D(2.5)}, "Integer 2"},
      {"CLng", {S("3.5")}, "Long 4"},
      {"CStr", {B(false)}, "String False"},
      {"CStr", {Null()}, "error 94"},
      {"CByte", {I(256)}, "error 6"},
      {"CBool", {S("abc")}, "error 13"},
      {"UBound", {arr}, "Long 2"},
      {"LBound", {arr}, "Long 0"},
      {"UBound", {arr, I(2)}, "error 9"},
      {"UBound", {S("x")}, "error 13"},
      {"UBound", {call("Split", {S("")})}, "Long -1"},
      {"RGB", {I(1), I(2), I(300)}, "Long 16712193"},
      {"ScriptEngine", {}, "String VBScript"},
  });
  Variant two_d(vb::make_ref<vb::Array>(VarType::Variant, std::vector<vb::Array::Bound>{{1, 3}, {-2, 5}}));
  EXPECT_EQ(call("UBound", {two_d, I(2)}).raw_long(), 2);
  EXPECT_EQ(call("LBound", {two_d, I(2)}).raw_long(), -2);
  Variant made = call("Array", {I(1), S("b")});
  EXPECT_EQ(made.vartype(), uint16_t(VarType::Array) | uint16_t(VarType::Variant));
  EXPECT_EQ(made.raw_array().ubound(1), 1);
  EXPECT_EQ(call("UBound", {call("Array", {})}).raw_long(), -1);
}

TEST(LibMisc, LookupsIgnoreCaseAndConstantsKeepTheirSubtypes) {
  ASSERT_NE(find_builtin("instr"), nullptr);
  EXPECT_EQ(find_builtin("INSTR"), find_builtin("InStr"));
  EXPECT_EQ(find_builtin("NoSuchThing"), nullptr);
  const std::pair<const char*, std::string> constants[] = {
      {"vbCrLf", "String \r\n"},       {"VBTEXTCOMPARE", "Integer 1"}, {"vbSunday", "Integer 1"},
      {"vbYesNo", "Integer 4"},        {"vbString", "Integer 8"},       {"vbArray", "Integer 8192"},
      {"vbUseDefault", "Integer -2"},  {"vbTrue", "Integer -1"},        {"vbLongTime", "Integer 3"},
      {"vbObjectError", "Long -2147221504"}, {"vbWhite", "Long 16777215"}, {"vbFirstFourDays", "Integer 2"},
      {"vbNullString", "String "},     {"vbTab", "String \t"},
  };
  for (const auto& [name, want] : constants) {
    const Variant* v = find_constant(name);
    ASSERT_NE(v, nullptr) << name;
    EXPECT_EQ(show(*v), want) << name;
  }
  EXPECT_EQ(find_constant("vbNullChar")->raw_string(), std::string(1, '\0'));
  EXPECT_EQ(find_constant("vbNope"), nullptr);
}

class RecordingUi : public HostUi {
 public:
  int msg_box(const std::string& prompt, int buttons, const std::string& title) override {
    log += "msg[" + prompt + "|" + std::to_string(buttons) + "|" + title + "]";
    return 6;  // vbYes
  }
  std::optional<std::string> input_box(const std::string& prompt, const std::string& title,
                                       const std::string& def) override {
    log += "input[" + prompt + "|" + title + "|" + def + "]";
    return def + "!";
  }
  std::string log;
};

TEST(LibMisc, DialogsGoThroughTheHostUi) {
  RuntimeEnv env;
  EXPECT_EQ(call(env, "MsgBox", {S("hi")}).raw_integer(), 1);  // non-interactive: OK
  EXPECT_EQ(show(call(env, "InputBox", {S("name?")})), "String ");  // cancelled
  RecordingUi ui;
  env.ui = &ui;
  EXPECT_EQ(call(env, "MsgBox", {S("Save?"), I(36), S("Editor")}).raw_integer(), 6);
  EXPECT_EQ(show(call(env, "InputBox", {S("Name"), S("T"), S("x")})), "String x!");
  EXPECT_EQ(ui.log, "msg[Save?|36|Editor]input[Name|T|x]");
}

TEST(LibMisc, LocaleIsEnglishUnitedStates) {
  RuntimeEnv env;
  EXPECT_EQ(call(env, "GetLocale", {}).raw_long(), 1033);
  EXPECT_EQ(call(env, "SetLocale", {L(1031)}).raw_long(), 1033);
  EXPECT_EQ(call(env, "GetLocale", {}).raw_long(), 1031);
  EXPECT_EQ(call(env, "SetLocale", {S("en-us")}).raw_long(), 1031);
  EXPECT_EQ(call(env, "GetLocale", {}).raw_long(), 1033);
  EXPECT_EQ(error_of([&] { call(env, "SetLocale", {S("xx-nope")}); }), vb::err::kInvalidProcedureCall);
  // Formatting stays in the one locale-independent form.
  call(env, "SetLocale", {L(1031)});
  EXPECT_EQ(vb::to_string(call(env, "FormatNumber", {D(1234.5)})), "1,234.50");
}

}  // namespace
}  // namespace tolvex::vbscript::test
