// The two programs as the fault tests run them: their usual command lines, a
// data file of a sine, and the built programs run as processes (with limits
// on their resources) in a scratch folder.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "frame/platform/process.h"
#include "tests/support/support.h"

namespace test_support {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Every file below the folder (names relative to it) with its bytes.
using Picture = std::map<std::string, std::string>;
Picture picture(const Scratch& folder);
// The files of `before` not in `except` that are missing or changed in
// `after`, one per line; empty when all are kept.
std::string lost_files(const Picture& before, const Picture& after,
                       const std::vector<std::string>& except = {});

// `lines` data lines (14 bytes each) of a sine of `samples_per_cycle`
// samples per cycle, value in columns 1..12, after two comment lines "#".
std::string sine_data(int lines, int samples_per_cycle = 100);

// Adds "--set NAME=TEXT" for each pair; "--click BUTTON"; more words.
Args with(Args args, const Fields& fields);
Args click(Args args, const std::string& button);
Args operator+(Args a, const Args& b);
// The usual fields: tarvex with 100 samples per cycle and file intervals of
// 2 cycles; mulrin with blocks of 2^8 samples every 128 samples.
Args tarvex_fields(const std::string& data, const std::string& report);
Args mulrin_fields(const std::string& data, const std::string& report);

using frame::platform::kNoLimit;
// Applied on POSIX systems only.
struct Limits {
  std::uint64_t address_space = kNoLimit;  // bytes (not applied under AddressSanitizer)
  std::uint64_t file_size = kNoLimit;      // bytes; writes beyond fail as a full disk does
  std::uint64_t cpu_seconds = 300;         // a run that loops forever is killed
  // Where standard output goes ("-": closed); empty: a file that becomes Ended::out.
  std::string out_path = {};
  bool no_home = false;  // none of HOME, USERPROFILE, XDG_CONFIG_HOME is set
};

struct Ended {
  int status = -1;  // exit status, or -1 when ended by a signal
  int signal = 0;
  std::string out, err;
  long max_rss_kb = 0;  // the program's peak resident memory in KiB (0: unknown)
  std::string record;   // the last-error record written (key=value lines), or empty
  int code() const { return message_code(err); }
};

// Runs the built program with arguments, in the folder as working folder;
// its output, peak memory and record are kept in a folder of their own.
Ended run_program(const std::string& program, const Args& args, const Scratch& folder,
                  const Limits& limits = {});
// Starts it without waiting (and without noting its memory); returns the
// process id for frame::platform::wait_process.
long start_program(const std::string& program, const Args& args, const Scratch& folder);
// The programs of this build.
std::string tarvex_program();
std::string mulrin_program();

}  // namespace test_support

// Rows of the fault tests' tables print as their names (in listings and test
// names); the rows live in the tests' own unnamed namespace.
namespace reliability {
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
