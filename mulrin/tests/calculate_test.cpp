// The Calculate run: its step order, its silent ends and its run-time errors,
// through the headless command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::lines;
using testing::Scratch;
using testing::Session;

// Fields of a run over `data` writing `report`; more --set pairs may follow.
std::vector<std::string> fields(const std::string& data, const std::string& report,
                                const std::string& exponent, const std::string& step,
                                const std::string& samples_per_cycle = "4") {
  return {"--set", "EDIT3=#",         "--set", "EDIT1=1", "--set", "EDIT2=12",
          "--set", "EDIT4=" + data,   "--set", "EDIT5=" + exponent,
          "--set", "EDIT6=" + step,   "--set", "EDIT7=" + samples_per_cycle,
          "--set", "EDIT8=0.5",       "--set", "EDIT9=" + report};
}

std::vector<std::string> with_click(std::vector<std::string> args) {
  args.push_back("--click");
  args.push_back("BUTTON6");
  return args;
}

std::string numbers(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::to_string(i % 7) + "\r\n";
  return s;
}

// Cases where one reading of the data file must behave as two: what the
// second reading would raise waits until the count is shown and found
// enough for a block; what the first would raise comes first.
class Readings : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Calculate, Readings, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "One" : "Two"; });

TEST_P(Readings, FiftyOneHundredLinesWithOneHundredCommentsLayEightBlocks) {
  Scratch dir;
  std::string text;
  for (int i = 0; i < 5100; ++i) {
    text += i % 51 == 0 ? "# comment\r\n" : std::to_string(i % 13) + "\r\n";
  }
  const std::string data = dir.write("data.txt", text);
  Session s;
  s.app.one_reading = GetParam();
  auto args = with_click(fields(data, dir.path("out.txt"), "10", "512", "512"));
  args.insert(args.end(), {"--print", "TEXT6"});
  const auto r = s.run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 5000\n");
  const std::string report = dir.read("out.txt");
  EXPECT_NE(report.find("\r\nNumber of data 5000 \r\nLength of FFT 1024 \r\n"
                        "Step for FFT-block 512 \r\n"),
            std::string::npos);
  // Blocks at samples 0, 512, ..., 3584: at 512 samples per cycle, cycles 0 .. 7.
  std::string heading = "Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase";
  for (int b = 0; b < 8; ++b) heading += ":      " + std::to_string(b) + ".0000cycle----";
  EXPECT_NE(report.find("\r\n" + heading + "\r\n"), std::string::npos);
}

TEST(Calculate, CommandLineOfTheUsersGuideWritesTheReport) {
  Scratch dir;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "  " + std::to_string((i * 37) % 101) + ".25\r\n";
  dir.write("data.txt", text);
  Session s;
  const auto r = s.run({"--set", "EDIT1=1", "--set", "EDIT2=12", "--set",
                        "EDIT4=" + dir.path("data.txt"), "--set", "EDIT5=10", "--set",
                        "EDIT6=512", "--set", "EDIT7=100", "--set", "EDIT8=0.5", "--set",
                        "EDIT9=" + dir.path("out.txt"), "--click", "BUTTON6", "--print",
                        "TEXT6"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 3000\n");
  EXPECT_EQ(dir.read("out.txt").substr(0, dir.path("data.txt").size() + 10),
            dir.path("data.txt") + "( 1 - 12 )");
}

TEST(Calculate, CountBelowTheLengthEndsSilentlyWithoutReportAndOldReportGone) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(7));
  dir.write("out.txt", "old report");
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "1")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 7");
  EXPECT_FALSE(dir.exists("out.txt"));
}

TEST_P(Readings, BadValueIsNotAnErrorWhenTheCountIsBelowTheLength) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"1", "1E50", "2", "3", "4"}));
  Session s;
  s.app.one_reading = GetParam();
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "2")));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 5");
}

TEST_P(Readings, BadValueIsRaisedAfterTheCountIsShown) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(10) + "1E50\r\n" + numbers(10));
  Session s;
  s.app.one_reading = GetParam();
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "2")));
  EXPECT_EQ(r.error_code(), 6);
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 21");
  EXPECT_FALSE(dir.exists("out.txt"));
}

