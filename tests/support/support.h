// What the test programs share: a scratch folder per test, a program driven
// in this process the way the command line drives it, a store that keeps the
// last-error records, and the code of the run-time error an action raises.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/driver.h"
#include "frame/errors.h"
#include "frame/program.h"
#include "frame/surface.h"

namespace test_support {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// False on Windows, where the checks of what only POSIX systems have (FIFOs,
// devices under /dev, modes, resource limits, signals) are skipped.
#ifdef _WIN32
inline constexpr bool kPosix = false;
#else
inline constexpr bool kPosix = true;
#endif

// The bytes of a file (empty when it cannot be read) / a file written byte
// for byte, its folders made first.
std::string read_file(const fs::path& path);
void write_file(const fs::path& path, std::string_view bytes);

// A fresh folder for one test, removed with everything in it (read-only
// files too) when the test ends. Its name is unique to the process and to
// the object, so tests that run at the same time never share one.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& dir() const { return dir_; }
  std::string path(std::string_view name) const { return (dir_ / name).string(); }
  std::string write(std::string_view name, std::string_view bytes) const;  // returns the path
  std::string read(std::string_view name) const { return read_file(dir_ / name); }
  bool exists(std::string_view name) const { return fs::exists(dir_ / name); }

 private:
  fs::path dir_;
};

// A file in the scratch folder of the whole test process (removed when the
// process ends), written byte for byte; returns its path.
fs::path temp_file(std::string_view name, std::string_view bytes);

// Lines, each ended by CR LF.
std::string crlf_lines(const std::vector<std::string>& lines);

// The lines of a text, each ended by CR LF (what follows the last is dropped).
std::vector<std::string> split_crlf(const std::string& text);

// Command-line words, split at spaces.
Args words(const std::string& text);

// The code of the run-time error in a message ("...:エラー[63]"), or 0.
int message_code(std::string_view message);

// The code of the run-time error an action raises, or 0 when it raises none.
template <class Action>
int code_of(Action&& action) {
  try {
    action();
  } catch (const frame::RuntimeError& e) {
    return e.code();
  }
  return 0;
}

// Keeps every last-error record written, in order.
struct RecordStore : frame::ErrorRecordStore {
  std::vector<frame::ErrorRecord> written;
  void write(const frame::ErrorRecord& record) override { written.push_back(record); }
};

// A program made by its factory on scripted dialogs and a recording surface,
// driven by run_driver.
class Session {
 public:
  explicit Session(const frame::ProgramFactory& make);

  struct Result {
    int status = 0;
    std::string out, err;
    int code() const { return message_code(err); }
  };
  // Runs one command line; out and err keep what it wrote.
  Result run(const Args& args);

  // A control's text, by name or alias.
  const std::string& text(std::string_view name) const;
  // The texts of the controls named (by spaces), each followed by "|".
  std::string texts(const std::string& names) const;
  void set(std::string_view name, std::string text);

  frame::Program& program() { return *program_; }
  template <class P>
  P& as() {
    return static_cast<P&>(*program_);
  }
  frame::ScriptedDialogs dialogs;
  frame::RecordingSurface surface;
  RecordStore records;
  std::string out, err;  // of the latest run

 private:
  std::unique_ptr<frame::Program> program_;
};

}  // namespace test_support
