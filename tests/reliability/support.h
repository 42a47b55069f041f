// What the fault tests share: a folder of their own with a picture of its
// files, the two programs run as processes (with resource limits) or in this
// process through the headless driver, and what an ended run left behind.
#pragma once

#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/driver.h"
#include "frame/program.h"
#include "frame/surface.h"

namespace reliability {

namespace fs = std::filesystem;

// A folder for one test, removed afterwards.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const fs::path& path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

  // Writes a file byte for byte; returns its path.
  std::string put(std::string_view name, std::string_view bytes) const;
  std::string read(std::string_view name) const;

  // Every file below the folder (names relative to it) with its bytes.
  using Picture = std::map<std::string, std::string>;
  Picture picture() const;

 private:
  fs::path path_;
};

// The files of `before` that are not in `except` and are missing or changed
// in `after`, one per line; empty when all are kept.
std::string lost_files(const Folder::Picture& before, const Folder::Picture& after,
                       const std::vector<std::string>& except = {});

// A data file of `lines` data lines: a sine of `samples_per_cycle` samples
// per cycle, value in columns 1..12, after two comment lines marked "#".
std::string sine_data(int lines, int samples_per_cycle = 100);

// The run-time error code in a message ("...:エラー[63]"), or -1.
int message_code(const std::string& message);

// ---- the programs as processes ---------------------------------------------

struct Limits {
  rlim_t address_space = RLIM_INFINITY;  // bytes (not applied under AddressSanitizer)
  rlim_t file_size = RLIM_INFINITY;      // bytes; writes beyond fail as a full disk does
  rlim_t cpu_seconds = 300;              // a run that loops forever is killed
};

struct Ended {
  int status = -1;    // exit status, or -1 when ended by a signal
  int signal = 0;     // the signal that ended it
  std::string out, err;
  long max_rss_kb = 0;  // the program's peak resident memory in KiB (0: unknown)
  // The last-error record the run wrote (key=value lines, in whichever file
  // the build's record store uses), empty when none.
  std::string record;
  int code() const { return message_code(err); }
};

// Runs tarvex or mulrin (the path of the built program) with arguments, in
// the folder as working folder, with the folder as the record's
// configuration folder.
Ended run_program(const std::string& program, const std::vector<std::string>& args,
                  const Folder& folder, const Limits& limits = {});

std::string tarvex_program();
std::string mulrin_program();

// Whether this build checks addresses (limits of the address space cannot be
// used then: the checker reserves a very large shadow).
bool address_sanitizer();

// ---- the programs in this process -------------------------------------------

class MemoryRecords : public frame::ErrorRecordStore {
 public:
  std::vector<frame::ErrorRecord> written;
  void write(const frame::ErrorRecord& record) override { written.push_back(record); }
};

// A program built by its factory and driven by run_driver.
struct InProcess {
  frame::ScriptedDialogs dialogs;
  frame::RecordingSurface surface;
  MemoryRecords records;
  std::unique_ptr<frame::Program> program;
  std::string out, err;

  explicit InProcess(const frame::ProgramFactory& factory);
  int run(const std::vector<std::string>& args);
  int code() const { return message_code(err); }
};

}  // namespace reliability
