#include "tarvex/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::error_code_of;

TransformParams params(double spc, double origin_cycles, double interval_cycles,
                       double speed = 360) {
  TransformParams p;
  p.samples_per_cycle = spc;
  p.origin = origin_cycles * spc;
  p.angular_step = angular_step(speed, spc);
  p.interval = interval_cycles * spc;
  return p;
}

// Feeds samples and closes every interval like a "Calc." run, keeping rows
// and the sample count of every closed interval.
struct CalcLoop {
  CycleTransform transform;
  IntervalSeries series;
  std::vector<IntervalRow> rows;
  std::vector<std::int64_t> counts;

  explicit CalcLoop(const TransformParams& p)
      : transform(p), series(p.samples_per_cycle, p.origin, p.interval) {}

  void feed(double y) {
    if (!transform.take_sample(y)) return;
    counts.push_back(transform.m);
    rows.push_back(series.close(transform));
    transform.end_interval();
    series.count_closed();
  }
};

// One cycle at 4 samples per cycle whose interval vector is (x, y): the
// samples at 0, 90, 180 and 270 degrees of x cos - y sin.
void feed_vector(CalcLoop& loop, double x, double y) {
  for (double v : {x, -y, -x, y}) loop.feed(v);
}

double phase_distance(double a, double b) {
  double d = std::fabs(a - b);
  return std::min(d, 360 - d);
}

TEST(AngleRule, CoversEveryQuadrantAndTheAxes) {
  EXPECT_NEAR(angle_rule(1, 1), 45, 1e-12);
  EXPECT_NEAR(angle_rule(-1, 1), 135, 1e-12);
  EXPECT_NEAR(angle_rule(-1, -1), 225, 1e-12);
  EXPECT_NEAR(angle_rule(1, -1), 315, 1e-12);
  EXPECT_EQ(angle_rule(1, 0), 0);
  EXPECT_EQ(angle_rule(-1, 0), 180);
  EXPECT_EQ(angle_rule(0, 1), 90);
  EXPECT_EQ(angle_rule(0, -1), 270);
}

TEST(AngleRule, ZeroVectorHasPhase90) { EXPECT_EQ(angle_rule(0, 0), 90); }

TEST(AngularStep, UsesTheFifteenDigitPi) {
  EXPECT_EQ(angular_step(360, 20), 360.0 / 20 / (180 / 3.14159265358979));
}

TEST(AngularStep, ZeroSamplesPerCycleIsDivisionByZero) {
  EXPECT_EQ(error_code_of([] { angular_step(360, 0); }), frame::err::kDivisionByZero);
  EXPECT_EQ(error_code_of([] { angular_step(0, 0); }), frame::err::kInvalidCall);
}

TEST(CycleTransform, SumsEqualADirectEvaluationBitForBit) {
  // The reference angle by repeated addition from -step * origin, one
  // cosine and one sine per sample, over several look-ahead blocks.
  const TransformParams p = params(37, 0.3, 1e9, 360);
  CycleTransform t(p);
  double angle = -p.angular_step * p.origin, x = 0, y = 0;
  for (int n = 0; n < 1000; ++n) {
    const double v = std::sin(n * 0.37) * 100;
    t.take_sample(v);
    x += std::cos(angle) * v;
    y -= std::sin(angle) * v;
    angle += p.angular_step;
  }
  EXPECT_EQ(t.file_sums.x, x);
  EXPECT_EQ(t.file_sums.y, y);
  EXPECT_EQ(t.reference_angle(), angle);
}

TEST(CycleTransform, PureCosineGivesItsSwingAndPhaseInEveryInterval) {
  const TransformParams p = params(20, 0, 1);
  CalcLoop loop(p);
  for (int n = 0; n < 200; ++n) loop.feed(2 * std::cos(p.angular_step * n));
  ASSERT_EQ(loop.rows.size(), 10u);
  for (const IntervalRow& row : loop.rows) {
    EXPECT_NEAR(row.swing, 2, 1e-9);
    EXPECT_LT(phase_distance(row.phase, 0), 1e-9);
  }
}

TEST(CycleTransform, QuarterCycleOriginShiftsThePhaseBy90) {
  const TransformParams p = params(20, 0.25, 1);
  CalcLoop loop(p);
  for (int n = 0; n < 200; ++n) loop.feed(2 * std::cos(p.angular_step * n));
  ASSERT_EQ(loop.rows.size(), 10u);
  for (const IntervalRow& row : loop.rows) {
    EXPECT_NEAR(row.swing, 2, 1e-9);
    EXPECT_NEAR(row.phase, 90, 1e-9);
  }
  // The cycle label counts from the origin: the first interval's middle.
  EXPECT_DOUBLE_EQ(loop.rows[0].cycle_label, (20 - 5 - 10) / 20.0);
}

