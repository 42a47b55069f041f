#include "tests/support/programs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace test_support {

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

Picture picture(const Scratch& folder) {
  Picture files;
  for (const auto& entry : fs::recursive_directory_iterator(folder.dir())) {
    const std::string name = fs::relative(entry.path(), folder.dir()).string();
    if (entry.is_directory())
      files[name + "/"] = "folder";
    else if (!entry.is_regular_file())
      files[name] = "other";
    else if (entry.file_size() > (64u << 20))
      files[name] = "size " + std::to_string(entry.file_size());
    else
      files[name] = read_file(entry.path());
  }
  return files;
}

std::string lost_files(const Picture& before, const Picture& after,
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

Args with(Args args, const Fields& fields) {
  for (const auto& [name, text] : fields) args.insert(args.end(), {"--set", name + "=" + text});
  return args;
}

Args click(Args args, const std::string& button) {
  args.insert(args.end(), {"--click", button});
  return args;
}

Args operator+(Args a, const Args& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

namespace {
// The fields named in `fields` ("NAME=TEXT" by spaces), then the data and
// report files.
Args usual(const std::string& fields, const std::string& data, const std::string& report) {
  Args args;
  for (const std::string& field : words(fields)) args.insert(args.end(), {"--set", field});
  return with(args, {{"data-file", data}, {"report-file", report}});
}
}  // namespace

Args tarvex_fields(const std::string& data, const std::string& report) {
  return usual(
      "comment-mark=# from=1 letters=12 samples-per-cycle=100 origin=0 angular-speed=360 "
      "display-interval=1 file-interval=2 display-factor=1",
      data, report);
}

Args mulrin_fields(const std::string& data, const std::string& report) {
  return usual(
      "from=1 letters=12 comment-mark=# exponent=8 step=128 samples-per-cycle=100 threshold=1 "
      "origin=0",
      data, report);
}

std::string tarvex_program() {
  return TARVEX_PROGRAM;
}
std::string mulrin_program() {
  return MULRIN_PROGRAM;
}

namespace {
// Starts the program with its output and record in `side`; with
// `peak_memory`, through peak_memory, which notes the program's peak memory.
long start(const std::string& program, const Args& args, const Scratch& folder,
           const Limits& limits, const fs::path& side, bool peak_memory) {
  const fs::path config = side / "config";
  fs::create_directories(config);

  // The record goes to the run's own configuration folder.
  std::vector<std::string> env;
  std::string asan_options;
  for (const std::string& entry : frame::platform::environment()) {
    if (entry.starts_with("ASAN_OPTIONS="))
      asan_options = entry.substr(13);
    else if (!entry.starts_with("XDG_CONFIG_HOME=") &&
             !(limits.no_home && (entry.starts_with("HOME=") || entry.starts_with("USERPROFILE="))))
      env.push_back(entry);
  }
  if (!limits.no_home) env.push_back("XDG_CONFIG_HOME=" + config.string());
  if (kAddressSanitizer && limits.address_space != kNoLimit)
    asan_options += std::string(asan_options.empty() ? "" : ":") +
                    "allocator_may_return_null=0:max_allocation_size_mb=" +
                    std::to_string(limits.address_space >> 20);
  if (!asan_options.empty()) env.push_back("ASAN_OPTIONS=" + asan_options);

  Args command = {program};
  if (peak_memory) command = {PEAK_MEMORY_PROGRAM, (side / "peak-kib").string(), program};
  command.insert(command.end(), args.begin(), args.end());
  return frame::platform::start_process(
      {.args = command,
       .environment = env,
       .folder = folder.dir().string(),
       .out_path = limits.out_path.empty() ? (side / "stdout").string() : limits.out_path,
       .err_path = (side / "stderr").string(),
       .cpu_seconds = limits.cpu_seconds,
       .file_size = limits.file_size,
       .address_space = kAddressSanitizer ? kNoLimit : limits.address_space});
}
}  // namespace

long start_program(const std::string& program, const Args& args, const Scratch& folder) {
  static const Scratch side;  // output of started runs, kept until the process ends
  return start(program, args, folder, Limits{}, side.dir(), false);
}

Ended run_program(const std::string& program, const Args& args, const Scratch& folder,
                  const Limits& limits) {
  const Scratch side;
  // Under Wine a start now and then fails for no reason of the test's: a
  // second and third try.
  long id = -1;
  for (int attempt = 0; attempt < 3 && id < 0; ++attempt)
    id = start(program, args, folder, limits, side.dir(), true);
  Ended ended;
  if (id < 0) {
    ended.err = "the program could not be started";
    return ended;
  }
  const frame::platform::ProcessEnd end = frame::platform::wait_process(id);
  if (!end.ended) {
    ended.err = "the end of the program could not be awaited";
    return ended;
  }
  ended.status = end.status;
  ended.signal = end.signal;
  ended.max_rss_kb = std::atol(side.read("peak-kib").c_str());
  ended.out = side.read("stdout");
  ended.err = side.read("stderr");
  // Wherever the build's record store keeps it (a key=value file either way).
  for (const auto& entry : fs::recursive_directory_iterator(side.dir() / "config"))
    if (entry.is_regular_file()) ended.record += read_file(entry.path());
  return ended;
}

}  // namespace test_support
