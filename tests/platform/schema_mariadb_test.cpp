// The MariaDB driver against the private test server that scripts/mariadb-test-server.sh
// starts (CTest runs it first). Without the server these tests fail under CI and are
// skipped elsewhere.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/mariadb_server_env.h"
#include "platform/schema/ado_types.h"
#include "platform/schema/mariadb_driver.h"
#include "vb/convert.h"

namespace tolvex::platform {
namespace {

class MariaDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TOLVEX_OPEN_MARIADB_TEST_SERVER(env_, TOLVEX_TEST_DB_ENV);
    driver_ = vb::make_ref<MariaDbSchemaDriver>();
  }

  ConnectionValues values(const std::string& db = "tolvex_test") const { return env_.connection(db); }

  void connect() {
    driver_->set_DatabaseType("mysql");
    driver_->set_SettingsKey("Software\\Tolvex\\3.0\\Settings");
    driver_->Connect(values());
    ASSERT_EQ(driver_->ErrorText(), "");
  }

  std::map<std::string, FieldInfo> fields_of(const std::string& table) {
    vb::Ref<DriverTables> tables = driver_->GetTables(table);
    EXPECT_EQ(tables->Count(), 1) << table;
    std::map<std::string, FieldInfo> out;
    if (tables->Count() != 1) return out;
    for (const auto& f : tables->Item(0)->Fields()->items()) out[f->info().name] = f->info();
    return out;
  }

  // One number from the server, read with the client library directly (not the driver).
  long long scalar(const std::string& sql) {
    std::string error;
    const long long out = env_.query(sql, "tolvex_test", error);
    if (!error.empty()) ADD_FAILURE() << sql << ": " << error;
    return out;
  }

  testing::MariaDbServerEnv env_;
  vb::Ref<MariaDbSchemaDriver> driver_;
};

TEST_F(MariaDbTest, ListsTablesAndViewsByExactNameWithTheirTypes) {
  connect();
  vb::Ref<DriverTables> all = driver_->GetTables("");
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto& t : all->items()) got.emplace_back(t->Name(), t->TableType());
  std::vector<std::pair<std::string, std::string>> want = {
      {"Mixed Case", "TABLE"}, {"all_types", "TABLE"},  {"call_log", "TABLE"},   {"defaults", "TABLE"},
      {"mixed case", "TABLE"}, {"no_key", "TABLE"},     {"order_lines", "TABLE"}, {"seq_numbers", "SEQUENCE"},
      {"tagged", "TABLE"},     {"v_orders", "VIEW"},      {"versioned", "TABLE"}};
  EXPECT_EQ(got, want);

  // One table by name: letter case counts, although the server's catalogue ignores it.
  vb::Ref<DriverTables> one = driver_->GetTables("Mixed Case");
  ASSERT_EQ(one->Count(), 1);
  EXPECT_EQ(one->Item(0)->Name(), "Mixed Case");
  EXPECT_EQ(one->Item(0)->Fields()->Count(), 5);
  EXPECT_EQ(driver_->GetTables("MIXED CASE")->Count(), 0);
  EXPECT_EQ(driver_->GetTables("nope")->Count(), 0);
}