TEST(CycleTransform, SecondHarmonicAtDoubleSpeed) {
  const TransformParams p = params(20, 0, 1, 720);
  CalcLoop loop(p);
  for (int n = 0; n < 40; ++n) loop.feed(3 * std::cos(p.angular_step * n + 0.5));
  ASSERT_EQ(loop.rows.size(), 2u);
  EXPECT_NEAR(loop.rows[1].swing, 3, 1e-9);
  EXPECT_NEAR(loop.rows[1].phase, 0.5 * kDegreesPerRadian, 1e-9);
}

TEST(CycleTransform, ZeroSpeedGivesThePlainMean) {
  CalcLoop positive(params(4, 0, 1, 0));
  for (double v : {1.0, 2.0, 3.0, 4.0}) positive.feed(v);
  ASSERT_EQ(positive.rows.size(), 1u);
  EXPECT_EQ(positive.rows[0].swing, 2.5);
  EXPECT_EQ(positive.rows[0].phase, 0);

  CalcLoop negative(params(4, 0, 1, 0));
  for (double v : {-1.0, -2.0, -3.0, -4.0}) negative.feed(v);
  EXPECT_EQ(negative.rows[0].swing, 2.5);
  EXPECT_EQ(negative.rows[0].phase, 180);
}

TEST(CycleTransform, PhaseFrom350To10WrapsToPlus20) {
  CalcLoop loop(params(4, 0, 1));
  const double a = 350 / kDegreesPerRadian, b = 10 / kDegreesPerRadian;
  feed_vector(loop, std::cos(a), std::sin(a));
  feed_vector(loop, std::cos(b), std::sin(b));
  ASSERT_EQ(loop.rows.size(), 2u);
  EXPECT_NEAR(loop.rows[1].d_phase, 20, 1e-9);
}

TEST(CycleTransform, DifferencesScaleRatesToOneFileInterval) {
  // Two cycles per interval: d-values per sample times 8 samples.
  CalcLoop loop(params(4, 0, 2));
  feed_vector(loop, 3, 1);
  feed_vector(loop, 3, 1);
  feed_vector(loop, -2, 5);
  feed_vector(loop, -2, 5);
  ASSERT_EQ(loop.rows.size(), 2u);
  const IntervalRow& row = loop.rows[1];
  EXPECT_FALSE(row.first);
  EXPECT_NEAR(row.d_swing, std::sqrt(29.0) - std::sqrt(10.0), 1e-12);
  EXPECT_NEAR(row.d_length, std::sqrt(41.0), 1e-12);
  EXPECT_NEAR(row.d_angle, 180 - std::atan(4.0 / 5) * kDegreesPerRadian, 1e-9);
  EXPECT_TRUE(loop.rows[0].first);
}

TEST(CycleTransform, FractionalIntervalOfTwoAndAHalfCyclesClosesEvery25Samples) {
  CalcLoop loop(params(10, 0, 2.5));
  for (int n = 0; n < 100; ++n) loop.feed(1);
  EXPECT_EQ(loop.counts, (std::vector<std::int64_t>{25, 25, 25, 25}));
  EXPECT_EQ(loop.transform.fill, 0);
}

TEST(CycleTransform, FractionalSamplesPerCycleCarryTheFillOver) {
  // 3.3 samples per cycle as the field gives it: a single.
  const double spc = static_cast<float>(3.3);
  CalcLoop loop(params(spc, 0, 1));
  for (int n = 0; n < 14; ++n) loop.feed(n % 3);
  EXPECT_EQ(loop.counts, (std::vector<std::int64_t>{4, 3, 3, 4}));
  // The d-values are scaled by 3.3 / m.
  const IntervalRow& row = loop.rows[1];
  EXPECT_NEAR(row.d_swing, (row.swing - loop.rows[0].swing) / 3 * spc, 1e-15);
}

TEST(CycleTransform, ZeroIntervalClosesAfterEverySample) {
  CalcLoop loop(params(4, 0, 0));
  for (int n = 0; n < 5; ++n) loop.feed(1);
  EXPECT_EQ(loop.rows.size(), 5u);
  EXPECT_EQ(loop.rows[1].d_swing, 0);  // scaled by the interval length 0
}

TEST(CycleTransform, CountersStayExactPastSinglePrecision) {
  // A single-precision counter stops at 16,777,216; these keep counting.
  TransformParams p = params(4, 0, 1e9, 0);
  CycleTransform t(p);
  t.sample_counter = 16777215;
  t.m = 16777215;
  t.interval_sums = {16777215, 0};
  t.file_sums = {16777215, 0};
  for (int n = 0; n < 3; ++n) t.take_sample(1);
  EXPECT_EQ(t.sample_counter, 16777218);
  EXPECT_EQ(t.m, 16777218);
  // Mean of ones over an exact count is exactly one.
  EXPECT_EQ(t.interval_vector().x, 1.0);
  EXPECT_EQ(t.file_swing(), 1.0);
}

TEST(CycleTransform, OverflowingSumIsError6) {
  CycleTransform t(params(4, 0, 1, 0));
  t.take_sample(1.5e308);
  EXPECT_EQ(error_code_of([&] { t.take_sample(1.5e308); }), frame::err::kOverflow);
}

TEST(CycleTransform, FileSwingWithoutSamplesIs0Over0) {
  CycleTransform t(params(4, 0, 1));
  EXPECT_EQ(error_code_of([&] { t.file_swing(); }), frame::err::kInvalidCall);
}

TEST(CycleTransform, FileSwingDividesByAllSamplesAndDoubles) {
  CycleTransform t(params(4, 0, 1));
  for (double v : {1.0, 2.0, 3.0}) t.take_sample(v);
  // Sums (1 - 3, -2): swing sqrt(8) / 3 * 2, phase 225.
  EXPECT_NEAR(t.file_swing(), std::sqrt(8.0) / 3 * 2, 1e-14);
  EXPECT_NEAR(t.file_phase(), 225, 1e-9);
}

TEST(CycleTransform, SubtractModelIsEvaluatedAtTheSampleIndex) {
  // Rate 90 degrees per cycle, phase 0, constant amplitude 1.5.
  frame::SubtractTable table;
  table.degree = 0;
  table.count = 1;
  table.entries[0].rate = 90;
  table.entries[0].coef[0] = 1.5;
  TransformParams p = params(1, 0, 100, 0);
  p.subtract = &table;
  CycleTransform t(p);
  // At t = 0 the model is 1.5; at t = 1 it is 1.5 cos(90 degrees), near 0.
  t.take_sample(1.5);
  EXPECT_NEAR(t.interval_sums.x, 0, 1e-14);
  t.take_sample(0);
  EXPECT_NEAR(t.interval_sums.x, 0, 1e-14);
  t.take_sample(-1.5);  // t = 2: 1.5 cos(180 degrees) = -1.5
  EXPECT_NEAR(t.interval_sums.x, 0, 1e-14);
}

TEST(IntervalSeries, SixtyFifthIntervalIsSubscriptError9) {
  CalcLoop loop(params(4, 0, 0.25));
  for (int n = 0; n < 64; ++n) loop.feed(1);
  EXPECT_EQ(loop.series.count(), 64);
  EXPECT_EQ(error_code_of([&] { loop.feed(1); }), frame::err::kSubscript);
  EXPECT_EQ(loop.rows.size(), 64u);
}

TEST(RunningStat, AverageAndPopulationDeviation) {
  RunningStat s;
  s.add(1);
  s.add(3);
  EXPECT_EQ(s.average(2), 2);
  EXPECT_EQ(s.deviation(2), 1);
}

TEST(RunningStat, TwoEqualValuesHaveDeviationZero) {
  RunningStat s;
  s.add(0.1);
  s.add(0.1);
  EXPECT_NEAR(s.deviation(2), 0, 1e-8);
  EXPECT_GE(s.deviation(2), 0);
}

TEST(RunningStat, NoDifferenceIsZeroOverZero) {
  RunningStat s;
  EXPECT_EQ(error_code_of([&] { s.average(0); }), frame::err::kInvalidCall);
  EXPECT_EQ(error_code_of([&] { s.deviation(0); }), frame::err::kInvalidCall);
}

TEST(RunningStat, NoIntervalDividesZeroByMinusOne) {
  RunningStat s;
  EXPECT_EQ(s.average(-1), 0);
  EXPECT_EQ(s.deviation(-1), 0);
}

}  // namespace
}  // namespace tarvex
