// "Check Data": the count and the range of the corrected data values.
#include <cstdint>
#include <optional>
#include <string>

#include "frame/datafile.h"
#include "frame/errors.h"
#include "frame/numtext.h"
#include "frame/subtract.h"
#include "frame/textfile.h"
#include "mulrin/app.h"

namespace mulrin {

namespace {
constexpr int kDataFile = 1;
constexpr int kSubtractFile = 1;
}  // namespace

void App::BUTTON4_ON() {
  frame::FileTable& files = files_;

  // The parameters.
  const std::string data_path = text(EDIT4);
  const frame::CommentMark mark(text(EDIT3));
  const float from = single_field(EDIT1);
  const float letters = single_field(EDIT2);
  const std::string subtract_path = text(EDIT11);
  const double c = frame::val(text(EDIT7));
  const double origin = frame::checked(frame::val(text(EDIT10)) * c);

  // The subtract table; a degree above the limit ends at once, the texts
  // keep their values.
  frame::SubtractTable subtract;
  if (!frame::read_subtract_table(files, kSubtractFile, subtract_path, subtract)) return;

  // One pass over the data lines; the count is exact (a single-precision
  // count would stop at 16,777,216), maximum and minimum are singles.
  files.open("I", kDataFile, data_path);
  std::int64_t count = 0;
  float maximum = 0;
  float minimum = 0;
  // The next data line, and its value: the column, corrected.
  std::optional<frame::DataColumn> column;  // cut at the first data line
  std::int64_t index = 0;                   // of the line converted next
  auto next_line = [&](std::string_view& line) {
    // Comment lines are told by the mark alone and passed over.
    while (!files.eof(kDataFile)) {
      line = files.read_line(kDataFile);
      form_.poll();
      if (!mark.is_comment(line)) return true;
    }
    return false;
  };
  auto convert = [&](std::string_view line) {
    if (!column) column.emplace(from, letters);
    double value = column->value(line);
    if (!subtract.empty()) {
      value = frame::subtract_model(subtract, value, static_cast<double>(index), origin, c);
    }
    ++index;
    return value;
  };
  // Each data line in turn: read, converted, then taken into the range.
  for (std::string_view line; next_line(line);) {
    const double value = convert(line);
    if (count == 0) {
      maximum = frame::to_single(value);
      minimum = frame::to_single(value);
    }
    if (value > maximum) maximum = frame::to_single(value);
    if (value < minimum) minimum = frame::to_single(value);
    ++count;
  }
  files.close({kDataFile});

  // The count and the range.
  const auto single = [](double v) { return frame::free_form(v, frame::Kind::Single); };
  show_count(count);
  set_text(TEXT15, "max:" + single(maximum) + ", min:" + single(minimum) + ".");
}

}  // namespace mulrin
