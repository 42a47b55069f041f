#include "tarvex/sample_column.h"

#include "frame/numtext.h"

namespace tarvex {

namespace {
// Powers of ten that a single and a double hold exactly (5^10 < 2^24).
constexpr float kSinglePow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f,
                                  1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
constexpr double kDoublePow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
// At most nine digits in all: their integer fits 32 bits and a double.
constexpr long kMaxDigits = 9;
// Fewer than 8 significant digits make a single: a digit integer below 10^7.
constexpr std::uint32_t kSingleLimit = 10000000;

bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
}  // namespace

bool plain_decimal_value(std::string_view text, double& value) {
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
  for (; p != end && is_digit(*p); ++p) whole = whole * 10 + static_cast<std::uint32_t>(*p - '0');
  const long whole_digits = p - first;
  std::uint32_t digits = whole;
  long decimals = 0;
  std::uint32_t fraction_or = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    for (; p != end && is_digit(*p); ++p) {
      const std::uint32_t d = static_cast<std::uint32_t>(*p - '0');
      digits = digits * 10 + d;
      fraction_or |= d;
    }
    decimals = p - point;
  }
  // No digit (a lone sign or point), too many digits for the integer, or
  // anything but a blank after the number (an exponent, a type character):
  // the general conversion decides.
  if (whole_digits + decimals == 0 || whole_digits + decimals > kMaxDigits ||
      (p != end && *p != ' ')) {
    return false;
  }
  if (fraction_or == 0) {
    // A whole number: a short or long integer, exact; -0 is 0.
    value = whole == 0 ? 0.0 : (negative ? -static_cast<double>(whole) : whole);
  } else if (digits < kSingleLimit) {
    // Both operands exact: one correctly rounded single division.
    const float f = static_cast<float>(digits) / kSinglePow10[decimals];
    value = negative ? -f : f;
  } else {
    const double d = static_cast<double>(digits) / kDoublePow10[decimals];
    value = negative ? -d : d;
  }
  return true;
}

SampleColumn::SampleColumn(float from, float letters, frame::Where where)
    : column_(from, letters, where) {
  const std::int32_t first = frame::whole_number(from, frame::Kind::Long, where);
  const std::int32_t width = frame::whole_number(letters, frame::Kind::Long, where);
  valid_ = first >= 1 && width >= 0;
  if (valid_) {
    start_ = static_cast<std::size_t>(first) - 1;
    letters_ = static_cast<std::size_t>(width);
  }
}

double SampleColumn::general_value(std::string_view text, frame::Where where) {
  return frame::text_to_number(text, where).value;
}

}  // namespace tarvex
