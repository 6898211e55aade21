// The fixture database of the private test server imported into a project. CTest starts
// the server (scripts/mariadb-test-server.sh) first; without it these tests fail under CI
// and are skipped elsewhere.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/custom_tables.h"
#include "database/database_check.h"
#include "database/import_fixture.h"
#include "database/mariadb/server_settings.h"
#include "database/schema_import.h"
#include "database/schema_reader.h"
#include "database/table_keys.h"
#include "platform/mariadb_server_env.h"
#include "platform/schema/mariadb_driver.h"

namespace tolvex {
namespace {

using vb::Variant;

class ServerImport : public testing::ImportFixture {
 protected:
  void SetUp() override {
    TOLVEX_OPEN_MARIADB_TEST_SERVER(env_, TOLVEX_TEST_DB_ENV);
    set_schema_driver(vb::make_ref<platform::MariaDbSchemaDriver>());
  }

  ConnectionSettings server(const std::string& database = "tolvex_test") const {
    return testing::server_settings(env_, database);
  }

  // A number that the server answers, through the client library directly.
  long long number(const std::string& query) {
    std::string error;
    const long long out = env_.query(query, "tolvex_test", error);
    if (!error.empty()) ADD_FAILURE() << query << ": " << error;
    return out;
  }

  testing::MariaDbServerEnv env_;
};

TEST_F(ServerImport, FixtureDatabaseBecomesTablesViewsKeysAndMenu) {
  LoadDB(*project_, server());
  ASSERT_EQ(ctx().ProjErr, "");
  // The sequence is neither a table nor a view; "mixed case" is the letter-case twin of
  // "Mixed Case" and is left out with a message.
  EXPECT_EQ(table_names(), (std::vector<std::string>{"Mixed Case", "all_types", "call_log", "defaults", "no_key",
                                                     "order_lines", "tagged", "v_orders", "versioned"}));
  ASSERT_EQ(ui_->questions().size(), 1u);
  EXPECT_NE(ui_->questions()[0].text.find("\"Mixed Case\" and \"mixed case\""), std::string::npos);
  struct Row {
    const char* table;
    const char* type;
    const char* key;
  } rows[] = {
      {"order_lines", "TABLE", "line_no\r\norder_id"},
      {"Mixed Case", "TABLE", "Id"},
      {"no_key", "TABLE", ""},
      {"v_orders", "VIEW", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.table);
    auto t = table(r.table);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->TblType(), r.type);
    EXPECT_EQ(t->TblKey(), r.key);
    EXPECT_TRUE(t->TblLoaded());
  }
  EXPECT_TRUE(table("order_lines")->Fields()->Item(Variant("order_id"))->FldIsPrimaryKey());
  EXPECT_FALSE(table("order_lines")->Fields()->Item(Variant("sku"))->FldIsPrimaryKey());
  EXPECT_EQ(field_names("v_orders"), (std::vector<std::string>{"order_id", "line_no", "item", "pair_sum"}));
  EXPECT_EQ(project_->DB()->DBQuoteS(), "`");
  const std::vector<std::string> entries = menu();
  ASSERT_EQ(entries.size(), 9u);
  EXPECT_EQ(entries[0], "Mixed Case|Mixed Case|hidden");
  EXPECT_EQ(entries[5], "order_lines|Order Lines|hidden");

  // A custom view is prepared, never run: the logging function is not called.
  const long long calls_before = number("SELECT COUNT(*) FROM call_log");
  LoadCustomView(*project_, "logged", "SELECT log_call() AS n, order_id FROM order_lines", false);
  EXPECT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(field_names("logged"), (std::vector<std::string>{"n", "order_id"}));
  EXPECT_EQ(table("logged")->TblType(), "CUSTOMVIEW");
  EXPECT_EQ(number("SELECT COUNT(*) FROM call_log"), calls_before);

