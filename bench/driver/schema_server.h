// The MariaDB server and the generated schema that the schema-reading benchmarks read:
// 500 tables of 30 columns in the database tolvex_bench.
//
// The server is the one named by TOLVEX_BENCH_DB_ENV (a server.env file written by
// scripts/mariadb-test-server.sh); without it a private server is started in a temporary
// folder for the run and stopped at its end. The schema is created once per server.
#pragma once

#include <mysql.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/mariadb_server_env.h"
#include "platform/schema/mariadb_driver.h"

namespace tolvex::bench {

inline constexpr int kTables = 500;
inline constexpr int kColumns = 30;
inline constexpr const char* kDatabase = "tolvex_bench";

class SchemaServer {
 public:
  static SchemaServer& get() {
    static SchemaServer s;
    return s;
  }
  SchemaServer(const SchemaServer&) = delete;
  SchemaServer& operator=(const SchemaServer&) = delete;

  const testing::MariaDbServerEnv& env() const noexcept { return env_; }
  platform::ConnectionValues values() const { return env_.connection(kDatabase); }

  // The catalogue queries that the driver's GetTables makes for the whole database, sent
  // through the client library alone, every row fetched: the time the server takes to
  // answer them (and the rows to arrive), in milliseconds. Throws on a failed query.
  double catalogue_ms() {
    const platform::MariaDbCatalogueQueries q =
        platform::mariadb_catalogue_queries(std::string(" WHERE TABLE_SCHEMA = '") + kDatabase + "'");
    const auto start = std::chrono::steady_clock::now();
    for (const std::string* sql : {&q.tables, &q.unique_index_parts, &q.columns}) {
      if (mysql_real_query(mysql_, sql->data(), static_cast<unsigned long>(sql->size())) != 0) {
        throw std::runtime_error(mysql_error(mysql_));
      }
      MYSQL_RES* r = mysql_store_result(mysql_);
      if (!r) throw std::runtime_error(mysql_error(mysql_));
      while (mysql_fetch_row(r)) {
      }
      mysql_free_result(r);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }

 private:
  SchemaServer() {
    std::string env_file;
    if (const char* e = std::getenv("TOLVEX_BENCH_DB_ENV"); e && *e) {
      env_file = e;
    } else {
      std::string pattern = (std::filesystem::temp_directory_path() / "tolvex-bench-XXXXXX").string();
      if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for the server");
      dir_ = pattern;
      const std::string cmd = std::string(TOLVEX_SOURCE_DIR) + "/scripts/mariadb-test-server.sh start " + dir_ + " >&2";
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error("the private MariaDB server did not start");
      env_file = dir_ + "/server.env";
    }
    if (!env_.read(env_file)) throw std::runtime_error("no server described in " + env_file);
    const platform::ConnectionValues v = values();
    mysql_ = mysql_init(nullptr);
    if (!mysql_real_connect(mysql_, v.host.c_str(), v.user.c_str(), v.password.c_str(), nullptr,
                            unsigned(std::stoul(v.port)), nullptr, 0)) {
      throw std::runtime_error(mysql_error(mysql_));
    }
    create_schema();
  }
  ~SchemaServer() {
    mysql_close(mysql_);
    if (!dir_.empty()) {
      const std::string cmd = std::string(TOLVEX_SOURCE_DIR) + "/scripts/mariadb-test-server.sh stop " + dir_;
      if (std::system(cmd.c_str()) == 0) std::filesystem::remove_all(dir_);
    }
  }

  void run(const std::string& sql) {
    if (mysql_query(mysql_, sql.c_str()) != 0) throw std::runtime_error(sql + ": " + mysql_error(mysql_));
  }

  // Every table: an auto-increment key, a unique column, numbers, texts, long texts, dates,
  // an enumeration, NOT NULL columns and defaults; every tenth table has a key of two
  // columns instead.
  void create_schema() {
    run(std::string("CREATE DATABASE IF NOT EXISTS ") + kDatabase + " CHARACTER SET utf8mb4");
    run(std::string("USE ") + kDatabase);
    run("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + std::string(kDatabase) + "'");
    MYSQL_RES* r = mysql_store_result(mysql_);
    MYSQL_ROW row = r ? mysql_fetch_row(r) : nullptr;
    const bool present = row && row[0] && std::stoi(row[0]) == kTables;
    if (r) mysql_free_result(r);
    if (present) return;
    static const char* kTypes[] = {"INT",      "VARCHAR(40) DEFAULT 'x'", "DECIMAL(10,2) DEFAULT 0", "DATETIME",
                                   "TEXT",     "ENUM('a','b','c')",       "BIGINT UNSIGNED",         "DATE",
                                   "CHAR(8)",  "DOUBLE"};
    for (int t = 0; t < kTables; ++t) {
      const bool composite = t % 10 == 0;
      std::string sql = "CREATE TABLE IF NOT EXISTS bench_" + std::to_string(t) + " (id INT NOT NULL" +
                        (composite ? "" : " AUTO_INCREMENT");
      for (int c = 1; c < kColumns; ++c) {
        sql += ", c" + std::to_string(c) + " " + kTypes[c % 10] + (c % 3 == 0 ? " NOT NULL" : "");
      }
      sql += composite ? ", PRIMARY KEY (c3, id)" : ", PRIMARY KEY (id)";
      sql += ", UNIQUE KEY uq (c1))";
      run(sql);
    }
  }

  testing::MariaDbServerEnv env_;
  std::string dir_;
  MYSQL* mysql_ = nullptr;
};

}  // namespace tolvex::bench
