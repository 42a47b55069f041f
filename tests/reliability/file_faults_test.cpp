// Faults of the file system met by the real programs: each ends the run with
// its run-time error, the message, the last-error record and exit status 1,
// and every file the run was not meant to replace is still there, unchanged.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support.h"
#include "tarvex/app.h"

namespace reliability {
namespace {

using ArgsFor = Args (*)(const std::string& report);

Args tarvex_calc(const std::string& report) {
  return click(tarvex_fields("data.txt", report), "calc");
}
Args mulrin_calc(const std::string& report) {
  return click(mulrin_fields("data.txt", report), "calculate");
}
Args mulrin_save(const std::string& settings) {  // a 300-character data file name
  return {"--set", "data-file=" + std::string(300, 'd'), "--choose", settings, "--click", "save"};
}

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.put("data.txt", sine_data(2000));
    folder_.put("notes.txt", "not part of any run\r\n");
  }
  Ended run(bool mulrin, const Args& args, const Limits& limits = {}) {
    return run_program(mulrin ? mulrin_program() : tarvex_program(), args, folder_, limits);
  }
  // Status 1, the message and the record of `code`.
  static void expect_error(const Ended& run, bool mulrin, int code) {
    const std::string program = mulrin ? "mulrin" : "tarvex";
    EXPECT_EQ(run.signal, 0) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.code(), code) << run.err;
    EXPECT_TRUE(run.err.starts_with("\r\n" + program + " [")) << run.err;
    EXPECT_NE(run.record.find("MODL=" + program + "\n"), std::string::npos) << run.record;
    EXPECT_NE(run.record.find("CODE=" + std::to_string(code) + "\n"), std::string::npos)
        << run.record;
  }
  Folder folder_;
};

// ---- paths that cannot be used: nothing on disk changes -------------------------

struct PathFault {
  const char* name;
  bool mulrin;
  const char* in_folder;  // a file put into a folder, so the folder exists, or nullptr
  const char* old_file;   // an earlier file, or nullptr
  bool read_only;         // the earlier file may be written by nobody
  Args args;
  int code;
};

class Paths : public FileFaults, public ::testing::WithParamInterface<PathFault> {};

TEST_P(Paths, EndWithTheirCodeAndChangeNothing) {
  const PathFault& p = GetParam();
  if (p.in_folder) folder_.put(p.in_folder, "kept\r\n");
  if (p.old_file) folder_.put(p.old_file, "the report of an earlier run\r\n\x1a");
  if (p.read_only) ::chmod((folder_ / p.old_file).c_str(), 0444);
  if (std::string(p.name).find("FullDevice") != std::string::npos && !fs::exists("/dev/full"))
    GTEST_SKIP();
  const auto before = folder_.picture();
  expect_error(run(p.mulrin, p.args), p.mulrin, p.code);
  EXPECT_EQ(folder_.picture(), before);
}

