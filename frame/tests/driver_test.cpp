#include "frame/driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "frame/platform/process.h"
#include "frame/usage.h"
#include "tests/support/sample_program.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::kSampleForm;
using test_support::read_file;
using test_support::temp_file;

using test_support::SampleProgram;

struct Driver : ::testing::Test {
  test_support::Session s{
      [](FileDialogs& d, Surface&) { return std::make_unique<SampleProgram>(d); }};
  SampleProgram& program = s.as<SampleProgram>();
  int run(const test_support::Args& args) { return s.run(args).status; }
};

TEST_F(Driver, SetRunsTheChangeHandlerBeforeTheNextActionClickRunsTheButton) {
  const auto data = temp_file("driver.dat", "#x\r\n\r\n  #x\r\n12.5\r\n");
  EXPECT_EQ(run({"--set",   "from=12", "--print", "TEXT1",
                 "--set",   "EDIT2=3", "--print", "TEXT1",
                 "--print", "from",    "--set",   "count=a=b",
                 "--print", "TEXT2",   "--set",   "data=" + data.string(),
                 "--click", "check",   "--print", "count"}),
            0);
  EXPECT_EQ(s.out, "From 12\nFrom 3\n3\na=b\nNumber of Data: 3\n");
  EXPECT_EQ(s.err, "");
  EXPECT_EQ(program.form().pending(), 0u);
}

TEST_F(Driver, UsageErrorsNameTheArgumentAndRunNothing) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--print", "EDIT1", "--frobnicate"},
       "sample: unknown argument \"--frobnicate\" (see --help)\n"},
      {{"--print", "EDIT1", "--set"}, "sample: --set: missing value\n"},
      {{"--set", "EDIT1"}, "sample: --set EDIT1: expected NAME=TEXT\n"},
      {{"--set", "EDIT1=x", "--print", "EDIT9"},
       "sample: --print: the form has no control named \"EDIT9\"\n"},
      {{"--set", "nothing=1"}, "sample: --set: the form has no control named \"nothing\"\n"},
      {{"--set", "EDIT1=x", "--click", "mark"}, "sample: --click mark: EDIT1 is not a button\n"},
      {{"--save-drawing", "/tmp/frame-drawing.png"},
       "sample: --save-drawing /tmp/frame-drawing.png: cannot write drawing\n"},
      // Answers are checked against the dialog of the click that takes them.
      {{"--set", "EDIT1=x", "--choose", "", "--click", "refer", "--choose",
        "/nonexistent/frame.dat", "--click", "BUTTON3", "--click", "refer", "--print", "mark"},
       "sample: --choose /nonexistent/frame.dat: no such file for the open dialog of BUTTON1\n"},
      // A one-line field holds no line break and no NUL.
      {{"--set", "EDIT1=x", "--set", std::string("data=a\0b", 8)},
       "sample: --set EDIT3: a one-line field cannot hold a line break or NUL\n"},
      {{"--set", "EDIT1=x", "--set", "data=a\rb"},
       "sample: --set EDIT3: a one-line field cannot hold a line break or NUL\n"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(run(args), 2) << message;
    EXPECT_EQ(s.err, message);
    EXPECT_EQ(s.out, "");
    EXPECT_NE(s.text("EDIT1"), "x");
    EXPECT_FALSE(program.form().running());
  }
}

TEST_F(Driver, HelpListsTheActionsAndControlsAndRunsNothing) {
  EXPECT_EQ(run({"--set", "EDIT1=x", "--help", "--bogus"}), 0);
  for (const char* line :
       {"  --set NAME=TEXT", "  --save-drawing F", "\n  NAME     ALIAS   KIND    INITIAL TEXT\n",
        "\n  EDIT2    from    edit    \"\"\n",
        "\n  TEXT2    count   static  \"Number of data:0\"\n",
        "\n  BUTTON3  -       button  \"Calc.\"\n"})
    EXPECT_NE(s.out.find(line), std::string::npos) << line;
  EXPECT_EQ(s.text("EDIT1"), "#");
  EXPECT_EQ(s.err, "");
}

