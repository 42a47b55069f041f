// Speed of the number conversions on the paths the tools use per data line
// and per report column.
#include <benchmark/benchmark.h>

#include <string_view>

#include "frame/numtext.h"

namespace {

// One data column of a data line, converted per line.
void BM_TextToNumberColumn(benchmark::State& state) {
  const std::string_view columns[] = {"   1234.567 ", "  -0.0012345", "    98765.43",
                                      "  12.5      "};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame::text_to_number(columns[i++ & 3]));
  }
}
BENCHMARK(BM_TextToNumberColumn);

// A report column of the pattern "####.####deg".
void BM_PatternForm(benchmark::State& state) {
  double v = -179.123456789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame::pattern_form(v, frame::Kind::Double, "####.####deg"));
    v += 0.0173;
    if (v > 180) v -= 360;
  }
}
BENCHMARK(BM_PatternForm);

void BM_ItemFormDouble(benchmark::State& state) {
  double v = 0.123456789012345;
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame::item_form(v, frame::Kind::Double));
    v *= 1.000123;
    if (v > 1e6) v = 0.123456789012345;
  }
}
BENCHMARK(BM_ItemFormDouble);

void BM_ItemFormSingle(benchmark::State& state) {
  double v = 1.25;
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame::item_form(v, frame::Kind::Single));
    v += 0.37;
    if (v > 1e6) v = 1.25;
  }
}
BENCHMARK(BM_ItemFormSingle);

}  // namespace
