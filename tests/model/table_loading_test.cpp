#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/fake_driver.h"
#include "fields/model_fixture.h"
#include "model/tables.h"

namespace tolvex {
namespace {

using testing::driver_field;
using testing::driver_table;
using vb::Variant;

class TableLoading : public testing::ModelFixture {
 protected:
  TableLoading() {
    ctx().CurrentDbmsName = "MySQL";
    ctx().DefaultTblSecurity = Variant("Default");
  }
  vb::Ref<AGPTable> add(const std::string& name) {
    EXPECT_TRUE(tables_.Add(name));
    return tables_.Item(Variant(name));
  }
  AGPTables tables_;
};

TEST_F(TableLoading, ReadsFieldsKeyAndDefaults) {
  auto t = add("order_items");
  t->Load_zvDB(driver_table("TABLE",
                            {driver_field("id", 3), driver_field("Qty", 3), driver_field("id", 200),
                             driver_field("qty", 202), driver_field("", 200)},
                            "id, qty"),
               Variant(true));
  AGPFields& f = *t->Fields();
  ASSERT_EQ(f.Count(), 2);  // a duplicate and an empty name are skipped; a letter-case twin renames
  EXPECT_EQ(f.at(0)->FldName(), "id");
  EXPECT_EQ(f.at(0)->FldType(), 3);  // filled from the first column of that name
  EXPECT_EQ(f.at(1)->FldName(), "qty");
  EXPECT_EQ(f.at(1)->FldType(), 202);  // and the twin from the second
  EXPECT_EQ(f.at(1)->FldSeq(), 2);
  EXPECT_TRUE(f.at(0)->FldIsPrimaryKey());
  EXPECT_TRUE(f.at(1)->FldIsPrimaryKey());  // each key part is trimmed
  EXPECT_EQ(t->TblKey(), "id, qty");
  EXPECT_TRUE(t->TblLoaded());
  EXPECT_FALSE(t->TblGen());  // the defaults switch generation off again
  EXPECT_EQ(t->TblCaption(), "Order Items");
  EXPECT_EQ(t->TblVar(), "order_items");
  EXPECT_TRUE(t->TblEdit());
  EXPECT_EQ(t->TblSrchType(), "BASIC");
  EXPECT_EQ(t->TblSecurity(), "Default");
  EXPECT_EQ(t->TblRptSrc(), "order_items");
  EXPECT_EQ(t->TblReportType(), "list");
  EXPECT_EQ(notices(), std::vector<std::string>{"rename field order_items.Qty qty"});
}

TEST_F(TableLoading, DynamicLoadLeavesTablesForLater) {
  ctx().CurrentDynamicLoad = true;
  auto later = add("later");
  later->Load_zvDB(driver_table("VIEW", {driver_field("a", 3)}, "a"), Variant(true));
  EXPECT_EQ(later->TblType(), "VIEW");
  EXPECT_EQ(later->Fields()->Count(), 0);
  EXPECT_FALSE(later->TblLoaded());
  EXPECT_FALSE(later->TblGen());
  EXPECT_EQ(later->TblCaption(), "");
  // Loading that one table reads it in full whatever the setting.
  later->Load_zvDB(driver_table("VIEW", {driver_field("a", 3)}, "missing"), Variant(false));
  EXPECT_EQ(later->Fields()->Count(), 1);
  EXPECT_FALSE(later->Fields()->at(0)->FldIsPrimaryKey());
  EXPECT_TRUE(later->TblLoaded());
  EXPECT_FALSE(later->TblEdit());  // only a TABLE is editable
}

TEST_F(TableLoading, CustomViewColumnSources) {
  auto v = add("cv");
  v->TblCustomSQL("SELECT o.id AS num, o.total FROM orders o");
  v->TblCustomError("old error");
  v->Load_zvDB(driver_table("CUSTOMVIEW", {driver_field("num", 3), driver_field("total", 5)}, ""),
               Variant(false));
  AGPFields& f = *v->Fields();
  EXPECT_TRUE(f.at(0)->FldAlias());
  EXPECT_EQ(f.at(0)->FldSourceTable(), "orders");
  EXPECT_EQ(f.at(0)->FldSourceField(), "id");
  EXPECT_FALSE(f.at(1)->FldAlias());
  EXPECT_EQ(f.at(1)->FldSourceField(), "total");
  EXPECT_EQ(v->TblCustomError(), "");
  EXPECT_EQ(v->TblKey(), "");

  // SQL that cannot be parsed leaves the sources as they were.
  v->TblCustomSQL("not a query");
  f.at(1)->FldSourceField("kept");
  v->ParseCustomSql();
  EXPECT_EQ(f.at(1)->FldSourceField(), "kept");
}

TEST_F(TableLoading, ReportDefaults) {
  auto r = add("rpt");
  r->TblType("REPORT");
  r->TblGen(true);
  r->TblRptSrc("orders");
  r->TblCaption("Mine");
  r->LoadTableDefault();
  EXPECT_TRUE(r->TblGen());
  EXPECT_EQ(r->TblRptSrc(), "orders");
  EXPECT_EQ(r->TblReportType(), "");
  EXPECT_EQ(r->TblSrchType(), "NONE");
  EXPECT_EQ(r->TblCaption(), "Rpt");  // always made from the name
  EXPECT_FALSE(r->TblAdd());
}

}  // namespace
}  // namespace tolvex
