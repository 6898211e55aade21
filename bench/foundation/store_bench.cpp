// The settings store of a model object with 114 settings (the size of a field's
// catalogue): declaring it, reading every setting by name, and its memory.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "alloc_count.h"
#include "foundation/properties.h"

namespace tolvex {
namespace {

constexpr size_t kSettings = 114;

struct Catalogue {
  std::vector<std::string> names;
  std::vector<SettingDecl> rows;
  Catalogue() {
    static const char* const kTypes[] = {"String", "Boolean", "Integer", "Long", "Double", "String", "Variant"};
    static const char* const kWords[] = {"Name", "Caption", "ViewTag", "EditTag", "Default", "Format",
                                         "Required", "Validate", "Search", "Export", "Width", "Height"};
    for (size_t i = 0; i < kSettings; ++i)
      names.push_back("Fld" + std::string(kWords[i % 12]) + (i >= 12 ? std::to_string(i) : std::string()));
    for (size_t i = 0; i < kSettings; ++i)
      rows.push_back(SettingDecl{names[i].c_str(), kTypes[i % 7], i % 5 == 0, i % 5 == 0 ? 1 : 0, i % 9 != 0, true});
  }
  SettingCatalogue span() const { return rows; }
};

const Catalogue& catalogue() {
  static const Catalogue c;
  return c;
}

// A value of the setting's type, as a loaded project holds them.
vb::Variant typical_value(size_t i) {
  switch (i % 7) {
    case 1: return vb::Variant(true);
    case 2: return vb::Variant(int16_t(i));
    case 3: return vb::Variant(int32_t(i * 1000));
    case 4: return vb::Variant(double(i) / 4);
    default: return vb::Variant(i % 3 == 0 ? std::string() : std::string("text"));
  }
}

// A store declared from the catalogue table, as the model classes declare theirs.
std::unique_ptr<AGProperties> declared_store() { return std::make_unique<AGProperties>(catalogue().span()); }

// A store declared by one Add per setting, as the settings declaration is written.
std::unique_ptr<AGProperties> added_store() {
  auto store = std::make_unique<AGProperties>();
  for (const SettingDecl& row : catalogue().rows)
    store->Add(row.name, row.data_type, row.reg_save, row.reg_format, row.file_save, row.sync);
  return store;
}

// Live heap per store, measured over many stores built the same way.
template <class Make, class Fill>
double bytes_per_store(Make make, Fill fill) {
  constexpr size_t kStores = 1000;
  std::vector<std::unique_ptr<AGProperties>> stores;
  stores.reserve(kStores);
  size_t before = bench::live_heap_bytes();
  for (size_t s = 0; s < kStores; ++s) {
    stores.push_back(make());
    fill(*stores.back());
  }
  size_t after = bench::live_heap_bytes();
  return double(after - before) / double(kStores);
}

void read_each_by_name(AGProperties& store, benchmark::State& state) {
  for (const std::string& name : catalogue().names) {
    const vb::Variant* v = store.find_value(name);
    benchmark::DoNotOptimize(v);
  }
}

// Declare a store of 114 settings with `make` and read each setting once by name; then the
// memory figures of such stores: declared only, after the reads, and holding a typical
// value in every setting, and whether the stores share one layout of names, types and flags.
template <class Make>
void declare_and_read_each(benchmark::State& state, Make make) {
  for (auto _ : state) {
    auto store = make();
    read_each_by_name(*store, state);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kSettings));
  state.counters["bytes_per_store"] = bytes_per_store(make, [](AGProperties&) {});
  state.counters["bytes_per_store_read"] =
      bytes_per_store(make, [&](AGProperties& s) { read_each_by_name(s, state); });
  state.counters["bytes_per_store_filled"] = bytes_per_store(make, [](AGProperties& s) {
    for (size_t i = 0; i < s.size(); ++i) s.set_value_at(i, typical_value(i));
  });
  auto a = make(), b = make();
  state.counters["layout_shared"] = a->layout() == b->layout() ? 1 : 0;
}

// Declared from the catalogue table, as the model classes declare their settings.
void BM_StoreDeclareAndReadEach(benchmark::State& state) { declare_and_read_each(state, declared_store); }
BENCHMARK(BM_StoreDeclareAndReadEach);

// Declared by 114 calls of Add.
void BM_StoreAddEachAndReadEach(benchmark::State& state) { declare_and_read_each(state, added_store); }
BENCHMARK(BM_StoreAddEachAndReadEach);

// Reads of a declared store by exact name.
void BM_StoreReadByName(benchmark::State& state) {
  AGProperties store(catalogue().span());
  for (auto _ : state) read_each_by_name(store, state);
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kSettings));
}
BENCHMARK(BM_StoreReadByName);

// Reads through the entry objects, as scripts do (Properties("name").Value).
void BM_StoreItemValueByName(benchmark::State& state) {
  AGProperties store(catalogue().span());
  for (auto _ : state)
    for (const std::string& name : catalogue().names) {
      vb::Ref<AGProperty> p = store.Item(name);
      benchmark::DoNotOptimize(p->Value());
    }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kSettings));
}
BENCHMARK(BM_StoreItemValueByName);

// Walking every entry, as the project writer does.
void BM_StoreEnumerate(benchmark::State& state) {
  AGProperties store(catalogue().span());
  for (auto _ : state) {
    auto e = store.NewEnum_prp();
    vb::Variant v;
    while (e->next(v)) benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kSettings));
}
BENCHMARK(BM_StoreEnumerate);

}  // namespace
}  // namespace tolvex
