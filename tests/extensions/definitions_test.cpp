#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "extension_fixture.h"
#include "vb/convert.h"

namespace tolvex::testing {
namespace {

using vb::Variant;

using DefinitionsTest = ExtensionFixture;

TEST_F(DefinitionsTest, AddExtensionDeclaresEachLevelWhereItsConditionHolds) {
  ASSERT_TRUE(AddExtension(*proj_, "rep", "rep.zip", "reports.xml"));
  EXPECT_EQ(ctx().ProjErr, "");
  auto ext = list().find("rep");
  EXPECT_TRUE(ext->Enabled());
  EXPECT_EQ(ext->XmlFile(), "reports.xml");

  struct Case {
    const char* what;
    Variant value;
    const char* expected;
  };
  AGP& p = *proj_;
  const Case cases[] = {
      {"project attribute, first declaration wins", GetExtProjAtt(p, "rep", "ProjTheme"), "String:blue"},
      {"attribute names compare without letter case", GetExtProjAtt(p, "rep", "ProjWidth"), "Integer:800"},
      {"no type declares nothing", GetExtProjAtt(p, "rep", "NoType"), "Null"},
      {"database attribute", GetExtDbAtt(p, "rep", "DbFlag"), "Boolean:True"},
      {"table attribute", GetExtTblAtt(p, "rep", "orders", "TblLimit"), "Long:25"},
      {"empty default leaves the value empty", GetExtTblAtt(p, "rep", "orders", "TblNote"), "Empty"},
      {"an own setting in other case is not redeclared", GetExtTblAtt(p, "rep", "orders", "TblName"),
       "String:orders"},
      {"the view fails the Table condition", GetExtTblAtt(p, "rep", "v_orders", "TblTheme"), "Null"},
      {"field attribute", GetExtFldAtt(p, "rep", "orders", "total", "FldWidget"), "String:text"},
      {"the Field condition excludes one field", GetExtFldAtt(p, "rep", "orders", "secret", "FldWidget"), "Null"},
      {"an old chart setting moves into the new item", GetExtChartAtt(p, "rep", "orders", "sales", "canvasBgColor"),
       "String:CCCCCC"},
      {"an unset grid count keeps the default", GetExtChartAtt(p, "rep", "orders", "sales", "numDivLines"),
       "Integer:4"},
      {"a rotated axis moves as True", GetExtChartAtt(p, "rep", "orders", "sales", "rotateNames"), "Boolean:True"},
      {"a chart without old settings has the defaults",
       GetExtChartAtt(p, "rep", "orders", "trend", "canvasBgColor"), "String:FFFFFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(shown(c.value), c.expected) << c.what;

  // The moved settings are reset on the model chart; the one not moved stays.
  EXPECT_EQ(sales_->ChartChartBgColor(), "");
  EXPECT_FALSE(sales_->ChartXAxisNameRotated());
  EXPECT_EQ(sales_->ChartNumGridLines(), 0);
  // Items are numbered in the model's order; the current table and field are cleared.
  auto orders = tree_tables("rep")->find("orders");
  EXPECT_EQ(tree_tables("rep")->Count(), 1);
  EXPECT_EQ(orders->Fields()->Seq(2)->FldName(), "total");
  EXPECT_EQ(orders->Fields()->Count(), 2);
  EXPECT_EQ(orders->Charts()->Seq(2)->ChartName(), "trend");
  EXPECT_FALSE(current_table(*proj_));
  EXPECT_FALSE(current_field(*proj_));
}

TEST_F(DefinitionsTest, AddingAgainExtendsOnlyWhatIsNewAndKeepsValues) {
  ASSERT_TRUE(AddExtension(*proj_, "rep", "rep.zip", "reports.xml"));
  ASSERT_TRUE(SetExtProjAtt(*proj_, "rep", "ProjTheme", Variant("green")));
  list().find("rep")->Enabled(false);
  ASSERT_TRUE(orders_->Fields()->Add("orders", "added"));
  ASSERT_TRUE(db_->Tables()->Add("later"));  // its fields are not loaded: skipped
  db_->Tables()->Item(Variant("later"))->TblType("TABLE");

  ASSERT_TRUE(AddExtension(*proj_, "rep", "other.zip", "reports.xml"));
  auto ext = list().find("rep");
  EXPECT_EQ(list().Count(), 1);
  EXPECT_TRUE(ext->Enabled());
  EXPECT_EQ(ext->Template(), "other.zip");
  EXPECT_EQ(GetExtProjAtt(*proj_, "rep", "ProjTheme").raw_string(), "green");
  EXPECT_EQ(GetExtFldAtt(*proj_, "rep", "orders", "added", "FldWidget").raw_string(), "text");
  EXPECT_EQ(tree_tables("rep")->find("orders")->Fields()->Count(), 3);
  EXPECT_FALSE(tree_tables("rep")->find("later"));
}

TEST_F(DefinitionsTest, MissingOrEmptyDefinitionLeavesTheExtensionWithoutAttributes) {
  for (const char* file : {"", "no_such_file.xml"}) {
    SCOPED_TRACE(file);
    const std::string name = std::string("x") + file;
    ASSERT_TRUE(AddExtension(*proj_, name, "x.zip", file));
    EXPECT_EQ(ctx().ProjErr, "");
    EXPECT_TRUE(list().find(name)->Enabled());
    EXPECT_FALSE(list().find(name)->IsExtended());
  }
  EXPECT_FALSE(AddExtension(*proj_, "", "x.zip", "reports.xml"));
  EXPECT_EQ(list().Count(), 2);

  // A Project node without attributes still gives the extension its tree.
  ASSERT_TRUE(AddExtension(*proj_, "bare", "b.zip", "bare.xml"));
  EXPECT_TRUE(list().find("bare")->IsExtended());
  EXPECT_EQ(list().find("bare")->PROJ()->Properties()->Count(), 0);
}

TEST_F(DefinitionsTest, DamagedDefinitionIsReportedAndChangesNothing) {
  ASSERT_TRUE(AddExtension(*proj_, "kept", "kept.zip", ""));
  struct Case {
    const char* name;
    const char* file;
    const char* says;
  };
  const Case cases[] = {
      {"fresh", "damaged.xml", "damaged.xml\" is damaged: "},
      {"fresh", "bad_default.xml", "attribute \"TblLimit\" (line 6): default \"many\" is no Integer"},
      {"kept", "bad_default.xml", "is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ctx().ProjErr = "";
    EXPECT_FALSE(AddExtension(*proj_, c.name, "new.zip", c.file));
    EXPECT_NE(ctx().ProjErr.find("Tolvex: Extension definition file \""), std::string::npos) << ctx().ProjErr;
    EXPECT_NE(ctx().ProjErr.find(c.says), std::string::npos) << ctx().ProjErr;
    EXPECT_FALSE(list().ExtensionExist(Variant("fresh")));
    EXPECT_EQ(list().find("kept")->Template(), "kept.zip");
    EXPECT_FALSE(list().find("kept")->IsExtended());
  }
  // A setter that must read the damaged file answers False and says why.
  list().find("kept")->XmlFile("damaged.xml");
  ctx().ProjErr = "";
  EXPECT_FALSE(SetExtTblAtt(*proj_, "kept", "orders", "TblTheme", Variant("x")));
  EXPECT_NE(ctx().ProjErr.find("is damaged"), std::string::npos);
}

TEST_F(DefinitionsTest, FailingConditionTakesBackEverythingTheCallAdded) {
  start_engine("Function Boom()\r\n  Err.Raise 5\r\nEnd Function\r\n");
  // Once for a new extension, once for one that is listed already with other values.
  ASSERT_TRUE(AddExtension(*proj_, "old", "old.zip", ""));
  list().find("old")->Enabled(false);
  for (const char* name : {"new", "old"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(AddExtension(*proj_, name, "boom.zip", "failing_condition.xml"), vb::VBError);
    EXPECT_FALSE(current_table(*proj_));
    EXPECT_FALSE(current_field(*proj_));
    // The chart item that was made moved the chart's colour: it is back.
    EXPECT_EQ(sales_->ChartChartBgColor(), "CCCCCC");
  }
  EXPECT_FALSE(list().ExtensionExist(Variant("new")));
  auto old = list().find("old");
  EXPECT_EQ(old->Template(), "old.zip");
  EXPECT_FALSE(old->Enabled());
  EXPECT_EQ(old->XmlFile(), "");
  EXPECT_EQ(old->PROJ()->Properties()->Count(), 0);
  EXPECT_EQ(old->PROJ()->DB()->Tables()->Count(), 0);
}

TEST_F(DefinitionsTest, EachLevelsConditionSeesItsOwnObjects) {
  namespace fs = std::filesystem;
  const fs::path folder = docs_ / "conditions";
  fs::create_directories(folder);
  ctx().ExtensionsFolder = folder.string();
  proj_->ProjName("Shop");
  struct Case {
    const char* project_cond;
    const char* db_cond;
    const char* table_cond;
    const char* chart_cond;
    const char* field_cond;
    const char* extended;  // the objects that got an attribute
  };
  // The chart condition runs after the table's has cleared the current table, so a
  // table term there always holds.
  const Case cases[] = {
      {"proj/ProjName/eq/Shop", "", "", "", "", "proj db orders v_orders sales trend id total secret"},
      {"proj/ProjName/eq/Other", "db/DBName/ne/db", "", "", "", "orders v_orders sales trend id total secret"},
      {"", "", "table/TblName/eq/v_orders", "", "", "proj db v_orders"},
      {"", "", "table/TblType/eq/TABLE", "table/TblName/eq/none", "field/FldName/in/id|secret",
       "proj db orders sales trend id secret"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string ext = "c" + std::to_string(++n);
    SCOPED_TRACE(ext);
    std::ofstream(folder / (ext + ".xml"))
        << "<Project cond=\"" << c.project_cond << "\"><attribute name=\"A\" type=\"String\" default=\"x\"/>"
        << "<Database cond=\"" << c.db_cond << "\"><attribute name=\"A\" type=\"String\" default=\"x\"/>"
        << "<Table COND=\"" << c.table_cond << "\"><attribute name=\"A\" type=\"String\" default=\"x\"/>"
        << "<Chart cond=\"" << c.chart_cond << "\"><attribute name=\"A\" type=\"String\" default=\"x\"/></Chart>"
        << "<Field cond=\"" << c.field_cond << "\"><attribute name=\"A\" type=\"String\" default=\"x\"/></Field>"
        << "</Table></Database></Project>";
    ASSERT_TRUE(AddExtension(*proj_, ext, "", ext + ".xml"));
    AGP& p = *proj_;
    std::string got;
    auto note = [&](const char* what, const Variant& v) {
      if (!v.is_null()) got += (got.empty() ? "" : " ") + std::string(what);
    };
    note("proj", GetExtProjAtt(p, ext, "A"));
    note("db", GetExtDbAtt(p, ext, "A"));
    for (const char* t : {"orders", "v_orders"}) note(t, GetExtTblAtt(p, ext, t, "A"));
    for (const char* ch : {"sales", "trend"}) note(ch, GetExtChartAtt(p, ext, "orders", ch, "A"));
    for (const char* f : {"id", "total", "secret"}) note(f, GetExtFldAtt(p, ext, "orders", f, "A"));
    EXPECT_EQ(got, c.extended);
  }
}

}  // namespace
}  // namespace tolvex::testing