// The manual page comes from the same tables as --help: every option, every
// control with its alias and every exit status, escaped for roff.
TEST(Manual, ListsTheOptionsControlsAndExitStatusesOfTheHelp) {
  std::ostringstream page;
  write_manual(kSampleForm, {"sample tool", ".starts with a dot", "sample --click check", "9.9"},
               page);
  for (const char* part :
       {".TH SAMPLE 1 \"\" \"sample 9.9\" \"User Commands\"\n.SH NAME\nsample \\- sample tool\n",
        "\n.SH DESCRIPTION\n\\&.starts with a dot\n",
        "\n.TP\n.BI \\-\\-save\\-drawing \" F\"\nwrite the form's drawing as a PNG file\n",
        "\n.BI \\-\\-choose \" PATH\"\nanswer the next file dialog with PATH (\"\" cancels;\na "
        "dialog without",
        "\n.BR EDIT2 \" (from)\"\nedit field, at most 4 typed characters, digits only; initial "
        "text \"\"\n",
        "\n.BR BUTTON3\nbutton; initial text \"Calc.\"\n", "\n.TP\n.B 2\nusage error\n",
        "\n.nf\nsample \\-\\-click check\n.fi\n"})
    EXPECT_NE(page.str().find(part), std::string::npos) << part;
}

TEST_F(Driver, CancelledDialogChangesNothingAChosenPathIsWrittenWholeAndFull) {
  const auto spaced =
      temp_file("my data file with blanks and a long name.dat", "1\r\n");  // over the field's 16
  const auto other = temp_file("second.dat", "1\r\n");
  // No answer or an empty one cancels; a relative answer comes back as a full path
  // (relative to a folder on the file's own drive, as Windows needs).
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(spaced.parent_path().parent_path());
  EXPECT_EQ(run({"--click",  "refer",
                 "--choose", "",
                 "--click",  "refer",
                 "--print",  "data",
                 "--choose", std::filesystem::relative(spaced).string(),
                 "--click",  "refer",
                 "--print",  "data",
                 "--choose", other.string(),
                 "--click",  "refer",
                 "--print",  "data"}),
            0);
  std::filesystem::current_path(before);
  EXPECT_EQ(s.out, "\n" + spaced.string() + "\n" + other.string() + "\n");
}

TEST_F(Driver, RunTimeErrorInAHandlerEndsTheRunWithStatus1AndLeavesTheHalfWrittenFile) {
  const auto report = temp_file("driver-report.txt", "old report\r\n");
  EXPECT_EQ(run({"--set", "report=" + report.string(), "--click", "BUTTON3", "--print", "mark"}),
            1);
  EXPECT_EQ(s.out, "");  // nothing after the error runs
  const std::string location =
      "\r\nsample [" + std::to_string(program.failing_line) + "行]:エラー[11]";
  EXPECT_EQ(s.err.substr(0, location.size()), location);
  EXPECT_EQ(s.err.back(), '\n');
  ASSERT_EQ(s.records.written.size(), 1u);
  EXPECT_EQ(s.records.written[0].modl, "sample");
  EXPECT_EQ(s.records.written[0].code, err::kDivisionByZero);
  EXPECT_EQ(s.records.written[0].line, program.failing_line);
  EXPECT_EQ(read_file(report), "half\r\n");  // as written: no closing end mark
  EXPECT_NO_THROW(program.files().open("I", 2, report.string()));  // every file let go
}

