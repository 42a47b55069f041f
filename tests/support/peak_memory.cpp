// peak_memory FILE PROGRAM ARGS...: runs the program and writes its peak
// resident memory in KiB to FILE; ends as the program ended (same status, or
// the same signal).
//
// The fault tests start the programs through this small process: a program
// started straight from the test process would count the test process's own
// memory, which it shares until it replaces itself, as its peak.
#include <cstdio>

#include "frame/platform/process.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: peak_memory FILE PROGRAM ARGS...\n", stderr);
    return 126;
  }
  namespace platform = frame::platform;
  platform::ProcessStart start;  // in this folder, on these streams
  start.args.assign(argv + 2, argv + argc);
  start.environment = platform::environment();
  const long id = platform::start_process(start);
  if (id < 0) return 126;
  const platform::ProcessEnd end = platform::wait_process(id);
  if (std::FILE* out = std::fopen(argv[1], "w")) {
    std::fprintf(out, "%ld\n", end.peak_kib);
    std::fclose(out);
  }
  platform::end_like(end);
}
