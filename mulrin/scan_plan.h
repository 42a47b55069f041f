// The layout of the blocks along the series: where each block starts and how
// many blocks a series of a given count holds.
#pragma once

#include <cstdint>

namespace mulrin {

// What the Calculate run hands the block analysis.
struct BlockSettings {
  float exponent = 0;            // E, single
  float length = 0;              // N = 2^E, single
  float step = 0;                // block step in samples, single
  double samples_per_cycle = 0;  // c
  double origin = 0;             // o = origin in cycles times c, in samples
  double phase_step = 0;         // 2*pi/N, the phase step of the origin reference
  std::int64_t count = 0;        // samples in the series
};

// The exponent as the engine takes it: a whole number 1 .. 62, else 0 (the
// first transform of such a run is error 9).
int engine_exponent(float exponent);

// The first sample of the block that starts at `start`: the nearest whole
// number, halves away from zero.
std::int64_t first_sample_of(float start);

// The blocks a scan visits. Starts are stepped from 0 by single-precision
// additions while start + N <= count; block b takes the N samples from
// first_sample_of(start) on. The scan stops early with a run-time error when:
// - the exponent is no length the engine handles: 9 at the first transform;
// - a start would take a sample below index 0 (a negative step): 9;
// - a start no longer advances (start + step == start in single precision):
//   6 after the block at that start, instead of a scan that never ends.
struct ScanPlan {
  std::int64_t blocks = 0;          // blocks the scan transforms
  std::int64_t samples_needed = 0;  // ceil(start + N) of the last of them
  int failure = 0;                  // 0, or the error raised after those blocks
};
ScanPlan plan_scan(const BlockSettings& settings);

}  // namespace mulrin
