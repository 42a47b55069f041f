#include "tarvex/report.h"

namespace tarvex {

namespace {
using frame::Kind;
using frame::Sep;

constexpr std::string_view kCyclePattern = "#####.####)";
constexpr std::string_view kSwingPattern = "#####.#####";
constexpr std::string_view kPhasePattern = "####.####deg:";
constexpr std::string_view kAnglePattern = "####.####deg";
constexpr std::string_view kNoDifferences = "-----.-----,----.----deg:-----.-----,----.----deg";
constexpr std::string_view kAverageLabel = "Average---)";
constexpr std::string_view kDeviationLabel = "          )---Standard Deviation---:";
constexpr std::string_view kPoleLabel = "Pole data-)";
}  // namespace

void ReportWriter::patterned(std::string_view pattern, double value, frame::Where where) {
  files_.write_pattern(number_, pattern, value, Kind::Double, Sep::None, where);
}

void ReportWriter::text(std::string_view text, frame::Where where) {
  files_.write_text(number_, text, Sep::None, where);
}

void ReportWriter::end_line(std::string_view text, frame::Where where) {
  files_.write_text(number_, text, Sep::EndOfLine, where);
}

void ReportWriter::source_line(std::string_view data_path, float from, float letters,
                               frame::Where where) {
  text(data_path, where);
  text("(", where);
  files_.write_number(number_, from, Kind::Single, Sep::None, where);
  text("-", where);
  const double last = static_cast<double>(from) + static_cast<double>(letters) - 1;
  files_.write_number(number_, last, Kind::Double, Sep::None, where);
  end_line(")", where);
}

void ReportWriter::subtract_line(std::string_view subtract_path, frame::Where where) {
  text("  with ", where);
  end_line(subtract_path, where);
}

void ReportWriter::speed_line(double speed, frame::Where where) {
  text("Angular Speed:", where);
  files_.write_number(number_, speed, Kind::Double, Sep::EndOfLine, where);
}

void ReportWriter::column_header(frame::Where where) {
  end_line(kColumnHeader, where);
}

void ReportWriter::interval_row(const IntervalRow& row, frame::Where where) {
  patterned(kCyclePattern, row.cycle_label, where);
  patterned(kSwingPattern, row.swing, where);
  text(",", where);
  patterned(kPhasePattern, row.phase, where);
  if (row.first) {
    end_line(kNoDifferences, where);
    return;
  }
  patterned(kSwingPattern, row.d_swing, where);
  text(",", where);
  patterned(kPhasePattern, row.d_phase, where);
  patterned(kSwingPattern, row.d_length, where);
  text(",", where);
  files_.write_pattern(number_, kAnglePattern, row.d_angle, Kind::Double, Sep::EndOfLine, where);
}

template <typename F>
void ReportWriter::difference_columns(const DifferenceStats& stats, F value, frame::Where where) {
  patterned(kSwingPattern, value(stats.d_swing), where);
  text(",", where);
  patterned(kPhasePattern, value(stats.d_phase), where);
  patterned(kSwingPattern, value(stats.d_length), where);
  text(",", where);
  files_.write_pattern(number_, kAnglePattern, value(stats.d_angle), Kind::Double, Sep::EndOfLine,
                       where);
}

void ReportWriter::average_row(double swing, double phase, const DifferenceStats& stats, double n,
                               frame::Where where) {
  text(kAverageLabel, where);
  patterned(kSwingPattern, swing, where);
  text(",", where);
  patterned(kPhasePattern, phase, where);
  difference_columns(
      stats, [&](const RunningStat& s) { return s.average(n, where); }, where);
}

void ReportWriter::deviation_row(const DifferenceStats& stats, double n, frame::Where where) {
  text(kDeviationLabel, where);
  difference_columns(
      stats, [&](const RunningStat& s) { return s.deviation(n, where); }, where);
}

void ReportWriter::pole_row(double swing, double phase, frame::Where where) {
  text(kPoleLabel, where);
  patterned(kSwingPattern, swing, where);
  text(",", where);
  files_.write_pattern(number_, kAnglePattern, phase, Kind::Double, Sep::EndOfLine, where);
}

}  // namespace tarvex
