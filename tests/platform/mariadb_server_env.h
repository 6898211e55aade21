// The connection values of the private MariaDB server that scripts/mariadb-test-server.sh
// starts, read from the server.env file it writes (TOLVEX_TEST_DB_HOST, _PORT, _USER,
// _PASSWORD, _NAME, _SOCKET).
#pragma once

#include <mysql.h>

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

  // Reads the file that the environment variable TOLVEX_TEST_DB_ENV names, else `fallback`.
  bool read_from_environment(const std::string& fallback) {
    const char* path = std::getenv("TOLVEX_TEST_DB_ENV");
    return read(path && *path ? std::string(path) : fallback);
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

  // Runs one statement in `database` through the client library directly: the number in the
  // first column of the first row it answers, 0 when it answers no rows, -1 with `error` set
  // when it fails.
  long long query(const std::string& text, const std::string& database, std::string& error) const {
    const platform::ConnectionValues v = connection(database);
    MYSQL* m = mysql_init(nullptr);
    long long out = -1;
    if (mysql_real_connect(m, v.host.c_str(), v.user.c_str(), v.password.c_str(), database.c_str(),
                           unsigned(std::stoul(v.port)), nullptr, 0) &&
        mysql_query(m, text.c_str()) == 0) {
      out = 0;
      if (MYSQL_RES* r = mysql_store_result(m)) {
        if (MYSQL_ROW row = mysql_fetch_row(r); row && row[0]) out = std::stoll(row[0]);
        mysql_free_result(r);
      }
    } else {
      error = *mysql_error(m) ? mysql_error(m) : "the statement failed";
    }
    mysql_close(m);
    return out;
  }
};

// Under CI (CI=true) a missing server is a failure, elsewhere a reason to skip.
inline bool server_required() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

}  // namespace tolvex::testing

// In a fixture's SetUp (a GoogleTest source): reads the server's values into `env` (see read_from_environment); with
// no server the test fails under CI and is skipped elsewhere.
#define TOLVEX_OPEN_MARIADB_TEST_SERVER(env, fallback)                                     \
  do {                                                                                     \
    if (!(env).read_from_environment(fallback)) {                                          \
      if (::tolvex::testing::server_required()) {                                          \
        FAIL() << "the MariaDB test server is not running (no " << (fallback)              \
               << "); run the tests through ctest, which starts it";                      \
      }                                                                                    \
      GTEST_SKIP() << "no MariaDB test server; run through ctest to start one";           \
    }                                                                                      \
  } while (0)
