// tarvex, the cycle DFT analyser: its form, open files, dialogs, drawing
// surface and the handlers of its seven buttons.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "frame/datafile.h"
#include "frame/dialogs.h"
#include "frame/export.h"
#include "frame/form.h"
#include "frame/program.h"
#include "frame/surface.h"
#include "frame/textfile.h"
#include "frame/threads.h"
#include "tarvex/export.h"
#include "tarvex/transform.h"

namespace tarvex {

// The analysis settings a run reads from the form.
struct RunSettings {
  std::string data_path;
  std::string comment_mark;
  float from = 0;
  float letters = 0;
  std::string subtract_path;
  double samples_per_cycle = 0;
  double origin = 0;        // in samples
  double angular_step = 0;  // radians per sample
};

class App : public frame::Program, public frame::Exports {
 public:
  App(frame::FileDialogs& dialogs, frame::Surface& surface);

  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }
  frame::Exports* exports() override { return this; }

  // The exports of the last completed "Calc." run.
  bool has_run() const override { return last_run_.has_value(); }
  std::string_view run_name() const override { return "Calc."; }
  void write_csv(const std::string& path) const override { tarvex::write_csv(*last_run_, path); }
  void write_json(const std::string& path) const override { tarvex::write_json(*last_run_, path); }

  // The handlers, bound by name.
  void BUTTON1_ON();  // LOAD
  void BUTTON2_ON();  // Refer: data file
  void BUTTON3_ON();  // Check
  void BUTTON4_ON();  // Draw
  void BUTTON5_ON();  // Calc.
  void BUTTON6_ON();  // Refer: report file
  void BUTTON7_ON();  // Refer: subtract file

  // tan(30 degrees) from the 15-digit pi, for the diagram's spokes.
  double tan_30() const { return tan_30_; }

 private:
  const std::string& text(frame::ControlRef control) const { return form_.text(control); }
  // The settings both runs read first, in this order: EDIT4, EDIT1, EDIT2,
  // EDIT3, EDIT13, EDIT5, EDIT6, EDIT10.
  RunSettings read_run_settings();
  // The result line: DCMDSP(phase) "deg," DCMDSP(swing).
  void set_result_line(double phase, double swing);
  // The end of a completed "Calc." run: its values replace the kept ones.
  void keep_last_run(const RunSettings& s, std::vector<KeptInterval> intervals,
                     const CycleTransform& transform, const IntervalSeries& series,
                     const std::optional<PoleResult>& pole);

  // Feeds the samples of the open data file `number` to the transform in
  // file order and calls interval_closed() after each sample that fills an
  // interval. Comment lines are told by the mark alone and never reach the
  // column; the column is cut from the first data line on (From and letters
  // become whole numbers there). Each line is read, cut and taken in turn;
  // with more than one thread the cosines and sines of the reference angles
  // are worked out ahead on a second one, from the same running sum, so the
  // sums get the same bits. A column that cannot be cut or converted fails
  // at `where`, the handler's statement.
  template <class IntervalClosed>
  void take_samples(int number, const frame::CommentMark& mark, const RunSettings& s,
                    CycleTransform& transform, IntervalClosed interval_closed,
                    frame::Where where = frame::Where::current()) {
    if (frame::thread_count() > 1) transform.work_ahead();
    std::optional<frame::DataColumn> column;
    while (!files_.eof(number)) {
      for (const std::string_view line : files_.read_lines(number)) {
        form_.poll();
        if (mark.is_comment(line)) continue;
        if (!column) column.emplace(s.from, s.letters, where);
        if (transform.take_sample(column->value(line, where))) interval_closed();
      }
    }
  }

  frame::Form form_;
  frame::FileTable files_;
  frame::FileDialogs& dialogs_;
  frame::Surface& surface_;

  double tan_30_ = 0;
  std::optional<LastRun> last_run_;

  // Control variables, bound by name at start-up.
  frame::ControlRef EDIT1, EDIT2, EDIT3, EDIT4, EDIT5, EDIT6, EDIT7, EDIT8, EDIT9, EDIT10, EDIT11,
      EDIT12, EDIT13, TEXT5;
};

// The program factory: builds tarvex on the platform's dialogs and surface.
std::unique_ptr<frame::Program> make_app(frame::FileDialogs& dialogs, frame::Surface& surface);

}  // namespace tarvex
