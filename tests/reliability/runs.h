// Command lines of the usual runs of both programs, with sane field values
// that a test then spoils one at a time.
#pragma once

#include <string>
#include <vector>

namespace reliability {

using Args = std::vector<std::string>;

// Adds "--set NAME=TEXT" for each pair.
inline Args with(Args args, const std::vector<std::pair<std::string, std::string>>& fields) {
  for (const auto& [name, text] : fields) {
    args.push_back("--set");
    args.push_back(name + "=" + text);
  }
  return args;
}

inline Args click(Args args, const std::string& button) {
  args.push_back("--click");
  args.push_back(button);
  return args;
}

// tarvex: a 100-samples-per-cycle series, intervals of 2 cycles.
inline Args tarvex_fields(const std::string& data, const std::string& report) {
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

// mulrin: blocks of 2^8 samples every 128 samples.
inline Args mulrin_fields(const std::string& data, const std::string& report) {
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

}  // namespace reliability
