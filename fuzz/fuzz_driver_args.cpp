// The headless driver's command line: arbitrary arguments against a small
// program on a small form.
//
// Holds: the status is 0, 1 or 2; a command line with a mistake anywhere
// (an unknown option, a missing value, --set without "=", a control the form
// lacks, --click on something other than a button) is 2 before any action
// runs: nothing printed, every text as it was, no record; --help (before any
// mistake) prints the usage and is 0; 1 comes with the message of a code of
// the error table and exactly one record of that code; 2 comes with a
// reason that starts with the program's name.
//
// The program touches nothing outside its sandbox folder: its "Check" reads
// only plain file names there, and its drawing is never written.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/datafile.h"
#include "frame/driver.h"
#include "frame/numtext.h"
#include "frame/program.h"
#include "fuzz_support.h"

namespace {

using frame::ControlDesc;
using frame::ControlKind;

constexpr ControlDesc kControls[] = {
    {"EDIT1", ControlKind::Edit, "#", 10, 10, 40, 20, 8, false, "mark"},
    {"EDIT2", ControlKind::Edit, "", 10, 40, 40, 20, 4, true, "from"},
    {"EDIT3", ControlKind::Edit, "", 10, 70, 200, 20, 16, false, "data"},
    {"TEXT1", ControlKind::Static, "Mark", 60, 10, 40, 16, 0, false, ""},
    {"TEXT2", ControlKind::Static, "Number of data:0", 10, 130, 200, 16, 0, false, "count"},
    {"BUTTON1", ControlKind::Button, "Refer", 120, 70, 50, 20, 0, false, "refer"},
    {"BUTTON2", ControlKind::Button, "Check", 120, 40, 50, 20, 0, false, "check"},
    {"BUTTON3", ControlKind::Button, "Calc.", 120, 100, 50, 20, 0, false, ""},
};
constexpr frame::FormDesc kForm = {"sample", 300, 200, "FixedSys", 16, kControls};

// Draws nothing and writes nothing: "saving" works for short names only.
class SandboxSurface : public frame::RecordingSurface {
 public:
  bool save_png(const std::string& path) override { return !path.empty() && path.size() < 40; }
};

// The harness's own folder, with a few data files; made once, removed at
// the end of the process.
const std::string& sandbox() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("fuzz_driver_args_" + std::to_string(::getpid()));
    std::string text = path.string();
    Folder() {
      std::filesystem::create_directories(path);
      std::ofstream(path / "data.txt", std::ios::binary) << "# comment\r\n1\r\n2\r\n\x1a";
      std::ofstream(path / "long.txt", std::ios::binary) << std::string(40000, '7');
      std::ofstream(path / "empty.txt", std::ios::binary);
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } folder;
  return folder.text;
}

class SampleProgram : public frame::Program {
 public:
  explicit SampleProgram(frame::FileDialogs& dialogs) : dialogs_(dialogs) {
    form_.bind_handlers({
        {"BUTTON1_ON", [this] { BUTTON1_ON(); }},
        {"BUTTON2_ON", [this] { BUTTON2_ON(); }},
        {"BUTTON3_ON", [this] { BUTTON3_ON(); }},
        {"EDIT2_CHANGE", [this] { EDIT2_CHANGE(); }},
    });
  }
  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }

 private:
  void BUTTON1_ON() {
    frame::refer(form_, dialogs_, frame::DialogKind::Open, "Data for FFT", "*.*",
                 "Data File(*.*)", data_);
  }
  // Counts the data lines of a file of the sandbox folder (a name with a
  // folder in it reads as a file that is not there).
  void BUTTON2_ON() {
    const frame::CommentMark mark(form_.text(mark_));
    const std::string& name = form_.text(data_);
    files_.open("I", 1, sandbox() + "/" + (name.find('/') == std::string::npos ? name : "missing"));
    float count = 0;
    while (!files_.eof(1)) {
      if (mark.is_data(files_.read_line(1))) count = count + 1;
    }
    files_.close({1});
    form_.set_text(count_, "Number of Data:" + frame::free_form(count, frame::Kind::Single));
  }
  // Divides by the From field.
  void BUTTON3_ON() {
    const double from = frame::val(form_.text(from_));
    form_.set_text(text1_, frame::free_form(frame::checked_div(1, from), frame::Kind::Double));
  }
  // Follows the From field, and sets it back when it grows long (a change
  // that raises another change: the queue takes care of it).
  void EDIT2_CHANGE() {
    form_.set_text(text1_, "From " + form_.text(from_));
    if (form_.text(from_).size() > 6) form_.set_text(from_, "1");
  }

  frame::Form form_{kForm};
  frame::FileTable files_;
  frame::FileDialogs& dialogs_;
  frame::ControlRef mark_ = form_.bind("EDIT1");
  frame::ControlRef from_ = form_.bind("EDIT2");
  frame::ControlRef data_ = form_.bind("EDIT3");
  frame::ControlRef text1_ = form_.bind("TEXT1");
  frame::ControlRef count_ = form_.bind("TEXT2");
};

