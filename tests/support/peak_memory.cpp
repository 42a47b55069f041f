// peak_memory FILE PROGRAM ARGS...: runs the program and writes its peak
// resident memory in KiB to FILE; ends as the program ended (same status, or
// the same signal).
//
// The fault tests start the programs through this small process: a program
// started straight from the test process would count the test process's own
// memory, which it shares until it replaces itself, as its peak.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: peak_memory FILE PROGRAM ARGS...\n", stderr);
    return 126;
  }
  const pid_t pid = ::fork();
  if (pid < 0) return 126;
  if (pid == 0) {
    ::execv(argv[2], argv + 2);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return 126;
  if (std::FILE* out = std::fopen(argv[1], "w")) {
    std::fprintf(out, "%ld\n", usage.ru_maxrss);
    std::fclose(out);
  }
  if (WIFSIGNALED(status)) {
    ::signal(WTERMSIG(status), SIG_DFL);
    ::raise(WTERMSIG(status));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}
