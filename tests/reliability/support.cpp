#include "support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace reliability {

namespace {

// Under AddressSanitizer the address space cannot be limited (its shadow is
// very large); a limit on single allocations stands in for it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace

Folder::Folder() : path_(run_.dir() / "work") {
  fs::create_directories(path_);
}

std::string Folder::put(std::string_view name, std::string_view bytes) const {
  test_support::write_file(path_ / name, bytes);
  return (path_ / name).string();
}

std::string Folder::read(std::string_view name) const {
  return test_support::read_file(path_ / name);
}

Folder::Picture Folder::picture() const {
  Picture files;
  for (const auto& entry : fs::recursive_directory_iterator(path_)) {
    const std::string name = fs::relative(entry.path(), path_).string();
    if (entry.is_directory())
      files[name + "/"] = "folder";
    else if (!entry.is_regular_file())
      files[name] = "other";
    else if (entry.file_size() > (64u << 20))
      files[name] = "size " + std::to_string(entry.file_size());
    else
      files[name] = test_support::read_file(entry.path());
  }
  return files;
}

std::string lost_files(const Folder::Picture& before, const Folder::Picture& after,
                       const std::vector<std::string>& except) {
  std::string lost;
  for (const auto& [name, bytes] : before) {
    if (std::find(except.begin(), except.end(), name) != except.end()) continue;
    const auto it = after.find(name);
    if (it == after.end())
      lost += name + " is gone\n";
    else if (it->second != bytes)
      lost += name + " changed\n";
  }
  return lost;
}

std::string sine_data(int lines, int samples_per_cycle) {
  std::string data = "# time series for the fault tests\r\n# value\r\n";
  char line[64];
  for (int i = 0; i < lines; ++i) {
    const double v =
        100 + 50 * std::sin(2 * 3.14159265358979 * i / samples_per_cycle + 0.5) + (i % 7) * 0.125;
    std::snprintf(line, sizeof line, "%12.4f\r\n", v);
    data += line;
  }
  return data;
}

Args with(Args args, const std::vector<std::pair<std::string, std::string>>& fields) {
  for (const auto& [name, text] : fields) args.insert(args.end(), {"--set", name + "=" + text});
  return args;
}

Args click(Args args, const std::string& button) {
  args.insert(args.end(), {"--click", button});
  return args;
}

Args tarvex_fields(const std::string& data, const std::string& report) {
  return with({}, {{"comment-mark", "#"},
                   {"from", "1"},
                   {"letters", "12"},
                   {"data-file", data},
                   {"samples-per-cycle", "100"},
                   {"origin", "0"},
                   {"angular-speed", "360"},
                   {"display-interval", "1"},
                   {"file-interval", "2"},
                   {"display-factor", "1"},
                   {"report-file", report}});
}

Args mulrin_fields(const std::string& data, const std::string& report) {
  return with({}, {{"from", "1"},
                   {"letters", "12"},
                   {"comment-mark", "#"},
                   {"data-file", data},
                   {"exponent", "8"},
                   {"step", "128"},
                   {"samples-per-cycle", "100"},
                   {"threshold", "1"},
                   {"origin", "0"},
                   {"report-file", report}});
}

std::string tarvex_program() {
  const char* other = std::getenv("RELIABILITY_TARVEX");
  return other && *other ? other : TARVEX_PROGRAM;
}
std::string mulrin_program() {
  const char* other = std::getenv("RELIABILITY_MULRIN");
  return other && *other ? other : MULRIN_PROGRAM;
}

namespace {
pid_t start(const std::string& program, const Args& args, const Folder& folder,
            const Limits& limits) {
  const fs::path run_folder = folder.path().parent_path();
  const fs::path out_path = run_folder / "stdout", err_path = run_folder / "stderr";
  const fs::path config = run_folder / "config", rss_path = run_folder / "peak-kib";
  fs::remove_all(config);
  fs::create_directories(config);
  fs::remove(rss_path);

  // The record goes to the test's own configuration folder.
  std::vector<std::string> env;
  std::string asan_options;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.starts_with("ASAN_OPTIONS="))
      asan_options = entry.substr(13);
    else if (!entry.starts_with("XDG_CONFIG_HOME=") &&
             !(limits.no_home && entry.starts_with("HOME=")))
      env.push_back(entry);
  }
  if (!limits.no_home) env.push_back("XDG_CONFIG_HOME=" + config.string());
  if (kAddressSanitizer && limits.address_space != RLIM_INFINITY)
    asan_options += std::string(asan_options.empty() ? "" : ":") +
                    "allocator_may_return_null=0:max_allocation_size_mb=" +
                    std::to_string(limits.address_space >> 20);
  if (!asan_options.empty()) env.push_back("ASAN_OPTIONS=" + asan_options);

  // Started through peak_memory, which notes the program's own peak memory.
  Args command = {PEAK_MEMORY_PROGRAM, rss_path.string(), program};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& a : command) argv.push_back(a.data());
  for (std::string& e : env) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The child: no allocation from here on, only system calls.
    const char* out_to = limits.out_path.empty() ? out_path.c_str() : limits.out_path.c_str();
    const int out =
        limits.out_path == "-" ? -1 : ::open(out_to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    if (out < 0 ? (limits.out_path != "-" || ::close(1) != 0) : ::dup2(out, 1) < 0) ::_exit(126);
    if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
    const auto limit = [](int resource, rlim_t value) {
      const struct rlimit r { value, value };
      if (value != RLIM_INFINITY) ::setrlimit(resource, &r);
    };
    limit(RLIMIT_CPU, limits.cpu_seconds);
    limit(RLIMIT_FSIZE, limits.file_size);
    limit(RLIMIT_AS, kAddressSanitizer ? RLIM_INFINITY : limits.address_space);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return pid;
}
}  // namespace

int start_program(const std::string& program, const Args& args, const Folder& folder) {
  return start(program, args, folder, Limits{});
}

Ended run_program(const std::string& program, const Args& args, const Folder& folder,
                  const Limits& limits) {
  const fs::path run_folder = folder.path().parent_path();
  const fs::path out_path = run_folder / "stdout", err_path = run_folder / "stderr";
  const fs::path config = run_folder / "config", rss_path = run_folder / "peak-kib";
  const pid_t pid = start(program, args, folder, limits);
  Ended ended;
  int wstatus = 0;
  if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) return ended;
  if (WIFEXITED(wstatus)) ended.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) ended.signal = WTERMSIG(wstatus);
  ended.max_rss_kb = std::atol(test_support::read_file(rss_path).c_str());
  ended.out = test_support::read_file(out_path);
  ended.err = test_support::read_file(err_path);
  // Wherever the build's record store keeps it (a key=value file either way).
  for (const auto& entry : fs::recursive_directory_iterator(config))
    if (entry.is_regular_file()) ended.record += test_support::read_file(entry.path());
  return ended;
}

}  // namespace reliability
