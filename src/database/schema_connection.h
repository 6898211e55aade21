// The connection to the database driver component: the one driver instance of the
// context, and the calls that every schema read makes in order before it asks for
// tables, a query's columns or the database names.
#pragma once

#include <string>
#include <string_view>

#include "platform/schema/schema_driver.h"
#include "vb/dispatch.h"

namespace tolvex {

class AGPDatabase;

// The connection values as the host passes them (every one kept as text).
struct ConnectionSettings {
  std::string type;      // "mysql", "oracle" or another kind (compared in lower case)
  std::string host;
  std::string database;
  std::string user;
  std::string password;
  std::string port;
  std::string sid;       // Oracle service or schema
  std::string method;    // connection method ("JDBC" uses the driver's own quote)
  std::string url;
  std::string encoding;
};

// A host argument as text: Empty, Null and a missing argument give "".
std::string argument_text(const vb::Variant& v);

// Connection values from host arguments in the order of the project's loaders
// (sDBName, sDBType, sHost, sPort, sUID, sPwd, sSID, sMethod, sUrl, sEncoding) ...
ConnectionSettings connection_from_project_order(vb::Args a, size_t first = 0);
// ... and in the order of the database's loaders (sHost, sDBName, sDBType, sUID, sPwd,
// sPort, sSID, sMethod, sUrl, sEncoding). Arguments not passed give "".
ConnectionSettings connection_from_loader_order(vb::Args a, size_t first = 0);

// The connection values stored in the project's database (what a later check,
// synchronization or table load connects with).
ConnectionSettings stored_connection(AGPDatabase& db);

// True for the database types that the driver reads ("mysql", "oracle", any case).
bool is_driver_type(std::string_view type);

// The driver of the current context, made on first use (create_schema_driver) and kept.
platform::SchemaDriver& schema_driver();
// Installs the driver the context uses from now on (the host's or a test's); null lets
// the next use make a new one.
void set_schema_driver(vb::Ref<platform::SchemaDriver> driver);

// The identifier quote handed to Connect: IdentQuoteChar of the type and method, with
// "NA" (the driver tells the quote itself) given as "".
std::string connection_quote(const ConnectionSettings& c);

// The settings key below which the driver keeps its own settings.
std::string driver_settings_key();

// Puts DatabaseType, SettingsKey and (Oracle) Schema, then connects to `database`.
// Returns the driver's ErrorText ("" on success).
std::string connect_schema_driver(const ConnectionSettings& c, const std::string& database);

}  // namespace tolvex
