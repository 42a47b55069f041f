// The FFT-length and resolution labels, the form table and the Refer, LOAD
// and SAVE handlers.
#include <gtest/gtest.h>

#include "mulrin/app.h"
#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::Scratch;
using testing::Session;
using testing::words;

TEST(ResolutionText, FivePlacesBelowOneFourFiguresFromOne) {
  const std::pair<double, const char*> rows[] = {
      {0, "0deg"},
      {0.0439453125, "0.04395deg"},
      {0.000005, "0.00001deg"},  // half away from zero
      {0.9999949, "0.99999deg"},
      {0.999995, "1deg"},
      {1.40625, "1.4063deg"},
      {360, "360deg"},
      {-0.3515625, "0.35156deg"},  // sign position dropped
      {214920, "214920deg"},
      {-50000, "0.5000000000deg"},  // beyond 32 bits: shown, no error
  };
  for (const auto& [value, text] : rows) EXPECT_EQ(resolution_text(value), text) << value;
}

// Each row types the exponent, then the samples per cycle, into one window
// (aliases and names alike); the labels follow after every key.
TEST(Labels, LengthAndResolutionFollowTheFields) {
  const char* rows[][4] = {
      {"00", "360", "=1", "Resol=129600deg"},
      {"10", "360", "=1024", "Resol=126.5625deg"},
      {"10", "", "=1024", "Resol=0deg"},
      {"20", "", "=1.04858E+06", "Resol=0deg"},
      {"", "100", "=1", "Resol=36000deg"},
      {"1", "100", "=2", "Resol=18000deg"},
      {"00", "123456789012", "=1", "Resol=44444444044320deg"},
  };
  Session s;
  EXPECT_EQ(
      s.run(words("--print EDIT5 --print TEXT8 --print TEXT14 --print TEXT6 --print EDIT9")).out,
      "00\n=1\n\nNumber of Data:0\n\n");
  for (const auto& row : rows) {
    const auto r =
        s.run({"--set", std::string("exponent=") + row[0], "--set", std::string("EDIT7=") + row[1],
               "--print", "fft-length", "--print", "TEXT14"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(row[2]) + "\n" + row[3] + "\n") << row[0] << " " << row[1];
  }
}

TEST(Refer, ChosenPathsGoIntoTheirFieldsAndCancelledDialogsChangeNothing) {
  Scratch dir;
  const std::string data = dir.write("data.txt", "1\r\n"), report = dir.path("report.txt");
  Session s;
  const auto r =
      s.run(words("--set EDIT11=keep --click BUTTON1 --click BUTTON2 --click BUTTON7 "
                  "--choose " +
                  data + " --click refer-data --choose " + report +
                  " --click refer-report --click BUTTON3 --click BUTTON5 "
                  "--print EDIT4 --print EDIT11 --print EDIT9"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, data + "\nkeep\n" + report + "\n");
}

TEST(Settings, SaveThenLoadRestoresAllTenFieldsAndUpdatesTheLabels) {
  Scratch dir;
  const std::string ini = dir.path("setting.ini");
  Session s;
  auto args = words(
      "--set EDIT1=9 --set EDIT2=12 --set EDIT3=# --set EDIT5=10 --set EDIT6= "
      "--set EDIT7=360 --set EDIT8=0.5 --set EDIT9=out.txt --set EDIT10=-1.5 "
      "--set EDIT11=sub.txt --choose " +
      ini + " --click save");
  args.insert(args.begin(), {"--set", "EDIT4=a, b.txt"});
  ASSERT_EQ(s.run(args).status, 0);
  EXPECT_EQ(dir.read("setting.ini"),
            "9\r\n12\r\n#\r\na, b.txt\r\n10\r\n\r\n360\r\n0.5\r\nout.txt\r\n-1.5\r\n\x1a");
  Session fresh;
  const auto r =
      fresh.run(words("--choose " + ini +
                      " --click load --print EDIT1 --print EDIT4 "
                      "--print EDIT6 --print EDIT10 --print EDIT11 --print TEXT8 --print TEXT14"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "9\na, b.txt\n\n-1.5\n\n=1024\nResol=126.5625deg\n");
}

}  // namespace
}  // namespace mulrin
