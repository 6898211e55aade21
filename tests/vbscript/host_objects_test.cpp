// Host objects seen from scripts and script objects seen from the host.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>

#include "vb/convert.h"
#include "vb/dispatch.h"
#include "vb/strings.h"
#include "vbscript/engine.h"

using namespace tolvex;
using namespace tolvex::vbscript;
using vb::Args;
using vb::Variant;

namespace {

// A host object with a default indexed property, a ByRef method, an enumerator,
// a failing method and a callback into the script.
class HostList : public vb::AutoDispatch<HostList> {
 public:
  std::vector<Variant> items;
  std::string last_arg_type;
  Variant callback;

  static const vb::DispatchTable<HostList>& dispatch_table() {
    static const vb::DispatchTable<HostList> table = [] {
      vb::DispatchTable<HostList> t("HostList");
      t.property(
          "Item",
          [](HostList& s, Args a) {
            vb::check_arg_count(a, 1, 1);
            size_t i = size_t(vb::to_long(a[0]));
            if (i >= s.items.size()) vb::raise(vb::err::kSubscriptOutOfRange);
            return s.items[i];
          },
          [](HostList& s, Args a, const Variant& v) { s.items.at(size_t(vb::to_long(a[0]))) = v; });
      t.default_member("Item");
      t.property("Count", [](HostList& s, Args) { return Variant(int32_t(s.items.size())); });
      t.method("Add", [](HostList& s, Args a) {
        vb::check_arg_count(a, 1, 1);
        s.last_arg_type = vb::type_name(a[0]);
        s.items.push_back(a[0]);
        return Variant();
      });
      t.method("Double", [](HostList&, Args a) {
        vb::check_arg_count(a, 1, 1);
        a[0] = Variant(vb::to_long(a[0]) * 2);
        return Variant();
      });
      t.method("Fail", [](HostList&, Args) -> Variant { throw vb::VBError(5001, "host failure", "HostList"); });
      t.method("Crash", [](HostList& s, Args) -> Variant { return s.items.at(1000); });
      t.property(
          "Callback", [](HostList& s, Args) { return s.callback; }, {},
          [](HostList& s, Args, const Variant& v) { s.callback = v; });
      t.method("Trigger", [](HostList& s, Args a) {
        // Calls the script object's default member, or its member named by the argument.
        vb::Ref<vb::Dispatch> obj = s.callback.object();
        if (a.empty()) return obj->invoke(vb::kDispValue, vb::InvokeKind::Method, {});
        return obj->call(vb::to_string(a[0]));
      });
      t.enumerator("_NewEnum",
                   [](HostList& s, Args) { return Variant(vb::Ref<vb::Dispatch>(vb::make_ref<vb::SnapshotEnumerator>(s.items))); });
      return t;
    }();
    return table;
  }
};

// A host object whose every use fails with a C++ exception of the host's own (not a
// script error): its members, its default member (read and assigned) and, after one
// item, its enumerator.
class Faulty : public vb::Dispatch {
 public:
  std::string type_name() const override { return "Faulty"; }
  vb::DispId find_member(std::string_view name) const override {
    return vb::iequals(name, "Crash") ? 1 : vb::kDispUnknown;
  }
  Variant invoke(vb::DispId, vb::InvokeKind, Args) override { throw std::out_of_range("no such item"); }
  vb::Ref<vb::Enumerator> enumerate() override {
    struct Failing : vb::Enumerator {
      bool first = true;
      bool next(Variant& out) override {
        if (!first) throw std::logic_error("enumerator broke");
        first = false;
        out = Variant(int16_t(1));
        return true;
      }
      void reset() override {}
    };
    return vb::make_ref<Failing>();
  }
};

// A host object whose members are its own: the same name has another id on another
// object of the class.
class Record : public vb::Dispatch {
 public:
  explicit Record(std::vector<std::pair<std::string, Variant>> fields) : fields_(std::move(fields)) {}
  std::string type_name() const override { return "Record"; }
  vb::DispId find_member(std::string_view name) const override {
    for (size_t i = 0; i < fields_.size(); ++i)
      if (vb::iequals(fields_[i].first, name)) return vb::DispId(i + 1);
    return vb::kDispUnknown;
  }
  Variant invoke(vb::DispId id, vb::InvokeKind, Args) override { return fields_.at(size_t(id - 1)).second; }

