// "Check Data": the count and the range of the corrected data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::lines;
using testing::Scratch;
using testing::Session;

TEST(CheckData, CountAndSinglePrecisionRangeOfTheCorrectedValues) {
  struct Row {
    std::vector<std::string> data, subtract;
    const char *from, *samples_per_cycle;
    int code;
    const char* texts;  // TEXT6 and TEXT15 afterwards, or null
  };
  const Row rows[] = {
      {{"# head", "0.5", "-1.5", "0.25"}, {}, "1", "4", 0, "Number of Data: 3\nmax: .5, min:-1.5."},
      {{"-3", "-2", "-2.75"}, {}, "1", "4", 0, "Number of Data: 3\nmax:-2, min:-3."},
      {{"2.25", "1234567.8", "-0.1"},
       {},
       "1",
       "4",
       0,
       "Number of Data: 3\nmax: 1.23457E+06, min:-.1."},
      // one entry of rate 0, phase 0 and amplitude 2: every value loses 2
      {{"5", "5", "5"}, {"deg=0", "0,0,2"}, "1", "4", 0, "Number of Data: 3\nmax: 3, min: 3."},
      {{"1"}, {"deg=7", "1,2,3"}, "1", "4", 0, "Number of Data:0\n"},
      {{"1"}, {"deg=0", "0,0,2"}, "1", "", 11, nullptr},
      {{"# only a comment", "1"}, {}, "", "4", 5, "Number of Data:0\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.data.back());
    Scratch dir;
    const std::string data = dir.write("data.txt", lines(row.data));
    const std::string subtract =
        row.subtract.empty() ? "" : dir.write("sub.txt", lines(row.subtract));
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
