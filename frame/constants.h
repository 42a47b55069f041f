// The angle constants both programs set at start-up: pi is the 15-digit
// value the analysers have always used, not the double nearest to pi, and
// the derived values are computed from it.
#pragma once

namespace frame {

inline constexpr double kPi = 3.14159265358979;
inline constexpr double kTwoPi = 2.0 * kPi;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;

}  // namespace frame
