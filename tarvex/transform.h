// The per-cycle transform: a discrete Fourier transform at one angular speed,
// evaluated over consecutive intervals of a given number of samples.
//
// Precision follows the analyser's long-standing rules: sums, angles and all
// derived quantities are doubles, every square goes through frame::power
// (x^2, not x*x), the reference angle grows by repeated addition. The sample
// counter and the interval sample count m are held exactly as 64-bit
// integers; single-precision counters stopped counting at 16,777,216 samples
// and then divided by a wrong count. Below that size the results are the same.
#pragma once

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>

#include "frame/errors.h"
#include "frame/subtract.h"
#include "tarvex/constants.h"

namespace tarvex {

// A point of the plane: an interval vector, a difference vector, a pole.
struct Vec {
  double x = 0;
  double y = 0;
};

// The phase of a vector in degrees, 0 <= phase < 360. X = 0 gives 90 before
// the quadrant corrections, so (0, 0) is 90 and (0, negative) is 270.
double angle_rule(double x, double y);

// Radians of reference angle per sample: speed / samples per cycle / degrees
// per radian. Samples per cycle 0 is a division by zero (11), or 0/0 (5)
// when the speed is 0 too.
double angular_step(double speed, double samples_per_cycle,
                    frame::Where where = frame::Where::current());

struct TransformParams {
  double samples_per_cycle = 0;
  double origin = 0;        // sample position of the phase reference
  double angular_step = 0;  // radians per sample
  double interval = 0;      // samples per DFT interval (fractional allowed)
  // Known components removed from each sample first; null or empty: none.
  const frame::SubtractTable* subtract = nullptr;
};

// The cosine and sine of the reference angles of samples 0, 1, ... of a run:
// the angle of a sample is the running sum of the steps from the start
// angle. They are taken a table at a time, in a tight loop, from the same
// repeated addition (the same values as one at a time). After work_ahead()
// the tables are filled on a second thread, several tables ahead of the
// samples, from the same running sum: the same bits, while the reading
// thread parses and sums.
class ReferenceAngles {
 public:
  ReferenceAngles(double start, double step);
  ~ReferenceAngles();
  ReferenceAngles(const ReferenceAngles&) = delete;
  ReferenceAngles& operator=(const ReferenceAngles&) = delete;

  // Before the first sample: the tables come from a second thread.
  void work_ahead();

  void next(double& cos_angle, double& sin_angle) {
    if (next_ == size_) look_ahead();
    cos_angle = cos_[next_];
    sin_angle = sin_[next_];
    ++next_;
  }

 private:
  static constexpr int kAhead = 256;
  class Worker;
  void look_ahead();

  double next_angle_;  // of the first sample after the table
  double step_;
  int size_ = kAhead;  // samples in the current table
  int next_ = kAhead;
  std::array<double, kAhead> own_cos_{};
  std::array<double, kAhead> own_sin_{};
  const double* cos_;  // the current table: its own, or the worker's
  const double* sin_;
  std::unique_ptr<Worker> worker_;
  std::uint64_t tables_taken_ = 0;  // from the worker
};

// The running state of one run: sums of the open interval and of the whole
// file, the exact counters, the interval fill and the reference angle.
class CycleTransform {
 public:
  explicit CycleTransform(const TransformParams& params);

  // Takes one sample in file order: subtract model, c = cos(angle) * y and
  // s = sin(angle) * y into both pairs of sums (X += c, Y -= s), the counters
  // and the fill up by one, the angle up by one step. True when the interval
  // fill has reached the interval length, i.e. the interval is to be closed.
  bool take_sample(double y) {
    if (subtract_) y = subtract(y);
    double cos_angle, sin_angle;
    angles_.next(cos_angle, sin_angle);
    return add(cos_angle * y, sin_angle * y);
  }
  // The open interval's vector: its sums divided by m, doubled when the
  // angular step is not 0 (a zero step gives the plain mean).
  Vec interval_vector() const;

  // After an interval closed: sums and m to 0, the fill reduced by the
  // interval length (not reset, so a fractional length carries over).
  void end_interval() {
    interval_sums = Vec{};
    m = 0;
    fill -= params_.interval;
  }
  // Drops the open interval's sums and m without touching the fill.
  void drop_interval() {
    interval_sums = Vec{};
    m = 0;
  }

