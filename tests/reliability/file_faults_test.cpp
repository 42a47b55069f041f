// Faults of the file system met by the real programs: each ends the run with
// its run-time error, the message, the last-error record and exit status 1,
// and every file the run was not meant to replace is still there, unchanged.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "mulrin/app.h"
#include "runs.h"
#include "support.h"
#include "tarvex/app.h"

namespace reliability {
namespace {

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.put("data.txt", sine_data(2000));
    folder_.put("notes.txt", "not part of any run\r\n");
  }

  // Status 1, the message and the record of `code` by `program`.
  static void expect_error(const Ended& run, const std::string& program, int code) {
    EXPECT_EQ(run.signal, 0) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.code(), code) << run.err;
    EXPECT_TRUE(run.err.starts_with("\r\n" + program + " [")) << run.err;
    EXPECT_NE(run.record.find("MODL=" + program + "\n"), std::string::npos) << run.record;
    EXPECT_NE(run.record.find("CODE=" + std::to_string(code) + "\n"), std::string::npos)
        << run.record;
  }

  Ended tarvex(const Args& args, const Limits& limits = {}) {
    return run_program(tarvex_program(), args, folder_, limits);
  }
  Ended mulrin(const Args& args, const Limits& limits = {}) {
    return run_program(mulrin_program(), args, folder_, limits);
  }

  Folder folder_;
};

// ---- output in a folder that does not exist ---------------------------------

TEST_F(FileFaults, TarvexReportInMissingFolderIs63) {
  const auto before = folder_.picture();
  expect_error(tarvex(click(tarvex_fields("data.txt", "nowhere/report.txt"), "calc")), "tarvex", 63);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, MulrinReportInMissingFolderIs63) {
  const auto before = folder_.picture();
  expect_error(mulrin(click(mulrin_fields("data.txt", "nowhere/report.txt"), "calculate")), "mulrin",
               63);
  EXPECT_EQ(folder_.picture(), before);
}

// ---- a folder where a file is expected ---------------------------------------

TEST_F(FileFaults, TarvexFolderAsDataFileIs75) {
  folder_.put("series/inside.txt", "1\r\n");
  const auto before = folder_.picture();
  expect_error(tarvex(click(with({}, {{"data-file", "series"}}), "check")), "tarvex", 75);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, MulrinFolderAsDataFileIs75) {
  folder_.put("series/inside.txt", "1\r\n");
  const auto before = folder_.picture();
  expect_error(mulrin(click(with({}, {{"data-file", "series"}}), "check-data")), "mulrin", 75);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, TarvexFolderAsDataFileKeepsTheOldReport) {
  folder_.put("series/inside.txt", "1\r\n");
  folder_.put("report.txt", "the report of an earlier run\r\n\x1a");
  const auto before = folder_.picture();
  expect_error(tarvex(click(tarvex_fields("series", "report.txt"), "calc")), "tarvex", 75);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, TarvexFolderAsReportIs55) {
  folder_.put("report.txt/inside.txt", "kept\r\n");
  const auto before = folder_.picture();
  expect_error(tarvex(click(tarvex_fields("data.txt", "report.txt"), "calc")), "tarvex", 55);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, MulrinFolderAsReportIs55) {
  folder_.put("report.txt/inside.txt", "kept\r\n");
  const auto before = folder_.picture();
  expect_error(mulrin(click(mulrin_fields("data.txt", "report.txt"), "calculate")), "mulrin", 55);
  EXPECT_EQ(folder_.picture(), before);
}

// ---- an old file that cannot be replaced -------------------------------------
// The file layer refuses to delete a file nobody may write, also for a user
// whom the permissions would not stop.

