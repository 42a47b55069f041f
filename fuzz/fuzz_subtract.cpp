// The subtract file and model over arbitrary file bytes and run values.
//
// Holds: reading raises only 54, 58, 9, 6 or 15; the file number is free
// again after every ending (read, degree above the limit, or error and
// abandon); a table that was read has at most 40 entries and a degree of at
// most 6; reading in chunks of any size gives the same table or the same
// error; the model gives a finite value or raises only 5, 6 or 11.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/numtext.h"
#include "frame/subtract.h"
#include "fuzz_support.h"

namespace {

using frame::SubtractTable;

struct Read {
  int code = 0;        // the error, or 0
  bool within = true;  // false: a degree above the limit ended the reading
  SubtractTable table;
};

Read read_table(const std::string& path, std::size_t chunk) {
  frame::FileTable files;
  files.set_read_chunk_size(chunk);
  Read r;
  try {
    r.within = frame::read_subtract_table(files, 1, path, r.table);
    // Closed by the reader in both endings: the number is not open.
    try {
      files.eof(1);
      fuzz::fail("subtract file left open", path);
    } catch (const frame::RuntimeError& e) {
      FUZZ_REQUIRE(e.code() == 57, "subtract file left open", path);
    }
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {54, 58, 9, 6, 15};
    fuzz::require_code(e, kAllowed, "read_subtract_table");
    r.code = e.code();
    files.abandon();
  }
  return r;
}

bool same_table(const SubtractTable& a, const SubtractTable& b) {
  if (a.count != b.count || std::bit_cast<std::uint64_t>(a.degree) != std::bit_cast<std::uint64_t>(b.degree))
    return false;
  return std::memcmp(a.entries.data(), b.entries.data(), sizeof a.entries) == 0;
}

double field_value(FuzzedDataProvider& in) {
  try {
    return frame::val(in.ConsumeRandomLengthString(12));
  } catch (const frame::RuntimeError&) {
    return 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile file;
  FuzzedDataProvider in(data, size);
  const double origin = field_value(in);
  const double samples_per_cycle = field_value(in);
  const std::size_t chunk = in.ConsumeIntegralInRange<std::size_t>(1, 64);
  const std::uint32_t first_index = in.ConsumeIntegral<std::uint32_t>();
  file.set(in.ConsumeRemainingBytesAsString());

  const Read r = read_table(file.path(), 0);
  const Read small = read_table(file.path(), chunk);
  FUZZ_REQUIRE(r.code == small.code && r.within == small.within, "chunk size changed the outcome");
  if (r.code != 0 || !r.within) return 0;
  FUZZ_REQUIRE(same_table(r.table, small.table), "chunk size changed the table");
  FUZZ_REQUIRE(r.table.count >= 0 && r.table.count <= frame::kMaxSubtractEntries, "entry count");
  FUZZ_REQUIRE(r.table.degree <= frame::kMaxSubtractDegree, "degree above the limit kept");

  for (std::uint32_t k = first_index; k < first_index + 4u && k >= first_index; ++k) {
    try {
      const double v = frame::subtract_model(r.table, 1.5, k, origin, samples_per_cycle);
      FUZZ_REQUIRE(std::isfinite(v), "model value not finite");
    } catch (const frame::RuntimeError& e) {
      static constexpr int kAllowed[] = {5, 6, 11};
      fuzz::require_code(e, kAllowed, "subtract_model");
    }
  }
  return 0;
}
