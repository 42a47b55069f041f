#include "support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

namespace reliability {

namespace {

// Every test's folders live below one folder of the test process.
const fs::path& process_folder() {
  static const struct Root {
    fs::path path = fs::temp_directory_path() / ("reliability_" + std::to_string(::getpid()));
    ~Root() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } root;
  return root.path;
}

std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

Folder::Folder() {
  static int next = 0;
  path_ = process_folder() / std::to_string(next++) / "work";
  fs::create_directories(path_);
}

Folder::~Folder() {
  std::error_code ec;
  // Files made read-only by a test are removed all the same.
  for (auto it = fs::recursive_directory_iterator(path_.parent_path(), ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_.parent_path(), ec);
}

std::string Folder::put(std::string_view name, std::string_view bytes) const {
  const fs::path p = path_ / name;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p.string();
}

std::string Folder::read(std::string_view name) const { return file_text(path_ / name); }

Folder::Picture Folder::picture() const {
  Picture files;
  for (const auto& entry : fs::recursive_directory_iterator(path_)) {
    const std::string name = fs::relative(entry.path(), path_).string();
    if (entry.is_regular_file()) {
      // Large files are pictured by size alone.
      files[name] = entry.file_size() > (64u << 20) ? "size " + std::to_string(entry.file_size())
                                                    : file_text(entry.path());
    } else if (entry.is_directory()) {
      files[name + "/"] = "folder";
    } else {
      files[name] = "other";
    }
  }
  return files;
}

std::string lost_files(const Folder::Picture& before, const Folder::Picture& after,
                       const std::vector<std::string>& except) {
  std::string lost;
  for (const auto& [name, bytes] : before) {
    if (std::find(except.begin(), except.end(), name) != except.end()) continue;
    const auto it = after.find(name);
    if (it == after.end()) {
      lost += name + " is gone\n";
    } else if (it->second != bytes) {
      lost += name + " changed\n";
    }
  }
  return lost;
}

std::string sine_data(int lines, int samples_per_cycle) {
  std::string data = "# time series for the fault tests\r\n# value\r\n";
  char line[64];
  for (int i = 0; i < lines; ++i) {
    const double v = 100 + 50 * std::sin(2 * 3.14159265358979 * i / samples_per_cycle + 0.5) +
                     (i % 7) * 0.125;
    std::snprintf(line, sizeof line, "%12.4f\r\n", v);
    data += line;
  }
  return data;
}

int message_code(const std::string& message) {
  const std::string head = "エラー[";
  const std::size_t at = message.find(head);
  if (at == std::string::npos) return -1;
  return std::atoi(message.c_str() + at + head.size());
}

bool address_sanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

std::string tarvex_program() { return TARVEX_PROGRAM; }
std::string mulrin_program() { return MULRIN_PROGRAM; }

Ended run_program(const std::string& program, const std::vector<std::string>& args,
                  const Folder& folder, const Limits& limits) {
  const fs::path run_folder = folder.path().parent_path();
  const fs::path out_path = run_folder / "stdout";
  const fs::path err_path = run_folder / "stderr";
  const fs::path config = run_folder / "config";
  fs::remove_all(config);
  fs::create_directories(config);

  // The environment: the record goes to the test's own configuration folder;
  // under AddressSanitizer a single allocation beyond the address-space
  // limit ends the run with a report instead of being attempted.
  std::vector<std::string> env;
  std::string asan_options;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.starts_with("XDG_CONFIG_HOME=")) continue;
    if (entry.starts_with("ASAN_OPTIONS=")) {
      asan_options = entry.substr(13);
      continue;
    }
    env.push_back(entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + config.string());
  if (address_sanitizer() && limits.address_space != RLIM_INFINITY) {
    if (!asan_options.empty()) asan_options += ':';
    asan_options += "allocator_may_return_null=0:max_allocation_size_mb=" +
                    std::to_string(limits.address_space >> 20);
  }
  if (!asan_options.empty()) env.push_back("ASAN_OPTIONS=" + asan_options);

  // Started through peak_memory, which notes the program's own peak memory.
  const fs::path rss_path = run_folder / "peak-kib";
  fs::remove(rss_path);
  const std::string launcher = PEAK_MEMORY_PROGRAM;
  const std::string rss_file = rss_path.string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(launcher.c_str()));
  argv.push_back(const_cast<char*>(rss_file.c_str()));
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The child: no allocation from here on, only system calls.
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
    // Writes beyond the file size limit fail with "file too large" (the
    // disk-full code) instead of ending the process with a signal.
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r {};
    r.rlim_cur = r.rlim_max = limits.cpu_seconds;
    ::setrlimit(RLIMIT_CPU, &r);
    if (limits.file_size != RLIM_INFINITY) {
      r.rlim_cur = r.rlim_max = limits.file_size;
      ::setrlimit(RLIMIT_FSIZE, &r);
    }
    if (limits.address_space != RLIM_INFINITY && !address_sanitizer()) {
      r.rlim_cur = r.rlim_max = limits.address_space;
      ::setrlimit(RLIMIT_AS, &r);
    }
    ::execve(launcher.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  Ended ended;
  int wstatus = 0;
  if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) return ended;
  if (WIFEXITED(wstatus)) ended.status = WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) ended.signal = WTERMSIG(wstatus);
  ended.max_rss_kb = std::atol(file_text(rss_path).c_str());
  ended.out = file_text(out_path);
  ended.err = file_text(err_path);
  // Wherever the build's record store keeps it (a key=value file either way).
  for (const auto& entry : fs::recursive_directory_iterator(config))
    if (entry.is_regular_file()) ended.record += file_text(entry.path());
  return ended;
}

InProcess::InProcess(const frame::ProgramFactory& factory) : program(factory(dialogs, surface)) {}

int InProcess::run(const std::vector<std::string>& args) {
  frame::DriverContext context{program->form(), dialogs, surface, program->files(), records};
  std::ostringstream o, e;
  const int status = frame::run_driver(context, args, o, e);
  out = o.str();
  err = e.str();
  return status;
}

}  // namespace reliability
