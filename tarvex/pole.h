// The pole estimate: the centre of the circle on which the interval vectors
// of a "Calc." run move, from every suitable pair of chords between them.
#pragma once

#include <functional>
#include <optional>
#include <span>

#include "frame/errors.h"
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

// The weighted sums of the estimates of a pole.
struct PoleEstimates {
  long count = 0;  // estimates found
  double sum_x = 0;
  double sum_y = 0;
  float weight = 0;  // single, as the weights are

  // The weighted mean of the estimates; nothing when there are none.
  std::optional<Vec> pole(frame::Where where = frame::Where::current()) const;
};

// Runs over the interval table P_0 .. P_(R-1) (R = table.size(); nothing
// below 3): for i < k and j < l the chords (P_i, P_j) and (P_k, P_l) give the
// intersection of their perpendicular bisectors, one estimate added with the
// single-precision weight (j - i) + (l - k) - 0.5. Parallel chords give none.
// Each estimate is handed to `found` as it is found, in order (up to 1.3
// million of them for 64 vectors: they are not kept).
PoleEstimates estimate_pole(std::span<const Vec> table,
                            const std::function<void(const Vec&)>& found);

// The pole's swing: sqrt(x^2 + y^2), the squares by the power function.
double pole_swing(const Vec& pole, frame::Where where = frame::Where::current());

}  // namespace tarvex
