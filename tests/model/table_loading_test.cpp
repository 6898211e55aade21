#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fields/fake_driver.h"
#include "fields/model_fixture.h"
#include "model/table_loading.h"
#include "model/tables.h"
#include "platform/schema/fixture_driver.h"
#include "vb/error.h"

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
  EXPECT_EQ(t->TblKey(), "id\r\nqty");  // one name per line, as the key bookkeeping writes it
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

  // A custom view loaded with such SQL keeps empty sources and still gets its defaults.
  auto odd = add("odd_view");
  odd->TblCustomSQL("SELECT ((( broken");
  odd->TblCustomError("old error");
  odd->Load_zvDB(driver_table("CUSTOMVIEW", {driver_field("x", 3)}, ""), Variant(false));
  ASSERT_EQ(odd->Fields()->Count(), 1);
  EXPECT_EQ(odd->Fields()->at(0)->FldSourceTable(), "");
  EXPECT_EQ(odd->Fields()->at(0)->FldSourceName(), "");
  EXPECT_EQ(odd->TblCustomError(), "");
  EXPECT_EQ(odd->TblCaption(), "Odd View");
  EXPECT_TRUE(odd->TblLoaded());
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

TEST_F(TableLoading, KeyListsComeOutOneNamePerLineSorted) {
  struct Case {
    const char* pk;
    const char* key;
    std::vector<std::string> marked;
  } cases[] = {
      {"", "", {}},
      {"order_id,line_no", "line_no\r\norder_id", {"line_no", "order_id"}},
      {" b , a ", "a\r\nb", {"a", "b"}},
      {"a,,missing", "a\r\nmissing", {"a"}},                // a name not in the table marks nothing
      {"\"x,y\", a", "a\r\nx,y", {"a", "x,y"}},            // a quoted name may hold a comma
      {"\" b\"\"q\"", " b\"q", {" b\"q"}},                // blanks inside quotes count
      {"\"open", "\"open", {}},                              // an unclosed quote is taken as written
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pk);
    AGPTables tables;
    ASSERT_TRUE(tables.Add("t"));
    auto t = tables.Item(Variant("t"));
    t->Load_zvDB(driver_table("TABLE",
                              {driver_field("a", 3), driver_field("b", 3), driver_field("line_no", 2),
                               driver_field("order_id", 3), driver_field("x,y", 3), driver_field(" b\"q", 3)},
                              c.pk),
                 Variant(true));
    EXPECT_EQ(t->TblKey(), c.key);
    std::vector<std::string> marked;
    for (size_t i = 0; i < t->Fields()->size(); ++i) {
      if (t->Fields()->at(i)->FldIsPrimaryKey()) marked.push_back(t->Fields()->at(i)->FldName());
    }
    EXPECT_EQ(marked, c.marked);
  }
}

TEST_F(TableLoading, FailingDriverLeavesNoHalfBuiltTable) {
  auto t = add("orders");
  t->TblCaption("Mine");
  // The third column lacks a member that the field loader reads.
  Variant broken = testing::object({{"Name", Variant("c")}, {"IsEnum", Variant(false)}, {"IsSet", Variant(false)}});
  EXPECT_THROW(t->Load_zvDB(driver_table("TABLE", {driver_field("a", 3), driver_field("b", 200), broken}, "a"),
                            Variant(false)),
               vb::VBError);
  EXPECT_EQ(t->Fields()->Count(), 0);
  EXPECT_EQ(t->TblType(), "");
  EXPECT_FALSE(t->TblLoaded());
  EXPECT_EQ(t->TblKey(), "");
  EXPECT_EQ(t->TblCaption(), "Mine");
  // A table object without PKField fails after every field was read: the same.
  Variant no_key = testing::object({{"TableType", Variant("TABLE")},
                                    {"Fields", Variant(vb::Ref<vb::Dispatch>(vb::make_ref<testing::FakeList>(
                                                   std::vector<Variant>{driver_field("a", 3)})))}});
  EXPECT_THROW(t->Load_zvDB(no_key, Variant(false)), vb::VBError);
  EXPECT_EQ(t->Fields()->Count(), 0);
  EXPECT_EQ(t->TblType(), "");
  // The same table loads in full afterwards.
  t->Load_zvDB(driver_table("TABLE", {driver_field("a", 3)}, "a"), Variant(false));
  EXPECT_EQ(t->Fields()->Count(), 1);
  EXPECT_EQ(t->TblKey(), "a");
}

TEST_F(TableLoading, LetterCaseTwinsOfTablesAreKeptApart) {
  auto first = add("Orders");
  first->Load_zvDB(driver_table("TABLE", {driver_field("id", 3), driver_field("total", 5)}, "id"), Variant(true));
  // The collection would take "orders" as a rename of "Orders": the loader asks first.
  EXPECT_TRUE(table_name_fits(tables_, "Orders"));
  EXPECT_TRUE(table_name_fits(tables_, "customers"));
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(table_name_fits(tables_, "orders"));
  EXPECT_EQ(ctx().ProjErr,
            "Tolvex: The tables \"Orders\" and \"orders\" have names that differ only in letter case; a project "
            "cannot hold both. Rename one of them in the database.");
  ctx().ProjErr.clear();
  EXPECT_FALSE(table_name_fits(tables_, "ORDERS"));

  // A loader that adds it anyway cannot merge the second table's columns into the first.
  ASSERT_TRUE(tables_.Add("orders"));
  auto renamed = tables_.Item(Variant("orders"));
  ASSERT_EQ(renamed.get(), first.get());
  ctx().ProjErr.clear();
  EXPECT_THROW(renamed->Load_zvDB(driver_table("TABLE", {driver_field("line", 3)}, "line"), Variant(true)),
               vb::VBError);
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Table orders already has fields; it is not read from the database again.");
  ASSERT_EQ(first->Fields()->Count(), 2);
  EXPECT_EQ(first->Fields()->at(1)->FldName(), "total");
  EXPECT_EQ(first->TblKey(), "id");
}

TEST_F(TableLoading, QuotedKeyNamesThroughTheFixtureDriver) {
  auto driver = vb::make_ref<platform::FixtureSchemaDriver>(std::string(TOLVEX_SOURCE_DIR) +
                                                            "/tests/fields/fixtures/field_rules.schema");
  driver->set_DatabaseType("oracle");
  platform::ConnectionValues v;
  v.database = "RULES";
  driver->Connect(v);
  ASSERT_EQ(driver->ErrorText(), "");
  vb::Ref<platform::DriverTables> found = driver->GetTables("KEYED");
  ASSERT_EQ(found->Count(), 1);
  auto t = add("KEYED");
  t->Load_zvDB(Variant(vb::Ref<vb::Dispatch>(found->Item(0))), Variant(true));
  EXPECT_EQ(t->TblKey(), "A,B\r\nC");
  AGPFields& f = *t->Fields();
  ASSERT_EQ(f.Count(), 3);
  for (int i : {0, 1}) {
    SCOPED_TRACE(f.at(i)->FldName());
    EXPECT_TRUE(f.at(i)->FldIsPrimaryKey());
    EXPECT_EQ(f.at(i)->FldAttribute() & 0x8000, 0x8000);  // the driver knows it for a key column too
    EXPECT_FALSE(f.at(i)->FldUniqueIdx());                  // part of a key of two
  }
  EXPECT_FALSE(f.at(2)->FldIsPrimaryKey());
}

}  // namespace
}  // namespace tolvex
