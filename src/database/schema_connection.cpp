#include "database/schema_connection.h"

#include "foundation/agp_vars.h"
#include "foundation/common.h"
#include "foundation/context.h"
#include "model/database.h"
#include "vb/convert.h"
#include "vb/strings.h"

namespace tolvex {

std::string argument_text(const vb::Variant& v) {
  if (v.is_missing() || v.is_empty() || v.is_null()) return {};
  return vb::to_string(v);
}

namespace {
std::string nth(vb::Args a, size_t i) { return i < a.size() ? argument_text(a[i]) : std::string(); }
}  // namespace

ConnectionSettings connection_from_project_order(vb::Args a, size_t f) {
  ConnectionSettings c;
  c.database = nth(a, f);
  c.type = nth(a, f + 1);
  c.host = nth(a, f + 2);
  c.port = nth(a, f + 3);
  c.user = nth(a, f + 4);
  c.password = nth(a, f + 5);
  c.sid = nth(a, f + 6);
  c.method = nth(a, f + 7);
  c.url = nth(a, f + 8);
  c.encoding = nth(a, f + 9);
  return c;
}

ConnectionSettings connection_from_loader_order(vb::Args a, size_t f) {
  ConnectionSettings c;
  c.host = nth(a, f);
  c.database = nth(a, f + 1);
  c.type = nth(a, f + 2);
  c.user = nth(a, f + 3);
  c.password = nth(a, f + 4);
  c.port = nth(a, f + 5);
  c.sid = nth(a, f + 6);
  c.method = nth(a, f + 7);
  c.url = nth(a, f + 8);
  c.encoding = nth(a, f + 9);
  return c;
}

ConnectionSettings stored_connection(AGPDatabase& db) {
  ConnectionSettings c;
  c.database = db.DBName();
  c.type = db.DBType();
  c.host = db.DBHost();
  c.port = db.DBPort();
  c.user = db.DBUID();
  c.password = db.DBPwd();
  c.sid = db.DBSID();
  c.method = db.DBConnectionMethod();
  c.url = db.DBURL();
  c.encoding = db.DBEncoding();
  return c;
}

bool is_driver_type(std::string_view type) { return vb::iequals(type, "mysql") || vb::iequals(type, "oracle"); }

platform::SchemaDriver& schema_driver() {
  ModuleContext& ctx = context();
  auto driver = vb::ref_cast<platform::SchemaDriver>(ctx.DatabaseDriver);
  if (!driver) {
    driver = platform::create_schema_driver();
    ctx.DatabaseDriver = driver;
  }
  return *driver;
}

void set_schema_driver(vb::Ref<platform::SchemaDriver> driver) { context().DatabaseDriver = std::move(driver); }

std::string connection_quote(const ConnectionSettings& c) {
  std::string quote = AGPVars::IdentQuoteChar(c.type, c.method);
  return quote == "NA" ? std::string() : quote;
}

std::string driver_settings_key() {
  const ModuleContext& ctx = context();
  return "Software\\" + common::CompactName(ctx.ProductKey) + "\\" + ctx.ProgramVersion + "\\Settings";
}

std::string connect_schema_driver(const ConnectionSettings& c, const std::string& database) {
  platform::SchemaDriver& driver = schema_driver();
  driver.set_DatabaseType(c.type);
  driver.set_SettingsKey(driver_settings_key());
  if (vb::iequals(c.type, "oracle")) driver.set_Schema(c.sid);
  platform::ConnectionValues v;
  v.host = c.host;
  v.database = database;
  v.user = c.user;
  v.password = c.password;
  v.port = c.port;
  v.method = c.method;
  v.url = c.url;
  v.encoding = c.encoding;
  v.quote = connection_quote(c);
  driver.Connect(v);
  return driver.ErrorText();
}

}  // namespace tolvex
