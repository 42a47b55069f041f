// The subtract file and model over arbitrary file bytes and run values.
//
// Holds: reading raises only 54, 58, 9, 6 or 15; the file number is free
// again after every ending (read, degree above the limit, or error and
// abandon); a table that was read has at most 40 entries and a degree of at
// most 6; reading in chunks of any size gives the same table or the same
// error; the model gives a finite value or raises only 5, 6 or 11.
#include <cmath>
#include <cstring>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/numtext.h"
#include "frame/subtract.h"
#include "fuzz_support.h"

namespace {

struct Read {
  int code = 0;        // the error, or 0
  bool within = true;  // false: a degree above the limit ended the reading
  frame::SubtractTable table;
};

Read read_table(const std::string& path, std::size_t chunk) {
  frame::FileTable files;
  files.set_read_chunk_size(chunk);
  Read r;
  try {
    r.within = frame::read_subtract_table(files, 1, path, r.table);
  } catch (const frame::RuntimeError& e) {
    fuzz::require_code(e, {54, 58, 9, 6, 15}, "read_subtract_table");
    r.code = e.code();
    files.abandon();
  }
  try {  // closed in every ending: the number is not open
    files.eof(1);
    fuzz::fail("subtract file left open", path);
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == 57, "subtract file left open", path);
  }
  return r;
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

  const Read r = read_table(file.path(), 0), small = read_table(file.path(), chunk);
  FUZZ_REQUIRE(r.code == small.code && r.within == small.within, "chunk size changed the outcome");
  if (r.code != 0 || !r.within) return 0;
  FUZZ_REQUIRE(r.table.count == small.table.count &&
                   std::memcmp(&r.table.degree, &small.table.degree, sizeof(double)) == 0 &&
                   std::memcmp(r.table.entries.data(), small.table.entries.data(),
                               sizeof r.table.entries) == 0,
               "chunk size changed the table");
  FUZZ_REQUIRE(r.table.count >= 0 && r.table.count <= frame::kMaxSubtractEntries, "entry count");
  FUZZ_REQUIRE(r.table.degree <= frame::kMaxSubtractDegree, "degree above the limit kept");
  for (std::uint32_t k = first_index; k < first_index + 4u && k >= first_index; ++k) {
    try {
      FUZZ_REQUIRE(std::isfinite(frame::subtract_model(r.table, 1.5, k, origin, samples_per_cycle)),
                   "model value not finite");
    } catch (const frame::RuntimeError& e) {
      fuzz::require_code(e, {5, 6, 11}, "subtract_model");
    }
  }
  return 0;
}
