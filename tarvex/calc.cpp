// "Calc.": the per-cycle transform over the whole data file with the file
// interval, written to the report file.
#include <optional>

#include "frame/datafile.h"
#include "frame/errors.h"
#include "frame/numtext.h"
#include "frame/subtract.h"
#include "tarvex/app.h"
#include "tarvex/pole.h"
#include "tarvex/report.h"

namespace tarvex {

namespace {
constexpr int kDataFile = 1;
constexpr int kReportFile = 2;
}  // namespace

void App::BUTTON5_ON() {
  const RunSettings s = read_run_settings();
  const double file_interval = frame::checked(frame::val(text(EDIT8)) * s.samples_per_cycle);
  const std::string report_path = text(EDIT9);
  const float display_factor = frame::to_single(frame::val(text(EDIT11)));

  frame::SubtractTable subtract;
  subtract.degree = kSubtractDegreeLimit;
  if (!s.subtract_path.empty() &&
      !frame::read_subtract_table(files_, kDataFile, s.subtract_path, subtract)) {
    return;  // a degree above the limit: the run ends silently
  }

  CycleTransform transform(
      {s.samples_per_cycle, s.origin, s.angular_step, file_interval, &subtract});
  IntervalSeries series(s.samples_per_cycle, s.origin, file_interval);

  files_.open("I", kDataFile, s.data_path);
  frame::create_output(files_, kReportFile, report_path, {s.data_path, s.subtract_path});

  ReportWriter report(files_, kReportFile);
  report.source_line(s.data_path, s.from, s.letters);
  if (!s.subtract_path.empty()) report.subtract_line(s.subtract_path);
  report.speed_line(s.angular_step * frame::kDegreesPerRadian * s.samples_per_cycle);
  report.column_header();
  std::vector<KeptInterval> kept;
  const frame::CommentMark mark(s.comment_mark);
  take_samples(kDataFile, mark, s, transform, [&] {
    // Each interval the samples fill becomes its report row at once, in
    // file order, so a run that fails later keeps the rows before; an
    // interval past the last row of the interval table fails here, and the
    // rows are kept as written, for the exports.
    report.interval_row(
        kept.emplace_back(KeptInterval{series.close(transform), transform.m}).row);
    transform.end_interval();
    series.count_closed();
  });

  // An interval still open at the end of the file is dropped.
  files_.close({kDataFile});

  const double swing = transform.file_swing();
  const double phase = transform.file_phase();
  set_result_line(phase, swing);

  const double n = series.differences();
  report.column_header();
  report.average_row(swing, phase, series.stats(), n);
  report.deviation_row(series.stats(), n);
  std::optional<PoleResult> pole;
  if (series.count() >= 3) {
    // The pole estimate, marked in the cycle display: every estimate a
    // silver pixel, the pole a yellow circle of radius 3.
    const double factor = display_factor;
    const PoleEstimates estimates = estimate_pole(
        std::span<const Vec>(series.table().data(), series.count()), [&](const Vec& p) {
          surface_.pixel(frame::to_single(kCentreX + p.x * factor),
                         frame::to_single(kCentreY - p.y * factor), kEstimateColour);
        });
    if (const std::optional<Vec> centre = estimates.pole()) {
      surface_.circle(frame::to_single(kCentreX + centre->x * factor),
                      frame::to_single(kCentreY - centre->y * factor), 3, kPoleColour);
      pole = PoleResult{*centre, pole_swing(*centre), angle_rule(centre->x, centre->y)};
      report.pole_row(pole->swing, pole->phase);
    }
  }
  files_.close({kReportFile});
  keep_last_run(s, std::move(kept), transform, series, pole);
}

}  // namespace tarvex
