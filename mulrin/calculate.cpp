// "Calculate": the fields, the subtract file and the data file in, the block
// analysis run over the series, the report out.
//
// The run reads the data file to count its data lines and then to load
// their values. Whenever a table for the most blocks the file could hold
// fits in memory, both are done in one reading: the values stream into the
// blocks while the lines are counted, and what the second reading would
// raise (a column that cannot be cut, a value out of range, a failing
// subtract model) is raised only once the count is shown and known to be
// enough for a block, in the order two readings would give. Otherwise the
// file is read twice.
#include <sys/stat.h>

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

// Blocks above which one reading is not tried (the bound is walked block by
// block).
constexpr double kOneReadingBlocks = 1 << 26;

// A field's number held in a single.
float single_field(const App& app, frame::ControlRef field,
                   frame::Where where = frame::Where::current()) {
  return frame::to_single(frame::val(app.text(field), where), where);
}

// The blocks a table must hold for one reading of the data file, or 0 when
// the file is to be read twice. The file's size in bytes bounds its count
// of lines, and more samples never mean fewer blocks.
std::int64_t one_reading_capacity(const std::string& path, const BlockSettings& settings) {
  if (engine_exponent(settings.exponent) == 0 || !(settings.step > 0)) return 0;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  const double size = static_cast<double>(st.st_size);
  if (size < settings.length) return 0;  // too few lines for a block: counting is all
  const double last = std::floor((size - settings.length) / settings.step);
  if (last + 2 > kOneReadingBlocks || analysis_bytes(last + 2, settings.length) > memory_limit())
    return 0;
  BlockSettings bound = settings;
  bound.count = static_cast<std::int64_t>(st.st_size);
  const ScanPlan plan = plan_scan(bound);
  if (analysis_bytes(static_cast<double>(plan.blocks), settings.length) > memory_limit()) return 0;
  return plan.blocks;
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

  BlockSettings settings;
  settings.exponent = exponent;
  settings.length = length;
  settings.step = step;
  settings.samples_per_cycle = c;
  settings.origin = origin;
  settings.phase_step = phase_step;
  const Angles angles{constants.pi, constants.two_pi, constants.degrees_per_radian};

  // The value of a data line: its column (cut from the first data line on),
  // corrected by the subtract model at its sample index.
  std::optional<frame::DataColumn> column;
  auto value_of = [&](std::string_view line, std::int64_t index) {
    if (!column) column.emplace(from, letters);
    double value = column->value(line);
    if (!subtract.empty()) {
      value = frame::subtract_model(subtract, value, static_cast<double>(index), origin, c);
    }
    return value;
  };

  // 5. The count, shown through the single-precision free form. Counted
  // exactly: a single-precision count would stop at 16,777,216 lines.
  auto show_count = [&](std::int64_t count) {
    app.set_text(app.TEXT6, "Number of Data:" +
                                frame::free_form(static_cast<double>(count), frame::Kind::Single));
  };
  // 7. The last block index by formula: a negative one (a negative step) is
  // error 5 and the table for blocks 0 .. L must fit before anything is
  // allocated. The scan then decides the blocks exactly (with a step that is
  // not a whole number the stepped starts may visit more or fewer blocks than
  // L + 1): the table and the report hold exactly the blocks it visits.
  auto check_last_block = [&](std::int64_t count) {
    const double last_block = frame::floor_value(
        frame::checked_div(static_cast<double>(count) - static_cast<double>(length), step));
    if (last_block < 0) frame::raise(frame::err::kInvalidCall);
    check_memory(analysis_bytes(last_block + 1, length));
  };

  std::int64_t count = 0;
  std::unique_ptr<BlockAnalysis> analysis;
  const std::int64_t capacity = app.one_reading ? one_reading_capacity(data_path, settings) : 0;
  if (capacity > 0) {
    // 5. and 8. in one reading.
    analysis = std::make_unique<BlockAnalysis>(settings, angles, capacity);
    std::optional<frame::RuntimeError> value_error;  // the first one, for after step 7
    files.open("I", kDataFile, data_path);
    while (!files.eof(kDataFile)) {
      const std::string_view line = files.read_line(kDataFile);
      app.form().poll();
      if (mark.is_comment(line)) continue;
      if (!value_error) {
        try {
          analysis->push(value_of(line, count));
        } catch (const frame::RuntimeError& e) {
          value_error = e;
        }
      }
      ++count;
    }
    files.close({kDataFile});
    show_count(count);
    // 6. Too few data for one block: end without a report.
    if (static_cast<double>(count) < static_cast<double>(length)) return;
    check_last_block(count);
    if (value_error) throw *value_error;
  } else {
    // 5. Count pass.
    files.open("I", kDataFile, data_path);
    while (!files.eof(kDataFile)) {
      if (mark.is_data(files.read_line(kDataFile))) ++count;
      app.form().poll();
    }
    files.close({kDataFile});
    show_count(count);
    // 6. Too few data for one block: end without a report.
    if (static_cast<double>(count) < static_cast<double>(length)) return;
    // 7.
    check_last_block(count);
    settings.count = count;
    analysis = std::make_unique<BlockAnalysis>(settings, angles, plan_scan(settings).blocks);
    // 8. Value pass: a data line beyond the count (the file grew) is a
    // sample beyond the series.
    files.open("I", kDataFile, data_path);
    std::int64_t index = 0;
    while (!files.eof(kDataFile)) {
      const std::string_view line = files.read_line(kDataFile);
      app.form().poll();
      if (mark.is_comment(line)) continue;
      const double value = value_of(line, index);
      if (index >= count) frame::raise(frame::err::kSubscript);
      analysis->push(value);
      ++index;
    }
    files.close({kDataFile});
  }
  // 9./10. The twiddle table was built with the analysis; the blocks left
  // are transformed, then the selection and the statistics.
  analysis->finish(count, threshold);

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
  write_report(files, report_path, source, *analysis, angles);
  app.keep_last_run(std::move(analysis), source, threshold);
}

}  // namespace mulrin
