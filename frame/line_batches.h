// Data lines handed, in file order, to a second thread that works out their
// values, so that reading the file and converting its column share the
// processor's cores while every value is still taken in the order of the
// file.
//
// The reading side calls add() for each data line with its sample index and
// finish() after the last; the consumer runs on the second thread for each
// line in the order they were added. With one thread (TOOLS_THREADS=1, or a
// processor with one core) the consumer runs inside add() instead.
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

}  // namespace frame
