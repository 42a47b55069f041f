// Block scan, statistics and selection.
#include "mulrin/blocks.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace mulrin {

namespace {

// Samples the window holds at least, so that it is compacted rarely.
constexpr std::size_t kMinimumWindow = std::size_t{1} << 16;

std::size_t window_capacity(std::size_t length) {
  return std::max(2 * length, kMinimumWindow);
}

// The change of phase from the previous block, brought back into [-pi, pi]
// by one step of 2*pi. The scan and the report both use this one function,
// so the report prints exactly the values the sums were made of.
inline double wrap_change(double change, const Angles& a) {
  const double down = change - a.two_pi;
  const double up = change + a.two_pi;
  return change > a.pi ? down : (change < -a.pi ? up : change);
}

}  // namespace

std::int64_t nearest_sample(double position) {
  double r = std::trunc(position);
  const double fraction = position - r;
  if (fraction >= 0.5) {
    r += 1;
  } else if (fraction <= -0.5) {
    r -= 1;
  }
  return static_cast<std::int64_t>(r);
}

int engine_exponent(float exponent) {
  if (!(exponent >= 1 && exponent <= 62) || exponent != std::trunc(exponent)) return 0;
  return static_cast<int>(exponent);
}

ScanPlan plan_scan(const BlockSettings& settings) {
  ScanPlan plan;
  const double length = settings.length;
  const double count = static_cast<double>(settings.count);
  float start = 0;
  while (static_cast<double>(start) + length <= count) {
    if (engine_exponent(settings.exponent) == 0 || nearest_sample(start) < 0) {
      plan.failure = frame::err::kSubscript;
      return plan;
    }
    ++plan.blocks;
    const float next = start + settings.step;  // single-precision addition
    if (next == start) {
      plan.failure = frame::err::kOverflow;
      return plan;
    }
    start = next;
  }
  return plan;
}

double analysis_bytes(double blocks, double length) {
  const double bins = length / 2;
  const double table = blocks * bins * 2 * sizeof(double);
  // twiddles, two work buffers and the coefficients: 8 doubles per sample
  const double engine = length * 8 * sizeof(double);
  const double per_bin = bins * (4 * 2 + 1) * sizeof(double) + bins * sizeof(BinStatistics);
  const double window = std::max(2 * length, static_cast<double>(kMinimumWindow)) * sizeof(double);
  return table + engine + per_bin + window;
}

double memory_limit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  double limit = (pages > 0 && page_size > 0)
                     ? static_cast<double>(pages) * static_cast<double>(page_size) / 2
                     : 1024.0 * 1024 * 1024;
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit r{};
    if (getrlimit(resource, &r) == 0 && r.rlim_cur != RLIM_INFINITY) {
      limit = std::min(limit, static_cast<double>(r.rlim_cur) * 0.75);
    }
  }
  return limit;
}

void check_memory(double bytes, frame::Where where) {
  if (!(bytes <= memory_limit())) frame::raise(frame::err::kOutOfMemory, where);
}

BlockAnalysis::BlockAnalysis(const BlockSettings& settings, const Angles& angles,
                             const ScanPlan& plan, frame::Where where)
    : settings_(settings), angles_(angles), plan_(plan) {
  const int exponent = engine_exponent(settings.exponent);
  if (exponent == 0 || plan.blocks == 0) {
    plan_.blocks = 0;  // nothing is transformed; finish() raises the failure
    return;
  }
  check_memory(analysis_bytes(static_cast<double>(plan.blocks), settings.length), where);
  length_ = std::size_t{1} << exponent;
  bins_ = length_ / 2;
  try {
    re_.resize(length_);
    im_.resize(length_);
    window_.resize(window_capacity(length_));
    // Not zero-filled: every block's row is written before it is read.
    table_.reset(new double[static_cast<std::size_t>(plan.blocks) * 2 * bins_]);
    bin_numbers_.resize(bins_);
    for (std::size_t k = 0; k < bins_; ++k) bin_numbers_[k] = static_cast<double>(k);
    sums_.assign(4 * bins_, 0.0);
    squares_.assign(4 * bins_, 0.0);
    max_swing_.assign(bins_, 0.0);
    statistics_.resize(bins_);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  } catch (const std::length_error&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  fft_ = std::make_unique<Fft>(exponent, where);
}

BlockAnalysis::~BlockAnalysis() = default;

void BlockAnalysis::store(double sample) {
  const std::int64_t index = pushed_;
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
    std::memmove(window_.data(), window_.data() + drop,
                 (window_length_ - drop) * sizeof(double));
    window_length_ -= drop;
    window_base_ = first_sample_;
  }
  window_[window_length_++] = sample;
}

void BlockAnalysis::push(double sample, frame::Where where) {
  if (pushed_ >= settings_.count) frame::raise(frame::err::kSubscript, where);
  if (blocks_done_ < plan_.blocks) store(sample);
  ++pushed_;
  const auto n = static_cast<std::int64_t>(length_);
  while (blocks_done_ < plan_.blocks && first_sample_ + n <= pushed_) transform_block(where);
}

