// The block analysis: block layout, swing and phase rules, changes,
// statistics, selection and the streaming of samples into blocks.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <tuple>
#include <functional>
#include <memory>
#include <vector>

#include "frame/errors.h"
#include "mulrin/blocks.h"
#include "mulrin/fft.h"

namespace mulrin {
namespace {

constexpr double kPi = 3.14159265358979;
const Angles kAngles{kPi, 2 * kPi, 180 / kPi};

BlockSettings settings_for(int exponent, float step, std::int64_t count, double c = 1,
                           double origin_cycles = 0) {
  BlockSettings s;
  s.exponent = static_cast<float>(exponent);
  s.length = static_cast<float>(std::ldexp(1.0, exponent));
  s.step = step;
  s.samples_per_cycle = c;
  s.origin = origin_cycles * c;
  s.phase_step = 2 * kPi / s.length;
  s.count = count;
  return s;
}

// Runs the analysis over a whole series.
struct Analysed {
  BlockSettings settings;
  ScanPlan plan;
  std::unique_ptr<BlockAnalysis> analysis;

  Analysed(const BlockSettings& s, const std::vector<double>& series)
      : settings(s), plan(plan_scan(s)) {
    analysis = std::make_unique<BlockAnalysis>(s, kAngles, plan.blocks);
    for (double v : series) analysis->push(v);
    analysis->finish(s.count, -1);  // every bin selected
  }
};

int error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const frame::RuntimeError& e) {
    return e.code();
  }
  return 0;
}

std::vector<double> tone(std::size_t count, double amplitude, double bins_per_block,
                         int length, double phase) {
  std::vector<double> x(count);
  for (std::size_t n = 0; n < count; ++n)
    x[n] = amplitude *
           std::cos(2 * M_PI * bins_per_block * static_cast<double>(n) / length + phase);
  return x;
}

TEST(NearestSample, HalvesGoAwayFromZero) {
  EXPECT_EQ(nearest_sample(2.5), 3);
  EXPECT_EQ(nearest_sample(-2.5), -3);
  EXPECT_EQ(nearest_sample(2.4999999), 2);
  EXPECT_EQ(nearest_sample(-0.3), 0);
  EXPECT_EQ(nearest_sample(0.49999999999999994), 0);  // not 0.5 + 0.5 rounded up
}

TEST(ScanPlan, FiftyOneHundredLineExampleHasEightBlocks) {
  const ScanPlan plan = plan_scan(settings_for(10, 512, 5000));
  EXPECT_EQ(plan.blocks, 8);  // L = floor(3976 / 512) = 7
  EXPECT_EQ(plan.failure, 0);
}

TEST(ScanPlan, FractionalStepFollowsTheSingleSteppedStarts) {
  // L = floor(21 / 0.7) = 30 promises 31 blocks; the 31st start, stepped in
  // single precision, lies just past count - N.
  EXPECT_EQ(plan_scan(settings_for(1, 0.7f, 23)).blocks, 30);
  // Here the stepped starts fall short and visit one block more than L + 1 = 40.
  EXPECT_EQ(plan_scan(settings_for(1, 1.1f, 46)).blocks, 41);
}

TEST(ScanPlan, StartThatStopsAdvancingIsOverflowNotAHang) {
  // 2^24 + 1 rounds back to 2^24 in single precision.
  const ScanPlan plan = plan_scan(settings_for(1, 1, (std::int64_t{1} << 25) + 2));
  EXPECT_EQ(plan.failure, frame::err::kOverflow);
  EXPECT_EQ(plan.blocks, (std::int64_t{1} << 24) + 1);
}

TEST(ScanPlan, NegativeStepReachingBelowSampleZeroIsSubscriptError) {
  const ScanPlan plan = plan_scan(settings_for(3, -1, 8));
  EXPECT_EQ(plan.blocks, 1);
  EXPECT_EQ(plan.failure, frame::err::kSubscript);
}

