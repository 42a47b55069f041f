// Whole runs of the real programs where a file the run was not meant to
// replace could be lost, or a failure could pass as success: paths that
// cannot be used, links, devices, a full disk, a lock, a killed run. Every
// file but the ones the run may change is kept, the exit status, message and
// last-error record tell what happened, and a pipe reads as the regular file
// of the same bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "frame/platform/files.h"
#include "frame/platform/platform.h"
#include "tests/support/programs.h"

namespace reliability {
namespace {

using namespace test_support;

class WholeRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write("data.txt", sine_data(2000));
    folder_.write("sub.txt", "deg=1,3.6,10,2.5,0.1\r\n#\r\n");
  }
  Ended run(bool mulrin, const Args& args, const Limits& limits = {}) {
    return run_program(mulrin ? mulrin_program() : tarvex_program(), args, folder_, limits);
  }
  Scratch folder_;
};

Args tarvex_calc(const std::string& data, const std::string& report) {
  return click(tarvex_fields(data, report), "calc");
}
Args mulrin_calc(const std::string& data, const std::string& report) {
  return click(mulrin_fields(data, report), "calculate");
}

// A FIFO fed with the bytes of a file reads as that file: the run prints
// what the run on the file prints and writes the same report but for the
// file's name. mulrin's Calculate reads its data
// twice, the second time from the copy of the first.
struct FifoRun {
  const char* name;
  bool mulrin;
  const char* source;  // the file the FIFO yields
  const char* args;    // after the usual fields; "@" stands for the file read
};
class FifoRuns : public WholeRuns, public ::testing::WithParamInterface<FifoRun> {};

TEST_P(FifoRuns, ReadAsTheRegularFileOfTheirBytes) {
  if (!kPosix) GTEST_SKIP() << "Windows has no FIFOs in the file system";
  const FifoRun& r = GetParam();
  const auto args = [&](const std::string& file) {
    Args args = r.mulrin ? mulrin_fields("data.txt", "report.txt")
                         : tarvex_fields("data.txt", "report.txt");
    for (std::string word : words(r.args))
      args.push_back(word.ends_with("=@") ? word.replace(word.size() - 1, 1, file) : word);
    return args;
  };
  const Ended reference = run(r.mulrin, args(r.source));
  ASSERT_EQ(reference.status, 0) << reference.err;
  const std::string report = folder_.read("report.txt");
  ASSERT_TRUE(frame::platform::make_fifo(folder_.path("fifo")));
  std::thread([path = folder_.path("fifo"), bytes = folder_.read(r.source)] {
    std::ofstream(path, std::ios::binary) << bytes;
  }).detach();
  const auto before = picture(folder_);
  const Ended ended = run(r.mulrin, args("fifo"));
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_EQ(ended.out, reference.out);
  const auto unnamed = [](std::string text, const std::string& name) {  // the file's name cut
    for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.erase(at, name.size());
    return text;
  };
  EXPECT_EQ(unnamed(folder_.read("report.txt"), "fifo"), unnamed(report, r.source));
  EXPECT_EQ(lost_files(before, picture(folder_), {"report.txt"}), "");
}

const FifoRun kFifoRuns[] = {
    {"TarvexCalcSubtract", false, "sub.txt", "--set subtract-file=@ --click calc --print result"},
    {"MulrinCalculate", true, "data.txt", "--set data-file=@ --click calculate --print count"},
};
INSTANTIATE_TEST_SUITE_P(Reliability, FifoRuns, ::testing::ValuesIn(kFifoRuns),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs that must fail, or must succeed without touching what is not theirs:
// the status, the error code, a text of stderr, and every file kept but the
// ones the run may change.
struct Row {
  const char* name;
  bool mulrin;
  Args args;
  int status, code = 0;  // code: the run-time error of status 1
  const char* err = "";  // a text stderr holds
  void (*prepare)(const Scratch&) = nullptr;
  Limits limits = {};
  const char* changes = "";                 // files the run may change, by spaces
  void (*after)(const Scratch&) = nullptr;  // further checks of the files
};
class Runs : public WholeRuns, public ::testing::WithParamInterface<Row> {};

// A run-time error: status 1, the message and the last-error record of `code`.
void expect_error(const Ended& run, bool mulrin, int code) {
  const std::string program = mulrin ? "mulrin" : "tarvex";
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), code) << run.err;
  EXPECT_TRUE(run.err.starts_with("\r\n" + program + " [")) << run.err;
  EXPECT_NE(run.record.find("MODL=" + program + "\n"), std::string::npos) << run.record;
  EXPECT_NE(run.record.find("CODE=" + std::to_string(code) + "\n"), std::string::npos)
      << run.record;
}

