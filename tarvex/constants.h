// The constants tarvex sets at start-up besides pi and the factors derived
// from it (frame/constants.h).
#pragma once

#include "frame/constants.h"

namespace tarvex {

// The highest amplitude-polynomial degree a subtract file may set.
inline constexpr int kSubtractDegreeLimit = 6;

// Rows of the interval table of a "Calc." run; the 65th closed interval is a
// subscript out of range.
inline constexpr int kIntervalRows = 64;

}  // namespace tarvex
