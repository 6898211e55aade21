// Opening and saving a large project (1,000 tables x 20 fields, about 40 MB; see
// large_project.h), each figure printed beside its reference from the same run:
//   - AGP.Load against libxml2's streaming reader walking the same file and reading
//     every attribute (target: at most 2x);
//   - the peak memory of a process that opens the file (target: at most 400 MB), beside
//     that of a process that only walks it;
//   - the memory the opened model holds, per field, values included (target: 8 KB): the
//     heap in use after the load less before it, beside the growth of resident memory;
//   - AGP.Save against writing the same bytes buffered, fsync and rename (target: 2x), on a
//     file without backups yet (/0) and on one with the full set of numbered backups (/10,
//     the default maximum) that a file saved all day has; in UTF-8 (/0) and in windows-1252
//     (/1: every byte through the charset encoder).
//
// Run (Release build):
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVEX_BUILD_BENCHMARKS=ON
//   cmake --build build-bench --target bench_projectfile && build-bench/bench/projectfile/bench_projectfile
// TOLVEX_BENCH_PROJECT=FILE opens that file (one make_large_project wrote) instead of
// making one.
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <libxml/xmlreader.h>

#include "foundation/common.h"
#include "foundation/context.h"
#include "large_project.h"
#include "model/project.h"
#include "projectfile/project_file.h"

namespace tolvex::bench {
namespace {

constexpr int kTables = 1000;
constexpr int kFields = 20;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The file every benchmark opens: TOLVEX_BENCH_PROJECT, or one made once per process.
const std::string& project_file(ProjectFileEnvironment& env) {
  static std::string file = [&] {
    if (const char* given = std::getenv("TOLVEX_BENCH_PROJECT")) return std::string(given);
    static const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tolvex-bench-large-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    });
    const std::string out = (dir / "large.tvp").string();
    if (std::string error = make_large_project(kTables, kFields, out, sample_project_file()); !error.empty()) {
      std::fprintf(stderr, "cannot make the project: %s\n", error.c_str());
      std::exit(1);
    }
    return out;
  }();
  (void)env;
  return file;
}

// Walks the file with libxml2's streaming reader, reading every attribute's name and
// value; returns the number of attributes (so that nothing is optimised away).
size_t streaming_walk(const std::string& file) {
  xmlTextReaderPtr reader = xmlReaderForFile(file.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
  if (!reader) return 0;
  size_t attributes = 0, bytes = 0;
  while (xmlTextReaderRead(reader) == 1) {
    if (xmlTextReaderNodeType(reader) != XML_READER_TYPE_ELEMENT) continue;
    while (xmlTextReaderMoveToNextAttribute(reader) == 1) {
      const xmlChar* name = xmlTextReaderConstName(reader);
      const xmlChar* value = xmlTextReaderConstValue(reader);
      bytes += std::strlen(reinterpret_cast<const char*>(name)) + std::strlen(reinterpret_cast<const char*>(value));
      ++attributes;
    }
    xmlTextReaderMoveToElement(reader);
  }
  xmlFreeTextReader(reader);
  benchmark::DoNotOptimize(bytes);
  return attributes;
}

size_t field_count(AGP& project) {
  size_t n = 0;
  if (!project.DB()) return 0;
  AGPTables& tables = *project.DB()->Tables();
  for (int32_t i = 1; i <= tables.Count(); ++i) n += size_t(tables.Seq(int16_t(i))->Fields()->Count());
  return n;
}

// Opens the file into a new project, in a fresh session (no site menu or extension list of
// an earlier one).
vb::Ref<AGP> open_project(const std::string& file) {
  context().MenuList = nullptr;
  context().ExtensionList = nullptr;
  auto project = vb::make_ref<AGP>();
  Load(*project, file);
  return project;
}

void BM_LoadVsStreamingWalk(benchmark::State& state) {
  ProjectFileEnvironment env;
  const std::string& file = project_file(env);
  double walk_ms = 0, load_ms = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (streaming_walk(file) == 0) {
      state.SkipWithError("the streaming walk read nothing");
      break;
    }
    walk_ms += ms_since(start);
    vb::Ref<AGP> project;
    start = Clock::now();
    project = open_project(file);
    const double ms = ms_since(start);
    load_ms += ms;
    state.SetIterationTime(ms / 1000.0);
    if (!context().ProjErr.empty() || field_count(*project) != size_t(kTables) * kFields) {
      state.SkipWithError(("the load failed: " + context().ProjErr).c_str());
      break;
    }
  }
  const double n = double(state.iterations());
  const double ratio = walk_ms > 0 ? load_ms / walk_ms : 0;
  state.counters["walk_ms"] = walk_ms / n;
  state.counters["load_ms"] = load_ms / n;
  state.counters["ratio"] = ratio;
  state.SetLabel(ratio <= 2.0 ? "within 2x of the streaming walk" : "MORE than 2x the streaming walk");
}
BENCHMARK(BM_LoadVsStreamingWalk)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A figure of /proc/self/status in KB: "VmHWM:" (peak resident memory), "VmRSS:".
long status_kb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return 0;
}

// The peak memory of a fresh process (this program, run with --peak-of) that loads or
// walks the file; -1 when it failed.
double child_peak_mb(const char* what, const std::string& file) {
  const std::string command = "'/proc/" + std::to_string(getpid()) + "/exe' --peak-of " + what + " '" + file + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  long kb = -1;
  if (std::fscanf(pipe, "%ld", &kb) != 1) kb = -1;
  return pclose(pipe) == 0 && kb > 0 ? double(kb) / 1024.0 : -1;
}

