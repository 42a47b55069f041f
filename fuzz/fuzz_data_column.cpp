// The data file reader: comment mark, From, letters and data lines, all
// arbitrary.
//
// Holds: a line is a comment line exactly when its first L characters (the
// whole line when shorter) equal the mark, L the mark's length or 1 for an
// empty mark; From and letters too large for a whole number are 6 when the
// column is made; the value of a data line is error 5 for From below 1 or
// negative letters, 0 for a column beyond the line, else the text-to-number
// value of the cut (error 6 beyond the range); and tarvex's fast column reader
// gives bit for bit the same value or the same error.
#include <bit>
#include <cmath>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "fuzz_support.h"
#include "tarvex/sample_column.h"

namespace {

// A field's value held in a single, as the handlers read From and letters.
std::optional<float> single_field(const std::string& text) {
  try {
    return frame::to_single(frame::val(text));
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {6};
    fuzz::require_code(e, kAllowed, "field to single");
    return std::nullopt;
  }
}

struct Result {
  int code = 0;
  double value = 0;
};

template <class Column>
Result value_of(const Column& column, std::string_view line) {
  Result r;
  try {
    r.value = column.value(line);
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {5, 6};
    fuzz::require_code(e, kAllowed, "column value");
    r.code = e.code();
  }
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string mark_text = in.ConsumeRandomLengthString(8);
  const std::optional<float> from =
      in.ConsumeBool() ? single_field(in.ConsumeRandomLengthString(16))
                       : std::optional<float>(in.ConsumeIntegralInRange<int>(-3, 40));
  const std::optional<float> letters =
      in.ConsumeBool() ? single_field(in.ConsumeRandomLengthString(16))
                       : std::optional<float>(in.ConsumeIntegralInRange<int>(-3, 40));
  if (!from || !letters) return 0;

  const frame::CommentMark mark(mark_text);
  const std::size_t length = mark_text.empty() ? 1 : mark_text.size();
  FUZZ_REQUIRE(mark.length() == length, "mark length", fuzz::show(mark_text));

  // Both readers are made at the first data line; a From or letters beyond
  // the whole-number range fails there, the same way for both.
  int made_code = 0;
  std::optional<frame::DataColumn> column;
  std::optional<tarvex::SampleColumn> fast;
  try {
    column.emplace(*from, *letters);
  } catch (const frame::RuntimeError& e) {
    static constexpr int kAllowed[] = {6};
    fuzz::require_code(e, kAllowed, "data column");
    made_code = e.code();
  }
  try {
    fast.emplace(*from, *letters);
    FUZZ_REQUIRE(made_code == 0, "the fast column accepted what the column refused");
  } catch (const frame::RuntimeError& e) {
    FUZZ_REQUIRE(e.code() == made_code, "the fast column raised differently");
  }
  const double rounded_from = std::round(static_cast<double>(*from));
  const double rounded_letters = std::round(static_cast<double>(*letters));

  while (in.remaining_bytes() > 0) {
    const std::string line = in.ConsumeRandomLengthString(64);
    const bool comment = std::string_view(line).substr(0, length) == mark_text;
    FUZZ_REQUIRE(mark.is_comment(line) == comment && mark.is_data(line) == !comment,
                  "comment test", fuzz::show(mark_text) + " " + fuzz::show(line));
    if (comment || made_code != 0) continue;

    const Result r = value_of(*column, line);
    if (rounded_from < 1 || rounded_letters < 0) {
      FUZZ_REQUIRE(r.code == 5, "an impossible column must be error 5", fuzz::show(line));
    } else if (rounded_from - 1 >= static_cast<double>(line.size())) {
      FUZZ_REQUIRE(r.code == 0 && r.value == 0, "a column beyond the line must be 0",
                    fuzz::show(line));
    } else {
      const std::string cut = line.substr(static_cast<std::size_t>(rounded_from - 1),
                                          static_cast<std::size_t>(rounded_letters));
      Result expected;
      try {
        expected.value = frame::text_to_number(cut).value;
      } catch (const frame::RuntimeError& e) {
        expected.code = e.code();
      }
      FUZZ_REQUIRE(r.code == expected.code &&
                        std::bit_cast<std::uint64_t>(r.value) ==
                            std::bit_cast<std::uint64_t>(expected.value),
                    "column value differs from the conversion of the cut", fuzz::show(line));
    }
    const Result f = value_of(*fast, line);
    FUZZ_REQUIRE(f.code == r.code && std::bit_cast<std::uint64_t>(f.value) ==
                                          std::bit_cast<std::uint64_t>(r.value),
                  "tarvex's fast column reader differs from the column cut",
                  fuzz::show(line) + " fast " + std::to_string(f.value) + " cut " +
                      std::to_string(r.value));
  }
  return 0;
}
