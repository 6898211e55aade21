// The project's connection values for a database of the private test server.
#pragma once

#include <string>

#include "database/schema_connection.h"
#include "platform/mariadb_server_env.h"

namespace tolvex::testing {

inline ConnectionSettings server_settings(const MariaDbServerEnv& env, const std::string& database) {
  const platform::ConnectionValues v = env.connection(database);
  ConnectionSettings c;
  c.type = "mysql";
  c.database = database;
  c.host = v.host;
  c.port = v.port;
  c.user = v.user;
  c.password = v.password;
  c.encoding = "utf8";
  return c;
}

}  // namespace tolvex::testing
