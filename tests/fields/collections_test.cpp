#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/charts.h"
#include "fields/fields.h"
#include "fields/model_fixture.h"
#include "fields/trends.h"
#include "vb/error.h"
#include "vb/vb_test_util.h"

namespace tolvex {
namespace {

using Strings = std::vector<std::string>;

using vbtest::error_of;

// Names in container order with their sequence numbers: "A1 B2".
std::string layout(AGPFields& c) {
  std::string out;
  for (size_t i = 0; i < c.size(); ++i) {
    if (!out.empty()) out += ' ';
    out += c.at(i)->FldName() + std::to_string(c.at(i)->FldSeq());
  }
  return out;
}

class CollectionTest : public testing::ModelFixture {};

TEST_F(CollectionTest, FieldsAddChangeDelete) {
  AGPFields f;
  EXPECT_FALSE(f.Add("T", ""));
  EXPECT_TRUE(f.Add("T", "A"));
  EXPECT_TRUE(f.Add("T", "B"));
  EXPECT_TRUE(f.Add("T", "C"));
  EXPECT_FALSE(f.Add("T", "B"));  // an exact duplicate
  EXPECT_EQ(layout(f), "A1 B2 C3");
  EXPECT_EQ(f.curName(), "C");
  EXPECT_EQ(f.curSeq(), 3);

  // A letter-case twin renames instead of adding: key, name, variable, extensions.
  EXPECT_TRUE(f.Add("T", "b"));
  EXPECT_EQ(layout(f), "A1 b2 C3");
  EXPECT_EQ(f.at(1)->FldVar(), "x_b");
  EXPECT_EQ(f.curName(), "b");
  EXPECT_EQ(notices(), Strings{"rename field T.B b"});
  EXPECT_FALSE(f.FieldExist(vb::Variant("B")));
  EXPECT_FALSE(f.Item(vb::Variant("B")));

  EXPECT_FALSE(f.Change("T", "A", "C"));  // the new name exists
  EXPECT_FALSE(f.Change("T", "Z", "Y"));  // the old one does not
  EXPECT_EQ(error_of([&] { f.Change("T", "A", "c"); }), vb::err::kKeyAlreadyExists);
  EXPECT_TRUE(f.Change("T", "A", "a"));  // its own name in other letter case

  notices().clear();
  EXPECT_FALSE(f.Delete("T", vb::Variant("A")));  // exact names only
  EXPECT_TRUE(f.Delete("T", vb::Variant("b")));
  EXPECT_EQ(layout(f), "a1 C2");
  EXPECT_EQ(notices(), Strings{"delete field T.b"});
  EXPECT_EQ(f.curName(), "a");  // the current item is left as it was
  EXPECT_EQ(f.Item(vb::Variant(int16_t(2)))->FldName(), "C");
  EXPECT_EQ(f.Seq(2)->FldName(), "C");
}

TEST_F(CollectionTest, FieldsItemAndCurrent) {
  AGPFields f;
  for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(f.Add("T", n));
  struct Case {
    vb::Variant index;
    const char* found;  // "" for Nothing
    const char* cur_name;
    int16_t cur_seq;
  } cases[] = {
      {vb::Variant(int32_t(2)), "B", "B", 2},
      {vb::Variant(true), "", "B", 2},          // no position, no name: current stays
      {vb::Variant(int16_t(0)), "", "", 0},     // a position outside clears the current item
      {vb::Variant("C"), "C", "C", 3},
      {vb::Variant("c"), "", "C", 3},           // exact names only; current stays
      {vb::Variant(2.0), "B", "B", 2},
      {vb::Variant(int32_t(4)), "", "", 0},
      {vb::Variant(), "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(vb::type_name(c.index));
    auto item = f.Item(c.index);
    EXPECT_EQ(item ? item->FldName() : std::string(), c.found);
    EXPECT_EQ(f.curName(), c.cur_name);
    EXPECT_EQ(f.curSeq(), c.cur_seq);
  }
  EXPECT_EQ(f.Seq(1)->FldName(), "A");
  EXPECT_EQ(f.curName(), "");  // Seq leaves the current item
  f.SetSeq(3);
  EXPECT_EQ(f.curName(), "C");
  f.SetItem(vb::Variant("A"));
  EXPECT_EQ(f.curSeq(), 1);
  f.SetItem(vb::Variant("nothing"));
  EXPECT_EQ(f.curName(), "A");
}

TEST_F(CollectionTest, DeleteRemovesTheItemFoundWhateverItsKey) {
  AGPFields f;
  for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(f.Add("T", n));
  // Renamed behind the collection's back, and a field without a name.
  f.at(1)->FldName("Renamed");
  f.at(2)->SetV("FldName", "");
  EXPECT_TRUE(f.Delete("T", vb::Variant("Renamed")));
  EXPECT_EQ(layout(f), "A1 2");
  f.delete_all("T");  // the nameless field goes too: the loop always ends
  EXPECT_EQ(f.Count(), 0);
  // The host's own numbering: only numbers at or above the deleted one move.
  for (const char* n : {"A", "B", "C"}) ASSERT_TRUE(f.Add("T", n));
  f.at(0)->FldSeq(5);
  f.at(1)->FldSeq(1);
  f.at(2)->FldSeq(3);
  EXPECT_TRUE(f.Delete("T", vb::Variant("C")));
  EXPECT_EQ(layout(f), "A4 B1");
}

TEST_F(CollectionTest, ChartsAddChangeDelete) {
  AGPCharts c;
  user_value(ctx().RegKeyChart, "ChartWidth", platform::RegValue::make_dword(600));
  EXPECT_FALSE(c.Add("T", ""));
  ASSERT_TRUE(c.Add("T", "Sales"));
  auto sales = c.Item(vb::Variant("Sales"));
  EXPECT_EQ(sales->ChartSeq(), 1);
  EXPECT_EQ(sales->ChartVar(), "Sales");
  EXPECT_EQ(sales->ChartWidth(), 600);
  EXPECT_EQ(c.curSeq(), "1");
  ASSERT_TRUE(c.Add("T", "2nd chart"));
  EXPECT_EQ(c.Item(vb::Variant(int16_t(2)))->ChartVar(), "z2nd_chart");
  ASSERT_TRUE(c.Add("T", "Third"));

  EXPECT_TRUE(c.Add("T", "Sales"));  // exists exactly: True, becomes current, nothing added
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.curName(), "Sales");
  EXPECT_EQ(c.curSeq(), "1");

  EXPECT_TRUE(c.Add("T", "sales"));  // letter-case twin: renamed
  EXPECT_EQ(sales->ChartName(), "sales");
  EXPECT_EQ(sales->ChartVar(), "sales");
  EXPECT_EQ(notices(), Strings{"rename chart T.Sales sales"});
  EXPECT_EQ(c.Count(), 3);

  notices().clear();
  EXPECT_FALSE(c.Delete("T", vb::Variant("SALES")));
  EXPECT_TRUE(c.Delete("T", vb::Variant("2nd chart")));
  EXPECT_EQ(notices(), Strings{"delete chart T.2nd chart"});
  EXPECT_EQ(c.Seq(2)->ChartName(), "Third");
  EXPECT_EQ(c.curName(), "sales");
  EXPECT_FALSE(c.Item(vb::Variant(int16_t(0))));
  EXPECT_FALSE(c.Item(vb::Variant(int16_t(3))));
  EXPECT_FALSE(c.Item(vb::Variant(true)));
  EXPECT_EQ(c.curName(), "sales");  // lookups that fail leave the current chart
  EXPECT_FALSE(c.Change("T", "Third", "sales"));
  EXPECT_EQ(error_of([&] { c.Change("T", "Third", "SALES"); }), vb::err::kKeyAlreadyExists);
}

TEST_F(CollectionTest, TrendsRenameAndNumbering) {
  AGPTrends t;
  for (const char* n : {"Trendline1", "B", "C", "D"}) ASSERT_TRUE(t.Add(n));
  EXPECT_EQ(t.curName(), "D");
  EXPECT_EQ(t.curSeq(), "4");
  EXPECT_TRUE(t.Add("trendline1"));
  EXPECT_EQ(t.Item(vb::Variant(int16_t(1)))->TrendName(), "trendline1");
  EXPECT_EQ(t.Count(), 4);
  EXPECT_EQ(error_of([&] { t.Change("B", "c"); }), vb::err::kKeyAlreadyExists);
  EXPECT_TRUE(t.Change("B", "b"));
  EXPECT_TRUE(t.Delete(vb::Variant("trendline1")));
  std::string order;
  for (size_t i = 0; i < t.size(); ++i) order += t.at(i)->TrendName() + std::to_string(t.at(i)->TrendSeq());
  EXPECT_EQ(order, "b1C2D3");
  auto fresh = t.Item(vb::Variant("C"));
  EXPECT_EQ(fresh->TrendStartValue(), 0.0);  // no defaults in the registry
  EXPECT_EQ(fresh->TrendColor(), "");
  EXPECT_FALSE(fresh->TrendIsTrendZone());
}

}  // namespace
}  // namespace tolvex