TEST_F(FileFaults, TarvexReadOnlyOldReportIs75AndKept) {
  const std::string report = folder_.put("report.txt", "the report of an earlier run\r\n\x1a");
  ::chmod(report.c_str(), 0444);
  const auto before = folder_.picture();
  expect_error(tarvex(click(tarvex_fields("data.txt", "report.txt"), "calc")), "tarvex", 75);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, MulrinReadOnlyOldReportIs75AndKept) {
  const std::string report = folder_.put("report.txt", "the report of an earlier run\r\n\x1a");
  ::chmod(report.c_str(), 0444);
  const auto before = folder_.picture();
  expect_error(mulrin(click(mulrin_fields("data.txt", "report.txt"), "calculate")), "mulrin", 75);
  EXPECT_EQ(folder_.picture(), before);
}

TEST_F(FileFaults, MulrinSaveOverReadOnlySettingsIs75AndKept) {
  const std::string settings = folder_.put("setting.ini", "1\r\n2\r\n\x1a");
  ::chmod(settings.c_str(), 0444);
  const auto before = folder_.picture();
  expect_error(mulrin({"--choose", "setting.ini", "--click", "save"}), "mulrin", 75);
  EXPECT_EQ(folder_.picture(), before);
}

// ---- a full disk ---------------------------------------------------------------

// A device as report path is not a disk file: the old-file deletion of the
// creation sequence refuses it before anything is written.
TEST_F(FileFaults, FullDeviceAsReportIs55) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const auto before = folder_.picture();
  expect_error(tarvex(click(tarvex_fields("data.txt", "/dev/full"), "calc")), "tarvex", 55);
  expect_error(mulrin(click(mulrin_fields("data.txt", "/dev/full"), "calculate")), "mulrin", 55);
  EXPECT_EQ(folder_.picture(), before);
}

// The disk takes the first bytes of the report and then refuses: 67, and the
// bytes it took are the start of the full report.
TEST_F(FileFaults, TarvexDiskFullIs67KeepingWhatWasWritten) {
  const Ended full = tarvex(click(tarvex_fields("data.txt", "full.txt"), "calc"));
  ASSERT_EQ(full.status, 0) << full.err;
  const std::string whole = folder_.read("full.txt");
  ASSERT_GT(whole.size(), 600u);
  const auto before = folder_.picture();

  Limits limits;
  limits.file_size = 512;
  expect_error(tarvex(click(tarvex_fields("data.txt", "report.txt"), "calc"), limits), "tarvex", 67);
  EXPECT_EQ(folder_.read("report.txt"), whole.substr(0, 512));
  EXPECT_EQ(lost_files(before, folder_.picture()), "");
}

TEST_F(FileFaults, MulrinDiskFullIs67KeepingWhatWasWritten) {
  const Ended full = mulrin(click(mulrin_fields("data.txt", "full.txt"), "calculate"));
  ASSERT_EQ(full.status, 0) << full.err;
  const std::string whole = folder_.read("full.txt");
  ASSERT_GT(whole.size(), 2000u);
  const auto before = folder_.picture();

  Limits limits;
  limits.file_size = 1024;
  expect_error(mulrin(click(mulrin_fields("data.txt", "report.txt"), "calculate"), limits), "mulrin",
               67);
  EXPECT_EQ(folder_.read("report.txt"), whole.substr(0, 1024));
  EXPECT_EQ(lost_files(before, folder_.picture()), "");
}

TEST_F(FileFaults, MulrinSaveOnFullDiskIs67) {
  const auto before = folder_.picture();
  Limits limits;
  // The disk takes 256 bytes: the first three lines and 250 bytes of the
  // fourth. (The message and the record are shorter than that.)
  limits.file_size = 256;
  const std::string long_name(300, 'd');
  expect_error(mulrin({"--set", "data-file=" + long_name, "--choose", "setting.ini", "--click", "save"},
                      limits),
               "mulrin", 67);
  EXPECT_EQ(folder_.read("setting.ini"), "\r\n\r\n\r\n" + long_name.substr(0, 250));
  EXPECT_EQ(lost_files(before, folder_.picture()), "");
}

