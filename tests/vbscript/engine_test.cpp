// The engine's host interface: modules, code, procedures, errors with positions, time-outs.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/vb_test_util.h"
#include "vbscript/engine.h"

using namespace tolvex;
using namespace tolvex::vbscript;
using vb::Variant;

namespace {

// Guards against a stop that never comes; how soon a stop comes is measured by bench/vbscript.
constexpr auto kHangGuard = std::chrono::minutes(1);

ScriptError add_code_error(ScriptEngine& e, const std::string& code, std::string_view module = "Global") {
  try {
    e.add_code(code, module);
  } catch (const ScriptException& ex) {
    EXPECT_EQ(ex.info().number, e.error().number);
    return ex.info();
  }
  return {};
}

TEST(Engine, AddCodeDefinesThenRunsAndProceduresAreListedInOrder) {
  ScriptEngine e;
  EXPECT_EQ(e.language(), "VBScript");
  e.add_code("Dim counter\r\ncounter = Twice(2)\r\nFunction Twice(x)\r\n Twice = x * 2\r\nEnd Function\r\n"
             "Sub Bump(ByRef v)\r\n v = v + counter\r\nEnd Sub\r\n");
  EXPECT_EQ(vb::to_long(e.eval("counter")), 4);
  auto procs = e.procedures();
  ASSERT_EQ(procs.size(), 2u);
  EXPECT_EQ(procs[0].name, "Twice");
  EXPECT_TRUE(procs[0].has_return_value());
  EXPECT_EQ(procs[0].arg_count, 1);
  EXPECT_EQ(procs[1].name, "Bump");
  EXPECT_FALSE(procs[1].has_return_value());

  Variant args[1] = {Variant(int16_t(1))};
  e.run("Bump", args);
  EXPECT_EQ(vb::to_long(args[0]), 5) << "arguments of Run are passed by reference";
  Variant r[1] = {Variant(int16_t(21))};
  EXPECT_EQ(vb::to_long(e.run("Twice", r)), 42);

  // A later chunk replaces a procedure and keeps its place in the list.
  e.add_code("Function Twice(x)\nTwice = x * 3\nEnd Function\n");
  EXPECT_EQ(vb::to_long(e.run("Twice", r)), 63);
  EXPECT_EQ(e.procedures().front().name, "Twice");
  EXPECT_EQ(e.procedures().size(), 2u);
}

TEST(Engine, SyntaxErrorDefinesNothingAndReportsPosition) {
  struct Case {
    std::string code;
    int32_t number;
    int line;
    int column;
    std::string text;
  };
  const Case cases[] = {
      {"Function Good()\nEnd Function\nx = (1 + \n", 1023, 3, 9, "x = (1 + "},
      {"Sub A()\r\n  If x Then\r\n  End Sub\r\n", 1012, 3, 6, "  End Sub"},
      {"Dim F\nSub F()\nEnd Sub\n", 1041, 2, 0, "Sub F()"},
      {"x = \"open\n", 1033, 1, 4, "x = \"open"},
      {"Function Good()\rEnd Function\rFoo 1, 2)\r", 1025, 3, 8, "Foo 1, 2)"},
      {"y = 1 $ 2", 1032, 1, 6, "y = 1 $ 2"},
      {"Call f(1,\n2)", 1023, 1, 9, "Call f(1,"},
      {"Foo(1, 2)", 1044, 1, 3, "Foo(1, 2)"},
      {"For i = 1 To 2\nExit Do\nNext", 1039, 2, 0, "Exit Do"},
      {"Dim a, a", 1041, 1, 7, "Dim a, a"},
      {"x = 1\nOption Explicit\n", 1024, 2, 0, "Option Explicit"},
      {"Loop\n", 1038, 1, 0, "Loop"},
      {"Sub S()\n  Next\nEnd Sub\n", 1055, 2, 2, "  Next"},
  };
  for (const auto& c : cases) {
    ScriptEngine e;
    ScriptError err = add_code_error(e, c.code);
    EXPECT_EQ(err.number, c.number) << c.code;
    EXPECT_TRUE(err.syntax) << c.code;
    EXPECT_EQ(err.line, c.line) << c.code;
    EXPECT_EQ(err.column, c.column) << c.code;
    EXPECT_EQ(err.text, c.text) << c.code;
    EXPECT_TRUE(e.procedures().empty()) << "nothing is defined: " << c.code;
  }
}

TEST(Engine, RuntimeErrorReportsTheInnermostStatement) {
  ScriptEngine e;
  e.add_code("Function Outer()\n  Outer = Inner(0)\nEnd Function\nFunction Inner(d)\n  x = 1\n  Inner = 1 / d\nEnd Function\n");
  try {
    e.run("Outer");
    FAIL() << "no error";
  } catch (const ScriptException& ex) {
    EXPECT_EQ(ex.info().number, 11);
    EXPECT_EQ(ex.info().description, "Division by zero");
    EXPECT_EQ(ex.info().line, 6);
    EXPECT_EQ(ex.info().text, "  Inner = 1 / d");
    EXPECT_FALSE(ex.info().syntax);
  }
  EXPECT_EQ(e.error().line, 6);
  // The error of a chunk's own code is counted from that chunk's first line.
  ScriptError err = add_code_error(e, "a = 1\nb = CLng(\"x\")\n");
  EXPECT_EQ(err.number, 13);
  EXPECT_EQ(err.line, 2);
  // The message of an error that stops the script names what failed (Err.Description
  // under Resume Next does not).
  err = add_code_error(e, "Set o = Nothing\no.Foo\n");
  EXPECT_EQ(err.description, "Object required: 'o'");
  EXPECT_EQ(err.source, "Microsoft VBScript runtime error");
  err = add_code_error(e, "x = (");
  EXPECT_EQ(err.source, "Microsoft VBScript compilation error");
}

TEST(Engine, ModulesHaveTheirOwnGlobalsAndSeeGlobalModule) {
  ScriptEngine e;
  e.add_module("System");
  EXPECT_TRUE(e.has_module("system"));
  e.add_code("Dim shared\nshared = \"global\"\nFunction G()\nG = \"g\"\nEnd Function\n");
  e.add_code("Dim own\nown = 1\nFunction S()\nS = G() & shared & own\nEnd Function\n", "System");
  EXPECT_EQ(vb::to_string(e.run("S", {}, "System")), "gglobal1");
  EXPECT_TRUE(vb::to_string(e.eval("TypeName(own)")) == "Empty") << "module globals stay in their module";
  EXPECT_EQ(e.procedures("System").size(), 1u);
  EXPECT_THROW(e.run("S"), ScriptException);
  EXPECT_EQ(e.error().number, 35);
}

TEST(Engine, ResetDropsEverything) {
  ScriptEngine e;
  e.add_code("Function F()\nF = 1\nEnd Function\nDim v\nv = 5");
  e.add_module("Other");
  e.reset();
  EXPECT_TRUE(e.procedures().empty());
  EXPECT_FALSE(e.has_module("Other"));
  EXPECT_TRUE(e.eval("IsEmpty(v)").raw_bool());
}

TEST(Engine, TimeoutStopsEvenUnderResumeNext) {
  ScriptEngine e;
  e.set_timeout(50);
  e.add_code("Sub Spin()\nOn Error Resume Next\nDo\nx = x + 1\nLoop\nEnd Sub\n"
             "Function Quick()\nQuick = 1\nEnd Function\n");
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(e.run("Spin"), ScriptException);
  EXPECT_EQ(e.error().number, kErrTimeout);
  EXPECT_EQ(e.error().line, 4) << "the statement that was running";
  EXPECT_EQ(e.error().text, "x = x + 1");
  EXPECT_LT(std::chrono::steady_clock::now() - start, kHangGuard);
  // The next run gets its own time.
  EXPECT_EQ(vb::to_long(e.run("Quick")), 1);
  e.set_timeout(0);
  EXPECT_EQ(vb::to_long(e.run("Quick")), 1);
}

// Code that never ends by itself, each case somewhere else that a stop must reach.
const char* const kRunaway[] = {
    // inside Execute text, itself under Resume Next in a loop
    "On Error Resume Next\nDo\n  Execute \"On Error Resume Next : Do : Loop\"\nLoop\n",
    // errors raised and swallowed on every pass
    "Sub S()\n  On Error Resume Next\n  Do\n    x = Eval(\"1 / 0\")\n  Loop\nEnd Sub\nS\n",
    // a Class_Terminate that never ends, run as the procedure's local goes
    "Class T\n  Private Sub Class_Terminate()\n    Do\n    Loop\n  End Sub\nEnd Class\n"
    "Sub Go()\n  Dim x\n  Set x = New T\nEnd Sub\nOn Error Resume Next\nGo\n",
    // ... and as the last reference goes in the middle of a loop
    "Class T\n  Private Sub Class_Terminate()\n    While True\n    Wend\n  End Sub\nEnd Class\n"
    "On Error Resume Next\nFor i = 1 To 3\n  Set x = New T\n  Set x = Nothing\nNext\n",
    // passes so slow that a few of them outlast the time-out
    "s = String(20000000, \"x\")\nFor i = 1 To 100000\n  t = Replace(s, \"x\", \"y\")\nNext\n",
    "On Error Resume Next\ns = String(40000000, \"x\")\nFor i = 1 To 100000\n  t = s & s : x = 1 / 0\nNext\n",
    // ... after many quick ones
    "s = String(20000000, \"x\")\nFor i = 1 To 100000\n  If i > 1100 Then t = Replace(s, \"x\", \"y\")\nNext\n",
};

TEST(Engine, TimeoutStopsRunawayCodeWhereverItRuns) {
  for (const char* code : kRunaway) {
    ScriptEngine e;
    e.set_timeout(50);
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(e.add_code(code), ScriptException) << code;
    EXPECT_EQ(e.error().number, kErrTimeout) << code;
    EXPECT_GT(e.error().line, 0) << code;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangGuard) << code;
    e.set_timeout(0);
  }
}

