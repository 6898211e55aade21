// The conversions and comparisons that script loops run most.
#include <benchmark/benchmark.h>

#include "vb/convert.h"

using namespace tolvex::vb;

static void BM_FormatDouble(benchmark::State& state) {
  double v = 1.0 / 3.0;
  for (auto _ : state) benchmark::DoNotOptimize(format_double(v));
}
BENCHMARK(BM_FormatDouble);

static void BM_LongToString(benchmark::State& state) {
  Variant v(int32_t(123456));
  for (auto _ : state) benchmark::DoNotOptimize(to_string(v));
}
BENCHMARK(BM_LongToString);

static void BM_ParseNumber(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(parse_number(" 12345.678 "));
}
BENCHMARK(BM_ParseNumber);

static void BM_StringToLong(benchmark::State& state) {
  Variant v("4711");
  for (auto _ : state) benchmark::DoNotOptimize(to_long(v));
}
BENCHMARK(BM_StringToLong);

static void BM_CompareNumbers(benchmark::State& state) {
  Variant a(int32_t(5)), b(5.5);
  for (auto _ : state) benchmark::DoNotOptimize(compare(a, b));
}
BENCHMARK(BM_CompareNumbers);

static void BM_CompareTextAscii(benchmark::State& state) {
  Variant a("Customer_Name_Field"), b("customer_name_field");
  for (auto _ : state) benchmark::DoNotOptimize(compare(a, b, CompareMode::Text));
}
BENCHMARK(BM_CompareTextAscii);

static void BM_CompareTextUnicode(benchmark::State& state) {
  Variant a("Straße Überweisung Привет"), b("STRAßE ÜBERWEISUNG ПРИВЕТ");
  for (auto _ : state) benchmark::DoNotOptimize(compare(a, b, CompareMode::Text));
}
BENCHMARK(BM_CompareTextUnicode);

static void BM_ParseDate(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(parse_date("1/2/2003 4:05:06 PM"));
}
BENCHMARK(BM_ParseDate);

static void BM_FormatDate(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(format_date(37623.670208333));
}
BENCHMARK(BM_FormatDate);