// The rows that need what only POSIX systems have, skipped on Windows.
const std::map<std::string_view, const char*> kPosixOnly = {
    {"PrintToAFullDeviceIs1", "no /dev/full"},
    {"TarvexFullDeviceAsReportIs55", "no /dev/full"},
    {"TarvexDeviceAsDataFileIs55", "no /dev/zero"},
    {"TarvexReportLinkedToDataIs52", "symbolic links need a privilege on Windows"},
    {"ReportLinkedToADeviceIs55", "symbolic links need a privilege on Windows"},
    {"ReportLinkedToAFileReplacesTheFile", "symbolic links need a privilege on Windows"},
};

// A failed run changes nothing on disk; any run keeps every file but its own.
TEST_P(Runs, KeepEveryFileAndTellTheTruth) {
  const Row& r = GetParam();
  if (!kPosix && kPosixOnly.contains(r.name)) GTEST_SKIP() << kPosixOnly.at(r.name);
  if (r.prepare) r.prepare(folder_);
  const auto before = picture(folder_);
  const Ended ended = run(r.mulrin, r.args, r.limits);
  EXPECT_EQ(ended.status, r.status) << ended.err;
  EXPECT_EQ(ended.code(), r.code) << ended.err;
  if (r.code != 0 && !r.limits.no_home) expect_error(ended, r.mulrin, r.code);
  EXPECT_NE(ended.err.find(r.err), std::string::npos) << ended.err;
  if (r.status != 0) {
    EXPECT_EQ(picture(folder_), before);
  }
  EXPECT_EQ(lost_files(before, picture(folder_), words(r.changes)), "");
  if (r.after) r.after(folder_);
}

void read_only(const std::string& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}
void read_only_report(const Scratch& f) {
  read_only(f.write("report.txt", "the report of an earlier run\r\n\x1a"));
}
Args mulrin_save(const std::string& settings) {  // a 300-character data file name
  return {"--set", "data-file=" + std::string(300, 'd'), "--choose", settings, "--click", "save"};
}
Limits output_to(const char* path) {
  return {.out_path = path};
}
// A Calc. (Calculate) run with sub.txt as its subtract file.
Args calc_with_subtract(bool mulrin, const std::string& report) {
  const Fields subtract = {{"subtract-file", "sub.txt"}};
  return mulrin ? click(with(mulrin_fields("data.txt", report), subtract), "calculate")
                : click(with(tarvex_fields("data.txt", report), subtract), "calc");
}