class Records : public frame::ErrorRecordStore {
 public:
  std::vector<frame::ErrorRecord> written;
  void write(const frame::ErrorRecord& r) override { written.push_back(r); }
};

enum class Expect { Usage, Help, Runs };

// What the parse of the whole command line must decide, before any action.
Expect expected_parse(const frame::Form& form, const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& o = args[i];
    if (o == "--help" || o == "-h") return Expect::Help;
    if (o != "--set" && o != "--click" && o != "--choose" && o != "--print" &&
        o != "--save-drawing")
      return Expect::Usage;
    if (i + 1 >= args.size()) return Expect::Usage;
    const std::string& v = args[++i];
    if (o == "--set") {
      const std::size_t eq = v.find('=');
      if (eq == std::string::npos || !form.find(std::string_view(v).substr(0, eq)))
        return Expect::Usage;
    } else if (o == "--click") {
      const auto c = form.find(v);
      if (!c || form.control(*c).kind != ControlKind::Button) return Expect::Usage;
    } else if (o == "--print") {
      if (!form.find(v)) return Expect::Usage;
    }
  }
  return Expect::Runs;
}

int message_code(const std::string& message) {
  const std::string head = "エラー[";
  const std::size_t at = message.find(head);
  if (at == std::string::npos) return -1;
  return std::atoi(message.c_str() + at + head.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Arguments separated by NUL bytes, at most 24.
  std::vector<std::string> args;
  std::string current;
  for (std::size_t i = 0; i < size && args.size() < 24; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (args.size() < 24 && !current.empty()) args.push_back(current);

  frame::ScriptedDialogs dialogs;
  SandboxSurface surface;
  Records records;
  SampleProgram program(dialogs);
  frame::DriverContext context{program.form(), dialogs, surface, program.files(), records};
  std::vector<std::string> before;
  for (int i = 0; i < program.form().control_count(); ++i)
    before.push_back(program.form().text(frame::ControlRef{i}));

  std::ostringstream out, err;
  const int status = frame::run_driver(context, args, out, err);
  FUZZ_REQUIRE(status >= 0 && status <= 2, "exit status", std::to_string(status));

  const Expect expect = expected_parse(program.form(), args);
  std::string joined;
  for (const std::string& a : args) joined += fuzz::show(a) + " ";
  if (expect == Expect::Usage || expect == Expect::Help) {
    std::vector<std::string> after;
    for (int i = 0; i < program.form().control_count(); ++i)
      after.push_back(program.form().text(frame::ControlRef{i}));
    FUZZ_REQUIRE(after == before && records.written.empty(),
                  "a command line that runs nothing changed the form", joined);
  }
  if (expect == Expect::Usage) {
    FUZZ_REQUIRE(status == 2 && out.str().empty(), "a mistake must be 2 before any action", joined);
  }
  if (expect == Expect::Help) {
    FUZZ_REQUIRE(status == 0 && out.str().starts_with("usage: sample"), "help", joined);
  }
  if (status == 1) {
    const int code = message_code(err.str());
    FUZZ_REQUIRE(fuzz::is_table_code(code), "message code outside the table", err.str());
    FUZZ_REQUIRE(records.written.size() == 1 && records.written[0].code == code &&
                      records.written[0].modl == "sample",
                  "one record of the error's code", joined);
    FUZZ_REQUIRE(err.str().starts_with("\r\nsample ["), "message text", err.str());
  } else {
    FUZZ_REQUIRE(records.written.empty(), "a record without an error", joined);
  }
  if (status == 2) {
    const std::string reason = err.str();
    FUZZ_REQUIRE(reason.starts_with("sample: ") && reason.ends_with("\n"),
                  "a usage error is a reason naming the program", fuzz::show(reason));
  }
  // Every number is free again, whatever happened.
  try {
    program.files().eof(1);
    fuzz::fail("file left open after the run", joined);
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 57, "file left open after the run", joined);
  }
  return 0;
}
