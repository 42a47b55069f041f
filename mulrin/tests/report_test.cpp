// Whole reports of Calculate runs, compared byte for byte with reports
// worked out by hand from the rules, and the layout rules of the report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::calculate_args;
using testing::lines;
using testing::Scratch;
using testing::Session;

std::vector<std::string> split_lines(const std::string& report) {
  EXPECT_TRUE(report.ends_with("\r\n\x1a")) << report;  // nothing after the last line but 0x1A
  return test_support::split_crlf(report);
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

const std::string kHeading = "Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase";

// N = 4, step 3 over a signal of period 3 (3, 1, -1, ...): the three blocks
// hold the same samples. Bin 0: X = 1.5. Bin 1: X = 1 + 0.5i, swing
// 2*sqrt(1.25), phase atan(0.5) = 26.5651 deg, referred to the origin by
// -3 * 90 deg per block: 26.5651, 116.5651, 206.5651 deg, changes of +90 deg.
// At 12 samples per cycle the bin rate is 1 * 3 * 360 = 1080 and the refined
// rate 1080 + 90 * 12/3 = 1440, the true rate of a period of 3 samples.
TEST(HandReport, PeriodThreeSignalInBlocksOfFourByHand) {
  Scratch dir;
  const std::string data = dir.write(
      "data.txt", lines({"# period three", "3", "1", "-1", "3", "1", "-1", "3", "1", "-1", "3"}));
  Session s;
  const auto r = s.run(calculate_args(data, dir.path("out.txt"), "2", "3", "12", "1.5"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 10");
  EXPECT_EQ(dir.read("out.txt"),
            data +
                "( 1 - 12 )\r\nNumber of data 10 \r\nLength of FFT 4 \r\n"
                "Step for FFT-block 3 \r\n--------------------------------\r\n" +
                kHeading +
                ":      0.0000cycle----:      0.2500cycle----:      0.5000cycle----\r\n"
                ">>>>     0(     0.0000deg)-> 0 deg\r\n"
                "   1.5000(   0.0000),   0.0000deg(   0.0000deg)"
                ":   1.5000,   0.0000dg:   1.5000,   0.0000dg:   1.5000,   0.0000dg\r\n"
                "   0.0000(   0.0000),   0.0000deg(   0.0000deg)"
                ":   0.0000,   0.0000dg:   0.0000,   0.0000dg:   0.0000,   0.0000dg\r\n"
                ">>>>     1(  1080.0000deg)-> 1440 deg\r\n"
                "   2.2361(   0.0000), 116.5651deg(  73.4847deg)"
                ":   2.2361,  26.5651dg:   2.2361, 116.5651dg:   2.2361, 206.5651dg\r\n"
                "   0.0000(   0.0000),  90.0000deg(   0.0000deg)"
                ":   0.0000,   0.0000dg:   0.0000,  90.0000dg:   0.0000,  90.0000dg\r\n\x1a");
}

// N = 2 (bin 0 only), a subtract file removing a constant 1, origin half a
// cycle of 4 samples (2 samples): corrected values 1, 3 | -2, -4 | 0.5, 0.5 | 9
// give swings 2, 3, 0.5 and phases 0, 180, 0 deg; block times (2b - 2) / 4.
TEST(HandReport, SubtractedConstantNegativeTimesAndHalfTurnChangesByHand) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"2", "4", "-1", "-3", "1.5", "1.5", "10"}));
  const std::string subtract = dir.write("sub.txt", lines({"deg=0", "0,0,1"}));
  Session s;
  auto args = calculate_args(data, dir.path("out.txt"), "1", "2", "4", "2.5");
  args.insert(args.begin(), {"--set", "EDIT10=0.5", "--set", "EDIT11=" + subtract});
  const auto r = s.run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      dir.read("out.txt"),
      data + "( 1 - 12 )\r\n  with " + subtract +
          "\r\nNumber of data 7 \r\n"
          "Length of FFT 2 \r\nStep for FFT-block 2 \r\n--------------------------------\r\n" +
          kHeading +
          ":     -0.5000cycle----:      0.0000cycle----:      0.5000cycle----\r\n"
          ">>>>     0(     0.0000deg)-> 0 deg\r\n"
          "   1.8333(   1.0274),  60.0000deg(  84.8528deg)"
          ":   2.0000,   0.0000dg:   3.0000, 180.0000dg:   0.5000,   0.0000dg\r\n"
          "  -0.7500(   1.7500),   0.0000deg( 180.0000deg)"
          ":   0.0000,   0.0000dg:   1.0000, 180.0000dg:  -2.5000,-180.0000dg\r\n\x1a");
}

// A constant series of N = 8: threshold 0 selects all four bins below N/2
// without a separator; one above every swing leaves the heading line last.
// From and Letters name the column cut from each line.
TEST(Report, ThresholdsOfZeroAndAboveEverySwing) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines(std::vector<std::string>(24, "ab1")));
  for (const char* threshold : {"0", "1.5"}) {
    Session s;
    auto args = calculate_args(data, dir.path("out.txt"), "3", "8", "8", threshold);
    args[3] = "EDIT1=3";
    args[5] = "EDIT2=5";
    ASSERT_EQ(s.run(args).status, 0);
    const std::vector<std::string> report = split_lines(dir.read("out.txt"));
    ASSERT_EQ(report.size(), threshold[0] == '0' ? 6u + 4 * 3 : 6u);  // no separator line
    EXPECT_EQ(report[0], data + "( 3 - 7 )");
    EXPECT_EQ(report[5],
              kHeading + ":      0.0000cycle----:      1.0000cycle----:      2.0000cycle----");
    if (threshold[0] == '0') {
      EXPECT_EQ(report[15].substr(0, 26), ">>>>     3(  1080.0000deg)");
    }
  }
}

// Bins 3, 4 and 7 of N = 16 carry tones; a separator follows the run of 3
// and 4 (written at bin 5) and none follows 7, the last bin examined.
TEST(Report, SelectedRunsAreSeparatedOnlyBetweenRuns) {
  Scratch dir;
  std::vector<std::string> values;
  for (int n = 0; n < 48; ++n) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9f",
                  std::cos(2 * std::numbers::pi * 3 * n / 16) +
                      std::cos(2 * std::numbers::pi * 4 * n / 16 + 1) +
                      std::cos(2 * std::numbers::pi * 7 * n / 16 + 2));
    values.push_back(text);
  }
  const std::string data = dir.write("data.txt", lines(values));
  Session s;
  ASSERT_EQ(s.run(calculate_args(data, dir.path("out.txt"), "4", "16", "16", "0.5")).status, 0);
  const std::vector<std::string> report = split_lines(dir.read("out.txt"));
  ASSERT_EQ(report.size(), 6u + 3 + 3 + 1 + 3);
  EXPECT_EQ(report[6], ">>>>     3(  1080.0000deg)-> 1080 deg");
  EXPECT_EQ(report[9].substr(0, 11), ">>>>     4(");
  EXPECT_EQ(report[12], std::string(24, '-'));
  EXPECT_EQ(report[13].substr(0, 11), ">>>>     7(");
  for (int line : {7, 8, 10, 11, 14, 15}) EXPECT_EQ(occurrences(report[line], "dg"), 3u);
  EXPECT_EQ(report[15].substr(0, 9), "   0.0000");  // d-swing mean of a steady tone
}

}  // namespace
}  // namespace mulrin
