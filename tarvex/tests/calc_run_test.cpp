// "Calc." runs end to end through the command line, with whole reports
// compared byte for byte against texts worked out from the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::crlf_lines;
namespace fs = std::filesystem;

const std::string kHeader =
    "cycle-----)Swing------,Phase-------:d-Swing----,d-Phase-----:d-Vec(Lng)-,d-Vec(Ang)--";
const std::string kHead = crlf_lines({"data.txt( 1 - 10 )", "Angular Speed: 360 ", kHeader});

// Five interval vectors on the circle of centre (1, 1) and radius 5:
// (6, 1), (4, 5), (-2, 5), (-3, -2), (4, -3). At 4 samples per cycle the
// samples x, -y, -x, y of one cycle have the interval vector (x, y).
const std::vector<std::string> kCircle = {"6", "-1", "-6", "1", "4", "-5", "-4", "5", "-2", "-5",
                                          "2", "5",  "-3", "2", "3", "-2", "4",  "3", "-4", "-3"};
// Swings sqrt(37), sqrt(41), sqrt(29), sqrt(13), 5; difference vectors
// (-2, 4), (-6, 0), (-1, -7), (7, -1); their averages and population
// deviations over n = 4; every pair of chords crossing at (1, 1).
const std::string kRow0 =
    "    0.5000)    6.08276,   9.4623deg:-----.-----,----.----deg:-----.-----,----.----deg";
const std::string kCircleRows = crlf_lines(
    {kRow0, "    1.5000)    6.40312,  51.3402deg:    0.32036,  41.8779deg:    4.47214, 116.5651deg",
     "    2.5000)    5.38516, 111.8014deg:   -1.01796,  60.4612deg:    6.00000, 180.0000deg",
     "    3.5000)    3.60555, 213.6901deg:   -1.77961, 101.8887deg:    7.07107, 261.8699deg",
     "    4.5000)    5.00000, 323.1301deg:    1.39445, 109.4400deg:    7.07107, 351.8699deg"});
std::string circle_tail(const std::string& file_swing) {
  return crlf_lines({kHeader,
                     "Average---)    " + file_swing +
                         ",  33.6901deg:   -0.27069,  78.4169deg:    6.15357, 227.5762deg",
                     "          )---Standard Deviation---:    1.22038,  28.1552deg:    1.06471,  "
                     "88.3345deg",
                     "Pole data-)    1.41421,  45.0000deg"}) +
         "\x1a";
}
const std::string kZeroDeviation =
    "          )---Standard Deviation---:    0.00000,   0.0000deg:    0.00000,   0.0000deg";

std::string circle_data(int offset = 0) {
  std::string text;
  for (const std::string& v : kCircle) text += std::to_string(std::stoi(v) + offset) + "\r\n";
  return text;
}

// Values in columns 9-20 behind a time prefix, lines ended by CR alone,
// comment lines, two samples of 0 left in an open interval at the end.
std::string column_data() {
  std::string text = "# header\r";
  for (std::size_t i = 0; i < kCircle.size(); ++i) {
    const std::string value = kCircle[i] + ".000";
    text += "00:00:0" + std::to_string(i % 10) + std::string(12 - value.size(), ' ') + value + "\r";
    if (i == 5) text += "# between\r";
  }
  return text + "00:00:20       0.000\r00:00:21      -0.000\r# end";
}

struct TarvexCalc : ::testing::Test {
  testing::Scratch dir;
  fs::path previous = fs::current_path();
  void SetUp() override { fs::current_path(dir.dir()); }
  void TearDown() override { fs::current_path(previous); }

  // Runs "Calc." on data.txt at 4 samples per cycle, one cycle per interval,
  // columns 1-10, with `sets` after those.
  // `sets`: "NAME=TEXT" by spaces.
  int calc(testing::Harness& h, const std::string& sets) {
    std::vector<std::string> args;
    for (const std::string& s :
         testing::words("EDIT2=1 EDIT3=10 EDIT4=data.txt EDIT5=4 EDIT8=1 EDIT9=out.txt " + sets))
      args.insert(args.end(), {"--set", s});
    args.insert(args.end(), {"--click", "BUTTON5", "--print", "EDIT12"});
    return h.run(args);
  }
};