TEST_F(MariaDbTest, ReportsEveryColumnTypeWithStableCodes) {
  connect();
  using namespace ado;
  constexpr int32_t kNum = adFldUpdatable | adFldFixed | adFldIsNullable | adFldMayBeNull;  // 0x74
  constexpr int32_t kVar = adFldUpdatable | adFldIsNullable | adFldMayBeNull;               // 0x64
  constexpr int32_t kLongData = kVar | adFldLong;                                           // 0xE4
  constexpr int32_t kMax = 2147483647;  // LONGTEXT's 4294967295 does not fit
  struct Case {
    const char* name;
    const char* type_name;
    int native;
    int ado;
    int32_t size;
    int32_t attributes;
  };
  const Case cases[] = {
      {"id", "int", 3, adInteger, 10, adFldUpdatable | adFldFixed | adFldKeyColumn},
      {"c_tinyint", "tinyint", 1, adTinyInt, 3, kNum},
      {"c_tinyint_u", "tinyint", 1, adUnsignedTinyInt, 3, kNum},
      {"c_bool", "tinyint", 1, adTinyInt, 3, kNum},
      {"c_smallint", "smallint", 2, adSmallInt, 5, kNum},
      {"c_smallint_u", "smallint", 2, adUnsignedSmallInt, 5, kNum},
      {"c_mediumint", "mediumint", 9, adInteger, 7, kNum},
      {"c_mediumint_u", "mediumint", 9, adUnsignedInt, 8, kNum},
      {"c_int", "int", 3, adInteger, 10, kNum},
      {"c_int_u", "int", 3, adUnsignedInt, 10, kNum},
      {"c_bigint", "bigint", 8, adBigInt, 19, kNum},
      {"c_bigint_u", "bigint", 8, adUnsignedBigInt, 20, kNum},
      {"c_zerofill", "int", 3, adUnsignedInt, 10, kNum},
      {"c_decimal", "decimal", 246, adNumeric, 10, kNum},
      {"c_decimal_u", "decimal", 246, adNumeric, 8, kNum},
      {"c_float", "float", 4, adSingle, 12, kNum},
      {"c_float_u", "float", 4, adSingle, 12, kNum},
      {"c_double", "double", 5, adDouble, 22, kNum},
      {"c_double_u", "double", 5, adDouble, 22, kNum},
      {"c_bit1", "bit", 16, adBoolean, 1, kNum},
      {"c_bit8", "bit", 16, adBinary, 8, kNum},
      {"c_date", "date", 10, adDBDate, 10, kNum},
      {"c_time", "time", 11, adDBTime, 10, kNum},
      {"c_time3", "time", 11, adDBTime, 14, kNum},
      {"c_datetime", "datetime", 12, adDBTimeStamp, 19, kNum},
      {"c_datetime6", "datetime", 12, adDBTimeStamp, 26, kNum},
      {"c_timestamp", "timestamp", 7, adDBTimeStamp, 19, kNum},
      {"c_year", "year", 13, adSmallInt, 4, kNum},
      {"c_char", "char", 254, adChar, 10, kNum},
      {"c_varchar", "varchar", 253, adVarChar, 200, kVar},
      {"c_nchar", "char", 254, adChar, 5, kNum},
      {"c_latin1", "varchar", 253, adVarChar, 20, kVar},
      {"c_binary", "binary", 254, adBinary, 16, kNum},
      {"c_varbinary", "varbinary", 253, adVarBinary, 300, kVar},
      {"c_tinytext", "tinytext", 252, adLongVarChar, 255, kLongData},
      {"c_text", "text", 252, adLongVarChar, 65535, kLongData},
      {"c_mediumtext", "mediumtext", 252, adLongVarChar, 16777215, kLongData},
      {"c_longtext", "longtext", 252, adLongVarChar, kMax, kLongData},
      {"c_tinyblob", "tinyblob", 252, adLongVarBinary, 255, kLongData},
      {"c_blob", "blob", 252, adLongVarBinary, 65535, kLongData},
      {"c_mediumblob", "mediumblob", 252, adLongVarBinary, 16777215, kLongData},
      {"c_longblob", "longblob", 252, adLongVarBinary, kMax, kLongData},
      {"c_enum", "enum", 247, adChar, 6, kVar},
      {"c_set", "set", 248, adChar, 14, kVar},
      {"c_json", "longtext", 252, adLongVarChar, kMax, kLongData},
      {"c_uuid", "uuid", 254, adGUID, 36, kNum},
      {"c_inet4", "inet4", 254, adVarChar, 15, kVar},
      {"c_inet6", "inet6", 254, adVarChar, 39, kVar},
      {"c_geometry", "geometry", 255, adLongVarBinary, kMax, kLongData},
      {"c_point", "point", 255, adLongVarBinary, kMax, kLongData},
      {"c_linestring", "linestring", 255, adLongVarBinary, kMax, kLongData},
      {"c_polygon", "polygon", 255, adLongVarBinary, kMax, kLongData},
      {"c_multipoint", "multipoint", 255, adLongVarBinary, kMax, kLongData},
      {"c_multilinestring", "multilinestring", 255, adLongVarBinary, kMax, kLongData},
      {"c_multipolygon", "multipolygon", 255, adLongVarBinary, kMax, kLongData},
      {"c_geomcollection", "geometrycollection", 255, adLongVarBinary, kMax, kLongData},
  };
  vb::Ref<DriverTables> tables = driver_->GetTables("all_types");
  ASSERT_EQ(tables->Count(), 1);
  const auto& fields = tables->Item(0)->Fields()->items();
  ASSERT_EQ(fields.size(), std::size(cases));
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldInfo& f = fields[i]->info();
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.name, c.name);  // in column order
    EXPECT_EQ(f.data_type_name, c.type_name);
    EXPECT_EQ(f.native_type, c.native);
    EXPECT_EQ(f.ado_type, c.ado);
    EXPECT_EQ(f.size, c.size);
    EXPECT_EQ(f.ado_attributes, c.attributes);
    EXPECT_EQ(f.is_enum, c.native == 247);
    EXPECT_EQ(f.is_set, c.native == 248);
    EXPECT_EQ(f.required, i == 0);
    EXPECT_EQ(f.auto_increment, i == 0);
  }
  EXPECT_EQ(tables->Item(0)->PKField(), "id");

  // A second read gives the same facts.
  vb::Ref<DriverTables> again = driver_->GetTables("all_types");
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_TRUE(again->Item(0)->Fields()->Item(int32_t(i))->info() == fields[i]->info()) << cases[i].name;
  }
}

