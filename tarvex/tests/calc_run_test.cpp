// "Calc." runs end to end through the command line, with whole reports
// compared byte for byte against texts worked out from the rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::closed_report;
using testing::crlf_lines;
using testing::Harness;
using testing::read_bytes;
using testing::ScratchDir;
using testing::write_bytes;
namespace fs = std::filesystem;

const std::string kHeader =
    "cycle-----)Swing------,Phase-------:d-Swing----,d-Phase-----:d-Vec(Lng)-,d-Vec(Ang)--";

// Five interval vectors on the circle of centre (1, 1) and radius 5:
// (6, 1), (4, 5), (-2, 5), (-3, -2), (4, -3). At 4 samples per cycle the
// samples x, -y, -x, y of one cycle have the interval vector (x, y).
const std::vector<std::string> kCircleSamples = {
    "6",  "-1", "-6", "1",  "4", "-5", "-4", "5",  "-2", "-5",
    "2",  "5",  "-3", "2",  "3", "-2", "4",  "3",  "-4", "-3"};

// Rows of one-cycle intervals of those vectors: swings sqrt(37), sqrt(41),
// sqrt(29), sqrt(13), 5; phases atan(1/6), atan(5/4), 180 - atan(5/2),
// 180 + atan(2/3), 360 - atan(3/4); difference vectors (-2, 4), (-6, 0),
// (-1, -7), (7, -1).
const std::vector<std::string> kCircleRows = {
    "    0.5000)    6.08276,   9.4623deg:-----.-----,----.----deg:-----.-----,----.----deg",
    "    1.5000)    6.40312,  51.3402deg:    0.32036,  41.8779deg:    4.47214, 116.5651deg",
    "    2.5000)    5.38516, 111.8014deg:   -1.01796,  60.4612deg:    6.00000, 180.0000deg",
    "    3.5000)    3.60555, 213.6901deg:   -1.77961, 101.8887deg:    7.07107, 261.8699deg",
    "    4.5000)    5.00000, 323.1301deg:    1.39445, 109.4400deg:    7.07107, 351.8699deg",
};
// Averages and population deviations of the four differences (n = 4).
const std::string kCircleDeviation =
    "          )---Standard Deviation---:    1.22038,  28.1552deg:    1.06471,  88.3345deg";
const std::string kCircleAverageTail = "   -0.27069,  78.4169deg:    6.15357, 227.5762deg";
// Every pair of chords crosses at the centre (1, 1).
const std::string kCirclePole = "Pole data-)    1.41421,  45.0000deg";

