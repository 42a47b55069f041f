// A settings file of arbitrary bytes loaded into the forms of both programs
// through their LOAD button, by the headless driver.
//
// Holds: the driver ends with 0 or 1, never 2 and never a crash; LOAD itself
// raises only 54 (fewer than ten lines) or 15 (a line over 32767
// characters), and mulrin's labels that follow the exponent and
// samples-per-cycle fields only 5, 6 or 11; after a LOAD that ended normally
// every field holds exactly its line of the file (the plain reader of the
// file rules gives the lines); after 54 the fields of the lines before the
// missing one hold their lines.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "frame/surface.h"
#include "fuzz_support.h"
#include "mulrin/app.h"
#include "mulrin/form_table.h"
#include "reference_reader.h"
#include "tarvex/app.h"
#include "tarvex/form_table.h"

namespace {

class NoRecords : public frame::ErrorRecordStore {
 public:
  int written = 0;
  void write(const frame::ErrorRecord&) override { ++written; }
};

// The code in a run-time error message ("...:エラー[54]"), or -1.
int message_code(const std::string& message) {
  const std::string head = "エラー[";
  const std::size_t at = message.find(head);
  if (at == std::string::npos) return -1;
  return std::atoi(message.c_str() + at + head.size());
}

// Runs LOAD on a program and prints the fields named by `fields`, in order.
// Checks the ending and returns the printed text.
template <class Factory>
void load(Factory make, const std::string& path, const std::vector<std::string>& fields,
          const std::vector<int>& line_of_field, const std::vector<std::string>& lines,
          int lines_read, int reader_code, std::initializer_list<int> label_codes) {
  frame::ScriptedDialogs dialogs;
  frame::RecordingSurface surface;
  NoRecords records;
  std::unique_ptr<frame::Program> program = make(dialogs, surface);
  frame::DriverContext context{program->form(), dialogs, surface, program->files(), records};
  std::vector<std::string> args = {"--choose", path, "--click", "load"};
  for (const std::string& f : fields) {
    args.push_back("--print");
    args.push_back(f);
  }
  std::ostringstream out, err;
  const int status = frame::run_driver(context, args, out, err);
  FUZZ_REQUIRE(status == 0 || status == 1, "driver status", std::to_string(status));

  if (status == 1) {
    const int code = message_code(err.str());
    FUZZ_REQUIRE(records.written == 1, "one record per run-time error");
    const bool from_reader = code == reader_code && reader_code != 0;
    const bool from_label =
        std::find(label_codes.begin(), label_codes.end(), code) != label_codes.end();
    FUZZ_REQUIRE(from_reader || from_label, "unexpected code from LOAD",
                  err.str() + " reader code " + std::to_string(reader_code));
    // The fields set before the failure hold their lines.
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const int line = line_of_field[i];
      if (line >= lines_read) continue;
      const std::string& text = program->form().text(frame::ControlRef{*program->form().find(fields[i])});
      if (from_reader)
        FUZZ_REQUIRE(text == lines[static_cast<std::size_t>(line)], "field not set before the error",
                      fields[i]);
    }
    return;
  }
  FUZZ_REQUIRE(reader_code == 0, "LOAD ended normally where the file rules say error",
                std::to_string(reader_code));
  std::string expected;
  for (int line : line_of_field) expected += lines[static_cast<std::size_t>(line)] + "\n";
  FUZZ_REQUIRE(out.str() == expected, "fields differ from the lines of the file",
                fuzz::show(out.str()) + " vs " + fuzz::show(expected));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile file;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  file.set(bytes);

  // The lines the file rules give, up to ten, and the error at the first
  // line that cannot be read.
  fuzz::ReferenceReader reader(bytes);
  std::vector<std::string> lines;
  int reader_code = 0;
  for (int i = 0; i < 10; ++i) {
    std::string line;
    reader_code = reader.read_line(line);
    if (reader_code != 0) break;
    lines.push_back(line);
  }
  const int lines_read = static_cast<int>(lines.size());
  lines.resize(10);

  // tarvex: lines 1..4, 7 and 10 go to EDIT2, EDIT3, EDIT1, EDIT4, EDIT5, EDIT6.
  load(tarvex::make_app, file.path(), {"EDIT2", "EDIT3", "EDIT1", "EDIT4", "EDIT5", "EDIT6"},
       {0, 1, 2, 3, 6, 9}, lines, lines_read, reader_code, {});
  // mulrin: lines 1..10 go to EDIT1..EDIT10.
  load(mulrin::make_app, file.path(),
       {"EDIT1", "EDIT2", "EDIT3", "EDIT4", "EDIT5", "EDIT6", "EDIT7", "EDIT8", "EDIT9", "EDIT10"},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, lines, lines_read, reader_code, {5, 6, 11});
  return 0;
}