void BlockAnalysis::transform_block(frame::Where where) {
  const Angles& a = angles_;
  const double* x = window_.data() + (first_sample_ - window_base_);
  fft_->transform(x, re_.data(), im_.data(), where);

  const std::int64_t b = blocks_done_;
  const std::size_t bins = bins_;
  double* swing = table_.get() + static_cast<std::size_t>(b) * 2 * bins;
  double* phase = swing + bins;
  const double* re = re_.data();
  const double* im = im_.data();

  // Three passes over the bins; the first and the last are plain arithmetic
  // that the compiler puts into vector lanes with the same IEEE operations.
  // 1. Swing 2*sqrt(Re^2 + Im^2) (bin 0 without the 2), and Im/Re.
  for (std::size_t k = 0; k < bins; ++k) {
    swing[k] = 2 * std::sqrt(re[k] * re[k] + im[k] * im[k]);
    phase[k] = im[k] / re[k];
  }
  swing[0] = std::sqrt(re[0] * re[0] + im[0] * im[0]);

  // 2. The angle of X[k] from atan and the quadrant, in (-pi, pi].
  const double half_pi = a.pi / 2;
  for (std::size_t k = 0; k < bins; ++k) {
    double angle;
    if (re[k] == 0) {
      const double sign = im[k] > 0 ? 1.0 : (im[k] < 0 ? -1.0 : 0.0);
      angle = half_pi * sign;
    } else {
      const double quotient = phase[k];
      if (std::isinf(quotient)) frame::raise(frame::err::kOverflow, where);
      angle = std::atan(quotient);
      if (re[k] < 0) angle = im[k] >= 0 ? angle + a.pi : angle - a.pi;
    }
    phase[k] = angle;
  }

  // 3. Referred to the origin by k * (o - start) * (2*pi/N), reduced to
  // [0, 2*pi); the changes from the previous block; the running sums.
  const double offset = settings_.origin - static_cast<double>(start_);
  const double phase_step = settings_.phase_step;
  const double* bin = bin_numbers_.data();
  for (std::size_t k = 0; k < bins; ++k) {
    double p = phase[k] + (bin[k] * offset) * phase_step;
    p = p - exact_floor(p / a.two_pi) * a.two_pi;
    phase[k] = p;
  }
  double* sum = sums_.data();
  double* square = squares_.data();
  for (std::size_t k = 0; k < bins; ++k) {
    sum[kSwing * bins + k] += swing[k];
    square[kSwing * bins + k] += swing[k] * swing[k];
    sum[kPhase * bins + k] += phase[k];
    square[kPhase * bins + k] += phase[k] * phase[k];
  }
  double* max_swing = max_swing_.data();
  if (b == 0) {
    // Block 0 has no changes; adding its zeros leaves the sums as they are.
    for (std::size_t k = 0; k < bins; ++k) max_swing[k] = swing[k];
  } else {
    const double* previous_swing = swing - 2 * bins;
    const double* previous_phase = phase - 2 * bins;
    for (std::size_t k = 0; k < bins; ++k) {
      const double d_swing = swing[k] - previous_swing[k];
      const double d_phase = wrap_change(phase[k] - previous_phase[k], a);
      sum[kDSwing * bins + k] += d_swing;
      square[kDSwing * bins + k] += d_swing * d_swing;
      sum[kDPhase * bins + k] += d_phase;
      square[kDPhase * bins + k] += d_phase * d_phase;
      max_swing[k] = swing[k] > max_swing[k] ? swing[k] : max_swing[k];
    }
  }

  ++blocks_done_;
  if (blocks_done_ < plan_.blocks) {
    start_ = start_ + settings_.step;  // single-precision addition
    first_sample_ = nearest_sample(start_);
  }
}

void BlockAnalysis::finish(frame::Where where) {
  // A second reading that found fewer data lines leaves the rest of the
  // series at 0.
  while (blocks_done_ < plan_.blocks && pushed_ < settings_.count) push(0.0, where);
  if (plan_.failure != 0) frame::raise(plan_.failure, where);

  const double all = static_cast<double>(blocks_done_);
  const double changes = all - 1;  // block 0 has no change
  const std::size_t bins = bins_;
  for (std::size_t k = 0; k < bins; ++k) {
    BinStatistics& s = statistics_[k];
    for (int q = 0; q < 4; ++q) {
      const double n = q < kDSwing ? all : changes;
      s.mean[q] = frame::checked_div(sums_[q * bins + k], n, where);
    }
    for (int q = 0; q < 4; ++q) {
      const double n = q < kDSwing ? all : changes;
      const double mean = s.mean[q];
      const double spread = frame::checked(
          frame::checked_div(squares_[q * bins + k], n, where) - mean * mean, where);
      s.deviation[q] = std::sqrt(std::fabs(spread));
    }
  }
}

double BlockAnalysis::d_swing(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return swing(b, k) - swing(b - 1, k);
}

double BlockAnalysis::d_phase(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return wrap_change(phase(b, k) - phase(b - 1, k), angles_);
}

}  // namespace mulrin
