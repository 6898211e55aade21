// Loading a database, one table on demand and the databases of a server into a
// project through the fixture driver.
#include <gtest/gtest.h>

#include <fstream>

#include "database/custom_tables.h"
#include "database/import_fixture.h"
#include "database/schema_import.h"
#include "foundation/agp_vars.h"

namespace tolvex {
namespace {

using vb::Variant;

class SchemaImport : public testing::ImportFixture {};

TEST_F(SchemaImport, LoadAllReadsEveryTableAndViewWithKeysSettingsAndMenu) {
  LoadDB(*project_, shop());
  ASSERT_EQ(ctx().ProjErr, "");
  ASSERT_TRUE(project_->DB());
  EXPECT_EQ(project_->DBCnt(), 1);
  EXPECT_EQ(project_->current_database_name(), "shop");
  // The sequence is neither a table nor a view.
  EXPECT_EQ(table_names(), (std::vector<std::string>{"customers", "orders", "v_customers"}));
  struct Row {
    const char* name;
    const char* type;
    int16_t seq;
    const char* key;
    std::vector<std::string> fields;
    std::vector<std::string> key_fields;
  } rows[] = {
      {"customers", "TABLE", 1, "id", {"id", "name", "email"}, {"id"}},
      {"orders", "TABLE", 2, "line\r\norder_id", {"line", "order_id", "status", "total"}, {"line", "order_id"}},
      {"v_customers", "VIEW", 3, "", {"id", "name"}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto t = table(r.name);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->TblType(), r.type);
    EXPECT_EQ(t->TblSeq(), r.seq);
    EXPECT_EQ(t->TblKey(), r.key);
    EXPECT_TRUE(t->TblLoaded());
    EXPECT_EQ(t->TblView(), std::string(r.type) == "TABLE");  // views get no view page (but on Oracle)
    EXPECT_EQ(field_names(r.name), r.fields);
    std::vector<std::string> keys;
    for (const auto& f : r.fields)
      if (t->Fields()->Item(Variant(f))->FldIsPrimaryKey()) keys.push_back(f);
    EXPECT_EQ(keys, r.key_fields);
  }
  // The first of two columns with one name is the one read.
  EXPECT_EQ(table("customers")->Fields()->Item(Variant("name"))->FldSize(), 60);

  AGPDatabase& db = *project_->DB();
  EXPECT_EQ(db.DBType(), "mysql");
  EXPECT_EQ(db.DBHost(), "db.example");
  EXPECT_EQ(db.DBPort(), "3306");
  EXPECT_EQ(db.DBUID(), "app");
  EXPECT_EQ(db.DBPwd(), "pw");
  EXPECT_EQ(db.DBEncoding(), "utf8");
  EXPECT_EQ(db.DBDBMSVer(), "3.0");
  EXPECT_EQ(db.DBProviderVer(), "3.0");
  EXPECT_EQ(AGPVars::DbKindFromName(db.DBDBMSName()), 5);
  EXPECT_EQ(AGPVars::DbKindFromName(db.DBProviderName()), 5);
  EXPECT_EQ(db.DBQuoteS(), "`");
  EXPECT_EQ(db.DBQuoteE(), "`");
  EXPECT_EQ(ctx().CurrentDbmsName, db.DBDBMSName());
  EXPECT_EQ(project_->XMLEncoding(), "utf8");

  EXPECT_EQ(menu(), (std::vector<std::string>{"customers|Customers|hidden", "orders|Orders|hidden",
                                              "v_customers|V Customers|hidden"}));
  EXPECT_EQ(driver_->calls(),
            (std::vector<std::string>{"Connect type=mysql key=Software\\Tolvex\\3.0\\Settings schema= host=db.example "
                                      "db=shop user=app port=3306 method= quote=`",
                                      "GetTables "}));
  EXPECT_TRUE(ui_->questions().empty());
}

TEST_F(SchemaImport, LoadDbRefusalsAndFailuresLeaveNoDatabase) {
  struct Case {
    const char* what;
    ConnectionSettings c;
    const char* error;
  } cases[] = {
      {"no name", shop(""), "Invalid DBName specified!"},
      {"unknown database", shop("nowhere"), "Unknown database 'nowhere'"},
      {"unknown database, upper-case type", shop("nowhere", "MySQL"), "Unknown database 'nowhere'"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    LoadDB(*project_, k.c);
    EXPECT_EQ(ctx().ProjErr, k.error);
    EXPECT_FALSE(project_->DB());
    EXPECT_EQ(project_->DBCnt(), 0);
    EXPECT_EQ(project_->current_database_name(), "");
    EXPECT_EQ(project_->MenuList()->Count(), 0);
  }
  LoadDB(*project_, shop());
  ASSERT_EQ(ctx().ProjErr, "");
  LoadDB(*project_, shop("hr"));
  EXPECT_EQ(ctx().ProjErr, "database already loaded!");
  EXPECT_EQ(project_->DB()->DBName(), "shop");
}

// A driver whose table read fails after a successful connection.
class FailingReadDriver : public platform::FixtureSchemaDriver {
 public:
  using FixtureSchemaDriver::FixtureSchemaDriver;
  bool fail_reads = true;
  vb::Ref<platform::DriverTables> GetTables(std::string_view name) override {
    if (fail_reads) fail("Lost connection to server during query");
    return FixtureSchemaDriver::GetTables(name);
  }
};

TEST_F(SchemaImport, FailedReadsLeaveNothingHalfBuilt) {
  auto failing = vb::make_ref<FailingReadDriver>(std::string(TOLVEX_TEST_DIR) + "/fixtures/import.schema");
  use_driver(failing);
  LoadDB(*project_, shop());
  EXPECT_EQ(ctx().ProjErr, "Lost connection to server during query");
  EXPECT_FALSE(project_->DB());
  EXPECT_EQ(project_->DBCnt(), 0);

  // Loaded on demand: the failing read of one table leaves it unread, and a direct
  // reload of a loaded database keeps its settings and tables.
  failing->fail_reads = false;
  project_->DynamicLoadDB(true);
  LoadDB(*project_, shop());
  ASSERT_EQ(ctx().ProjErr, "");
  failing->fail_reads = true;
  LoadTable(*project_, "orders");
  EXPECT_EQ(ctx().ProjErr, "Lost connection to server during query");
  EXPECT_FALSE(table("orders")->TblLoaded());
  EXPECT_EQ(table("orders")->Fields()->Count(), 0);

  std::vector<Variant> args{Variant("other.host"), Variant("shop"), Variant("mysql"), Variant("u"), Variant("p"),
                            Variant("1"),          Variant(""),     Variant(""),      Variant(""),  Variant(""),
                            Variant("")};
  EXPECT_EQ(vb::to_integer(project_->DB()->call("LoadzvDB", vb::Args(args))), 3);
  EXPECT_EQ(project_->DB()->DBHost(), "db.example");
  EXPECT_EQ(table_names(), (std::vector<std::string>{"customers", "orders", "v_customers"}));
}

TEST_F(SchemaImport, DynamicLoadDefersFieldsUntilLoadTable) {
  project_->DynamicLoadDB(true);
  LoadDB(*project_, shop());
  ASSERT_EQ(ctx().ProjErr, "");
  for (const char* name : {"orders", "customers", "v_customers"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(table(name)->TblLoaded());
    EXPECT_FALSE(table(name)->TblGen());
    EXPECT_EQ(table(name)->Fields()->Count(), 0);
  }
  EXPECT_TRUE(menu().empty());

  struct Step {
    const char* table;
    const char* error;
  } steps[] = {
      {"orders", ""},
      {"orders", "Tolvex: Table orders already loaded!"},
      {"Customers", "Tolvex: Table Customers not found!"},  // names compare exactly
      {"order_seq", "Tolvex: Table order_seq not found!"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.table);
    LoadTable(*project_, s.table);
    EXPECT_EQ(ctx().ProjErr, s.error);
  }
  EXPECT_TRUE(table("orders")->TblLoaded());
  EXPECT_EQ(field_names("orders"), (std::vector<std::string>{"line", "order_id", "status", "total"}));
  EXPECT_EQ(table("orders")->TblKey(), "line\r\norder_id");
  EXPECT_EQ(table("customers")->Fields()->Count(), 0);
  EXPECT_EQ(menu(), std::vector<std::string>{"orders|Orders|hidden"});
  EXPECT_EQ(driver_->calls().back(), "GetTables orders");

  project_->set_current_database(nullptr);
  LoadTable(*project_, "customers");
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Database not loaded!");
}

TEST_F(SchemaImport, LetterCaseTwinIsLeftOutAndReported) {
  LoadDB(*project_, shop("twins"));
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(table_names(), (std::vector<std::string>{"Orders", "stock"}));
  EXPECT_EQ(field_names("Orders"), std::vector<std::string>{"id"});  // nothing of "orders" merged in
  ASSERT_EQ(ui_->questions().size(), 1u);
  EXPECT_EQ(ui_->questions()[0].kind, "message_box");
  EXPECT_NE(ui_->questions()[0].text.find("\"Orders\" and \"orders\""), std::string::npos);
}

TEST_F(SchemaImport, OracleViewsAndOtherDatabaseTypes) {
  ConnectionSettings hr = shop("hr", "oracle");
  hr.sid = "XE";
  LoadDB(*project_, hr);
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(table("EMP_VIEW")->TblView());
  EXPECT_EQ(driver_->calls()[0],
            "Connect type=oracle key=Software\\Tolvex\\3.0\\Settings schema=XE host=db.example db=hr user=app "
            "port=3306 method= quote=");
  UnLoadDB(*project_);

  // Another kind of database: a database without tables, and nothing is read.
  const size_t calls = driver_->calls().size();
  LoadDB(*project_, shop("anything", "access"));
  EXPECT_EQ(ctx().ProjErr, "");
  ASSERT_TRUE(project_->DB());
  EXPECT_EQ(project_->DB()->DBType(), "access");
  EXPECT_EQ(project_->DB()->Tables()->Count(), 0);
  LoadTable(*project_, "x");
  EXPECT_EQ(ctx().ProjErr, "Tolvex: Table x not found!");
  EXPECT_EQ(driver_->calls().size(), calls);
}

TEST_F(SchemaImport, DatabaseNamesAndMembersByName) {
  std::vector<Variant> args{Variant("mysql"), Variant("db.example"), Variant("3306"), Variant("app"),
                            Variant("pw"),    Variant(""),           Variant(""),     Variant(""),
                            Variant("")};
  EXPECT_EQ(vb::to_string(project_->call("LoadDatabaseNames", vb::Args(args))), "hr\r\nshop\r\ntwins");
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_FALSE(vb::to_bool(project_->call("JVMLoaded")));
  std::vector<Variant> load{Variant("shop"), Variant("mysql")};
  load.insert(load.end(), args.begin() + 1, args.end());
  project_->SetV("DynamicLoadDB", "True");
  project_->call("LoadDB", vb::Args(load));
  EXPECT_EQ(ctx().ProjErr, "");
  std::vector<Variant> one{Variant("orders")};
  project_->call("LoadTable", vb::Args(one));
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_TRUE(table("orders")->TblLoaded());
  EXPECT_FALSE(table("customers")->TblLoaded());

  // A server that refuses the user: the names are empty and the reason is told.
  auto strict_file = docs_ / "strict.schema";
  {
    std::ofstream out(strict_file);
    out << "user name=admin password=secret\ndatabase name=shop\n";
  }
  use_driver(vb::make_ref<platform::FixtureSchemaDriver>(strict_file));
  EXPECT_EQ(vb::to_string(project_->call("LoadDatabaseNames", vb::Args(args))), "");
  EXPECT_EQ(ctx().ProjErr, "Access denied for user 'app'");
}

}  // namespace
}  // namespace tolvex
