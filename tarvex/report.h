// The report file of a "Calc." run, written item by item as the run goes, so
// that a run stopped by a run-time error leaves exactly the lines (and the
// part of a line) written until then.
#pragma once

#include <string_view>

#include "frame/textfile.h"
#include "tarvex/transform.h"

namespace tarvex {

// The column header; its seven parts are as wide as the seven columns of a
// full interval row.
inline constexpr std::string_view kColumnHeader =
    "cycle-----)Swing------,Phase-------:d-Swing----,d-Phase-----:"
    "d-Vec(Lng)-,d-Vec(Ang)--";

class ReportWriter {
 public:
  ReportWriter(frame::FileTable& files, int number) : files_(files), number_(number) {}

  // "<path>( <from> - <from + letters - 1> )": from free-format as a single,
  // the last column free-format as a double.
  void source_line(std::string_view data_path, float from, float letters,
                   frame::Where where = frame::Where::current());
  // "  with <path>", only written when a subtract file is named.
  void subtract_line(std::string_view subtract_path, frame::Where where = frame::Where::current());
  // "Angular Speed:" and the speed in degrees per cycle, free-format double.
  void speed_line(double speed, frame::Where where = frame::Where::current());
  void column_header(frame::Where where = frame::Where::current());
  void interval_row(const IntervalRow& row, frame::Where where = frame::Where::current());
  // The whole-file swing and phase, then the four averages, each computed
  // just before it is written (with no difference at all n is 0 and the
  // first average stops the run with error 5 inside this row).
  void average_row(double swing, double phase, const DifferenceStats& stats, double n,
                   frame::Where where = frame::Where::current());
  void deviation_row(const DifferenceStats& stats, double n,
                     frame::Where where = frame::Where::current());
  void pole_row(double swing, double phase, frame::Where where = frame::Where::current());

 private:
  // A double through a pattern, with nothing after it.
  void patterned(std::string_view pattern, double value, frame::Where where);
  void text(std::string_view text, frame::Where where);
  void end_line(std::string_view text, frame::Where where);
  // d-swing, d-phase, d-Vec length, d-Vec angle with their patterns; the
  // values come from `value(stat)` one at a time, just before each is written.
  template <typename F>
  void difference_columns(const DifferenceStats& stats, F value, frame::Where where);

  frame::FileTable& files_;
  int number_;
};

}  // namespace tarvex
