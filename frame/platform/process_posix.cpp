#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "frame/platform/process.h"

extern char** environ;

namespace frame::platform {

long start_process(const ProcessStart& start) {
  // Everything the child needs is made before the fork: from there on the
  // child makes system calls only, no allocation.
  std::vector<std::string> args = start.args, env = start.environment;
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  for (std::string& e : env) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  const char* folder = start.folder.empty() ? nullptr : start.folder.c_str();

  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const auto redirect = [](const std::string& path, int stream) {
    if (path.empty()) return true;
    if (path == "-") return ::close(stream) == 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return fd == stream || (fd >= 0 && ::dup2(fd, stream) >= 0 && ::close(fd) == 0);
  };
  if (!redirect(start.err_path, 2) || !redirect(start.out_path, 1)) ::_exit(126);
  if (folder && ::chdir(folder) != 0) ::_exit(126);
  const auto limit = [](int resource, std::uint64_t value) {
    const struct rlimit r { value, value };
    if (value != kNoLimit) ::setrlimit(resource, &r);
  };
  limit(RLIMIT_CPU, start.cpu_seconds);
  limit(RLIMIT_FSIZE, start.file_size);
  limit(RLIMIT_AS, start.address_space);
  ::execve(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

long run_in_copy(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int status = body();
  std::fflush(nullptr);
  ::_exit(status);
}

ProcessEnd wait_process(long id, bool wait) {
  ProcessEnd end;
  int status = 0;
  struct rusage usage {};
  if (id <= 0 || ::wait4(static_cast<pid_t>(id), &status, wait ? 0 : WNOHANG, &usage) != id)
    return end;
  end.ended = true;
  if (WIFEXITED(status)) end.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
  end.peak_kib = usage.ru_maxrss;
  return end;
}

bool kill_process(long id) {
  return ::kill(static_cast<pid_t>(id), SIGKILL) == 0;
}

void end_like(const ProcessEnd& end) {
  if (end.signal != 0) {
    ::signal(end.signal, SIG_DFL);
    ::raise(end.signal);
  }
  std::exit(end.ended && end.signal == 0 ? end.status : 126);
}

long current_process_id() {
  return ::getpid();
}

std::vector<std::string> environment() {
  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e) entries.emplace_back(*e);
  return entries;
}

void set_environment(const std::string& name, const std::optional<std::string>& value) {
  if (value)
    ::setenv(name.c_str(), value->c_str(), 1);
  else
    ::unsetenv(name.c_str());
}

bool make_fifo(const std::string& path) {
  // A writer whose reader went away gets an error instead of a signal.
  ::signal(SIGPIPE, SIG_IGN);
  return ::mkfifo(path.c_str(), 0644) == 0;
}

}  // namespace frame::platform
