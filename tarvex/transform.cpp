#include "tarvex/transform.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <thread>

#include "frame/numtext.h"

namespace tarvex {

double angle_rule(double x, double y) {
  double angle = x == 0 ? 90 : std::atan(y / x) * frame::kDegreesPerRadian;
  if (x < 0 && y >= 0) angle += 180;
  if (x <= 0 && y < 0) angle += 180;
  if (angle < 0) angle += 360;
  return angle;
}

double angular_step(double speed, double samples_per_cycle, frame::Where where) {
  return frame::checked_div(frame::checked_div(speed, samples_per_cycle, where),
                            frame::kDegreesPerRadian, where);
}

// The sample at position n (from 0) enters at step * (n - origin).
CycleTransform::CycleTransform(const TransformParams& params)
    : params_(params),
      subtract_(params.subtract && !params.subtract->empty() ? params.subtract : nullptr),
      angle_(-params.angular_step * params.origin),
      angles_(angle_, params.angular_step) {}

// The tables of the second thread: a ring of slots, each a table of
// consecutive samples. The worker fills table n into slot n % kSlots once
// the reader has released table n - kSlots; `produced_` and `released_`
// count tables.
class ReferenceAngles::Worker {
 public:
  static constexpr int kTable = 4096;

  Worker(double start, double step) : thread_([this, start, step] { run(start, step); }) {}
  ~Worker() {
    stopping_.store(true, std::memory_order_relaxed);
    released_.fetch_add(kSlots, std::memory_order_release);  // wakes a waiting worker
    released_.notify_one();
    thread_.join();
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Table n (from 0), once filled; table n - 1 is released by this call.
  void take(std::uint64_t n, const double*& cos, const double*& sin) {
    if (n > 0) {
      released_.store(n, std::memory_order_release);
      released_.notify_one();
    }
    for (std::uint64_t done = produced_.load(std::memory_order_acquire); done <= n;
         done = produced_.load(std::memory_order_acquire)) {
      produced_.wait(done, std::memory_order_acquire);
    }
    const Slot& slot = slots_[n % kSlots];
    cos = slot.cos.data();
    sin = slot.sin.data();
  }

 private:
  static constexpr std::uint64_t kSlots = 8;
  struct Slot {
    std::array<double, kTable> cos;
    std::array<double, kTable> sin;
  };

  void run(double angle, double step) {
    for (std::uint64_t n = 0;; ++n) {
      for (std::uint64_t free = released_.load(std::memory_order_acquire); n >= free + kSlots;
           free = released_.load(std::memory_order_acquire)) {
        released_.wait(free, std::memory_order_acquire);
      }
      if (stopping_.load(std::memory_order_relaxed)) return;
      Slot& slot = slots_[n % kSlots];
      for (int k = 0; k < kTable; ++k) {
        slot.cos[k] = frame::platform::cosine(angle);
        slot.sin[k] = frame::platform::sine(angle);
        angle += step;
      }
      produced_.store(n + 1, std::memory_order_release);
      produced_.notify_one();
    }
  }

  std::array<Slot, kSlots> slots_;
  alignas(64) std::atomic<std::uint64_t> produced_{0};
  alignas(64) std::atomic<std::uint64_t> released_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;  // last: started once the rest is in place
};

ReferenceAngles::ReferenceAngles(double start, double step)
    : next_angle_(start), step_(step), cos_(own_cos_.data()), sin_(own_sin_.data()) {}

ReferenceAngles::~ReferenceAngles() = default;

void ReferenceAngles::work_ahead() {
  if (worker_ || next_ != size_) return;
  try {
    worker_ = std::make_unique<Worker>(next_angle_, step_);
  } catch (const std::exception&) {
    return;  // no thread or no memory for its tables: they are worked out here
  }
  size_ = Worker::kTable;
  next_ = size_;
}

void ReferenceAngles::look_ahead() {
  next_ = 0;
  if (worker_) {
    worker_->take(tables_taken_++, cos_, sin_);
    return;
  }
  double a = next_angle_;
  for (int k = 0; k < kAhead; ++k) {
    own_cos_[k] = frame::platform::cosine(a);
    own_sin_[k] = frame::platform::sine(a);
    a += step_;
  }
  next_angle_ = a;
}

double CycleTransform::subtract(double y) const {
  // The model is evaluated at the sample's position among the samples used,
  // t = (k - origin) / samples per cycle.
  return frame::subtract_model(*subtract_, y, static_cast<double>(sample_counter), params_.origin,
                               params_.samples_per_cycle);
}

void CycleTransform::overflow() const {
  frame::raise(frame::err::kOverflow);
}

Vec CycleTransform::interval_vector() const {
  const double count = static_cast<double>(m);
  Vec v{interval_sums.x / count, interval_sums.y / count};
  if (params_.angular_step != 0) {
    v.x *= 2;
    v.y *= 2;
  }
  return v;
}

double CycleTransform::file_swing(frame::Where where) const {
  const double length =
      std::sqrt(frame::power(file_sums.x, 2, where) + frame::power(file_sums.y, 2, where));
  double swing = frame::checked_div(length, static_cast<double>(sample_counter), where);
  if (params_.angular_step != 0) swing *= 2;
  return frame::checked(swing, where);
}

void RunningStat::add(double v, frame::Where where) {
  sum += v;
  sum_sq += frame::power(v, 2, where);
}

double RunningStat::average(double n, frame::Where where) const {
  return frame::checked_div(sum, n, where);
}

double RunningStat::deviation(double n, frame::Where where) const {
  const double avg = average(n, where);
  const double mean_sq = frame::checked_div(sum_sq, n, where);
  return std::sqrt(std::fabs(mean_sq - frame::power(avg, 2, where)));
}

IntervalRow IntervalSeries::close(const CycleTransform& transform, frame::Where where) {
  const Vec v = transform.interval_vector();
  if (count_ >= kIntervalRows) frame::raise(frame::err::kSubscript, where);
  table_[count_] = v;

  IntervalRow row;
  row.swing = std::sqrt(frame::power(v.x, 2, where) + frame::power(v.y, 2, where));
  row.phase = angle_rule(v.x, v.y);
  // The middle of the interval in cycles from the origin; the counter
  // already counts the interval's last sample.
  row.cycle_label = frame::checked_div(
      static_cast<double>(transform.sample_counter) - origin_ - file_interval_ / 2,
      samples_per_cycle_, where);

  if (count_ == 0) {
    row.first = true;
    previous_swing_ = row.swing;
    previous_phase_ = row.phase;
    return row;
  }

  // Rates per sample, scaled to one full file interval: m differs from the
  // interval length when that is not a whole number of samples.
  const double m = static_cast<double>(transform.m);
  row.first = false;
  row.d_swing = (row.swing - previous_swing_) / m * file_interval_;
  double raw = row.phase - previous_phase_;
  if (raw > 180) raw -= 360;  // one step each way, no loop
  if (raw < -180) raw += 360;
  row.d_phase = raw / m * file_interval_;
  stats_.d_swing.add(row.d_swing, where);
  stats_.d_phase.add(row.d_phase, where);
  previous_swing_ = row.swing;
  previous_phase_ = row.phase;

  const Vec& before = table_[count_ - 1];
  const double dx = v.x - before.x;
  const double dy = v.y - before.y;
  row.d_length =
      std::sqrt(frame::power(dx, 2, where) + frame::power(dy, 2, where)) / m * file_interval_;
  row.d_angle = angle_rule(dx, dy);
  stats_.d_length.add(row.d_length, where);
  stats_.d_angle.add(row.d_angle, where);
  return row;
}

}  // namespace tarvex
