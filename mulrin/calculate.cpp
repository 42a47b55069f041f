// "Calculate": the fields, the subtract file and the data file in, the block
// analysis run over the series, the report out.
//
// The data file is read once, whatever it is (a regular file, a pipe): its
// values stream into the block analysis while its data lines are counted
// (which transforms blocks at once when the tables for the most lines the
// file could hold fit in memory, and otherwise holds the values). What
// a separate reading of the values after the count would raise (a column
// that cannot be cut, a value out of range, a failing subtract model, tables
// that do not fit) is raised only once the count is shown and known to be
// enough for a block, in the order two readings would give.
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "frame/constants.h"
#include "frame/datafile.h"
#include "frame/errors.h"
#include "frame/numtext.h"
#include "frame/platform/platform.h"
#include "frame/subtract.h"
#include "frame/textfile.h"
#include "mulrin/app.h"
#include "mulrin/block_table.h"
#include "mulrin/blocks.h"
#include "mulrin/report.h"

namespace mulrin {

namespace {
constexpr int kDataFile = 1;
constexpr int kSubtractFile = 1;
}  // namespace

void App::BUTTON6_ON() {
  frame::FileTable& files = files_;

  // An empty subtract table.
  frame::SubtractTable subtract;

  // The fields, in this order; the three run constants right after the
  // origin, before anything else is touched (a step of 0 fails here).
  const std::string data_path = text(EDIT4);
  const frame::CommentMark mark(text(EDIT3));
  const float from = single_field(EDIT1);
  const float letters = single_field(EDIT2);
  const float exponent = single_field(EDIT5);
  const float length = frame::to_single(frame::power(2, exponent));
  const float step = single_field(EDIT6);
  const double c = frame::val(text(EDIT7));
  const double origin = frame::checked(frame::val(text(EDIT10)) * c);
  const double bin_rate_factor = frame::checked(frame::checked_div(c, length) * frame::kTwoPi);
  const double phase_step = frame::checked_div(frame::kTwoPi, length);
  const double refined_rate_factor = frame::checked_div(c, step);
  const float threshold = single_field(EDIT8);
  const std::string subtract_path = text(EDIT11);
  const std::string report_path = text(EDIT9);

  // No old report survives a run that gets this far; a report path that names
  // an input of the run is refused (52) before anything is deleted.
  frame::delete_old_output(files, report_path, {data_path, subtract_path});

  // The subtract table; a degree above the limit ends the run silently.
  if (!frame::read_subtract_table(files, kSubtractFile, subtract_path, subtract)) return;

  BlockSettings settings;
  settings.exponent = exponent;
  settings.length = length;
  settings.step = step;
  settings.samples_per_cycle = c;
  settings.origin = origin;
  settings.phase_step = phase_step;
  // A regular file's size in bytes bounds its count of lines.
  const std::optional<std::uint64_t> size = frame::platform::file_size_if_regular(data_path);
  auto analysis = std::make_unique<BlockAnalysis>(
      settings, size ? static_cast<double>(*size) : std::numeric_limits<double>::infinity());

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

  // Count the data lines and stream their values into the scan. Errors of
  // the file itself stop the run here; errors of the values are due after
  // the count, and no value after the first failing one is taken.
  // Everything below runs on this thread, in file order.
  std::int64_t count = 0;
  frame::PendingError value_error;
  auto take = [&](std::string_view line, std::int64_t index) {
    if (!value_error.any()) value_error.attempt([&] { analysis->push(value_of(line, index)); });
  };
  // With more than one thread the block scan transforms the blocks on a
  // second one while this one reads, cuts and converts the lines.
  files.open("I", kDataFile, data_path);
  while (!files.eof(kDataFile)) {
    for (const std::string_view line : files.read_lines(kDataFile)) {
      form_.poll();
      if (mark.is_comment(line)) continue;
      take(line, count);
      ++count;
    }
  }
  files.close({kDataFile});  // the values are in the scan, or held; their errors wait
  show_count(count);

  // Too few data for one block: the run ends without a report.
  if (static_cast<double>(count) < static_cast<double>(length)) return;

  // The last block index by formula: a negative one (a negative step) is
  // error 5, and the tables for blocks 0 .. L must fit. The scan decides
  // the blocks exactly (with a step that is not a whole number the stepped
  // starts may visit more or fewer blocks than L + 1); the tables for every
  // block it visits must fit as well.
  const double last_block = frame::floor_value(
      frame::checked_div(static_cast<double>(count) - static_cast<double>(length), step));
  if (last_block < 0) frame::raise(frame::err::kInvalidCall);
  check_memory(analysis_bytes(last_block + 1, length));
  analysis->check_tables(count);
  value_error.raise_if_any();

  // The blocks left are transformed, then the selection and the statistics.
  analysis->finish(count, threshold);

  // The report.
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
  write_report(files, report_path, source, *analysis);
  keep_last_run(std::move(analysis), source, threshold);
}

}  // namespace mulrin
