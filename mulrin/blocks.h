// The block analysis: blocks of N = 2^E samples laid along the series at a
// fixed step, each transformed, and per bin the swing, the phase referred to
// the origin, their changes from block to block, and over all blocks their
// means and deviations.
//
// The series is streamed: samples arrive one at a time in file order and a
// block is transformed as soon as its last sample is in, so only a window of
// samples is held. Of every block only what the report can print is kept:
// the coefficients of bins 0 .. N/2-1. The scan itself keeps the largest
// swing of every bin, which decides the selection; swing, phase, their
// changes and their sums are then worked out, in block order and with the
// same operations, for the selected bins only: the report prints nothing of
// the others.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "frame/errors.h"
#include "mulrin/fft.h"

namespace mulrin {

// The program's angle constants (pi is the 15-digit value, see Constants).
struct Angles {
  double pi;
  double two_pi;
  double degrees_per_radian;
};

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

// The nearest whole number of a position, halves away from zero (judged on
// the exact value: 2.5 -> 3, -2.5 -> -3).
std::int64_t nearest_sample(double position);

// The exponent as the engine takes it: a whole number 1 .. 62, else 0 (the
// first transform of such a run is error 9).
int engine_exponent(float exponent);

// The blocks a scan visits. Starts are stepped from 0 by single-precision
// additions while start + N <= count; block b takes the N samples from
// nearest(start) on. The scan stops early with a run-time error when:
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

// What an analysis of `blocks` blocks of N samples holds, in bytes (a double,
// so that no size overflows).
double analysis_bytes(double blocks, double length);

// What a run may take: half the physical memory, within the process limits.
double memory_limit();

// Error 7 when `bytes` is more than memory_limit().
void check_memory(double bytes, frame::Where where = frame::Where::current());

// The four quantities of a bin, in their order.
enum Quantity : int { kSwing = 0, kPhase = 1, kDSwing = 2, kDPhase = 3 };

// Mean and deviation of the four quantities of one bin.
struct BinStatistics {
  std::array<double, 4> mean{};
  std::array<double, 4> deviation{};
};

class BlockAnalysis {
 public:
  // Checks the memory for a table of `capacity` blocks (error 7) and builds
  // the tables and the engine's twiddle table; the table holds at least
  // every block the scan will visit. With `second_core` a long scan runs on
  // a second thread while the caller reads the data; the results are the
  // same bits either way (the blocks are taken one after another, in order).
  // settings.count is not used: the count is given to finish().
  BlockAnalysis(const BlockSettings& settings, const Angles& angles, std::int64_t capacity,
                frame::Where where = frame::Where::current(), bool second_core = true);
  ~BlockAnalysis();
  BlockAnalysis(const BlockAnalysis&) = delete;
  BlockAnalysis& operator=(const BlockAnalysis&) = delete;

  // Sample i of the series, in order i = 0, 1, ... A block is transformed
  // once its samples are in and start + N does not pass the samples pushed,
  // so it lies within any count from there on.
  void push(double sample) {
    ++pushed_;
    filling_[filled_++] = sample;
    if (filled_ == filling_.size()) hand_over();
  }

  // After the last sample of a series of `count` samples: samples never
  // pushed are 0; transforms the blocks left; raises the first error the
  // scan met (as the scan would after the whole series was read), then the
  // plan's failure (see plan_scan); then selects the bins whose swing
  // reaches the threshold (>=) in some block and works out their swings,
  // phases, changes, means and deviations (exactly one block: the mean
  // change is 0/0, error 5).
  void finish(std::int64_t count, float threshold,
              frame::Where where = frame::Where::current());

  std::int64_t blocks() const { return blocks_done_; }  // NB: blocks scanned
  std::size_t bins() const { return bins_; }            // N/2: bins reported on
  bool on_second_core() const { return worker_ != nullptr; }
  bool selected(std::size_t k) const { return column_of_[k] >= 0; }
  // The largest swing of the bin over all blocks.
  double max_swing(std::size_t k) const { return max_swing_[k]; }

  // The values of block b at bin k, after finish() (worked out again for a
  // bin that is not selected).
  double swing(std::int64_t b, std::size_t k) const;
  double phase(std::int64_t b, std::size_t k) const;  // radians, in [0, 2*pi)
  // Changes from block b-1; 0 for block 0.
  double d_swing(std::int64_t b, std::size_t k) const;
  double d_phase(std::int64_t b, std::size_t k) const;
  // Of a selected bin.
  const BinStatistics& statistics(std::size_t k) const { return statistics_[k]; }

 private:
  struct Worker;
  class PageTable;

  const double* row(std::int64_t b) const;  // N/2 Re, then N/2 Im
  double swing_at(const double* row, std::size_t k) const;
  double phase_at(const double* row, std::size_t k, float start) const;
  void hand_over();                                  // the filled chunk to the scan
  void scan(const double* samples, std::size_t n);   // the scan side
  void store(double sample);
  void transform_block();
  void stop_worker() noexcept;

  BlockSettings settings_;
  Angles angles_;
  int exponent_ = 0;  // the engine's, 0 when it has none

  // The reading side: samples pushed, collected in chunks.
  std::int64_t pushed_ = 0;
  std::int64_t capacity_ = 0;  // blocks the table holds
  std::vector<double> filling_;
  std::size_t filled_ = 0;
  std::unique_ptr<Worker> worker_;

  // The scan side (on the second thread when there is one).
  std::size_t length_ = 0;  // N, when the engine handles it
  std::size_t bins_ = 0;    // N/2
  std::unique_ptr<Fft> fft_;
  std::vector<double> re_, im_;  // coefficients of the current block
  std::vector<double> window_;   // window_[0] is sample window_base_
  std::int64_t window_base_ = 0;
  std::size_t window_length_ = 0;
  std::int64_t received_ = 0;      // samples the scan has received
  float start_ = 0;                // start of the next block
  std::int64_t first_sample_ = 0;  // its first sample
  std::int64_t blocks_done_ = 0;
  bool scanning_ = false;          // blocks are still to come
  int failure_ = 0;                // the first error the scan met
  std::unique_ptr<PageTable> table_;  // per block: N/2 Re, then N/2 Im
  std::vector<double> max_swing_;     // per bin, over the blocks so far

  // Worked out by finish().
  // The table rows of a selected bin hold its swing and phase in place of
  // its coefficients.
  std::vector<float> starts_;            // per block
  std::vector<std::int64_t> column_of_;  // per bin: its place among the selected, or -1
  std::vector<BinStatistics> statistics_;
};

}  // namespace mulrin
