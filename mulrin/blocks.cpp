// Block scan, statistics and selection.
#include "mulrin/blocks.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

namespace mulrin {

namespace {

// Samples the window holds at least, so that it is compacted rarely.
constexpr std::size_t kMinimumWindow = std::size_t{1} << 16;

// Samples handed from the reading side to the scan at a time.
constexpr std::size_t kChunk = std::size_t{1} << 15;

std::size_t window_capacity(std::size_t length) {
  return std::max(2 * length, kMinimumWindow);
}

// The change of phase from the previous block, brought back into [-pi, pi]
// by one step of 2*pi. The sums and the report both use this one function,
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

double analysis_bytes(double blocks, double length) {
  const double bins = length / 2;
  const double table = blocks * bins * 2 * sizeof(double);
  // twiddles, two work buffers and the coefficients: 8 doubles per sample
  const double engine = length * 8 * sizeof(double);
  const double per_bin = bins * (sizeof(double) + sizeof(std::int64_t) + sizeof(BinStatistics) +
                                 4 * 2 * sizeof(double));
  const double per_block = blocks * sizeof(float);
  const double window = std::max(2 * length, static_cast<double>(kMinimumWindow)) * sizeof(double);
  const double chunks = 2 * kChunk * sizeof(double);
  return table + per_block + engine + per_bin + window + chunks;
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

// A table on anonymous pages: only the pages the scan writes are ever taken
// (a table sized for the most blocks a file could hold costs no more than
// the blocks it does hold), and huge pages are asked for, so that the scan
// meets far fewer page faults when it first writes them.
class BlockAnalysis::PageTable {
 public:
  PageTable(std::size_t values, frame::Where where) : bytes_(values * sizeof(double)) {
    if (bytes_ == 0) return;
    void* p = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) frame::raise(frame::err::kOutOfMemory, where);
#ifdef MADV_HUGEPAGE
    madvise(p, bytes_, MADV_HUGEPAGE);
#endif
    data_ = static_cast<double*>(p);
  }
  ~PageTable() {
    if (data_) munmap(data_, bytes_);
  }
  PageTable(const PageTable&) = delete;
  PageTable& operator=(const PageTable&) = delete;
  double* data() const { return data_; }

 private:
  std::size_t bytes_;
  double* data_ = nullptr;
};

// The second thread: takes one chunk of samples at a time and scans it
// while the reading side fills the next.
struct BlockAnalysis::Worker {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<double> chunk;  // handed over
  std::size_t length = 0;
  bool full = false;  // a chunk waits to be scanned or is being scanned
  bool stop = false;
};

BlockAnalysis::BlockAnalysis(const BlockSettings& settings, const Angles& angles,
                             std::int64_t capacity, frame::Where where, bool second_core)
    : settings_(settings), angles_(angles), exponent_(engine_exponent(settings.exponent)) {
  capacity_ = exponent_ == 0 ? 0 : std::max<std::int64_t>(capacity, 0);
  try {
    filling_.resize(kChunk);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  if (capacity_ == 0) return;  // nothing is transformed; finish() raises the failure
  check_memory(analysis_bytes(static_cast<double>(capacity_), settings.length), where);
  length_ = std::size_t{1} << exponent_;
  bins_ = length_ / 2;
  try {
    re_.resize(length_);
    im_.resize(length_);
    window_.resize(window_capacity(length_));
    max_swing_.assign(bins_, 0.0);
    column_of_.assign(bins_, -1);
    statistics_.resize(bins_);
  } catch (const std::bad_alloc&) {
    frame::raise(frame::err::kOutOfMemory, where);
  } catch (const std::length_error&) {
    frame::raise(frame::err::kOutOfMemory, where);
  }
  table_ = std::make_unique<PageTable>(static_cast<std::size_t>(capacity_) * 2 * bins_, where);
  fft_ = std::make_unique<Fft>(exponent_, where);
  scanning_ = true;

  // A second thread pays only when there is much to scan.
  const double samples = static_cast<double>(capacity_) * settings.step;
  if (second_core && samples >= 4.0 * kChunk && std::thread::hardware_concurrency() > 1) {
    worker_ = std::make_unique<Worker>();
    worker_->chunk.resize(kChunk);
    worker_->thread = std::thread([this] {
      Worker& w = *worker_;
      std::unique_lock<std::mutex> lock(w.mutex);
      while (true) {
        w.changed.wait(lock, [&w] { return w.full || w.stop; });
        if (w.stop) return;
        lock.unlock();
        scan(w.chunk.data(), w.length);
        lock.lock();
        w.full = false;
        w.changed.notify_all();
      }
    });
  }
}

BlockAnalysis::~BlockAnalysis() { stop_worker(); }

void BlockAnalysis::stop_worker() noexcept {
  if (!worker_) return;
  {
    std::unique_lock<std::mutex> lock(worker_->mutex);
    worker_->changed.wait(lock, [this] { return !worker_->full; });
    worker_->stop = true;
  }
  worker_->changed.notify_all();
  worker_->thread.join();
  worker_.reset();
}

const double* BlockAnalysis::row(std::int64_t b) const {
  // Only blocks the scan visited are read.
  return table_->data() + static_cast<std::size_t>(b) * 2 * bins_;
}

void BlockAnalysis::hand_over() {
  if (!worker_) {
    scan(filling_.data(), filled_);
  } else {
    Worker& w = *worker_;
    {
      std::unique_lock<std::mutex> lock(w.mutex);
      w.changed.wait(lock, [&w] { return !w.full; });
      w.chunk.swap(filling_);
      w.length = filled_;
      w.full = true;
    }
    w.changed.notify_all();
  }
  filled_ = 0;
}

void BlockAnalysis::scan(const double* samples, std::size_t n) {
  if (!scanning_) return;
  try {
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
  } catch (const frame::RuntimeError& e) {
    // Kept for finish(): the scan follows the whole reading of the data.
    failure_ = e.code();
    scanning_ = false;
  }
}

void BlockAnalysis::store(double sample) {
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
    std::memmove(window_.data(), window_.data() + drop,
                 (window_length_ - drop) * sizeof(double));
    window_length_ -= drop;
    window_base_ = first_sample_;
  }
  window_[window_length_++] = sample;
}

void BlockAnalysis::transform_block() {
  const double* x = window_.data() + (first_sample_ - window_base_);
  fft_->transform(x, re_.data(), im_.data());

  const std::int64_t b = blocks_done_;
  const std::size_t bins = bins_;
  double* row_re = table_->data() + static_cast<std::size_t>(b) * 2 * bins;
  double* row_im = row_re + bins;
  const double* re = re_.data();
  const double* im = im_.data();
  std::memcpy(row_re, re, bins * sizeof(double));
  std::memcpy(row_im, im, bins * sizeof(double));

  // The largest swing so far (the same operations as swing_at), in vector
  // lanes.
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
  // quotient beyond the double range is an overflow, here in the scan.
  bool overflow = false;
  for (std::size_t k = 0; k < bins; ++k) {
    overflow |= (re[k] != 0) & (std::fabs(im[k] / re[k]) > std::numeric_limits<double>::max());
  }
  if (overflow) frame::raise(frame::err::kOverflow);

  ++blocks_done_;
  // The next start. The scan stops where plan_scan says it fails: at a
  // start that no longer advances, or one below sample 0.
  const float next = start_ + settings_.step;  // single-precision addition
  if (next == start_ || nearest_sample(next) < 0 || blocks_done_ == capacity_) {
    scanning_ = false;
    return;
  }
  start_ = next;
  first_sample_ = nearest_sample(start_);
}

// Swing of bin k: 2 * sqrt(Re^2 + Im^2), for bin 0 without the 2.
double BlockAnalysis::swing_at(const double* row, std::size_t k) const {
  const double re = row[k], im = row[bins_ + k];
  const double magnitude = std::sqrt(re * re + im * im);
  return k == 0 ? magnitude : 2 * magnitude;
}

// Phase of bin k of the block at `start`: the angle of X[k] from atan and the
// quadrant, in (-pi, pi]; referred to the origin by k * (o - start) * (2*pi/N);
// reduced to [0, 2*pi).
double BlockAnalysis::phase_at(const double* row, std::size_t k, float start) const {
  const Angles& a = angles_;
  const double re = row[k], im = row[bins_ + k];
  double phase;
  if (re == 0) {
    const double sign = im > 0 ? 1.0 : (im < 0 ? -1.0 : 0.0);
    phase = (a.pi / 2) * sign;
  } else {
    phase = std::atan(im / re);
    if (re < 0) phase = im >= 0 ? phase + a.pi : phase - a.pi;
  }
  phase = phase + (static_cast<double>(k) * (settings_.origin - static_cast<double>(start))) *
                      settings_.phase_step;
  return phase - std::floor(phase / a.two_pi) * a.two_pi;
}

void BlockAnalysis::finish(std::int64_t count, float threshold, frame::Where where) {
  BlockSettings settings = settings_;
  settings.count = count;
  const ScanPlan plan = plan_scan(settings);
  // A second reading that found fewer data lines than counted leaves the
  // rest of the series at 0.
  while (pushed_ < plan.samples_needed) push(0.0);
  if (filled_ > 0) hand_over();
  stop_worker();
  if (failure_ != 0) frame::raise(failure_, where);
  if (plan.failure != 0) frame::raise(plan.failure, where);
  // The table was made for every block of the plan; a shortfall would be a
  // block beyond its end.
  if (blocks_done_ != plan.blocks) frame::raise(frame::err::kSubscript, where);

  // The statistics divide the changes by NB - 1: with one block the very
  // first mean is 0/0.
  const double all = static_cast<double>(blocks_done_);
  const double changes = all - 1;  // block 0 has no change
  if (changes == 0) frame::checked_div(0.0, changes, where);

  starts_.resize(static_cast<std::size_t>(blocks_done_));
  float start = 0;
  for (float& s : starts_) {
    s = start;
    start = start + settings_.step;  // as the scan stepped
  }

  std::vector<std::size_t> chosen;
  for (std::size_t k = 0; k < bins_; ++k) {
    if (max_swing_[k] >= static_cast<double>(threshold)) {
      column_of_[k] = static_cast<std::int64_t>(chosen.size());
      chosen.push_back(k);
    }
  }

  // Block by block, in order: swing and phase of every selected bin take
  // the place of its coefficients; the changes from the previous block, the
  // sums and the sums of squares. Block 0 adds no changes (its are 0).
  const std::size_t n = chosen.size();
  std::vector<double> sum(4 * n, 0.0), square(4 * n, 0.0);
  for (std::int64_t b = 0; b < blocks_done_; ++b) {
    double* r = table_->data() + static_cast<std::size_t>(b) * 2 * bins_;
    const double* previous = b > 0 ? r - 2 * bins_ : nullptr;
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t k = chosen[j];
      const double swing = swing_at(r, k);
      const double phase = phase_at(r, k, starts_[static_cast<std::size_t>(b)]);
      r[k] = swing;
      r[bins_ + k] = phase;
      sum[kSwing * n + j] += swing;
      square[kSwing * n + j] += swing * swing;
      sum[kPhase * n + j] += phase;
      square[kPhase * n + j] += phase * phase;
      if (previous) {
        const double d_swing = swing - previous[k];
        const double d_phase = wrap_change(phase - previous[bins_ + k], angles_);
        sum[kDSwing * n + j] += d_swing;
        square[kDSwing * n + j] += d_swing * d_swing;
        sum[kDPhase * n + j] += d_phase;
        square[kDPhase * n + j] += d_phase * d_phase;
      }
    }
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
  return selected(k) ? row(b)[k] : swing_at(row(b), k);
}

double BlockAnalysis::phase(std::int64_t b, std::size_t k) const {
  if (selected(k)) return row(b)[bins_ + k];
  return phase_at(row(b), k, starts_[static_cast<std::size_t>(b)]);
}

// The changes, with the operations the sums were made of.
double BlockAnalysis::d_swing(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return swing(b, k) - swing(b - 1, k);
}

double BlockAnalysis::d_phase(std::int64_t b, std::size_t k) const {
  if (b == 0) return 0;
  return wrap_change(phase(b, k) - phase(b - 1, k), angles_);
}

}  // namespace mulrin
