// Tables and views of the private test server read through the MariaDB driver into the
// model, as the schema loader does it. CTest starts the server (scripts/mariadb-test-server.sh)
// first; without it these tests fail under CI and are skipped elsewhere.
#include <iterator>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fields/model_fixture.h"
#include "foundation/common.h"
#include "model/table_loading.h"
#include "model/tables.h"
#include "platform/mariadb_server_env.h"
#include "platform/schema/mariadb_driver.h"
#include "vb/convert.h"

namespace tolvex {
namespace {

using vb::Variant;

class MariaDbSchemaLoading : public testing::ModelFixture {
 protected:
  void SetUp() override {
    TOLVEX_OPEN_MARIADB_TEST_SERVER(env_, TOLVEX_TEST_DB_ENV);
    ctx().CurrentDbmsName = "Schema driver";  // a database read through the driver: kind 5
    ctx().CurrentDateFormat = 5;
    ctx().DefaultTblSecurity = Variant("Default");
    connect("tolvex_test");
  }

  void connect(const std::string& database) {
    driver_ = vb::make_ref<platform::MariaDbSchemaDriver>();
    driver_->set_DatabaseType("mysql");
    driver_->set_SettingsKey("Software\\Tolvex\\3.0\\Settings");
    driver_->Connect(env_.connection(database));
    ASSERT_EQ(driver_->ErrorText(), "");
  }

  // The load-all steps of the schema loader: every table and view, a letter-case twin of a
  // table already loaded refused with its message.
  void load_all() {
    vb::Ref<platform::DriverTables> all = driver_->GetTables("");
    for (const auto& t : all->items()) {
      if (t->TableType() != "TABLE" && t->TableType() != "VIEW") continue;
      if (!table_name_fits(tables_, t->Name())) {
        refused_.push_back(ctx().ProjErr);
        ctx().ProjErr.clear();
        continue;
      }
      if (!tables_.Add(t->Name())) continue;
      auto table = tables_.Item(Variant(t->Name()));
      table->TblLoaded(false);
      table->Load_zvDB(Variant(vb::Ref<vb::Dispatch>(t)), Variant(true));
    }
  }

  // Loads one table or view (the on-demand step) into the table of that name.
  void load_one(const std::string& name) {
    vb::Ref<platform::DriverTables> found = driver_->GetTables(name);
    ASSERT_EQ(found->Count(), 1) << name;
    auto table = tables_.Item(Variant(name));
    ASSERT_TRUE(table) << name;
    table->Load_zvDB(Variant(vb::Ref<vb::Dispatch>(found->Item(0))), Variant(false));
  }

  vb::Ref<AGPField> field(const std::string& table, const std::string& name) {
    auto t = tables_.Item(Variant(table));
    if (!t) return nullptr;
    return t->Fields()->Item(Variant(name));
  }

  // One statement or number on the server, through the client library directly.
  long long sql(const std::string& text, const std::string& database = "tolvex_test") {
    std::string error;
    const long long out = env_.query(text, database, error);
    if (!error.empty()) ADD_FAILURE() << text << ": " << error;
    return out;
  }

