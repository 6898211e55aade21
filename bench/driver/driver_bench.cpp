// Reading a large schema through the MariaDB driver against the bare catalogue queries it
// makes. Uses the server named by TOLVEX_BENCH_DB_ENV (a server.env file written by
// scripts/mariadb-test-server.sh), else starts a private one for the run.
#include <mysql.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/schema/mariadb_driver.h"

namespace tolvex::platform {
namespace {

constexpr int kTables = 500;
constexpr int kColumns = 30;
constexpr const char* kDatabase = "tolvex_other";

class Server {
 public:
  static Server& get() {
    static Server s;
    return s;
  }
  ConnectionValues values() const {
    ConnectionValues v;
    v.host = env_.at("TOLVEX_TEST_DB_HOST");
    v.port = env_.at("TOLVEX_TEST_DB_PORT");
    v.user = env_.at("TOLVEX_TEST_DB_USER");
    v.password = env_.at("TOLVEX_TEST_DB_PASSWORD");
    v.database = kDatabase;
    return v;
  }
  MYSQL* client() const { return mysql_; }

 private:
  Server() {
    std::string env_file;
    if (const char* e = std::getenv("TOLVEX_BENCH_DB_ENV"); e && *e) {
      env_file = e;
    } else {
      char pattern[] = "/tmp/tolvex-bench-XXXXXX";
      if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
      dir_ = pattern;
      std::string cmd = std::string(TOLVEX_SOURCE_DIR) + "/scripts/mariadb-test-server.sh start " + dir_;
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error("the test server did not start");
      env_file = dir_ + "/server.env";
    }
    std::ifstream in(env_file);
    std::string line;
    while (std::getline(in, line)) {
      if (size_t eq = line.find('='); eq != std::string::npos) env_[line.substr(0, eq)] = line.substr(eq + 1);
    }
    ConnectionValues v = values();
    mysql_ = mysql_init(nullptr);
    if (!mysql_real_connect(mysql_, v.host.c_str(), v.user.c_str(), v.password.c_str(), kDatabase,
                            unsigned(std::stoul(v.port)), nullptr, 0)) {
      throw std::runtime_error(mysql_error(mysql_));
    }
    create_schema();
  }
  ~Server() {
    mysql_close(mysql_);
    if (!dir_.empty()) {
      std::string cmd = std::string(TOLVEX_SOURCE_DIR) + "/scripts/mariadb-test-server.sh stop " + dir_;
      if (std::system(cmd.c_str()) == 0) std::filesystem::remove_all(dir_);
    }
  }

  void run(const std::string& sql) {
    if (mysql_query(mysql_, sql.c_str()) != 0) throw std::runtime_error(mysql_error(mysql_));
  }

  // 500 tables of 30 columns: a key, a unique column, numbers, texts, dates and an enum.
  void create_schema() {
    static const char* kTypes[] = {"INT", "VARCHAR(40)", "DECIMAL(10,2)", "DATETIME", "TEXT", "ENUM('a','b','c')",
                                   "BIGINT UNSIGNED", "DATE", "CHAR(8)", "DOUBLE"};
    run("SET foreign_key_checks = 0");
    for (int t = 0; t < kTables; ++t) {
      std::string sql = "CREATE TABLE IF NOT EXISTS bench_" + std::to_string(t) + " (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY";
      for (int c = 1; c < kColumns; ++c) {
        sql += ", c" + std::to_string(c) + " " + kTypes[c % 10] + (c % 3 == 0 ? " NOT NULL" : "");
      }
      sql += ", UNIQUE KEY uq (c1))";
      run(sql);
    }
  }

  std::map<std::string, std::string> env_;
  std::string dir_;
  MYSQL* mysql_ = nullptr;
};

void BM_DriverGetTables(benchmark::State& state) {
  Server& server = Server::get();
  MariaDbSchemaDriver driver;
  driver.set_DatabaseType("mysql");
  driver.Connect(server.values());
  if (!driver.ErrorText().empty()) {
    state.SkipWithError(driver.ErrorText().c_str());
    return;
  }
  for (auto _ : state) {
    vb::Ref<DriverTables> tables = driver.GetTables("");
    if (tables->Count() != kTables) state.SkipWithError("wrong table count");
    benchmark::DoNotOptimize(tables);
  }
  state.counters["columns"] = kTables * kColumns;
}
BENCHMARK(BM_DriverGetTables)->Unit(benchmark::kMillisecond);

// The same three catalogue queries, rows fetched and dropped.
void BM_RawCatalogueQueries(benchmark::State& state) {
  MYSQL* m = Server::get().client();
  const std::string where = std::string(" WHERE TABLE_SCHEMA = '") + kDatabase + "'";
  const std::string queries[] = {
      "SELECT TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES" + where,
      "SELECT TABLE_SCHEMA, TABLE_NAME, INDEX_NAME, SEQ_IN_INDEX, COLUMN_NAME, SUB_PART FROM "
      "information_schema.STATISTICS" + where + " AND NON_UNIQUE = 0",
      "SELECT TABLE_SCHEMA, TABLE_NAME, ORDINAL_POSITION, COLUMN_NAME, DATA_TYPE, COLUMN_TYPE, "
      "CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, DATETIME_PRECISION, IS_NULLABLE, COLUMN_DEFAULT, EXTRA "
      "FROM information_schema.COLUMNS" + where};
  for (auto _ : state) {
    size_t rows = 0;
    for (const std::string& q : queries) {
      if (mysql_query(m, q.c_str()) != 0) {
        state.SkipWithError(mysql_error(m));
        return;
      }
      MYSQL_RES* r = mysql_store_result(m);
      while (mysql_fetch_row(r)) ++rows;
      mysql_free_result(r);
    }
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_RawCatalogueQueries)->Unit(benchmark::kMillisecond);

void BM_DriverGetOneTable(benchmark::State& state) {
  MariaDbSchemaDriver driver;
  driver.Connect(Server::get().values());
  for (auto _ : state) {
    vb::Ref<DriverTables> tables = driver.GetTables("bench_250");
    if (tables->Count() != 1) state.SkipWithError("table missing");
    benchmark::DoNotOptimize(tables);
  }
}
BENCHMARK(BM_DriverGetOneTable)->Unit(benchmark::kMillisecond);

void BM_DriverOpenQuery(benchmark::State& state) {
  MariaDbSchemaDriver driver;
  driver.Connect(Server::get().values());
  for (auto _ : state) {
    vb::Ref<DriverTable> q = driver.OpenQuery("cv", "SELECT a.*, b.c2 AS other FROM bench_1 a JOIN bench_2 b ON b.id = a.id");
    if (q->Fields()->Count() != kColumns + 1) state.SkipWithError(driver.ErrorText().c_str());
    benchmark::DoNotOptimize(q);
  }
}
BENCHMARK(BM_DriverOpenQuery)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolvex::platform
