// The memory budget and the growing block table.
#include "mulrin/block_table.h"

#include <algorithm>
#include <cmath>

#include "mulrin/blocks.h"

namespace mulrin {

namespace {
// Bytes a segment of the table holds at least (whole rows, one at least).
constexpr double kSegmentBytes = 16.0 * 1024 * 1024;
}  // namespace

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
  const double physical = frame::platform::physical_memory_bytes();
  const double limit = physical > 0 ? physical / 2 : 1024.0 * 1024 * 1024;
  return std::min(limit, frame::platform::address_space_limit() * 0.75);
}

void check_memory(double bytes, frame::Where where) {
  if (!(bytes <= memory_limit())) frame::raise(frame::err::kOutOfMemory, where);
}

BlockTable::BlockTable(std::size_t bins, double length) : row_values_(2 * bins) {
  const double row_bytes = static_cast<double>(row_values_) * sizeof(double);
  segment_blocks_ = static_cast<std::int64_t>(std::max(1.0, std::floor(kSegmentBytes / row_bytes)));
  // The largest block count whose analysis fits: the bytes grow linearly
  // with the blocks; the estimate is then settled exactly.
  const double limit = memory_limit();
  const double fixed = analysis_bytes(0, length);
  const double per_block = analysis_bytes(1, length) - fixed;
  double most = std::floor((limit - fixed) / per_block);
  most = std::clamp(most, 0.0, 0x1p62);
  while (most > 0 && !(analysis_bytes(most, length) <= limit)) --most;
  while (most < 0x1p62 && analysis_bytes(most + 1, length) <= limit) ++most;
  max_blocks_ = static_cast<std::int64_t>(most);
}

bool BlockTable::reserve(std::int64_t blocks) noexcept {
  while (capacity_ < blocks) {
    const std::int64_t add = std::min(segment_blocks_, max_blocks_ - capacity_);
    if (add <= 0) return false;
    frame::platform::PageTable pages(static_cast<std::size_t>(add) * row_values_ * sizeof(double));
    if (!pages.data()) return false;
    try {
      segments_.push_back(static_cast<double*>(pages.data()));
      pages_.push_back(std::move(pages));
    } catch (...) {  // no room for one more segment entry
      if (segments_.size() > pages_.size()) segments_.pop_back();
      return false;
    }
    capacity_ += add;
  }
  return true;
}

}  // namespace mulrin