// ---- a data file that changes between mulrin's two passes ----------------------
// mulrin may read the data file twice: once to count, once for the values
// (when its tables allow, it reads once; the tests ask for the two readings).
// The form's poll hook runs at every line; at the last line of the counting
// pass the test changes the file.

class ChangingData : public FileFaults {
 protected:
  // Runs Calculate in this process; `change` runs once, at the poll of the
  // given number.
  int calculate_changing_at(int poll, const std::function<void()>& change,
                            bool two_readings = true) {
    run_ = std::make_unique<InProcess>(mulrin::make_app);
    dynamic_cast<mulrin::App&>(*run_->program).one_reading = !two_readings;
    int polls = 0;
    run_->program->form().on_poll = [&] {
      if (++polls == poll) change();
    };
    return run_->run(
        click(mulrin_fields(folder_ / "data.txt", folder_ / "report.txt"), "calculate"));
  }
  static constexpr int kLines = 2002;  // two comment lines and 2000 data lines
  // The size of the file cut after `lines` data lines.
  static std::uintmax_t cut_after(int lines) {
    return sine_data(0).size() + static_cast<std::uintmax_t>(lines) * 14;
  }
  std::unique_ptr<InProcess> run_;
};

// Read once, the file is not needed after its last line.
TEST_F(ChangingData, MulrinDataFileRemovedAfterOneReadingEndsNormally) {
  const int status = calculate_changing_at(
      kLines, [&] { fs::remove(folder_.path() / "data.txt"); }, false);
  EXPECT_EQ(status, 0) << run_->err;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
}

TEST_F(ChangingData, MulrinDataFileRemovedBeforeValuePassIs63) {
  const auto before = folder_.picture();
  const int status =
      calculate_changing_at(kLines, [&] { fs::remove(folder_.path() / "data.txt"); });
  EXPECT_EQ(status, 1) << run_->err;
  EXPECT_EQ(run_->code(), 63) << run_->err;
  ASSERT_EQ(run_->records.written.size(), 1u);
  EXPECT_EQ(run_->records.written[0].code, 63);
  EXPECT_EQ(lost_files(before, folder_.picture(), {"data.txt"}), "");
  EXPECT_FALSE(fs::exists(folder_.path() / "report.txt"));
}

TEST_F(ChangingData, MulrinDataFileGrownBeforeValuePassIs9) {
  const int status = calculate_changing_at(kLines, [&] {
    std::ofstream(folder_.path() / "data.txt", std::ios::binary | std::ios::app) << "1\r\n2\r\n";
  });
  EXPECT_EQ(status, 1) << run_->err;
  EXPECT_EQ(run_->code(), 9) << run_->err;
  EXPECT_FALSE(fs::exists(folder_.path() / "report.txt"));
}

// Fewer values than counted: the missing ones are 0 and the report is written.
TEST_F(ChangingData, MulrinDataFileShrunkBeforeValuePassEndsNormally) {
  const int status = calculate_changing_at(
      kLines, [&] { fs::resize_file(folder_.path() / "data.txt", cut_after(1000)); });
  EXPECT_EQ(status, 0) << run_->err;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
}

// A file cut short while it is being read ends at the cut, like a shorter
// file. The file is larger than what the reader takes from the disk at once,
// so that the cut is met.
TEST_F(ChangingData, TarvexDataFileCutWhileReadingEndsAtTheCut) {
  folder_.put("data.txt", sine_data(40000));
  InProcess run(tarvex::make_app);
  int polls = 0;
  run.program->form().on_poll = [&] {
    if (++polls == 500) fs::resize_file(folder_.path() / "data.txt", cut_after(25000));
  };
  const int status = run.run(click(
      with(tarvex_fields(folder_ / "data.txt", folder_ / "report.txt"), {{"file-interval", "100"}}),
      "calc"));
  EXPECT_EQ(status, 0) << run.err;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
  EXPECT_EQ(polls, 25002);  // the two comment lines and the data lines left
}

}  // namespace
}  // namespace reliability
