// Test support: a scratch folder, files written and read byte for byte, and
// mulrin driven through the headless command line.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "frame/driver.h"
#include "frame/surface.h"
#include "mulrin/app.h"

namespace mulrin::testing {

// A fresh folder per test, removed afterwards.
struct Scratch {
  inline static int serial = 0;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
      ("mulrin_tests_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
  Scratch() { std::filesystem::create_directories(dir); }
  ~Scratch() { std::error_code ec; std::filesystem::remove_all(dir, ec); }
  std::string path(std::string_view name) const { return (dir / name).string(); }
  std::string write(std::string_view name, std::string_view bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }
  std::string read(std::string_view name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool exists(std::string_view name) const { return std::filesystem::exists(path(name)); }
};

// Data lines, each ended by CR LF.
inline std::string lines(const std::vector<std::string>& texts) {
  std::string s;
  for (const std::string& t : texts) s += t + "\r\n";
  return s;
}

// Command-line words, split at spaces.
inline std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The fields of a Calculate run over `data` writing `report`, then the click.
inline std::vector<std::string> calculate_args(const std::string& data, const std::string& report,
                                               const std::string& exponent, const std::string& step,
                                               const std::string& samples_per_cycle,
                                               const std::string& threshold = "0.5") {
  return {"--set", "EDIT3=#", "--set", "EDIT1=1", "--set", "EDIT2=12", "--set", "EDIT4=" + data,
          "--set", "EDIT5=" + exponent, "--set", "EDIT6=" + step, "--set", "EDIT7=" + samples_per_cycle,
          "--set", "EDIT8=" + threshold, "--set", "EDIT9=" + report, "--click", "BUTTON6"};
}

struct MemoryRecords : frame::ErrorRecordStore {
  void write(const frame::ErrorRecord& record) override { last = record; }
  frame::ErrorRecord last;
};

// One program with its dialogs, driven by command lines.
struct Session {
  frame::ScriptedDialogs dialogs;
  frame::RecordingSurface surface;
  MemoryRecords records;
  App app{dialogs};

  struct Result {
    int status;
    std::string out, err;
    // The code of the run-time error in the message, or 0.
    int error_code() const {
      const std::string head = "エラー[";
      const std::size_t at = err.find(head);
      return at == std::string::npos ? 0 : std::stoi(err.substr(at + head.size()));
    }
  };

  Result run(const std::vector<std::string>& args) {
    frame::DriverContext context{app.form(), dialogs, surface, app.files(), records, app.exports()};
    std::ostringstream out, err;
    const int status = frame::run_driver(context, args, out, err);
    return {status, out.str(), err.str()};
  }

  std::string text(std::string_view name) {
    return app.form().text(frame::ControlRef{*app.form().find(name)});
  }
};

}  // namespace mulrin::testing
