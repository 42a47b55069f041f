// Sine and cosine of an angle in radians of any size, the same on every
// system the tools are built for.
//
// glibc reduces a large angle by 2 pi exactly. MinGW-w64's runtime hands the
// angle to the processor's x87 instructions, which reduce it with a 66-bit
// pi: the error grows with the angle, and the pole estimate of a long file
// moved in its fifth decimal. There the angle is first reduced to within
// about a quarter turn of 0, in extended precision with pi/2 held to 100
// bits, and only that remainder goes to the x87 instructions, which are
// accurate there to well within the double's last place.
#pragma once

#include <cmath>

namespace frame::platform {

#if defined(__MINGW32__)

namespace detail {

// The angle as q quarter turns plus the returned remainder r, |r| <= pi/4
// (give or take a rounding). pi/2 = kHigh + kLow: kHigh has 36 significant
// bits, so q * kHigh is exact in extended precision for |q| < 2^28, and kLow
// holds the next 64 bits.
inline long double quarter_turns(double angle, long long& q) {
  constexpr long double kHigh = 0x1.921fb54440000p+0L;
  constexpr long double kLow = 0xb4611a62633145c0p-102L;
  const long double a = angle;
  const long double turns = std::rint(a / (kHigh + kLow));
  q = static_cast<long long>(turns);
  return (a - turns * kHigh) - turns * kLow;
}

// Angles the reduction above holds exactly (and no infinity or NaN).
inline bool reducible(double angle) {
  return std::fabs(angle) < 4e8;
}

// sin(r + q pi/2): sin r, cos r, -sin r or -cos r by the quarter turn q.
inline double quarter_turn_sine(long long q, long double r) {
  switch (q & 3) {
    case 0: return static_cast<double>(std::sin(r));
    case 1: return static_cast<double>(std::cos(r));
    case 2: return static_cast<double>(-std::sin(r));
    default: return static_cast<double>(-std::cos(r));
  }
}

}  // namespace detail

inline double sine(double angle) {
  if (!detail::reducible(angle)) return std::sin(angle);
  long long q = 0;
  const long double r = detail::quarter_turns(angle, q);
  return detail::quarter_turn_sine(q, r);
}

// cos x = sin(x + pi/2): one quarter turn further.
inline double cosine(double angle) {
  if (!detail::reducible(angle)) return std::cos(angle);
  long long q = 0;
  const long double r = detail::quarter_turns(angle, q);
  return detail::quarter_turn_sine(q + 1, r);
}

#else

inline double sine(double angle) {
  return std::sin(angle);
}

inline double cosine(double angle) {
  return std::cos(angle);
}

#endif

}  // namespace frame::platform
