// Reads a data file line by line through the numbered-file layer, the way
// the data readers do (end-of-file test before every line, or before every
// batch of read_lines), and prints the lines per second of both ways next
// to the time `wc -l` takes on the same file.
//
//   read_lines_bench [FILE] [LINES]
//
// FILE (default /tmp/read_lines_bench.txt) is written first when it is
// missing: three comment lines, then LINES (default 10 000 000) data lines of
// 22 bytes: a time of day "HH:MM:SS", the value "%12.3f", CR LF.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame/textfile.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time (user + system) of this process or of its ended children:
// on a machine shared with other work it varies less than the elapsed time.
double cpu_seconds(int who) {
  rusage u{};
  ::getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A periodic signal with 100 samples per cycle, an offset of 1000, two
// harmonics and a little deterministic noise.
void write_data_file(const std::string& path, long lines) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  for (int h = 1; h <= 3; ++h)
    std::fprintf(out, "# synthetic cycle data, line %d: S=100 lines=%ld\r\n", h, lines);
  const double w = 2.0 * 3.14159265358979 / 100.0;
  std::uint64_t noise = 1;
  std::string block;
  block.reserve(22 * 65536);
  char line[64];
  for (long n = 0; n < lines; ++n) {
    noise = noise * 6364136223846793005ULL + 1442695040888963407ULL;
    double y = 1000.0 + 300.0 * std::cos(w * n + 0.6) + 90.0 * std::cos(2.0 * w * n + 0.3) +
               35.0 * std::cos(3.0 * w * n + 2.0) +
               5.0 * (static_cast<double>(noise >> 11) / 9007199254740992.0 - 0.5);
    long sec = (n / 10) % 86400;
    int len = std::snprintf(line, sizeof line, "%02ld:%02ld:%02ld%12.3f\r\n", sec / 3600,
                            (sec / 60) % 60, sec % 60, y);
    block.append(line, static_cast<std::size_t>(len));
    if (block.size() >= 22 * 65536) {
      std::fwrite(block.data(), 1, block.size(), out);
      block.clear();
    }
  }
  std::fwrite(block.data(), 1, block.size(), out);
  std::fclose(out);
}

struct Pass {
  long lines = 0;
  std::uint64_t bytes = 0;
  double seconds = 0;
  double cpu = 0;
};

// Every line, one read_line at a time or in the batches of read_lines.
Pass read_all(const std::string& path, bool batches) {
  Pass pass;
  double cpu_start = cpu_seconds(RUSAGE_SELF);
  auto start = Clock::now();
  frame::FileTable files;
  files.open("I", 1, path);
  auto take = [&](std::string_view line) {
    pass.bytes += line.size();
    ++pass.lines;
  };
  while (!files.eof(1)) {
    if (!batches) {
      take(files.read_line(1));
      continue;
    }
    for (const std::string_view line : files.read_lines(1)) take(line);
  }
  files.close({1});
  pass.seconds = seconds_since(start);
  pass.cpu = cpu_seconds(RUSAGE_SELF) - cpu_start;
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/read_lines_bench.txt";
  long lines = argc > 2 ? std::atol(argv[2]) : 10'000'000;
  if (!std::filesystem::exists(path)) {
    auto start = Clock::now();
    write_data_file(path, lines);
    std::printf("wrote %s (%ld data lines) in %.2f s\n", path.c_str(), lines, seconds_since(start));
  }
  const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

  Pass best, best_batches;
  for (int run = 1; run <= 6; ++run) {
    const bool batches = run % 2 == 0;  // alternating, so that both see the same machine
    Pass pass = read_all(path, batches);
    std::printf(
        "%s run %d: %ld lines, %llu characters, %.3f s (cpu %.3f s), "
        "%.1f M lines/s, %.0f MB/s\n",
        batches ? "read_lines" : "read_line", (run + 1) / 2, pass.lines,
        static_cast<unsigned long long>(pass.bytes), pass.seconds, pass.cpu,
        pass.lines / pass.seconds / 1e6, megabytes / pass.seconds);
    Pass& kept = batches ? best_batches : best;
    if (run <= 2 || pass.seconds < kept.seconds) kept = pass;
  }

  double wc_best = 0, wc_cpu = 0;
  long wc_count = 0;
  const std::string command = "wc -l < '" + path + "'";
  for (int run = 1; run <= 3; ++run) {
    double cpu_start = cpu_seconds(RUSAGE_CHILDREN);
    auto start = Clock::now();
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr || std::fscanf(pipe, "%ld", &wc_count) != 1) wc_count = -1;
    if (pipe != nullptr) ::pclose(pipe);
    double s = seconds_since(start);
    double cpu = cpu_seconds(RUSAGE_CHILDREN) - cpu_start;
    if (run == 1 || s < wc_best) wc_best = s;
    if (run == 1 || cpu < wc_cpu) wc_cpu = cpu;
  }
  std::printf(
      "best read_line: %.3f s, cpu %.3f s (%.1f M lines/s); "
      "best read_lines: %.3f s, cpu %.3f s (%.1f M lines/s); "
      "wc -l: %.3f s, cpu %.3f s (%ld line feeds); ratio %.2f\n",
      best.seconds, best.cpu, best.lines / best.seconds / 1e6, best_batches.seconds,
      best_batches.cpu, best_batches.lines / best_batches.seconds / 1e6, wc_best, wc_cpu, wc_count,
      best_batches.seconds / wc_best);
  return 0;
}
