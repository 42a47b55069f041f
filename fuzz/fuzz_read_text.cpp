// Read line, read field and read field into a number over arbitrary bytes.
//
// The input is a script of read operations and the file's bytes. The script
// runs on three file tables that read the same file in chunks of different
// sizes (a few bytes, 256 and the default): every result and every error must
// be the same. Lines and text fields must also be those of the plain
// byte-by-byte reader of the file rules (fuzz/reference_reader.h) until the
// first number is read. Holds as well: a line never holds CR or NUL nor more
// than 32767 characters; the only errors are 54, 15, 58 and 6; a number
// fits its kind.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/textfile.h"
#include "fuzz_support.h"
#include "reference_reader.h"

namespace {

using frame::FileTable;
using frame::Kind;

enum class Op : std::uint8_t { Eof, Line, Field, Number };

struct Step {
  Op op;
  Kind kind;
};

// One table's run of the script: its transcript, and the code that ended it.
std::string run(const std::vector<Step>& script, const std::string& path, std::size_t chunk,
                fuzz::ReferenceReader* reference, std::string_view bytes) {
  FileTable files;
  files.set_read_chunk_size(chunk);
  files.open("I", 1, path);
  std::string transcript;
  bool compare = reference != nullptr;
  std::string expected;
  for (const Step& step : script) {
    try {
      switch (step.op) {
        case Op::Eof: {
          const bool at_end = files.eof(1);
          transcript += at_end ? "E" : "e";
          if (compare)
            FUZZ_REQUIRE(at_end == reference->eof(), "end of file differs from the file rules",
                          fuzz::show(bytes));
          break;
        }
        case Op::Line: {
          const std::string_view line = files.read_line(1);
          FUZZ_REQUIRE(line.size() <= frame::kMaxLine, "line over 32767", fuzz::show(bytes));
          FUZZ_REQUIRE(!std::memchr(line.data(), '\r', line.size()) &&
                           !std::memchr(line.data(), 0, line.size()),
                       "line holds CR or NUL", fuzz::show(bytes));
          transcript += "L" + std::to_string(line.size()) + ":" + std::string(line) + "|";
          if (compare) {
            const int code = reference->read_line(expected);
            FUZZ_REQUIRE(code == 0 && expected == line, "line differs from the file rules",
                          fuzz::show(bytes) + " got " + fuzz::show(line) + " want " +
                              fuzz::show(expected) + " code " + std::to_string(code));
          }
          break;
        }
        case Op::Field: {
          const std::string field = files.read_field(1);
          transcript += "F" + std::to_string(field.size()) + ":" + field + "|";
          if (compare) {
            const int code = reference->read_field(expected);
            FUZZ_REQUIRE(code == 0 && expected == field, "field differs from the file rules",
                          fuzz::show(bytes) + " got " + fuzz::show(field) + " want " +
                              fuzz::show(expected) + " code " + std::to_string(code));
          }
          break;
        }
        case Op::Number: {
          compare = false;  // the plain reader has no number scan
          const double v = files.read_field_number(1, step.kind);
          FUZZ_REQUIRE(std::isfinite(v), "number not finite", fuzz::show(bytes));
          if (step.kind == Kind::Single)
            FUZZ_REQUIRE(static_cast<double>(static_cast<float>(v)) == v, "single not a float",
                          fuzz::show(bytes));
          if (step.kind == Kind::Short || step.kind == Kind::Long)
            FUZZ_REQUIRE(v == std::trunc(v), "whole kind not whole", fuzz::show(bytes));
          transcript += "N" + std::to_string(std::bit_cast<std::uint64_t>(v)) + "|";
          break;
        }
      }
    } catch (const frame::RuntimeError& e) {
      static constexpr int kAllowed[] = {54, 15, 58, 6};
      fuzz::require_code(e, kAllowed, "reading");
      if (compare && step.op != Op::Eof) {
        const int code = step.op == Op::Line ? reference->read_line(expected)
                                             : reference->read_field(expected);
        FUZZ_REQUIRE(code == e.code(), "error differs from the file rules",
                      fuzz::show(bytes) + " got " + std::to_string(e.code()) + " want " +
                          std::to_string(code));
      }
      transcript += "X" + std::to_string(e.code());
      return transcript;  // a run-time error ends the program
    }
  }
  return transcript;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MemoryFile file;
  FuzzedDataProvider in(data, size);
  const std::size_t small_chunk = in.ConsumeIntegralInRange<std::size_t>(1, 17);
  std::vector<Step> script;
  const std::size_t ops = in.ConsumeIntegralInRange<std::size_t>(1, 48);
  for (std::size_t i = 0; i < ops; ++i) {
    const auto b = in.ConsumeIntegral<std::uint8_t>();
    script.push_back({static_cast<Op>(b & 3), static_cast<Kind>((b >> 2) & 3)});
  }
  // Long lines are what the size limit is about: a repeated byte can make one.
  std::string bytes = in.ConsumeRemainingBytesAsString();
  if (!bytes.empty() && bytes[0] == '\x7f' && bytes.size() >= 3) {
    const std::size_t repeat = 32000 + static_cast<unsigned char>(bytes[1]) * 8;
    bytes = std::string(repeat, bytes[2]) + bytes.substr(3);
  }
  file.set(bytes);
  // Chunks of a few bytes on a long file would cost a system call per byte.
  const std::size_t chunk = bytes.size() > 1024 ? 997 + small_chunk : small_chunk;

  fuzz::ReferenceReader reference(bytes);
  const std::string a = run(script, file.path(), chunk, &reference, bytes);
  const std::string b = run(script, file.path(), 256, nullptr, bytes);
  const std::string c = run(script, file.path(), 0, nullptr, bytes);
  FUZZ_REQUIRE(a == b && b == c, "chunk size changed what was read",
                fuzz::show(bytes) + "\n  " + fuzz::show(a) + "\n  " + fuzz::show(b) + "\n  " +
                    fuzz::show(c));
  return 0;
}