  LoadCustomView(*project_, "twice", "SELECT order_id, sku AS ORDER_ID FROM order_lines", false);
  EXPECT_EQ(ctx().ProjErr, "Columns with same field name: order_id. Please create Alias for the fields.");
  EXPECT_FALSE(table("twice"));
}

TEST_F(ServerImport, ImportedKeysAreWhatTheKeyBookkeepingWrites) {
  // Composite keys in an order other than the column order; in tolvex_other with key names
  // that hold a comma, a double quote and a blank.
  for (const char* database : {"tolvex_test", "tolvex_other"}) {
    SCOPED_TRACE(database);
    project_ = vb::make_ref<AGP>();
    LoadDB(*project_, server(database));
    ASSERT_EQ(ctx().ProjErr, "");
    std::vector<std::string> imported;
    for (size_t i = 0; i < tables().size(); ++i) imported.push_back(tables().at(i)->TblKey());
    // The key bookkeeping derives every TblKey again from the key flags, as after a
    // synchronisation or when a project file is read: nothing changes ...
    BuildTableKeys(*project_);
    for (size_t i = 0; i < tables().size(); ++i) EXPECT_EQ(tables().at(i)->TblKey(), imported[i]) << i;
    // ... and the check against the unchanged database finds no key to differ: the only
    // differences left are the letter-case twin that the import refused and its one column.
    EXPECT_EQ(CheckDB(*project_), database == std::string("tolvex_test") ? 2 : 0);
  }
  EXPECT_EQ(table("key names")->TblKey(), "Zeta\r\na,b\r\nsay \"x\"");
}

TEST_F(ServerImport, TablesReadOnDemandAndReports) {
  project_->DynamicLoadDB(true);
  LoadDB(*project_, server());
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(table("order_lines")->Fields()->Count(), 0);
  EXPECT_TRUE(menu().empty());
  LoadTable(*project_, "order_lines");
  ASSERT_EQ(ctx().ProjErr, "");
  EXPECT_EQ(field_names("order_lines"),
            (std::vector<std::string>{"line_no", "note", "order_id", "sku", "serial", "pair_a", "pair_b"}));
  EXPECT_EQ(table("order_lines")->TblKey(), "line_no\r\norder_id");
  EXPECT_EQ(menu(), std::vector<std::string>{"order_lines|Order Lines|hidden"});
  ASSERT_TRUE(LoadReport(*project_, "lines_report", "order_lines"));
  EXPECT_EQ(field_names("lines_report"), field_names("order_lines"));
  EXPECT_EQ(menu().size(), 2u);
  UnLoadDB(*project_);
  EXPECT_FALSE(project_->DB());
  EXPECT_TRUE(menu().empty());
}

TEST_F(ServerImport, SchemaSnapshotOfTheFixtureDatabase) {
  AGPSchema schema;
  schema.LoadDB(server());
  ASSERT_EQ(ctx().ProjErr, "");
  // Both letter-case twins are records of their own; the sequence is not.
  ASSERT_EQ(schema.tblcnt(), 10);
  const AGSchemaTable* lines = schema.find_table("order_lines");
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->TblKey, "line_no\r\norder_id");
  EXPECT_EQ(lines->TblFldCnt, 7);
  ASSERT_TRUE(schema.find_table("mixed case"));
  const AGSchemaTable* tagged = schema.find_table("tagged");
  ASSERT_TRUE(tagged);
  const AGSchemaField& mood = tagged->TblFields.fld[2];
  EXPECT_EQ(mood.FldName, "mood");
  EXPECT_EQ(mood.FldType, 202);
  EXPECT_TRUE(mood.FldSupport);
  EXPECT_EQ(mood.FldQuoteS, "'");
  EXPECT_FALSE(mood.FldTagValues.empty());
  for (int16_t i = 1; i <= schema.tblcnt(); ++i) EXPECT_EQ(schema.table(i).TblSeq, i);
}

}  // namespace
}  // namespace tolvex
