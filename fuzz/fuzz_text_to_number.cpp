// Text to number over arbitrary text.
//
// Holds: the only error is 6 (beyond the range of the kind); the value fits
// its kind; a text that starts no number is 0; a blank ends the number, so
// anything after a blank changes nothing; and a plain decimal text
// ([+-] digits [. digits] [(E|D) [+-] digits]) gives the value and kind of
// the C library's correctly rounded conversions (strtof for a single,
// strtod for a double, exact for whole numbers).
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

using frame::Kind;

struct Outcome {
  int code = 0;
  frame::Number number;
  bool operator==(const Outcome& o) const {
    return code == o.code && number.kind == o.number.kind && number.value == o.number.value;
  }
};

Outcome convert(std::string_view text) {
  Outcome o;
  try {
    o.number = frame::text_to_number(text);
    const double v = o.number.value;
    const double limit = o.number.kind == Kind::Short ? 32768 : 2147483648.0;
    FUZZ_REQUIRE(std::isfinite(v), "value not finite", fuzz::show(text));
    if (o.number.kind == Kind::Short || o.number.kind == Kind::Long)
      FUZZ_REQUIRE(v == std::trunc(v) && v >= -limit && v < limit, "whole number out of its kind",
                   fuzz::show(text));
    if (o.number.kind == Kind::Single)
      FUZZ_REQUIRE(double{static_cast<float>(v)} == v, "single not a float", fuzz::show(text));
  } catch (const frame::RuntimeError& e) {
    fuzz::require_code(e, {6}, "text_to_number");
    o.code = e.code();
  }
  return o;
}

std::string digits(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  return std::string(text.substr(start, i - start));
}

// The outcome for a plain decimal text after leading blanks, or false for
// any other text.
bool expected_plain(std::string_view text, Outcome& x) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  const bool negative = text[i] == '-';
  if (text[i] == '+' || text[i] == '-') ++i;
  const std::string whole = digits(text, i);
  std::string fraction;
  const bool point = i < text.size() && text[i] == '.';
  if (point) fraction = digits(text, ++i);
  if (whole.empty() && (fraction.empty() || !point)) return false;
  char letter = 0;
  std::string exponent;
  if (i < text.size() && std::string_view("EeDd").find(text[i]) != std::string_view::npos) {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
    const std::size_t sign =
        i < text.size() && (text[i] == '+' || text[i] == '-') ? i++ : std::string_view::npos;
    exponent = digits(text, i);
    if (!exponent.empty() && sign != std::string_view::npos) exponent.insert(0, 1, text[sign]);
  }
  if (i != text.size() || whole.size() + fraction.size() > 2000) return false;  // keep strtod quick
  const std::string c_text = (negative ? "-" : "") + (whole.empty() ? "0" : whole) + "." +
                             fraction + "e" + (exponent.empty() ? "0" : exponent);
  const std::string all = whole + fraction;
  const std::size_t lead = all.find_first_not_of('0');
  const std::size_t significant = lead == std::string::npos ? 0 : all.size() - lead;
  const std::size_t whole_digits =
      whole.size() - std::min(whole.find_first_not_of('0'), whole.size());
  if (letter == 0 && fraction.find_first_not_of('0') == std::string::npos && whole_digits <= 10) {
    const double v = std::strtod(c_text.c_str(), nullptr);  // exact below 2^53
    if (v >= -2147483648.0 && v <= 2147483647.0) {
      x.number = {v == 0 ? 0.0 : v, v >= -32768 && v <= 32767 ? Kind::Short : Kind::Long};
      return true;
    }
  }
  if (letter == 'E' || (letter == 0 && significant < 8)) {
    const float f = std::strtof(c_text.c_str(), nullptr);
    if (!std::isinf(f) || letter == 'E') {
      if (std::isinf(f)) x.code = 6;
      x.number = {f, Kind::Single};
      return true;
    }
  }
  const double d = std::strtod(c_text.c_str(), nullptr);
  if (std::isinf(d)) x.code = 6;
  x.number = {d, Kind::Double};
  return true;
}

bool starts_number(std::string_view text) {
  const std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  const char c = text[i], next = i + 1 < text.size() ? text[i + 1] : '\0';
  if (c == '&') return (next | 0x20) == 'h' || (next | 0x20) == 'o';
  return std::isdigit(static_cast<unsigned char>(c)) ||
         (std::string_view("+-.").find(c) != std::string_view::npos &&
          std::isdigit(static_cast<unsigned char>(next))) ||
         ((c == '+' || c == '-') && next == '.');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  // The text, and after a byte 0x01 (when there is one) a suffix to append after a blank.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\x01');
  const std::string_view text = input.substr(0, cut);
  const Outcome o = convert(text);
  Outcome x;
  if (!starts_number(text)) {
    FUZZ_REQUIRE(o == x, "a text that starts no number must give 0", fuzz::show(text));
    return 0;  // (a blank and a suffix could start one)
  }
  if (expected_plain(text, x)) {
    FUZZ_REQUIRE(o.code == x.code && (x.code != 0 || o == x),
                 "value, kind or error differs from the correctly rounded conversion",
                 fuzz::show(text) + " got " + fuzz::show(o.number.value) + " kind " +
                     std::to_string(int(o.number.kind)) + " code " + std::to_string(o.code));
  }
  const std::string longer =
      std::string(text) + " " +
      std::string(cut == std::string_view::npos ? "" : input.substr(cut + 1));
  const Outcome o2 = convert(longer);
  FUZZ_REQUIRE(o2 == o && std::signbit(o2.number.value) == std::signbit(o.number.value),
               "a suffix after a blank changed the outcome", fuzz::show(longer));
  return 0;
}
