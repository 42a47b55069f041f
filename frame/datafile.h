// The data file as both tools read it: comment lines start with the comment
// mark, every other line is a data line whose value stands in a fixed column.
// Both tests run once per line of files of millions of lines, so they are
// inline and allocate nothing.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "frame/errors.h"
#include "frame/numtext.h"

namespace frame {

// The comment mark and its length L (1 when the mark is empty).
class CommentMark {
 public:
  explicit CommentMark(std::string mark);
  // A comment line when its first L characters equal the mark, byte for byte;
  // a line shorter than L is compared whole. An empty mark makes exactly the
  // empty lines comment lines.
  bool is_comment(std::string_view line) const {
    if (single_) return !line.empty() && line.front() == first_;
    return line.substr(0, length_) == mark_;
  }
  bool is_data(std::string_view line) const { return !is_comment(line); }
  std::size_t length() const { return length_; }
  const std::string& text() const { return mark_; }

 private:
  std::string mark_;
  std::size_t length_;
  bool single_;  // the usual one-character mark: one byte to compare
  char first_;
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
  double value(std::string_view line, Where where = Where::current()) const {
    // The cut checks its arguments on every line; an impossible column is
    // therefore noticed at the first data line, not when the fields are read.
    if (!usable_) raise(err::kInvalidCall, where);
    if (start_ >= line.size()) return 0;
    const Scanned s = scan_number(
        std::string_view(line.data() + start_, std::min(letters_, line.size() - start_)));
    if (s.error == ScanError::Overflow) raise(err::kOverflow, where);
    return s.value;
  }

 private:
  bool usable_ = false;  // From at least 1 and letters not negative
  std::size_t start_ = 0;
  std::size_t letters_ = 0;
};

}  // namespace frame
