#include "platform/schema/fixture_driver.h"

#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "platform/schema/ado_types.h"
#include "platform/temp_folder.h"
#include "vb/convert.h"

namespace tolvex::platform {
namespace {

const std::string kShop = std::string(TOLVEX_TEST_DIR) + "/fixtures/schema/shop.schema";

ConnectionValues shop_values(std::string db = "shop") {
  ConnectionValues v;
  v.host = "localhost";
  v.database = std::move(db);
  v.user = "app";
  v.password = "s3cret pw";
  v.port = "3306";
  return v;
}

std::map<std::string, FieldInfo> fields_of(SchemaDriver& d, const std::string& table) {
  std::map<std::string, FieldInfo> out;
  vb::Ref<DriverTables> t = d.GetTables(table);
  EXPECT_EQ(t->Count(), 1) << table;
  if (t->Count() == 1) {
    for (const auto& f : t->Item(0)->Fields()->items()) out[f->info().name] = f->info();
  }
  return out;
}

TEST(SchemaFixtureDriver, ServesTablesViewsAndOtherObjects) {
  FixtureSchemaDriver d(kShop);
  d.set_DatabaseType("mysql");
  d.Connect(shop_values());
  ASSERT_EQ(d.ErrorText(), "");
  vb::Ref<DriverTables> all = d.GetTables("");
  std::vector<std::string> got;
  for (const auto& t : all->items()) got.push_back(t->Name() + ":" + t->TableType() + ":" + t->PKField());
  EXPECT_EQ(got, (std::vector<std::string>{"customers:TABLE:id", "order_seq:SEQUENCE:", "orders:TABLE:order_id,line",
                                           "v_customers:VIEW:"}));
  EXPECT_EQ(d.GetTables("Orders")->Count(), 0);  // names are exact
  EXPECT_EQ(d.IdentifierQuote(), "`");
  EXPECT_EQ(d.DatabaseNames(), "hr\r\nshop");
}

TEST(SchemaFixtureDriver, DerivesColumnFactsLikeTheServerDriver) {
  FixtureSchemaDriver d(kShop);
  d.Connect(shop_values());
  ASSERT_EQ(d.ErrorText(), "");
  using namespace ado;
  auto orders = fields_of(d, "orders");
  auto customers = fields_of(d, "customers");
  auto view = fields_of(d, "v_customers");
  struct Case {
    const FieldInfo& f;
    const char* type_name;
    int native, ado, size, attributes;
    bool required, unique, autoinc;
  };
  const Case cases[] = {
      {orders["line"], "smallint", 2, adSmallInt, 5, adFldUpdatable | adFldFixed | adFldKeyColumn, true, false, false},
      {orders["order_id"], "int", 3, adUnsignedInt, 10, adFldUpdatable | adFldFixed | adFldKeyColumn, true, false, false},
      {orders["status"], "enum", 247, adChar, 9, adFldUpdatable, true, false, false},
      {orders["note"], "text", 252, adLongVarChar, 65535, 0xE4, false, false, false},
      {orders["total"], "decimal", 246, adNumeric, 10, 0x74, false, false, false},
      {orders["created"], "datetime", 12, adDBTimeStamp, 23, 0x74, false, false, false},
      {customers["id"], "int", 3, adInteger, 10, adFldUpdatable | adFldFixed | adFldKeyColumn, true, true, true},
      {customers["email"], "varchar", 253, adVarChar, 120, 0x64, false, true, false},
      {customers["tags"], "set", 248, adChar, 7, 0x64, false, false, false},
      {view["name"], "varchar", 253, adVarChar, 60, adFldUnknownUpdatable, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f.name);
    EXPECT_EQ(c.f.data_type_name, c.type_name);
    EXPECT_EQ(c.f.native_type, c.native);
    EXPECT_EQ(c.f.ado_type, c.ado);
    EXPECT_EQ(c.f.size, c.size);
    EXPECT_EQ(c.f.ado_attributes, c.attributes);
    EXPECT_EQ(c.f.required, c.required);
    EXPECT_EQ(c.f.unique, c.unique);
    EXPECT_EQ(c.f.auto_increment, c.autoinc);
  }
  EXPECT_TRUE(orders["status"].is_enum);
  EXPECT_EQ(orders["status"].tag_values, "\"new\",\"new\"\r\n\"it's done\",\"it's done\"\r\n\"a,b\",\"a,b\"");
  EXPECT_EQ(vb::to_string(orders["status"].default_value), "new");
  EXPECT_EQ(vb::to_string(orders["total"].default_value), "0.00");
  EXPECT_TRUE(orders["note"].default_value.is_null());
  EXPECT_TRUE(customers["tags"].is_set);
  // Column order is kept.
  vb::Ref<DriverTables> t = d.GetTables("orders");
  EXPECT_EQ(t->Item(0)->Fields()->Item(0)->info().name, "line");
  EXPECT_EQ(t->Item(0)->Fields()->Item(5)->info().name, "created");
}

TEST(SchemaFixtureDriver, OracleColumnsAndTheCallOrder) {
  FixtureSchemaDriver d(kShop);
  d.set_DatabaseType("oracle");
  d.set_SettingsKey("Software\\Tolvex\\3.0\\Settings");
  d.set_Schema("HR");
  ConnectionValues v = shop_values("hr");
  v.quote = "\"";
  d.Connect(v);
  ASSERT_EQ(d.ErrorText(), "");
  vb::Ref<DriverTables> all = d.GetTables("");
  ASSERT_EQ(all->Count(), 2);
  EXPECT_EQ(all->Item(1)->TableType(), "VIEW");
  auto emp = fields_of(d, "EMPLOYEES");
  EXPECT_EQ(emp["EMP_ID"].data_type_name, "NUMBER");
  EXPECT_EQ(emp["EMP_ID"].ado_type, ado::adNumeric);
  EXPECT_EQ(emp["EMP_ID"].ado_attributes, ado::adFldUpdatable | ado::adFldKeyColumn);
  EXPECT_TRUE(emp["EMP_ID"].unique);
  EXPECT_EQ(emp["NAME"].ado_type, ado::adVarWChar);
  EXPECT_EQ(emp["NAME"].ado_attributes, 0x64);
  EXPECT_EQ(emp["HIRED"].ado_attributes, 0x74);
  EXPECT_EQ(emp["PHOTO"].size, 2147483647);
  EXPECT_EQ(d.IdentifierQuote(), "\"");
  EXPECT_EQ(d.calls(), (std::vector<std::string>{
                           "Connect type=oracle key=Software\\Tolvex\\3.0\\Settings schema=HR host=localhost db=hr "
                           "user=app port=3306 method= quote=\"",
                           "GetTables ", "GetTables EMPLOYEES", "IdentifierQuote"}));
}

TEST(SchemaFixtureDriver, ConnectFailuresAndBadFilesGiveAClearText) {
  testing::TempFolder tmp;
  struct Case {
    const char* what;
    std::string file_text;  // "" = the shop fixture
    ConnectionValues values;
    std::string error;
  };
  ConnectionValues wrong_pw = shop_values();
  wrong_pw.password = "nope";
  const Case cases[] = {
      {"wrong password", "", wrong_pw, "Access denied for user 'app'"},
      {"unknown database", "", shop_values("nope"), "Unknown database 'nope'"},
      {"database in other case", "", shop_values("SHOP"), "Unknown database 'SHOP'"},
      {"unknown keyword", "database name=a\nbogus x=1\n", shop_values("a"), "line 2: unknown keyword \"bogus\""},
      {"field before table", "database name=a\nfield name=x type=int\n", shop_values("a"), "line 2: field before any table"},
      {"open quote", "database name=\"a\n", shop_values("a"), "line 1: unterminated quoted value"},
      {"unknown type", "database name=a\ntable name=t\nfield name=x type=frob\n", shop_values("a"),
       "line 3: unknown column type \"frob\""},
      {"bad number", "database name=a\ntable name=t\nfield name=x type=int size=big\n", shop_values("a"),
       "line 3: size=big is not a number"},
      {"missing facts", "database name=a\ntable name=t\nfield name=x typename=NUMBER\n", shop_values("a"),
       "line 3: field x needs type= or ado="},
      {"unknown flag", "database name=a\ntable name=t\nfield name=x type=int requird\n", shop_values("a"),
       "line 3: unknown flag \"requird\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = kShop;
    if (!c.file_text.empty()) {
      path = (tmp / "bad.schema").string();
      std::ofstream(path, std::ios::binary) << c.file_text;
    }
    FixtureSchemaDriver d(path);
    d.Connect(c.values);
    EXPECT_NE(d.ErrorText().find(c.error), std::string::npos) << d.ErrorText();
    EXPECT_THROW(d.GetTables(""), vb::VBError);
    EXPECT_EQ(d.OpenQuery("cv", "SELECT 1")->Fields()->Count(), 0);
    EXPECT_FALSE(d.ErrorText().empty());
  }
  FixtureSchemaDriver missing((tmp / "none.schema").string());
  missing.Connect(shop_values());
  EXPECT_NE(missing.ErrorText().find("cannot open the schema file"), std::string::npos);
}

TEST(SchemaFixtureDriver, OpenQueryTakesColumnsFromTheirTables) {
  FixtureSchemaDriver d(kShop);
  d.Connect(shop_values());
  ASSERT_EQ(d.ErrorText(), "");
  auto orders = fields_of(d, "orders");
  auto customers = fields_of(d, "customers");
  vb::Ref<DriverTable> q = d.OpenQuery(
      "cv", "SELECT o.order_id AS oid, o.status, c.name, o.total * 2 AS t2 FROM orders o JOIN customers c ON c.id = o.order_id;");
  ASSERT_EQ(d.ErrorText(), "");
  EXPECT_EQ(q->Name(), "cv");
  EXPECT_EQ(q->TableType(), "CUSTOMVIEW");
  ASSERT_EQ(q->Fields()->Count(), 4);
  FieldInfo oid = orders["order_id"];
  oid.name = "oid";
  EXPECT_TRUE(q->Fields()->Item(0)->info() == oid);
  EXPECT_TRUE(q->Fields()->Item(1)->info() == orders["status"]);
  EXPECT_TRUE(q->Fields()->Item(2)->info() == customers["name"]);
  const FieldInfo& t2 = q->Fields()->Item(3)->info();
  EXPECT_EQ(t2.name, "t2");
  EXPECT_EQ(t2.ado_type, ado::adVarChar);
  EXPECT_EQ(t2.ado_attributes & ado::adFldUpdatable, 0);

  EXPECT_EQ(d.OpenQuery("cv", "SELECT * FROM customers")->Fields()->Count(), 4);

  struct Case {
    const char* sql;
    const char* error;
  };
  for (const Case& c : {Case{"SELECT x FROM nope", "Table 'shop.nope' doesn't exist"},
                        Case{"SELECT zip FROM customers", "Unknown column 'zip'"},
                        Case{"SELECT id FROM customers, v_customers", "Column 'id' in field list is ambiguous"},
                        Case{"SELECT id FROM customers; DROP TABLE customers", "Only one SQL statement"},
                        Case{"SELECT FROM customers", "cannot be read"}}) {
    SCOPED_TRACE(c.sql);
    vb::Ref<DriverTable> bad = d.OpenQuery("cv", c.sql);
    EXPECT_NE(d.ErrorText().find(c.error), std::string::npos) << d.ErrorText();
    EXPECT_EQ(bad->Fields()->Count(), 0);
  }
}

TEST(SchemaFixtureDriver, ReachableByMemberNames) {
  testing::ScopedEnv env("TOLVEX_SCHEMA_FIXTURE", kShop);
  vb::Ref<SchemaDriver> driver = create_schema_driver();
  ASSERT_NE(dynamic_cast<FixtureSchemaDriver*>(driver.get()), nullptr);
  vb::Ref<vb::Dispatch> d = driver;
  d->let("DatabaseType", vb::Variant("mysql"));
  d->let("SettingsKey", vb::Variant("Software\\Tolvex\\3.0\\Settings"));
  std::vector<vb::Variant> args = {vb::Variant("localhost"), vb::Variant("shop"), vb::Variant("app"),
                                   vb::Variant("s3cret pw"), vb::Variant(int32_t(3306)), vb::Variant(""),
                                   vb::Variant(""), vb::Variant("utf-8"), vb::Variant("`")};
  d->call("Connect", args);
  ASSERT_EQ(vb::to_string(d->get("ErrorText")), "");
  EXPECT_EQ(vb::to_string(d->get("IdentifierQuote")), "`");
  std::vector<vb::Variant> name = {vb::Variant("orders")};
  vb::Ref<vb::Dispatch> tables = d->call("GetTables", name).object();
  ASSERT_EQ(vb::to_long(tables->get("Count")), 1);
  std::vector<vb::Variant> zero = {vb::Variant(int16_t(0))};
  vb::Ref<vb::Dispatch> table = tables->invoke(vb::kDispValue, vb::InvokeKind::Get, zero).object();
  EXPECT_EQ(vb::to_string(table->get("Name")), "orders");
  EXPECT_EQ(vb::to_string(table->get("TableType")), "TABLE");
  EXPECT_EQ(vb::to_string(table->get("PKField")), "order_id,line");
  vb::Ref<vb::Dispatch> fields = table->get("Fields").object();
  EXPECT_EQ(vb::to_long(fields->get("Count")), 6);
  std::vector<vb::Variant> two = {vb::Variant(int16_t(2))};
  vb::Ref<vb::Dispatch> status = fields->invoke(vb::kDispValue, vb::InvokeKind::Get, two).object();
  struct Member {
    const char* name;
    vb::VarType type;
    std::string text;
  };
  for (const Member& m : {Member{"Name", vb::VarType::String, "status"},
                          Member{"DataTypeName", vb::VarType::String, "enum"},
                          Member{"NativeDataType", vb::VarType::Integer, "247"},
                          Member{"IsEnum", vb::VarType::Boolean, "True"},
                          Member{"IsSet", vb::VarType::Boolean, "False"},
                          Member{"ADODataType", vb::VarType::Integer, "129"},
                          Member{"size", vb::VarType::Long, "9"},
                          Member{"Required", vb::VarType::Boolean, "True"},
                          Member{"Unique", vb::VarType::Boolean, "False"},
                          Member{"AutoIncrement", vb::VarType::Boolean, "False"},
                          Member{"ADOAttributes", vb::VarType::Long, "4"},
                          Member{"defaultValue", vb::VarType::String, "new"},
                          Member{"FieldTagValues", vb::VarType::String,
                                 "\"new\",\"new\"\r\n\"it's done\",\"it's done\"\r\n\"a,b\",\"a,b\""}}) {
    SCOPED_TRACE(m.name);
    vb::Variant v = status->get(m.name);
    EXPECT_EQ(v.type(), m.type);
    EXPECT_EQ(vb::to_string(v), m.text);
  }
  // Positions count from 0; one past the end is out of range.
  std::vector<vb::Variant> six = {vb::Variant(int16_t(6))};
  try {
    fields->invoke(vb::kDispValue, vb::InvokeKind::Get, six);
    FAIL() << "no error for Fields(6)";
  } catch (const vb::VBError& e) {
    EXPECT_EQ(e.number(), vb::err::kSubscriptOutOfRange);
  }
  std::vector<vb::Variant> sql = {vb::Variant("cv"), vb::Variant("SELECT name FROM customers")};
  vb::Ref<vb::Dispatch> q = d->call("OpenQuery", sql).object();
  EXPECT_EQ(vb::to_string(q->get("TableType")), "CUSTOMVIEW");
  EXPECT_FALSE(vb::to_bool(d->get("IsJVMLoaded")));
}

}  // namespace
}  // namespace tolvex::platform