TEST(ScanPlan, ExponentTheEngineCannotTakeFailsAtTheFirstTransform) {
  BlockSettings s = settings_for(0, 1, 8);
  EXPECT_EQ(plan_scan(s).failure, frame::err::kSubscript);
  EXPECT_EQ(plan_scan(s).blocks, 0);
  s.exponent = 2.5f;
  s.length = 5.656854f;
  EXPECT_EQ(plan_scan(s).failure, frame::err::kSubscript);
}

TEST(BlockAnalysis, WholeBinToneGivesItsSwingAndPhaseInEveryBlock) {
  const double amplitude = 2.5, phi = 1.2;
  Analysed run(settings_for(6, 16, 200), tone(200, amplitude, 5, 64, phi));
  const BlockAnalysis& a = *run.analysis;
  ASSERT_EQ(a.blocks(), 9);  // L = floor(136 / 16) = 8
  ASSERT_EQ(a.bins(), 32u);
  for (std::int64_t b = 0; b < a.blocks(); ++b) {
    EXPECT_NEAR(a.swing(b, 5), amplitude, 1e-9) << b;
    EXPECT_NEAR(a.phase(b, 5), phi, 1e-9) << b;
    EXPECT_NEAR(a.d_swing(b, 5), 0, 1e-9) << b;
    EXPECT_NEAR(a.d_phase(b, 5), 0, 1e-9) << b;
    EXPECT_NEAR(a.swing(b, 4), 0, 1e-9) << b;
  }
  EXPECT_NEAR(a.statistics(5).mean[kSwing], amplitude, 1e-9);
  EXPECT_NEAR(a.statistics(5).mean[kPhase], phi, 1e-9);
  EXPECT_NEAR(a.statistics(5).deviation[kPhase], 0, 1e-6);
}

TEST(BlockAnalysis, PhaseIsReferredToTheOriginAndReduced) {
  // Origin 3.5 cycles of 8 samples = 28 samples: the phase at bin 5 is the
  // tone's phase at sample 28, reduced to [0, 2*pi).
  const double phi = 0.4;
  Analysed run(settings_for(6, 16, 200, 8, 3.5), tone(200, 1, 5, 64, phi));
  const double at_origin = std::fmod(phi + 2 * M_PI * 5 * 28 / 64, 2 * M_PI);
  for (std::int64_t b = 0; b < run.analysis->blocks(); ++b) {
    const double p = run.analysis->phase(b, 5);
    EXPECT_GE(p, 0);
    EXPECT_LT(p, 2 * kPi);
    EXPECT_NEAR(p, at_origin, 1e-9) << b;
  }
}

TEST(BlockAnalysis, BetweenBinsToneAdvancesItsPhaseByTheSameStepPerBlock) {
  // 20.25 bins: relative to bin 20 the phase advances by 2*pi * 0.25 * 64/256.
  Analysed run(settings_for(8, 64, 1024), tone(1024, 1, 20.25, 256, 0.3));
  const BlockAnalysis& a = *run.analysis;
  ASSERT_EQ(a.blocks(), 13);
  EXPECT_NEAR(a.statistics(20).mean[kDPhase], M_PI / 8, 0.02);
  for (std::int64_t b = 1; b < a.blocks(); ++b) EXPECT_NEAR(a.d_phase(b, 20), M_PI / 8, 0.03);
}

TEST(BlockAnalysis, ConstantPositiveSeriesHasPhaseZeroAtBinZero) {
  Analysed run(settings_for(3, 8, 16), std::vector<double>(16, 3.0));
  EXPECT_EQ(run.analysis->swing(0, 0), 3.0);
  EXPECT_EQ(run.analysis->phase(0, 0), 0.0);
  EXPECT_EQ(run.analysis->swing(1, 0), 3.0);
  EXPECT_EQ(run.analysis->statistics(0).mean[kPhase], 0.0);
}

