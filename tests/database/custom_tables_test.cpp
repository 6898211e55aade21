// Custom views, reports and charts on a loaded database, and unloading it.
#include <gtest/gtest.h>

#include "database/custom_tables.h"
#include "database/import_fixture.h"
#include "database/schema_import.h"

namespace tolvex {
namespace {

using vb::Variant;

class CustomTables : public testing::ImportFixture {
 protected:
  void SetUp() override {
    LoadDB(*project_, shop());
    ASSERT_EQ(ctx().ProjErr, "");
  }
};

TEST_F(CustomTables, CustomViewsAreAddedOrRefusedWithoutTrace) {
  struct Case {
    const char* name;
    const char* sql;
    const char* error;               // "" = added
    std::vector<std::string> fields;  // of the new view
    bool connects;                    // the driver is asked at all
  } cases[] = {
      {"cv_names", "SELECT id, name AS customer FROM customers", "", {"id", "customer"}, true},
      {"cv_twice", "SELECT id, email AS id FROM customers",
       "Columns with same field name: id. Please create Alias for the fields.", {}, true},
      // Names that differ only in letter case would become one field.
      {"cv_case", "SELECT id, email AS ID FROM customers",
       "Columns with same field name: id. Please create Alias for the fields.", {}, true},
      {"cv_bad", "SELECT nope FROM customers", "Unknown column 'nope' in 'field list'", {}, true},
      {"orders", "SELECT id FROM customers", "Tolvex: Table/View orders already exists!", {}, false},
      {"Orders", "SELECT id FROM customers",
       "Tolvex: The tables \"orders\" and \"Orders\" have names that differ only in letter case; a project cannot "
       "hold both. Rename one of them in the database.",
       {}, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const size_t calls = driver_->calls().size();
    const std::vector<std::string> names = table_names();
    const std::vector<std::string> menu_before = menu();
    LoadCustomView(*project_, k.name, k.sql, false);
    EXPECT_EQ(ctx().ProjErr, k.error);
    EXPECT_EQ(driver_->calls().size() > calls, k.connects);
    if (*k.error) {
      EXPECT_EQ(table_names(), names);  // a twin's name never renames the table either
      EXPECT_EQ(menu(), menu_before);
      continue;
    }
    auto view = table(k.name);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->TblType(), "CUSTOMVIEW");
    EXPECT_EQ(view->TblCustomSQL(), k.sql);
    EXPECT_TRUE(view->TblLoaded());
    EXPECT_EQ(field_names(k.name), k.fields);
    EXPECT_EQ(project_->MenuList()->GetItemByTableName(k.name)->MenuText(), "Cv Names");
  }
  EXPECT_EQ(table("cv_names")->Fields()->Item(Variant("customer"))->FldSourceField(), "name");
}

TEST_F(CustomTables, ProgressWindowIsClosedOnEveryOutcome) {
  using Call = platform::RecordingProgress::Call;
  struct Case {
    const char* what;
    bool report;
    const char* name;
    const char* source;  // SQL or source table
  } cases[] = {
      {"custom view", false, "cv", "SELECT id FROM customers"},
      {"custom view with duplicate columns", false, "cv2", "SELECT id, id FROM customers"},
      {"custom view with bad SQL", false, "cv3", "SELECT FROM"},
      {"report", true, "rpt", "orders"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    progress_->clear();
    if (k.report) LoadReport(*project_, k.name, k.source);
    else LoadCustomView(*project_, k.name, k.source, false);
    const auto& calls = progress_->calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], (Call{"ShowProgress2", 0, std::string("Tolvex - Loading ") + k.name + "...", 0}));
    EXPECT_EQ(calls[1].function, "SetInfo");
    EXPECT_EQ(calls[1].text, "Please wait...");
    EXPECT_EQ(calls.back().function, "CloseProgress");
  }
}

TEST_F(CustomTables, CustomViewFieldsTakeSourceSettingsOnlyWhenAsked) {
  auto source = table("customers")->Fields()->Item(Variant("name"));
  source->FldCaption("Customer name");
  source->FldSearch(false);
  for (bool copy : {false, true}) {
    SCOPED_TRACE(copy);
    const std::string name = copy ? "cv_copied" : "cv_plain";
    LoadCustomView(*project_, name, "SELECT c.id, c.name FROM customers c", copy);
    ASSERT_EQ(ctx().ProjErr, "");
    auto f = table(name)->Fields()->Item(Variant("name"));
    EXPECT_EQ(f->FldSourceTable(), "customers");
    EXPECT_EQ(f->FldCaption(), copy ? "Customer name" : "Name");
    EXPECT_EQ(f->FldName(), "name");
    EXPECT_EQ(f->FldSeq(), 2);
  }
}

TEST_F(CustomTables, ReportsCopyTheirSourceWithoutEditPages) {
  auto email = table("customers")->Fields()->Item(Variant("email"));
  email->FldCaption("Mail");
  email->FldAdd(true);
  email->FldSearch(true);
  project_->RecPerPage(int16_t(25));
  project_->ExportWord(true);
  ASSERT_TRUE(LoadReport(*project_, "rpt_customers", "customers"));
  EXPECT_EQ(ctx().ProjErr, "");
  auto r = table("rpt_customers");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->TblType(), "REPORT");
  EXPECT_EQ(r->TblRptSrc(), "customers");
  EXPECT_TRUE(r->TblLoaded());
  EXPECT_TRUE(r->TblGen());
  EXPECT_EQ(r->TblSrchType(), "NONE");
  EXPECT_EQ(r->TblRecPerPage(), 25);
  EXPECT_TRUE(r->TblExportWord());
  EXPECT_EQ(field_names("rpt_customers"), (std::vector<std::string>{"id", "name", "email"}));
  auto f = r->Fields()->Item(Variant("email"));
  EXPECT_EQ(f->FldCaption(), "Mail");
  for (bool page : {f->FldAdd(), f->FldView(), f->FldEdit(), f->FldSearch(), f->FldBasicSearch(), f->FldRegister()})
    EXPECT_FALSE(page);
  EXPECT_EQ(r->Fields()->Item(Variant("name"))->FldSeq(), 2);
  EXPECT_EQ(project_->MenuList()->GetItemByTableName("rpt_customers")->MenuShow(), true);

