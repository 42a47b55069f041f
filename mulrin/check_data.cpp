// "Check Data": the count and the range of the corrected data values.
#include <cstdint>
#include <optional>
#include <string>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "frame/subtract.h"
#include "frame/textfile.h"
#include "mulrin/app.h"

namespace mulrin {

namespace {
constexpr int kDataFile = 1;
constexpr int kSubtractFile = 1;
}  // namespace

void BUTTON4_ON(App& app) {
  frame::FileTable& files = app.files();

  // 1. The parameters.
  const std::string data_path = app.text(app.EDIT4);
  const frame::CommentMark mark(app.text(app.EDIT3));
  const float from = frame::to_single(frame::val(app.text(app.EDIT1)));
  const float letters = frame::to_single(frame::val(app.text(app.EDIT2)));
  const std::string subtract_path = app.text(app.EDIT11);
  const double c = frame::val(app.text(app.EDIT7));
  const double origin = frame::checked(frame::val(app.text(app.EDIT10)) * c);

  // 2. The subtract table; a degree above the limit ends at once, the texts
  // keep their values.
  frame::SubtractTable subtract;
  if (!frame::read_subtract_table(files, kSubtractFile, subtract_path, subtract)) return;

  // 3./4. One pass; the count is exact (a single-precision count would stop
  // at 16,777,216), maximum and minimum are held in single precision.
  files.open("I", kDataFile, data_path);
  std::int64_t count = 0;
  float maximum = 0;
  float minimum = 0;
  std::optional<frame::DataColumn> column;  // cut at the first data line
  while (!files.eof(kDataFile)) {
    const std::string_view line = files.read_line(kDataFile);
    app.form().poll();
    if (mark.is_comment(line)) continue;
    if (!column) column.emplace(from, letters);
    double value = column->value(line);
    if (!subtract.empty()) {
      value = frame::subtract_model(subtract, value, static_cast<double>(count), origin, c);
    }
    if (count == 0) {
      maximum = frame::to_single(value);
      minimum = frame::to_single(value);
    }
    if (value > maximum) maximum = frame::to_single(value);
    if (value < minimum) minimum = frame::to_single(value);
    ++count;
  }
  // 5.
  files.close({kDataFile});

  // 6.
  const auto single = [](double v) { return frame::free_form(v, frame::Kind::Single); };
  app.set_text(app.TEXT6, "Number of Data:" + single(static_cast<double>(count)));
  app.set_text(app.TEXT15, "max:" + single(maximum) + ", min:" + single(minimum) + ".");
}

}  // namespace mulrin
