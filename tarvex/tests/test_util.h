// Helpers shared by the tarvex tests: a scratch folder, whole-file texts, and
// a program driven the way the command line drives it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "frame/driver.h"
#include "frame/errors.h"
#include "frame/surface.h"
#include "tarvex/app.h"

namespace tarvex::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
struct ScratchDir {
  inline static int serial = 0;
  fs::path path_ = fs::temp_directory_path() / ("tarvex_test_" + std::to_string(::getpid()) + "_" +
                                                std::to_string(++serial));
  ScratchDir() { fs::create_directories(path_); }
  ~ScratchDir() { std::error_code ec; fs::remove_all(path_, ec); }
  const fs::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines joined with CR LF after each one.
inline std::string crlf_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A report as the tools close it: CR LF after each line, then one 0x1A.
inline std::string closed_report(const std::vector<std::string>& lines) { return crlf_lines(lines) + "\x1a"; }

struct NoRecords : frame::ErrorRecordStore {
  void write(const frame::ErrorRecord&) override {}
};

// tarvex on scripted dialogs and a recording surface.
struct Harness {
  frame::ScriptedDialogs dialogs;
  frame::RecordingSurface surface;
  NoRecords records;
  App app{dialogs, surface};
  std::string out, err;

  int run(const std::vector<std::string>& args) {
    frame::DriverContext context{app.form(), dialogs, surface, app.files(), records, app.exports()};
    std::ostringstream out_stream, err_stream;
    const int status = frame::run_driver(context, args, out_stream, err_stream);
    out = out_stream.str(), err = err_stream.str();
    return status;
  }
  const std::string& text(std::string_view name) { return app.form().text(app.form().bind(name)); }
  void set(std::string_view name, std::string value) {
    app.form().set_text(app.form().bind(name), std::move(value));
  }
};

// Runs a handler and returns the code of the run-time error it raised, or 0.
template <typename F>
int error_code_of(F&& handler) {
  try { handler(); } catch (const frame::RuntimeError& e) { return e.code(); }
  return 0;
}

}  // namespace tarvex::testing