TEST_F(MariaDbTest, KeysUniqueIndexesAndNullability) {
  connect();
  vb::Ref<DriverTables> t = driver_->GetTables("order_lines");
  ASSERT_EQ(t->Count(), 1);
  EXPECT_EQ(t->Item(0)->PKField(), "order_id,line_no");  // key order, not column order
  auto f = fields_of("order_lines");
  struct Case {
    const char* name;
    bool required, unique, key;
  };
  for (const Case& c : {Case{"line_no", true, false, true}, Case{"note", false, false, false},
                        Case{"order_id", true, false, true}, Case{"sku", true, false, false},
                        Case{"serial", false, true, false}, Case{"pair_a", false, false, false},
                        Case{"pair_b", false, false, false}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f[c.name].required, c.required);
    EXPECT_EQ(f[c.name].unique, c.unique);
    EXPECT_EQ((f[c.name].ado_attributes & ado::adFldKeyColumn) != 0, c.key);
    EXPECT_EQ((f[c.name].ado_attributes & ado::adFldIsNullable) != 0, !c.required);
  }
  EXPECT_EQ(driver_->GetTables("no_key")->Item(0)->PKField(), "");
  EXPECT_TRUE(fields_of("tagged")["id"].unique);  // a one-column primary key is a unique index
  EXPECT_EQ(driver_->GetTables("Mixed Case")->Item(0)->PKField(), "Id");
  EXPECT_EQ(driver_->GetTables("mixed case")->Item(0)->PKField(), "ID");
}

TEST_F(MariaDbTest, DefaultValuesOfEveryKind) {
  connect();
  auto f = fields_of("defaults");
  struct Case {
    const char* name;
    const char* text;  // nullptr: Null
  };
  for (const Case& c : {Case{"id", nullptr}, Case{"d_int", "42"}, Case{"d_neg", "-1.50"}, Case{"d_text", "hello"},
                        Case{"d_quote", "it's"}, Case{"d_empty", ""}, Case{"d_null", nullptr}, Case{"d_none", nullptr},
                        Case{"d_now", "current_timestamp()"}, Case{"d_date", "2020-01-31"}, Case{"d_expr", "(1 + 2)"},
                        Case{"d_bit", "b'1'"}, Case{"d_enum", "b"}, Case{"d_blob", "long"}}) {
    SCOPED_TRACE(c.name);
    const vb::Variant& d = f[c.name].default_value;
    if (!c.text) {
      EXPECT_TRUE(d.is_null());
    } else {
      ASSERT_TRUE(d.is_string());
      EXPECT_EQ(d.raw_string(), c.text);
    }
  }
  EXPECT_TRUE(f["id"].auto_increment);
  EXPECT_FALSE(f["d_int"].auto_increment);
}

TEST_F(MariaDbTest, EnumAndSetValuesWithQuotesAndCommas) {
  connect();
  auto f = fields_of("tagged");
  EXPECT_TRUE(f["mood"].is_enum);
  EXPECT_EQ(f["mood"].native_type, 247);
  EXPECT_EQ(f["mood"].tag_values,
            "\"it's ok\",\"it's ok\"\r\n\"a,b\",\"a,b\"\r\n\"say \"\"hi\"\"\",\"say \"\"hi\"\"\"\r\n"
            "\" lead\",\" lead\"\r\n\"back\\slash\",\"back\\slash\"\r\n\"\",\"\"");
  EXPECT_EQ(vb::to_string(f["mood"].default_value), "a,b");
  EXPECT_TRUE(f["flags"].is_set);
  EXPECT_EQ(f["flags"].native_type, 248);
  EXPECT_EQ(f["flags"].tag_values, "\"o'k\",\"o'k\"\r\n\"plain\",\"plain\"\r\n\"with \"\"dq\"\"\",\"with \"\"dq\"\"\"");
  EXPECT_EQ(fields_of("all_types")["c_enum"].tag_values, "\"small\",\"small\"\r\n\"medium\",\"medium\"\r\n\"large\",\"large\"");
}

