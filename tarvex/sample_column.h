// The data column of a data line as a sample value, fast for the common
// shape of a measured value ("  -1234.567": blanks, a sign, digits, a point)
// and through frame::text_to_number for every other text, with bit-identical
// results.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/datafile.h"
#include "frame/errors.h"

namespace tarvex {

// The value of a plain decimal text as the text-to-number conversion gives
// it, or false when the text is not of the plain shape: optional blanks, an
// optional sign, at most nine digits with at most one point, then the end or
// a blank. Whole values (no fraction digit other than 0) are exact; others
// are digits / 10^decimals in one division of exact operands: in single
// precision for fewer than 8 significant digits, else in double. Anything
// else (exponents, type characters, hexadecimal, ten digits or more) is left
// to the general conversion.
bool plain_decimal_value(std::string_view text, double& value);

// The comment-line test of frame::CommentMark, inline for the per-line loops
// and quick for the usual one-character mark: a line is a comment line when
// its first L characters equal the mark (a shorter line compared whole), L
// being the mark's length, 1 for an empty mark.
class CommentTest {
 public:
  explicit CommentTest(const frame::CommentMark& mark)
      : mark_(mark.text()), length_(mark.length()),
        single_(mark.text().size() == 1 ? mark.text()[0] : '\0') {}
  bool is_comment(std::string_view line) const {
    if (mark_.size() == 1) return !line.empty() && line[0] == single_;
    return line.substr(0, length_) == mark_;
  }

 private:
  std::string_view mark_;  // the CommentMark outlives the test
  std::size_t length_;
  char single_;
};

class SampleColumn {
 public:
  // From and letters as the fields give them (singles); they become whole
  // numbers here, at the first data line, like the column cut does it.
  SampleColumn(float from, float letters, frame::Where where = frame::Where::current());

  // The data value of a data line: characters From .. From+letters-1, cut
  // at the end of the line; empty (0) when the column starts beyond it.
  // From below 1 or negative letters is error 5.
  double value(std::string_view line, frame::Where where = frame::Where::current()) const {
    if (!valid_) return column_.value(line, where);
    if (start_ >= line.size()) return 0;
    const std::string_view text = line.substr(start_, letters_);
    double v;
    if (plain_decimal_value(text, v)) return v;
    return general_value(text, where);
  }

 private:
  static double general_value(std::string_view text, frame::Where where);

  frame::DataColumn column_;  // the reference cut, for its errors
  bool valid_ = false;
  std::size_t start_ = 0;
  std::size_t letters_ = 0;
};

}  // namespace tarvex
