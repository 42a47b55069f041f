// Whole runs of the real programs where a file the run was not meant to
// replace could be lost, or a failure could pass as success: every file but
// the ones the run may change is kept, the exit status and message tell what
// happened, and a pipe reads as the regular file of the same bytes.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "support.h"

namespace reliability {
namespace {

constexpr const char* kSubtract = "deg=1,3.6,10,2.5,0.1\r\n#\r\n";

// A FIFO named `fifo` that yields the bytes of `from` once a reader opens it.
void fifo_of(const Folder& folder, const std::string& fifo, const std::string& from) {
  ::mkfifo((folder / fifo).c_str(), 0644);
  std::thread([path = folder / fifo, bytes = folder.read(from)] {
    std::ofstream(path, std::ios::binary) << bytes;
  }).detach();
}

struct Row {
  const char* name;
  bool mulrin;
  Args args;
  int status;
  int code = 0;                           // the run-time error of status 1
  const char* err = "";                   // a text stderr holds
  Args reference = {};                    // a run whose stdout this run repeats
  std::vector<std::string> changes = {};  // files the run may change
  void (*prepare)(const Folder&) = nullptr;
  Limits limits = {};
  void (*after)(const Folder&) = nullptr;  // further checks of the files
};

class WholeRuns : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    ::signal(SIGPIPE, SIG_IGN);  // a FIFO writer whose reader went away
    folder_.put("data.txt", sine_data(2000));
    folder_.put("sub.txt", kSubtract);
  }
  Ended run(bool mulrin, const Args& args, const Limits& limits = {}) {
    return run_program(mulrin ? mulrin_program() : tarvex_program(), args, folder_, limits);
  }
  Folder folder_;
};

TEST_P(WholeRuns, KeepEveryFileAndTellTheTruth) {
  const Row& r = GetParam();
  std::string out;
  if (!r.reference.empty()) {
    const Ended reference = run(r.mulrin, r.reference);
    ASSERT_EQ(reference.status, 0) << reference.err;
    out = reference.out;
  }
  if (r.prepare) r.prepare(folder_);
  const auto before = folder_.picture();
  const Ended ended = run(r.mulrin, r.args, r.limits);
  EXPECT_EQ(ended.signal, 0);
  EXPECT_EQ(ended.status, r.status) << ended.err;
  if (r.code != 0) {
    EXPECT_EQ(ended.code(), r.code) << ended.err;
  }
  EXPECT_NE(ended.err.find(r.err), std::string::npos) << ended.err;
  if (!r.reference.empty()) {
    EXPECT_EQ(ended.out, out);
  }
  EXPECT_EQ(lost_files(before, folder_.picture(), r.changes), "");
  if (r.after) r.after(folder_);
}

Args tarvex_calc(const std::string& data, const std::string& report) {
  return click(tarvex_fields(data, report), "calc");
}
Args mulrin_calc(const std::string& data, const std::string& report) {
  return click(mulrin_fields(data, report), "calculate");
}
Args print(Args args, const std::string& name) {
  args.insert(args.end(), {"--print", name});
  return args;
}
// A Calc whose report would replace report.txt, then a Load whose answer is refused.
Args calc_then_refused_load() {
  Args args = tarvex_calc("data.txt", "report.txt");
  for (const char* word : {"--choose", "/nonexistent"}) args.push_back(word);
  return click(args, "load");
}
void link_report_to_data(const Folder& f) {
  fs::create_symlink("data.txt", f / "report.txt");
}
void hard_link_report_to_data(const Folder& f) {
  fs::create_hard_link(f / "data.txt", f / "report.txt");
}
void link_report_to_device(const Folder& f) {
  fs::create_symlink("/dev/null", f / "report.txt");
}
void link_report_to_old(const Folder& f) {
  f.put("old.txt", "an earlier report\r\n");
  fs::create_symlink("old.txt", f / "report.txt");
}
void read_only_old(const Folder& f) {
  ::chmod(f.put("old.png", "earlier").c_str(), 0444);
}