  testing::MariaDbServerEnv env_;
  vb::Ref<platform::MariaDbSchemaDriver> driver_;
  AGPTables tables_;
  std::vector<std::string> refused_;
};

TEST_F(MariaDbSchemaLoading, EveryTableAndViewOnceLetterCaseTwinsRefused) {
  load_all();
  std::vector<std::pair<std::string, std::string>> got;
  for (size_t i = 0; i < tables_.size(); ++i) got.emplace_back(tables_.at(i)->TblName(), tables_.at(i)->TblType());
  // The sequence is neither a table nor a view; "mixed case" would have renamed "Mixed Case".
  const std::vector<std::pair<std::string, std::string>> want = {
      {"Mixed Case", "TABLE"}, {"all_types", "TABLE"},   {"call_log", "TABLE"}, {"defaults", "TABLE"},
      {"no_key", "TABLE"},     {"order_lines", "TABLE"}, {"tagged", "TABLE"},   {"v_orders", "VIEW"},
      {"versioned", "TABLE"}};
  EXPECT_EQ(got, want);
  EXPECT_EQ(refused_, std::vector<std::string>{
                          "Tolvex: The tables \"Mixed Case\" and \"mixed case\" have names that differ only in "
                          "letter case; a project cannot hold both. Rename one of them in the database."});
  EXPECT_EQ(tables_.Item(Variant("Mixed Case"))->Fields()->Count(), 5);  // nothing of "mixed case" in it
  EXPECT_FALSE(field("Mixed Case", "ID"));
  for (size_t i = 0; i < tables_.size(); ++i) {
    auto t = tables_.at(i);
    SCOPED_TRACE(t->TblName());
    const bool table = t->TblType() == "TABLE";
    EXPECT_EQ(t->TblSeq(), int16_t(i + 1));
    EXPECT_TRUE(t->TblLoaded());
    EXPECT_FALSE(t->TblGen());
    EXPECT_EQ(t->TblCaption(), common::MakeCaption(t->TblName()));
    EXPECT_EQ(t->TblRptSrc(), t->TblName());
    for (bool v : {t->TblAdd(), t->TblEdit(), t->TblView(), t->TblDelete(), t->TblCopy()}) EXPECT_EQ(v, table);
    for (size_t j = 0; j < t->Fields()->size(); ++j) EXPECT_EQ(t->Fields()->at(j)->FldSeq(), int16_t(j + 1));
  }
  EXPECT_EQ(tables_.Item(Variant("Mixed Case"))->TblVar(), "Mixed_Case");
}

TEST_F(MariaDbSchemaLoading, FactsOfEveryColumn) {
  struct Row {
    const char* table;
    const char* column;
    int type;
    const char* type_name;
    int native;
    int32_t size;
    const char* flags;  // R required, U unique, A autoincrement, K key
    bool support;
    const char* html;
    const char* validate;
  } rows[] = {
      {"Mixed Case", "Id", 3, "int", 3, 10, "RUK", true, "TEXT", "INTEGER"},
      {"Mixed Case", "Full Name", 200, "varchar", 253, 50, "", true, "TEXT", ""},
      {"Mixed Case", "select", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"Mixed Case", "we`ird,col", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"Mixed Case", "Ünïcødé", 200, "varchar", 253, 10, "", true, "TEXT", ""},
      {"all_types", "id", 3, "int", 3, 10, "RUAK", true, "NO", "INTEGER"},
      {"all_types", "c_tinyint", 16, "tinyint", 1, 3, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_tinyint_u", 17, "tinyint", 1, 3, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_bool", 16, "tinyint", 1, 3, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_smallint", 2, "smallint", 2, 5, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_smallint_u", 18, "smallint", 2, 5, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_mediumint", 3, "mediumint", 9, 7, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_mediumint_u", 19, "mediumint", 9, 8, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_int", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_int_u", 19, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_bigint", 20, "bigint", 8, 19, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_bigint_u", 21, "bigint", 8, 20, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_zerofill", 19, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_decimal", 131, "decimal", 246, 10, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_decimal_u", 131, "decimal", 246, 8, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_float", 4, "float", 4, 12, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_float_u", 4, "float", 4, 12, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_double", 5, "double", 5, 22, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_double_u", 5, "double", 5, 22, "", true, "TEXT", "FLOAT"},
      {"all_types", "c_bit1", 11, "bit", 16, 1, "", true, "RADIO", ""},
      {"all_types", "c_bit8", 128, "bit", 16, 8, "", false, "TEXT", ""},
      {"all_types", "c_date", 133, "date", 10, 10, "", true, "TEXT", "DATE"},
      {"all_types", "c_time", 134, "time", 11, 10, "", true, "TEXT", "TIME"},
      {"all_types", "c_time3", 134, "time", 11, 14, "", true, "TEXT", "TIME"},
      {"all_types", "c_datetime", 135, "datetime", 12, 19, "", true, "TEXT", "DATE"},
      {"all_types", "c_datetime6", 135, "datetime", 12, 26, "", true, "TEXT", "DATE"},
      {"all_types", "c_timestamp", 135, "timestamp", 7, 19, "", true, "TEXT", "DATE"},
      {"all_types", "c_year", 2, "year", 13, 4, "", true, "TEXT", "INTEGER"},
      {"all_types", "c_char", 129, "char", 254, 10, "", true, "TEXT", ""},
      {"all_types", "c_varchar", 200, "varchar", 253, 200, "", true, "TEXT", ""},
      {"all_types", "c_nchar", 129, "char", 254, 5, "", true, "TEXT", ""},
      {"all_types", "c_latin1", 200, "varchar", 253, 20, "", true, "TEXT", ""},
      {"all_types", "c_binary", 128, "binary", 254, 16, "", false, "TEXT", ""},
      {"all_types", "c_varbinary", 204, "varbinary", 253, 300, "", false, "TEXT", ""},
      {"all_types", "c_tinytext", 201, "tinytext", 252, 255, "", true, "TEXTAREA", ""},
      {"all_types", "c_text", 201, "text", 252, 65535, "", true, "TEXTAREA", ""},
      {"all_types", "c_mediumtext", 201, "mediumtext", 252, 16777215, "", true, "TEXTAREA", ""},
      {"all_types", "c_longtext", 201, "longtext", 252, 2147483647, "", true, "TEXTAREA", ""},
      {"all_types", "c_tinyblob", 205, "tinyblob", 252, 255, "", false, "FILE", ""},
      {"all_types", "c_blob", 205, "blob", 252, 65535, "", false, "FILE", ""},
      {"all_types", "c_mediumblob", 205, "mediumblob", 252, 16777215, "", false, "FILE", ""},
      {"all_types", "c_longblob", 205, "longblob", 252, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_enum", 202, "enum", 247, 6, "", true, "RADIO", ""},
      {"all_types", "c_set", 202, "set", 248, 14, "", true, "CHECKBOX", ""},
      {"all_types", "c_json", 201, "longtext", 252, 2147483647, "", true, "TEXTAREA", ""},
      {"all_types", "c_uuid", 72, "uuid", 254, 36, "", true, "TEXT", "GUID"},
      {"all_types", "c_inet4", 200, "inet4", 254, 15, "", true, "TEXT", ""},
      {"all_types", "c_inet6", 200, "inet6", 254, 39, "", true, "TEXT", ""},
      {"all_types", "c_geometry", 205, "geometry", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_point", 205, "point", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_linestring", 205, "linestring", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_polygon", 205, "polygon", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_multipoint", 205, "multipoint", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_multilinestring", 205, "multilinestring", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_multipolygon", 205, "multipolygon", 255, 2147483647, "", false, "FILE", ""},
      {"all_types", "c_geomcollection", 205, "geometrycollection", 255, 2147483647, "", false, "FILE", ""},
      {"call_log", "n", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"defaults", "id", 3, "int", 3, 10, "RUAK", true, "NO", "INTEGER"},
      {"defaults", "d_int", 3, "int", 3, 10, "R", true, "TEXT", "INTEGER"},
      {"defaults", "d_neg", 131, "decimal", 246, 6, "", true, "TEXT", "FLOAT"},
      {"defaults", "d_text", 200, "varchar", 253, 30, "", true, "TEXT", ""},
      {"defaults", "d_quote", 200, "varchar", 253, 30, "", true, "TEXT", ""},
      {"defaults", "d_empty", 200, "varchar", 253, 30, "R", true, "TEXT", ""},
      {"defaults", "d_null", 200, "varchar", 253, 30, "", true, "TEXT", ""},
      {"defaults", "d_none", 200, "varchar", 253, 30, "R", true, "TEXT", ""},
      {"defaults", "d_now", 135, "timestamp", 7, 19, "R", true, "TEXT", "DATE"},
      {"defaults", "d_date", 133, "date", 10, 10, "", true, "TEXT", "DATE"},
      {"defaults", "d_expr", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"defaults", "d_bit", 11, "bit", 16, 1, "", true, "RADIO", ""},
      {"defaults", "d_enum", 202, "enum", 247, 1, "", true, "RADIO", ""},
      {"defaults", "d_blob", 201, "text", 252, 65535, "", true, "TEXTAREA", ""},
      {"no_key", "a", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"no_key", "b", 200, "varchar", 253, 10, "", true, "TEXT", ""},
      {"order_lines", "line_no", 2, "smallint", 2, 5, "RK", true, "TEXT", "INTEGER"},
      {"order_lines", "note", 200, "varchar", 253, 40, "", true, "TEXT", ""},
      {"order_lines", "order_id", 3, "int", 3, 10, "RK", true, "TEXT", "INTEGER"},
      {"order_lines", "sku", 200, "varchar", 253, 20, "R", true, "TEXT", ""},
      {"order_lines", "serial", 200, "varchar", 253, 30, "U", true, "TEXT", ""},
      {"order_lines", "pair_a", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"order_lines", "pair_b", 3, "int", 3, 10, "", true, "TEXT", "INTEGER"},
      {"tagged", "id", 3, "int", 3, 10, "RUK", true, "TEXT", "INTEGER"},
      {"tagged", "mood", 202, "enum", 247, 10, "R", true, "RADIO", ""},
      {"tagged", "flags", 202, "set", 248, 19, "", true, "CHECKBOX", ""},
      {"v_orders", "order_id", 3, "int", 3, 10, "R", true, "TEXT", "INTEGER"},
      {"v_orders", "line_no", 2, "smallint", 2, 5, "R", true, "TEXT", "INTEGER"},
      {"v_orders", "item", 200, "varchar", 253, 20, "R", true, "TEXT", ""},
      {"v_orders", "pair_sum", 20, "bigint", 8, 19, "", true, "TEXT", "INTEGER"},
      {"versioned", "id", 3, "int", 3, 10, "RUK", true, "TEXT", "INTEGER"},
      {"versioned", "v", 200, "varchar", 253, 10, "", true, "TEXT", ""},
  };
  load_all();
  size_t columns = 0;
  for (size_t i = 0; i < tables_.size(); ++i) columns += tables_.at(i)->Fields()->size();
  EXPECT_EQ(columns, std::size(rows));
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.table) + "." + r.column);
    auto f = field(r.table, r.column);
    ASSERT_TRUE(f);
    const std::string flags = r.flags;
    EXPECT_EQ(f->FldName(), r.column);
    EXPECT_EQ(f->FldType(), r.type);
    EXPECT_EQ(f->FldTypeName(), r.type_name);
    EXPECT_EQ(f->NativeDataType(), r.native);
    EXPECT_EQ(f->FldSize(), r.size);
    EXPECT_EQ(f->FldReq(), flags.find('R') != std::string::npos);
    EXPECT_EQ(f->FldUniqueIdx(), flags.find('U') != std::string::npos);
    EXPECT_EQ(f->FldAutoIncrement(), flags.find('A') != std::string::npos);
    EXPECT_EQ(f->FldIsPrimaryKey(), flags.find('K') != std::string::npos);
    EXPECT_EQ(f->FldRequired(), f->FldReq());
    EXPECT_EQ(f->FldSupport(), r.support);
    EXPECT_EQ(f->FldHtmlTag(), r.html);
    EXPECT_EQ(f->FldValidate(), r.validate);
    EXPECT_EQ(f->FldAdd(), r.support && flags.find('A') == std::string::npos);
    EXPECT_EQ(f->FldVar().substr(0, 2), "x_");
    // The column's default value stays in the database: the field's own is left empty.
    EXPECT_TRUE(f->FldDefault().is_empty());
    if (r.native != 247 && r.native != 248 && r.type != 11) {
      EXPECT_EQ(f->FldTagValues(), "");
    }
  }
  EXPECT_EQ(field("tagged", "mood")->FldTagValues(),
            "\"it's ok\",\"it's ok\"\r\n\"a,b\",\"a,b\"\r\n\"say \"\"hi\"\"\",\"say \"\"hi\"\"\"\r\n"
            "\" lead\",\" lead\"\r\n\"back\\slash\",\"back\\slash\"\r\n\"\",\"\"");
  EXPECT_EQ(field("tagged", "flags")->FldTagValues(),
            "\"o'k\",\"o'k\"\r\n\"plain\",\"plain\"\r\n\"with \"\"dq\"\"\",\"with \"\"dq\"\"\"");
  EXPECT_EQ(field("all_types", "c_bit1")->FldTagValues(), "\"1\",\"Yes\"\r\n\"0\",\"No\"");
  EXPECT_EQ(field("all_types", "c_varchar")->FldTagMaxLength(), 200);
  EXPECT_EQ(field("Mixed Case", "Full Name")->FldVar(), "x_Full_Name");
  EXPECT_EQ(field("Mixed Case", "Full Name")->FldCaption(), "Full Name");
  EXPECT_EQ(field("Mixed Case", "we`ird,col")->FldQuoteS(), "");
  EXPECT_EQ(field("all_types", "c_date")->FldQuoteS(), "'");
}

// The key as the key bookkeeping writes it from the fields: the key fields' names, one per
// line, sorted.
std::string key_from_fields(AGPTable& t) {
  std::string lines;
  for (size_t i = 0; i < t.Fields()->size(); ++i) {
    auto f = t.Fields()->at(i);
    if (!f->FldIsPrimaryKey()) continue;
    lines += (lines.empty() ? "" : "\r\n") + f->FldName();
  }
  return common::SortLines(lines);
}

TEST_F(MariaDbSchemaLoading, KeysInTheFormTheKeyBookkeepingWrites) {
  // Keys whose order differs from the column order; "key names" holds names with a comma, a
  // double quote and a blank.
  struct Case {
    const char* database;
    const char* table;
    const char* key;
  } cases[] = {
      {"tolvex_test", "order_lines", "line_no\r\norder_id"},
      {"tolvex_test", "Mixed Case", "Id"},
      {"tolvex_test", "no_key", ""},
      {"tolvex_test", "v_orders", ""},
      {"tolvex_other", "key names", "Zeta\r\na,b\r\nsay \"x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    connect(c.database);
    ASSERT_TRUE(tables_.Add(c.table));
    load_one(c.table);
    auto t = tables_.Item(Variant(c.table));
    EXPECT_EQ(t->TblKey(), c.key);
    EXPECT_EQ(key_from_fields(*t), t->TblKey());  // so an unchanged key never counts as a change
  }
  EXPECT_FALSE(field("key names", "note")->FldIsPrimaryKey());
  EXPECT_FALSE(field("order_lines", "sku")->FldIsPrimaryKey());
  EXPECT_TRUE(field("order_lines", "serial")->FldUniqueIdx());
  EXPECT_FALSE(field("order_lines", "order_id")->FldUniqueIdx());  // part of a key of two
}

TEST_F(MariaDbSchemaLoading, CustomViewColumnsWithoutRunningTheQuery) {
  const long long calls = sql("SELECT COUNT(*) FROM call_log");
  const std::string query =
      "SELECT log_call() AS n, o.sku AS item, m.`Full Name`, o.order_id\n"
      "FROM order_lines o JOIN `Mixed Case` m ON m.Id = o.order_id";
  vb::Ref<platform::DriverTable> q = driver_->OpenQuery("cv", query);
  ASSERT_EQ(driver_->ErrorText(), "");
  ASSERT_TRUE(tables_.Add("cv"));
  auto cv = tables_.Item(Variant("cv"));
  cv->TblLoaded(true);
  cv->TblCustomSQL(query);
  cv->TblCustomError("old");
  cv->Load_zvDB(Variant(vb::Ref<vb::Dispatch>(q)), Variant(false));
  EXPECT_EQ(cv->TblType(), "CUSTOMVIEW");
  EXPECT_EQ(cv->TblCustomError(), "");
  EXPECT_EQ(cv->TblKey(), "");
  struct Row {
    const char* name;
    int type;
    bool alias;
    const char* source_table;
    const char* source_field;
  } rows[] = {
      {"n", 3, true, "", ""},
      {"item", 200, true, "order_lines", "sku"},
      {"Full Name", 200, false, "Mixed Case", "Full Name"},
      {"order_id", 3, false, "order_lines", "order_id"},
  };
  ASSERT_EQ(size_t(cv->Fields()->Count()), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    auto f = cv->Fields()->at(i);
    EXPECT_EQ(f->FldName(), r.name);
    EXPECT_EQ(f->FldType(), r.type);
    EXPECT_EQ(f->FldAlias(), r.alias);
    EXPECT_EQ(f->FldSourceTable(), r.source_table);
    EXPECT_EQ(f->FldSourceField(), r.source_field);
    EXPECT_FALSE(f->FldIsPrimaryKey());
  }
  EXPECT_EQ(cv->Fields()->at(1)->FldTagMaxLength(), 20);  // the facts of the base column
  EXPECT_EQ(sql("SELECT COUNT(*) FROM call_log"), calls);  // log_call() never ran
}

TEST_F(MariaDbSchemaLoading, OnDemandLoadingReadsATableWhenAsked) {
  ctx().CurrentDynamicLoad = true;
  load_all();
  ASSERT_EQ(tables_.Count(), 9);
  for (size_t i = 0; i < tables_.size(); ++i) {
    SCOPED_TRACE(tables_.at(i)->TblName());
    EXPECT_EQ(tables_.at(i)->Fields()->Count(), 0);
    EXPECT_FALSE(tables_.at(i)->TblLoaded());
    EXPECT_FALSE(tables_.at(i)->TblGen());
  }
  EXPECT_EQ(tables_.Item(Variant("v_orders"))->TblType(), "VIEW");
  load_one("order_lines");
  auto t = tables_.Item(Variant("order_lines"));
  EXPECT_TRUE(t->TblLoaded());
  EXPECT_EQ(t->Fields()->Count(), 7);
  EXPECT_EQ(t->TblKey(), "line_no\r\norder_id");
  EXPECT_EQ(t->TblCaption(), "Order Lines");
  EXPECT_EQ(tables_.Item(Variant("no_key"))->Fields()->Count(), 0);
}

}  // namespace
}  // namespace tolvex
