// Memory of the data reader and the subtract model over a long data file:
// every line goes through the comment test, the column cut and the subtract
// model, as the calculations read it, and the peak resident set size is
// printed after the first 1 000 000 data lines and at the end. A reader that
// keeps nothing per line shows the same figure at both points.
//
//   datafile_memory [FILE] [LINES]
//
// FILE (default /tmp/datafile_memory.txt) is written first when it is
// missing: a comment line every 1000 lines, the other lines "HH:MM:SS" and a
// value "%12.3f", CR LF. LINES defaults to 10 000 000.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "frame/datafile.h"
#include "frame/subtract.h"
#include "frame/textfile.h"

namespace {

long peak_rss_kib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // KiB on Linux
}

void write_data_file(const std::string& path, long lines) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::perror(path.c_str());
    std::exit(1);
  }
  const double w = 2.0 * 3.14159265358979 / 100.0;
  for (long n = 0; n < lines; ++n) {
    if (n % 1000 == 0) std::fprintf(out, "# block %ld\r\n", n / 1000);
    const long sec = (n / 10) % 86400;
    std::fprintf(out, "%02ld:%02ld:%02ld%12.3f\r\n", sec / 3600, (sec / 60) % 60, sec % 60,
                 1000.0 + 300.0 * std::cos(w * static_cast<double>(n) + 0.6));
  }
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/datafile_memory.txt";
  const long lines = argc > 2 ? std::atol(argv[2]) : 10'000'000;
  if (!std::filesystem::exists(path)) write_data_file(path, lines);

  const std::string subtract_path =
      (std::filesystem::temp_directory_path() / "datafile_memory_subtract.txt").string();
  if (std::FILE* f = std::fopen(subtract_path.c_str(), "wb")) {
    std::fputs("deg=2\r\n360,34.4,300,0,0\r\n720,17.2,0,0.001,0\r\n", f);
    std::fclose(f);
  }

  const long rss_start = peak_rss_kib();
  const auto start = std::chrono::steady_clock::now();
  long rss_first_million = 0;
  double data_lines = 0, sum = 0;
  try {
    frame::FileTable files;
    frame::SubtractTable table;
    frame::read_subtract_table(files, 1, subtract_path, table);
    const frame::CommentMark mark("#");
    const frame::DataColumn column(9, 12);
    files.open("I", 1, path);
    while (!files.eof(1)) {
      const std::string_view line = files.read_line(1);
      if (mark.is_comment(line)) continue;
      const double v = frame::subtract_model(table, column.value(line), data_lines, 0, 100);
      sum += v;
      data_lines += 1;
      if (data_lines == 1'000'000) rss_first_million = peak_rss_kib();
    }
    files.close({1});
  } catch (const frame::RuntimeError& e) {
    std::fprintf(stderr, "run-time error %d at line %u\n", e.code(), e.line());
    return 1;
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("data lines        %.0f (sum of corrected values %.6g)\n", data_lines, sum);
  std::printf("time              %.2f s, %.2f M lines/s\n", secs, data_lines / secs / 1e6);
  std::printf("peak RSS at start %ld KiB\n", rss_start);
  std::printf("after 1M lines    %ld KiB\n", rss_first_million);
  std::printf("at the end        %ld KiB\n", peak_rss_kib());
  return 0;
}