 private:
  std::vector<std::pair<std::string, Variant>> fields_;
};

struct HostObjects : ::testing::Test {
  ScriptEngine engine;
  vb::Ref<HostList> list = vb::make_ref<HostList>();
  void SetUp() override { engine.add_object("List", list); }
  Variant eval(const std::string& e) { return engine.eval(e); }
};

TEST_F(HostObjects, MembersDefaultMemberByRefAndSubtypes) {
  engine.add_code(
      "List.Add 1\n"
      "List.Add \"two\"\n"
      "List(0) = 10\n"
      "Dim n : n = 21\n"
      "List.Double n\n"
      "Dim total\n"
      "For Each x In List\n"
      "  total = total & x & \";\"\n"
      "Next\n");
  EXPECT_EQ(list->items.size(), 2u);
  EXPECT_EQ(list->last_arg_type, "String");
  EXPECT_EQ(vb::to_long(list->items[0]), 10) << "default member with an index, assigned";
  EXPECT_EQ(vb::to_long(eval("n")), 42) << "a variable argument is passed by reference";
  EXPECT_EQ(vb::to_string(eval("total")), "10;two;") << "For Each over a host enumerator";
  EXPECT_EQ(vb::to_string(eval("List(1)")), "two") << "default member read";
  EXPECT_EQ(vb::to_long(eval("List.Count")), 2);

  engine.add_code("List.Add 1");
  EXPECT_EQ(list->last_arg_type, "Integer") << "a literal 1 reaches the host as Integer";
  engine.add_code("List.Double (n)");
  EXPECT_EQ(vb::to_long(eval("n")), 42) << "a parenthesised argument is passed by value";
  engine.add_code("Dim arr(2)\narr(1) = 4\nList.Double arr(1)\n");
  EXPECT_EQ(vb::to_long(eval("arr(1)")), 8) << "an array element is passed by reference";
}

TEST_F(HostObjects, OneCallSiteReachesTheRightMemberOfEveryObject) {
  // Objects of one class with the same members, of two classes, and of a class whose
  // members differ per object, met in turn by the same member expressions.
  auto other = vb::make_ref<HostList>();
  other->items = {Variant("o0"), Variant("o1"), Variant("o2")};
  list->items = {Variant("l0")};
  engine.add_object("Other", other);
  engine.add_object("R1", vb::make_ref<Record>(std::vector<std::pair<std::string, Variant>>{
                              {"A", Variant("r1a")}, {"B", Variant("r1b")}}));
  engine.add_object("R2", vb::make_ref<Record>(std::vector<std::pair<std::string, Variant>>{
                              {"B", Variant("r2b")}, {"A", Variant("r2a")}}));
  engine.add_code(
      "Function Walk(objs, member)\n"
      "  For Each o In objs\n"
      "    If member = \"Count\" Then\n"
      "      Walk = Walk & o.Count & \";\"\n"
      "    Else\n"
      "      Walk = Walk & o.B & o.A & \";\"\n"
      "    End If\n"
      "  Next\n"
      "End Function\n");
  EXPECT_EQ(vb::to_string(eval("Walk(Array(List, Other, List, Other), \"Count\")")), "1;3;1;3;");
  EXPECT_EQ(vb::to_string(eval("Walk(Array(R1, R2, R2, R1), \"\")")), "r1br1a;r2br2a;r2br2a;r1br1a;");
  // A member of one class's objects is not another class's.
  EXPECT_THROW(eval("Walk(Array(R1, List), \"\")"), ScriptException);
  EXPECT_EQ(engine.error().number, vb::err::kNotSupported);
}

TEST_F(HostObjects, HostErrorsAreCatchableAndEscapeWithTheirNumber) {
  engine.add_code("On Error Resume Next\nList.Fail\nDim n, d\nn = Err.Number\nd = Err.Description\n");
  EXPECT_EQ(vb::to_long(eval("n")), 5001);
  EXPECT_EQ(vb::to_string(eval("d")), "host failure");
  try {
    engine.add_code("x = 1\nList.Fail\n");
    FAIL() << "no error";
  } catch (const ScriptException& e) {
    EXPECT_EQ(e.info().number, 5001);
    EXPECT_EQ(e.info().description, "host failure");
    EXPECT_EQ(e.info().source, "HostList");
    EXPECT_EQ(e.info().line, 2);
  }
  EXPECT_THROW(engine.add_code("List.NoSuchMember"), ScriptException);
  EXPECT_EQ(engine.error().number, 438);
  // A host method that fails with a C++ exception of its own stops the run with a script error.
  try {
    engine.add_code("x = 1\nList.Crash\n");
    FAIL() << "no error";
  } catch (const ScriptException& e) {
    EXPECT_EQ(e.info().number, 507);
    EXPECT_EQ(e.info().line, 2);
    EXPECT_EQ(e.info().text, "List.Crash");
  }
  engine.add_code("Function CallsCrash()\n  CallsCrash = 1\n  List.Crash\nEnd Function\n");
  EXPECT_THROW(engine.run("CallsCrash"), ScriptException);
  EXPECT_EQ(engine.error().number, 507);
  EXPECT_EQ(engine.error().line, 3) << "the statement inside the procedure the host ran";
  EXPECT_EQ(engine.error().text, "  List.Crash");
  // ... and the script itself can handle it as a run-time error.
  engine.add_code("On Error Resume Next\nList.Crash\nDim c : c = Err.Number\n");
  EXPECT_EQ(vb::to_long(eval("c")), 507);
  EXPECT_EQ(vb::to_string(eval("Left(Err.Description, 21)")), "An exception occurred");
  EXPECT_EQ(vb::to_long(eval("1 + 1")), 2) << "the engine goes on working";
}

TEST_F(HostObjects, HostCppExceptionsAreRuntimeErrorsWhereverTheHostIsCalled) {
  engine.add_object("Bad", vb::make_ref<Faulty>());
  struct Case {
    const char* code;  // under On Error Resume Next; `after` must still be set
    const char* what;
  };
  const Case cases[] = {
      {"Bad.Crash", "a member call"},
      {"For i = 1 To 3 : x = Bad.Crash : Next", "a member call seen before (cached)"},
      {"x = Bad + 1", "the default member, for a value"},
      {"x = Bad(2)", "the default member with an index"},
      {"Bad(2) = 5", "the default member, assigned"},
      {"List(1000) = 5", "a property put of a host object that fails inside"},
      {"Bad.Crash = 5", "a member assigned"},
      {"If Bad.Crash Then after = 0", "an If condition"},
      {"Select Case Bad.Crash\nCase 1\nEnd Select", "a Select Case subject"},
      {"For Each v In Bad : n = n + 1 : Next", "an enumerator"},
      {"With Bad : .Crash : End With", "a With block"},
      {"Sub Inner : Bad.Crash : End Sub\nInner", "a procedure's statement"},
  };
  for (const Case& c : cases) {
    engine.add_code("On Error Resume Next\nafter = 0\n" + std::string(c.code) + "\nnumber = Err.Number\nafter = 1\n");
    EXPECT_EQ(vb::to_long(eval("number")), 507) << c.what;
    EXPECT_EQ(vb::to_long(eval("after")), 1) << c.what;
  }
  EXPECT_EQ(vb::to_long(eval("n")), 1) << "the loop ran for the item before the failure";
  // Without a handler the run stops with the error at the statement that made the call.
  try {
    engine.add_code("x = 1\nFor Each v In Bad\n  y = v\nNext\n");
    FAIL() << "no error";
  } catch (const ScriptException& e) {
    EXPECT_EQ(e.info().number, 507);
    EXPECT_EQ(e.info().line, 2);
  }
}

TEST_F(HostObjects, ScriptObjectsCanBeCalledBackByTheHost) {
  engine.add_code(
      "Class Handler\n"
      "  Public Calls\n"
      "  Public Default Function Fire()\n"
      "    Calls = Calls + 1\n"
      "    Fire = \"fired \" & Calls\n"
      "  End Function\n"
      "  Public Function Nested()\n"
      "    Nested = List.Count & \"/\" & Fire()\n"
      "  End Function\n"
      "  Public Sub Boom()\n"
      "    Err.Raise 1234, \"Handler\", \"script failure\"\n"
      "  End Sub\n"
      "End Class\n"
      "Set h = New Handler\n"
      "Set List.Callback = h\n"
      "r1 = List.Trigger()\n"
      "r2 = List.Trigger(\"Nested\")\n"
      "On Error Resume Next\n"
      "List.Trigger \"Boom\"\n"
      "e = Err.Number\n");
  EXPECT_EQ(vb::to_string(eval("r1")), "fired 1");
  EXPECT_EQ(vb::to_string(eval("r2")), "0/fired 2") << "host -> script -> host -> script";
  EXPECT_EQ(vb::to_long(eval("e")), 1234) << "script errors pass through host frames";

  // The host holds a script object and uses it by name.
  vb::Ref<vb::Dispatch> h = eval("h").object();
  EXPECT_EQ(h->type_name(), "Handler");
  EXPECT_EQ(vb::to_long(h->get("Calls")), 2);
  h->let("Calls", Variant(int16_t(10)));
  EXPECT_EQ(vb::to_string(h->invoke(vb::kDispValue, vb::InvokeKind::Method, {})), "fired 11");
  EXPECT_EQ(h->find_member("NoSuch"), vb::kDispUnknown);
}

TEST_F(HostObjects, ObjectsAddedWithMembersAreGlobals) {
  engine.add_object("App", list, true);
  engine.add_code("Add \"via members\"\nc = Count\n");
  EXPECT_EQ(vb::to_long(eval("c")), 1);
  EXPECT_EQ(vb::to_string(list->items.back()), "via members");
}

TEST_F(HostObjects, TerminateRunsWhenTheHostDropsTheLastReference) {
  engine.add_code(
      "Dim log\n"
      "Class T\n"
      "  Private Sub Class_Terminate()\n"
      "    log = log & \"gone\"\n"
      "  End Sub\n"
      "End Class\n"
      "Set List.Callback = New T\n");
  EXPECT_EQ(vb::to_string(eval("log")), "");
  list->callback = Variant();
  EXPECT_EQ(vb::to_string(eval("log")), "gone");
}

TEST_F(HostObjects, ResetTerminatesObjectsAndLeavesHeldOnesHarmless) {
  engine.add_code(
      "Class T\n"
      "  Public Function Hello()\n"
      "    Hello = \"hi\"\n"
      "  End Function\n"
      "  Private Sub Class_Terminate()\n"
      "    List.Add \"terminated\"\n"
      "  End Sub\n"
      "End Class\n"
      "Set keep = New T\n"
      "Set List.Callback = New T\n");
  vb::Ref<vb::Dispatch> held = list->callback.object();
  list->callback = Variant();
  EXPECT_EQ(list->items.size(), 0u) << "the host still holds it";
  engine.reset();
  EXPECT_EQ(list->items.size(), 1u) << "Reset runs Class_Terminate of what the script held";
  // The host's own reference outlives the engine's code: calls fail cleanly.
  EXPECT_THROW(held->call("Hello"), vb::VBError);
  held.reset();
  EXPECT_EQ(list->items.size(), 1u);
}

TEST_F(HostObjects, ResetAndTheEnginesEndFreeObjectsThatHoldEachOther) {
  const char* code =
      "Class Node\n"
      "  Public Other, Items, Host\n"
      "End Class\n"
      "Set a = New Node : Set b = New Node\n"
      "Set a.Other = b : Set b.Other = a : Set a.Host = List\n"      // two objects
      "Set c = New Node : Set c.Other = c : Set c.Host = List\n"     // an object and itself
      "Sub Orphan()\n"                                                  // a cycle no name reaches
      "  Dim d, e\n"
      "  Set d = New Node : Set e = New Node\n"
      "  d.Items = Array(e, List) : Set e.Other = d\n"
      "End Sub\n"
      "Orphan\n"
      "Set f = New Node : Set f.Other = CreateObject(\"Scripting.Dictionary\")\n"
      "f.Other.Add \"back\", f : Set f.Host = List\n"  // through a Dictionary
      "Set g = CreateObject(\"Scripting.Dictionary\") : g.Add \"me\", g : g.Add \"host\", List\n"  // a Dictionary and itself
      "Set h1 = CreateObject(\"Scripting.Dictionary\") : Set h2 = CreateObject(\"Scripting.Dictionary\")\n"
      "h1.Add h2, List : h2.Add 1, Array(Array(h1), List)\n"  // two, as a key and inside arrays
      "Set kept = CreateObject(\"Scripting.Dictionary\") : kept.Add \"me\", kept : kept.Add \"host\", List\n";
  const long alone = list->ref_count() - 1;  // without the engine's named object
  engine.add_code(code);
  EXPECT_GT(list->ref_count(), alone + 1);
  // A Dictionary in a cycle that the host still holds is the host's: it keeps its items.
  vb::Ref<vb::Dispatch> kept = engine.eval("kept").object();
  engine.reset();
  EXPECT_EQ(vb::to_long(kept->get("Count")), 2);
  EXPECT_EQ(list->ref_count(), alone + 1) << "the cycles were released with the engine's code";
  kept->call("RemoveAll");
  kept.reset();
  EXPECT_EQ(list->ref_count(), alone);
  {
    ScriptEngine other;
    other.add_object("List", list);
    other.add_code(code);
    kept = other.eval("kept").object();
  }
  EXPECT_EQ(list->ref_count(), alone + 1) << "... and when the engine itself goes";
  EXPECT_EQ(vb::to_long(kept->get("Count")), 2);
  kept->call("RemoveAll");
  kept.reset();
  EXPECT_EQ(list->ref_count(), alone);
}

TEST_F(HostObjects, ReplacingOrResettingCodeWhileItRunsIsSafe) {
  // The running procedure is redefined, then the whole engine is reset, from inside it.
  engine.add_code(
      "Function Busy()\n"
      "  ExecuteGlobal \"Function Busy()\" & vbCrLf & \"Busy = 2\" & vbCrLf & \"End Function\"\n"
      "  Busy = 1\n"
      "End Function\n");
  EXPECT_EQ(vb::to_long(engine.run("Busy")), 1);
  EXPECT_EQ(vb::to_long(engine.run("Busy")), 2);
  struct Resetting : vb::AutoDispatch<Resetting> {
    ScriptEngine* e = nullptr;
    static const vb::DispatchTable<Resetting>& dispatch_table() {
      static const vb::DispatchTable<Resetting> t = [] {
        vb::DispatchTable<Resetting> d("Resetting");
        d.method("Now", [](Resetting& r, Args) {
          r.e->reset();
          return Variant();
        });
        return d;
      }();
      return t;
    }
  };
  auto r = vb::make_ref<Resetting>();
  r->e = &engine;
  engine.add_object("Resetting", r);
  EXPECT_NO_THROW(engine.add_code("Sub Go()\n  Resetting.Now\n  y = 1\nEnd Sub\nGo\n"));
  EXPECT_TRUE(engine.procedures().empty());
}

TEST_F(HostObjects, AFailedNestedCallTheHostHandledLeavesLaterErrorsInPlace) {
  // The host adds code that fails from inside a run and handles the failure itself.
  struct Nested : vb::AutoDispatch<Nested> {
    ScriptEngine* e = nullptr;
    int32_t caught = 0;
    static const vb::DispatchTable<Nested>& dispatch_table() {
      static const vb::DispatchTable<Nested> t = [] {
        vb::DispatchTable<Nested> d("Nested");
        d.method("Try", [](Nested& n, Args) {
          try {
            n.e->add_code("q = 1\nq = 1 / 0\n");
          } catch (const ScriptException& ex) {
            n.caught = ex.info().number;
            EXPECT_EQ(ex.info().line, 2);
          }
          return Variant();
        });
        return d;
      }();
      return t;
    }
  };
  auto n = vb::make_ref<Nested>();
  n->e = &engine;
  engine.add_object("Nested", n);
  try {
    engine.add_code("x = 1\nNested.Try\ny = 2\nz = CLng(\"q\")\n");
    FAIL() << "no error";
  } catch (const ScriptException& ex) {
    EXPECT_EQ(n->caught, 11);
    EXPECT_EQ(ex.info().number, 13);
    EXPECT_EQ(ex.info().line, 4) << "not the place of the nested failure";
    EXPECT_EQ(ex.info().text, "z = CLng(\"q\")");
  }
}

TEST_F(HostObjects, ScriptCodeTheHostCallsDirectlyStopsAtTheTimeoutOrCancelWithAnError) {
  std::atomic<bool> cancel{false};
  engine.set_cancel_flag(&cancel);
  engine.add_code(
      "Class Spinner\n"
      "  Public Default Function Spin()\n"
      "    On Error Resume Next\n"
      "    Do\n"
      "    Loop\n"
      "  End Function\n"
      "End Class\n"
      "Sub SpinSub()\n"
      "  Do\n"
      "  Loop\n"
      "End Sub\n"
      "Set List.Callback = New Spinner\n");
  vb::Ref<vb::Dispatch> spinner = list->callback.object();
  engine.add_code("Set List.Callback = GetRef(\"SpinSub\")\n");
  vb::Ref<vb::Dispatch> ref = list->callback.object();
  const std::function<void()> calls[] = {
      [&] { spinner->call("Spin"); },
      [&] { (void)vb::to_string(Variant(spinner)); },  // the default member, for a value
      [&] { ref->invoke(vb::kDispValue, vb::InvokeKind::Method, {}); },
  };
  struct Stop {
    long timeout_ms;
    bool cancelled;
    int32_t error;
  };
  for (const Stop& stop : {Stop{50, false, kErrTimeout}, Stop{0, true, kErrCancelled}}) {
    engine.set_timeout(stop.timeout_ms);
    cancel = stop.cancelled;
    for (const auto& call : calls) {
      try {
        call();
        ADD_FAILURE() << "no stop";
      } catch (const vb::VBError& e) {
        EXPECT_EQ(e.number(), stop.error);
      }
    }
    // Called by the host from inside a run, the stop still ends that run.
    EXPECT_THROW(engine.add_code("On Error Resume Next\nList.Trigger\nx = 1\n"), ScriptException);
    EXPECT_EQ(engine.error().number, stop.error);
  }
}

TEST_F(HostObjects, GetRefObjectsAreCallableFromTheHost) {
  engine.add_code("Function Plus(a, b)\nPlus = a + b\nb = 0\nEnd Function\nSet List.Callback = GetRef(\"Plus\")\n");
  vb::Ref<vb::Dispatch> f = list->callback.object();
  Variant args[2] = {Variant(int16_t(2)), Variant(int16_t(3))};
  EXPECT_EQ(vb::to_long(f->invoke(vb::kDispValue, vb::InvokeKind::Method, args)), 5);
  EXPECT_EQ(vb::to_long(args[1]), 0) << "by-reference parameters write back into the host's arguments";
}

}  // namespace
