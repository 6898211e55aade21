// The connection values of the private MariaDB server that scripts/mariadb-test-server.sh
// starts, read from the server.env file it writes (TOLVEX_TEST_DB_HOST, _PORT, _USER,
// _PASSWORD, _NAME, _SOCKET).
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "platform/schema/schema_driver.h"

namespace tolvex::testing {

struct MariaDbServerEnv {
  std::map<std::string, std::string> values;

  std::string operator[](const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }

  // Reads `path`; false when it names no running server.
  bool read(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      size_t eq = line.find('=');
      if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return !(*this)["TOLVEX_TEST_DB_PORT"].empty();
  }

  // Over TCP to `database` with the test user.
  platform::ConnectionValues connection(const std::string& database) const {
    platform::ConnectionValues v;
    v.host = (*this)["TOLVEX_TEST_DB_HOST"];
    v.port = (*this)["TOLVEX_TEST_DB_PORT"];
    v.user = (*this)["TOLVEX_TEST_DB_USER"];
    v.password = (*this)["TOLVEX_TEST_DB_PASSWORD"];
    v.database = database;
    v.quote = "`";
    return v;
  }
};

// Under CI (CI=true) a missing server is a failure, elsewhere a reason to skip.
inline bool server_required() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

}  // namespace tolvex::testing
