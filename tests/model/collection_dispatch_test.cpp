// The members of the four model collections as scripts reach them by name: each
// kind with its own argument list, existence test, current-item setters and
// enumerator.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "fields/charts.h"
#include "fields/fields.h"
#include "fields/model_fixture.h"
#include "fields/trends.h"
#include "model/tables.h"
#include "vb/convert.h"
#include "vb/vb_test_util.h"

namespace tolvex {
namespace {

using vbtest::error_of;
using vb::Variant;

class CollectionDispatchTest : public testing::ModelFixture {};

TEST_F(CollectionDispatchTest, SharedMembersByName) {
  struct Case {
    vb::Ref<vb::Dispatch> collection;
    bool owner;  // Add, Change and Delete take the table's name first
    const char* exist;
    bool setters;
    const char* cur_seq_type;
    bool add_existing;  // what Add answers for a name present exactly
  } cases[] = {
      {vb::make_ref<AGPTables>(), false, "TableExist", true, "Integer", false},
      {vb::make_ref<AGPFields>(), true, "FieldExist", true, "Integer", false},
      {vb::make_ref<AGPCharts>(), true, "ChartExist", false, "String", true},
      {vb::make_ref<AGPTrends>(), false, "TrendExist", false, "String", true},
  };
  for (const Case& c : cases) {
    vb::Dispatch& d = *c.collection;
    SCOPED_TRACE(d.type_name());
    auto args = [&](std::vector<Variant> a) {
      if (c.owner) a.insert(a.begin(), Variant("T"));
      return a;
    };
    for (const char* n : {"A", "B", "C"}) {
      auto a = args({Variant(n)});
      EXPECT_TRUE(vb::to_bool(d.call("Add", a)));
    }
    auto again = args({Variant("A")});
    EXPECT_EQ(vb::to_bool(d.call("Add", again)), c.add_existing);
    EXPECT_EQ(vb::to_long(d.call("Count")), 3);
    auto short_args = args({});
    EXPECT_EQ(error_of([&] { d.call("Add", short_args); }), vb::err::kWrongArgCount);

    auto change = args({Variant("B"), Variant("Bee")});
    EXPECT_TRUE(vb::to_bool(d.call("Change", change)));
    std::vector<Variant> name{Variant("Bee")};
    EXPECT_TRUE(vb::to_bool(d.call(c.exist, name)));
    std::vector<Variant> other_case{Variant("bee")};
    EXPECT_FALSE(vb::to_bool(d.call(c.exist, other_case)));
    EXPECT_EQ(vb::to_string(d.get("curName")), "Bee");
    EXPECT_EQ(vb::type_name(d.get("curSeq")), c.cur_seq_type);

    // Item is the default member and takes a position or a name; Seq a number.
    std::vector<Variant> pos{Variant(int16_t(3))};
    EXPECT_EQ(vb::to_string(d.call("Item", pos).object_or_null()->get("Key")), "C");
    std::vector<Variant> seq{Variant("2")};
    EXPECT_EQ(vb::to_string(d.call("Seq", seq).object_or_null()->get("Key")), "Bee");

    EXPECT_EQ(d.has_member("SetItem"), c.setters);
    EXPECT_EQ(d.has_member("SetSeq"), c.setters);
    if (c.setters) {
      std::vector<Variant> first{Variant(int16_t(1))};
      d.call("SetSeq", first);
      EXPECT_EQ(vb::to_string(d.get("curName")), "A");
      std::vector<Variant> by_name{Variant("C")};
      d.call("SetItem", by_name);
      EXPECT_EQ(vb::to_string(d.get("curName")), "C");
    }

    // Delete takes whatever names an item; a missing name answers False.
    auto missing = args({Variant::null()});
    EXPECT_FALSE(vb::to_bool(d.call("Delete", missing)));
    auto del = args({Variant("A")});
    EXPECT_TRUE(vb::to_bool(d.call("Delete", del)));
    std::vector<std::string> keys;
    auto walk = d.enumerate();
    for (Variant item; walk->next(item);) keys.push_back(vb::to_string(item.object_or_null()->get("Key")));
    EXPECT_EQ(keys, (std::vector<std::string>{"Bee", "C"}));
  }
}

// Change makes the variable name anew from the new name: tables and charts without a
// prefix, fields with "x_"; the item stays where it was and becomes current.
TEST_F(CollectionDispatchTest, ChangeRemakesTheVariableName) {
  AGPTables tables;
  AGPFields fields;
  AGPCharts charts;
  ASSERT_TRUE(tables.Add("A"));
  ASSERT_TRUE(tables.Add("Z"));
  ASSERT_TRUE(fields.Add("T", "A"));
  ASSERT_TRUE(fields.Add("T", "Z"));
  ASSERT_TRUE(charts.Add("T", "A"));
  ASSERT_TRUE(charts.Add("T", "Z"));
  struct Case {
    const char* new_name;
    const char* table_var;
    const char* field_var;
  } cases[] = {
      {"Order Details", "Order_Details", "x_Order_Details"},
      {"2nd quarter", "z2nd_quarter", "x_z2nd_quarter"},
      {"a-b", "a2Db", "x_a2Db"},
      {"_id", "z_id", "x_z_id"},
      {"A", "A", "x_A"},
  };
  std::string old_name = "A";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.new_name);
    ASSERT_TRUE(tables.Change(old_name, c.new_name));
    ASSERT_TRUE(fields.Change("T", old_name, c.new_name));
    ASSERT_TRUE(charts.Change("T", old_name, c.new_name));
    auto t = tables.Seq(1);
    auto f = fields.Seq(1);
    auto ch = charts.Seq(1);
    EXPECT_EQ(t->TblName(), c.new_name);
    EXPECT_EQ(t->TblVar(), c.table_var);
    EXPECT_EQ(f->FldVar(), c.field_var);
    EXPECT_EQ(f->FldParm(), c.table_var);
    EXPECT_EQ(ch->ChartVar(), c.table_var);
    EXPECT_EQ(tables.curName(), c.new_name);
    EXPECT_EQ(tables.curSeq(), 1);
    EXPECT_EQ(charts.curSeq(), "1");
    old_name = c.new_name;
  }
  EXPECT_EQ(notices().size(), 3 * std::size(cases));
}

}  // namespace
}  // namespace tolvex