TEST_P(Readings, LineTooLongAfterABadValueIsTheCountingError) {
  Scratch dir;
  const std::string data =
      dir.write("data.txt", numbers(10) + "1E50\r\n" + std::string(40000, '7') + "\r\n");
  Session s;
  s.app.one_reading = GetParam();
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "2")));
  EXPECT_EQ(r.error_code(), 15);
  EXPECT_EQ(s.text("TEXT6"), "Number of Data:0");
}

TEST_P(Readings, ExactlyOneBlockIsErrorFiveBeforeTheReport) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(10));
  dir.write("out.txt", "old report");
  Session s;
  s.app.one_reading = GetParam();
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "4")));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.error_code(), 5);
  EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(Calculate, StepZeroIsDivisionByZeroBeforeAnythingIsTouched) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  dir.write("out.txt", "old report");
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "0")));
  EXPECT_EQ(r.error_code(), 11);
  EXPECT_EQ(dir.read("out.txt"), "old report");
  EXPECT_EQ(s.text("TEXT6"), "Number of Data:0");
}

TEST(Calculate, ExponentZeroIsSubscriptErrorAtTheFirstTransform) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  dir.write("out.txt", "old report");
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "00", "8")));
  EXPECT_EQ(r.error_code(), 9);
  EXPECT_FALSE(dir.exists("out.txt"));
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 64");
}

TEST(Calculate, ValuePassErrorsComeBeforeTheFirstTransformFails) {
  // A value beyond the single range (error 6) on the last line is met by the
  // value pass, which reads the whole file before the blocks are transformed.
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(20) + "1E50\r\n");
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "00", "8")));
  EXPECT_EQ(r.error_code(), 6);
}

TEST(Calculate, NegativeStepIsInvalidOperationAfterTheOldReportIsDeleted) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  dir.write("out.txt", "old report");
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "-8")));
  EXPECT_EQ(r.error_code(), 5);
  EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(Calculate, TablesThatCannotFitAreErrorSeven) {
  // 2048 / 0.0001 = 20 million blocks of 1024 bins.
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(4096));
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "11", "0.0001")));
  EXPECT_EQ(r.error_code(), 7);
  EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(Calculate, SubtractDegreeAboveSixEndsSilentlyAfterDeletingTheOldReport) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  const std::string subtract = dir.write("sub.txt", "deg=7\r\n1,2,3\r\n");
  dir.write("out.txt", "old report");
  Session s;
  auto args = fields(data, dir.path("out.txt"), "3", "8");
  args.insert(args.end(), {"--set", "EDIT11=" + subtract});
  const auto r = s.run(with_click(args));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(dir.exists("out.txt"));
  EXPECT_EQ(s.text("TEXT6"), "Number of Data:0");
}

TEST(Calculate, EmptyFromIsErrorFiveAtTheFirstDataLineOfTheValuePass) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  Session s;
  auto args = fields(data, dir.path("out.txt"), "3", "8");
  args[3] = "EDIT1=";
  const auto r = s.run(with_click(args));
  EXPECT_EQ(r.error_code(), 5);
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 64");  // the count pass does not cut columns
}

TEST(Calculate, ZeroSamplesPerCycleFailsAtTheFirstTimeLabelWithTheHeaderWritten) {
  Scratch dir;
  const std::string data = dir.write("data.txt", numbers(64));
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "3", "8", "")));
  EXPECT_EQ(r.error_code(), 5);  // (0 * step - 0) / 0
  const std::string report = dir.read("out.txt");
  EXPECT_NE(report.find("--------------------------------\r\nAvg-Swing"), std::string::npos);
  EXPECT_EQ(report.find('\x1a'), std::string::npos);
}

TEST(Calculate, CountIsExactBeyondTheSinglePrecisionRange) {
  if (!std::getenv("MULRIN_LONG_TESTS")) GTEST_SKIP() << "set MULRIN_LONG_TESTS=1";
  Scratch dir;
  const std::size_t count = (std::size_t{1} << 24) + 2;
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) text += i % 2 ? "3\r" : "1\r";
  const std::string data = dir.write("data.txt", text);
  text.clear();
  Session s;
  const auto r = s.run(with_click(fields(data, dir.path("out.txt"), "1", "8388608", "1")));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 1.67772E+07");
  const std::string report = dir.read("out.txt");
  EXPECT_NE(report.find("Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase"
                        ":      0.0000cycle----:8388608.0000cycle----:% 16777216cycle----\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace mulrin