TEST(Engine, CancelFlagStopsRunawayCodeWhereverItRuns) {
  for (const char* code : kRunaway) {
    std::atomic<bool> cancel{false};
    ScriptEngine e;
    e.set_cancel_flag(&cancel);
    // A cancel that never arrives ends as the time-out instead, and fails the test.
    e.set_timeout(long(std::chrono::milliseconds(kHangGuard).count()));
    std::thread canceller([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      cancel = true;
    });
    EXPECT_THROW(e.add_code(code), ScriptException) << code;
    canceller.join();
    EXPECT_EQ(e.error().number, kErrCancelled) << code;
    EXPECT_EQ(e.error().description, kCancelledDescription) << code;
    EXPECT_GT(e.error().line, 0) << code;
  }
}

TEST(Engine, CancelFlagStopsEveryRunWhileSetAndOnlyThen) {
  std::atomic<bool> cancel{true};
  ScriptEngine e;
  e.add_code("Function Quick()\nQuick = 1\nEnd Function\n");
  e.set_cancel_flag(&cancel);
  EXPECT_THROW(e.add_code("On Error Resume Next\nDo\nLoop\n"), ScriptException);
  EXPECT_EQ(e.error().number, kErrCancelled);
  EXPECT_THROW(e.run("Quick"), ScriptException) << "the flag stays set";
  e.reset();
  EXPECT_THROW(e.add_code("Do\nLoop\n"), ScriptException) << "the flag outlives a reset";
  EXPECT_EQ(e.error().number, kErrCancelled);
  cancel = false;
  e.add_code("Function Quick()\nQuick = 1\nEnd Function\n");
  EXPECT_EQ(vb::to_long(e.run("Quick")), 1);
  cancel = true;
  e.set_cancel_flag(nullptr);
  EXPECT_EQ(vb::to_long(e.run("Quick")), 1);
}