  struct Case {
    const char* name;
    const char* from;
    const char* error;
  } refused[] = {
      {"rpt_customers", "customers", "Tolvex: Table/View rpt_customers already exists!"},
      {"rpt_none", "nowhere", "Tolvex: Table/View nowhere not exist or loaded!"},
      {"RPT_CUSTOMERS", "customers",
       "Tolvex: The tables \"rpt_customers\" and \"RPT_CUSTOMERS\" have names that differ only in letter case; a "
       "project cannot hold both. Rename one of them in the database."},
  };
  for (const Case& k : refused) {
    SCOPED_TRACE(k.name);
    EXPECT_FALSE(LoadReport(*project_, k.name, k.from));
    EXPECT_EQ(ctx().ProjErr, k.error);
    EXPECT_EQ(tables().Count(), 4);
  }
}

TEST_F(CustomTables, ReportNeedsALoadedSource) {
  UnLoadDB(*project_);
  project_->DynamicLoadDB(true);
  LoadDB(*project_, shop());
  EXPECT_FALSE(LoadReport(*project_, "rpt", "orders"));
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Table/View orders not exist or loaded!");
  EXPECT_FALSE(table("rpt"));
}

TEST_F(CustomTables, ChartsAreAddedAndCopiedWithTheirTrendLines) {
  ASSERT_TRUE(LoadChart(*project_, "Sales", "orders"));
  EXPECT_EQ(ctx().ProjErr, "");
  AGPCharts& charts = *table("orders")->Charts();
  auto sales = charts.Item(Variant("Sales"));
  sales->ChartGridColor("#112233");
  sales->ChartNumGridLines(int16_t(7));
  for (const char* t : {"avg", "max"}) sales->Trendlines()->Add(t);
  sales->Trendlines()->Item(Variant("max"))->Properties()->Item("TrendColor")->setValue(Variant("#ff0000"));

  ASSERT_TRUE(CopyChart(*project_, "Sales", "Sales 2", "orders"));
  auto copy = charts.Item(Variant("Sales 2"));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->ChartGridColor(), "#112233");
  EXPECT_EQ(copy->ChartNumGridLines(), 7);
  EXPECT_EQ(copy->ChartSeq(), 2);
  ASSERT_EQ(copy->Trendlines()->Count(), 2);
  EXPECT_EQ(copy->Trendlines()->Seq(1)->TrendName(), "avg");
  EXPECT_EQ(vb::to_string(copy->Trendlines()->Item(Variant("max"))->Properties()->Item("TrendColor")->Value()),
            "#ff0000");

  struct Case {
    const char* what;
    bool copy;
    const char* from;
    const char* to;
    const char* table;
    const char* error;
  } refused[] = {
      {"chart of a missing table", false, "", "X", "nowhere", "Tolvex: Chart source nowhere not exist!"},
      {"existing chart", false, "", "Sales", "orders", "Tolvex: Chart Sales already exists!"},
      {"letter-case twin of a chart", false, "", "SALES", "orders", "Tolvex: Chart SALES already exists!"},
      {"copy onto itself", true, "Sales", "Sales", "orders", "Tolvex: Chart Sales already exists!"},
      {"copy of a missing chart", true, "Nope", "New", "orders", "Tolvex: Chart Nope does not exist!"},
      {"copy to a twin", true, "Sales", "sales 2", "orders", "Tolvex: Chart sales 2 already exists!"},
      {"copy in a missing table", true, "Sales", "New", "nowhere", "Tolvex: Chart source nowhere not exist!"},
  };
  for (const Case& k : refused) {
    SCOPED_TRACE(k.what);
    EXPECT_FALSE(k.copy ? CopyChart(*project_, k.from, k.to, k.table) : LoadChart(*project_, k.to, k.table));
    EXPECT_EQ(ctx().ProjErr, k.error);
  }
  EXPECT_EQ(charts.Count(), 2);
  EXPECT_TRUE(charts.Item(Variant("Sales")));  // never renamed by a twin
}

