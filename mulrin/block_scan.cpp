// The block scan: the sliding window over the series, the transform of each
// block and the running largest swing of every bin.
#include "mulrin/block_scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "frame/threads.h"

namespace mulrin {

namespace {

// Blocks above which samples are never scanned as they arrive.
constexpr double kEagerBlocks = 1 << 26;

// The blocks by formula for a series of `count` samples, one more for the
// stepped starts of a step that is not a whole number.
double blocks_for(double count, const BlockSettings& settings) {
  if (count < settings.length) return 0;
  return std::floor((count - settings.length) / settings.step) + 2;
}

}  // namespace

BlockScan::BlockScan(const BlockSettings& settings, double count_bound, frame::Where where)
    : settings_(settings), exponent_(engine_exponent(settings.exponent)) {
  try {
    filling_.resize(kFirstChunk);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  const double length = settings.length;
  const double limit = memory_limit();
  if (exponent_ == 0 || !(settings.step > 0)) {
    eager_blocks_ = 0;  // nothing to transform, or a run that ends with an error
  } else if (count_bound != std::numeric_limits<double>::infinity()) {
    const double blocks = blocks_for(count_bound, settings);
    const bool fits = blocks <= kEagerBlocks && analysis_bytes(blocks, length) <= limit;
    eager_blocks_ = fits ? std::numeric_limits<double>::infinity() : 0;
  } else {
    const double fixed = analysis_bytes(0, length);
    eager_blocks_ = std::min(kEagerBlocks,
                             std::floor((limit / 4 - fixed) / (analysis_bytes(1, length) - fixed)));
  }
  paused_ = !(eager_blocks_ > 0);
}

void BlockScan::hold() {
  const double bytes = static_cast<double>(held_.size() + 2) * kChunk * sizeof(double);
  if (hold_failed_ || !(bytes <= memory_limit())) {
    hold_failed_ = true;  // the series does not fit: nothing more is held
    return;
  }
  held_.push_back(std::move(filling_));
  filling_ = std::vector<double>(kChunk);
}

// The engine, the window and the first segment of the table. A table that
// the memory budget does not allow for even one block leaves the scan off;
// the run checks the tables for the whole series once it knows the count.
void BlockScan::set_up() {
  set_up_ = true;
  if (exponent_ == 0) return;  // nothing is transformed; the plan names the failure
  length_ = std::size_t{1} << exponent_;
  bins_ = length_ / 2;
  table_ = BlockTable(bins_, settings_.length);
  if (!table_.reserve(1)) {
    failure_ = frame::err::kOutOfMemory;
    return;
  }
  try {
    re_.resize(length_);
    im_.resize(length_);
    window_.resize(std::max(2 * length_, kMinimumWindow));
    max_swing_.assign(bins_, 0.0);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory);
  } catch (const std::length_error&) {
    frame::raise(frame::err::kOutOfMemory);
  }
  fft_ = std::make_unique<Fft>(exponent_);
  scanning_ = true;
}

void BlockScan::start_worker() {
  handoff_ = std::make_unique<Handoff>();
  handoff_->chunk.resize(kChunk);
  worker_ = std::jthread([this](std::stop_token stop) {
    Handoff& h = *handoff_;
    std::unique_lock<std::mutex> lock(h.mutex);
    while (h.changed.wait(lock, stop, [&h] { return h.full; })) {
      lock.unlock();
      scan(h.chunk.data(), h.length);
      lock.lock();
      h.full = false;
      h.changed.notify_all();
    }
  });
}

void BlockScan::stop_worker() {
  if (!worker_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(handoff_->mutex);
    handoff_->changed.wait(lock, [this] { return !handoff_->full; });
  }
  worker_.request_stop();
  worker_.join();
}

void BlockScan::hand_over(bool more_to_come) {
  if (!paused_ && blocks_for(static_cast<double>(pushed_), settings_) > eager_blocks_) {
    paused_ = true;
  }
  if (paused_ && more_to_come) {
    hold();
    filled_ = 0;
    return;
  }
  if (!set_up_) set_up();
  if (worker_.joinable()) {
    Handoff& h = *handoff_;
    {
      std::unique_lock<std::mutex> lock(h.mutex);
      h.changed.wait(lock, [&h] { return !h.full; });
      h.chunk.swap(filling_);
      h.length = filled_;
      h.full = true;
    }
    h.changed.notify_all();
  } else {
    scan(filling_.data(), filled_);
    // A second thread pays once a series is longer than one chunk.
    if (scanning_ && more_to_come && frame::thread_count() > 1) {
      filling_.resize(kChunk);
      start_worker();
    }
  }
  filled_ = 0;
}

void BlockScan::finish(std::int64_t samples_needed) {
  while (pushed_ < samples_needed) push(0.0);
  if (!paused_) {
    hand_over(false);
    stop_worker();
    return;
  }
  // The scan goes on where it paused: the held samples and the last chunk,
  // here, in order.
  stop_worker();
  if (hold_failed_) {
    failure_ = frame::err::kOutOfMemory;
  } else {
    if (!set_up_) set_up();
    for (const std::vector<double>& chunk : held_) scan(chunk.data(), chunk.size());
    scan(filling_.data(), filled_);
  }
  held_.clear();
  filled_ = 0;
}

void BlockScan::scan(const double* samples, std::size_t n) {
  if (!scanning_) return;
  const double length = static_cast<double>(length_);
  for (std::size_t i = 0; i < n; ++i) {
    store(samples[i]);
    ++received_;
    // The block at `start` is complete, and lies within the series, once
    // start + N <= the samples received.
    while (scanning_ && static_cast<double>(start_) + length <= static_cast<double>(received_)) {
      transform_block();
    }
  }
}

void BlockScan::store(double sample) {
  const std::int64_t index = received_;
  if (index < first_sample_) {
    // Between two blocks that do not overlap: no block needs it, nor any
    // sample held before it.
    window_length_ = 0;
    return;
  }
  if (window_length_ == 0) {
    window_base_ = index;
  } else if (window_length_ == window_.size()) {
    // Drop what lies before the next block's first sample. Blocks are
    // transformed as soon as complete, so at most N-1 samples remain.
    const auto drop = static_cast<std::size_t>(first_sample_ - window_base_);
    std::memmove(window_.data(), window_.data() + drop, (window_length_ - drop) * sizeof(double));
    window_length_ -= drop;
    window_base_ = first_sample_;
  }
  window_[window_length_++] = sample;
}

void BlockScan::transform_block() {
  const std::int64_t b = blocks_done_;
  if (!table_.reserve(b + 1)) {
    failure_ = frame::err::kOutOfMemory;
    scanning_ = false;
    return;
  }
  const double* x = window_.data() + (first_sample_ - window_base_);
  fft_->transform(x, re_.data(), im_.data());

  const std::size_t bins = bins_;
  double* row_re = table_.row(b);
  double* row_im = row_re + bins;
  const double* re = re_.data();
  const double* im = im_.data();
  std::memcpy(row_re, re, bins * sizeof(double));
  std::memcpy(row_im, im, bins * sizeof(double));

  // The largest swing so far (the same operations as the swing of the
  // statistics), in vector lanes.
  double* max_swing = max_swing_.data();
  const double swing0 = std::sqrt(re[0] * re[0] + im[0] * im[0]);
  max_swing[0] = b == 0 || swing0 > max_swing[0] ? swing0 : max_swing[0];
  if (b == 0) {
    for (std::size_t k = 1; k < bins; ++k) {
      max_swing[k] = 2 * std::sqrt(re[k] * re[k] + im[k] * im[k]);
    }
  } else {
    for (std::size_t k = 1; k < bins; ++k) {
      const double swing = 2 * std::sqrt(re[k] * re[k] + im[k] * im[k]);
      max_swing[k] = swing > max_swing[k] ? swing : max_swing[k];
    }
  }
  // The phase takes atan(Im/Re) of every bin with Re other than 0; a
  // quotient beyond the double range is an overflow, met here in the scan
  // and raised once the series is read.
  bool overflow = false;
  for (std::size_t k = 0; k < bins; ++k) {
    overflow |= (re[k] != 0) & (std::fabs(im[k] / re[k]) > std::numeric_limits<double>::max());
  }
  if (overflow) {
    failure_ = frame::err::kOverflow;
    scanning_ = false;
    return;
  }

  ++blocks_done_;
  // The next start. The scan stops where plan_scan says it fails: at a
  // start that no longer advances, or one below sample 0.
  const float next = start_ + settings_.step;  // single-precision addition
  if (next == start_ || first_sample_of(next) < 0) {
    scanning_ = false;
    return;
  }
  start_ = next;
  first_sample_ = first_sample_of(start_);
}

}  // namespace mulrin
