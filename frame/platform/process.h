// Other programs run as processes of their own, for the tests that run the
// built tools whole: start one with its arguments, environment, working
// folder and standard streams sent to files; wait for it, or stop it. Also
// the few process settings those tests change. Paths are UTF-8. Only the
// tests link this; the tools themselves never start a process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace frame::platform {

// No limit on a resource.
inline constexpr std::uint64_t kNoLimit = UINT64_MAX;

struct ProcessStart {
  std::vector<std::string> args;         // args[0]: the program's path
  std::vector<std::string> environment;  // "NAME=VALUE", the whole environment
  // The working folder and the files of standard output and error; empty:
  // those of this process. A stream to "-" is closed.
  std::string folder, out_path, err_path;
  // Limits where the system has them (POSIX resource limits); elsewhere
  // they are not applied.
  std::uint64_t cpu_seconds = kNoLimit;
  std::uint64_t file_size = kNoLimit;  // bytes; a longer write fails as on a full disk
  std::uint64_t address_space = kNoLimit;
};

struct ProcessEnd {
  bool ended = false;  // false: still running (a look without waiting), or no such process
  int status = -1;     // exit status, or -1 when ended by a signal
  int signal = 0;
  long peak_kib = 0;  // peak resident memory in KiB where the system tells it, else 0
};

// The process's id, or -1 when it could not be started.
long start_process(const ProcessStart& start);
// Waits for the process to end (or only looks, without waiting) and ends
// the system's hold on it once it has ended.
ProcessEnd wait_process(long id, bool wait = true);
// Runs `body` in a copy of this process, which ends with the status `body`
// returns; the copy's id, or -1 where processes cannot be copied (Windows).
long run_in_copy(const std::function<int()>& body);
// Stops a running process at once; false when it could not be stopped.
bool kill_process(long id);
// Ends this process the way `end` says another one ended: with its status,
// or by the same signal.
[[noreturn]] void end_like(const ProcessEnd& end);

long current_process_id();
// The environment of this process, as "NAME=VALUE" entries.
std::vector<std::string> environment();
// Sets a variable of this process's environment; nothing: removes it.
void set_environment(const std::string& name, const std::optional<std::string>& value);
// Makes a FIFO (a named pipe in the file system); false where there are
// none. From then on a write to a pipe without reader fails (no signal).
bool make_fifo(const std::string& path);

}  // namespace frame::platform
