// The block scan: samples stream in, in file order; a block is transformed
// as soon as its last sample is in, so only a window of samples is held. Of
// every block the coefficients of bins 0 .. N/2-1 go into the block table,
// and the largest swing of every bin is kept, which decides the selection.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "mulrin/block_table.h"
#include "mulrin/fft.h"
#include "mulrin/scan_plan.h"

namespace mulrin {

class BlockScan {
 public:
  // `count_bound`: no series will be longer (infinity when not known).
  // Blocks are transformed while the samples arrive as long as the tables
  // are sure to fit: always when they fit for a series of `count_bound`
  // samples; for a series of unknown length while the tables for the samples
  // so far take at most a quarter of the memory limit; never when the bound
  // is known and its tables do not fit. Past that the samples are held and
  // the blocks wait for finish(), which the run reaches only once the tables
  // for the actual count are known to fit.
  BlockScan(const BlockSettings& settings, double count_bound,
            frame::Where where = frame::Where::current());

  // Sample i of the series, in order i = 0, 1, ... Samples are collected in
  // chunks; a long series is scanned on a second thread while the caller
  // reads on (the blocks are taken one after another, in order, so the
  // results are the same bits either way). The engine and the tables are
  // built with the first chunk scanned: a run that ends before builds none.
  void push(double sample) {
    ++pushed_;
    filling_[filled_++] = sample;
    if (filled_ == filling_.size()) hand_over(true);
  }

  // After the last sample: samples up to `samples_needed` that were never
  // pushed are 0; transforms the blocks left and waits for the second thread.
  void finish(std::int64_t samples_needed);

  std::int64_t blocks() const { return blocks_done_; }
  std::size_t bins() const { return bins_; }
  // The first error the scan met, or 0: an overflow in a block's phase
  // quotient (6), a block table that could not grow or samples that could
  // not be held (7).
  int failure() const { return failure_; }
  double* row(std::int64_t b) const { return table_.row(b); }
  double max_swing(std::size_t k) const { return max_swing_[k]; }

 private:
  void set_up();                                    // engine and tables
  void hand_over(bool more_to_come);                // the filled chunk to the scan
  void hold();                                      // the filled chunk kept for later
  void scan(const double* samples, std::size_t n);  // the scan side
  void store(double sample);
  void transform_block();
  void start_worker();
  void stop_worker();

  BlockSettings settings_;
  int exponent_ = 0;  // the engine's, 0 when it has none

  // The reading side: samples pushed, collected in chunks.
  std::int64_t pushed_ = 0;
  std::vector<double> filling_;
  std::size_t filled_ = 0;
  bool set_up_ = false;
  double eager_blocks_ = 0;                // blocks that may be transformed as the samples arrive
  bool paused_ = false;                    // past them: the samples are held
  bool hold_failed_ = false;               // the held samples outgrew the memory limit
  std::vector<std::vector<double>> held_;  // chunks waiting for finish()

  // The scan side (on the second thread when there is one).
  std::size_t length_ = 0;  // N
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
  bool scanning_ = false;  // blocks are still to come
  int failure_ = 0;
  BlockTable table_;
  std::vector<double> max_swing_;  // per bin, over the blocks so far

  // The hand-over to the second thread: one chunk waits or is scanned while
  // the reading side fills the next.
  struct Handoff {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::vector<double> chunk;
    std::size_t length = 0;
    bool full = false;
  };
  std::unique_ptr<Handoff> handoff_;
  std::jthread worker_;  // last: stopped and joined before the rest goes
};

}  // namespace mulrin
