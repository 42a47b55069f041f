// The block layout: single-precision starts stepped along the series.
#include "mulrin/scan_plan.h"

#include <cmath>

#include "frame/errors.h"
#include "frame/numtext.h"

namespace mulrin {

int engine_exponent(float exponent) {
  if (!(exponent >= 1 && exponent <= 62) || exponent != std::trunc(exponent)) return 0;
  return static_cast<int>(exponent);
}

std::int64_t first_sample_of(float start) {
  return static_cast<std::int64_t>(frame::round_half_away(start));
}

ScanPlan plan_scan(const BlockSettings& settings) {
  ScanPlan plan;
  const double length = settings.length;
  const double count = static_cast<double>(settings.count);
  float start = 0;
  while (static_cast<double>(start) + length <= count) {
    if (engine_exponent(settings.exponent) == 0 || first_sample_of(start) < 0) {
      plan.failure = frame::err::kSubscript;
      return plan;
    }
    ++plan.blocks;
    plan.samples_needed = static_cast<std::int64_t>(std::ceil(static_cast<double>(start) + length));
    const float next = start + settings.step;  // single-precision addition
    if (next == start) {
      plan.failure = frame::err::kOverflow;
      return plan;
    }
    start = next;
  }
  return plan;
}

}  // namespace mulrin
