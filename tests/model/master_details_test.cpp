#include "model/master_details.h"

#include <gtest/gtest.h>

#include "vb/error.h"

namespace tolvex {
namespace {

TEST(MasterDetails, AddDeleteRenumbers) {
  AGPMasterDetails md;
  EXPECT_FALSE(md.Add("", "items"));
  EXPECT_TRUE(md.Add("orders", "items"));
  EXPECT_TRUE(md.Add("customers", "orders"));
  EXPECT_TRUE(md.Add("orders", "items"));  // existing: only the current names move
  EXPECT_EQ(md.Count(), 2);
  EXPECT_EQ(md.curSeq(), 2);
  EXPECT_EQ(md.curMasterTable(), "orders");
  EXPECT_EQ(md.Seq(2)->MasterTable(), "customers");
  EXPECT_FALSE(md.Item("Orders", "items"));  // exact names
  EXPECT_FALSE(md.Delete("orders", "Items"));
  EXPECT_TRUE(md.Delete("orders", "items"));
  EXPECT_EQ(md.Count(), 1);
  EXPECT_EQ(md.Item("customers", "orders")->Seq(), 1);
  EXPECT_EQ(md.curSeq(), 1);
}

TEST(MasterDetails, KeysOfDifferentRelationsNeverCollide) {
  AGPMasterDetails md;
  EXPECT_TRUE(md.Add("a__b", "c"));
  EXPECT_TRUE(md.Add("a", "b__c"));
  EXPECT_TRUE(md.Add("a_", "_b"));
  EXPECT_TRUE(md.Add("a\\", "b"));
  EXPECT_EQ(md.Count(), 4);
  EXPECT_EQ(md.Item("a", "b__c")->Seq(), 2);
  EXPECT_TRUE(md.Delete("a__b", "c"));
  EXPECT_TRUE(md.MasterDetailExist("a", "b__c"));
  EXPECT_EQ(AGPMasterDetails::relation_key("orders", "items"), "orders__items");
  // A pair that differs only in letter case is the same key to the container.
  try {
    md.Add("A", "B__C");
    FAIL() << "expected error 457";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), vb::err::kKeyAlreadyExists);
  }
  EXPECT_EQ(md.Count(), 3);
}

TEST(MasterDetails, FieldPairs) {
  AGPMasterDetail r;
  struct Step {
    bool add;
    const char* master;
    const char* detail;
    bool ok;
    int16_t count, current;
  } steps[] = {
      {true, "id", "order_id", true, 1, 1},
      {true, "id", "other", false, 1, 1},       // master field taken
      {true, "code", "order_id", false, 1, 1},  // detail field taken
      {true, "", "x", false, 1, 1},
      {true, "code", "order_code", true, 2, 2},
      {true, "date", "order_date", true, 3, 3},
      {false, "date", "nothing", true, 2, 2},   // third pair removed: current follows
      {false, "x", "order_code", true, 1, 1},   // found by its detail field
      {false, "id", "none", true, 0, 0},
      {false, "id", "order_id", false, 0, 0},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.master) + "/" + s.detail);
    EXPECT_EQ(s.add ? r.AddRelation(s.master, s.detail) : r.DeleteRelation(s.master, s.detail), s.ok);
    EXPECT_EQ(r.FieldCount(), s.count);
    EXPECT_EQ(r.CurrentField(), s.current);
  }
  EXPECT_EQ(r.CurrentMasterField(), "");
  ASSERT_TRUE(r.AddRelation("a", "b"));
  ASSERT_TRUE(r.AddRelation("c", "d"));
  r.CurrentField(0);
  r.CurrentField(3);
  EXPECT_EQ(r.CurrentField(), 2);
  r.CurrentField(1);
  r.CurrentDetailField("bb");
  EXPECT_EQ(r.DetailField(1), "bb");
  EXPECT_EQ(r.MasterField(0), "");
  EXPECT_EQ(r.MasterField(3), "");
}

}  // namespace
}  // namespace tolvex
