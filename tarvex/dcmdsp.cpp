#include "tarvex/dcmdsp.h"

#include <cmath>

#include "frame/numtext.h"

namespace tarvex {

namespace {

using frame::Kind;

// The free form without its sign position.
std::string unsigned_free_form(double value, Kind kind) {
  return frame::free_form(value, kind).substr(1);
}

// a rounded to eight significant digits, 1 <= a < 10^8 (or just below 1).
std::string significant_digits(double a, int e, frame::Where where) {
  const double scale = frame::power(10, 8 - e, where);
  const double n = frame::whole_number(frame::checked(a * scale, where), Kind::Long, where);
  return unsigned_free_form(frame::checked_div(n, scale, where), Kind::Double);
}

}  // namespace

std::string DCMDSP(const double& x, frame::Where where) {
  if (x == 0) return "+0";
  std::string text = x < 0 ? "-" : "+";
  const double a = std::fabs(x);

  const int k = frame::whole_number(std::log10(a) * 1000, Kind::Short, where);
  const int e = static_cast<int>(frame::floor_value(k / 1000.0)) + 1;

  if (a < 1) {
    const std::int32_t eighths =
        frame::whole_number(a * frame::power(10, 8, where), Kind::Long, where);
    if (eighths < 100000000) {
      std::string digits = std::to_string(eighths);
      text += "0.";
      text.append(8 - digits.size(), '0');
      text += digits;
      return text;
    }
    // a rounds up to 1 at eight decimals: written as the whole number 1.
    return text + significant_digits(a, e, where);
  }
  if (a >= 1e8) {
    const std::int32_t whole = frame::whole_number(a, Kind::Long, where);
    return text + unsigned_free_form(whole, Kind::Long);
  }
  return text + significant_digits(a, e, where);
}

}  // namespace tarvex
