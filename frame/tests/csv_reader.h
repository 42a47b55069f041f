// A small RFC 4180 reader for the tests: quoted cells with doubled quotes,
// commas and line ends inside quotes, rows ended by LF.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace frame::testing {

using CsvRows = std::vector<std::vector<std::string>>;

inline CsvRows read_csv(std::string_view text) {
  CsvRows rows;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false, row_open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    row_open = true;
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      cell += text[++i];
    } else if (c == '"') {
      quoted = !quoted;
    } else if (quoted || (c != ',' && c != '\n')) {
      cell += c;
    } else {
      row.push_back(std::exchange(cell, {}));
      if (c == '\n') rows.push_back(std::exchange(row, {})), row_open = false;
    }
  }
  if (row_open) rows.push_back(std::move(row)), rows.back().push_back(std::move(cell));
  return rows;
}

}  // namespace frame::testing
