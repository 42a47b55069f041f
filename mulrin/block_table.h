// The memory budget of a Calculate run and the table that keeps the
// coefficients of every block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/errors.h"
#include "frame/platform/platform.h"

namespace mulrin {

// Samples the scan's window holds at least, so that it is compacted rarely.
inline constexpr std::size_t kMinimumWindow = std::size_t{1} << 16;

// Samples the reading side collects before the scan takes them. The first
// chunk is small, so that a short series asks for little; once a second
// thread scans, chunks of 1 MB are handed over: the two sides then meet
// once every 131,072 samples, and the chunk the reading side fills again
// was left by the scan long before.
inline constexpr std::size_t kFirstChunk = std::size_t{1} << 15;
inline constexpr std::size_t kChunk = std::size_t{1} << 17;

// What an analysis of `blocks` blocks of N samples holds, in bytes (a double,
// so that no size overflows).
double analysis_bytes(double blocks, double length);

// What a run may take: half the physical memory, within the process limits.
double memory_limit();

// Error 7 when `bytes` is more than memory_limit().
void check_memory(double bytes, frame::Where where = frame::Where::current());

// Per block one row: the coefficients of bins 0 .. N/2-1, N/2 real parts
// then N/2 imaginary parts. The table grows as blocks arrive, in segments of
// pages that are never moved, so that growing costs no copy and rows stay
// where they are; it never grows beyond the blocks whose whole analysis fits
// memory_limit().
class BlockTable {
 public:
  BlockTable() = default;
  BlockTable(std::size_t bins, double length);

  // Makes room for rows 0 .. blocks-1; false when the budget or the system
  // refuses the pages (the table is unchanged then). Raises nothing, so that
  // the scan may call it on its own thread.
  bool reserve(std::int64_t blocks) noexcept;

  double* row(std::int64_t b) const {
    return segments_[static_cast<std::size_t>(b / segment_blocks_)] +
           static_cast<std::size_t>(b % segment_blocks_) * row_values_;
  }

 private:
  std::size_t row_values_ = 0;  // 2 * bins
  std::int64_t segment_blocks_ = 1;
  std::int64_t max_blocks_ = 0;  // the most blocks the budget allows
  std::int64_t capacity_ = 0;    // rows the segments hold
  std::vector<frame::platform::PageTable> pages_;
  std::vector<double*> segments_;
};

}  // namespace mulrin
