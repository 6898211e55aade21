// The keyed container at the size of a large project: 1,000 tables of 50 fields.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "alloc_count.h"
#include "foundation/super_collection.h"

namespace tolvex {
namespace {

constexpr size_t kTables = 1000;
constexpr size_t kFields = 50;

const std::vector<std::string>& field_names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (size_t i = 0; i < kFields; ++i) n.push_back("CustomerField" + std::to_string(i));
    return n;
  }();
  return names;
}

vb::Ref<CSuperCollection> make_fields() {
  auto c = vb::make_ref<CSuperCollection>();
  c->setCompareMode(int32_t(KeyCompare::Text));
  for (const std::string& n : field_names()) c->Add(vb::Variant(n), n);
  return c;
}

// Build 1,000 collections of 50 keyed items, find every item by key and by position.
void BM_Collection1000x50(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<vb::Ref<CSuperCollection>> tables;
    tables.reserve(kTables);
    for (size_t t = 0; t < kTables; ++t) tables.push_back(make_fields());
    for (const auto& c : tables) {
      for (const std::string& n : field_names()) benchmark::DoNotOptimize(c->Item(vb::Variant(n)));
      for (int32_t p = 1; p <= int32_t(kFields); ++p) benchmark::DoNotOptimize(c->Item(vb::Variant(p)));
    }
  }
  size_t before = bench::live_heap_bytes();
  {
    std::vector<vb::Ref<CSuperCollection>> tables;
    for (size_t t = 0; t < kTables; ++t) tables.push_back(make_fields());
    state.counters["bytes_per_item"] = double(bench::live_heap_bytes() - before) / double(kTables * kFields);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kTables * kFields));
}
BENCHMARK(BM_Collection1000x50)->Unit(benchmark::kMillisecond);

// Key lookups in one collection of 50 items.
void BM_CollectionKeyLookup(benchmark::State& state) {
  auto c = make_fields();
  std::vector<vb::Variant> keys;
  for (const std::string& n : field_names()) keys.emplace_back(n);
  for (auto _ : state)
    for (const vb::Variant& k : keys) benchmark::DoNotOptimize(c->Item(k));
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFields));
}
BENCHMARK(BM_CollectionKeyLookup);

// Deleting from the front and renumbering, as a collection's Delete does.
void BM_CollectionRemoveFront(benchmark::State& state) {
  for (auto _ : state) {
    auto c = make_fields();
    while (c->Count() > 0) c->Remove(vb::Variant(int32_t(1)));
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFields));
}
BENCHMARK(BM_CollectionRemoveFront);

// Enumerating with the snapshot enumerator.
void BM_CollectionEnumerate(benchmark::State& state) {
  auto c = make_fields();
  for (auto _ : state) {
    auto e = c->NewEnum();
    vb::Variant v;
    while (e->next(v)) benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFields));
}
BENCHMARK(BM_CollectionEnumerate);

}  // namespace
}  // namespace tolvex
