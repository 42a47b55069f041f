#include "tarvex/pole.h"

#include <cmath>

#include "frame/numtext.h"

namespace tarvex {

PoleEstimates estimate_pole(std::span<const Vec> table,
                            const std::function<void(const Vec&)>& found) {
  PoleEstimates e;
  const int r = static_cast<int>(table.size());
  if (r < 3) return e;

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
              (bx * (pi.x - pk.x + pj.x - pl.x) + by * (pi.y - pk.y + pj.y - pl.y)) / 2 / det;
          const double x0 = mid_x - ay * t;
          const double y0 = mid_y + ax * t;
          found(Vec{x0, y0});
          ++e.count;
          const float wt = static_cast<float>((j - i) + (l - k)) - 0.5f;
          e.sum_x += x0 * wt;
          e.sum_y += y0 * wt;
          e.weight += wt;
        }
      }
    }
  }
  return e;
}

std::optional<Vec> PoleEstimates::pole(frame::Where where) const {
  if (!(weight > 0)) return std::nullopt;
  return Vec{frame::checked(sum_x / weight, where), frame::checked(sum_y / weight, where)};
}

double pole_swing(const Vec& pole, frame::Where where) {
  return std::sqrt(frame::power(pole.x, 2, where) + frame::power(pole.y, 2, where));
}

}  // namespace tarvex
