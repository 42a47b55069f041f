// The rows of an export's CSV for the tests: its cells are numbers and plain
// names (nothing to quote), so a row is a line ended by LF, split at commas.
// A last line without its LF is no row.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace frame::testing {

using CsvRows = std::vector<std::vector<std::string>>;

inline CsvRows read_csv(std::string_view text) {
  CsvRows rows;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string_view::npos;
       at = end + 1) {
    rows.emplace_back(1);
    for (const char c : text.substr(at, end - at)) {
      if (c == ',')
        rows.back().emplace_back();
      else
        rows.back().back() += c;
    }
  }
  return rows;
}

}  // namespace frame::testing