// Sets the engine's cancel flag from the script, so that the statement after the call is
// known to run cancelled.
class Canceller : public vb::AutoDispatch<Canceller> {
 public:
  std::atomic<bool> flag{false};
  static const vb::DispatchTable<Canceller>& dispatch_table() {
    static const vb::DispatchTable<Canceller> table = [] {
      vb::DispatchTable<Canceller> t("Canceller");
      t.method("Cancel", [](Canceller& c, vb::Args) {
        c.flag = true;
        return Variant();
      });
      return t;
    }();
    return table;
  }
};

TEST(Engine, LongLibraryCallsStopInsideThemselves) {
  // Each call is long enough to look for a stop on the way: the run stops in the call's
  // own statement, not after it.
  struct Case {
    const char* setup;
    const char* call;
  };
  const Case cases[] = {
      {"s = String(3000000, \"x\")", "t = Replace(s, \"x\", \"yy\")"},
      {"s = String(3000000, \"x\")", "t = Replace(s, \"X\", \"yy\", 1, -1, 1)"},
      {"u = String(1500000, ChrW(233))", "t = Replace(u, ChrW(201), \"e\", 1, -1, 1)"},
      {"u = String(1500000, ChrW(233))", "t = InStr(1, u, \"q\", 1)"},
      {"u = String(1500000, ChrW(233))", "t = InStrRev(u, \"q\", -1, 1)"},
      {"s = Replace(String(100000, \"x\"), \"x\", \"ab,\")", "t = Split(s, \",\")"},
      {"s = Replace(String(100000, \"x\"), \"x\", \"ab,\")", "t = Split(s, \",\", -1, 1)"},
      {"w = Split(Replace(String(100000, \"x\"), \"x\", \"ab,\"), \",\")", "t = Join(w, \"-\")"},
      {"w = Split(Replace(String(100000, \"x\"), \"x\", \"ab,\"), \",\")", "t = Filter(w, \"B\", True, 1)"},
      {"", "t = String(3000000, ChrW(233))"},
      {"u = String(1500000, ChrW(233))", "t = StrReverse(u)"},
      {"u = String(1500000, ChrW(233))", "t = UCase(u)"},
      {"u = String(1500000, ChrW(233))", "t = LCase(u)"},
      {"u = String(100000, ChrW(233))", "t = Escape(u)"},
      {"s = Replace(String(100000, \"x\"), \"x\", \"%u00E9\")", "t = Unescape(s)"},
      {"s = String(100000, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x\"",
       "t = re.Replace(s, \"y\")"},
      {"s = String(100000, \"x\") : Set re = New RegExp : re.Global = True : re.Pattern = \"x\"",
       "Set t = re.Execute(s)"},
      // Walks over long non-ASCII text to a character position or to its end
      {"u = String(1500000, ChrW(233))", "t = Len(u)"},
      {"u = String(1500000, ChrW(233))", "t = Mid(u, 1400000)"},
      {"u = String(1500000, ChrW(233))", "t = Left(u, 1400000)"},
      {"u = String(1500000, ChrW(233))", "t = Right(u, 1400000)"},
      {"u = String(1500000, ChrW(233))", "t = InStr(1400000, u, \"q\")"},
      {"u = String(1500000, ChrW(233))", "t = InStrRev(u, \"q\", 9)"},
      {"u = String(1500000, ChrW(233))", "t = Replace(u, \"q\", \"e\", 1400000)"},
      {"u = String(1500000, ChrW(233)) : v = UCase(u)", "t = StrComp(u, v, 1)"},
      // copies of long text out of it
      {"u = String(1500000, ChrW(233))", "t = Mid(u, 2)"},
      {"u = String(1500000, ChrW(233))", "t = Replace(u, \"q\", \"e\")"},
      // searches whose every start compares a long key
      {"s = String(3000000, \"x\") : k = String(100000, \"x\") & \"y\"", "t = InStr(s, k)"},
      {"s = String(3000000, \"x\") : k = String(100000, \"x\") & \"y\"", "t = InStrRev(s, k)"},
      {"s = String(3000000, \"x\") : k = String(100000, \"x\") & \"y\"", "t = Replace(s, k, \"\")"},
      {"s = String(3000000, \"x\") : k = String(100000, \"x\") & \"y\"", "t = Split(s, k)"},
      // one search through long non-ASCII text that finds nothing
      {"u = String(1500000, ChrW(233)) : Set re = New RegExp : re.Pattern = \"[^\" & ChrW(233) & \"]\"",
       "t = re.Test(u)"},
      {"u = String(1500000, ChrW(233)) : Set re = New RegExp : re.IgnoreCase = True : re.Pattern = ChrW(201) & \"q\"",
       "Set t = re.Execute(u)"},
      {"u = String(1500000, ChrW(233)) : Set re = New RegExp : re.Global = True : re.Pattern = \"\\d\"",
       "t = re.Replace(u, \"y\")"},
  };
  for (const Case& c : cases) {
    ScriptEngine e;
    auto canceller = vb::make_ref<Canceller>();
    e.add_object("Stopper", canceller);
    e.set_cancel_flag(&canceller->flag);
    e.add_code(std::string(c.setup) + "\n");
    EXPECT_THROW(e.add_code("Stopper.Cancel\n" + std::string(c.call) + "\nFor i = 1 To 2 : Next\n"), ScriptException)
        << c.call;
    EXPECT_EQ(e.error().number, kErrCancelled) << c.call;
    EXPECT_EQ(e.error().line, 2) << c.call;
  }
}

