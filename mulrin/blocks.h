// The block analysis: blocks of N = 2^E samples laid along the series at a
// fixed step, each transformed, and per bin the swing, the phase referred to
// the origin, their changes from block to block, and over all blocks their
// means and deviations.
//
// The series is streamed into the block scan (block_scan.h), which keeps of
// every block only what the report can print: the coefficients of bins
// 0 .. N/2-1, and the largest swing of every bin, which decides the
// selection. Swing, phase, their changes and their sums are then worked out,
// in block order and with the same operations, for the selected bins only:
// the report prints nothing of the others.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "frame/errors.h"
#include "frame/platform/platform.h"
#include "mulrin/block_scan.h"
#include "mulrin/scan_plan.h"

namespace mulrin {

// The four quantities of a bin, in their order.
enum Quantity : int { kSwing = 0, kPhase = 1, kDSwing = 2, kDPhase = 3 };

// Mean and deviation of the four quantities of one bin.
struct BinStatistics {
  std::array<double, 4> mean{};
  std::array<double, 4> deviation{};
};

class BlockAnalysis {
 public:
  // settings.count is not used: the count is known only after the reading.
  // No series will be longer than `count_bound` (infinity when not known),
  // see BlockScan.
  BlockAnalysis(const BlockSettings& settings, double count_bound,
                frame::Where where = frame::Where::current())
      : settings_(settings), scan_(settings, count_bound, where) {}

  // Sample i of the series, in order i = 0, 1, ...
  void push(double sample) { scan_.push(sample); }

  // Error 7 when the tables for every block of a series of `count` samples
  // would not fit in memory (nothing to check when the exponent is no length
  // the engine handles).
  void check_tables(std::int64_t count, frame::Where where = frame::Where::current()) const;

  // After the last sample of a series of `count` samples: samples never
  // pushed are 0; transforms the blocks left; raises the first error the
  // scan met, then the plan's failure (see plan_scan); then selects the bins
  // whose swing reaches the threshold (>=) in some block and works out their
  // swings, phases, changes, means and deviations (exactly one block: the
  // mean change is 0/0, error 5).
  void finish(std::int64_t count, float threshold, frame::Where where = frame::Where::current());

  std::int64_t blocks() const { return scan_.blocks(); }  // NB: blocks scanned
  std::size_t bins() const { return scan_.bins(); }       // N/2: bins reported on
  bool selected(std::size_t k) const { return column_of_[k] >= 0; }
  // The largest swing of the bin over all blocks.
  double max_swing(std::size_t k) const { return scan_.max_swing(k); }

  // The values of block b at bin k, after finish() (worked out again for a
  // bin that is not selected).
  double swing(std::int64_t b, std::size_t k) const;
  double phase(std::int64_t b, std::size_t k) const;  // radians, in [0, 2*pi)
  // Changes from block b-1; 0 for block 0.
  double d_swing(std::int64_t b, std::size_t k) const;
  double d_phase(std::int64_t b, std::size_t k) const;
  // Of a selected bin.
  const BinStatistics& statistics(std::size_t k) const { return statistics_[k]; }

  // Asks for the values of block b at bin k ahead of their use. The rows of
  // the table lie far apart, so a reader that goes along the blocks of one
  // bin (the report) would otherwise wait for memory at every block.
  void prefetch(std::int64_t b, std::size_t k) const {
#if defined(__GNUC__)
    if (b < blocks() && !(selected(k) && columns_)) {
      const double* row = scan_.row(b);
      __builtin_prefetch(row + k);
      __builtin_prefetch(row + bins() + k);
    }
#else
    (void)b;
    (void)k;
#endif
  }

 private:
  double swing_at(const double* row, std::size_t k) const;
  double phase_at(const double* row, std::size_t k, float start) const;

  BlockSettings settings_;
  BlockScan scan_;
  // Worked out by finish(). The swings and phases of the selected bins are
  // kept bin by bin, each bin's blocks side by side, so that the report and
  // the exports, which go along the blocks of one bin, read them in order.
  // Where that would take more than a quarter of the table again (a low
  // threshold selects many bins), beyond the memory limit, or when the pages
  // cannot be had, they take the place of the bins' coefficients in the
  // table rows instead.
  frame::platform::PageTable column_pages_;
  double* columns_ = nullptr;  // per selected bin j: NB swings, then NB phases
  std::vector<float> starts_;            // per block
  std::vector<std::int64_t> column_of_;  // per bin: its place among the selected, or -1
  std::vector<BinStatistics> statistics_;
};

}  // namespace mulrin
