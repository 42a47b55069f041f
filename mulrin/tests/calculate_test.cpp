// The Calculate run (its step order, its silent ends and its run-time errors)
// and "Check Data" (the count and the range of the corrected data), through
// the headless command line.
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
  std::string extra;  // one more field
  int code;
  const char* count_text;  // TEXT6 afterwards, or null
  Old report;              // the report file, which held "old report" before
};

const std::string kBad = numbers(10) + "1E50\r\n";  // beyond the single range: error 6
const Case kCases[] = {
    {"BadValueButCountBelowLength", "1\r\n1E50\r\n2\r\n", "3", "2", "4", "", 0, "Number of Data: 3",
     kGone},
    {"BadValueAfterCountShown", kBad + numbers(10), "3", "2", "4", "", 6, "Number of Data: 21",
     kGone},
    {"LineTooLongAfterBadValue", kBad + std::string(40000, '7'), "3", "2", "4", "", 15,
     "Number of Data:0", kUnchecked},
    {"StepZeroBeforeAnythingIsTouched", numbers(64), "3", "0", "4", "", 11, "Number of Data:0",
     kKept},
    {"ExponentZeroAtFirstTransform", numbers(64), "00", "8", "4", "", 9, "Number of Data: 64",
     kGone},
    {"ExactlyOneBlockHasNoChangeIs5", numbers(8), "3", "8", "4", "", 5, "Number of Data: 8", kGone},
    {"ValuePassErrorBeforeFirstTransform", numbers(20) + "1E50\r\n", "00", "8", "4", "", 6, nullptr,
     kUnchecked},
    {"NegativeStepAfterOldReportDeleted", numbers(64), "3", "-8", "4", "", 5, nullptr, kGone},
    {"TablesThatCannotFit", numbers(4096), "11", "0.0001", "4", "", 7, nullptr, kGone},
    {"EmptyFromAtFirstValueLine", numbers(64), "3", "8", "4", "EDIT1=", 5, "Number of Data: 64",
     kUnchecked},
    {"ZeroSamplesPerCycleAtFirstTimeLabel", numbers(64), "3", "8", "", "", 5, nullptr, kHeaderOnly},
};

TEST(Calculate, SilentEndsAndErrorsLeaveTheCountAndTheReportAsTheirStepDemands) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    const std::string data = dir.write("data.txt", c.data);
    dir.write("out.txt", "old report");
    auto args = calculate_args(data, dir.path("out.txt"), c.exponent, c.step, c.samples_per_cycle);
    if (!c.extra.empty()) args.insert(args.end() - 2, {"--set", c.extra});
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

TEST(CheckData, CountAndSinglePrecisionRangeOfTheCorrectedValues) {
  struct Row {
    const char *data, *subtract;  // lines by "|"
    const char *from, *samples_per_cycle;
    int code;
    const char* texts;  // TEXT6 and TEXT15 afterwards, or null
  };
  const Row rows[] = {
      {"# head|0.5|-1.5|0.25", "", "1", "4", 0, "Number of Data: 3\nmax: .5, min:-1.5."},
      {"-3|-2|-2.75", "", "1", "4", 0, "Number of Data: 3\nmax:-2, min:-3."},
      {"2.25|1234567.8|-0.1", "", "1", "4", 0, "Number of Data: 3\nmax: 1.23457E+06, min:-.1."},
      // one entry of rate 0 and phase 0, A0 = 2 and A1 = 4 over 4 samples a
      // cycle: the value of sample k (from 0) loses 2 + k
      {"5|5|5", "deg=1|0,0,2,4", "1", "4", 0, "Number of Data: 3\nmax: 3, min: 1."},
      {"1", "deg=7|1,2,3", "1", "4", 0, "Number of Data:0\n"},
      {"1", "deg=0|0,0,2", "1", "", 11, nullptr},
      {"# only a comment|1", "", "", "4", 5, "Number of Data:0\n"},
  };
  const auto file = [](std::string text) {  // each "|" a line end, and one at the end
    for (std::size_t at; (at = text.find('|')) != std::string::npos;) text.replace(at, 1, "\r\n");
    return text + "\r\n";
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.data);
    Scratch dir;
    const std::string data = dir.write("data.txt", file(row.data));
    const std::string subtract = *row.subtract ? dir.write("sub.txt", file(row.subtract)) : "";
    Session s;
    const auto r =
        s.run({"--set", "EDIT3=#", "--set", std::string("EDIT1=") + row.from, "--set", "EDIT2=12",
               "--set", "EDIT4=" + data, "--set", "EDIT11=" + subtract, "--set",
               std::string("EDIT7=") + row.samples_per_cycle, "--click", "BUTTON4"});
    EXPECT_EQ(r.code(), row.code) << r.err;
    if (row.texts) {
      EXPECT_EQ(s.text("TEXT6") + "\n" + s.text("TEXT15"), row.texts);
    }
  }
}

}  // namespace
}  // namespace mulrin
