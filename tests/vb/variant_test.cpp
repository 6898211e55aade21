#include <gtest/gtest.h>

#include "vb/dispatch.h"
#include "vb/variant.h"

using namespace tolvex::vb;

TEST(Variant, SubtypesStayDistinct) {
  struct Case {
    Variant v;
    uint16_t vartype;
  };
  const Case cases[] = {
      {Variant(), 0},
      {Variant::null(), 1},
      {Variant(int16_t(1)), 2},
      {Variant(int32_t(1)), 3},
      {Variant(1.0f), 4},
      {Variant(1.0), 5},
      {Variant::currency(10000), 6},
      {Variant::date(1.0), 7},
      {Variant(""), 8},
      {Variant::nothing(), 9},
      {Variant::missing(), 10},
      {Variant(true), 11},
      {Variant(uint8_t(1)), 17},
      {Variant::array({Variant(1), Variant("a")}), 0x200C},
      {Variant::byte_array(std::vector<uint8_t>{1, 2}), 0x2011},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.vartype(), c.vartype);
}

TEST(Variant, ArraysCopyOnAssignment) {
  Variant a = Variant::array({Variant(1), Variant(2)});
  Variant b = a;
  int32_t i0 = 0;
  b.raw_array_mut().at(std::span(&i0, 1)) = Variant("changed");
  EXPECT_EQ(a.raw_array()[0].raw_long(), 1);
  EXPECT_EQ(b.raw_array()[0].raw_string(), "changed");
}

TEST(Variant, ArrayBoundsAndRedim) {
  Array arr(VarType::Variant, {{1, 3}, {0, 2}});
  EXPECT_EQ(arr.lbound(1), 1);
  EXPECT_EQ(arr.ubound(1), 3);
  EXPECT_EQ(arr.ubound(2), 1);
  int32_t bad[] = {4, 0};
  EXPECT_THROW(arr.at(bad), VBError);
  int32_t idx[] = {3, 1};
  arr.at(idx) = Variant(7);
  arr.redim({{1, 3}, {0, 4}}, true);
  EXPECT_EQ(arr.at(idx).raw_long(), 7);
  try {
    arr.redim({{1, 2}, {0, 4}}, true);
    FAIL();
  } catch (const VBError& e) {
    EXPECT_EQ(e.number(), 9);
  }
}

namespace {
class Counter : public AutoDispatch<Counter> {
 public:
  int value = 0;
  static const DispatchTable<Counter>& dispatch_table() {
    static const DispatchTable<Counter> t = [] {
      DispatchTable<Counter> d("Counter");
      d.property(
           "Value", [](Counter& c, Args) { return Variant(int32_t(c.value)); },
           [](Counter& c, Args, const Variant& v) { c.value = v.raw_long(); })
          .method("Bump", [](Counter& c, Args) {
            ++c.value;
            return Variant();
          });
      d.default_member("Value");
      return d;
    }();
    return t;
  }
};
}  // namespace

TEST(Dispatch, MembersByNameIgnoreCase) {
  auto c = make_ref<Counter>();
  c->call("BUMP");
  c->let("value", Variant(int32_t(41)));
  c->call("bump");
  EXPECT_EQ(c->get("Value").raw_long(), 42);
  EXPECT_EQ(c->invoke(kDispValue, InvokeKind::Get, {}).raw_long(), 42);
  EXPECT_EQ(c->type_name(), "Counter");
  try {
    c->get("Missing");
    FAIL();
  } catch (const VBError& e) {
    EXPECT_EQ(e.number(), 438);
  }
}

TEST(Dispatch, ObjectLifetimeFollowsReferences) {
  Variant v;
  {
    auto c = make_ref<Counter>();
    v = Variant(c);
    EXPECT_EQ(c->ref_count(), 2);
  }
  EXPECT_EQ(v.raw_object()->ref_count(), 1);
  v = Variant();
}