const Row kRows[] = {
    // Standard output that refuses the text: status 1 and one line.
    {"PrintToAFullDeviceIs1", false, words("--print label-speed"), 1, 0,
     "tarvex: cannot write to standard output\n", nullptr, output_to("/dev/full")},
    {"HelpToAClosedOutputIs1", true, words("--help"), 1, 0,
     "mulrin: cannot write to standard output\n", nullptr, output_to("-")},
    // A report path that is another name of an input: 52, nothing deleted.
    {"TarvexReportLinkedToDataIs52", false, tarvex_calc("data.txt", "report.txt"), 1, 52, "",
     [](const Scratch& f) { fs::create_symlink("data.txt", f.path("report.txt")); }},
    {"MulrinReportIsTheDataFileIs52", true, mulrin_calc("data.txt", "data.txt"), 1, 52},
    {"TarvexReportIsTheSubtractFileIs52", false, calc_with_subtract(false, "./sub.txt"), 1, 52},
    {"MulrinReportIsTheSubtractFileIs52", true, calc_with_subtract(true, "sub.txt"), 1, 52},
    // A link to a device is no disk file (55, the link kept); a link to a
    // regular file leads to the file replaced.
    {"ReportLinkedToADeviceIs55", false, tarvex_calc("data.txt", "report.txt"), 1, 55, "",
     [](const Scratch& f) { fs::create_symlink("/dev/null", f.path("report.txt")); }},
    {"ReportLinkedToAFileReplacesTheFile", true, mulrin_calc("data.txt", "report.txt"), 0, 0, "",
     [](const Scratch& f) {
       f.write("old.txt", "an earlier report\r\n");
       fs::create_symlink("old.txt", f.path("report.txt"));
     },
     Limits(), "old.txt report.txt",
     [](const Scratch& f) {
       EXPECT_TRUE(fs::is_symlink(f.path("report.txt")));
       EXPECT_TRUE(f.read("old.txt").starts_with("data.txt")) << f.read("old.txt");
     }},
    // The drawing follows the rules of every output file.
    {"DrawingOntoTheDataFileIs52", false, words("--set data-file=data.txt --save-drawing data.txt"),
     1, 52},
    {"DrawingOntoAReadOnlyFileIs75", false, words("--save-drawing old.png"), 1, 75, "",
     [](const Scratch& f) { read_only(f.write("old.png", "earlier")); }},
    // Paths that cannot be used.
    {"TarvexFolderAsDataFileKeepsTheOldReport", false, tarvex_calc("series", "report.txt"), 1, 75,
     "",
     [](const Scratch& f) {
       f.write("series/inside.txt", "kept\r\n");
       f.write("report.txt", "the report of an earlier run\r\n\x1a");
     }},
    {"TarvexReadOnlyOldReportIs75AndKept", false, tarvex_calc("data.txt", "report.txt"), 1, 75, "",
     read_only_report},
    {"MulrinReadOnlyOldReportIs75AndKept", true, mulrin_calc("data.txt", "report.txt"), 1, 75, "",
     read_only_report},
    {"MulrinSaveOverReadOnlySettingsIs75AndKept", true, mulrin_save("setting.ini"), 1, 75, "",
     [](const Scratch& f) { read_only(f.write("setting.ini", "old\r\n")); }},
    // A device is no disk file: the deletion of the old file refuses it.
    {"TarvexFullDeviceAsReportIs55", false, tarvex_calc("data.txt", "/dev/full"), 1, 55},
    {"TarvexDeviceAsDataFileIs55", false, words("--set data-file=/dev/zero --click check"), 1, 55},
    // Nowhere to keep the last-error record: one line says so.
    {"NoHomeFolderSkipsTheRecordWithALine", false,
     words("--set data-file=missing.txt --click check"), 1, 63,
     "tarvex: no home folder: the last-error record is not kept\n", nullptr,
     Limits{.no_home = true}},
};
INSTANTIATE_TEST_SUITE_P(Reliability, Runs, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A full disk: 67, and the bytes it took are the start of the whole file.
TEST_F(WholeRuns, FullDiskEndsWith67KeepingWhatWasWritten) {
  if (!kPosix) GTEST_SKIP() << "Windows has no file-size limit to stand in for a full disk";
  const struct {
    bool mulrin;
    Args (*args)(const std::string& file);
    std::uint64_t takes;  // the bytes the disk takes
  } cases[] = {{false, [](const std::string& f) { return tarvex_calc("data.txt", f); }, 512},
               {true, [](const std::string& f) { return mulrin_calc("data.txt", f); }, 1024},
               {true, mulrin_save, 256}};
  for (const auto& c : cases) {
    fs::remove(folder_.path("out.txt"));
    const Ended whole_run = run(c.mulrin, c.args("whole.txt"));
    ASSERT_EQ(whole_run.status, 0) << whole_run.err;
    const std::string whole = folder_.read("whole.txt");
    ASSERT_GT(whole.size(), c.takes);
    const auto before = picture(folder_);
    expect_error(run(c.mulrin, c.args("out.txt"), {.file_size = c.takes}), c.mulrin, 67);
    EXPECT_EQ(folder_.read("out.txt"), whole.substr(0, c.takes));
    EXPECT_EQ(lost_files(before, picture(folder_)), "");
  }
}

// A second run aimed at a report that another run is writing (its lock held)
// is 75 and deletes nothing.
TEST_F(WholeRuns, ReportLockedByAnotherRunIs75) {
  const std::string old = folder_.write("report.txt", "being written\r\n");
  const int held = frame::platform::open_for_reading(old, false);
  int error = 0;
  ASSERT_TRUE(frame::platform::try_lock(held, error)) << error;
  for (bool mulrin : {false, true}) {
    const Ended ended = run(mulrin, mulrin ? mulrin_calc("data.txt", "report.txt")
                                           : tarvex_calc("data.txt", "report.txt"));
    EXPECT_EQ(ended.code(), 75) << ended.err;
    EXPECT_EQ(folder_.read("report.txt"), "being written\r\n");
  }
  frame::platform::close_handle(held);
}

// A run killed part-way leaves every complete line on disk and nothing else:
// the report is watched until rows appear, then the run is killed.
TEST_F(WholeRuns, KilledRunLeavesWholeLines) {
  folder_.write("data.txt", sine_data(3'000'000));
  // 60 rows of 500 cycles each.
  const Args calc =
      click(with(tarvex_fields("data.txt", "report.txt"), {{"file-interval", "500"}}), "calc");
  const long id = start_program(tarvex_program(), calc, folder_);
  std::string report;
  for (int tries = 0; tries < 20000; ++tries) {
    if (frame::platform::wait_process(id, false).ended) break;
    report = folder_.read("report.txt");
    if (std::count(report.begin(), report.end(), '\n') >= 10) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(frame::platform::kill_process(id))
      << "the run ended before ten lines reached the disk";
  EXPECT_TRUE(frame::platform::wait_process(id).signal != 0 || !kPosix);
  report = folder_.read("report.txt");
  EXPECT_GE(std::count(report.begin(), report.end(), '\n'), 10);
  EXPECT_TRUE(report.ends_with("\r\n")) << report.substr(report.size() - 40);
}

}  // namespace
}  // namespace reliability
