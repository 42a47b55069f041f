// A settings file of arbitrary bytes loaded into the forms of both programs
// through their LOAD button, by the headless driver.
//
// Holds: the driver ends with 0 or 1, never 2 and never a crash; LOAD itself
// raises only 54 (fewer than ten lines) or 15 (a line over 32767
// characters), and mulrin's labels that follow the exponent and
// samples-per-cycle fields only 5, 6 or 11; after a LOAD that ended normally
// every field holds exactly its line of the file (the lines as the file rules
// give them: CR or CR LF ends a line, NUL dropped, a final 0x1A is the end);
// after 54 or 15 the fields of the lines before the failing one hold them.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "mulrin/app.h"
#include "tarvex/app.h"
#include "tests/support/support.h"

namespace {

// Up to ten lines of a file by the rules, and the code of the read that
// failed (0 when ten were read).
int reference_lines(std::string_view b, std::vector<std::string>& lines) {
  const std::size_t end = !b.empty() && b.back() == '\x1a' ? b.size() - 1 : b.size();
  for (std::size_t pos = 0; lines.size() < 10;) {
    if (pos >= b.size()) return 54;
    std::string line;
    for (; pos < end && b[pos] != '\r'; ++pos) {
      if (b[pos] != 0) line += b[pos];
    }
    if (line.size() > frame::kMaxLine) return 15;
    pos = pos < end ? pos + 1 + (pos + 1 < end && b[pos + 1] == '\n') : b.size();
    lines.push_back(line);
  }
  return 0;
}

// Runs LOAD on a program, prints its fields (the one of line i at i) and
// checks the ending against the lines of the file.
template <class Factory>
void load(Factory make, const std::string& path,
          const std::vector<std::pair<std::string, std::size_t>>& fields,
          const std::vector<std::string>& lines, int reader_code,
          std::initializer_list<int> label_codes) {
  test_support::Session session(make);
  std::vector<std::string> args = {"--choose", path, "--click", "load"};
  std::string expected;
  for (const auto& [name, line] : fields) {
    args.insert(args.end(), {"--print", name});
    if (line < lines.size()) expected += lines[line] + "\n";
  }
  const auto [status, out, err] = session.run(args);
  FUZZ_REQUIRE(status == 0 || status == 1, "driver status", std::to_string(status));
  if (status == 0) {
    FUZZ_REQUIRE(reader_code == 0 && out == expected, "fields differ from the lines of the file",
                 fuzz::show(out) + " vs " + fuzz::show(expected) + " reader code " +
                     std::to_string(reader_code));
    return;
  }
  const int code = test_support::message_code(err);
  const bool from_reader = code == reader_code && reader_code != 0;
  FUZZ_REQUIRE(session.records.written.size() == 1, "one record per run-time error");
  FUZZ_REQUIRE(
      from_reader || std::find(label_codes.begin(), label_codes.end(), code) != label_codes.end(),
      "unexpected code from LOAD", err + " reader code " + std::to_string(reader_code));
  for (const auto& [name, line] : fields) {  // the fields set before the failure hold their lines
    if (from_reader && line < lines.size())
      FUZZ_REQUIRE(session.text(name) == lines[line], "field not set before the error", name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile file;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  file.set(bytes);
  std::vector<std::string> lines;
  const int reader_code = reference_lines(bytes, lines);
  // tarvex: lines 1..4, 7 and 10 go to EDIT2, EDIT3, EDIT1, EDIT4, EDIT5, EDIT6.
  load(tarvex::make_app, file.path(),
       {{"EDIT2", 0}, {"EDIT3", 1}, {"EDIT1", 2}, {"EDIT4", 3}, {"EDIT5", 6}, {"EDIT6", 9}}, lines,
       reader_code, {});
  // mulrin: lines 1..10 go to EDIT1..EDIT10.
  std::vector<std::pair<std::string, std::size_t>> mulrin_fields;
  for (std::size_t i = 0; i < 10; ++i)
    mulrin_fields.emplace_back("EDIT" + std::to_string(i + 1), i);
  load(mulrin::make_app, file.path(), mulrin_fields, lines, reader_code, {5, 6, 11});
  return 0;
}
