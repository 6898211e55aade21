#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "extension_fixture.h"
#include "vb/convert.h"

namespace tolvex::testing {
namespace {

using vb::Variant;

class AttributeAccessTest : public ExtensionFixture {
 protected:
  AttributeAccessTest() {
    // The extension is listed with its definition but has no tree yet.
    EXPECT_TRUE(list().Add("rep"));
    list().find("rep")->XmlFile("reports.xml");
  }
};

TEST_F(AttributeAccessTest, SettersStoreOnlyDeclaredAttributesAndGettersReadThemBack) {
  AGP& p = *proj_;
  // Project and database attributes come from AddExtension; table, chart and field
  // items are made by the setters from the definition when missing.
  ASSERT_TRUE(AddExtension(p, "full", "f.zip", "reports.xml"));
  struct Case {
    const char* what;
    std::function<bool()> set;
    std::function<Variant()> get;
    bool stored;
    const char* read_back;
  };
  const Case cases[] = {
      {"project", [&] { return SetExtProjAtt(p, "full", "ProjTheme", Variant("red")); },
       [&] { return GetExtProjAtt(p, "full", "ProjTheme"); }, true, "String:red"},
      {"project: stored unconverted", [&] { return SetExtProjAtt(p, "full", "ProjWidth", Variant("1")); },
       [&] { return GetExtProjAtt(p, "full", "ProjWidth"); }, true, "String:1"},
      {"project: undeclared", [&] { return SetExtProjAtt(p, "full", "Nope", Variant("1")); },
       [&] { return GetExtProjAtt(p, "full", "Nope"); }, false, "Null"},
      {"project: no such extension", [&] { return SetExtProjAtt(p, "Full", "ProjTheme", Variant("x")); },
       [&] { return GetExtProjAtt(p, "Full", "ProjTheme"); }, false, "Null"},
      {"database", [&] { return SetExtDbAtt(p, "full", "DbFlag", Variant(false)); },
       [&] { return GetExtDbAtt(p, "full", "DbFlag"); }, true, "Boolean:False"},
      {"table item made on demand", [&] { return SetExtTblAtt(p, "rep", "orders", "TblTheme", Variant("dark")); },
       [&] { return GetExtTblAtt(p, "rep", "orders", "TblTheme"); }, true, "String:dark"},
      {"its other attributes have the defaults", [&] { return true; },
       [&] { return GetExtTblAtt(p, "rep", "orders", "TblLimit"); }, true, "Long:25"},
      {"table excluded by the condition", [&] { return SetExtTblAtt(p, "rep", "v_orders", "TblTheme", Variant("x")); },
       [&] { return GetExtTblAtt(p, "rep", "v_orders", "TblTheme"); }, false, "Null"},
      {"table not in the model", [&] { return SetExtTblAtt(p, "rep", "gone", "TblTheme", Variant("x")); },
       [&] { return GetExtTblAtt(p, "rep", "gone", "TblTheme"); }, false, "Null"},
      {"the name setting is an attribute too", [&] { return SetExtTblAtt(p, "full", "orders", "TblName", Variant("o2")); },
       [&] { return GetExtTblAtt(p, "full", "o2", "TblName"); }, true, "String:o2"},
      {"chart item made on demand",
       [&] { return SetExtChartAtt(p, "rep", "orders", "trend", "ChartNote", Variant("hello")); },
       [&] { return GetExtChartAtt(p, "rep", "orders", "trend", "ChartNote"); }, true, "String:hello"},
      {"chart not in the model", [&] { return SetExtChartAtt(p, "rep", "orders", "pie", "ChartNote", Variant("x")); },
       [&] { return GetExtChartAtt(p, "rep", "orders", "pie", "ChartNote"); }, false, "Null"},
      {"field item made on demand", [&] { return SetExtFldAtt(p, "rep", "orders", "id", "FldWidget", Variant(int16_t(7))); },
       [&] { return GetExtFldAtt(p, "rep", "orders", "id", "FldWidget"); }, true, "Integer:7"},
      {"field excluded by the condition",
       [&] { return SetExtFldAtt(p, "rep", "orders", "secret", "FldWidget", Variant("x")); },
       [&] { return GetExtFldAtt(p, "rep", "orders", "secret", "FldWidget"); }, false, "Null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.set(), c.stored);
    EXPECT_EQ(shown(c.get()), c.read_back);
  }
}

TEST_F(AttributeAccessTest, GettersCreateNoItems) {
  EXPECT_TRUE(GetExtProjAtt(*proj_, "rep", "ProjTheme").is_null());
  EXPECT_TRUE(list().find("rep")->IsExtended());  // the empty tree exists now
  EXPECT_TRUE(GetExtTblAtt(*proj_, "rep", "orders", "TblTheme").is_null());
  EXPECT_TRUE(GetExtChartAtt(*proj_, "rep", "orders", "sales", "canvasBgColor").is_null());
  EXPECT_EQ(tree_tables("rep")->Count(), 0);
  // A chart getter after the table item exists still makes no chart item, and the
  // model chart keeps its settings.
  ASSERT_TRUE(SetExtTblAtt(*proj_, "rep", "orders", "TblTheme", Variant("x")));
  EXPECT_TRUE(GetExtChartAtt(*proj_, "rep", "orders", "sales", "canvasBgColor").is_null());
  EXPECT_EQ(tree_tables("rep")->find("orders")->Charts()->Count(), 0);
  EXPECT_EQ(sales_->ChartChartBgColor(), "CCCCCC");
}

TEST_F(AttributeAccessTest, MembersOfTheProjectObjectReachTheSameOperations) {
  Variant add[] = {Variant("d"), Variant("d.zip"), Variant("reports.xml")};
  EXPECT_TRUE(vb::to_bool(proj_->call("AddExtension", add)));
  Variant set[] = {Variant("d"), Variant("orders"), Variant("TblTheme"), Variant("via dispatch")};
  EXPECT_TRUE(vb::to_bool(proj_->call("SetExtTblAtt", set)));
  Variant get[] = {Variant("d"), Variant("orders"), Variant("TblTheme")};
  EXPECT_EQ(vb::to_string(proj_->call("GetExtTblAtt", get)), "via dispatch");
  // Templates read the same tree through EXTS.
  auto exts = proj_->get("Extensions").object_or_null();
  Variant name[] = {Variant("d")};
  auto tree = exts->call("Item", name).object_or_null()->get("PROJ").object_or_null();
  Variant orders[] = {Variant("orders")};
  Variant theme[] = {Variant("TblTheme")};
  auto table = tree->get("DB").object_or_null()->get("Tables").object_or_null()->call("Item", orders);
  auto setting = table.object_or_null()->get("Properties").object_or_null()->call("Item", theme);
  EXPECT_EQ(vb::to_string(setting.object_or_null()->get("Value")), "via dispatch");
  Variant del[] = {Variant("d")};
  EXPECT_TRUE(vb::to_bool(proj_->call("DeleteExtension", del)));
  EXPECT_FALSE(list().ExtensionExist(Variant("d")));
}

}  // namespace
}  // namespace tolvex::testing
