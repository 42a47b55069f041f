// The report lines of "Calc." and the summary number text of the result line.
#include "tarvex/report.h"

#include <gtest/gtest.h>

#include <cmath>

#include "frame/textfile.h"
#include "tarvex/dcmdsp.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::closed_report;

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
            closed_report({"C:\\d\\a b.txt( .1 - .100000001490116 )"}));
}

TEST(TarvexReport, WideValuesOverflowTheirColumnsForThatLineOnly) {
  const IntervalRow row{.cycle_label = 123456,
                        .swing = 10000,
                        .phase = 359.99996,
                        .first = false,
                        .d_swing = -10000,
                        .d_phase = -1234.5,
                        .d_length = 0,
                        .d_angle = 0};
  EXPECT_EQ(
      written([&](ReportWriter& r) { r.interval_row(row); }),
      closed_report(
          {"% 123456)10000.00000, 360.0000deg:%-10000,%-1234.5deg:    0.00000,   0.0000deg"}));
}

TEST(Dcmdsp, EveryRangeOfTheSummaryNumberText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "+0"},
      // Below one: eight decimals with the leading zero; rounding up to one gives one.
      {-0.5, "-0.50000000"},
      {0.999, "+0.99900000"},
      {0.05, "+0.05000000"},
      {0.0998849, "+0.09988490"},
      {0.000012345678, "+0.00001235"},
      {0.9999999999, "+1"},
      {-0.9999999999, "-1"},
      // From one: eight significant digits.
      {1.0, "+1"},
      {2.5, "+2.5"},
      {100.0, "+100"},
      {360.0, "+360"},
      {123.456789, "+123.45679"},
      {12345678.0, "+12345678"},
      {-45.0, "-45"},
      {1.41421356, "+1.4142136"},
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
