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

namespace detail {
// Powers of ten that a single and a double hold exactly (5^10 < 2^24).
inline constexpr float kSinglePow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f,
                                         1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
inline constexpr double kDoublePow10[] = {1e0, 1e1, 1e2, 1e3, 1e4,
                                          1e5, 1e6, 1e7, 1e8, 1e9};
// At most nine digits in all: their integer fits 32 bits and a double.
inline constexpr long kMaxDigits = 9;
// Fewer than 8 significant digits make a single: a digit integer below 10^7.
inline constexpr std::uint32_t kSingleLimit = 10000000;

inline bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
}  // namespace detail

// The value of a plain decimal text as the text-to-number conversion gives
// it, or false when the text is not of the plain shape: optional blanks, an
// optional sign, at most nine digits with at most one point, then the end or
// a blank. Whole values (no fraction digit other than 0) are exact; others
// are digits / 10^decimals in one division of exact operands: in single
// precision for fewer than 8 significant digits, else in double. Anything
// else (exponents, type characters, hexadecimal, ten digits or more) is left
// to the general conversion.
inline bool plain_decimal_value(std::string_view text, double& value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && *p == ' ') ++p;
  if (p == end) {
    value = 0;
    return true;
  }
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;

  // The whole and the fraction digits as one integer; leading zeros add
  // nothing, so its number of digits is the count of significant digits.
  const char* const first = p;
  std::uint32_t whole = 0;
  for (; p != end && detail::is_digit(*p); ++p) {
    whole = whole * 10 + static_cast<std::uint32_t>(*p - '0');
  }
  const long whole_digits = p - first;
  std::uint32_t digits = whole;
  long decimals = 0;
  std::uint32_t fraction_or = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    for (; p != end && detail::is_digit(*p); ++p) {
      const std::uint32_t d = static_cast<std::uint32_t>(*p - '0');
      digits = digits * 10 + d;
      fraction_or |= d;
    }
    decimals = p - point;
  }
  // No digit (a lone sign or point), too many digits for the integer, or
  // anything but a blank after the number (an exponent, a type character):
  // the general conversion decides.
  if (whole_digits + decimals == 0 || whole_digits + decimals > detail::kMaxDigits ||
      (p != end && *p != ' ')) {
    return false;
  }
  if (fraction_or == 0) {
    // A whole number: a short or long integer, exact; -0 is 0.
    value = whole == 0 ? 0.0 : (negative ? -static_cast<double>(whole) : whole);
  } else if (digits < detail::kSingleLimit) {
    // Both operands exact: one correctly rounded single division.
    const float f = static_cast<float>(digits) / detail::kSinglePow10[decimals];
    value = negative ? -f : f;
  } else {
    const double d = static_cast<double>(digits) / detail::kDoublePow10[decimals];
    value = negative ? -d : d;
  }
  return true;
}

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