void BM_LoadPeakMemory(benchmark::State& state) {
  ProjectFileEnvironment env;
  const std::string& file = project_file(env);
  double load_mb = 0, walk_mb = 0;
  for (auto _ : state) {
    load_mb = child_peak_mb("load", file);
    walk_mb = child_peak_mb("walk", file);
    if (load_mb < 0 || walk_mb < 0) {
      state.SkipWithError("a measuring process failed");
      break;
    }
  }
  state.counters["load_peak_MB"] = load_mb;
  state.counters["walk_peak_MB"] = walk_mb;
  state.SetLabel(load_mb <= 400 ? "within 400 MB" : "MORE than 400 MB");
}
BENCHMARK(BM_LoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

size_t heap_in_use() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_LoadedModelMemory(benchmark::State& state) {
  ProjectFileEnvironment env;
  const std::string& file = project_file(env);
  double per_field_kb = 0, model_mb = 0, rss_mb = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const size_t before = heap_in_use();
    const long rss_before = status_kb("VmRSS:");
    vb::Ref<AGP> project = open_project(file);
    malloc_trim(0);
    const size_t after = heap_in_use();
    rss_mb = double(status_kb("VmRSS:") - rss_before) / 1024.0;
    const size_t fields = field_count(*project);
    if (fields == 0) {
      state.SkipWithError("the load failed");
      break;
    }
    model_mb = double(after - before) / (1024.0 * 1024.0);
    per_field_kb = double(after - before) / 1024.0 / double(fields);
  }
  state.counters["model_MB"] = model_mb;
  // The resident memory the process grew by (the heap's free space that it keeps included).
  state.counters["rss_growth_MB"] = rss_mb;
  state.counters["KB_per_field"] = per_field_kb;
  state.SetLabel(per_field_kb <= 8 ? "within 8 KB per field" : "MORE than 8 KB per field");
}
BENCHMARK(BM_LoadedModelMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// Writes the bytes as a careful writer would: a temporary file beside, written through a
// buffer, flushed to the disk, renamed over the target.
bool write_buffered_fsync_rename(const std::string& target, const std::string& bytes) {
  const std::string temp = target + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  static char buffer[1 << 16];
  std::setvbuf(f, buffer, _IOFBF, sizeof buffer);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0 &&
            ::fsync(fileno(f)) == 0;
  ok = std::fclose(f) == 0 && ok;
  return ok && std::rename(temp.c_str(), target.c_str()) == 0;
}

std::string read_all(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void BM_SaveVsBufferedWrite(benchmark::State& state) {
  ProjectFileEnvironment env;
  const std::string& file = project_file(env);
  vb::Ref<AGP> project = open_project(file);
  const std::string saved = (env.folder() / "saved.tvp").string();
  const std::string plain = (env.folder() / "plain.tvp").string();
  const bool encoded = state.range(1) != 0;
  if (encoded) {
    int32_t kind = 1;
    common::SetRegValue(vb::Variant("HKCU"), vb::Variant(context().RegKeyGeneral), vb::Variant("XMLEncodeCharSet"),
                        kind, vb::Variant("windows-1252"));
  }
  Save(*project, saved);
  const std::string bytes = read_all(saved);
  // The file was written by Save: a save after a load gives it back byte for byte.
  if (!encoded && bytes != read_all(file)) {
    state.SkipWithError("a save after the load differs from the file loaded");
    return;
  }
  // The backups the timed saves find (the first save above made none).
  for (int64_t i = 0; i < state.range(0); ++i) Save(*project, saved);
  double write_ms = 0, save_ms = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (!write_buffered_fsync_rename(plain, bytes)) {
      state.SkipWithError("the plain write failed");
      break;
    }
    write_ms += ms_since(start);
    start = Clock::now();
    Save(*project, saved);
    const double ms = ms_since(start);
    save_ms += ms;
    state.SetIterationTime(ms / 1000.0);
    if (!context().ProjErr.empty()) {
      state.SkipWithError(context().ProjErr.c_str());
      break;
    }
  }
  const double n = double(state.iterations());
  const double ratio = write_ms > 0 ? save_ms / write_ms : 0;
  state.counters["write_ms"] = write_ms / n;
  state.counters["save_ms"] = save_ms / n;
  state.counters["ratio"] = ratio;
  state.SetLabel(ratio <= 2.0 ? "within 2x of the plain write" : "MORE than 2x the plain write");
}
BENCHMARK(BM_SaveVsBufferedWrite)
    ->Args({0, 0})
    ->Args({10, 0})
    ->Args({0, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The child of BM_LoadPeakMemory: loads or walks the file, prints its peak memory in KB.
int peak_of(const std::string& what, const std::string& file) {
  if (what == "walk") {
    if (streaming_walk(file) == 0) return 1;
  } else {
    ProjectFileEnvironment env;
    vb::Ref<AGP> project = open_project(file);
    if (field_count(*project) == 0) return 1;
  }
  std::printf("%ld\n", status_kb("VmHWM:"));
  return 0;
}

}  // namespace
}  // namespace tolvex::bench

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--peak-of") == 0) return tolvex::bench::peak_of(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
