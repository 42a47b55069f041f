// The constants tarvex sets at start-up.
#pragma once

namespace tarvex {

// pi as the 15-digit value the analyser has always used, not the closest
// double to pi: every angle and every phase in the report is computed with it.
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;
inline constexpr double kTwoPi = kPi * 2;

// The highest amplitude-polynomial degree a subtract file may set.
inline constexpr int kSubtractDegreeLimit = 6;

// Rows of the interval table of a "Calc." run; the 65th closed interval is a
// subscript out of range.
inline constexpr int kIntervalRows = 64;

}  // namespace tarvex