std::string joined(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

struct TarvexCalc : ::testing::Test {
  ScratchDir dir;
  Harness h;
  fs::path previous = fs::current_path();
  void SetUp() override { fs::current_path(dir.path()); }
  void TearDown() override { fs::current_path(previous); }
  std::string report(const std::string& name = "out.txt") { return read_bytes(dir.file(name)); }
};

std::vector<std::string> circle_args() {
  return {"--set", "EDIT2=1",   "--set", "EDIT3=10",      "--set", "EDIT4=data.txt",
          "--set", "EDIT5=4",   "--set", "EDIT8=1",       "--set", "EDIT9=out.txt",
          "--click", "BUTTON5", "--print", "EDIT12"};
}

TEST_F(TarvexCalc, CircleOfFiveIntervalsWholeReport) {
  write_bytes("data.txt", joined(kCircleSamples, "\r\n"));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  std::string expected = crlf_lines({"data.txt( 1 - 10 )", "Angular Speed: 360 ", kHeader});
  expected += joined(kCircleRows, "\r\n");
  // The whole-file vector is the mean of the five: (1.8, 1.2).
  expected += crlf_lines({kHeader, "Average---)    2.16333,  33.6901deg:" + kCircleAverageTail,
                          kCircleDeviation, kCirclePole});
  expected += "\x1a";
  EXPECT_EQ(report(), expected);
  EXPECT_EQ(h.out, "+33.690068deg,+2.1633308\n");
}

TEST_F(TarvexCalc, CommentsColumnCutAndCarriageReturnLineEnds) {
  // Values in columns 9-20 behind a time prefix, lines ended by CR alone,
  // comment lines between samples, two samples of 0 left in an open
  // interval at the end (dropped from the rows, kept in the whole file).
  std::string text = "# header\r";
  for (std::size_t i = 0; i < kCircleSamples.size(); ++i) {
    std::string value = kCircleSamples[i] + ".000";
    text += "00:00:0" + std::to_string(i % 10) + std::string(12 - value.size(), ' ') + value +
            "\r";
    if (i == 5) text += "# between\r";
  }
  text += "00:00:20       0.000\r00:00:21      -0.000\r# end";
  write_bytes("data2.txt", text);
  ASSERT_EQ(h.run({"--set", "comment-mark=#", "--set", "from=9", "--set", "letters=12",
                   "--set", "data-file=data2.txt", "--set", "samples-per-cycle=4", "--set",
                   "file-interval=1", "--set", "report-file=out2.txt", "--click", "calc",
                   "--print", "result"}),
            0)
      << h.err;
  std::string expected = crlf_lines({"data2.txt( 9 - 20 )", "Angular Speed: 360 ", kHeader});
  expected += joined(kCircleRows, "\r\n");
  // 22 samples now: the whole-file swing is sqrt(18^2 + 12^2) / 22 * 2.
  expected += crlf_lines({kHeader, "Average---)    1.96666,  33.6901deg:" + kCircleAverageTail,
                          kCircleDeviation, kCirclePole});
  expected += "\x1a";
  EXPECT_EQ(report("out2.txt"), expected);
  EXPECT_EQ(h.out, "+33.690068deg,+1.9666643\n");
}

TEST_F(TarvexCalc, SubtractFileRemovesAConstantAndIsNamedInTheReport) {
  // One entry: rate 0, phase 0, amplitude 1: every value loses 1.
  write_bytes("sub.txt", crlf_lines({"deg=0", "0,0,1", "#", "90,0,5"}));
  std::string text;
  for (const std::string& v : kCircleSamples) text += std::to_string(std::stoi(v) + 1) + "\r\n";
  write_bytes("data.txt", text);
  std::vector<std::string> args = circle_args();
  args.insert(args.begin(), {"--set", "EDIT13=sub.txt"});
  ASSERT_EQ(h.run(args), 0) << h.err;
  std::string expected =
      crlf_lines({"data.txt( 1 - 10 )", "  with sub.txt", "Angular Speed: 360 ", kHeader});
  expected += joined(kCircleRows, "\r\n");
  expected += crlf_lines({kHeader, "Average---)    2.16333,  33.6901deg:" + kCircleAverageTail,
                          kCircleDeviation, kCirclePole});
  expected += "\x1a";
  EXPECT_EQ(report(), expected);
}

TEST_F(TarvexCalc, FewerSamplesThanOneIntervalGiveZeroAverages) {
  write_bytes("data.txt", crlf_lines({"1", "2", "3"}));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  // Whole-file sums (1 - 3, -2) over 3 samples: swing sqrt(8) / 3 * 2.
  EXPECT_EQ(report(),
            closed_report({"data.txt( 1 - 10 )", "Angular Speed: 360 ", kHeader, kHeader,
                           "Average---)    1.88562, 225.0000deg:    0.00000,   0.0000deg:"
                           "    0.00000,   0.0000deg",
                           "          )---Standard Deviation---:    0.00000,   0.0000deg:"
                           "    0.00000,   0.0000deg"}));
  EXPECT_EQ(h.out, "+225deg,+1.8856181\n");
}

TEST_F(TarvexCalc, TwoIntervalsGiveOneDifferenceAndNoPole) {
  write_bytes("data.txt", joined({kCircleSamples.begin(), kCircleSamples.begin() + 8}, "\r\n"));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  const std::string text = report();
  EXPECT_NE(text.find(kCircleRows[1] + "\r\n" + kHeader), std::string::npos);
  EXPECT_NE(text.find("          )---Standard Deviation---:    0.00000,   0.0000deg:"
                      "    0.00000,   0.0000deg\r\n\x1a"),
            std::string::npos);
  EXPECT_EQ(text.find("Pole"), std::string::npos);
}

TEST_F(TarvexCalc, CollinearIntervalVectorsGiveNoPoleRow) {
  // Vectors (1, 1), (2, 2), (3, 3), (4, 4): all on one line.
  write_bytes("data.txt", crlf_lines({"1", "-1", "-1", "1", "2", "-2", "-2", "2", "3", "-3",
                                      "-3", "3", "4", "-4", "-4", "4"}));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  const std::string text = report();
  EXPECT_NE(text.find("Standard Deviation"), std::string::npos);
  EXPECT_EQ(text.find("Pole"), std::string::npos);
}

TEST_F(TarvexCalc, ExistingReportIsReplacedAndRunsRepeatIdentically) {
  write_bytes("data.txt", joined(kCircleSamples, "\r\n"));
  write_bytes("out.txt", std::string(5000, 'Q'));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  const std::string first = report();
  EXPECT_EQ(first.find('Q'), std::string::npos);
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  EXPECT_EQ(report(), first);
}

TEST_F(TarvexCalc, ExactlyOneIntervalStopsInsideTheAverageRow) {
  write_bytes("data.txt", crlf_lines({"6", "-1", "-6", "1"}));
  EXPECT_EQ(h.run(circle_args()), 1);
  EXPECT_NE(h.err.find("エラー[5]"), std::string::npos) << h.err;
  EXPECT_EQ(report(), crlf_lines({"data.txt( 1 - 10 )", "Angular Speed: 360 ", kHeader,
                                  kCircleRows[0], kHeader}) +
                          "Average---)    6.08276,   9.4623deg:");
  EXPECT_EQ(h.out, "");
}

TEST_F(TarvexCalc, SixtyFifthIntervalStopsWith64RowsWritten) {
  // An empty file interval closes an interval after every sample.
  std::string text;
  for (int i = 0; i < 70; ++i) text += "1\r\n";
  write_bytes("data.txt", text);
  std::vector<std::string> args = circle_args();
  args[9] = "EDIT8=";
  EXPECT_EQ(h.run(args), 1);
  EXPECT_NE(h.err.find("エラー[9]"), std::string::npos) << h.err;
  const std::string written = report();
  std::size_t lines = 0;
  for (char c : written) lines += c == '\n';
  EXPECT_EQ(lines, 3u + 64u);
  EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
}

TEST_F(TarvexCalc, NoDataLineStopsAfterTheHeader) {
  write_bytes("data.txt", crlf_lines({"#a", "#b"}));
  std::vector<std::string> args = circle_args();
  args.insert(args.begin(), {"--set", "EDIT1=#"});
  EXPECT_EQ(h.run(args), 1);
  EXPECT_NE(h.err.find("エラー[5]"), std::string::npos) << h.err;
  EXPECT_EQ(report(), crlf_lines({"data.txt( 1 - 10 )", "Angular Speed: 360 ", kHeader}));
}

TEST_F(TarvexCalc, EmptyFromStopsAtTheFirstDataLine) {
  write_bytes("data.txt", crlf_lines({"1", "2"}));
  EXPECT_EQ(h.run({"--set", "EDIT4=data.txt", "--set", "EDIT5=20", "--set", "EDIT8=10",
                   "--set", "EDIT9=out.txt", "--click", "BUTTON5", "--print", "EDIT12"}),
            1);
  EXPECT_NE(h.err.find("エラー[5]"), std::string::npos) << h.err;
  EXPECT_EQ(report(), crlf_lines({"data.txt( 0 --1 )", "Angular Speed: 360 ", kHeader}));
}

TEST_F(TarvexCalc, EmptySamplesPerCycleStopsBeforeAnyFile) {
  write_bytes("data.txt", joined(kCircleSamples, "\r\n"));
  std::vector<std::string> args = circle_args();
  args[7] = "EDIT5=";
  EXPECT_EQ(h.run(args), 1);
  EXPECT_NE(h.err.find("エラー[11]"), std::string::npos) << h.err;
  EXPECT_FALSE(fs::exists("out.txt"));

  args.insert(args.begin(), {"--set", "EDIT10=0"});
  Harness again;
  EXPECT_EQ(again.run(args), 1);
  EXPECT_NE(again.err.find("エラー[5]"), std::string::npos) << again.err;
}

TEST_F(TarvexCalc, MissingDataFileLeavesTheOldReport) {
  write_bytes("out.txt", "old report");
  EXPECT_EQ(h.run(circle_args()), 1);
  EXPECT_NE(h.err.find("エラー[63]"), std::string::npos) << h.err;
  EXPECT_EQ(report(), "old report");
}

TEST_F(TarvexCalc, SubtractDegreeAboveSixEndsSilently) {
  write_bytes("data.txt", joined(kCircleSamples, "\r\n"));
  write_bytes("sub.txt", crlf_lines({"deg=7", "0,0,1,2,3,4,5,6,7,8"}));
  std::vector<std::string> args = circle_args();
  args.insert(args.begin(), {"--set", "EDIT13=sub.txt", "--set", "EDIT12=kept"});
  EXPECT_EQ(h.run(args), 0) << h.err;
  EXPECT_EQ(h.out, "kept\n");
  EXPECT_FALSE(fs::exists("out.txt"));
}

TEST_F(TarvexCalc, PoleMarksAreDrawnOnTheForm) {
  write_bytes("data.txt", joined(kCircleSamples, "\r\n"));
  ASSERT_EQ(h.run(circle_args()), 0) << h.err;
  int circles = 0, pixels = 0;
  for (const auto& call : h.surface.calls) {
    if (call.op == frame::RecordingSurface::Op::Circle) {
      ++circles;
      EXPECT_EQ(call.colour, 13);
      EXPECT_NEAR(call.x1, 431, 1e-4);
      EXPECT_NEAR(call.y1, 219, 1e-4);
    }
    pixels += call.op == frame::RecordingSurface::Op::Pixel;
  }
  EXPECT_EQ(circles, 1);
  EXPECT_GT(pixels, 0);
}

TEST_F(TarvexCalc, TwoThousandLinesAtTwentySamplesGiveTenRowsAndAPole) {
  std::string text;
  for (int n = 0; n < 2000; ++n) {
    const double a = 2 * 3.14159265358979 * n / 20;
    const double drift = 0.5 * 2 * 3.14159265358979 * n / 2000;
    text += std::to_string(3 * std::cos(a + 0.3) + std::cos(a * 1.002 + drift)) + "\r\n";
  }
  write_bytes("data.txt", text);
  ASSERT_EQ(h.run({"--set", "EDIT2=1", "--set", "EDIT3=20", "--set", "EDIT4=data.txt",
                   "--set", "EDIT5=20", "--set", "EDIT8=10", "--set", "EDIT9=out.txt",
                   "--click", "BUTTON5", "--print", "EDIT12"}),
            0)
      << h.err;
  const std::string written = report();
  std::size_t lines = 0;
  for (char c : written) lines += c == '\n';
  EXPECT_EQ(lines, 3u + 10u + 3u + 1u);
  EXPECT_NE(written.find("\r\nPole data-)"), std::string::npos);
  EXPECT_EQ(h.out.substr(h.out.size() - 1), "\n");
  EXPECT_NE(h.out.find("deg,+"), std::string::npos);
}

}  // namespace
}  // namespace tarvex
