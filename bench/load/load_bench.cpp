// Reading a schema of 500 tables of 30 columns from a MariaDB server into the model (tables
// and fields with their defaults, through the driver), next to the time the server takes to
// answer the catalogue queries that the driver makes. Uses the server named by
// TOLVEX_BENCH_DB_ENV (a server.env file written by scripts/mariadb-test-server.sh), else
// starts a private one for the run.
#include <mysql.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "foundation/context.h"
#include "model/table_loading.h"
#include "model/tables.h"
#include "platform/mariadb_server_env.h"
#include "platform/registry.h"
#include "platform/schema/mariadb_driver.h"

namespace tolvex {
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
  platform::ConnectionValues values() const { return env_.connection(kDatabase); }
  MYSQL* client() const { return mysql_; }

 private:
  Server() {
    std::string env_file;
    if (const char* e = std::getenv("TOLVEX_BENCH_DB_ENV"); e && *e) {
      env_file = e;
    } else {
      char pattern[] = "/tmp/tolvex-load-bench-XXXXXX";
      if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
      dir_ = pattern;
      std::string cmd = std::string(TOLVEX_SOURCE_DIR) + "/scripts/mariadb-test-server.sh start " + dir_ + " >/dev/null";
      if (std::system(cmd.c_str()) != 0) throw std::runtime_error("the test server did not start");
      env_file = dir_ + "/server.env";
    }
    if (!env_.read(env_file)) throw std::runtime_error("no server in " + env_file);
    platform::ConnectionValues v = values();
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

  // 500 tables of 30 columns: a key, a unique column, numbers, texts, dates and an enum
  // (the same tables as the driver's own benchmark, so both can share a server).
  void create_schema() {
    static const char* kTypes[] = {"INT", "VARCHAR(40)", "DECIMAL(10,2)", "DATETIME", "TEXT", "ENUM('a','b','c')",
                                   "BIGINT UNSIGNED", "DATE", "CHAR(8)", "DOUBLE"};
    for (int t = 0; t < kTables; ++t) {
      std::string sql = "CREATE TABLE IF NOT EXISTS bench_" + std::to_string(t) + " (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY";
      for (int c = 1; c < kColumns; ++c) {
        sql += ", c" + std::to_string(c) + " " + kTypes[c % 10] + (c % 3 == 0 ? " NOT NULL" : "");
      }
      sql += ", UNIQUE KEY uq (c1))";
      run(sql);
    }
  }

  testing::MariaDbServerEnv env_;
  std::string dir_;
  MYSQL* mysql_ = nullptr;
};

// The module context of a project whose registry holds no user defaults.
class ModelContext {
 public:
  ModelContext() : scoped_registry_(std::make_shared<platform::MemoryRegistry>()) {
    const std::string root = "Software\\Tolvex\\3.0";
    ModuleContext& c = ctx_.get();
    c.ProductTitle = "Tolvex";
    c.RegKeyTable = root + "\\Settings\\Table";
    c.RegKeyField = root + "\\Settings\\Field";
    c.RegKeyChart = root + "\\Settings\\Chart";
    c.CurrentDbmsName = "Schema driver";
    c.CurrentDateFormat = 5;
  }

 private:
  platform::ScopedRegistry scoped_registry_;
  ContextScope ctx_;
};

// The load-all steps of the schema loader over the driver's tables; the number of fields.
size_t load_into(AGPTables& tables, const platform::DriverTables& found) {
  size_t fields = 0;
  for (const auto& t : found.items()) {
    if (t->TableType() != "TABLE" && t->TableType() != "VIEW") continue;
    if (!table_name_fits(tables, t->Name()) || !tables.Add(t->Name())) continue;
    auto table = tables.Item(vb::Variant(t->Name()));
    table->TblLoaded(false);
    table->Load_zvDB(vb::Variant(vb::Ref<vb::Dispatch>(t)), vb::Variant(true));
    fields += table->Fields()->size();
  }
  return fields;
}

vb::Ref<platform::MariaDbSchemaDriver> connected_driver(benchmark::State& state) {
  auto driver = vb::make_ref<platform::MariaDbSchemaDriver>();
  driver->set_DatabaseType("mysql");
  driver->Connect(Server::get().values());
  if (!driver->ErrorText().empty()) state.SkipWithError(driver->ErrorText().c_str());
  return driver;
}

// Driver and model: what loading the database costs.
void BM_LoadSchemaIntoModel(benchmark::State& state) {
  ModelContext model;
  auto driver = connected_driver(state);
  for (auto _ : state) {
    auto tables = std::make_unique<AGPTables>();
    vb::Ref<platform::DriverTables> found = driver->GetTables("");
    size_t fields = load_into(*tables, *found);
    if (tables->Count() < kTables || fields < size_t(kTables) * kColumns) state.SkipWithError("tables missing");
    benchmark::DoNotOptimize(fields);
    // Letting the model and the driver's answer go is no part of the load.
    state.PauseTiming();
    tables.reset();
    found = nullptr;
    state.ResumeTiming();
  }
  state.counters["tables"] = kTables;
  state.counters["columns"] = kTables * kColumns;
}
BENCHMARK(BM_LoadSchemaIntoModel)->Unit(benchmark::kMillisecond);

// The model's share alone: the driver's answer read once, the tables built each time.
void BM_ModelFromDriverTables(benchmark::State& state) {
  ModelContext model;
  auto driver = connected_driver(state);
  vb::Ref<platform::DriverTables> found = driver->GetTables("");
  for (auto _ : state) {
    auto tables = std::make_unique<AGPTables>();
    benchmark::DoNotOptimize(load_into(*tables, *found));
    state.PauseTiming();
    tables.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ModelFromDriverTables)->Unit(benchmark::kMillisecond);

// What creating the field objects alone costs (their settings declared and their per-user
// defaults read from the registry), before any schema fact is copied in.
void BM_NewFieldObjects(benchmark::State& state) {
  ModelContext model;
  std::vector<vb::Ref<AGPField>> fields;
  fields.reserve(size_t(kTables) * kColumns);
  for (auto _ : state) {
    for (int i = 0; i < kTables * kColumns; ++i) fields.push_back(vb::make_ref<AGPField>());
    state.PauseTiming();
    fields.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_NewFieldObjects)->Unit(benchmark::kMillisecond);

// The driver's three catalogue queries, rows fetched and dropped: the server's own time.
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

}  // namespace
}  // namespace tolvex