TEST_F(TarvexCalc, WholeReportsAndErrorsWithThePartialReportLeft) {
  const struct {
    const char* name;
    std::string data, subtract, before;
    const char* sets;
    int code;
    std::string report, out;  // report "-": no report file
  } cases[] = {
      {"circle", circle_data(), "", std::string(5000, 'Q'), "", 0,
       kHead + kCircleRows + circle_tail("2.16333"), "+33.690068deg,+2.1633308\n"},
      // 22 samples: the whole-file swing is sqrt(18^2 + 12^2) / 22 * 2.
      {"comments, column cut, CR-only lines", column_data(), "", "",
       "comment-mark=# from=9 letters=12 samples-per-cycle=4 file-interval=1", 0,
       crlf_lines({"data.txt( 9 - 20 )", "Angular Speed: 360 ", kHeader}) + kCircleRows +
           circle_tail("1.96666"),
       "+33.690068deg,+1.9666643\n"},
      {"subtract file removing a constant 1", circle_data(1), "deg=0\r\n0,0,1\r\n#\r\n90,0,5\r\n",
       "", "EDIT13=sub.txt", 0,
       crlf_lines({"data.txt( 1 - 10 )", "  with sub.txt", "Angular Speed: 360 ", kHeader}) +
           kCircleRows + circle_tail("2.16333"),
       "+33.690068deg,+2.1633308\n"},
      {"fewer samples than one interval", "1\r\n2\r\n3\r\n", "", "", "", 0,
       kHead + kHeader +
           "\r\nAverage---)    1.88562, 225.0000deg:    0.00000,   0.0000deg:    "
           "0.00000,   0.0000deg\r\n" +
           kZeroDeviation + "\r\n\x1a",
       "+225deg,+1.8856181\n"},
      {"exactly one interval", "6\r\n-1\r\n-6\r\n1\r\n", "", "", "", 5,
       kHead + crlf_lines({kRow0, kHeader}) + "Average---)    6.08276,   9.4623deg:", ""},
      {"no data line", "#a\r\n#b\r\n", "", "", "EDIT1=#", 5, kHead, ""},
      {"empty from", "1\r\n2\r\n", "", "", "EDIT2= EDIT3=", 5,
       crlf_lines({"data.txt( 0 --1 )", "Angular Speed: 360 ", kHeader}), ""},
      {"empty samples per cycle", circle_data(), "", "", "EDIT5=", 11, "-", ""},
      {"zero speed and samples per cycle", circle_data(), "", "", "EDIT5= EDIT10=0", 5, "-", ""},
      {"missing data file", "", "", "old report", "EDIT4=missing.txt", 63, "old report", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove("out.txt");
    testing::write_file("data.txt", c.data);
    testing::write_file("sub.txt", c.subtract);
    if (!c.before.empty()) testing::write_file("out.txt", c.before);
    testing::Harness h;
    EXPECT_EQ(calc(h, c.sets), c.code == 0 ? 0 : 1) << h.err;
    if (c.code) {
      EXPECT_NE(h.err.find("エラー[" + std::to_string(c.code) + "]"), std::string::npos) << h.err;
    }
    EXPECT_EQ(fs::exists("out.txt") ? testing::read_file("out.txt") : "-", c.report);
    EXPECT_EQ(h.out, c.out);
  }
}

// Every chord pair of the circle data crosses at (1, 1): at display factor
// 10 each estimate is a silver pixel at (440, 210), then the pole a yellow
// circle of radius 3 there.
TEST_F(TarvexCalc, PoleEstimatesAreMarkedInTheCycleDisplay) {
  testing::write_file("data.txt", circle_data());
  testing::Harness h;
  ASSERT_EQ(calc(h, "EDIT11=10"), 0) << h.err;
  const auto& calls = h.surface.calls;
  ASSERT_GE(calls.size(), 2u);
  for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
    const auto& c = calls[i];
    EXPECT_TRUE(c.op == frame::RecordingSurface::Op::Pixel && c.colour == 14 &&
                std::abs(c.x1 - 440) < 1e-3f && std::abs(c.y1 - 210) < 1e-3f)
        << i;
  }
  const auto& circle = calls.back();
  EXPECT_TRUE(circle.op == frame::RecordingSurface::Op::Circle && circle.colour == 13 &&
              circle.x2 == 3 && std::abs(circle.x1 - 440) < 1e-3f &&
              std::abs(circle.y1 - 210) < 1e-3f);
}

// Collinear interval vectors: every pair of chords is parallel, no estimate.
TEST_F(TarvexCalc, CollinearVectorsGiveNoPoleRow) {
  testing::write_file(
      "data.txt", crlf_lines({"1", "-1", "-1", "1", "2", "-2", "-2", "2", "3", "-3", "-3", "3"}));
  testing::Harness h;
  ASSERT_EQ(calc(h, ""), 0) << h.err;
  const std::string text = testing::read_file("out.txt");
  EXPECT_NE(text.find("Standard Deviation"), std::string::npos);
  EXPECT_EQ(text.find("Pole"), std::string::npos);
}

}  // namespace
}  // namespace tarvex
