#include "frame/line_batches.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "frame/usage.h"

namespace frame {

int thread_count() {
  // One thread unless the environment asks for more: on the machines
  // measured so far the hand-over between threads costs more than the
  // second core gains, so the pipeline is there for those where it pays.
  if (const char* text = std::getenv(std::string(kThreadsVariable).c_str())) {
    int n = 0;
    const char* end = text + std::strlen(text);
    const auto [at, ec] = std::from_chars(text, end, n);
    if (ec == std::errc() && at == end && n >= 1 && n <= 256) return n;
  }
  return 1;
}

LineBatches::LineBatches(Consumer consume, int threads) : consume_(std::move(consume)) {
  if (threads > 1) worker_ = std::thread([this] { work(); });
}

LineBatches::~LineBatches() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    closing_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void LineBatches::hand_over() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return full_.size() < kBatchesInFlight || failure_; });
  if (failure_) {
    // The consumer has stopped: nothing more is taken.
    filling_.bytes.clear();
    filling_.ends.clear();
    return;
  }
  full_.push_back(std::move(filling_));
  if (free_.empty()) {
    filling_ = Batch{};
    filling_.bytes.reserve(kBatchBytes + 4096);
  } else {
    filling_ = std::move(free_.back());
    free_.pop_back();
  }
  filling_.bytes.clear();
  filling_.ends.clear();
  lock.unlock();
  changed_.notify_all();
}

void LineBatches::finish() {
  if (worker_.joinable()) {
    if (!filling_.ends.empty()) hand_over();
    {
      std::unique_lock<std::mutex> lock(mutex_);
      closing_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return (full_.empty() && !busy_) || failure_; });
    }
    worker_.join();
  }
  if (failure_) std::rethrow_exception(failure_);
}

void LineBatches::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !full_.empty() || closing_; });
    if (stopping_ || full_.empty()) return;
    Batch batch = std::move(full_.front());
    full_.pop_front();
    busy_ = true;
    lock.unlock();
    changed_.notify_all();
    try {
      std::uint32_t start = 0;
      for (std::size_t i = 0; i < batch.ends.size(); ++i) {
        consume_(std::string_view(batch.bytes.data() + start, batch.ends[i] - start),
                 batch.first + static_cast<std::int64_t>(i));
        start = batch.ends[i];
      }
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      busy_ = false;
      changed_.notify_all();
      return;
    }
    lock.lock();
    busy_ = false;
    free_.push_back(std::move(batch));
    changed_.notify_all();
  }
}

}  // namespace frame
