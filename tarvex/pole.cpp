#include "tarvex/pole.h"

#include <cmath>

#include "frame/numtext.h"

namespace tarvex {

std::optional<PoleResult> estimate_pole(std::span<const Vec> table, float display_factor,
                                        frame::Surface& surface, frame::Where where) {
  const int r = static_cast<int>(table.size());
  if (r < 3) return std::nullopt;

  const double factor = display_factor;
  double sum_x = 0;
  double sum_y = 0;
  float weight_total = 0;  // single, as the weights are

  for (int i = 0; i <= r - 3; ++i) {
    for (int j = i + 1; j <= r - 2; ++j) {
      const Vec& pi = table[i];
      const Vec& pj = table[j];
      const double ax = pj.x - pi.x;
      const double ay = pj.y - pi.y;
      // Chord lengths as square roots of sums of plain products: they only
      // scale the parallel tolerance.
      const double length_ij = std::sqrt(ax * ax + ay * ay);
      const double mid_x = (pj.x + pi.x) / 2;
      const double mid_y = (pj.y + pi.y) / 2;
      // k starts above i (pairs with k <= i are skipped); l above j.
      for (int k = i + 1; k <= r - 2; ++k) {
        const Vec& pk = table[k];
        for (int l = (k + 1 > j + 1 ? k + 1 : j + 1); l <= r - 1; ++l) {
          const Vec& pl = table[l];
          const double bx = pl.x - pk.x;
          const double by = pl.y - pk.y;
          const double det = bx * ay - by * ax;
          const double length_kl = std::sqrt(bx * bx + by * by);
          if (std::fabs(det) <= kParallelTolerance * length_ij * length_kl) continue;
          const double t =
              (bx * (pi.x - pk.x + pj.x - pl.x) + by * (pi.y - pk.y + pj.y - pl.y)) / 2 /
              det;
          const double x0 = mid_x - ay * t;
          const double y0 = mid_y + ax * t;
          surface.pixel(frame::to_single(kCentreX + x0 * factor, where),
                        frame::to_single(kCentreY - y0 * factor, where), kEstimateColour);
          const float wt = static_cast<float>((j - i) + (l - k)) - 0.5f;
          sum_x += x0 * wt;
          sum_y += y0 * wt;
          weight_total += wt;
        }
      }
    }
  }
  if (!(weight_total > 0)) return std::nullopt;

  PoleResult result;
  result.pole = {frame::checked(sum_x / weight_total, where),
                 frame::checked(sum_y / weight_total, where)};
  surface.circle(frame::to_single(kCentreX + result.pole.x * factor, where),
                 frame::to_single(kCentreY - result.pole.y * factor, where), 3,
                 kPoleColour);
  result.swing = std::sqrt(frame::power(result.pole.x, 2, where) +
                           frame::power(result.pole.y, 2, where));
  result.phase = angle_rule(result.pole.x, result.pole.y);
  return result;
}

}  // namespace tarvex
