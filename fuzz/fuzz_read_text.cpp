// Read line, read field and read field into a number, and the subtract file
// and model, over arbitrary bytes.
//
// The input is a script of read operations, run values and the file's bytes.
// The script runs on three file tables that read the same file in chunks of
// different sizes (a few bytes, 256 and the default): every result and every
// error must be the same. Holds as well: a line or field never holds CR or
// NUL nor more than 32767 characters; right after an end test that says "not
// at the end" there is a line to read; the only errors are 54, 15, 58 and 6;
// a number fits its kind.
//
// Reading every line in batches (read_lines) gives the same lines and the
// same error as reading them one by one, at any chunk size.
//
// The same bytes read as a subtract file: reading raises only 54, 58, 9, 6 or
// 15; the file number is free again after every ending (read, degree above
// the limit, or error and abandon); a table that was read has at most 40
// entries and a degree of at most 6; reading in chunks of any size gives the
// same table or the same error; the model gives a finite value or raises only
// 5, 6 or 11.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/numtext.h"
#include "frame/subtract.h"
#include "frame/textfile.h"
#include "fuzz_support.h"

namespace {

using frame::Kind;

enum class Op : std::uint8_t { Eof, Line, Field, Number };
struct Step {
  Op op;
  Kind kind;
};

// One table's run of the script: its transcript, ended by the code that ended it.
std::string run(const std::vector<Step>& script, const std::string& path, std::size_t chunk,
                std::string_view bytes) {
  frame::FileTable files;
  files.set_read_chunk_size(chunk);
  files.open("I", 1, path);
  std::string transcript;
  bool more = false;  // the step before was an end test that said "not at the end"
  for (const Step& step : script) {
    try {
      if (step.op == Op::Eof) {
        more = !files.eof(1);
        transcript += more ? "e" : "E";
        continue;
      }
      if (step.op == Op::Number) {
        const double v = files.read_field_number(1, step.kind);
        FUZZ_REQUIRE(
            std::isfinite(v) && (step.kind != Kind::Single || double{static_cast<float>(v)} == v) &&
                (step.kind == Kind::Single || step.kind == Kind::Double || v == std::trunc(v)),
            "number does not fit its kind", fuzz::show(bytes));
        transcript += "N" + std::to_string(std::bit_cast<std::uint64_t>(v)) + "|";
      } else {
        const std::string text(step.op == Op::Line ? files.read_line(1)
                                                   : std::string_view(files.read_field(1)));
        FUZZ_REQUIRE(text.size() <= frame::kMaxLine && text.find('\0') == std::string::npos &&
                         text.find('\r') == std::string::npos,
                     "text over 32767 or holding CR or NUL", fuzz::show(bytes));
        transcript +=
            (step.op == Op::Line ? "L" : "F") + std::to_string(text.size()) + ":" + text + "|";
      }
      more = false;
    } catch (const frame::RuntimeError& e) {
      fuzz::require_code(e, {54, 15, 58, 6}, "reading");
      FUZZ_REQUIRE(!(more && step.op == Op::Line && e.code() == 54),
                   "past the end where the end test said more", fuzz::show(bytes));
      return transcript + "X" + std::to_string(e.code());  // a run-time error ends the program
    }
  }
  return transcript;
}

// Every line of the file, read one by one or in batches, each followed by a
// CR (which no line holds), then the code of the error that ended the reading.
std::string all_lines(const std::string& path, std::size_t chunk, bool batches) {
  frame::FileTable files;
  files.set_read_chunk_size(chunk);
  files.open("I", 1, path);
  std::string out;
  try {
    while (!files.eof(1)) {
      if (!batches) {
        (out += files.read_line(1)) += '\r';
        continue;
      }
      for (const std::string_view line : files.read_lines(1)) (out += line) += '\r';
    }
  } catch (const frame::RuntimeError& e) {
    return out + "X" + std::to_string(e.code());
  }
  return out;
}

struct Read {
  int code = 0;        // the error, or 0
  bool within = true;  // false: a degree above the limit ended the reading
  frame::SubtractTable table;
};

Read read_table(const std::string& path, std::size_t chunk) {
  frame::FileTable files;
  files.set_read_chunk_size(chunk);
  Read r;
  r.code = fuzz::raised([&] { r.within = frame::read_subtract_table(files, 1, path, r.table); },
                        {54, 58, 9, 6, 15}, "read_subtract_table");
  if (r.code != 0) files.abandon();
  // Closed in every ending: the number is not open.
  FUZZ_REQUIRE(fuzz::raised([&] { files.eof(1); }) == 57, "subtract file left open", path);
  return r;
}

double field_value(FuzzedDataProvider& in) {
  double value = 0;
  fuzz::raised([&] { value = frame::val(in.ConsumeRandomLengthString(12)); });
  return value;
}

void check_subtract(const std::string& path, std::size_t chunk, double origin,
                    double samples_per_cycle, std::uint32_t first_index) {
  const Read r = read_table(path, 0), small = read_table(path, chunk);
  FUZZ_REQUIRE(r.code == small.code && r.within == small.within, "chunk size changed the outcome");
  if (r.code != 0 || !r.within) return;
  FUZZ_REQUIRE(r.table.count == small.table.count &&
                   std::memcmp(&r.table.degree, &small.table.degree, sizeof(double)) == 0 &&
                   std::memcmp(r.table.entries.data(), small.table.entries.data(),
                               sizeof r.table.entries) == 0,
               "chunk size changed the table");
  FUZZ_REQUIRE(r.table.count >= 0 && r.table.count <= frame::kMaxSubtractEntries, "entry count");
  FUZZ_REQUIRE(r.table.degree <= frame::kMaxSubtractDegree, "degree above the limit kept");
  for (std::uint32_t k = first_index; k < first_index + 4u && k >= first_index; ++k) {
    double value = 0;
    if (fuzz::raised(
            [&] { value = frame::subtract_model(r.table, 1.5, k, origin, samples_per_cycle); },
            {5, 6, 11}, "subtract_model") == 0)
      FUZZ_REQUIRE(std::isfinite(value), "model value not finite");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile file;
  FuzzedDataProvider in(data, size);
  const std::size_t small_chunk = in.ConsumeIntegralInRange<std::size_t>(1, 17);
  std::vector<Step> script(in.ConsumeIntegralInRange<std::size_t>(1, 48));
  for (Step& step : script) {
    const auto b = in.ConsumeIntegral<std::uint8_t>();
    step = {static_cast<Op>(b & 3), static_cast<Kind>((b >> 2) & 3)};
  }
  const double origin = field_value(in), samples_per_cycle = field_value(in);
  const std::uint32_t first_index = in.ConsumeIntegral<std::uint32_t>();
  // Long lines are what the size limit is about: a repeated byte can make one.
  std::string bytes = in.ConsumeRemainingBytesAsString();
  if (bytes.size() >= 3 && bytes[0] == '\x7f')
    bytes =
        std::string(32000 + static_cast<unsigned char>(bytes[1]) * 8u, bytes[2]) + bytes.substr(3);
  file.set(bytes);
  // Chunks of a few bytes on a long file would cost a system call per byte.
  const std::size_t chunk = bytes.size() > 1024 ? 997 + small_chunk : small_chunk;
  const std::string a = run(script, file.path(), chunk, bytes);
  const std::string b = run(script, file.path(), 256, bytes);
  const std::string c = run(script, file.path(), 0, bytes);
  FUZZ_REQUIRE(
      a == b && b == c, "chunk size changed what was read",
      fuzz::show(bytes) + "\n  " + fuzz::show(a) + "\n  " + fuzz::show(b) + "\n  " + fuzz::show(c));
  for (const std::size_t size : {chunk, std::size_t{0}}) {
    FUZZ_REQUIRE(all_lines(file.path(), size, false) == all_lines(file.path(), size, true),
                 "batches of lines differ from the lines one by one", fuzz::show(bytes));
  }
  check_subtract(file.path(), chunk, origin, samples_per_cycle, first_index);
  return 0;
}
