// The data file as both tools read it: comment lines start with the comment
// mark, every other line is a data line whose value stands in a fixed column.
#pragma once

#include <string>
#include <string_view>

#include "frame/errors.h"

namespace frame {

// The comment mark and its length L (1 when the mark is empty).
class CommentMark {
 public:
  explicit CommentMark(std::string mark);
  // A comment line when its first L characters equal the mark, byte for byte;
  // a line shorter than L is compared whole. An empty mark makes exactly the
  // empty lines comment lines.
  bool is_comment(std::string_view line) const;
  bool is_data(std::string_view line) const { return !is_comment(line); }
  std::size_t length() const { return length_; }
  const std::string& text() const { return mark_; }

 private:
  std::string mark_;
  std::size_t length_;
};

// The data column: From (first character, 1-based) and letters (width), each
// the field's value (held in a single) rounded to a whole number, halves away
// from zero.
class DataColumn {
 public:
  DataColumn(float from, float letters, Where where = Where::current());
  // The text-to-number value of the column of a data line: characters From
  // .. From+letters-1, cut at the end of the line; a column beyond the line is
  // empty and gives 0. From below 1 or negative letters is error 5 here, at
  // the first data line. The double holds the precision the conversion
  // yields (a single for fewer than 8 significant digits).
  double value(std::string_view line, Where where = Where::current()) const;

 private:
  long from_;
  long letters_;
};

}  // namespace frame
