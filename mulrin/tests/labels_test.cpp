// The FFT-length and resolution labels, the form table and the Refer, LOAD
// and SAVE handlers.
#include <gtest/gtest.h>

#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::Scratch;
using testing::Session;

TEST(ResolutionText, ZeroBelowOneAndFromOne) {
  EXPECT_EQ(resolution_text(0), "0deg");
  EXPECT_EQ(resolution_text(0.3515625), "0.35156deg");
  EXPECT_EQ(resolution_text(0.0439453125), "0.04395deg");
  EXPECT_EQ(resolution_text(0.000005), "0.00001deg");  // half away from zero
  EXPECT_EQ(resolution_text(0.9999949), "0.99999deg");
  EXPECT_EQ(resolution_text(1.40625), "1.4063deg");
  EXPECT_EQ(resolution_text(360), "360deg");
  EXPECT_EQ(resolution_text(-0.3515625), "0.35156deg");  // the sign position is dropped
}

TEST(ResolutionText, JustBelowOneThatRoundsToOneShowsOneDegree) {
  // The five-place form would need six digits here.
  EXPECT_EQ(resolution_text(0.999995), "1deg");
  EXPECT_EQ(resolution_text(0.9999999), "1deg");
}

TEST(ResolutionText, ValuesBeyondThirtyTwoBitsAreShownNotAnError) {
  EXPECT_EQ(resolution_text(214920), "214920deg");  // 597 samples per cycle, N = 1
  EXPECT_EQ(resolution_text(-50000), "0.5000000000deg");
}

TEST(Labels, FreshWindowShowsTheTableTexts) {
  Session s;
  EXPECT_EQ(s.text("EDIT5"), "00");
  EXPECT_EQ(s.text("TEXT8"), "=1");
  EXPECT_EQ(s.text("TEXT14"), "");
  EXPECT_EQ(s.text("TEXT6"), "Number of Data:0");
  EXPECT_EQ(s.text("EDIT9"), "");
}

TEST(Labels, LengthAndResolutionFollowTheFields) {
  Session s;
  const auto r = s.run({"--set", "EDIT7=360", "--print", "TEXT8", "--print", "TEXT14",  // N = 1
                        "--set", "EDIT5=10", "--print", "TEXT8", "--print", "TEXT14",
                        "--set", "exponent=12", "--set", "samples-per-cycle=32", "--print",
                        "fft-length", "--print", "resolution", "--set", "EDIT5=10", "--set",
                        "EDIT7=1", "--print", "TEXT14", "--set", "EDIT7=", "--print", "TEXT14",
                        "--set", "EDIT5=20", "--print", "TEXT8", "--set", "EDIT5=",
                        "--print", "TEXT8", "--set", "EDIT5=00", "--print", "TEXT8"});
  EXPECT_EQ(r.out,
            "=1\nResol=129600deg\n"
            "=1024\nResol=126.5625deg\n"
            "=4096\nResol=2.8125deg\n"
            "Resol=0.35156deg\n"
            "Resol=0deg\n"
            "=1.04858E+06\n"
            "=1\n=1\n");
}

TEST(Labels, TypingOneThenTwoUpdatesAfterEachKey) {
  Session s;
  const auto r = s.run({"--set", "EDIT7=100", "--set", "EDIT5=", "--set", "EDIT5=1", "--print",
                        "TEXT8", "--print", "TEXT14", "--set", "EDIT5=12", "--print", "TEXT8",
                        "--print", "TEXT14"});
  EXPECT_EQ(r.out, "=2\nResol=18000deg\n=4096\nResol=8.7891deg\n");
}

TEST(Labels, LargeSamplesPerCycleWithExponentZeroDoesNotEndTheProgram) {
  Session s;
  const auto r = s.run({"--set", "EDIT7=597", "--print", "TEXT14", "--set",
                        "EDIT7=123456789012", "--print", "TEXT14"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Resol=214920deg\nResol=44444444044320deg\n");
}

TEST(FormTable, ThirtySixControlsEachWithItsOwnAlias) {
  ASSERT_EQ(kForm.controls.size(), 36u);
  for (std::size_t i = 0; i < kForm.controls.size(); ++i) {
    EXPECT_FALSE(kForm.controls[i].alias.empty()) << kForm.controls[i].name;
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(kForm.controls[i].name, kForm.controls[j].name);
      EXPECT_NE(kForm.controls[i].alias, kForm.controls[j].alias);
    }
  }
}

TEST(Refer, ChosenPathsGoIntoTheirFields) {
  Scratch dir;
  const std::string data = dir.write("data file.txt", "1\r\n");
  const std::string subtract = dir.write("sub.txt", "#\r\n");
  Session s;
  const auto r = s.run({"--choose", data, "--click", "refer-data", "--choose", subtract,
                        "--click", "refer-subtract", "--choose", dir.path("report.txt"),
                        "--click", "refer-report", "--print", "EDIT4", "--print", "EDIT11",
                        "--print", "EDIT9"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, data + "\n" + subtract + "\n" + dir.path("report.txt") + "\n");
}

TEST(Refer, CancelledDialogsChangeNothing) {
  Session s;
  const auto r = s.run({"--set", "EDIT4=keep", "--click", "BUTTON3", "--click", "BUTTON5",
                        "--click", "BUTTON7", "--click", "BUTTON1", "--click", "BUTTON2",
                        "--print", "EDIT4", "--print", "EDIT9", "--print", "EDIT11"});
  EXPECT_EQ(r.out, "keep\n\n\n");
}

TEST(Settings, SaveThenLoadRestoresAllTenFieldsAndUpdatesTheLabels) {
  Scratch dir;
  const std::string ini = dir.path("setting.ini");
  Session s;
  std::vector<std::string> args = {"--set", "EDIT1=9",  "--set", "EDIT2=12", "--set",
                                   "EDIT3=#",  "--set", "EDIT4=a, b.txt", "--set", "EDIT5=10",
                                   "--set", "EDIT6=",   "--set", "EDIT7=360", "--set",
                                   "EDIT8=0.5", "--set", "EDIT9=out.txt", "--set", "EDIT10=-1.5",
                                   "--set", "EDIT11=sub.txt", "--choose", ini, "--click", "save"};
  ASSERT_EQ(s.run(args).status, 0);
  EXPECT_EQ(dir.read("setting.ini"),
            "9\r\n12\r\n#\r\na, b.txt\r\n10\r\n\r\n360\r\n0.5\r\nout.txt\r\n-1.5\r\n\x1a");

  Session fresh;
  const auto r = fresh.run({"--choose", ini, "--click", "load", "--print", "EDIT1", "--print",
                            "EDIT4", "--print", "EDIT6", "--print", "EDIT10", "--print", "EDIT11",
                            "--print", "TEXT8", "--print", "TEXT14"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "9\na, b.txt\n\n-1.5\n\n=1024\nResol=126.5625deg\n");
}

}  // namespace
}  // namespace mulrin
