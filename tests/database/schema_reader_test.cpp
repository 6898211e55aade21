// The schema snapshot: records of a full read and of one custom view, and the refusals
// of the reader.
#include <gtest/gtest.h>

#include "database/import_fixture.h"
#include "database/schema_reader.h"
#include "foundation/agp_vars.h"
#include "foundation/class_registry.h"
#include "vb/error.h"

namespace tolvex {
namespace {

using vb::Variant;

class SchemaReader : public testing::ImportFixture {};

TEST_F(SchemaReader, FullReadGivesNumberedRecordsOfTablesAndViews) {
  AGPSchema schema;
  schema.LoadDB(shop());
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(schema.load_count(), 1);
  const AGSchemaDB& db = schema.database();
  EXPECT_EQ(db.DBName, "shop");
  EXPECT_EQ(db.DBType, "mysql");
  EXPECT_EQ(db.DBHost, "db.example");
  EXPECT_EQ(db.DBPort, "3306");
  EXPECT_EQ(db.DBUID, "app");
  EXPECT_EQ(db.DBPwd, "pw");
  EXPECT_EQ(AGPVars::DbKindFromName(db.DBDBMSName), 5);
  EXPECT_EQ(db.DBDBMSVer, "3.0");
  EXPECT_EQ(db.DBProviderVer, "3.0");
  EXPECT_EQ(db.DBEncoding, "");  // not filled by a read

  // The sequence leaves no trace; the others are numbered without gaps.
  ASSERT_EQ(schema.tblcnt(), 3);
  struct Row {
    const char* name;
    const char* type;
    const char* key;
    int16_t fields;
    size_t slots;  // entry 0 and one per driver column
  } rows[] = {
      {"customers", "TABLE", "id", 3, 5},  // the second column named "name" is left out
      {"orders", "TABLE", "line\r\norder_id", 4, 5},
      {"v_customers", "VIEW", "", 2, 3},
  };
  for (int16_t i = 1; i <= 3; ++i) {
    const Row& r = rows[i - 1];
    SCOPED_TRACE(r.name);
    AGSchemaTable t = schema.Tbl(i);
    EXPECT_EQ(t.TblSeq, i);
    EXPECT_EQ(t.TblName, r.name);
    EXPECT_EQ(t.TblType, r.type);
    EXPECT_EQ(t.TblKey, r.key);
    EXPECT_EQ(t.TblFldCnt, r.fields);
    EXPECT_EQ(t.TblFields.fld.size(), r.slots);
    for (int16_t k = 1; k <= t.TblFldCnt; ++k) EXPECT_EQ(t.TblFields.fld[size_t(k)].FldSeq, k);
  }
  EXPECT_EQ(schema.find_table("customers")->TblFields.fld[2].FldSize, 60);

  struct Field {
    const char* name;
    int16_t type;
    bool support;
    const char* quote;
    bool key;
    bool has_tags;
  } fields[] = {
      {"line", 2, true, "", true, false},
      {"order_id", 19, true, "", true, false},
      {"status", 202, true, "'", false, true},
      {"total", 131, true, "", false, false},
  };
  const AGSchemaTable& orders = *schema.find_table("orders");
  for (size_t k = 0; k < 4; ++k) {
    const Field& want = fields[k];
    const AGSchemaField& got = orders.TblFields.fld[k + 1];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(got.FldName, want.name);
    EXPECT_EQ(got.FldType, want.type);
    EXPECT_EQ(got.FldSupport, want.support);
    EXPECT_EQ(got.FldQuoteS, want.quote);
    EXPECT_EQ(got.FldQuoteE, want.quote);
    EXPECT_EQ(got.FldIsPrimaryKey, want.key);
    EXPECT_EQ(!got.FldTagValues.empty(), want.has_tags);
    EXPECT_TRUE(got.FldZeroLen);
    EXPECT_FALSE(got.FldSync);
  }
  EXPECT_EQ(vb::to_string(orders.TblFields.fld[3].FldDefault), "new");
  EXPECT_TRUE(orders.TblFields.fld[1].FldDefault.is_null());

  EXPECT_THROW(schema.Tbl(4), vb::VBError);
  EXPECT_THROW(schema.Tbl(-1), vb::VBError);
}

TEST_F(SchemaReader, LetterCaseTwinsOfTablesStayApartTwinColumnsFoldAsInTheProject) {
  AGPSchema schema;
  schema.LoadDB(shop("twins"));
  ASSERT_EQ(ctx().ProjErr, "");
  ASSERT_EQ(schema.tblcnt(), 3);
  ASSERT_TRUE(schema.find_table("Orders"));
  ASSERT_TRUE(schema.find_table("orders"));
  const AGSchemaTable& stock = *schema.find_table("stock");
  ASSERT_EQ(stock.TblFldCnt, 1);
  EXPECT_EQ(stock.TblFields.fld[1].FldName, "Sku");
  EXPECT_EQ(stock.TblFields.fld[1].FldType, 3);
}

TEST_F(SchemaReader, RefusalsAndFailures) {
  struct Case {
    const char* what;
    ConnectionSettings c;
    const char* error;
    int16_t count_after;
  } cases[] = {
      {"no name", shop(""), "invalid DBName specified!", 0},
      {"unknown database", shop("nowhere"), "Unknown database 'nowhere'", 0},
      {"another kind of database", shop("", "access"), "", 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    AGPSchema schema;
    schema.LoadDB(k.c);
    EXPECT_EQ(ctx().ProjErr, k.error);
    EXPECT_EQ(schema.load_count(), k.count_after);
    EXPECT_EQ(schema.tblcnt(), 0);
  }

  ConnectionSettings jdbc = shop();
  jdbc.method = "JDBC";
  {
    const size_t calls = driver_->calls().size();
    AGPSchema schema;
    schema.LoadDB(jdbc);
    EXPECT_EQ(ctx().ProjErr, "JDBC ERROR");
    EXPECT_EQ(driver_->calls().size(), calls);
  }

  AGPSchema schema;
  schema.LoadDB(shop());
  ASSERT_EQ(ctx().ProjErr, "");
  schema.LoadDB(shop());
  EXPECT_EQ(ctx().ProjErr, "database already loaded!");
  // A custom view would overwrite the first table record of a full read.
  EXPECT_EQ(schema.LoadzvCustomView(shop(), "cv", "SELECT id FROM customers"), 1);
  EXPECT_EQ(ctx().ProjErr, "database already loaded!");
  EXPECT_EQ(schema.Tbl(1).TblName, "customers");
}

TEST_F(SchemaReader, CustomViewRecordStandsAlone) {
  AGPSchema schema;
  ASSERT_EQ(schema.LoadzvCustomView(shop(), "cv", "SELECT id, email AS id, name FROM customers"), 0);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(schema.tblcnt(), 0);
  EXPECT_EQ(schema.load_count(), 0);
  const AGSchemaTable t = schema.Tbl(1);
  EXPECT_EQ(t.TblName, "cv");
  EXPECT_EQ(t.TblType, "CUSTOMVIEW");
  EXPECT_TRUE(t.TblGen);
  EXPECT_EQ(t.TblSeq, 0);
  EXPECT_EQ(t.TblKey, "");
  ASSERT_EQ(t.TblFldCnt, 3);  // no duplicate test here
  EXPECT_EQ(t.TblFields.fld[2].FldName, "id");
  EXPECT_EQ(t.TblFields.fld[2].FldType, 200);
  EXPECT_EQ(t.TblFields.fld[3].FldSeq, 3);

  AGPSchema failing;
  EXPECT_EQ(failing.LoadzvCustomView(shop(), "cv", "SELECT nope FROM customers"), 1);
  EXPECT_EQ(ctx().ProjErr, "Unknown column 'nope' in 'field list'");
  EXPECT_THROW(failing.Tbl(1), vb::VBError);
}

TEST_F(SchemaReader, CreatedByNameAndDrivenThroughItsMembers) {
  vb::Ref<vb::Dispatch> schema = create_object("Tolvex.AGPSchema");
  ASSERT_TRUE(schema);
  std::vector<Variant> args{Variant("shop"), Variant("mysql"), Variant("db.example"), Variant("3306"), Variant("app"),
                            Variant("pw"),   Variant(""),      Variant(""),           Variant(""),     Variant("")};
  schema->call("LoadDB", vb::Args(args));
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(vb::to_integer(schema->get("tblcnt")), 3);
  std::vector<Variant> two{Variant(int16_t(2))};
  vb::Ref<vb::Dispatch> orders = schema->get("Tbl", vb::Args(two)).object();
  EXPECT_EQ(vb::to_string(orders->get("TblName")), "orders");
  EXPECT_EQ(vb::to_string(orders->get("TblKey")), "line\r\norder_id");
  std::vector<Variant> three{Variant(3)};
  vb::Ref<vb::Dispatch> status = orders->get("TblFields").object()->get("fld", vb::Args(three)).object();
  EXPECT_EQ(vb::to_string(status->get("FldName")), "status");
  EXPECT_EQ(vb::to_integer(status->get("FldType")), 202);
  std::vector<Variant> four{Variant(4)};
  EXPECT_THROW(schema->get("Tbl", vb::Args(four)), vb::VBError);
}

}  // namespace
}  // namespace tolvex