// Memory a handler cannot have ends the run like any run-time error (7),
// not with the end of the process: message, record, files left as written.
TEST_F(Driver, ExhaustedMemoryInAHandlerIsRunTimeError7) {
  const auto half = temp_file("driver-half.txt", "");
  program.form().bind_handlers({{"BUTTON3_ON", [&] {
                                   create_output(program.files(), 2, half.string());
                                   program.files().write_text(2, "half", Sep::EndOfLine);
                                   throw std::bad_alloc();
                                 }}});
  const auto r = s.run({"--click", "BUTTON3", "--print", "TEXT1"});
  EXPECT_EQ(std::tuple(r.status, r.code(), r.out), std::tuple(1, 7, std::string())) << r.err;
  ASSERT_EQ(s.records.written.size(), 1u);
  EXPECT_EQ(s.records.written[0].func, static_cast<int>(Operation::Memory));
  EXPECT_EQ(read_file(half), "half\r\n");
  EXPECT_NO_THROW(program.files().open("I", 2, half.string()));  // abandoned: the number is free
}

TEST(ScriptedDialogsTest, SaveNeedsAnExistingFolderOpenAnExistingFile) {
  ScriptedDialogs dialogs;
  const auto dir = temp_file("probe.txt", "").parent_path();
  dialogs.answers = {(dir / "new-report.txt").string(), "/nonexistent/dir/r.txt", dir.string()};
  EXPECT_EQ(dialogs.save("Output File", "tarvex.txt", "Output File(*.*)"),
            (dir / "new-report.txt").string());
  EXPECT_THROW(dialogs.save("Output File", "tarvex.txt", "Output File(*.*)"), UsageError);
  EXPECT_THROW(dialogs.open("Data for FFT", "*.*", "Data File(*.*)"), UsageError);  // a folder
  EXPECT_EQ(dialogs.open("Data for FFT", "*.*", "Data File(*.*)"), kCancelMarker);
}

// ---- the headless program_main ----------------------------------------------

struct HeadlessMain : ::testing::Test {
  std::filesystem::path config = temp_file("probe", "").parent_path() / "config";
  void SetUp() override {
    std::filesystem::remove_all(config);
    platform::set_environment("XDG_CONFIG_HOME", config.string());
  }
  int run_main(std::vector<std::string> args, std::string_view extra_control = {}) {
    std::vector<char*> argv;
    std::string name = "sample";
    argv.push_back(name.data());
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status =
        program_main(static_cast<int>(argv.size()), argv.data(), kSampleForm,
                     [extra_control](FileDialogs& dialogs, Surface&) {
                       return std::make_unique<SampleProgram>(dialogs, nullptr, extra_control);
                     });
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return status;
  }
  std::string out, err;
};

TEST_F(HeadlessMain, RunsTheDriverOnStandardStreamsAndWithoutArgumentsPointsToHelp) {
  EXPECT_EQ(run_main({"--set", "from=4", "--print", "TEXT1"}), 0);
  EXPECT_EQ(out, "From 4\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(run_main({}), 2);
  EXPECT_EQ(
      err,
      "sample: this build has no window; give actions on the command line (see sample --help)\n");
}

TEST_F(HeadlessMain, RunTimeErrorIsStatus1WithItsRecordOrWithoutWhenItCannotBeWritten) {
  EXPECT_EQ(run_main({"--print", "EDIT1"}, "EDIT99"), 1);
  // The message begins with CR LF; on Windows the test's capture reads the
  // stream back as text, which takes the CR away.
  EXPECT_TRUE(err.starts_with(std::string(test_support::kPosix ? "\r\n" : "\n") + "sample ["))
      << err;
  EXPECT_NE(err.find("]:エラー[1013]"), std::string::npos);
  const std::string record = read_file(config / "cycle-tools" / "sample-last-error.ini");
  EXPECT_NE(record.find("MODL=sample\n"), std::string::npos);
  EXPECT_NE(record.find("CODE=1013\n"), std::string::npos);
  // A file error of a handler is 63 even when the record cannot be written.
  platform::set_environment("XDG_CONFIG_HOME", temp_file("not-a-folder", "x").string());
  EXPECT_EQ(run_main({"--set", "data=/nonexistent/frame.dat", "--click", "check"}), 1);
  EXPECT_NE(err.find("エラー[63]"), std::string::npos);
}

}  // namespace
}  // namespace frame
