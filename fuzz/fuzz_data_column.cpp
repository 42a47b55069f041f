// The data file reader: comment mark, From, letters and data lines, all
// arbitrary.
//
// Holds: a line is a comment line exactly when its first L characters (the
// whole line when shorter) equal the mark, L the mark's length or 1 for an
// empty mark; From and letters too large for a whole number are 6 when the
// column is made; the value of a data line is error 5 for From below 1 or
// negative letters, 0 for a column beyond the line, else the text-to-number
// value of the cut (error 6 beyond the range), bit for bit what the general
// scanner gives without the plain-decimal shortcut.
#include <bit>
#include <cmath>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "fuzz_support.h"

namespace {

// The code an action raises (of the allowed ones), or 0; its value in bits.
std::pair<int, std::uint64_t> outcome(auto&& action, std::initializer_list<int> allowed,
                                      const char* what) {
  try {
    return {0, std::bit_cast<std::uint64_t>(static_cast<double>(action()))};
  } catch (const frame::RuntimeError& e) {
    fuzz::require_code(e, allowed, what);
    return {e.code(), 0};
  }
}

// From or letters: a field's value held in a single, as the handlers read them, or a small whole
// number.
std::optional<float> field(FuzzedDataProvider& in) {
  if (!in.ConsumeBool()) return static_cast<float>(in.ConsumeIntegralInRange<int>(-3, 40));
  const std::string text = in.ConsumeRandomLengthString(16);
  const auto [code, bits] =
      outcome([&] { return frame::to_single(frame::val(text)); }, {6}, "field to single");
  return code ? std::nullopt
              : std::optional<float>(static_cast<float>(std::bit_cast<double>(bits)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string mark_text = in.ConsumeRandomLengthString(8);
  const std::optional<float> from = field(in), letters = field(in);
  if (!from || !letters) return 0;
  const frame::CommentMark mark(mark_text);
  const std::size_t length = mark_text.empty() ? 1 : mark_text.size();
  FUZZ_REQUIRE(mark.length() == length, "mark length", fuzz::show(mark_text));

  // The column is made at the first data line; a From or letters beyond the
  // whole-number range fails there.
  std::optional<frame::DataColumn> column;
  const int made_code =
      outcome([&] { return column.emplace(*from, *letters), 0; }, {6}, "data column").first;
  const double rounded_from = std::round(double{*from}),
               rounded_letters = std::round(double{*letters});

  while (in.remaining_bytes() > 0) {
    const std::string line = in.ConsumeRandomLengthString(64);
    const bool comment = std::string_view(line).substr(0, length) == mark_text;
    FUZZ_REQUIRE(mark.is_comment(line) == comment && mark.is_data(line) == !comment, "comment test",
                 fuzz::show(mark_text) + " " + fuzz::show(line));
    if (comment || made_code != 0) continue;
    const auto r = outcome([&] { return column->value(line); }, {5, 6}, "column value");
    std::pair<int, std::uint64_t> expected{5, 0};
    if (rounded_from >= 1 && rounded_letters >= 0) {
      expected = rounded_from - 1 >= static_cast<double>(line.size())
                     ? std::pair<int, std::uint64_t>{0, 0}  // a column beyond the line is 0
                     : outcome(
                           [&] {
                             const frame::Scanned s = frame::detail::scan_number_general(
                                 line.substr(static_cast<std::size_t>(rounded_from - 1),
                                             static_cast<std::size_t>(rounded_letters)));
                             if (s.error == frame::ScanError::Overflow) frame::raise(6);
                             return s.value;
                           },
                           {6}, "cut");
    }
    FUZZ_REQUIRE(r == expected, "column value differs from the conversion of the cut",
                 fuzz::show(line));
  }
  return 0;
}
