// The headless driver's command line: arbitrary arguments against a small
// program on the frame tests' sample form.
//
// Holds: the status is 0, 1 or 2; a command line with a mistake anywhere
// (an unknown option, a missing value, --set without "=", a control the form
// lacks, --click on something other than a button) is 2 before any action
// runs: nothing printed, every text as it was, no record; --help (before any
// mistake) prints the usage and is 0; 1 comes with the message of a code of
// the error table and exactly one record of that code; 2 comes with a
// reason that starts with the program's name; every file is let go.
//
// The program touches nothing outside its sandbox folder: "Check" and "Calc."
// open only plain file names there, and its drawing is never written.
#include <deque>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "fuzz_support.h"
#include "tests/support/sample_program.h"
#include "tests/support/support.h"

namespace {

using frame::ControlRef;

// Draws nothing and writes nothing: "saving" works for short names only.
struct SandboxSurface : frame::RecordingSurface {
  bool save_png(const std::string& path) override { return !path.empty() && path.size() < 40; }
};

// The sandbox folder with a few data files, made once.
const std::string& sandbox() {
  static const std::string folder = [] {
    test_support::temp_file("data.txt", "# comment\r\n1\r\n2\r\n\x1a");
    test_support::temp_file("long.txt", std::string(40000, '7'));
    return test_support::temp_file("empty.txt", "").parent_path().string();
  }();
  return folder;
}

enum class Expect { Usage, Help, Runs };

// What the parse of the whole command line must decide, before any action.
// Besides the names, two values are refused up front: a line break or NUL
// set into an edit field, and a --choose answer the dialog of the button it
// goes to would not take (the sample form's one dialog opens a file).
Expect expected_parse(const frame::Form& form, const std::vector<std::string>& args) {
  std::deque<std::string> answers;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& o = args[i];
    if (o == "--help" || o == "-h") return Expect::Help;
    if ((o != "--set" && o != "--click" && o != "--choose" && o != "--print" &&
         o != "--save-drawing") ||
        i + 1 >= args.size())
      return Expect::Usage;
    const std::string& v = args[++i];
    const auto named =
        form.find(o == "--set" ? std::string_view(v).substr(0, v.find('=')) : std::string_view(v));
    if ((o == "--set" && (v.find('=') == std::string::npos || !named)) ||
        (o == "--print" && !named) ||
        (o == "--click" && (!named || form.control(*named).kind != frame::ControlKind::Button)))
      return Expect::Usage;
    if (o == "--set" && form.control(*named).kind == frame::ControlKind::Edit &&
        v.find_first_of(std::string_view("\r\n\0", 3), v.find('=')) != std::string::npos)
      return Expect::Usage;
    if (o == "--choose") answers.push_back(v);
    if (o == "--click" && form.control(*named).dialog != frame::ButtonDialog::None &&
        !answers.empty()) {
      const std::string answer = answers.front();
      answers.pop_front();
      std::error_code ec;
      if (!answer.empty() && !std::filesystem::is_regular_file(answer, ec)) return Expect::Usage;
    }
  }
  return Expect::Runs;
}

std::vector<std::string> texts(const frame::Form& form) {
  std::vector<std::string> all;
  for (int i = 0; i < form.control_count(); ++i) all.push_back(form.text(ControlRef{i}));
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Arguments separated by NUL bytes, at most 24.
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size && args.size() <= 24; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  if (args.size() > 24 || args.back().empty()) args.pop_back();

  frame::ScriptedDialogs dialogs;
  SandboxSurface surface;
  test_support::RecordStore records;
  // A file name with a folder in it reads as a missing file of the sandbox.
  test_support::SampleProgram program(dialogs, [](const std::string& name) {
    return sandbox() + "/" + (name.find('/') == std::string::npos ? name : "missing");
  });
  frame::DriverContext context{program.form(), dialogs, surface, program.files(), records};
  const std::vector<std::string> before = texts(program.form());
  std::ostringstream out, err;
  const int status = frame::run_driver(context, args, out, err);
  std::string joined;
  for (const std::string& a : args) joined += fuzz::show(a) + " ";
  FUZZ_REQUIRE(status >= 0 && status <= 2, "exit status", std::to_string(status));

  const Expect expect = expected_parse(program.form(), args);
  if (expect != Expect::Runs)
    FUZZ_REQUIRE(texts(program.form()) == before && records.written.empty(),
                 "a command line that runs nothing changed the form", joined);
  if (expect == Expect::Usage)
    FUZZ_REQUIRE(status == 2 && out.str().empty(), "a mistake must be 2 before any action", joined);
  if (expect == Expect::Help)
    FUZZ_REQUIRE(status == 0 && out.str().starts_with("usage: sample"), "help", joined);
  const int code = test_support::message_code(err.str());
  FUZZ_REQUIRE(status != 1 || (fuzz::is_table_code(code) && err.str().starts_with("\r\nsample [") &&
                               records.written.size() == 1 && records.written[0].code == code &&
                               records.written[0].modl == "sample"),
               "a run-time error comes with its message and one record of its code",
               joined + err.str());
  FUZZ_REQUIRE(status == 1 || records.written.empty(), "a record without an error", joined);
  FUZZ_REQUIRE(status != 2 || (err.str().starts_with("sample: ") && err.str().ends_with("\n")),
               "a usage error is a reason naming the program", fuzz::show(err.str()));
  FUZZ_REQUIRE(fuzz::raised([&] { program.files().eof(1); }) == 57, "file left open after the run",
               joined);
  return 0;
}