const PathFault kPathFaults[] = {
    {"TarvexReportInMissingFolderIs63", false, nullptr, nullptr, false,
     tarvex_calc("nowhere/report.txt"), 63},
    {"MulrinReportInMissingFolderIs63", true, nullptr, nullptr, false,
     mulrin_calc("nowhere/report.txt"), 63},
    {"TarvexFolderAsDataFileIs75", false, "series/inside.txt", nullptr, false,
     click(with({}, {{"data-file", "series"}}), "check"), 75},
    {"MulrinFolderAsDataFileIs75", true, "series/inside.txt", nullptr, false,
     click(with({}, {{"data-file", "series"}}), "check-data"), 75},
    {"TarvexFolderAsDataFileKeepsTheOldReport", false, "series/inside.txt", "report.txt", false,
     click(tarvex_fields("series", "report.txt"), "calc"), 75},
    {"TarvexFolderAsReportIs55", false, "report.txt/inside.txt", nullptr, false,
     tarvex_calc("report.txt"), 55},
    {"MulrinFolderAsReportIs55", true, "report.txt/inside.txt", nullptr, false,
     mulrin_calc("report.txt"), 55},
    // The file layer refuses to delete a file nobody may write, also for a
    // user whom the permissions would not stop.
    {"TarvexReadOnlyOldReportIs75AndKept", false, nullptr, "report.txt", true,
     tarvex_calc("report.txt"), 75},
    {"MulrinReadOnlyOldReportIs75AndKept", true, nullptr, "report.txt", true,
     mulrin_calc("report.txt"), 75},
    {"MulrinSaveOverReadOnlySettingsIs75AndKept", true, nullptr, "setting.ini", true,
     mulrin_save("setting.ini"), 75},
    // A device is no disk file: the deletion of the old file refuses it.
    {"TarvexFullDeviceAsReportIs55", false, nullptr, nullptr, false, tarvex_calc("/dev/full"), 55},
    {"MulrinFullDeviceAsReportIs55", true, nullptr, nullptr, false, mulrin_calc("/dev/full"), 55},
    // Nor is a device a data file: /dev/zero would never end.
    {"TarvexDeviceAsDataFileIs55", false, nullptr, nullptr, false,
     click(with({}, {{"data-file", "/dev/zero"}}), "check"), 55},
};
INSTANTIATE_TEST_SUITE_P(FileFaults, Paths, ::testing::ValuesIn(kPathFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a full disk: 67, and the bytes it took are the start of the whole file ------

struct DiskFull {
  const char* name;
  bool mulrin;
  ArgsFor args;
  rlim_t takes;  // the bytes the disk takes
};

class FullDisk : public FileFaults, public ::testing::WithParamInterface<DiskFull> {};

TEST_P(FullDisk, EndsWith67KeepingWhatWasWritten) {
  const DiskFull& d = GetParam();
  const Ended whole_run = run(d.mulrin, d.args("whole.txt"));
  ASSERT_EQ(whole_run.status, 0) << whole_run.err;
  const std::string whole = folder_.read("whole.txt");
  ASSERT_GT(whole.size(), d.takes);
  const auto before = folder_.picture();
  Limits limits;
  limits.file_size = d.takes;
  expect_error(run(d.mulrin, d.args("out.txt"), limits), d.mulrin, 67);
  EXPECT_EQ(folder_.read("out.txt"), whole.substr(0, d.takes));
  EXPECT_EQ(lost_files(before, folder_.picture()), "");
}

INSTANTIATE_TEST_SUITE_P(FileFaults, FullDisk,
                         ::testing::Values(DiskFull{"TarvexReport", false, tarvex_calc, 512},
                                           DiskFull{"MulrinReport", true, mulrin_calc, 1024},
                                           DiskFull{"MulrinSettings", true, mulrin_save, 256}),
                         [](const auto& info) { return std::string(info.param.name); });

// The size of sine_data cut after `lines` data lines.
std::uintmax_t cut_after(int lines) {
  return sine_data(0).size() + std::uintmax_t(lines) * 14;
}

// A file cut short while it is read ends at the cut, like a shorter file. The
// file is larger than what the reader takes from the disk at once.
TEST_F(FileFaults, TarvexDataFileCutWhileReadingEndsAtTheCut) {
  folder_.put("data.txt", sine_data(40000));
  InProcess run(tarvex::make_app);
  int polls = 0;
  run.program().form().on_poll = [&] {
    if (++polls == 500) fs::resize_file(folder_.path() / "data.txt", cut_after(25000));
  };
  const Args args =
      with(tarvex_fields(folder_ / "data.txt", folder_ / "report.txt"), {{"file-interval", "100"}});
  EXPECT_EQ(run.run(click(args, "calc")), 0) << run.err;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
  EXPECT_EQ(polls, 25002);  // the two comment lines and the data lines left
}

}  // namespace
}  // namespace reliability
