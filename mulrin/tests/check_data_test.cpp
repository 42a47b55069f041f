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

std::vector<std::string> check_args(const std::string& data, const std::string& subtract = "") {
  return {"--set", "EDIT3=#",  "--set",   "EDIT1=1",  "--set",   "EDIT2=12",
          "--set", "EDIT4=" + data, "--set", "EDIT11=" + subtract, "--set", "EDIT7=4",
          "--click", "BUTTON4", "--print", "TEXT6", "--print", "TEXT15"};
}

TEST(CheckData, HalfIsShownWithoutZeroBeforeThePoint) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"# head", "0.5", "-1.5", "0.25"}));
  Session s;
  const auto r = s.run(check_args(data));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 3\nmax: .5, min:-1.5.\n");
}

TEST(CheckData, AllNegativeValuesGiveANegativeMaximum) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"-3", "-2", "-2.75"}));
  Session s;
  EXPECT_EQ(s.run(check_args(data)).out, "Number of Data: 3\nmax:-2, min:-3.\n");
}

TEST(CheckData, RangeIsHeldInSinglePrecision) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"2.25", "1234567.8", "-0.1"}));
  Session s;
  EXPECT_EQ(s.run(check_args(data)).out, "Number of Data: 3\nmax: 1.23457E+06, min:-.1.\n");
}

TEST(CheckData, SubtractModelCorrectsTheValuesAtTheirSampleIndex) {
  // One entry of rate 0, phase 0 and amplitude A0 = 2: every value loses 2.
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"5", "5", "5"}));
  const std::string subtract = dir.write("sub.txt", lines({"deg=0", "0,0,2"}));
  Session s;
  const auto r = s.run(check_args(data, subtract));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Number of Data: 3\nmax: 3, min: 3.\n");
}

TEST(CheckData, SubtractDegreeAboveSixLeavesBothTexts) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"1"}));
  const std::string subtract = dir.write("sub.txt", lines({"deg=7", "1,2,3"}));
  Session s;
  const auto r = s.run(check_args(data, subtract));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Number of Data:0\n\n");
}

TEST(CheckData, SubtractTableWithZeroSamplesPerCycleIsDivisionByZero) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"1"}));
  const std::string subtract = dir.write("sub.txt", lines({"deg=0", "0,0,2"}));
  Session s;
  auto args = check_args(data, subtract);
  args[11] = "EDIT7=";
  EXPECT_EQ(s.run(args).error_code(), 11);
}

TEST(CheckData, EmptyFromIsErrorFiveAndTheTextsStay) {
  Scratch dir;
  const std::string data = dir.write("data.txt", lines({"# only a comment", "1"}));
  Session s;
  auto args = check_args(data);
  args[3] = "EDIT1=";
  const auto r = s.run(args);
  EXPECT_EQ(r.error_code(), 5);
  EXPECT_EQ(s.text("TEXT6"), "Number of Data:0");
  EXPECT_EQ(s.text("TEXT15"), "");
}

}  // namespace
}  // namespace mulrin
