// Variables passed to host object members by reference.
#include <gtest/gtest.h>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vbscript/engine.h"

using namespace tolvex;
using namespace tolvex::vbscript;
using vb::Args;
using vb::Variant;

namespace {

// Bump adds one to its first argument, then reports what the script's Callback
// object sees while the call still runs.
class Probe : public vb::AutoDispatch<Probe> {
 public:
  Variant callback;

  static const vb::DispatchTable<Probe>& dispatch_table() {
    static const vb::DispatchTable<Probe> table = [] {
      vb::DispatchTable<Probe> t("Probe");
      t.method("Bump", [](Probe& p, Args a) {
        vb::check_arg_count(a, 1, 2);
        a[0] = Variant(vb::to_long(a[0]) + 1);
        return p.callback.object()->invoke(vb::kDispValue, vb::InvokeKind::Get, {});
      });
      t.property(
          "Callback", [](Probe& p, Args) { return p.callback; }, {},
          [](Probe& p, Args, const Variant& v) { p.callback = v; });
      return t;
    }();
    return table;
  }
};

TEST(HostArguments, AVariableArgumentIsTheVariableItself) {
  ScriptEngine engine;
  engine.add_object("Probe", vb::make_ref<Probe>());
  engine.add_code(
      "Dim n, seen, arr(1)\n"
      "Class Seer\n"
      "  Public Default Function Look()\n"
      "    Look = n\n"
      "  End Function\n"
      "End Class\n"
      "Set Probe.Callback = New Seer\n"
      "n = 1\n"
      "seen = Probe.Bump(n)\n"
      "Sub InProcedure()\n"
      "  Dim local\n"
      "  local = 10\n"
      "  Probe.Bump local\n"
      "  arr(0) = local\n"
      "End Sub\n"
      "InProcedure\n"
      "arr(1) = 5\n"
      "Probe.Bump arr(1)\n");
  EXPECT_EQ(vb::to_long(engine.eval("n")), 2) << "the host changed the variable";
  EXPECT_EQ(vb::to_long(engine.eval("seen")), 2) << "code the host runs meanwhile sees the change at once";
  EXPECT_EQ(vb::to_long(engine.eval("arr(0)")), 11) << "a local variable passed by reference";
  EXPECT_EQ(vb::to_long(engine.eval("arr(1)")), 6) << "an array element passed by reference";
  engine.add_code("n = 1\nProbe.Bump n, 0\nProbe.Bump (n)\n");
  EXPECT_EQ(vb::to_long(engine.eval("n")), 2) << "with two arguments, and not in parentheses";
}

// Put sets its first argument to "Z" and returns "b", running no script code.
class Writer : public vb::AutoDispatch<Writer> {
 public:
  static const vb::DispatchTable<Writer>& dispatch_table() {
    static const vb::DispatchTable<Writer> table = [] {
      vb::DispatchTable<Writer> t("Writer");
      t.method("Put", [](Writer&, Args a) {
        vb::check_arg_count(a, 1, 1);
        a[0] = Variant("Z");
        return Variant("b");
      });
      return t;
    }();
    return table;
  }
};

TEST(HostArguments, AnAppendReadsTheVariableBeforeTheHostWritesIt) {
  // x = x & W.Put(x): x is read first, so the host's write is replaced by the join.
  struct Case {
    const char* what;
    const char* code;
    const char* want;
  };
  const Case cases[] = {
      {"a global", "g = \"a\"\ng = g & W.Put(g)\nr = g\n", "ab"},
      {"a local", "Sub P()\n  Dim s\n  s = \"a\"\n  s = s & W.Put(s) & \"c\"\n  r = s\nEnd Sub\nP\n", "abc"},
      {"a field",
       "Class K\n  Private s\n  Sub Run()\n    s = \"a\"\n    s = s & W.Put(s)\n    r = s\n  End Sub\nEnd Class\n"
       "Set obj = New K\nobj.Run\n",
       "ab"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    engine.add_object("W", vb::make_ref<Writer>());
    engine.add_code(std::string("Dim r\n") + c.code);
    EXPECT_EQ(vb::to_string(engine.eval("r")), c.want) << c.what;
  }
}

}  // namespace
