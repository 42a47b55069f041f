// The FFT-length and resolution labels that follow the exponent and the
// samples-per-cycle fields while the user types.
#include <cmath>
#include <string>
#include <utility>

#include "frame/numtext.h"
#include "mulrin/app.h"

namespace mulrin {

namespace {

// Roundings here use frame::round_half_away, the whole-number rule without
// its 32-bit range check: typing a large samples-per-cycle value must never
// end the program, and for every value that fits 32 bits the result is the
// whole-number conversion's.
using frame::round_half_away;

// The number text of a whole number without its sign position. Within 32
// bits this is the long-integer text; beyond, the double text (also 15
// digits, so identical up to 15 digits).
std::string whole_text(double whole) {
  const bool fits = whole >= -2147483648.0 && whole <= 2147483647.0;
  return frame::free_form(whole, fits ? frame::Kind::Long : frame::Kind::Double).substr(1);
}

}  // namespace

double App::resolution(double length) const {
  const double c = frame::val(text(EDIT7));
  return frame::checked(frame::checked_div(c, length) * 360);
}

std::string resolution_text(double r) {
  if (r == 0) return "0deg";
  if (r < 1) {
    const double scaled = round_half_away(r * 100000);
    // From 0.999995 up to 1 the five places round to 1.00000: shown as the
    // four-place form below shows 1, "1deg".
    if (scaled < 100000) {
      std::string digits = whole_text(scaled);
      if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
      return "0." + digits + "deg";
    }
  }
  const double rounded = round_half_away(r * 10000) / 10000;
  return frame::free_form(rounded, frame::Kind::Double).substr(1) + "deg";
}

void App::EDIT5_CHANGE() {
  // N in single precision, as the label shows it: 2^20 is =1.04858E+06.
  const float length = frame::to_single(frame::power(2, frame::val(text(EDIT5))));
  // "=" in place of the sign position (N is never negative).
  std::string shown = frame::free_form(length, frame::Kind::Single);
  shown[0] = '=';
  set_text(TEXT8, std::move(shown));
  set_text(TEXT14, "Resol=" + resolution_text(resolution(length)));
}

void App::EDIT7_CHANGE() {
  // Here N stays a double: not rounded to single precision.
  const double length = frame::power(2, frame::val(text(EDIT5)));
  set_text(TEXT14, "Resol=" + resolution_text(resolution(length)));
}

}  // namespace mulrin
