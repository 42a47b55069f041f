// Time per block transform for N = 2^6 .. 2^16 (the Time column is
// nanoseconds per transform): the program's engine (Fft, with the lane width
// the processor offers, and with the baseline two-lane stages), the same
// scheme written plainly (FftReference), and, as a yardstick only, FFTW's
// complex transform of the same N (double, out of place, FFTW_MEASURE plan).
// FFTW appears in this benchmark alone, never in the product.
//
// Target: Fft within 2 times FFTW's time at N = 1024.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstddef>
#include <random>
#include <vector>

#include "mulrin/fft.h"
#include "mulrin/tests/fft_reference.h"

namespace {

std::vector<double> random_block(std::size_t n) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> dist(-1000.0, 1000.0);
  std::vector<double> x(n);
  for (double& v : x) v = dist(rng);
  return x;
}

// The reported time per iteration is the time of one transform.
void set_counters(benchmark::State& state, std::size_t n) {
  state.counters["N"] = static_cast<double>(n);
}

void BM_Fft(benchmark::State& state) {
  const int e = static_cast<int>(state.range(0));
  mulrin::Fft fft(e);
  const std::size_t n = fft.size();
  const std::vector<double> x = random_block(n);
  std::vector<double> re(n), im(n);
  for (auto _ : state) {
    fft.transform(x.data(), re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
    benchmark::DoNotOptimize(im.data());
    benchmark::ClobberMemory();
  }
  set_counters(state, n);
}

void BM_FftNarrow(benchmark::State& state) {
  const int e = static_cast<int>(state.range(0));
  mulrin::Fft fft(e);
  fft.limit_lanes(2);
  const std::size_t n = fft.size();
  const std::vector<double> x = random_block(n);
  std::vector<double> re(n), im(n);
  for (auto _ : state) {
    fft.transform(x.data(), re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
    benchmark::DoNotOptimize(im.data());
    benchmark::ClobberMemory();
  }
  set_counters(state, n);
}

void BM_Reference(benchmark::State& state) {
  const int e = static_cast<int>(state.range(0));
  mulrin::FftReference ref(e);
  const std::size_t n = std::size_t{1} << e;
  const std::vector<double> x = random_block(n);
  std::vector<double> re(n), im(n);
  for (auto _ : state) {
    ref.transform(x.data(), re.data(), im.data());
    benchmark::DoNotOptimize(re.data());
    benchmark::DoNotOptimize(im.data());
    benchmark::ClobberMemory();
  }
  set_counters(state, n);
}

void BM_FftwComplex(benchmark::State& state) {
  const int e = static_cast<int>(state.range(0));
  const int n = 1 << e;
  fftw_complex* in = fftw_alloc_complex(static_cast<std::size_t>(n));
  fftw_complex* out = fftw_alloc_complex(static_cast<std::size_t>(n));
  fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
  const std::vector<double> x = random_block(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    in[i][0] = x[static_cast<std::size_t>(i)];
    in[i][1] = 0.0;
  }
  for (auto _ : state) {
    fftw_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  set_counters(state, static_cast<std::size_t>(n));
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
}

}  // namespace

BENCHMARK(BM_Fft)->DenseRange(6, 16);
BENCHMARK(BM_FftNarrow)->DenseRange(6, 16);
BENCHMARK(BM_Reference)->DenseRange(6, 16);
BENCHMARK(BM_FftwComplex)->DenseRange(6, 16);

BENCHMARK_MAIN();
