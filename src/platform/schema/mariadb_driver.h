// The driver for MySQL and MariaDB servers, over MariaDB Connector/C.
//
// Tables, views and columns come from information_schema; the columns of a custom view come
// from the metadata of a prepared statement, which is never executed. Connections use
// utf8mb4 whatever the project's encoding (names are UTF-8 inside the system), never allow
// several statements in one query, and give up after the timeouts below instead of hanging.
#pragma once

#include <memory>
#include <string>

#include "platform/schema/schema_driver.h"

namespace tolvex::platform {

struct MariaDbTimeouts {
  unsigned connect_seconds = 10;
  unsigned read_seconds = 30;
  unsigned write_seconds = 30;
};

// The three information_schema queries behind GetTables, in the order it makes them: the
// tables and views, the parts of unique indexes, the columns. `where` restricts each to
// the tables wanted (" WHERE TABLE_SCHEMA = '<db>'", and " AND TABLE_NAME = '<name>'" for
// one table, the literals escaped for the connection).
struct MariaDbCatalogueQueries {
  std::string tables;
  std::string unique_index_parts;
  std::string columns;
};
MariaDbCatalogueQueries mariadb_catalogue_queries(const std::string& where);

class MariaDbSchemaDriver : public SchemaDriver {
 public:
  explicit MariaDbSchemaDriver(MariaDbTimeouts timeouts = {});
  ~MariaDbSchemaDriver() override;

  // The host may be a name, an address, or the path of a Unix socket (starting with "/").
  // A name or address ("localhost" included) is reached over TCP at the port, which must be
  // a number from 1 to 65535; an empty host is "localhost".
  void Connect(const ConnectionValues& values) override;
  std::string DatabaseNames() override;
  vb::Ref<DriverTables> GetTables(std::string_view table_name) override;
  std::string IdentifierQuote() override;
  vb::Ref<DriverTable> OpenQuery(std::string_view table_name, std::string_view sql) override;

  struct Connection;

 private:
  MariaDbTimeouts timeouts_;
  std::unique_ptr<Connection> conn_;
};

}  // namespace tolvex::platform