TEST_F(MariaDbTest, CustomViewColumnsMatchTheirBaseColumns) {
  connect();
  // Every column of a table read through a query has the table's facts.
  auto base = fields_of("all_types");
  vb::Ref<DriverTable> q = driver_->OpenQuery("cv_all", "SELECT * FROM all_types");
  ASSERT_EQ(driver_->ErrorText(), "");
  EXPECT_EQ(q->Name(), "cv_all");
  EXPECT_EQ(q->TableType(), "CUSTOMVIEW");
  EXPECT_EQ(q->PKField(), "");
  ASSERT_EQ(size_t(q->Fields()->Count()), base.size());
  for (const auto& f : q->Fields()->items()) EXPECT_TRUE(f->info() == base[f->info().name]) << f->info().name;

  // Aliases, joins, views, quoted names, derived tables and computed columns.
  auto lines = fields_of("order_lines");
  auto mixed = fields_of("Mixed Case");
  auto view = fields_of("v_orders");
  vb::Ref<DriverTable> j = driver_->OpenQuery(
      "cv_join",
      "SELECT o.order_id AS oid, o.sku, m.`Full Name`, v.item, o.pair_a + o.pair_b AS total, t.mood,\n"
      "       d.serial_no\n"
      "FROM order_lines o JOIN `Mixed Case` m ON m.Id = o.order_id\n"
      "LEFT JOIN v_orders v ON v.order_id = o.order_id, tagged t,\n"
      "     (SELECT serial AS serial_no FROM order_lines) d -- comment, with a comma\n");
  ASSERT_EQ(driver_->ErrorText(), "");
  std::map<std::string, FieldInfo> got;
  for (const auto& f : j->Fields()->items()) got[f->info().name] = f->info();
  auto renamed = [](FieldInfo f, const char* name) {
    f.name = name;
    return f;
  };
  EXPECT_TRUE(got["oid"] == renamed(lines["order_id"], "oid"));
  EXPECT_TRUE(got["sku"] == lines["sku"]);
  EXPECT_TRUE(got["Full Name"] == mixed["Full Name"]);
  EXPECT_EQ(mixed["Ünïcødé"].size, 10);  // characters, whatever their UTF-8 length
  vb::Ref<DriverTable> quoted =
      driver_->OpenQuery("cv_quoted", "SELECT m.`we``ird,col` AS `a,b`, m.`select`, m.`Ünïcødé` FROM `Mixed Case` AS m");
  ASSERT_EQ(driver_->ErrorText(), "");
  ASSERT_EQ(quoted->Fields()->Count(), 3);
  EXPECT_TRUE(quoted->Fields()->Item(0)->info() == renamed(mixed["we`ird,col"], "a,b"));
  EXPECT_TRUE(quoted->Fields()->Item(1)->info() == mixed["select"]);
  EXPECT_TRUE(quoted->Fields()->Item(2)->info() == mixed["Ünïcødé"]);
  EXPECT_TRUE(got["item"] == view["item"]);
  EXPECT_TRUE(got["mood"] == fields_of("tagged")["mood"]);  // enum values come along
  EXPECT_EQ(got["total"].data_type_name, "bigint");
  EXPECT_EQ(got["total"].ado_type, ado::adBigInt);
  EXPECT_EQ(got["total"].ado_attributes & ado::adFldUpdatable, 0);
  EXPECT_EQ(got["serial_no"].data_type_name, "varchar");
  EXPECT_EQ(got["serial_no"].native_type, 253);

  // A derived table named like a real table takes nothing from that table.
  vb::Ref<DriverTable> d = driver_->OpenQuery("cv_derived", "SELECT no_key.a FROM (SELECT sku AS a FROM order_lines) no_key");
  ASSERT_EQ(driver_->ErrorText(), "");
  ASSERT_EQ(d->Fields()->Count(), 1);
  EXPECT_EQ(d->Fields()->Item(0)->info().data_type_name, "varchar");  // no_key.a is an int
  // So does a view under such a name: its columns are the view's.
  vb::Ref<DriverTable> v = driver_->OpenQuery("cv_view", "SELECT no_key.item FROM v_orders AS no_key");
  ASSERT_EQ(driver_->ErrorText(), "");
  ASSERT_EQ(v->Fields()->Count(), 1);
  EXPECT_TRUE(v->Fields()->Item(0)->info() == view["item"]);
}

