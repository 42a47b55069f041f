// Constants both analysers set at start-up, the sine and cosine their angles
// go through (frame::platform::sine, cosine), and the tiny character helpers
// every part of the frame shares.
#pragma once

#include <cstddef>
#include <string_view>

#include "frame/platform/trig.h"

namespace frame {

// pi as the 15-digit value the analysers have always used, not the double
// nearest to pi: every angle, rate and phase in the reports is computed with
// it, and the factors below are derived from it.
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kTwoPi = 2 * kPi;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;

// A decimal digit 0..9 (no locale, no other scripts).
constexpr bool is_digit(char c) {
  return static_cast<unsigned char>(c - '0') < 10;
}

// Equal texts when ASCII letters are compared without regard to case; every
// other byte must match exactly.
constexpr bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace frame
