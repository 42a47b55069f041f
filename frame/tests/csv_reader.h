// A small RFC 4180 reader for the tests: quoted cells with doubled quotes,
// commas and line ends inside quotes, rows ended by LF.
#pragma once

#include <string>
#include <string_view>
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
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n') {
      row.push_back(std::move(cell));
      cell.clear();
      rows.push_back(std::move(row));
      row.clear();
      row_open = false;
    } else {
      cell += c;
    }
  }
  if (row_open) {
    row.push_back(std::move(cell));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace frame::testing
