// The MariaDB driver alone on a large schema (500 tables of 30 columns, see schema_server.h):
// GetTables next to the bare catalogue queries it makes, one table, and a custom view's
// columns. Which server is used: schema_server.h.
#include <chrono>

#include <benchmark/benchmark.h>

#include "driver/schema_server.h"
#include "platform/schema/mariadb_driver.h"

namespace tolvex::platform {
namespace {

using bench::kColumns;
using bench::kTables;
using bench::SchemaServer;

vb::Ref<MariaDbSchemaDriver> connected_driver(benchmark::State& state) {
  auto driver = vb::make_ref<MariaDbSchemaDriver>();
  driver->set_DatabaseType("mysql");
  driver->Connect(SchemaServer::get().values());
  if (!driver->ErrorText().empty()) state.SkipWithError(driver->ErrorText().c_str());
  return driver;
}

// Each iteration asks the server the catalogue queries through the client library alone,
// then reads the same through the driver (whose time is the benchmark's); both run
// alternately so that other load on the machine falls on both alike.
void BM_DriverGetTablesVsCatalogue(benchmark::State& state) {
  SchemaServer& server = SchemaServer::get();
  auto driver = connected_driver(state);
  double server_ms = 0, driver_ms = 0;
  for (auto _ : state) {
    server_ms += server.catalogue_ms();
    const auto start = std::chrono::steady_clock::now();
    vb::Ref<DriverTables> tables = driver->GetTables("");
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    driver_ms += ms;
    state.SetIterationTime(ms / 1000.0);
    if (tables->Count() != kTables) state.SkipWithError("the generated schema is not complete");
    benchmark::DoNotOptimize(tables);
  }
  const double n = double(state.iterations());
  state.counters["server_ms"] = server_ms / n;
  state.counters["driver_ms"] = driver_ms / n;
  state.counters["ratio"] = server_ms > 0 ? driver_ms / server_ms : 0;
  state.counters["columns"] = kTables * kColumns;
}
BENCHMARK(BM_DriverGetTablesVsCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DriverGetOneTable(benchmark::State& state) {
  auto driver = connected_driver(state);
  for (auto _ : state) {
    vb::Ref<DriverTables> tables = driver->GetTables("bench_250");
    if (tables->Count() != 1) state.SkipWithError("table missing");
    benchmark::DoNotOptimize(tables);
  }
}
BENCHMARK(BM_DriverGetOneTable)->Unit(benchmark::kMillisecond);

void BM_DriverOpenQuery(benchmark::State& state) {
  auto driver = connected_driver(state);
  for (auto _ : state) {
    vb::Ref<DriverTable> q = driver->OpenQuery("cv", "SELECT a.*, b.c2 AS other FROM bench_1 a JOIN bench_2 b ON b.id = a.id");
    if (q->Fields()->Count() != kColumns + 1) state.SkipWithError(driver->ErrorText().c_str());
    benchmark::DoNotOptimize(q);
  }
}
BENCHMARK(BM_DriverOpenQuery)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolvex::platform
