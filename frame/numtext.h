// Numbers to text and text to numbers: the only ways the tools convert.
//
// Every output conversion works on the exact decimal expansion of the stored
// binary value and rounds by the digit after the last kept one only: 5..9 go
// up, 0..4 stay. That is rounding half away from zero on the exact value
// (0.125 to two places gives 0.13), which is not what printf does.
// Number text never depends on the locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "frame/errors.h"

namespace frame {

enum class Kind : std::uint8_t { Short, Long, Single, Double };

struct Number {
  double value = 0;  // a Single result is already rounded to single precision
  Kind kind = Kind::Short;
};

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
std::int32_t whole_number(double value, Kind target,
                          Where where = Where::current());

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
