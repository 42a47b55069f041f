#include "tarvex/report.h"

#include <gtest/gtest.h>

#include <cmath>

#include "frame/textfile.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::closed_report;
using testing::read_bytes;
using testing::ScratchDir;

const std::string kHeader(kColumnHeader);

// Writes through a ReportWriter on file 2 and returns the closed file.
template <typename F>
std::string written(F&& write) {
  ScratchDir dir;
  const std::string path = dir.file("report.txt");
  frame::FileTable files;
  frame::create_output(files, 2, path);
  ReportWriter report(files, 2);
  write(report);
  files.close({2});
  return read_bytes(path);
}

// A closed interval of m samples whose vector is v, as the transform holds it.
IntervalRow close_with_vector(IntervalSeries& series, CycleTransform& t, Vec v,
                              std::int64_t m) {
  t.m = m;
  t.sample_counter += m;
  t.interval_sums = {v.x * static_cast<double>(m) / 2, v.y * static_cast<double>(m) / 2};
  IntervalRow row = series.close(t);
  t.end_interval();
  series.count_closed();
  return row;
}

TEST(TarvexReport, ColumnHeaderIs85Characters) { EXPECT_EQ(kColumnHeader.size(), 85u); }

TEST(TarvexReport, HeaderLinesWithoutSubtractFile) {
  const double step = angular_step(360, 20);
  const std::string text = written([&](ReportWriter& r) {
    r.source_line("C:\\data\\run1.txt", 5, 10);
    r.speed_line(step * kDegreesPerRadian * 20);
    r.column_header();
  });
  EXPECT_EQ(text, closed_report({"C:\\data\\run1.txt( 5 - 14 )", "Angular Speed: 360 ",
                                 "cycle-----)Swing------,Phase-------:d-Swing----,"
                                 "d-Phase-----:d-Vec(Lng)-,d-Vec(Ang)--"}));
}

TEST(TarvexReport, SubtractLineNamesThePath) {
  EXPECT_EQ(written([](ReportWriter& r) { r.subtract_line("C:\\sub\\a b.txt"); }),
            closed_report({"  with C:\\sub\\a b.txt"}));
}

TEST(TarvexReport, SourceLineEndsWithTheDoublePrecisionLastColumn) {
  // From and letters are singles; their sum is taken in double precision.
  EXPECT_EQ(written([](ReportWriter& r) { r.source_line("d.txt", 9, 12.5f); }),
            closed_report({"d.txt( 9 - 20.5 )"}));
  EXPECT_EQ(written([](ReportWriter& r) { r.source_line("d.txt", 0.1f, 1); }),
            closed_report({"d.txt( .1 - .100000001490116 )"}));
}

TEST(TarvexReport, FirstTwoRowsOfHundredCycleIntervals) {
  const double spc = 20;
  const TransformParams p{spc, 0, angular_step(360, spc), 100 * spc, nullptr};
  CycleTransform t(p);
  IntervalSeries series(spc, 0, p.interval);
  const double ten = 10 / kDegreesPerRadian;
  const IntervalRow first = close_with_vector(series, t, {2, 0}, 2000);
  const IntervalRow second =
      close_with_vector(series, t, {2.5 * std::cos(ten), 2.5 * std::sin(ten)}, 2000);
  const std::string text = written([&](ReportWriter& r) {
    r.interval_row(first);
    r.interval_row(second);
  });
  EXPECT_EQ(text, closed_report({
                      "   50.0000)    2.00000,   0.0000deg:-----.-----,----.----deg:"
                      "-----.-----,----.----deg",
                      "  150.0000)    2.50000,  10.0000deg:    0.50000,  10.0000deg:"
                      "    0.63397,  43.2168deg",
                  }));
}

TEST(TarvexReport, WideValuesOverflowTheirColumnsForThatLineOnly) {
  IntervalRow row;
  row.first = false;
  row.cycle_label = 123456;
  row.swing = 10000;
  row.phase = 359.99996;
  row.d_swing = -10000;
  row.d_phase = -1234.5;
  row.d_length = 0;
  row.d_angle = 0;
  EXPECT_EQ(written([&](ReportWriter& r) { r.interval_row(row); }),
            closed_report({"% 123456)10000.00000, 360.0000deg:%-10000,%-1234.5deg:"
                           "    0.00000,   0.0000deg"}));
}

TEST(TarvexReport, AverageAndDeviationRowsOfTwoDifferences) {
  DifferenceStats stats;
  for (double v : {1.0, 3.0}) {
    stats.d_swing.add(v);
    stats.d_phase.add(-v);
    stats.d_length.add(v * 10);
    stats.d_angle.add(v * 100);
  }
  const std::string text = written([&](ReportWriter& r) {
    r.average_row(1.5, 45, stats, 2);
    r.deviation_row(stats, 2);
  });
  EXPECT_EQ(text, closed_report({
                      "Average---)    1.50000,  45.0000deg:    2.00000,  -2.0000deg:"
                      "   20.00000, 200.0000deg",
                      "          )---Standard Deviation---:    1.00000,   1.0000deg:"
                      "   10.00000, 100.0000deg",
                  }));
}

TEST(TarvexReport, AverageRowWithoutIntervalsShowsZeros) {
  const DifferenceStats none;
  const std::string text = written([&](ReportWriter& r) {
    r.average_row(0.25, 270, none, -1);
    r.deviation_row(none, -1);
  });
  EXPECT_EQ(text, closed_report({
                      "Average---)    0.25000, 270.0000deg:    0.00000,   0.0000deg:"
                      "    0.00000,   0.0000deg",
                      "          )---Standard Deviation---:    0.00000,   0.0000deg:"
                      "    0.00000,   0.0000deg",
                  }));
}

TEST(TarvexReport, AverageOfNoDifferenceStopsInsideTheRow) {
  ScratchDir dir;
  const std::string path = dir.file("report.txt");
  frame::FileTable files;
  frame::create_output(files, 2, path);
  ReportWriter report(files, 2);
  const DifferenceStats none;
  EXPECT_EQ(testing::error_code_of([&] { report.average_row(6, 9.5, none, 0); }),
            frame::err::kInvalidCall);
  files.abandon();
  EXPECT_EQ(read_bytes(path), "Average---)    6.00000,   9.5000deg:");
}

TEST(TarvexReport, PoleRow) {
  EXPECT_EQ(written([](ReportWriter& r) { r.pole_row(std::sqrt(2.0), 45); }),
            closed_report({"Pole data-)    1.41421,  45.0000deg"}));
}

}  // namespace
}  // namespace tarvex
