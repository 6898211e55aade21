// The project model at the size of a large project: 1,000 tables of 50 fields,
// each table with a chart. One run builds the project in memory, looks every table
// and every field up by name once, renames and deletes a tenth of the tables and
// of the fields, and releases the project (discarded with DeleteProj, which unloads
// its database, then every reference dropped).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "model/project.h"
#include "platform/registry.h"

namespace tolvex {
namespace {

struct Names {
  std::vector<std::string> tables, fields;
  Names(size_t t, size_t f) {
    for (size_t i = 0; i < t; ++i) tables.push_back("SalesTable" + std::to_string(i));
    for (size_t i = 0; i < f; ++i) fields.push_back("CustomerField" + std::to_string(i));
  }
};

size_t heap_in_use() { return mallinfo2().uordblks; }

double peak_rss_mb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// What one run measured besides its time.
struct Figures {
  size_t built_bytes = 0;  // heap held by the built project
  long long left_bytes = 0;  // heap still held after the release (should be none)
  double phase_ms[4] = {0, 0, 0, 0};  // build, lookups, renames and deletions, release
};

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point& t) {
  const auto now = Clock::now();
  const double ms = std::chrono::duration<double, std::milli>(now - t).count();
  t = now;
  return ms;
}

void run_workload(const Names& n, Figures& fig) {
  const size_t heap_before = heap_in_use();
  auto clock = Clock::now();
  auto project = vb::make_ref<AGP>();
  project->AddProj("Bench");
  project->databases().Add("shop");
  auto db = project->databases().Item(vb::Variant("shop"));
  project->set_current_database(db);
  AGPTables& tables = *db->Tables();

  for (size_t t = 0; t < n.tables.size(); ++t) {
    const std::string& tname = n.tables[t];
    tables.Add(tname);
    auto table = tables.Item(vb::Variant(int32_t(t + 1)));
    AGPFields& fields = *table->Fields();
    for (const std::string& f : n.fields) fields.Add(tname, f);
    table->Charts()->Add(tname, "Chart of " + tname);
  }
  fig.built_bytes = heap_in_use() - heap_before;
  fig.phase_ms[0] += ms_since(clock);

  for (const std::string& tname : n.tables) {
    auto table = tables.Item(vb::Variant(tname));
    AGPFields& fields = *table->Fields();
    for (const std::string& f : n.fields) benchmark::DoNotOptimize(fields.Item(vb::Variant(f)));
  }

  fig.phase_ms[1] += ms_since(clock);

  // A tenth of the tables renamed and another tenth deleted; in every table left,
  // a tenth of the fields renamed and another tenth deleted.
  for (size_t t = 0; t < n.tables.size(); t += 10) tables.Change(n.tables[t], n.tables[t] + "_renamed");
  for (size_t t = 5; t < n.tables.size(); t += 10) tables.Delete(n.tables[t]);
  for (int32_t pos = 1; pos <= tables.Count(); ++pos) {
    auto table = tables.Item(vb::Variant(pos));
    const std::string tname = table->TblName();
    AGPFields& fields = *table->Fields();
    for (size_t f = 0; f < n.fields.size(); f += 10) fields.Change(tname, n.fields[f], n.fields[f] + "_renamed");
    for (size_t f = 5; f < n.fields.size(); f += 10) fields.Delete(tname, vb::Variant(n.fields[f]));
  }

  fig.phase_ms[2] += ms_since(clock);

  // Release: the project is discarded (its database goes through its release step,
  // which unloads the tables), then the references go.
  db.reset();
  project->DeleteProj();
  project.reset();
  fig.phase_ms[3] += ms_since(clock);
  fig.left_bytes = (long long)heap_in_use() - (long long)heap_before;
}

class ModelBench {
 public:
  ModelBench()
      : docs_(std::filesystem::temp_directory_path() / ("tolvex-bench-model-" + std::to_string(getpid()))),
        registry_(std::make_shared<platform::MemoryRegistry>()) {
    std::filesystem::create_directories(docs_);
    setenv("XDG_DOCUMENTS_DIR", docs_.c_str(), 1);
    // A user who has run the product before: no first-run copy.
    registry_->set_value(platform::RegRoot::CurrentUser, "Software\\Tolvex\\3.0\\Settings\\General", "Language",
                         platform::RegValue::make_text("english.xml"));
  }
  ~ModelBench() { std::filesystem::remove_all(docs_); }

  std::shared_ptr<platform::MemoryRegistry> registry() const { return registry_; }

 private:
  std::filesystem::path docs_;
  std::shared_ptr<platform::MemoryRegistry> registry_;
};

void BM_Project(benchmark::State& state) {
  ModelBench env;
  platform::ScopedRegistry scoped(env.registry());
  ContextScope scope;
  const Names names(size_t(state.range(0)), size_t(state.range(1)));
  Figures fig;
  for (auto _ : state) run_workload(names, fig);
  const double runs = double(state.iterations());
  state.counters["build_ms"] = fig.phase_ms[0] / runs;
  state.counters["lookup_ms"] = fig.phase_ms[1] / runs;
  state.counters["change_ms"] = fig.phase_ms[2] / runs;
  state.counters["release_ms"] = fig.phase_ms[3] / runs;
  state.counters["built_MB"] = double(fig.built_bytes) / (1024.0 * 1024.0);
  state.counters["bytes_per_field"] = double(fig.built_bytes) / double(names.tables.size() * names.fields.size());
  state.counters["left_KB"] = double(fig.left_bytes) / 1024.0;
  state.counters["peak_rss_MB"] = peak_rss_mb();
}
// A tenth of the size first, as a reference measured in the same run (the peak is the
// process's, so the smaller case must come first).
BENCHMARK(BM_Project)->Args({100, 50})->Args({1000, 50})->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace tolvex
