// The block analysis: block layout, swing and phase rules, changes,
// statistics, selection and the streaming of samples into blocks.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "frame/errors.h"
#include "mulrin/block_table.h"
#include "mulrin/blocks.h"
#include "mulrin/tests/fft_reference.h"

namespace mulrin {
namespace {

constexpr double kPi = 3.14159265358979;

BlockSettings settings_for(int e, float step, std::int64_t count, double c = 1,
                           double origin_cycles = 0) {
  const float n = static_cast<float>(std::ldexp(1.0, e));
  return {static_cast<float>(e), n, step, c, origin_cycles * c, 2 * kPi / n, count};
}

std::uint64_t bits(double v) {
  return std::bit_cast<std::uint64_t>(v);
}

TEST(ScanPlan, BlockCountsAndFailures) {
  struct Row {
    int e;
    float step;
    std::int64_t count;
    std::int64_t blocks;
    int failure;
  };
  const Row rows[] = {
      {10, 512, 5000, 8, 0},  // L = floor(3976 / 512) = 7
      {1, 0.7f, 23, 30, 0},   // the 31st single-stepped start lies past count - N
      {1, 1.1f, 46, 41, 0},   // starts fall short: one block more than L + 1
      {1, 1, (1 << 25) + 2, (1 << 24) + 1, frame::err::kOverflow},  // 2^24 + 1 rounds back: stall
      {3, -1, 8, 1, frame::err::kSubscript},                        // a block below sample zero
      {0, 1, 8, 0, frame::err::kSubscript},  // the engine takes no exponent 0
  };
  for (const Row& r : rows) {
    const ScanPlan plan = plan_scan(settings_for(r.e, r.step, r.count));
    EXPECT_EQ(std::pair(plan.blocks, plan.failure), std::pair(r.blocks, r.failure))
        << r.e << " " << r.step;
  }
  BlockSettings s = settings_for(3, 1, 8);
  s.exponent = 2.5f;
  s.length = 5.656854f;
  EXPECT_EQ(plan_scan(s).failure, frame::err::kSubscript);
}

TEST(BlockAnalysis, SamplesNeverPushedAreZero) {
  BlockAnalysis a(settings_for(2, 4, 8), 8);
  for (int i = 0; i < 4; ++i) a.push(2);
  a.finish(8, -1);
  ASSERT_EQ(a.blocks(), 2);
  EXPECT_EQ(a.swing(0, 0), 2.0);
  EXPECT_EQ(a.swing(1, 0), 0.0);
}

// The selected bins' swings and phases are kept bin by bin when few bins are
// selected, and in the table rows when many are: the values, their changes
// and the statistics are the same bits either way.
TEST(BlockAnalysis, SelectedBinsGiveTheSameBitsHoweverTheyAreKept) {
  const std::int64_t count = 5000;
  const BlockSettings s = settings_for(6, 20, count, 12.5, 0.3);
  auto analysed = [&](float threshold) {
    auto a = std::make_unique<BlockAnalysis>(s, count);
    for (std::int64_t i = 0; i < count; ++i) {
      a->push(3 * std::sin(0.5 * i) + std::cos(0.02 * i) + 0.01 * (i % 13));
    }
    a->finish(count, threshold);
    return a;
  };
  const auto few = analysed(2.5f);  // bin 5 (about 3) and a neighbour at most
  const auto all = analysed(-1);    // every bin: kept in the table rows
  std::size_t compared = 0;
  for (std::size_t k = 0; k < few->bins(); ++k) {
    ASSERT_TRUE(all->selected(k));
    if (!few->selected(k)) continue;
    ++compared;
    for (std::int64_t b = 0; b < few->blocks(); ++b) {
      ASSERT_EQ(bits(few->swing(b, k)), bits(all->swing(b, k))) << b << " " << k;
      ASSERT_EQ(bits(few->phase(b, k)), bits(all->phase(b, k))) << b << " " << k;
      ASSERT_EQ(bits(few->d_swing(b, k)), bits(all->d_swing(b, k))) << b << " " << k;
      ASSERT_EQ(bits(few->d_phase(b, k)), bits(all->d_phase(b, k))) << b << " " << k;
    }
    for (int q = 0; q < 4; ++q) {
      EXPECT_EQ(bits(few->statistics(k).mean[q]), bits(all->statistics(k).mean[q])) << k;
      EXPECT_EQ(bits(few->statistics(k).deviation[q]), bits(all->statistics(k).deviation[q]));
    }
  }
  EXPECT_GE(compared, 1u);
  EXPECT_LE(compared * 4, few->bins());  // few enough to be kept bin by bin
  // A bin that is not selected is worked out from its coefficients.
  for (std::size_t k = 0; k < few->bins(); ++k) {
    if (few->selected(k)) continue;
    EXPECT_EQ(bits(few->swing(7, k)), bits(all->swing(7, k))) << k;
    EXPECT_EQ(bits(few->phase(7, k)), bits(all->phase(7, k))) << k;
  }
}

// Every block through the window equals, bit for bit, the plain scalar rules
// applied to the block cut straight from the whole series (steps below, at
// and above N, fractional), whether the blocks are scanned as the samples
// arrive (on the second thread once the series outgrows a chunk) or, for a
// series that might be too long for the tables, only after the last one.
class StreamedBlocks : public ::testing::TestWithParam<std::tuple<float, bool>> {};

TEST_P(StreamedBlocks, EqualThePlainRulesOnTheBlocksCutFromTheWholeSeries) {
  const auto [step, length_known] = GetParam();
  const std::size_t n = 32;
  const std::int64_t count = 330000;  // past the small first chunk and two full ones
  std::vector<double> x(count);
  for (std::int64_t i = 0; i < count; ++i) x[i] = std::sin(0.37 * i) + 0.001 * (i % 97) - 0.2;
  const BlockSettings s = settings_for(5, step, count, 7.3, 2.1);
  BlockAnalysis a(s, length_known ? count : 1e300);
  for (double v : x) a.push(v);
  a.finish(count, -1);
  ASSERT_EQ(a.blocks(), plan_scan(s).blocks);
  std::vector<double> re(n), im(n);
  FftReference reference(5);
  float start = 0;
  for (std::int64_t b = 0; b < a.blocks(); ++b, start = start + s.step) {
    reference.transform(x.data() + first_sample_of(start), re.data(), im.data());
    for (std::size_t k = 0; k < n / 2; ++k) {
      const double magnitude = std::sqrt(re[k] * re[k] + im[k] * im[k]);
      double phase;
      if (re[k] == 0) {
        phase = (kPi / 2) * (im[k] > 0 ? 1.0 : (im[k] < 0 ? -1.0 : 0.0));
      } else {
        phase = std::atan(im[k] / re[k]);
        if (re[k] < 0) phase = im[k] >= 0 ? phase + kPi : phase - kPi;
      }
      phase =
          phase + (static_cast<double>(k) * (s.origin - static_cast<double>(start))) * s.phase_step;
      phase = phase - std::floor(phase / (2 * kPi)) * (2 * kPi);
      ASSERT_EQ(bits(a.swing(b, k)), bits(k == 0 ? magnitude : 2 * magnitude)) << b << " " << k;
      ASSERT_EQ(bits(a.phase(b, k)), bits(phase)) << "block " << b << " bin " << k;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, StreamedBlocks,
                         ::testing::Combine(::testing::Values(0.75f, 7.0f, 32.0f, 33.0f, 100.5f,
                                                              1000.0f),
                                            ::testing::Bool()));

}  // namespace
}  // namespace mulrin
