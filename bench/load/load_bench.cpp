// Importing a large schema (500 tables of 30 columns, see bench/driver/schema_server.h) from
// a MariaDB server into a project: the project's LoadDB, which connects through the
// database driver, reads every table and view and builds the tables and fields with their
// defaults (and the site menu). Its time is set against the time the server takes to answer
// the same information_schema queries; the import should stay within 3 times that.
//
// Run (Release build, a server started once and reused):
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVEX_BUILD_BENCHMARKS=ON
//   cmake --build build-bench --target bench_load bench_driver
//   scripts/mariadb-test-server.sh start /tmp/tolvex-bench-server
//   TOLVEX_BENCH_DB_ENV=/tmp/tolvex-bench-server/server.env build-bench/bench/load/bench_load
//   scripts/mariadb-test-server.sh stop /tmp/tolvex-bench-server
// Without TOLVEX_BENCH_DB_ENV the benchmark starts and stops a private server itself.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "database/mariadb/server_settings.h"
#include "database/schema_import.h"
#include "driver/schema_server.h"
#include "foundation/context.h"
#include "model/project.h"
#include "platform/registry.h"

namespace tolvex {
namespace {

using bench::kColumns;
using bench::kTables;
using bench::SchemaServer;

// A module context whose registry holds no user defaults, with a documents folder of its
// own, in which projects can be made.
class ProjectEnvironment {
 public:
  ProjectEnvironment()
      : docs_(std::filesystem::temp_directory_path() / ("tolvex-bench-load-" + std::to_string(getpid()))),
        registry_(std::make_shared<platform::MemoryRegistry>()),
        scoped_registry_(registry_) {
    std::filesystem::create_directories(docs_);
    setenv("XDG_DOCUMENTS_DIR", docs_.c_str(), 1);
    // A user who has run the product before: no first-run copy.
    registry_->set_value(platform::RegRoot::CurrentUser, "Software\\Tolvex\\3.0\\Settings\\General", "Language",
                         platform::RegValue::make_text("english.xml"));
  }
  ~ProjectEnvironment() {
    std::error_code ec;
    std::filesystem::remove_all(docs_, ec);
  }

 private:
  std::filesystem::path docs_;
  std::shared_ptr<platform::MemoryRegistry> registry_;
  platform::ScopedRegistry scoped_registry_;
  ContextScope context_;
};

size_t field_count(AGP& project) {
  size_t n = 0;
  AGPTables& tables = *project.DB()->Tables();
  for (size_t i = 0; i < tables.size(); ++i) n += tables.at(i)->Fields()->size();
  return n;
}

// Each iteration asks the server the catalogue queries through the client library alone,
// then imports the database into a new project (whose time is the benchmark's); both run
// alternately so that other load on the machine falls on both alike. Making the empty
// project and releasing the loaded one are not timed.
void BM_ImportSchemaVsCatalogue(benchmark::State& state) {
  ProjectEnvironment env;
  SchemaServer& server = SchemaServer::get();
  const ConnectionSettings c = testing::server_settings(server.env(), bench::kDatabase);
  double server_ms = 0, import_ms = 0;
  for (auto _ : state) {
    server_ms += server.catalogue_ms();
    auto project = vb::make_ref<AGP>();
    const auto start = std::chrono::steady_clock::now();
    LoadDB(*project, c);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    import_ms += ms;
    state.SetIterationTime(ms / 1000.0);
    if (!context().ProjErr.empty()) {
      state.SkipWithError(context().ProjErr.c_str());
      break;
    }
    if (project->DB()->Tables()->Count() != kTables || field_count(*project) != size_t(kTables) * kColumns) {
      state.SkipWithError("the import is not complete");
      break;
    }
  }
  const double n = double(state.iterations());
  const double ratio = server_ms > 0 ? import_ms / server_ms : 0;
  state.counters["server_ms"] = server_ms / n;
  state.counters["import_ms"] = import_ms / n;
  state.counters["ratio"] = ratio;
  state.SetLabel(ratio <= 3.0 ? "within 3x of the server" : "MORE than 3x the server's time");
}
BENCHMARK(BM_ImportSchemaVsCatalogue)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolvex
