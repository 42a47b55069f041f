// The per-cycle transform, its interval rows and statistics; the report lines
// of "Calc." and the summary number text of the result line.
#include "tarvex/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "frame/textfile.h"
#include "tarvex/dcmdsp.h"
#include "tarvex/report.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::code_of;
using testing::crlf_lines;

TransformParams params(double spc, double origin_cycles, double interval_cycles,
                       double speed = 360) {
  return {spc, origin_cycles * spc, angular_step(speed, spc), interval_cycles * spc, nullptr};
}

// Feeds samples and closes every interval like a "Calc." run.
struct CalcLoop {
  CycleTransform transform;
  IntervalSeries series;
  std::vector<IntervalRow> rows;
  std::vector<std::int64_t> counts;  // samples of every closed interval

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

TEST(CycleTransform, AngleRuleOnTheAxesAndRunTimeErrors) {
  EXPECT_EQ(angle_rule(0, 0), 90);
  EXPECT_EQ(angle_rule(0, -1), 270);
  EXPECT_EQ(angle_rule(-1, 0), 180);
  EXPECT_EQ(code_of([] { angular_step(360, 0); }), frame::err::kDivisionByZero);
  CycleTransform t(params(4, 0, 1, 0));
  t.take_sample(1.5e308);
  EXPECT_EQ(code_of([&] { t.take_sample(1.5e308); }), frame::err::kOverflow);
}

TEST(CycleTransform, PureCosineGivesSwing2AndPhase0OrPhase90AfterAQuarterCycleOrigin) {
  for (double origin : {0.0, 0.25}) {
    const TransformParams p = params(20, origin, 1);
    CalcLoop loop(p);
    for (int n = 0; n < 200; ++n) loop.feed(2 * std::cos(p.angular_step * n));
    ASSERT_EQ(loop.rows.size(), 10u);
    for (const IntervalRow& row : loop.rows) {
      EXPECT_NEAR(row.swing, 2, 1e-9);
      const double d = std::fabs(row.phase - origin * 360);
      EXPECT_LT(std::min(d, 360 - d), 1e-9) << origin;
    }
  }
}

TEST(CycleTransform, PhaseFrom350To10WrapsToPlus20) {
  CalcLoop loop(params(4, 0, 1));
  for (double deg : {350.0, 10.0}) {
    const double x = std::cos(deg / frame::kDegreesPerRadian),
                 y = std::sin(deg / frame::kDegreesPerRadian);
    for (double v : {x, -y, -x, y}) loop.feed(v);  // one cycle whose vector is (x, y)
  }
  ASSERT_EQ(loop.rows.size(), 2u);
  EXPECT_NEAR(loop.rows[1].d_phase, 20, 1e-9);
}

TEST(CycleTransform, FractionalIntervalsCarryTheFillOverAndScaleTheDifferences) {
  CalcLoop half(params(10, 0, 2.5));  // 2.5 cycles at 10 samples per cycle
  for (int n = 0; n < 100; ++n) half.feed(1);
  EXPECT_EQ(half.counts, (std::vector<std::int64_t>{25, 25, 25, 25}));
  const double spc = static_cast<float>(3.3);  // the field's single
  CalcLoop loop(params(spc, 0, 1));
  for (int n = 0; n < 14; ++n) loop.feed(n % 3);
  EXPECT_EQ(loop.counts, (std::vector<std::int64_t>{4, 3, 3, 4}));
  EXPECT_NEAR(loop.rows[1].d_swing, (loop.rows[1].swing - loop.rows[0].swing) / 3 * spc, 1e-15);
}

TEST(RunningStat, DeviationOfEqualValuesIsGuardedAgainstANegativeSquare) {
  RunningStat equal;
  for (double v : {0.1, 0.1}) equal.add(v);
  EXPECT_GE(equal.deviation(2), 0);  // the absolute-value guard
  EXPECT_NEAR(equal.deviation(2), 0, 1e-8);
}

// Cosines and sines worked out ahead on a second thread give the same bits
// as those worked out in turn, past several of its tables, with an origin, a
// fractional step and a subtract model.
TEST(ReferenceAngles, WorkedAheadSameBitsAsInTurn) {
  frame::SubtractTable subtract;
  subtract.degree = 2;
  subtract.count = 1;
  subtract.entries[0] = {90, 1.5, {-0.25, 0.001, 0.00002}};
  TransformParams p = params(99.5, 2.25, 3.5, 720);
  p.subtract = &subtract;
  CycleTransform plain(p), ahead(p);
  ahead.work_ahead();
  for (int i = 0; i < 20000; ++i) {
    const double y = std::sin(i * 0.37) * 100 + i % 7;
    ASSERT_EQ(plain.take_sample(y), ahead.take_sample(y));
    ASSERT_EQ(plain.file_sums.x, ahead.file_sums.x) << i;
    ASSERT_EQ(plain.file_sums.y, ahead.file_sums.y) << i;
  }
  CycleTransform stopped_early(p);  // a run that ends at once stops its thread
  stopped_early.work_ahead();
}

// Writes through a ReportWriter on file 2 and returns the closed file.
template <typename F>
std::string written(F&& write) {
  testing::Scratch dir;
  frame::FileTable files;
  frame::create_output(files, 2, dir.path("report.txt"));
  ReportWriter report(files, 2);
  write(report);
  files.close({2});
  return testing::read_file(dir.path("report.txt"));
}

TEST(TarvexReport, SourceLineSumsTheSingleColumnFieldsInDoublePrecision) {
  EXPECT_EQ(written([&](ReportWriter& r) { r.source_line("C:\\d\\a b.txt", 0.1f, 1); }),
            crlf_lines({"C:\\d\\a b.txt( .1 - .100000001490116 )"}) + "\x1a");
}

TEST(Dcmdsp, EveryRangeOfTheSummaryNumberText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "+0"},
      // Below one: eight decimals with the leading zero; rounding up to one gives one.
      {-0.5, "-0.50000000"},
      {0.05, "+0.05000000"},
      {0.0998849, "+0.09988490"},
      {0.000012345678, "+0.00001235"},
      {0.9999999999, "+1"},
      {-0.9999999999, "-1"},
      // From one: eight significant digits.
      {1.0, "+1"},
      {100.0, "+100"},
      {123.456789, "+123.45679"},
      {12345678.0, "+12345678"},
      // log10 rounded to three decimals: just below a power of ten counts as that power.
      {99999999.0, "+100000000"},
      {99.999999, "+100"},
      {99.99, "+99.99"},
      // From 10^8: all integer digits.
      {100000000.0, "+100000000"},
      {-123456789.4, "-123456789"},
      {2147483647.0, "+2147483647"},
  };
  for (const auto& c : cases) EXPECT_EQ(DCMDSP(c.value), c.text) << c.value;
  for (double v : {2147483647.5, 1e33, 1e-33, -1e-40})
    EXPECT_EQ(testing::code_of([&] { DCMDSP(v); }), frame::err::kOverflow) << v;
}

}  // namespace
}  // namespace tarvex