TEST(Engine, NumbersReadAndFormatAlikeWhateverTheHostsLocale) {
  // A host may set a locale whose decimal point is ",": the language's own stays ".".
  vbtest::in_each_locale([] {
    ScriptEngine e;
    e.add_code("x = 1.5 + 0.25\ny = 2.5E-3\nz = .5\n"
               "s = FormatNumber(1234.5678, 2) & \"|\" & FormatPercent(0.125, 1) & \"|\" & FormatCurrency(-0.5)\n");
    EXPECT_EQ(e.eval("x").raw_double(), 1.75);
    EXPECT_EQ(e.eval("y").raw_double(), 0.0025);
    EXPECT_EQ(e.eval("z").raw_double(), 0.5);
    EXPECT_EQ(vb::to_string(e.eval("s")), "1,234.57|12.5%|($0.50)");
  });
}

TEST(Engine, DeepRecursionIsOutOfStackSpace) {
  ScriptEngine e;
  e.add_code("Function R(n)\nR = R(n + 1)\nEnd Function\n");
  Variant zero[1] = {Variant(int16_t(0))};
  EXPECT_THROW(e.run("R", zero), ScriptException);
  EXPECT_EQ(e.error().number, 28);
  e.add_code("Function Depth(n)\nIf n = 0 Then\nDepth = 0\nElse\nDepth = 1 + Depth(n - 1)\nEnd If\nEnd Function\n");
  Variant a[1] = {Variant(int32_t(1000))};
  EXPECT_EQ(vb::to_long(e.run("Depth", a)), 1000);
}

