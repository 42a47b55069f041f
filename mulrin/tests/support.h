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
class Scratch {
 public:
  Scratch() {
    static int serial = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("mulrin_tests_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(std::string_view name) const { return (dir_ / name).string(); }
  std::string write(std::string_view name, std::string_view bytes) const {
    const std::string p = path(name);
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  std::string read(std::string_view name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool exists(std::string_view name) const { return std::filesystem::exists(path(name)); }

 private:
  std::filesystem::path dir_;
};

// Data lines, each ended by CR LF.
inline std::string lines(const std::vector<std::string>& texts) {
  std::string s;
  for (const std::string& t : texts) s += t + "\r\n";
  return s;
}

class MemoryRecords : public frame::ErrorRecordStore {
 public:
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
    int status = 0;
    std::string out, err;
    // The code of the run-time error in the message, or 0.
    int error_code() const {
      const std::string head = "エラー[";
      const std::size_t at = err.find(head);
      return at == std::string::npos ? 0 : std::stoi(err.substr(at + head.size()));
    }
  };

  Result run(const std::vector<std::string>& args) {
    frame::DriverContext context{app.form(), dialogs, surface, app.files(), records};
    std::ostringstream out, err;
    Result r;
    r.status = frame::run_driver(context, args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  std::string text(std::string_view name) {
    return app.form().text(frame::ControlRef{*app.form().find(name)});
  }
};

}  // namespace mulrin::testing