TEST(BlockAnalysis, ConstantNegativeSeriesHasPhasePiAtBinZero) {
  Analysed run(settings_for(3, 8, 16), std::vector<double>(16, -3.0));
  EXPECT_EQ(run.analysis->swing(0, 0), 3.0);
  EXPECT_EQ(run.analysis->phase(0, 0), kPi);
  EXPECT_EQ(run.analysis->phase(1, 0), kPi);
  EXPECT_EQ(run.analysis->d_phase(1, 0), 0.0);
}

TEST(BlockAnalysis, ChangesWrapByOneStepAndBlockZeroHasNone) {
  // N = 2, bin 0 only: block values 2, -3, 0.5 give phases 0, pi, 0.
  Analysed run(settings_for(1, 2, 7), {1, 3, -2, -4, 0.5, 0.5, 9});
  const BlockAnalysis& a = *run.analysis;
  ASSERT_EQ(a.blocks(), 3);
  EXPECT_EQ(a.d_swing(0, 0), 0.0);
  EXPECT_EQ(a.d_phase(0, 0), 0.0);
  EXPECT_EQ(a.d_swing(1, 0), 1.0);
  EXPECT_EQ(a.d_phase(1, 0), kPi);  // pi itself is not above pi
  EXPECT_EQ(a.d_swing(2, 0), -2.5);
  EXPECT_EQ(a.d_phase(2, 0), -kPi);
  const BinStatistics& s = a.statistics(0);
  EXPECT_DOUBLE_EQ(s.mean[kSwing], 5.5 / 3);
  EXPECT_DOUBLE_EQ(s.mean[kPhase], kPi / 3);
  EXPECT_EQ(s.mean[kDSwing], -0.75);  // divided by NB - 1 = 2
  EXPECT_EQ(s.deviation[kDSwing], 1.75);
  EXPECT_EQ(s.mean[kDPhase], 0.0);
  EXPECT_DOUBLE_EQ(s.deviation[kDPhase], kPi);
}