TEST(Engine, LongConcatenationChainsAndDeepNesting) {
  ScriptEngine e;
  std::string code = "s = \"\"";
  for (int i = 0; i < 20000; ++i) code += " & \"x\"";
  code += "\n";
  e.add_code(code);
  EXPECT_EQ(vb::to_string(e.eval("Len(s)")), "20000");

  std::string sum = "t = 0";
  for (int i = 0; i < 20000; ++i) sum += " + 1";
  e.add_code(sum);
  EXPECT_EQ(vb::to_long(e.eval("t")), 20000);

  // Pathological nesting is a clean error, not a crash.
  std::string deep = "x = " + std::string(100000, '(') + "1" + std::string(100000, ')');
  ScriptError err = add_code_error(e, deep);
  EXPECT_EQ(err.number, 28);
  std::string nested;
  for (int i = 0; i < 5000; ++i) nested += "If True Then\n";
  err = add_code_error(e, nested);
  EXPECT_EQ(err.number, 28);
  std::string unary = "x = " + std::string(50000, '-') + "1";
  err = add_code_error(e, unary);
  EXPECT_EQ(err.number, 28);
  std::string members = "x = a";
  for (int i = 0; i < 50000; ++i) members += ".b(1)";
  err = add_code_error(e, members);
  EXPECT_EQ(err.number, 28);
}

// AddressSanitizer pads every frame with guard zones, so the same code needs a few times the
// stack under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStackScale = 4;
#else
constexpr size_t kStackScale = 1;
#endif

