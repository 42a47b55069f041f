// What the fault tests share: a folder of their own with a picture of its
// files, the two programs run as processes (with resource limits) or in this
// process through the headless driver, and the usual command lines.
#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "frame/program.h"
#include "frame/surface.h"
#include "tests/support/support.h"

namespace reliability {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// A folder for one test, removed afterwards (read-only files too): "work"
// in the test's scratch folder, which also keeps a program run's output.
class Folder {
 public:
  Folder();
  const fs::path& path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }
  std::string put(std::string_view name, std::string_view bytes) const;  // returns its path
  std::string read(std::string_view name) const;
  // Every file below the folder (names relative to it) with its bytes.
  using Picture = std::map<std::string, std::string>;
  Picture picture() const;

 private:
  test_support::Scratch run_;
  fs::path path_;
};

// The files of `before` not in `except` that are missing or changed in
// `after`, one per line; empty when all are kept.
std::string lost_files(const Folder::Picture& before, const Folder::Picture& after,
                       const std::vector<std::string>& except = {});

// `lines` data lines (14 bytes each) of a sine of `samples_per_cycle`
// samples per cycle, value in columns 1..12, after two comment lines "#".
std::string sine_data(int lines, int samples_per_cycle = 100);

using test_support::message_code;

// Adds "--set NAME=TEXT" for each pair; "--click BUTTON".
Args with(Args args, const std::vector<std::pair<std::string, std::string>>& fields);
Args click(Args args, const std::string& button);
// The usual fields: tarvex with 100 samples per cycle and file intervals of
// 2 cycles; mulrin with blocks of 2^8 samples every 128 samples.
Args tarvex_fields(const std::string& data, const std::string& report);
Args mulrin_fields(const std::string& data, const std::string& report);

// ---- the programs as processes ---------------------------------------------

struct Limits {
  rlim_t address_space = RLIM_INFINITY;  // bytes (not applied under AddressSanitizer)
  rlim_t file_size = RLIM_INFINITY;      // bytes; writes beyond fail as a full disk does
  rlim_t cpu_seconds = 300;              // a run that loops forever is killed
  // Where standard output goes ("-": closed); empty: a file that becomes Ended::out.
  std::string out_path = {};
  bool no_home = false;  // neither HOME nor XDG_CONFIG_HOME is set
};

struct Ended {
  int status = -1;  // exit status, or -1 when ended by a signal
  int signal = 0;
  std::string out, err;
  long max_rss_kb = 0;  // the program's peak resident memory in KiB (0: unknown)
  std::string record;   // the last-error record written (key=value lines), or empty
  int code() const { return message_code(err); }
};

// Runs the built program with arguments, in the folder as working folder and
// with the folder as the record's configuration folder.
Ended run_program(const std::string& program, const Args& args, const Folder& folder,
                  const Limits& limits = {});
// Starts it the same way without waiting (its stdout and stderr are dropped);
// returns the process id.
int start_program(const std::string& program, const Args& args, const Folder& folder);
// The built programs, or those named by RELIABILITY_TARVEX / RELIABILITY_MULRIN
// (to run the whole-run tests against another build).
std::string tarvex_program();
std::string mulrin_program();

// ---- the programs in this process -------------------------------------------

using MemoryRecords = test_support::RecordStore;

// A program built by its factory and driven by run_driver; run gives the
// exit status.
struct InProcess : test_support::Session {
  using Session::Session;
  int run(const Args& args) { return Session::run(args).status; }
};

// Rows of the test tables print as their names (in listings and test names).
namespace {
template <class Row>
requires requires(const Row& row) {
  row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}
}  // namespace

}  // namespace reliability