TEST(BlockAnalysis, SamplesNeverPushedAreZero) {
  const BlockSettings s = settings_for(2, 4, 8);
  BlockAnalysis a(s, kAngles, plan_scan(s).blocks);
  for (int i = 0; i < 4; ++i) a.push(2.0);
  a.finish(8, -1);
  ASSERT_EQ(a.blocks(), 2);
  EXPECT_EQ(a.swing(0, 0), 2.0);
  EXPECT_EQ(a.swing(1, 0), 0.0);
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Every block through the window (on the calling thread or the second one)
// equals, bit for bit, the plain scalar rules applied to the block cut
// straight from the whole series: steps below, at and above N, fractional.
class StreamedBlocks : public ::testing::TestWithParam<std::tuple<float, bool>> {};

TEST_P(StreamedBlocks, EqualThePlainRulesOnTheBlocksCutFromTheWholeSeries) {
  const auto [step, second_core] = GetParam();
  const int exponent = 5;
  const std::size_t n = 32;
  const std::int64_t count = 150000;  // beyond the smallest window and several chunks
  std::vector<double> x(count);
  for (std::int64_t i = 0; i < count; ++i) x[i] = std::sin(0.37 * i) + 0.001 * (i % 97) - 0.2;
  const BlockSettings s = settings_for(exponent, step, count, 7.3, 2.1);
  const ScanPlan plan = plan_scan(s);
  BlockAnalysis a(s, kAngles, plan.blocks, frame::Where::current(), second_core);
  for (double v : x) a.push(v);
  a.finish(count, -1);
  ASSERT_EQ(a.blocks(), plan.blocks);

  std::vector<double> re(n), im(n);
  FftReference reference(exponent);
  float start = 0;
  for (std::int64_t b = 0; b < a.blocks(); ++b) {
    reference.transform(x.data() + nearest_sample(start), re.data(), im.data());
    for (std::size_t k = 0; k < n / 2; ++k) {
      const double magnitude = std::sqrt(re[k] * re[k] + im[k] * im[k]);
      const double swing = k == 0 ? magnitude : 2 * magnitude;
      double phase;
      if (re[k] == 0) {
        phase = (kPi / 2) * (im[k] > 0 ? 1.0 : (im[k] < 0 ? -1.0 : 0.0));
      } else {
        phase = std::atan(im[k] / re[k]);
        if (re[k] < 0) phase = im[k] >= 0 ? phase + kPi : phase - kPi;
      }
      phase = phase + (static_cast<double>(k) * (s.origin - static_cast<double>(start))) *
                          s.phase_step;
      phase = phase - std::floor(phase / (2 * kPi)) * (2 * kPi);
      ASSERT_EQ(bits(a.swing(b, k)), bits(swing)) << "block " << b << " bin " << k;
      ASSERT_EQ(bits(a.phase(b, k)), bits(phase)) << "block " << b << " bin " << k;
    }
    start = start + s.step;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StreamedBlocks,
    ::testing::Combine(::testing::Values(0.75f, 7.0f, 32.0f, 33.0f, 100.5f, 1000.0f),
                       ::testing::Bool()));

// The table sized for the exact count and the scan on the calling thread,
// against a table sized for a longer series (as for one reading of a file
// whose count is not yet known) and the scan on a second thread.
TEST(BlockAnalysis, OpenCountAndSecondCoreGiveTheSameBits) {
  const std::int64_t count = 400000;
  std::vector<double> x(count);
  for (std::int64_t i = 0; i < count; ++i) x[i] = std::cos(0.011 * i) * 3 + std::sin(0.3 * i);
  BlockSettings s = settings_for(8, 100.3f, count, 50, -3);
  BlockAnalysis one(s, kAngles, plan_scan(s).blocks, frame::Where::current(), false);
  BlockSettings longer = s;
  longer.count = 3 * count;
  BlockAnalysis two(s, kAngles, plan_scan(longer).blocks, frame::Where::current(), true);
  for (double v : x) {
    one.push(v);
    two.push(v);
  }
  one.finish(count, 0.5f);
  two.finish(count, 0.5f);
  EXPECT_FALSE(one.on_second_core());
  ASSERT_EQ(one.blocks(), plan_scan(s).blocks);
  ASSERT_EQ(one.blocks(), two.blocks());
  for (std::size_t k = 0; k < one.bins(); ++k) {
    for (int q = 0; q < 4; ++q) {
      ASSERT_EQ(bits(one.statistics(k).mean[q]), bits(two.statistics(k).mean[q]));
      ASSERT_EQ(bits(one.statistics(k).deviation[q]), bits(two.statistics(k).deviation[q]));
    }
    ASSERT_EQ(one.selected(k), two.selected(k));
    if (!one.selected(k)) continue;
    for (std::int64_t b = 0; b < one.blocks(); ++b) {
      ASSERT_EQ(bits(one.d_phase(b, k)), bits(two.d_phase(b, k)));
      ASSERT_EQ(bits(one.swing(b, k)), bits(two.swing(b, k)));
    }
  }
}

TEST(Memory, TablesBeyondMemoryAreErrorSevenBeforeAllocating) {
  EXPECT_EQ(error_of([] { check_memory(analysis_bytes(2.048e7, 2048)); }),
            frame::err::kOutOfMemory);
  EXPECT_EQ(error_of([] { check_memory(analysis_bytes(1, std::ldexp(1.0, 99))); }),
            frame::err::kOutOfMemory);
  EXPECT_EQ(error_of([] { check_memory(analysis_bytes(1e300, 1e300)); }),
            frame::err::kOutOfMemory);
  EXPECT_EQ(error_of([] { check_memory(analysis_bytes(20000, 1024)); }), 0);
}

}  // namespace
}  // namespace mulrin