// Runs `body` on a thread with a 256 KiB stack, as a host's worker thread may have.
void on_small_stack(const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, (size_t(256) << 10) * kStackScale);
  pthread_t thread;
  auto run = [](void* p) -> void* {
    (*static_cast<const std::function<void()>*>(p))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::string chain(const std::string& first, const std::string& link, int terms) {
  std::string code = first;
  for (int i = 1; i < terms; ++i) code += link;
  return code;
}

std::string nested_loops(int depth) {
  std::string code;
  for (int i = 0; i < depth; ++i) code += "For i" + std::to_string(i) + " = 1 To 1\n";
  return code;
}

TEST(Engine, LongChainsAndNestingOnASmallStack) {
  struct Case {
    std::string code;  // sets x
    std::string expected;
  };
  const std::string fn = "Function F(v)\nF = v\nEnd Function\na = 1\n";
  const Case cases[] = {
      // template output: literals, variables and calls joined by thousands of "&"
      {fn + chain("x = \"<\"", " & a & zvAr(1) & F(\"y\")", 5000) + "\nx = Len(x)",
       std::to_string(1 + 4999 * 3)},
      {fn + chain("x = a", " + a", 20000), "20000"},
      {fn + chain("x = a = 2", " Or a = 2", 20000) + " Or a = 1", "True"},
      {fn + chain("x = a", " & a + a", 10000) + "\nx = Len(x)", std::to_string(1 + 9999)},
      {fn + chain("x = 1", " * 1 - 1 + 1", 10000), "1"},
      // nesting at the depths that hand-written code reaches
      {fn + "x = " + std::string(100, '(') + "a" + std::string(100, ')'), "1"},
      {fn + "x = " + chain("F(", "F(", 40) + "a" + std::string(40, ')'), "1"},
      {fn + chain("If a Then\n", "If a Then\n", 100) + "x = 2\n" + chain("End If\n", "End If\n", 100), "2"},
      {fn + nested_loops(100) + "x = 3\n" + chain("Next\n", "Next\n", 100), "3"},
  };
  for (const auto& c : cases) {
    on_small_stack([&] {
      ScriptEngine e;
      e.add_code("Dim zvAr(1)\nzvAr(1) = \"z\"\n");
      try {
        e.add_code(c.code);
        EXPECT_EQ(vb::to_string(e.eval("x")), c.expected) << c.code.substr(0, 200);
      } catch (const ScriptException& ex) {
        ADD_FAILURE() << ex.info().number << " " << ex.info().description << ": " << c.code.substr(0, 200);
      }
    });
  }
  // Recursion that runs out of this thread's stack is error 28, not a crash.
  on_small_stack([] {
    ScriptEngine e;
    EXPECT_THROW(e.add_code("Function R(n)\nR = R(n + 1)\nEnd Function\nx = R(0)\n"), ScriptException);
    EXPECT_EQ(e.error().number, 28);
  });
}

// Records the engine's current line each time the script calls Mark.
class LineProbe : public vb::AutoDispatch<LineProbe> {
 public:
  explicit LineProbe(ScriptEngine& e) : engine(e) {}
  ScriptEngine& engine;
  std::vector<int> lines;
  static const vb::DispatchTable<LineProbe>& dispatch_table() {
    static const vb::DispatchTable<LineProbe> t = [] {
      vb::DispatchTable<LineProbe> d("LineProbe");
      d.method("Mark", [](LineProbe& p, vb::Args) {
        p.lines.push_back(p.engine.current_line());
        return Variant();
      });
      return d;
    }();
    return t;
  }
};

TEST(Engine, CurrentLineIsTheStatementThatCallsTheHost) {
  ScriptEngine e;
  auto probe = vb::make_ref<LineProbe>(e);
  e.add_object("Probe", probe);
  e.add_code(
      "Function Helper()\n"
      "  Probe.Mark\n"
      "  Helper = 1\n"
      "End Function\n"
      "Probe.Mark\n"
      "x = Helper() + Eval(\"1\")\n"
      "Probe.Mark Helper()\n");
  EXPECT_EQ(probe->lines, (std::vector<int>{5, 2, 2, 7})) << "after a call returns, the caller's line counts again";
  EXPECT_EQ(e.current_line(), 0) << "outside a run";
}

TEST(Engine, ReleasingALongChainOfObjectsKeepsTheStackFlat) {
  ScriptEngine e;
  e.add_code(
      "Dim count\n"
      "Class Node\n"
      "  Public NextNode\n"
      "  Private Sub Class_Terminate()\n"
      "    count = count + 1\n"
      "  End Sub\n"
      "End Class\n"
      "Set head = Nothing\n"
      "For i = 1 To 300000\n"
      "  Set n = New Node\n"
      "  Set n.NextNode = head\n"
      "  Set head = n\n"
      "Next\n"
      "Set n = Nothing\n"
      "count = 0\n"
      "Set head = Nothing\n");
  EXPECT_EQ(vb::to_long(e.eval("count")), 300000) << "every Class_Terminate ran";
}

TEST(Engine, RunawayStringGrowthIsOutOfStringSpace) {
  // Each pass doubles the string: it must stop with error 14, not exhaust memory.
  const char* cases[] = {
      "s = \"x\"\nFor i = 1 To 100\n  s = s & s & i\nNext\n",
      "s = \"x\"\nFor i = 1 To 100\n  t = s & s\n  s = t\nNext\n",
      "s = \"x\"\nFor i = 1 To 100\n  s = s + s\nNext\n",
  };
  for (const char* code : cases) {
    ScriptEngine e;
    try {
      e.add_code(code);
      ADD_FAILURE() << "no error: " << code;
    } catch (const ScriptException& ex) {
      EXPECT_EQ(ex.info().number, 14) << code;
      EXPECT_EQ(ex.info().line, 3) << code;
    }
  }
}

TEST(Engine, ANestingErrorOnAHugeLineQuotesAnExcerpt) {
  // One line of 200 KB nested past the parser's depth, and one with a syntax error at its end:
  // the error names its line and shows a readable part of it, not the whole line.
  const std::string deep = "x = 1\ny = " + std::string(100000, '(') + "1" + std::string(100000, ')') + "\n";
  std::string chain = "x = 1\ny = 1";
  while (chain.size() < 200000) chain += " + (a * (b - (c * (d - (e * (f - (g * (h - (i * (j - 1)))))))))) ";
  for (const std::string& code : {deep, chain + " +\n"}) {
    ScriptEngine e;
    try {
      e.add_code(code);
      ADD_FAILURE() << "no error";
    } catch (const ScriptException& ex) {
      EXPECT_EQ(ex.info().line, 2);
      EXPECT_LE(ex.info().text.size(), 200u);
      EXPECT_LE(ex.info().description.size(), 400u);
    }
  }
}

TEST(Engine, HugeArraysAreOutOfMemoryNotACrash) {
  const char* cases[] = {
      "ReDim a(100000000)\n",
      "ReDim a(10000, 10000)\n",
      "Dim a(2000000000)\n",
      "Sub P()\n  Dim a(60000, 60000)\nEnd Sub\nP\n",
  };
  for (const char* code : cases) {
    ScriptEngine e;
    EXPECT_THROW(e.add_code(code), ScriptException) << code;
    EXPECT_EQ(e.error().number, 7) << code;
  }
  ScriptEngine ok;
  EXPECT_NO_THROW(ok.add_code("ReDim a(100000)\na(100000) = 1\n"));
}

constexpr int64_t kSmallBudget = int64_t(64) << 20;

// A script that keeps what it allocates ends with error 7 at the statement that allocates
// past the budget, after what fitted; what it held is given back with the engine.
TEST(Engine, ScriptsThatKeepAllocatingRunOutOfMemory) {
  struct Case {
    const char* code;
    int line;
    int passes;  // the passes that fit before the refused one (n counts them)
  };
  const Case cases[] = {
      // Arrays of 33 million elements, each kept in another element.
      {"Dim k(60)\nFor i = 0 To 60\n  ReDim t(33000000)\n  k(i) = t\n  n = n + 1\nNext\n", 3, 0},
      // Texts of 250 MB, kept.
      {"Dim k(199)\nFor i = 0 To 199\n  k(i) = Space(250000000)\n  n = n + 1\nNext\n", 3, 0},
      // Arrays of 8 MB.
      {"Dim k(60)\nFor i = 0 To 60\n  ReDim t(200000)\n  k(i) = t\n  n = n + 1\nNext\n", 3, 7},
      // Texts of 10 MB: made by String, copied, joined.
      {"Dim k(199)\nFor i = 0 To 199\n  k(i) = String(10000000, \"x\")\n  n = n + 1\nNext\n", 3, 6},
      {"s = Space(10000000)\nDim k(199)\nFor i = 0 To 199\n  k(i) = s\n  n = n + 1\nNext\n", 4, 5},
      {"s = Space(5000000)\nDim k(199)\nFor i = 0 To 199\n  k(i) = s & s & i\n  n = n + 1\nNext\n", 4, 2},
      // One text growing in place, and one array growing by ReDim Preserve.
      {"t = Space(1000000)\nFor i = 0 To 199\n  s = s & t\n  n = n + 1\nNext\n", 3, 32},
      {"ReDim a(0)\nFor i = 1 To 10000000\n  ReDim Preserve a(i)\n  n = n + 1\nNext\n", 3, 500000},
  };
  for (const Case& c : cases) {
    const int64_t before = vb::memory::used();
    {
      ScriptEngine e;
      e.set_memory_limit(kSmallBudget);
      EXPECT_EQ(e.memory_limit(), kSmallBudget);
      ScriptError err = add_code_error(e, c.code);
      EXPECT_EQ(err.number, vb::err::kOutOfMemory) << c.code;
      EXPECT_EQ(err.description, "Out of memory") << c.code;
      EXPECT_EQ(err.line, c.line) << c.code;
      const int32_t passes = vb::to_long(e.eval("n"));
      EXPECT_GE(passes, c.passes) << c.code;
      EXPECT_LE(vb::memory::used() - before, kSmallBudget) << c.code;
    }
    EXPECT_EQ(vb::memory::used(), before) << c.code;
  }
}

// Under On Error Resume Next the refused statement is skipped; once the script lets go of
// what it held, it allocates again.
TEST(Engine, OutOfMemoryIsCaughtAndTheScriptGoesOn) {
  ScriptEngine e;
  e.set_memory_limit(kSmallBudget);
  e.add_code(
      "On Error Resume Next\n"
      "Dim k(199)\n"
      "For i = 0 To 199\n"
      "  k(i) = Space(10000000)\n"
      "  If Err.Number <> 0 Then Exit For\n"
      "Next\n"
      "number = Err.Number : description = Err.Description : at = i\n"
      "Err.Clear\n"
      "Erase k\n"
      "s = Space(50000000)\n"
      "after = Err.Number : length = Len(s)\n");
  EXPECT_EQ(vb::to_long(e.eval("number")), 7);
  EXPECT_EQ(vb::to_string(e.eval("description")), "Out of memory");
  EXPECT_EQ(vb::to_long(e.eval("at")), 6);
  EXPECT_EQ(vb::to_long(e.eval("after")), 0);
  EXPECT_EQ(vb::to_long(e.eval("length")), 50000000);
}

// What dies is given back: allocating and letting go in a loop never meets the budget.
TEST(Engine, MemoryLetGoInALoopIsGivenBack) {
  // Ten passes hold several budgets' worth in all: each must give back what it took.
  struct Case {
    int64_t budget;
    const char* code;
  };
  const Case cases[] = {
      {int64_t(256) << 20, "For i = 1 To 10\n  s = Space(100000000)\nNext\n"},
      {kSmallBudget, "For i = 1 To 10\n  s = Space(40000000)\n  s = Empty\nNext\n"},
      {kSmallBudget, "Sub P()\n  Dim x\n  x = String(15000000, \"a\") & \"b\"\nEnd Sub\nFor i = 1 To 10\n  P\nNext\n"},
      {kSmallBudget, "For i = 1 To 10\n  ReDim a(1000000)\n  a(i) = i\nNext\n"},
      {kSmallBudget, "For i = 1 To 10\n  ReDim a(1000000)\n  b = a\n  Erase a\n  b = 0\nNext\n"},
      {kSmallBudget, "t = Space(1000000)\nFor i = 1 To 10\n  s = \"\"\n  For j = 1 To 20\n    s = s & t\n  Next\nNext\n"},
  };
  for (const Case& c : cases) {
    ScriptEngine e;
    e.set_memory_limit(c.budget);
    EXPECT_NO_THROW(e.add_code(c.code)) << c.code << ": " << e.error().description;
  }
  // The default fits what any generation holds; 0 or less stands for it.
  ScriptEngine d;
  EXPECT_EQ(d.memory_limit(), kDefaultMemoryLimit);
  d.set_memory_limit(0);
  EXPECT_EQ(d.memory_limit(), kDefaultMemoryLimit);
}

TEST(Engine, EvalAndExecuteSeeTheCallersScope) {
  ScriptEngine e;
  e.add_code("Function F(a)\n Dim b\n b = 10\n Execute \"b = b + a\"\n F = Eval(\"a * b\")\nEnd Function\n"
             "ExecuteGlobal \"Function G()\" & vbCrLf & \"G = 7\" & vbCrLf & \"End Function\"\n");
  Variant a[1] = {Variant(int16_t(2))};
  EXPECT_EQ(vb::to_long(e.run("F", a)), 24);
  EXPECT_EQ(vb::to_long(e.eval("G()")), 7);
  e.execute_statement("z = 3 * 3");
  EXPECT_EQ(vb::to_long(e.eval("z")), 9);
}

}  // namespace