TEST_F(MariaDbTest, CustomViewSqlIsNeverRun) {
  connect();
  ASSERT_EQ(scalar("SELECT COUNT(*) FROM call_log"), 1);
  struct Case {
    const char* sql;
    const char* error;  // part of ErrorText; "" = accepted
  };
  const Case cases[] = {
      {"SELECT log_call() AS x FROM call_log", ""},
      {"SELECT y FROM (SELECT log_call() AS y) d", ""},
      {"SELECT 1 AS one;", ""},
      {"SELECT 1; DELETE FROM call_log", "Only one SQL statement"},
      {"SELECT 1 /*!; DELETE FROM call_log */", "Only one SQL statement"},
      {"SELECT ';' AS semi, \"a;b\" AS x -- ;\n", ""},
      {"DELETE FROM call_log", "must be a SELECT"},
      {"INSERT INTO call_log VALUES (5)", "must be a SELECT"},
      {"SELECT * FROM missing_table", "doesn't exist"},
      {"SELECT FROM", "SQL syntax"},
      {"", "must be a SELECT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    vb::Ref<DriverTable> q = driver_->OpenQuery("cv", c.sql);
    if (*c.error) {
      EXPECT_NE(driver_->ErrorText().find(c.error), std::string::npos) << driver_->ErrorText();
      EXPECT_EQ(q->Fields()->Count(), 0);
    } else {
      EXPECT_EQ(driver_->ErrorText(), "");
      EXPECT_GT(q->Fields()->Count(), 0);
    }
  }
  // A query that would write a file writes none.
  std::string out_file = "/tmp/tolvex-never-" + std::to_string(getpid());
  driver_->OpenQuery("cv", "SELECT n FROM call_log INTO OUTFILE '" + out_file + "'");
  EXPECT_FALSE(driver_->ErrorText().empty());
  EXPECT_FALSE(std::filesystem::exists(out_file));
  EXPECT_EQ(scalar("SELECT COUNT(*) FROM call_log"), 1);
  EXPECT_EQ(scalar("SELECT SUM(n) FROM call_log"), 0);
}

// A port on which something accepts connections and never answers.
class SilentListener {
 public:
  SilentListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 4);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~SilentListener() { close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

int closed_port() {
  SilentListener l;
  return l.port();  // closed again when l goes
}

TEST_F(MariaDbTest, ConnectionFailuresGiveAClearText) {
  SilentListener silent;
  int closed = closed_port();
  struct Case {
    const char* what;
    std::function<void(ConnectionValues&)> change;
    const char* error;
  };
  const Case cases[] = {
      {"empty port", [](ConnectionValues& v) { v.port = ""; }, "Invalid port \"\""},
      {"port no number", [](ConnectionValues& v) { v.port = "33o6"; }, "Invalid port \"33o6\""},
      {"port 0", [](ConnectionValues& v) { v.port = "0"; }, "Invalid port"},
      {"port too big", [](ConnectionValues& v) { v.port = "70000"; }, "Invalid port"},
      {"bad password", [](ConnectionValues& v) { v.password = "wrong"; }, "Access denied for user 'tolvex'"},
      {"unknown user", [](ConnectionValues& v) { v.user = "nobody"; }, "Access denied for user 'nobody'"},
      {"missing database", [](ConnectionValues& v) { v.database = "no_such_db"; }, "'no_such_db'"},
      {"database in other case", [](ConnectionValues& v) { v.database = "TOLVEX_TEST"; }, "TOLVEX_TEST"},
      {"nothing listens", [&](ConnectionValues& v) { v.port = std::to_string(closed); }, "Can't connect"},
      {"server never answers", [&](ConnectionValues& v) { v.port = std::to_string(silent.port()); }, ""},
      {"JDBC", [](ConnectionValues& v) { v.method = "JDBC"; }, "JDBC"},
  };
  vb::Ref<MariaDbSchemaDriver> quick = vb::make_ref<MariaDbSchemaDriver>(MariaDbTimeouts{1, 1, 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConnectionValues v = values();
    c.change(v);
    quick->Connect(v);
    EXPECT_FALSE(quick->ErrorText().empty());
    EXPECT_NE(quick->ErrorText().find(c.error), std::string::npos) << quick->ErrorText();
    // Without a connection the reads fail cleanly too.
    EXPECT_THROW(quick->GetTables(""), vb::VBError);
    EXPECT_EQ(quick->OpenQuery("cv", "SELECT 1")->Fields()->Count(), 0);
  }
  quick->set_DatabaseType("oracle");
  quick->Connect(values());
  EXPECT_NE(quick->ErrorText().find("Oracle"), std::string::npos);
}

TEST_F(MariaDbTest, DatabaseNamesSocketAndDispatch) {
  // Without a database, for the connection dialog.
  driver_->set_DatabaseType("mysql");
  driver_->Connect(values(""));
  ASSERT_EQ(driver_->ErrorText(), "");
  std::string names = "\r\n" + driver_->DatabaseNames() + "\r\n";
  EXPECT_NE(names.find("\r\ntolvex_test\r\n"), std::string::npos) << names;
  EXPECT_NE(names.find("\r\ntolvex_other\r\n"), std::string::npos) << names;
  EXPECT_THROW(driver_->GetTables(""), vb::VBError);  // no database chosen

  // Through the Unix socket.
  ConnectionValues v = values();
  v.host = env_["TOLVEX_TEST_DB_SOCKET"];
  v.port = "";
  driver_->Connect(v);
  EXPECT_EQ(driver_->ErrorText(), "");
  EXPECT_EQ(driver_->IdentifierQuote(), "`");
  // A host name, "localhost" and the empty host included, means TCP to the port given (the
  // client library alone would take "localhost" for its own default socket).
  for (const char* host : {"localhost", ""}) {
    SCOPED_TRACE(host);
    v = values();
    v.host = host;
    driver_->Connect(v);
    EXPECT_EQ(driver_->ErrorText(), "");
    EXPECT_EQ(driver_->GetTables("no_key")->Count(), 1);
  }

  // By member name, as the schema import calls it.
  vb::Ref<vb::Dispatch> d = driver_;
  d->let("DatabaseType", vb::Variant("mysql"));
  d->let("SettingsKey", vb::Variant("Software\\Tolvex\\3.0\\Settings"));
  std::vector<vb::Variant> args = {vb::Variant(env_["TOLVEX_TEST_DB_HOST"]), vb::Variant("tolvex_test"),
                                   vb::Variant(env_["TOLVEX_TEST_DB_USER"]), vb::Variant(env_["TOLVEX_TEST_DB_PASSWORD"]),
                                   vb::Variant(int32_t(std::stol(env_["TOLVEX_TEST_DB_PORT"]))), vb::Variant(""),
                                   vb::Variant(""), vb::Variant("utf-8"), vb::Variant("`")};
  d->call("Connect", args);
  EXPECT_EQ(vb::to_string(d->get("ErrorText")), "");
  std::vector<vb::Variant> name = {vb::Variant("order_lines")};
  vb::Ref<vb::Dispatch> tables = d->call("GetTables", name).object();
  EXPECT_EQ(vb::to_long(tables->get("Count")), 1);
  std::vector<vb::Variant> zero = {vb::Variant(int16_t(0))};
  vb::Ref<vb::Dispatch> table = tables->invoke(vb::kDispValue, vb::InvokeKind::Get, zero).object();
  EXPECT_EQ(vb::to_string(table->get("PKField")), "order_id,line_no");
  vb::Ref<vb::Dispatch> fields = table->get("Fields").object();
  vb::Ref<vb::Dispatch> first = fields->invoke(vb::kDispValue, vb::InvokeKind::Get, zero).object();
  EXPECT_EQ(vb::to_string(first->get("Name")), "line_no");
  EXPECT_EQ(vb::to_long(first->get("NativeDataType")), 2);
  EXPECT_EQ(vb::to_long(first->get("size")), 5);
  EXPECT_TRUE(vb::to_bool(first->get("Required")));
  EXPECT_FALSE(vb::to_bool(first->get("IsEnum")));
  EXPECT_TRUE(first->get("defaultValue").is_null());
  std::vector<vb::Variant> sql = {vb::Variant("cv"), vb::Variant("SELECT sku FROM order_lines")};
  vb::Ref<vb::Dispatch> q = d->call("OpenQuery", sql).object();
  EXPECT_EQ(vb::to_string(q->get("TableType")), "CUSTOMVIEW");
  EXPECT_FALSE(vb::to_bool(d->get("IsJVMLoaded")));
}

}  // namespace
}  // namespace tolvex::platform
