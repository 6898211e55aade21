// Loading a hive whose one key holds many values, and reading one of them by name.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry.h"

namespace tolvex::platform {
namespace {

std::string hive_with_values(int64_t count) {
  std::string text = "[Software\\Tolvex\\Many]\n";
  for (int64_t i = 0; i < count; ++i) text += "\"Value" + std::to_string(i) + "\"=\"text\"\n";
  return text;
}

void BM_LoadHiveWithManyValues(benchmark::State& state) {
  const std::string text = hive_with_values(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(RegistryTree::from_hive_text(text, "bench.reg"));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadHiveWithManyValues)->Arg(10000)->Arg(40000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_QueryValueInBigKey(benchmark::State& state) {
  const RegistryTree tree = RegistryTree::from_hive_text(hive_with_values(state.range(0)), "bench.reg");
  const std::string name = "VALUE" + std::to_string(state.range(0) - 1);
  for (auto _ : state) benchmark::DoNotOptimize(tree.query_value("Software\\Tolvex\\Many", name));
}
BENCHMARK(BM_QueryValueInBigKey)->Arg(100000);

}  // namespace
}  // namespace tolvex::platform
