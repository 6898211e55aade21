// A driver that serves a schema written in a text file: for tests that need no server and for
// database kinds that cannot run here (Oracle).
//
// The file is read at every Connect. One statement per line; "#" starts a comment line.
// A line is a keyword followed by key=value pairs and bare flags; a value that holds blanks,
// "=" or quotes is written in double quotes, where \" \\ \r \n \t stand for themselves.
//
//   database name=shop                     the tables that follow belong to "shop"
//   user name=app password=secret          accepted credentials (none listed: any are accepted)
//   table name=orders pk="id,line"         a base table ("TABLE"); type=<word> gives another type
//   view name=v_orders                     a view ("VIEW")
//   field name=id type="int unsigned" required autoincrement unique default=0
//
// A field's `type` is a column type as CREATE TABLE writes it; the driver derives the type
// name, native code, ADO code, size and attributes from it as it does for a MariaDB server.
// Each derived fact can be given instead: typename=, native=, ado=, size=, attributes=
// (decimal or 0x hex), tags=, and the flags enum and set (Oracle columns name all of them).
// Flags: required (NOT NULL), unique, autoincrement; a field named in its table's pk is a
// key column (pk is the driver's PKField: names separated by ",", a name that holds a comma
// written in double quotes with inner ones doubled). default= gives the default value as
// text (absent: Null).
//
// IdentifierQuote is " for the database type "oracle" and ` otherwise.
//
// OpenQuery reads the query with the SQL parser and takes each column from the table it
// names; a computed column is reported as varchar(255). The query must name existing tables
// and columns, else ErrorText says which is missing, as a server would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/schema/schema_driver.h"

namespace tolvex::platform {

class FixtureSchemaDriver : public SchemaDriver {
 public:
  explicit FixtureSchemaDriver(std::filesystem::path file);

  void Connect(const ConnectionValues& values) override;
  std::string DatabaseNames() override;
  vb::Ref<DriverTables> GetTables(std::string_view table_name) override;
  std::string IdentifierQuote() override;
  vb::Ref<DriverTable> OpenQuery(std::string_view table_name, std::string_view sql) override;

  // The calls made so far, one text each, for tests of the callers' call order:
  // "Connect type=<DatabaseType> key=<SettingsKey> schema=<Schema> host=<h> db=<d> user=<u>
  // port=<p> method=<m> quote=<q>", "GetTables <name>", "OpenQuery <name>", "DatabaseNames",
  // "IdentifierQuote".
  const std::vector<std::string>& calls() const noexcept { return calls_; }

  struct Database {
    std::string name;
    std::vector<TableInfo> tables;
  };
  struct Credentials {
    std::string user, password;
  };

 private:
  const Database* connected() const;

  std::filesystem::path file_;
  std::vector<Database> databases_;
  std::vector<Credentials> users_;
  bool connected_ = false;
  std::string database_;  // "" when connected without one
  std::vector<std::string> calls_;
};

}  // namespace tolvex::platform
