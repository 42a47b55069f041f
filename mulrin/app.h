// The mulrin program: its form, its open files and dialogs, the control
// variables bound by name at start-up, and its event handlers.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "frame/dialogs.h"
#include "frame/export.h"
#include "frame/form.h"
#include "frame/program.h"
#include "frame/settings.h"
#include "frame/surface.h"
#include "frame/textfile.h"
#include "mulrin/blocks.h"
#include "mulrin/export.h"
#include "mulrin/report.h"

namespace mulrin {

class App : public frame::Program, public frame::Exports {
 public:
  // Builds the form, binds the handlers and the control variables (a
  // missing control is error 1013).
  explicit App(frame::FileDialogs& dialogs);

  frame::Form& form() override { return form_; }
  frame::FileTable& files() override { return files_; }
  frame::Exports* exports() override { return this; }

  // The exports and the swing map of the last completed Calculate run.
  bool has_run() const override { return last_run_ != nullptr; }
  std::string_view run_name() const override { return "Calculate"; }
  void write_csv(const std::string& path) const override { mulrin::write_csv(*last_run_, path); }
  void write_json(const std::string& path) const override { mulrin::write_json(*last_run_, path); }
  bool has_map() const override { return true; }
  frame::HeatMap map() const override;
  const LastRun* last_run() const { return last_run_.get(); }

  // The handlers, bound by name.
  void BUTTON1_ON();    // LOAD: settings file into EDIT1..EDIT10
  void BUTTON2_ON();    // SAVE: EDIT1..EDIT10 into a settings file
  void BUTTON3_ON();    // Refer: the data file
  void BUTTON4_ON();    // Check Data: count and range of the corrected data
  void BUTTON5_ON();    // Refer: the report file
  void BUTTON6_ON();    // Calculate: the block analysis and its report
  void BUTTON7_ON();    // Refer: the subtract file
  void EDIT5_CHANGE();  // FFT length and resolution labels
  void EDIT7_CHANGE();  // resolution label

 private:
  const std::string& text(frame::ControlRef control) const { return form_.text(control); }
  void set_text(frame::ControlRef control, std::string text) {
    form_.set_text(control, std::move(text));
  }
  // A field's number held in a single.
  float single_field(frame::ControlRef field, frame::Where where = frame::Where::current()) const;
  // The settings file's ten lines are the texts of EDIT1 .. EDIT10, in order.
  frame::SettingsMap settings_map() const;
  // r = c / N * 360 with N = 2^E, c from EDIT7.
  double resolution(double length) const;
  // TEXT6: "Number of Data:" and the count in the single-precision free form.
  void show_count(std::int64_t count);
  // The end of a completed Calculate run: the analysis and the report's
  // values replace the kept ones.
  void keep_last_run(std::unique_ptr<BlockAnalysis> analysis, const ReportSource& source,
                     float threshold);

  frame::Form form_;
  frame::FileTable files_;
  frame::FileDialogs& dialogs_;

  // Control variables, bound by name at start-up.
  frame::ControlRef EDIT1, EDIT2, EDIT3, EDIT4, EDIT5, EDIT6, EDIT7, EDIT8, EDIT9, EDIT10, EDIT11;
  frame::ControlRef TEXT6, TEXT8, TEXT14, TEXT15;

  std::unique_ptr<LastRun> last_run_;
};

// The program's factory for frame::program_main.
std::unique_ptr<frame::Program> make_app(frame::FileDialogs& dialogs, frame::Surface& surface);

// The resolution text of a bin spacing of r degrees per cycle, without its
// "Resol=" head: "0deg", "0.35156deg", "126.5625deg" (see labels.cpp).
std::string resolution_text(double r);

}  // namespace mulrin
