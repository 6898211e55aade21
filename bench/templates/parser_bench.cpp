// Reading a template set of about 5 MB the way a generation run does: every file split into its
// sessions, every session's includes expanded, every piece parsed into blocks.
//
// The set is the bundled sample package's template files, copied under new names until it holds
// 5 MB; each copy's include blocks name that copy's own shared file. Throughput is reported on
// the size of the set (the expanded text is larger, since headers and footers are included).
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVEX_BUILD_BENCHMARKS=ON
//   cmake --build build-bench --target bench_templates && build-bench/bench/templates/bench_templates
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/context.h"
#include "templates/ag_parser.h"
#include "templates/file_cache.h"

namespace fs = std::filesystem;

namespace {

struct TemplateFile {
  std::string name;
  std::string text;
};

std::string read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
  return s;
}

const std::vector<TemplateFile>& template_set() {
  static const std::vector<TemplateFile> files = [] {
    std::vector<TemplateFile> sample;
    const fs::path dir = fs::path(TOLVEX_SOURCE_DIR) / "share/tolvex/templates/sample";
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() == ".php" || e.path().extension() == ".css")
        sample.push_back({e.path().stem().string(), read_all(e.path())});
    if (sample.empty()) throw std::runtime_error("no sample templates in " + dir.string());
    std::vector<TemplateFile> out;
    size_t total = 0;
    for (int copy = 0; total < (size_t(5) << 20); ++copy) {
      std::string suffix(1, '_');
      suffix.append(std::to_string(copy)).append(".php");
      for (const auto& f : sample) {
        out.push_back({f.name + suffix, replace_all(f.text, "include shared.php/", "include shared" + suffix + "/")});
        total += out.back().text.size();
      }
    }
    return out;
  }();
  return files;
}

int64_t set_bytes() {
  int64_t n = 0;
  for (const auto& f : template_set()) n += int64_t(f.text.size());
  return n;
}

// The whole path: sessions, includes, blocks.
void BM_TemplateSetToSessionsAndBlocks(benchmark::State& state) {
  tolvex::ContextScope ctx;
  const auto& files = template_set();
  tolvex::AGPFileCache cache;
  size_t sessions = 0, pieces = 0, blocks = 0, expanded = 0;
  for (auto _ : state) {
    cache.Clear();
    for (const auto& f : files) cache.AddText(f.text, f.name);
    sessions = pieces = blocks = expanded = 0;
    for (const auto& row : cache.rows()) {
      ++sessions;
      for (const std::string& piece : cache.expanded_session(row.file, row.session)) {
        tolvex::AGParser parser;
        parser.Parse(piece);
        ++pieces;
        blocks += size_t(parser.Count());
        expanded += piece.size();
      }
    }
    benchmark::DoNotOptimize(blocks);
  }
  if (!ctx->ProjErr.empty()) state.SkipWithError(ctx->ProjErr.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * set_bytes());
  state.counters["files"] = double(files.size());
  state.counters["set_MB"] = double(set_bytes()) / (1 << 20);
  state.counters["sessions"] = double(sessions);
  state.counters["pieces"] = double(pieces);
  state.counters["blocks"] = double(blocks);
  state.counters["expanded_MB"] = double(expanded) / (1 << 20);
}
BENCHMARK(BM_TemplateSetToSessionsAndBlocks)->Unit(benchmark::kMillisecond);

// Blocks only: every file parsed whole.
void BM_TemplateSetToBlocks(benchmark::State& state) {
  tolvex::ContextScope ctx;
  const auto& files = template_set();
  size_t blocks = 0;
  for (auto _ : state) {
    blocks = 0;
    for (const auto& f : files) {
      tolvex::AGParser parser;
      parser.Parse(f.text);
      blocks += size_t(parser.Count());
    }
    benchmark::DoNotOptimize(blocks);
  }
  if (!ctx->ProjErr.empty()) state.SkipWithError(ctx->ProjErr.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * set_bytes());
  state.counters["blocks"] = double(blocks);
}
BENCHMARK(BM_TemplateSetToBlocks)->Unit(benchmark::kMillisecond);

// Sessions only: every file split into sessions, each session's includes expanded.
void BM_TemplateSetToSessions(benchmark::State& state) {
  tolvex::ContextScope ctx;
  const auto& files = template_set();
  tolvex::AGPFileCache cache;
  size_t pieces = 0;
  for (auto _ : state) {
    cache.Clear();
    for (const auto& f : files) cache.AddText(f.text, f.name);
    pieces = 0;
    for (const auto& row : cache.rows()) pieces += cache.expanded_session(row.file, row.session).size();
    benchmark::DoNotOptimize(pieces);
  }
  if (!ctx->ProjErr.empty()) state.SkipWithError(ctx->ProjErr.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * set_bytes());
  state.counters["sessions"] = double(cache.rows().size());
  state.counters["pieces"] = double(pieces);
}
BENCHMARK(BM_TemplateSetToSessions)->Unit(benchmark::kMillisecond);

// Reference for the figures above on the same machine and load: only finding every "<!--##"
// of the set, the least any parse has to do.
void BM_ReferenceMarkerScan(benchmark::State& state) {
  const auto& files = template_set();
  size_t markers = 0;
  for (auto _ : state) {
    markers = 0;
    for (const auto& f : files)
      for (size_t pos = f.text.find("<!--##"); pos != std::string::npos; pos = f.text.find("<!--##", pos + 6))
        ++markers;
    benchmark::DoNotOptimize(markers);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * set_bytes());
  state.counters["markers"] = double(markers);
}
BENCHMARK(BM_ReferenceMarkerScan)->Unit(benchmark::kMillisecond);

}  // namespace