  // Whole-file swing: sqrt(X^2 + Y^2) of the file sums divided by the sample
  // counter, doubled when the step is not 0; no sample is 0/0, error 5.
  double file_swing(frame::Where where = frame::Where::current()) const;
  // Whole-file phase: the angle rule of the file sums.
  double file_phase() const { return angle_rule(file_sums.x, file_sums.y); }

  const TransformParams& params() const { return params_; }

  // The cosines and sines of the samples to come are worked out on a second
  // thread (before the first sample only).
  void work_ahead() { angles_.work_ahead(); }

  // The reference angle of the next sample.
  double reference_angle() const { return angle_; }

  // State, public for the handlers and for tests that start near a limit.
  std::int64_t sample_counter = 0;  // samples used so far
  std::int64_t m = 0;               // samples in the open interval
  double fill = 0;                  // samples counted toward the interval length
  Vec interval_sums;
  Vec file_sums;

 private:
  // The sums, counters, fill and angle after one sample.
  bool add(double c, double s) {
    interval_sums.x += c;
    interval_sums.y -= s;
    file_sums.x += c;
    file_sums.y -= s;
    ++sample_counter;
    ++m;
    fill += 1;
    angle_ += params_.angular_step;
    // An overflowing sum stops the run at the sample that made it (error 6).
    if (!(std::fabs(file_sums.x) <= DBL_MAX && std::fabs(file_sums.y) <= DBL_MAX &&
          std::fabs(interval_sums.x) <= DBL_MAX && std::fabs(interval_sums.y) <= DBL_MAX)) {
      overflow();
    }
    return fill >= params_.interval;
  }
  double subtract(double y) const;
  [[noreturn]] void overflow() const;

  TransformParams params_;
  const frame::SubtractTable* subtract_ = nullptr;
  double angle_ = 0;
  ReferenceAngles angles_;
};

// One closed interval of a "Calc." run as its report row shows it.
struct IntervalRow {
  double cycle_label = 0;  // middle of the interval, cycles from the origin
  double swing = 0;
  double phase = 0;
  bool first = true;  // the first interval has no differences
  double d_swing = 0;
  double d_phase = 0;
  double d_length = 0;
  double d_angle = 0;
};

// Sum of values and of their squares, for a mean and a population deviation.
struct RunningStat {
  double sum = 0;
  double sum_sq = 0;
  void add(double v, frame::Where where = frame::Where::current());
  // sum / n; one difference short of any (n = 0) is 0/0, error 5.
  double average(double n, frame::Where where = frame::Where::current()) const;
  // sqrt(|sum_sq / n - average^2|), the absolute value guarding a slightly
  // negative difference.
  double deviation(double n, frame::Where where = frame::Where::current()) const;
};

struct DifferenceStats {
  RunningStat d_swing, d_phase, d_length, d_angle;
};

// The interval table of a "Calc." run and the differences between
// consecutive interval vectors, scaled to one full file interval.
class IntervalSeries {
 public:
  // file_interval: samples per interval, as the d-values are scaled by it.
  IntervalSeries(double samples_per_cycle, double origin, double file_interval)
      : samples_per_cycle_(samples_per_cycle), origin_(origin), file_interval_(file_interval) {}

  // Closes the open interval of the transform: stores its vector in the next
  // row (the 65th is error 9), computes swing, phase, cycle label and, from
  // the second interval on, the differences.
  IntervalRow close(const CycleTransform& transform, frame::Where where = frame::Where::current());
  // After the row was written: counts the closed interval.
  void count_closed() { ++count_; }

  int count() const { return count_; }
  const std::array<Vec, kIntervalRows>& table() const { return table_; }
  const DifferenceStats& stats() const { return stats_; }
  // The number of differences, n = interval counter - 1 (-1 when none).
  double differences() const { return static_cast<double>(count_) - 1; }

 private:
  double samples_per_cycle_;
  double origin_;
  double file_interval_;
  int count_ = 0;  // closed intervals
  std::array<Vec, kIntervalRows> table_{};
  double previous_swing_ = 0;
  double previous_phase_ = 0;
  DifferenceStats stats_;
};

}  // namespace tarvex
