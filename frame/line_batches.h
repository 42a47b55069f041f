// Data lines and their values shared between two threads, so that reading
// the file and converting its column use two of the processor's cores while
// every value is still taken in the order of the file.
//
// LineBatches: the reading side adds each data line with its sample index;
// a consumer runs on the second thread for each line in that order.
// ValuesAhead: the reading side takes the values back, in order, while the
// second thread converts the lines read ahead of them.
// With one thread (TOOLS_THREADS=1, or a processor with one core) everything
// runs on the calling thread, line by line.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace frame {

// The threads a run may use: TOOLS_THREADS from the environment when it is a
// whole number from 1 to 256, otherwise the processor's cores (1 at least).
int thread_count();

class LineBatches {
 public:
  // The consumer of one line; an exception it throws stops the work and is
  // thrown again by finish().
  using Consumer = std::function<void(std::string_view line, std::int64_t index)>;

  LineBatches(Consumer consume, int threads);
  // Without finish(): the lines not yet consumed are dropped.
  ~LineBatches();
  LineBatches(const LineBatches&) = delete;
  LineBatches& operator=(const LineBatches&) = delete;

  void add(std::string_view line, std::int64_t index) {
    if (!worker_.joinable()) {
      consume_(line, index);
      return;
    }
    if (filling_.ends.empty()) filling_.first = index;
    filling_.bytes.append(line);
    filling_.ends.push_back(static_cast<std::uint32_t>(filling_.bytes.size()));
    if (filling_.bytes.size() >= kBatchBytes || filling_.ends.size() >= kBatchLines) hand_over();
  }

  // Waits until every line added has been consumed; rethrows the consumer's
  // exception.
  void finish();

 private:
  // Lines of consecutive sample indices from `first` on, end to end.
  struct Batch {
    std::string bytes;
    std::vector<std::uint32_t> ends;
    std::int64_t first = 0;
  };
  static constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
  static constexpr std::size_t kBatchLines = std::size_t{1} << 14;
  static constexpr std::size_t kBatchesInFlight = 4;

  void hand_over();
  void work();

  Consumer consume_;
  Batch filling_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;   // waiting for the consumer, oldest first
  std::vector<Batch> free_;  // consumed, kept for reuse
  bool closing_ = false;     // no more batches will come
  bool stopping_ = false;    // drop what is left
  bool busy_ = false;        // the consumer holds a batch
  std::exception_ptr failure_;
  std::thread worker_;
};

// The values of the data lines, in file order, converted on a second thread
// one batch of lines ahead of the caller. Errors keep their place in the
// file: a conversion error is raised when its line's value is due, an error
// of the reading (or of the line source) after the values of every line
// before it; nothing of a later line is seen by the caller.
//
// NextLine: bool(std::string_view& line), the next data line, false at the
// end of the data (runs on the calling thread; may throw). Convert: the
// value of a line, of any copyable type (runs on the second thread; may
// throw).
template <class NextLine, class Convert>
class ValuesAhead {
 public:
  using Value = std::invoke_result_t<Convert&, std::string_view>;

  ValuesAhead(NextLine next_line, Convert convert, int threads)
      : next_line_(std::move(next_line)), threaded_(threads > 1), convert_(std::move(convert)) {
    if (threaded_) worker_ = std::thread([this] { work(); });
  }
  ~ValuesAhead() {
    if (!worker_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }
  ValuesAhead(const ValuesAhead&) = delete;
  ValuesAhead& operator=(const ValuesAhead&) = delete;

  // The next value; false after the last. Throws the error due here.
  bool next(Value& value) {
    if (!threaded_) {
      // Line by line, in the order of the steps: read, then convert.
      std::string_view line;
      if (!next_line_(line)) return false;
      value = convert_(line);
      return true;
    }
    if (at_ < current_.values.size()) {
      value = current_.values[at_++];
      return true;
    }
    return next_batch(value);
  }

 private:
  struct Batch {
    std::string bytes;
    std::vector<std::uint32_t> ends;
    std::vector<Value> values;        // of the lines before the first failing one
    std::exception_ptr failure;       // the conversion's, at line values.size()
    std::exception_ptr read_failure;  // after the last line
    bool last = false;                // no line follows
  };
  static constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
  static constexpr std::size_t kBatchLines = std::size_t{1} << 14;
  static constexpr std::size_t kInFlight = 2;  // batches read and not yet consumed

  void read_batch(Batch& batch) {
    batch.bytes.clear();
    batch.ends.clear();
    batch.values.clear();
    batch.failure = nullptr;
    batch.read_failure = nullptr;
    batch.last = false;
    try {
      std::string_view line;
      while (batch.bytes.size() < kBatchBytes && batch.ends.size() < kBatchLines) {
        if (!next_line_(line)) {
          batch.last = true;
          break;
        }
        batch.bytes.append(line);
        batch.ends.push_back(static_cast<std::uint32_t>(batch.bytes.size()));
      }
    } catch (...) {
      batch.read_failure = std::current_exception();
      batch.last = true;
    }
    if (batch.last) read_all_ = true;
  }

  bool next_batch(Value& value) {
    for (;;) {
      if (current_.failure) std::rethrow_exception(std::exchange(current_.failure, nullptr));
      if (current_.read_failure)
        std::rethrow_exception(std::exchange(current_.read_failure, nullptr));
      // Keep two batches with the second thread, then take back the oldest.
      while (!read_all_ && in_flight_ < kInFlight) {
        Batch batch;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!free_.empty()) {
            batch = std::move(free_.back());
            free_.pop_back();
          }
        }
        read_batch(batch);
        {
          std::lock_guard<std::mutex> lock(mutex_);
          to_convert_.push_back(std::move(batch));
          ++in_flight_;
        }
        changed_.notify_all();
      }
      if (in_flight_ == 0) return false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !converted_.empty(); });
        free_.push_back(std::move(current_));
        current_ = std::move(converted_.front());
        converted_.pop_front();
        --in_flight_;
      }
      at_ = 0;
      if (at_ < current_.values.size()) {
        value = current_.values[at_++];
        return true;
      }
    }
  }

  void work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !to_convert_.empty() || stopping_; });
      if (stopping_) return;
      Batch batch = std::move(to_convert_.front());
      to_convert_.pop_front();
      lock.unlock();
      std::uint32_t start = 0;
      try {
        batch.values.reserve(batch.ends.size());
        for (const std::uint32_t end : batch.ends) {
          batch.values.push_back(
              convert_(std::string_view(batch.bytes.data() + start, end - start)));
          start = end;
        }
      } catch (...) {
        batch.failure = std::current_exception();
      }
      lock.lock();
      converted_.push_back(std::move(batch));
      changed_.notify_all();
    }
  }

  // The converter's state is written on the second thread for every line,
  // the reader's and the consumer's on this one: each group has cache lines
  // of its own, so neither thread stalls on the other's writes.
  alignas(64) NextLine next_line_;
  bool threaded_ = false;
  bool read_all_ = false;  // the source has ended or failed
  Batch current_;
  std::size_t at_ = 0;
  alignas(64) Convert convert_;
  alignas(64) std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> to_convert_;
  std::deque<Batch> converted_;
  std::vector<Batch> free_;
  std::size_t in_flight_ = 0;  // handed over and not yet taken back
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace frame