const Row kRows[] = {
    // A pipe or FIFO reads as the regular file of its bytes.
    {.name = "TarvexCheckReadsAFifo",
     .mulrin = false,
     .args =
         print(click(with({}, {{"comment-mark", "#"}, {"data-file", "fifo"}}), "check"), "count"),
     .status = 0,
     .reference = print(
         click(with({}, {{"comment-mark", "#"}, {"data-file", "data.txt"}}), "check"), "count"),
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "data.txt"); }},
    {.name = "TarvexCalcReadsData",
     .mulrin = false,
     .args = print(tarvex_calc("fifo", "report.txt"), "result"),
     .status = 0,
     .reference = print(tarvex_calc("data.txt", "report.txt"), "result"),
     .changes = {"report.txt"},
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "data.txt"); }},
    {.name = "TarvexCalcReadsSubtract",
     .mulrin = false,
     .args = print(
         click(with(tarvex_fields("data.txt", "report.txt"), {{"subtract-file", "fifo"}}), "calc"),
         "result"),
     .status = 0,
     .reference =
         print(click(with(tarvex_fields("data.txt", "report.txt"), {{"subtract-file", "sub.txt"}}),
                     "calc"),
               "result"),
     .changes = {"report.txt"},
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "sub.txt"); }},
    {.name = "TarvexDrawReadsAFifo",
     .mulrin = false,
     .args = click(tarvex_fields("fifo", "report.txt"), "draw"),
     .status = 0,
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "data.txt"); }},
    {.name = "MulrinCheckDataReadsData",
     .mulrin = true,
     .args = print(print(click(mulrin_fields("fifo", "r.txt"), "check-data"), "count"), "range"),
     .status = 0,
     .reference =
         print(print(click(mulrin_fields("data.txt", "r.txt"), "check-data"), "count"), "range"),
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "data.txt"); }},
    {.name = "MulrinCheckDataReadsSubtract",
     .mulrin = true,
     .args = print(
         click(with(mulrin_fields("data.txt", "r.txt"), {{"subtract-file", "fifo"}}), "check-data"),
         "range"),
     .status = 0,
     .reference =
         print(click(with(mulrin_fields("data.txt", "r.txt"), {{"subtract-file", "sub.txt"}}),
                     "check-data"),
               "range"),
     .prepare = [](const Folder& f) { fifo_of(f, "fifo", "sub.txt"); }},
    // Standard output that refuses the text: status 1 and one line.
    {.name = "PrintToAFullDeviceIs1",
     .mulrin = false,
     .args = print({}, "label-speed"),
     .status = 1,
     .err = "tarvex: cannot write to standard output\n",
     .limits = {.out_path = "/dev/full"}},
    {.name = "HelpToAClosedOutputIs1",
     .mulrin = true,
     .args = {"--help"},
     .status = 1,
     .err = "mulrin: cannot write to standard output\n",
     .limits = {.out_path = "-"}},
    // A report path that is another name of an input: 52, nothing deleted.
    {.name = "TarvexReportLinkedToDataIs52",
     .mulrin = false,
     .args = tarvex_calc("data.txt", "report.txt"),
     .status = 1,
     .code = 52,
     .prepare = link_report_to_data},
    {.name = "MulrinReportLinkedToDataIs52",
     .mulrin = true,
     .args = mulrin_calc("data.txt", "report.txt"),
     .status = 1,
     .code = 52,
     .prepare = link_report_to_data},
    {.name = "TarvexReportHardLinkedToDataIs52",
     .mulrin = false,
     .args = tarvex_calc("data.txt", "report.txt"),
     .status = 1,
     .code = 52,
     .prepare = hard_link_report_to_data},
    {.name = "MulrinReportIsTheDataFileIs52",
     .mulrin = true,
     .args = mulrin_calc("data.txt", "data.txt"),
     .status = 1,
     .code = 52},
    {.name = "TarvexReportIsTheSubtractFileIs52",
     .mulrin = false,
     .args = click(with(tarvex_fields("data.txt", "./sub.txt"), {{"subtract-file", "sub.txt"}}),
                   "calc"),
     .status = 1,
     .code = 52},
    {.name = "MulrinReportIsTheSubtractFileIs52",
     .mulrin = true,
     .args = click(with(mulrin_fields("data.txt", "sub.txt"), {{"subtract-file", "sub.txt"}}),
                   "calculate"),
     .status = 1,
     .code = 52},
    // A link to a device is no disk file (55, the link kept); a link to a
    // regular file leads to the file replaced.
    {.name = "ReportLinkedToADeviceIs55",
     .mulrin = false,
     .args = tarvex_calc("data.txt", "report.txt"),
     .status = 1,
     .code = 55,
     .prepare = link_report_to_device},
    {.name = "ReportLinkedToAFileReplacesTheFile",
     .mulrin = true,
     .args = mulrin_calc("data.txt", "report.txt"),
     .status = 0,
     .changes = {"old.txt", "report.txt"},
     .prepare = link_report_to_old,
     .after =
         [](const Folder& f) {
           EXPECT_TRUE(fs::is_symlink(f / "report.txt"));
           EXPECT_TRUE(f.read("old.txt").starts_with("data.txt")) << f.read("old.txt");
         }},
    // Letter case alone names another file.
    {.name = "ReportDifferingInCaseOnlyIsAnotherFile",
     .mulrin = false,
     .args = tarvex_calc("D5.txt", "d5.txt"),
     .status = 0,
     .changes = {"d5.txt"},
     .prepare =
         [](const Folder& f) {
           fs::copy_file(f / "data.txt", f / "D5.txt");
           f.put("d5.txt", "an earlier report\r\n");
         }},
    // The whole command line is checked before the first action runs.
    {.name = "ChooseRefusedLaterRunsNothing",
     .mulrin = false,
     .args = calc_then_refused_load(),
     .status = 2,
     .err = "--choose /nonexistent: no such file for the open dialog of BUTTON1",
     .prepare = [](const Folder& f) { f.put("report.txt", "old\r\n"); }},
    {.name = "LineBreakInAFieldIs2",
     .mulrin = true,
     .args = {"--set", "data-file=a\rb.txt", "--choose", "setting.ini", "--click", "save"},
     .status = 2,
     .err = "a one-line field cannot hold a line break or NUL"},
    // The drawing follows the rules of every output file.
    {.name = "DrawingOntoTheDataFileIs52",
     .mulrin = false,
     .args = {"--set", "data-file=data.txt", "--save-drawing", "data.txt"},
     .status = 1,
     .code = 52},
    {.name = "DrawingOntoAReadOnlyFileIs75",
     .mulrin = false,
     .args = {"--save-drawing", "old.png"},
     .status = 1,
     .code = 75,
     .prepare = read_only_old},
    // Nowhere to keep the last-error record: one line says so.
    {.name = "NoHomeFolderSkipsTheRecordWithALine",
     .mulrin = false,
     .args = click(with({}, {{"data-file", "missing.txt"}}), "check"),
     .status = 1,
     .code = 63,
     .err = "tarvex: no home folder: the last-error record is not kept\n",
     .limits = {.no_home = true}},
};
INSTANTIATE_TEST_SUITE_P(Reliability, WholeRuns, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A second run aimed at a report that another run is writing (its lock held)
// is 75 and deletes nothing.
TEST_F(WholeRuns, ReportLockedByAnotherRunIs75) {
  const std::string old = folder_.put("report.txt", "being written\r\n");
  const int held = ::open(old.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  for (bool mulrin : {false, true}) {
    const Ended ended = run(mulrin, mulrin ? mulrin_calc("data.txt", "report.txt")
                                           : tarvex_calc("data.txt", "report.txt"));
    EXPECT_EQ(ended.code(), 75) << ended.err;
    EXPECT_EQ(folder_.read("report.txt"), "being written\r\n");
  }
  ::close(held);
}

// A run killed part-way leaves every complete line on disk and nothing else:
// the report is watched until rows appear, then the run is killed.
TEST_F(WholeRuns, KilledRunLeavesWholeLines) {
  folder_.put("data.txt", sine_data(3'000'000));
  // 60 rows of 500 cycles each.
  const Args calc =
      click(with(tarvex_fields("data.txt", "report.txt"), {{"file-interval", "500"}}), "calc");
  const int pid = start_program(tarvex_program(), calc, folder_);
  std::string report;
  int wstatus = 0;
  for (int tries = 0; tries < 20000; ++tries) {
    if (::waitpid(pid, &wstatus, WNOHANG) == pid) break;
    report = folder_.read("report.txt");
    if (std::count(report.begin(), report.end(), '\n') >= 10) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(::kill(pid, SIGKILL), 0) << "the run ended before ten lines reached the disk";
  ::waitpid(pid, &wstatus, 0);
  EXPECT_TRUE(WIFSIGNALED(wstatus));
  report = folder_.read("report.txt");
  EXPECT_GE(std::count(report.begin(), report.end(), '\n'), 10);
  EXPECT_TRUE(report.ends_with("\r\n")) << report.substr(report.size() - 40);
}

// mulrin's Calculate reads a FIFO, also when it reads the data twice (the
// second reading gets the copy of the first).
TEST_F(WholeRuns, MulrinCalculateReadsAFifo) {
  const Ended reference = run(true, print(mulrin_calc("data.txt", "a.txt"), "count"));
  fifo_of(folder_, "fifo", "data.txt");
  const Ended ended = run(true, print(mulrin_calc("fifo", "b.txt"), "count"));
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_EQ(ended.out, reference.out);
  const std::string a = folder_.read("a.txt"), b = folder_.read("b.txt");
  ASSERT_NE(b.find("\r\n"), std::string::npos);
  EXPECT_EQ(b.substr(b.find("\r\n")), a.substr(a.find("\r\n")));  // all but the header line
}

}  // namespace
}  // namespace reliability