TEST_F(CustomTables, UnloadDropsDatabaseMenuAndLoginSettings) {
  project_->MenuList()->AddMenu(-1, "Home", -1, "https://example.test", true);
  project_->SecTbl("customers");
  project_->SecLoginIDFld("email");
  project_->SecPasswdFld("name");
  ctx().ProjErr = "earlier";
  UnLoadDB(*project_);
  EXPECT_FALSE(project_->DB());
  EXPECT_EQ(project_->DBCnt(), 0);
  EXPECT_EQ(project_->current_database_name(), "");
  EXPECT_EQ(project_->MenuList()->Count(), 0);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(project_->SecTbl(), "");
  EXPECT_EQ(project_->SecLoginIDFld(), "");
  EXPECT_EQ(project_->SecPasswdFld(), "");

  // A second unload changes nothing, the last error included.
  ctx().ProjErr = "kept";
  project_->SecTbl("x");
  project_->call("UnLoadDB");
  EXPECT_EQ(ctx().ProjErr, "kept");
  EXPECT_EQ(project_->SecTbl(), "x");

  // Every operation needs a database.
  EXPECT_FALSE(LoadReport(*project_, "r", "customers"));
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Database not loaded!");
  LoadCustomView(*project_, "v", "SELECT 1", false);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Database not loaded!");
  EXPECT_FALSE(LoadChart(*project_, "c", "orders"));
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Database not loaded!");
  EXPECT_FALSE(CopyChart(*project_, "c", "d", "orders"));
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Database not loaded!");
}

TEST_F(CustomTables, MembersByNameOfProjectAndDatabase) {
  std::vector<Variant> view{Variant("cv"), Variant("SELECT id FROM customers"), Variant(false)};
  project_->call("LoadCustomView", vb::Args(view));
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(table("cv"));
  std::vector<Variant> dup{Variant("cv2"), Variant("SELECT id, id FROM customers")};
  EXPECT_EQ(vb::to_integer(project_->DB()->call("LoadzvCustomView", vb::Args(dup))), 2);
  EXPECT_FALSE(table("cv2"));
  std::vector<Variant> report{Variant("r"), Variant("orders")};
  EXPECT_TRUE(vb::to_bool(project_->call("LoadReport", vb::Args(report))));
  std::vector<Variant> chart{Variant("c"), Variant("r")};
  EXPECT_TRUE(vb::to_bool(project_->call("LoadChart", vb::Args(chart))));
  std::vector<Variant> copy{Variant("c"), Variant("d"), Variant("r")};
  EXPECT_TRUE(vb::to_bool(project_->call("CopyChart", vb::Args(copy))));
  EXPECT_EQ(table("r")->Charts()->Count(), 2);
}

}  // namespace
}  // namespace tolvex
