#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "extension_fixture.h"
#include "vb/convert.h"

namespace tolvex::testing {
namespace {

using vb::Variant;

// The items of an extension's tree below one table: "orders[id:1 total:2|sales:1]".
std::string tree_of(AGPExtTables& tables) {
  std::string out;
  for (size_t i = 0; i < tables.size(); ++i) {
    auto t = tables.at(i);
    out += (out.empty() ? "" : " ") + t->TblName() + ":" + std::to_string(t->TblSeq()) + "[";
    for (size_t j = 0; j < t->Fields()->size(); ++j)
      out += (j ? " " : "") + t->Fields()->at(j)->FldName() + ":" + std::to_string(t->Fields()->at(j)->FldSeq());
    out += "|";
    for (size_t j = 0; j < t->Charts()->size(); ++j)
      out += (j ? " " : "") + t->Charts()->at(j)->ChartName() + ":" + std::to_string(t->Charts()->at(j)->ChartSeq());
    out += "]";
  }
  return out;
}

class PropagationTest : public ExtensionFixture {
 protected:
  PropagationTest() {
    view_->TblType("TABLE");  // both tables extended
    EXPECT_TRUE(AddExtension(*proj_, "one", "1.zip", "reports.xml"));
    EXPECT_TRUE(AddExtension(*proj_, "two", "2.zip", "reports.xml"));
    EXPECT_TRUE(AddExtension(*proj_, "none", "3.zip", ""));
    EXPECT_TRUE(SetExtTblAtt(*proj_, "one", "orders", "TblTheme", Variant("kept")));
  }
};

TEST_F(PropagationTest, ModelRenamesAndDeletionsReachEveryExtensionOnce) {
  for (const char* ext : {"one", "two"})
    ASSERT_EQ(tree_of(*tree_tables(ext)), "orders:1[id:1 total:2|sales:1 trend:2] v_orders:2[|]") << ext;
  struct Case {
    const char* what;
    std::function<bool()> model_change;
    const char* tree_after;
  };
  auto& tables = *db_->Tables();
  const Case cases[] = {
      {"field rename", [&] { return orders_->Fields()->Change("orders", "total", "amount"); },
       "orders:1[id:1 amount:2|sales:1 trend:2] v_orders:2[|]"},
      {"field renamed by letter case", [&] { return orders_->Fields()->Add("orders", "Amount"); },
       "orders:1[id:1 Amount:2|sales:1 trend:2] v_orders:2[|]"},
      {"field delete renumbers", [&] { return orders_->Fields()->Delete("orders", Variant("id")); },
       "orders:1[Amount:1|sales:1 trend:2] v_orders:2[|]"},
      {"chart rename", [&] { return orders_->Charts()->Change("orders", "sales", "revenue"); },
       "orders:1[Amount:1|revenue:1 trend:2] v_orders:2[|]"},
      {"chart delete renumbers", [&] { return orders_->Charts()->Delete("orders", Variant("revenue")); },
       "orders:1[Amount:1|trend:1] v_orders:2[|]"},
      {"table rename", [&] { return tables.Change("orders", "sales_orders"); },
       "sales_orders:1[Amount:1|trend:1] v_orders:2[|]"},
      {"table delete", [&] { return tables.Delete("sales_orders"); }, "v_orders:1[|]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.model_change());
    for (const char* ext : {"one", "two"}) EXPECT_EQ(tree_of(*tree_tables(ext)), c.tree_after) << ext;
    EXPECT_EQ(tree_tables("none")->Count(), 0);
  }
}

TEST_F(PropagationTest, RenamedTableKeepsItsAttributes) {
  ASSERT_TRUE(db_->Tables()->Change("orders", "Orders2"));
  EXPECT_EQ(GetExtTblAtt(*proj_, "one", "Orders2", "TblTheme").raw_string(), "kept");
  EXPECT_TRUE(GetExtTblAtt(*proj_, "one", "orders", "TblTheme").is_null());
  EXPECT_EQ(tree_tables("one")->find("Orders2")->Key(), "Orders2");
}

TEST_F(PropagationTest, BrokenNumbersNeitherSkipAnExtensionNorStopADeletion) {
  // The host may write sequence numbers: two extensions numbered 1, chart items 5 and 5.
  list().find("two")->Seq(1);
  for (const char* ext : {"one", "two"}) {
    auto charts = tree_tables(ext)->find("orders")->Charts();
    charts->Seq(1)->ChartSeq(5);
    charts->Seq(2)->ChartSeq(5);
  }
  ASSERT_TRUE(db_->Tables()->Change("orders", "o"));
  for (const char* ext : {"one", "two"}) EXPECT_TRUE(tree_tables(ext)->find("o")) << ext;
  auto held = tree_tables("two")->find("o");
  ASSERT_TRUE(db_->Tables()->Delete("o"));
  EXPECT_EQ(held->Charts()->Count(), 0);  // every chart item went, whatever its number
  EXPECT_EQ(held->Fields()->Count(), 0);
  for (const char* ext : {"one", "two"}) {
    EXPECT_FALSE(tree_tables(ext)->find("o")) << ext;
    EXPECT_EQ(tree_tables(ext)->Count(), 1) << ext;
  }
}

TEST_F(PropagationTest, NewObjectsAreExtendedWhereDefinitionsCoverThem) {
  ASSERT_TRUE(db_->Tables()->Add("fresh"));
  auto fresh = db_->Tables()->Item(Variant("fresh"));
  fresh->TblType("TABLE");
  ExtendTableInExtensions(*proj_, "fresh");  // fields not loaded yet: nothing
  EXPECT_FALSE(tree_tables("one")->find("fresh"));
  fresh->TblLoaded(true);
  ASSERT_TRUE(fresh->Fields()->Add("fresh", "f1"));
  ExtendTableInExtensions(*proj_, "fresh");
  for (const char* ext : {"one", "two"}) EXPECT_EQ(tree_of(*tree_tables(ext)).substr(53), "fresh:3[f1:1|]") << ext;
  EXPECT_EQ(GetExtFldAtt(*proj_, "two", "fresh", "f1", "FldWidget").raw_string(), "text");
  EXPECT_EQ(tree_tables("none")->Count(), 0);

  ASSERT_TRUE(fresh->Fields()->Add("fresh", "f2"));
  ExtendFieldInExtensions(*proj_, "fresh", "f2");
  EXPECT_EQ(tree_tables("one")->find("fresh")->Fields()->Count(), 2);
  ASSERT_TRUE(fresh->Charts()->Add("fresh", "c"));
  ExtendChartInExtensions(*proj_, "fresh", "c");
  EXPECT_EQ(GetExtChartAtt(*proj_, "one", "fresh", "c", "canvasBgColor").raw_string(), "FFFFFF");
  // A table without an item in an extension gets no new fields there.
  ASSERT_TRUE(db_->Tables()->Add("plain"));
  auto plain = db_->Tables()->Item(Variant("plain"));
  plain->TblType("VIEW");
  plain->TblLoaded(true);
  ExtendTableInExtensions(*proj_, "plain");
  ASSERT_TRUE(plain->Fields()->Add("plain", "p"));
  ExtendFieldInExtensions(*proj_, "plain", "p");
  EXPECT_FALSE(tree_tables("one")->find("plain"));
}

TEST_F(PropagationTest, CopiedChartTakesOverOnlySynchronizedAttributes) {
  ASSERT_TRUE(SetExtChartAtt(*proj_, "one", "orders", "sales", "ChartNote", Variant("copied")));
  ASSERT_TRUE(SetExtChartAtt(*proj_, "one", "orders", "sales", "canvasBgColor", Variant("123456")));
  // The source chart has no item in "two".
  ASSERT_TRUE(tree_tables("two")->find("orders")->Charts()->Delete(Variant("sales")));
  ASSERT_TRUE(orders_->Charts()->Add("orders", "sales copy"));
  CopyChartToExtensions(*proj_, "orders", "sales", "sales copy");
  EXPECT_EQ(GetExtChartAtt(*proj_, "one", "orders", "sales copy", "ChartNote").raw_string(), "copied");
  EXPECT_EQ(GetExtChartAtt(*proj_, "one", "orders", "sales copy", "canvasBgColor").raw_string(), "123456");
  auto copy = tree_tables("one")->find("orders")->Charts()->find("sales copy");
  EXPECT_EQ(copy->ChartName(), "sales copy");
  EXPECT_EQ(copy->ChartSeq(), 3);
  EXPECT_FALSE(tree_tables("two")->find("orders")->Charts()->find("sales copy"));
}

TEST_F(PropagationTest, TheDatabaseLayerReachesThePropagationThroughTheProjectObject) {
  ASSERT_TRUE(db_->Tables()->Add("loaded"));
  auto loaded = db_->Tables()->Item(Variant("loaded"));
  loaded->TblType("TABLE");
  loaded->TblLoaded(true);
  ASSERT_TRUE(loaded->Fields()->Add("loaded", "f1"));
  Variant table_name("loaded");
  proj_->call("ExtendTableInExtensions", std::span(&table_name, 1));
  ASSERT_TRUE(tree_tables("one")->find("loaded"));
  ASSERT_TRUE(loaded->Charts()->Add("loaded", "c"));
  Variant chart_args[] = {Variant("loaded"), Variant("c")};
  proj_->call("ExtendChartInExtensions", chart_args);
  EXPECT_EQ(GetExtChartAtt(*proj_, "one", "loaded", "c", "canvasBgColor").raw_string(), "FFFFFF");
  ASSERT_TRUE(loaded->Fields()->Add("loaded", "f2"));
  ASSERT_TRUE(proj_->has_member("ExtendFieldInExtensions"));
  Variant field_args[] = {Variant("loaded"), Variant("f2")};
  proj_->call("ExtendFieldInExtensions", field_args);
  EXPECT_EQ(GetExtFldAtt(*proj_, "one", "loaded", "f2", "FldWidget").raw_string(), "text");
  EXPECT_TRUE(proj_->has_member("LoadRegisteredExtensions"));
}

}  // namespace
}  // namespace tolvex::testing
