// After the scan: the selection, the swing and phase of every block of the
// selected bins, their changes, and per bin the means and deviations.
#include <cmath>
#include <new>
#include <stdexcept>

#include "frame/constants.h"
#include "mulrin/block_table.h"
#include "mulrin/blocks.h"

namespace mulrin {

namespace {

// The change of phase from the previous block, brought back into [-pi, pi]
// by one step of 2*pi. The sums and the report both use this one function,
// so the report prints exactly the values the sums were made of.
inline double wrap_change(double change) {
  const double down = change - frame::kTwoPi;
  const double up = change + frame::kTwoPi;
  return change > frame::kPi ? down : (change < -frame::kPi ? up : change);
}

}  // namespace

void BlockAnalysis::check_tables(std::int64_t count, frame::Where where) const {
  if (engine_exponent(settings_.exponent) == 0) return;
  BlockSettings settings = settings_;
  settings.count = count;
  check_memory(analysis_bytes(static_cast<double>(plan_scan(settings).blocks), settings_.length),
               where);
}

// Swing of bin k: 2 * sqrt(Re^2 + Im^2), for bin 0 without the 2.
double BlockAnalysis::swing_at(const double* row, std::size_t k) const {
  const double re = row[k], im = row[bins() + k];
  const double magnitude = std::sqrt(re * re + im * im);
  return k == 0 ? magnitude : 2 * magnitude;
}

// Phase of bin k of the block at `start`: the angle of X[k] from atan and the
// quadrant, in (-pi, pi]; referred to the origin by k * (o - start) * (2*pi/N);
// reduced to [0, 2*pi).
double BlockAnalysis::phase_at(const double* row, std::size_t k, float start) const {
  const double re = row[k], im = row[bins() + k];
  double phase;
  if (re == 0) {
    const double sign = im > 0 ? 1.0 : (im < 0 ? -1.0 : 0.0);
    phase = (frame::kPi / 2) * sign;
  } else {
    phase = std::atan(im / re);
    if (re < 0) phase = im >= 0 ? phase + frame::kPi : phase - frame::kPi;
  }
  phase = phase + (static_cast<double>(k) * (settings_.origin - static_cast<double>(start))) *
                      settings_.phase_step;
  return phase - std::floor(phase / frame::kTwoPi) * frame::kTwoPi;
}

void BlockAnalysis::finish(std::int64_t count, float threshold, frame::Where where) {
  BlockSettings settings = settings_;
  settings.count = count;
  const ScanPlan plan = plan_scan(settings);
  scan_.finish(plan.samples_needed);
  if (scan_.failure() != 0) frame::raise(scan_.failure(), where);
  if (plan.failure != 0) frame::raise(plan.failure, where);
  // The scan visits every block of the plan; a shortfall would be a block
  // beyond the series.
  const std::int64_t blocks = scan_.blocks();
  if (blocks != plan.blocks) frame::raise(frame::err::kSubscript, where);

  // The statistics divide the changes by NB - 1: with one block the very
  // first mean is 0/0.
  const double all = static_cast<double>(blocks);
  const double changes = all - 1;  // block 0 has no change
  if (changes == 0) frame::checked_div(0.0, changes, where);

  const std::size_t bins = this->bins();
  try {
    starts_.resize(static_cast<std::size_t>(blocks));
    column_of_.assign(bins, -1);
    statistics_.resize(bins);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  float start = 0;
  for (float& s : starts_) {
    s = start;
    start = start + settings_.step;  // as the scan stepped
  }

  std::vector<std::size_t> chosen;
  for (std::size_t k = 0; k < bins; ++k) {
    if (scan_.max_swing(k) >= static_cast<double>(threshold)) {
      column_of_[k] = static_cast<std::int64_t>(chosen.size());
      chosen.push_back(k);
    }
  }

  // The swings and phases bin by bin when they take at most a quarter of
  // the table again and the memory is there; otherwise in the table rows.
  const std::size_t n = chosen.size();
  const auto nb = static_cast<std::size_t>(blocks);
  const double column_bytes = 2.0 * static_cast<double>(n) * all * sizeof(double);
  if (n > 0 && n * 4 <= bins &&
      analysis_bytes(all, settings_.length) + column_bytes <= memory_limit()) {
    column_pages_ = frame::platform::PageTable(2 * n * nb * sizeof(double));
    columns_ = static_cast<double*>(column_pages_.data());
  }
  double* const columns = columns_;

  // Block by block, in order: swing and phase of every selected bin; the
  // changes from the previous block, the sums and the sums of squares.
  // Block 0 adds no changes (its are 0).
  std::vector<double> sum(4 * n, 0.0), square(4 * n, 0.0);
  const double* previous = nullptr;
  for (std::int64_t b = 0; b < blocks; ++b) {
    double* r = scan_.row(b);
    const auto i = static_cast<std::size_t>(b);
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t k = chosen[j];
      const double swing = swing_at(r, k);
      const double phase = phase_at(r, k, starts_[i]);
      double previous_swing = 0, previous_phase = 0;
      if (columns) {
        double* const swings = columns + 2 * j * nb;
        double* const phases = swings + nb;
        swings[i] = swing;
        phases[i] = phase;
        if (previous) previous_swing = swings[i - 1], previous_phase = phases[i - 1];
      } else {
        r[k] = swing;
        r[bins + k] = phase;
        if (previous) previous_swing = previous[k], previous_phase = previous[bins + k];
      }
      sum[kSwing * n + j] += swing;
      square[kSwing * n + j] += swing * swing;
      sum[kPhase * n + j] += phase;
      square[kPhase * n + j] += phase * phase;
      if (previous) {
        const double d_swing = swing - previous_swing;
        const double d_phase = wrap_change(phase - previous_phase);
        sum[kDSwing * n + j] += d_swing;
        square[kDSwing * n + j] += d_swing * d_swing;
        sum[kDPhase * n + j] += d_phase;
        square[kDPhase * n + j] += d_phase * d_phase;
      }
    }
    previous = r;
  }

  for (std::size_t j = 0; j < n; ++j) {
    BinStatistics& s = statistics_[chosen[j]];
    for (int q = 0; q < 4; ++q) {
      const double divisor = q < kDSwing ? all : changes;
      s.mean[q] = frame::checked_div(sum[q * n + j], divisor, where);
    }
    for (int q = 0; q < 4; ++q) {
      const double divisor = q < kDSwing ? all : changes;
      const double mean = s.mean[q];
      const double spread = frame::checked(
          frame::checked_div(square[q * n + j], divisor, where) - mean * mean, where);
      s.deviation[q] = std::sqrt(std::fabs(spread));
    }
  }
}

double BlockAnalysis::swing(std::int64_t b, std::size_t k) const {
  const std::int64_t j = column_of_[k];
  if (j < 0) return swing_at(scan_.row(b), k);
  if (!columns_) return scan_.row(b)[k];
  return columns_[static_cast<std::size_t>(2 * j * blocks() + b)];
}

double BlockAnalysis::phase(std::int64_t b, std::size_t k) const {
  const std::int64_t j = column_of_[k];
  if (j < 0) return phase_at(scan_.row(b), k, starts_[static_cast<std::size_t>(b)]);
  if (!columns_) return scan_.row(b)[bins() + k];
  return columns_[static_cast<std::size_t>((2 * j + 1) * blocks() + b)];
}

// The changes, with the operations the sums were made of.
double BlockAnalysis::d_swing(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return swing(b, k) - swing(b - 1, k);
}

double BlockAnalysis::d_phase(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return wrap_change(phase(b, k) - phase(b - 1, k));
}

}  // namespace mulrin
