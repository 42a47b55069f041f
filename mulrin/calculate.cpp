// "Calculate": the fields, the subtract file and the data file in, the block
// analysis run over the series, the report out.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "frame/subtract.h"
#include "frame/textfile.h"
#include "mulrin/app.h"
#include "mulrin/blocks.h"
#include "mulrin/report.h"

namespace mulrin {

namespace {

constexpr int kDataFile = 1;
constexpr int kSubtractFile = 1;

// A field's number held in a single.
float single_field(const App& app, frame::ControlRef field,
                   frame::Where where = frame::Where::current()) {
  return frame::to_single(frame::val(app.text(field), where), where);
}

}  // namespace

void BUTTON6_ON(App& app) {
  const Constants& constants = app.constants();
  frame::FileTable& files = app.files();

  // 1. An empty subtract table.
  frame::SubtractTable subtract;

  // 2. The fields, in this order; the three run constants right after the
  // origin, before anything else is touched (a step of 0 fails here).
  const std::string data_path = app.text(app.EDIT4);
  const frame::CommentMark mark(app.text(app.EDIT3));
  const float from = single_field(app, app.EDIT1);
  const float letters = single_field(app, app.EDIT2);
  const float exponent = single_field(app, app.EDIT5);
  const float length = frame::to_single(frame::power(2, exponent));
  const float step = single_field(app, app.EDIT6);
  const double c = frame::val(app.text(app.EDIT7));
  const double origin = frame::checked(frame::val(app.text(app.EDIT10)) * c);
  const double bin_rate_factor = frame::checked(frame::checked_div(c, length) * constants.two_pi);
  const double phase_step = frame::checked_div(constants.two_pi, length);
  const double refined_rate_factor = frame::checked_div(c, step);
  const float threshold = single_field(app, app.EDIT8);
  const std::string subtract_path = app.text(app.EDIT11);
  const std::string report_path = app.text(app.EDIT9);

  // 3. No old report survives a run that gets this far.
  if (frame::exists(report_path)) frame::delete_file(files, report_path);

  // 4. The subtract table; a degree above the limit ends the run silently.
  if (!frame::read_subtract_table(files, kSubtractFile, subtract_path, subtract)) return;

  // 5. Count pass. Counted exactly: a single-precision count would stop at
  // 16,777,216 lines. Shown through the single-precision free form.
  std::int64_t count = 0;
  files.open("I", kDataFile, data_path);
  while (!files.eof(kDataFile)) {
    if (mark.is_data(files.read_line(kDataFile))) ++count;
    app.form().poll();
  }
  files.close({kDataFile});
  app.set_text(app.TEXT6,
               "Number of Data:" + frame::free_form(static_cast<double>(count), frame::Kind::Single));

  // 6. Too few data for one block: end without a report.
  if (static_cast<double>(count) < static_cast<double>(length)) return;

  // 7. The last block index by formula, the tables. The table for blocks
  // 0 .. L must fit before anything is allocated; the scan then decides the
  // blocks exactly (with a step that is not a whole number the stepped starts
  // may visit one block more or fewer than L + 1) and the table and the report
  // hold exactly the blocks it visits.
  BlockSettings settings;
  settings.exponent = exponent;
  settings.length = length;
  settings.step = step;
  settings.samples_per_cycle = c;
  settings.origin = origin;
  settings.phase_step = phase_step;
  settings.count = count;
  const double last_block = frame::floor_value(
      frame::checked_div(static_cast<double>(count) - static_cast<double>(length), step));
  if (last_block < 0) frame::raise(frame::err::kInvalidCall);  // a negative step
  check_memory(analysis_bytes(last_block + 1, length));
  const ScanPlan plan = plan_scan(settings);
  const Angles angles{constants.pi, constants.two_pi, constants.degrees_per_radian};
  BlockAnalysis analysis(settings, angles, plan);

  // 8. Value pass: every data value, corrected by the subtract model at its
  // sample index, streamed into the blocks. 9./10. The engine's twiddle table
  // was built with the analysis; each block is transformed as soon as its
  // last sample is in.
  files.open("I", kDataFile, data_path);
  std::optional<frame::DataColumn> column;  // cut at the first data line
  std::int64_t index = 0;
  while (!files.eof(kDataFile)) {
    const std::string_view line = files.read_line(kDataFile);
    app.form().poll();
    if (mark.is_comment(line)) continue;
    if (!column) column.emplace(from, letters);
    double value = column->value(line);
    if (!subtract.empty()) {
      value = frame::subtract_model(subtract, value, static_cast<double>(index), origin, c);
    }
    analysis.push(value);
    ++index;
  }
  files.close({kDataFile});
  analysis.finish();

  // 11. The report.
  ReportSource source;
  source.data_path = data_path;
  source.from = from;
  source.letters = letters;
  source.subtract_path = subtract_path;
  source.count = count;
  source.length = length;
  source.step = step;
  source.samples_per_cycle = c;
  source.origin = origin;
  source.bin_rate_factor = bin_rate_factor;
  source.refined_rate_factor = refined_rate_factor;
  source.threshold = threshold;
  write_report(files, report_path, source, analysis, angles);
}

}  // namespace mulrin
