// Text to number over arbitrary text.
//
// Holds: the only error is 6 (beyond the range of the kind); the value fits
// its kind (a short or long is a whole number in range, a single is a float);
// a text that does not start a number is 0; a blank ends the number, so
// anything after a blank changes nothing; and for plain decimal texts the
// value and kind are those the C library's correctly rounded conversions
// give (strtof for a single, strtod for a double, exact for whole numbers).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

using frame::Kind;
using frame::Number;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct Outcome {
  bool raised = false;
  int code = 0;
  Number number;
};

Outcome convert(std::string_view text) {
  Outcome o;
  try {
    o.number = frame::text_to_number(text);
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {6};
    fuzz::require_code(e, kAllowed, "text_to_number");
    o.raised = true;
    o.code = e.code();
  }
  return o;
}

void require_fits_kind(const Number& n, std::string_view text) {
  const double v = n.value;
  FUZZ_REQUIRE(std::isfinite(v), "value not finite", fuzz::show(text));
  switch (n.kind) {
    case Kind::Short:
      FUZZ_REQUIRE(v == std::trunc(v) && v >= -32768 && v <= 32767, "short out of kind",
                    fuzz::show(text));
      break;
    case Kind::Long:
      FUZZ_REQUIRE(v == std::trunc(v) && v >= -2147483648.0 && v <= 2147483647.0,
                    "long out of kind", fuzz::show(text));
      break;
    case Kind::Single:
      FUZZ_REQUIRE(static_cast<double>(static_cast<float>(v)) == v, "single not a float",
                    fuzz::show(text));
      break;
    case Kind::Double:
      break;
  }
}

// The expectation for a text that is, after leading blanks, exactly
//   [+-] digits [. digits] [(E|e|D|d) [+-] digits]   (at least one digit
// before the exponent) and nothing else. False for any other text.
struct Expected {
  bool overflow = false;
  double value = 0;
  Kind kind = Kind::Short;
};

bool expected_plain(std::string_view text, Expected& x) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  std::string c_text;  // what strtod/strtof get
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    c_text += text[i++];
  }
  std::string whole, fraction;
  while (i < n && is_digit(text[i])) whole += text[i++];
  bool point = false;
  if (i < n && text[i] == '.') {
    point = true;
    ++i;
    while (i < n && is_digit(text[i])) fraction += text[i++];
  }
  if (whole.empty() && fraction.empty()) return false;
  if (whole.empty() && !point) return false;
  char letter = 0;
  std::string exponent;
  if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    letter = (text[i] == 'E' || text[i] == 'e') ? 'E' : 'D';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
    while (i < n && is_digit(text[i])) exponent += text[i++];
    if (!exponent.empty() && !is_digit(exponent.back())) exponent.clear();  // sign alone
  }
  if (i != n) return false;
  if (whole.size() + fraction.size() > 2000) return false;  // keep strtod quick

  c_text += whole.empty() ? "0" : whole;
  if (!fraction.empty()) c_text += "." + fraction;
  if (!exponent.empty()) c_text += "e" + exponent;

  const std::size_t lead = whole.find_first_not_of('0');
  std::size_t significant = 0;
  if (lead != std::string::npos) {
    significant = whole.size() - lead + fraction.size();
  } else if (const std::size_t f = fraction.find_first_not_of('0'); f != std::string::npos) {
    significant = fraction.size() - f;
  }
  const bool fraction_zero = fraction.find_first_not_of('0') == std::string::npos;

  if (letter == 0 && fraction_zero) {
    const std::string digits = lead == std::string::npos ? "0" : whole.substr(lead);
    if (digits.size() <= 10) {
      const double v = std::strtod(digits.c_str(), nullptr);  // exact below 2^53
      if (v <= (negative ? 2147483648.0 : 2147483647.0)) {
        x.value = v == 0 ? 0.0 : (negative ? -v : v);
        x.kind = v <= (negative ? 32768.0 : 32767.0) ? Kind::Short : Kind::Long;
        return true;
      }
    }
  }
  const bool single = letter == 'E' || (letter == 0 && significant < 8);
  if (single) {
    errno = 0;
    const float f = std::strtof(c_text.c_str(), nullptr);
    if (!std::isinf(f)) {
      x.value = f;
      x.kind = Kind::Single;
      return true;
    }
    if (letter == 'E') {
      x.overflow = true;
      return true;
    }
  }
  const double d = std::strtod(c_text.c_str(), nullptr);
  if (std::isinf(d)) {
    x.overflow = true;
    return true;
  }
  x.value = d;
  x.kind = Kind::Double;
  return true;
}

bool starts_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  const char next = i + 1 < text.size() ? text[i + 1] : '\0';
  if (c == '&') return (next | 0x20) == 'h' || (next | 0x20) == 'o';
  return is_digit(c) || ((c == '+' || c == '-') && (is_digit(next) || next == '.')) ||
         (c == '.' && is_digit(next));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The text, and after a byte 0x01 (when there is one) a suffix to append
  // after a blank.
  const std::size_t cut = input.find('\x01');
  const std::string_view text = input.substr(0, cut);
  const std::string_view suffix = cut == std::string_view::npos ? "" : input.substr(cut + 1);

  const Outcome o = convert(text);
  if (!o.raised) require_fits_kind(o.number, text);

  if (!starts_number(text)) {
    FUZZ_REQUIRE(!o.raised && o.number.value == 0 && o.number.kind == Kind::Short,
                  "a text that starts no number must give 0", fuzz::show(text));
    return 0;
  }

  Expected x;
  if (expected_plain(text, x)) {
    if (x.overflow) {
      FUZZ_REQUIRE(o.raised && o.code == 6, "beyond the range must be error 6", fuzz::show(text));
    } else {
      FUZZ_REQUIRE(!o.raised, "in-range decimal raised", fuzz::show(text));
      FUZZ_REQUIRE(o.number.value == x.value && o.number.kind == x.kind,
                    "value or kind differs from the correctly rounded conversion",
                    fuzz::show(text) + " got " + std::to_string(o.number.value) + " kind " +
                        std::to_string(static_cast<int>(o.number.kind)) + ", expected " +
                        std::to_string(x.value) + " kind " +
                        std::to_string(static_cast<int>(x.kind)));
    }
  }

  // A blank ends the number: what follows it changes nothing.
  std::string longer(text);
  longer += ' ';
  longer += suffix;
  const Outcome o2 = convert(longer);
  FUZZ_REQUIRE(o2.raised == o.raised && o2.code == o.code, "a suffix after a blank changed the outcome",
                fuzz::show(longer));
  if (!o.raised) {
    FUZZ_REQUIRE(o2.number.kind == o.number.kind &&
                      std::signbit(o2.number.value) == std::signbit(o.number.value) &&
                      o2.number.value == o.number.value,
                  "a suffix after a blank changed the value", fuzz::show(longer));
  }
  return 0;
}
