// Numbers to text and text to numbers: the only ways the tools convert.
//
// Every output conversion works on the exact decimal expansion of the stored
// binary value and rounds by the digit after the last kept one only: 5..9 go
// up, 0..4 stay. That is rounding half away from zero on the exact value
// (0.125 to two places gives 0.13), which is not what printf does.
// Number text never depends on the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/constants.h"
#include "frame/errors.h"

namespace frame {

enum class Kind : std::uint8_t { Short, Long, Single, Double };

struct Number {
  double value = 0;  // a Single result is already rounded to single precision
  Kind kind = Kind::Short;
};

// How a scan of a number text ended.
enum class ScanError : std::uint8_t {
  None,
  NotANumber,  // the text does not start with a number (the value is 0)
  Overflow,    // beyond the range of the kind (error 6 at the caller)
};

// What the number scanner found: the value (a Single already rounded to
// single precision), its kind, one past the last character taken, and how
// the scan ended. The scanner never throws and never allocates; the caller
// raises the run-time error of its own statement.
struct Scanned {
  double value = 0;
  Kind kind = Kind::Short;
  std::size_t end = 0;
  ScanError error = ScanError::None;
};

namespace detail {
// Powers of ten that a single and a double hold exactly (5^9 < 2^24).
inline constexpr float kPlainSinglePow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f,
                                              1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
inline constexpr double kPlainDoublePow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The plain shape of a measured value ("  -1234.567"): optional blanks, an
// optional sign, at most nine digits with at most one point, then the end of
// the text or a blank. False for every other text, which the general scanner
// takes. The results are those of the general scanner, bit for bit: a whole
// value is exact (a short or long integer, -0 is 0); otherwise the digits as
// one integer divided once by 10^decimals, both operands exact, in single
// precision for fewer than 8 significant digits (a digit integer below 10^7,
// leading zeros add nothing to it) and in double precision for 8 or 9.
inline bool scan_plain(std::string_view text, Scanned& out) noexcept {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  while (p != end && *p == ' ') ++p;
  if (p == end) {
    out = {0, Kind::Short, 0, ScanError::NotANumber};
    return true;
  }
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  const char* const first = p;
  std::uint32_t whole = 0;
  for (; p != end && is_digit(*p); ++p) whole = whole * 10 + static_cast<std::uint32_t>(*p - '0');
  const long whole_digits = p - first;
  std::uint32_t digits = whole;
  long decimals = 0;
  std::uint32_t fraction_or = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    for (; p != end && is_digit(*p); ++p) {
      const auto d = static_cast<std::uint32_t>(*p - '0');
      digits = digits * 10 + d;
      fraction_or |= d;
    }
    decimals = p - point;
  }
  // No digit at all, more digits than the integer holds, or anything but a
  // blank after the number (an exponent, a type character).
  if (whole_digits + decimals == 0 || whole_digits + decimals > 9 || (p != end && *p != ' ')) {
    return false;
  }
  out.end = static_cast<std::size_t>(p - begin);
  out.error = ScanError::None;
  if (fraction_or == 0) {
    out.value = whole == 0 ? 0.0 : (negative ? -static_cast<double>(whole) : whole);
    out.kind = whole <= (negative ? 32768u : 32767u) ? Kind::Short : Kind::Long;
  } else if (digits < 10000000) {
    const float f = static_cast<float>(digits) / kPlainSinglePow10[decimals];
    out.value = negative ? -f : f;
    out.kind = Kind::Single;
  } else {
    const double d = static_cast<double>(digits) / kPlainDoublePow10[decimals];
    out.value = negative ? -d : d;
    out.kind = Kind::Double;
  }
  return true;
}

Scanned scan_number_general(std::string_view text) noexcept;
}  // namespace detail

// The number scanner with the rules of text to number (below). A text that
// does not start with a number is NotANumber with the value 0 (a Short), which
// text to number gives as it stands; Overflow is its error 6.
inline Scanned scan_number(std::string_view text) noexcept {
  Scanned s;
  if (detail::scan_plain(text, s)) return s;
  return detail::scan_number_general(text);
}

