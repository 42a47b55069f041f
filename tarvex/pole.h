// The pole estimate: the centre of the circle on which the interval vectors
// of a "Calc." run move, from every suitable pair of chords between them.
#pragma once

#include <optional>
#include <span>

#include "frame/errors.h"
#include "frame/surface.h"
#include "tarvex/transform.h"

namespace tarvex {

// Chords whose determinant is at most this fraction of the product of their
// lengths count as parallel and give no estimate, exactly like det = 0.
// Chords parallel in exact arithmetic come out with a determinant of rounding
// size; their far-away estimates would otherwise swamp the weighted mean.
inline constexpr double kParallelTolerance = 1e-7;

// The cycle display's origin and the colours of the estimate.
inline constexpr double kCentreX = 430;
inline constexpr double kCentreY = 220;
inline constexpr int kEstimateColour = 14;  // silver
inline constexpr int kPoleColour = 13;      // yellow

struct PoleResult {
  Vec pole;
  double swing = 0;
  double phase = 0;
};

// Runs over the interval table P_0 .. P_(R-1) (R = table.size(); nothing
// below 3): for i < k and j < l the chords (P_i, P_j) and (P_k, P_l) give the
// intersection of their perpendicular bisectors, plotted as one silver pixel
// and added with the single-precision weight (j - i) + (l - k) - 0.5. The
// weighted mean is marked by a yellow circle of radius 3. Nothing when every
// pair was parallel.
std::optional<PoleResult> estimate_pole(std::span<const Vec> table, float display_factor,
                                        frame::Surface& surface,
                                        frame::Where where = frame::Where::current());

}  // namespace tarvex
