// The Calculate run: its step order, its silent ends and its run-time errors,
// through the headless command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::calculate_args;
using testing::Scratch;
using testing::Session;

std::string numbers(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::to_string(i % 7) + "\r\n";
  return s;
}

// The data file is read once, yet the run behaves as if it counted first and
// read the values after: what the values would raise waits until the count
// is shown and found enough for a block; what the file itself raises comes
// first.
enum Old { kUnchecked, kGone, kKept, kHeaderOnly };

struct Case {
  const char* name;
  std::string data;
  const char *exponent, *step, *samples_per_cycle;
  std::string extra;  // one more field; '@' stands for the scratch folder
  int code;
  const char* count_text;  // TEXT6 afterwards, or null
  Old report;              // the report file, which held "old report" before
};

const std::string kBad = numbers(10) + "1E50\r\n";  // beyond the single range: error 6
const Case kCases[] = {
    {"CountBelowLength", numbers(7), "3", "1", "4", "", 0, "Number of Data: 7", kGone},
    {"BadValueButCountBelowLength", "1\r\n1E50\r\n2\r\n", "3", "2", "4", "", 0, "Number of Data: 3", kGone},
    {"BadValueAfterCountShown", kBad + numbers(10), "3", "2", "4", "", 6, "Number of Data: 21", kGone},
    {"LineTooLongAfterBadValue", kBad + std::string(40000, '7'), "3", "2", "4", "", 15, "Number of Data:0", kUnchecked},
    {"ExactlyOneBlock", numbers(10), "3", "4", "4", "", 5, nullptr, kGone},
    {"StepZeroBeforeAnythingIsTouched", numbers(64), "3", "0", "4", "", 11, "Number of Data:0", kKept},
    {"ExponentZeroAtFirstTransform", numbers(64), "00", "8", "4", "", 9, "Number of Data: 64", kGone},
    {"ValuePassErrorBeforeFirstTransform", numbers(20) + "1E50\r\n", "00", "8", "4", "", 6, nullptr, kUnchecked},
    {"NegativeStepAfterOldReportDeleted", numbers(64), "3", "-8", "4", "", 5, nullptr, kGone},
    {"TablesThatCannotFit", numbers(4096), "11", "0.0001", "4", "", 7, nullptr, kGone},
    {"SubtractDegreeAboveSix", numbers(64), "3", "8", "4", "EDIT11=@sub7.txt", 0, "Number of Data:0", kGone},
    {"EmptyFromAtFirstValueLine", numbers(64), "3", "8", "4", "EDIT1=", 5, "Number of Data: 64", kUnchecked},
    {"ZeroSamplesPerCycleAtFirstTimeLabel", numbers(64), "3", "8", "", "", 5, nullptr, kHeaderOnly},
};

TEST(Calculate, SilentEndsAndErrorsLeaveTheCountAndTheReportAsTheirStepDemands) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    const std::string data = dir.write("data.txt", c.data);
    dir.write("sub7.txt", "deg=7\r\n1,2,3\r\n");
    dir.write("out.txt", "old report");
    auto args = calculate_args(data, dir.path("out.txt"), c.exponent, c.step,
                               c.samples_per_cycle);
    std::string extra = c.extra;
    if (const auto at = extra.find('@'); at != std::string::npos) extra.replace(at, 1, dir.path(""));
    if (!extra.empty()) args.insert(args.end() - 2, {"--set", extra});
    Session s;
    const auto r = s.run(args);
    EXPECT_EQ(r.code(), c.code) << r.err;
    EXPECT_EQ(r.status, c.code ? 1 : 0);
    if (c.count_text) {
      EXPECT_EQ(s.text("TEXT6"), c.count_text);
    }
    const std::string after = dir.exists("out.txt") ? dir.read("out.txt") : "(none)";
    if (c.report == kGone || c.report == kKept) {
      EXPECT_EQ(after, c.report == kKept ? "old report" : "(none)");
    } else if (c.report == kHeaderOnly) {
      EXPECT_NE(after.find("--------------------------------\r\nAvg-Swing"), std::string::npos);
      EXPECT_EQ(after.find('\x1a'), std::string::npos);
    }
  }
}

TEST(Calculate, FiftyOneHundredLinesWithOneHundredCommentsLayEightBlocks) {
  Scratch dir;
  std::string text;
  for (int i = 0; i < 5100; ++i) text += i % 51 ? std::to_string(i % 13) + "\r\n" : "# comment\r\n";
  Session s;
  auto args = calculate_args(dir.write("data.txt", text), dir.path("out.txt"), "10", "512", "512");
  args.insert(args.end(), {"--print", "TEXT6"});
  const auto r = s.run(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 5000\n");
  const std::string report = dir.read("out.txt");
  EXPECT_NE(report.find("\r\nNumber of data 5000 \r\nLength of FFT 1024 \r\nStep for FFT-block 512 \r\n"),
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
  const std::string data = dir.write("data.txt", text);
  const auto r = Session().run(testing::words(
      "--set EDIT1=1 --set EDIT2=12 --set EDIT4=" + data + " --set EDIT5=10 --set EDIT6=512 --set EDIT7=100 "
      "--set EDIT8=0.5 --set EDIT9=" + dir.path("out.txt") + " --click BUTTON6 --print TEXT6"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 3000\n");
  EXPECT_EQ(dir.read("out.txt").substr(0, data.size() + 10), data + "( 1 - 12 )");
}

}  // namespace
}  // namespace mulrin