// The number scanner for a field read into a number of a given kind: the
// same number syntax, but no blank is skipped, nothing after the number
// counts (no type character), and the value goes straight to the kind: a
// Double is the double nearest to the written number, with no single step;
// Short and Long take the whole number (halves away from zero). NotANumber
// when the text does not begin with a number; Overflow beyond the kind's
// range. "+." and "-." are 0.
Scanned scan_number(std::string_view text, Kind target) noexcept;

// Text to number.
// - Leading blanks (code 32 only) are skipped; empty or all-blank text is 0.
// - A digit, a sign followed by a digit or ".", "." followed by a digit, or
//   "&H"/"&O" (any case) start a number; anything else gives 0.
// - The number ends at the first blank or at the first character that cannot
//   continue it ("12.5abc" 12.5, "1,234" 1, "4 2" 4).
// - Kind: exponent E/e single (beyond the single range: error 6); exponent D/d
//   double; a whole number in 16 bits short, in 32 bits long; fewer than 8
//   significant digits single (double when beyond the single range);
//   otherwise double. "&H"/"&O" give a double. Beyond the double range: 6.
// - A type character right after a number requests its kind: "!" single,
//   "#" double; "%" short and "&" long only for a whole number (outside the
//   kind's range: 6). After a number with a fraction, "%" and "&" simply end
//   the number ("12.5%" is the single 12.5).
// - The value is the single or double nearest to the written decimal (one
//   rounding, straight from the digits; a single is never rounded via a
//   double). A value too small for its kind becomes 0 (or a denormal).
Number text_to_number(std::string_view text, Where where = Where::current());

// The value of text_to_number alone, as the double a double variable holds.
inline double val(std::string_view text, Where where = Where::current()) {
  return text_to_number(text, where).value;
}

// Free form: sign position ("-" or one blank), then the value with 6
// significant digits for a Single and 15 for the other kinds, plain or with
// an exponent ("E" single, two digits; "D" double, three digits).
// " 1234", " .5", "-2.25", " 1E+06", " 1.23457E+06", " 1D+020".
// A value given as Single is first taken as the single a single variable
// holds (rounded to single precision), here and in the pattern form.
// Infinities and NaN are never stored (checked() raises first); should one
// arrive, it is written " INF", "-INF" or " NAN".
std::string free_form(double value, Kind kind);

// Output item form: the free form followed by one blank.
std::string item_form(double value, Kind kind);

// Pattern form with a number pattern made of prefix text, one numeric field of
// "#" positions with at most one ".", and suffix text. A minus sign takes one
// of the integer positions; a value that does not fit is written as "%"
// followed by its free form (the suffix still follows). A pattern without a
// numeric field is error 5. The rounding is to A fraction digits, half away
// from zero on the exact value; the sign is decided before rounding, so
// -0.00001 in "####.####" gives "  -0.0000". In the literal pieces "_" makes
// the next character literal; everything after the numeric field is suffix.
std::string pattern_form(double value, Kind kind, std::string_view pattern,
                         Where where = Where::current());

// Whole number: adds 0.5 to a positive value or subtracts it from a negative
// one and cuts the fraction, so halves go away from zero (2.5 -> 3,
// -2.5 -> -3). A result outside the target kind's range (Short; Long for any
// other kind) is 6, and so is NaN. The rule is applied to the exact value
// (0.49999999999999994 gives 0).
std::int32_t whole_number(double value, Kind target, Where where = Where::current());

// The same rounding without a range: the nearest whole number, halves away
// from zero, judged on the exact value. For callers that must not fail on a
// large value (a label that follows typing).
double round_half_away(double value);

// The largest whole number not above the value (-2.5 -> -3).
double floor_value(double value);

// x^y: y = 0 gives 1; otherwise x = 0 gives 0; otherwise 2^(y*log2|x|)
// computed in extended precision (long double); for x < 0 negated when y is a
// whole odd number. A negative x with a fractional y, or a result beyond the
// double range, is error 6 when stored; the result is returned as a double.
double power(double x, double y, Where where = Where::current());

}  // namespace frame
