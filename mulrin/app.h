// The mulrin program: its form, its start-up constants, the control
// variables bound by name, and its event handlers.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "frame/dialogs.h"
#include "frame/export.h"
#include "frame/form.h"
#include "frame/program.h"
#include "frame/surface.h"
#include "frame/textfile.h"
#include "mulrin/blocks.h"
#include "mulrin/export.h"
#include "mulrin/report.h"

namespace mulrin {

// The constants set at start-up. pi is the 15-digit value the analyser has
// always used, not the double nearest to pi: every phase and rate of the
// report is computed with it.
struct Constants {
  double pi = 3.14159265358979;
  double degrees_per_radian = 180.0 / 3.14159265358979;  // 180 / pi
  double two_pi = 2.0 * 3.14159265358979;                // 2 * pi
  int subtract_degree_limit = 6;  // highest amplitude-polynomial degree
};

class App : public frame::Program, public frame::Exports {
 public:
  // Builds the form, binds the handlers, sets the constants and binds the
  // control variables (a missing control is error 1013).
  explicit App(frame::FileDialogs& dialogs);

  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }
  frame::FileDialogs& dialogs() { return dialogs_; }
  frame::Exports* exports() override { return this; }

  // The exports and the swing map of the last completed Calculate run.
  bool has_run() const override { return last_run_ != nullptr; }
  std::string_view run_name() const override { return "Calculate"; }
  void write_csv(const std::string& path) const override { mulrin::write_csv(*last_run_, path); }
  void write_json(const std::string& path) const override { mulrin::write_json(*last_run_, path); }
  bool has_map() const override { return true; }
  frame::HeatMap map() const override;
  const LastRun* last_run() const { return last_run_.get(); }

  // The end of a completed Calculate run: the analysis and the report's
  // values replace the kept ones.
  void keep_last_run(std::unique_ptr<BlockAnalysis> analysis, const ReportSource& source,
                     float threshold);
  const Constants& constants() const { return constants_; }

  const std::string& text(frame::ControlRef control) const { return form_.text(control); }
  void set_text(frame::ControlRef control, std::string text) {
    form_.set_text(control, std::move(text));
  }

  // Whether Calculate may count and load the data in one reading of the file
  // when its tables allow (see calculate.cpp); off, it always reads twice.
  // Both ways write the same report.
  bool one_reading = true;

  // Control variables, bound by name at start-up.
  frame::ControlRef EDIT1, EDIT2, EDIT3, EDIT4, EDIT5, EDIT6, EDIT7, EDIT8, EDIT9,
      EDIT10, EDIT11;
  frame::ControlRef TEXT6, TEXT8, TEXT14, TEXT15;

 private:
  frame::Form form_;
  frame::FileTable files_;
  frame::FileDialogs& dialogs_;
  Constants constants_;
  std::unique_ptr<LastRun> last_run_;
};

// The program's factory for frame::program_main.
std::unique_ptr<frame::Program> make_app(frame::FileDialogs& dialogs, frame::Surface& surface);

// ---- handlers -----------------------------------------------------------------

void BUTTON1_ON(App& app);   // LOAD: settings file into EDIT1..EDIT10
void BUTTON2_ON(App& app);   // SAVE: EDIT1..EDIT10 into a settings file
void BUTTON3_ON(App& app);   // Refer: the data file
void BUTTON4_ON(App& app);   // Check Data: count and range of the corrected data
void BUTTON5_ON(App& app);   // Refer: the report file
void BUTTON6_ON(App& app);   // Calculate: the block analysis and its report
void BUTTON7_ON(App& app);   // Refer: the subtract file
void EDIT5_CHANGE(App& app);  // FFT length and resolution labels
void EDIT7_CHANGE(App& app);  // resolution label

// The resolution text of a bin spacing of r degrees per cycle, without its
// "Resol=" head: "0deg", "0.35156deg", "126.5625deg" (see labels.cpp).
std::string resolution_text(double r);

}  // namespace mulrin
