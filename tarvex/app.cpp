#include "tarvex/app.h"

#include <cmath>

#include "frame/numtext.h"
#include "frame/settings.h"
#include "tarvex/dcmdsp.h"
#include "tarvex/form_table.h"

namespace tarvex {

App::App(frame::FileDialogs& dialogs, frame::Surface& surface)
    : form_(kForm), dialogs_(dialogs), surface_(surface) {
  form_.bind_handlers({
      {"BUTTON1_ON", [this] { BUTTON1_ON(); }},
      {"BUTTON2_ON", [this] { BUTTON2_ON(); }},
      {"BUTTON3_ON", [this] { BUTTON3_ON(); }},
      {"BUTTON4_ON", [this] { BUTTON4_ON(); }},
      {"BUTTON5_ON", [this] { BUTTON5_ON(); }},
      {"BUTTON6_ON", [this] { BUTTON6_ON(); }},
      {"BUTTON7_ON", [this] { BUTTON7_ON(); }},
  });

  // Start-up: the constants, then the control variables by name.
  tan_30_ = std::tan(frame::kPi / 6);
  EDIT1 = form_.bind("EDIT1");
  EDIT2 = form_.bind("EDIT2");
  EDIT3 = form_.bind("EDIT3");
  EDIT4 = form_.bind("EDIT4");
  EDIT5 = form_.bind("EDIT5");
  EDIT6 = form_.bind("EDIT6");
  EDIT7 = form_.bind("EDIT7");
  EDIT8 = form_.bind("EDIT8");
  EDIT9 = form_.bind("EDIT9");
  EDIT10 = form_.bind("EDIT10");
  EDIT11 = form_.bind("EDIT11");
  EDIT12 = form_.bind("EDIT12");
  EDIT13 = form_.bind("EDIT13");
  TEXT5 = form_.bind("TEXT5");
}

RunSettings App::read_run_settings() {
  RunSettings s;
  s.data_path = text(EDIT4);
  s.comment_mark = text(EDIT1);
  s.from = frame::to_single(frame::val(text(EDIT2)));
  s.letters = frame::to_single(frame::val(text(EDIT3)));
  s.subtract_path = text(EDIT13);
  s.samples_per_cycle = frame::val(text(EDIT5));
  s.origin = frame::checked(frame::val(text(EDIT6)) * s.samples_per_cycle);
  s.angular_step = angular_step(frame::val(text(EDIT10)), s.samples_per_cycle);
  return s;
}

void App::set_result_line(double phase, double swing) {
  std::string line = DCMDSP(phase);
  line += "deg";
  line += ",";
  line += DCMDSP(swing);
  form_.set_text(EDIT12, std::move(line));
}

void App::keep_last_run(const RunSettings& s, std::vector<KeptInterval> intervals,
                        const CycleTransform& transform, const IntervalSeries& series,
                        const std::optional<PoleResult>& pole) {
  LastRun run;
  using frame::Kind;
  const std::pair<frame::ControlRef, std::optional<Kind>> fields[] = {
      {EDIT4, {}},           {EDIT1, {}},           {EDIT2, Kind::Single}, {EDIT3, Kind::Single},
      {EDIT13, {}},          {EDIT5, Kind::Double}, {EDIT6, Kind::Double}, {EDIT10, Kind::Double},
      {EDIT8, Kind::Double}, {EDIT9, {}},           {EDIT11, Kind::Single}};
  for (const auto& [field, kind] : fields) {
    run.settings[frame::field_key(form_, field)] =
        kind ? frame::field_json(form_, field, *kind) : frame::field_json(form_, field);
  }
  run.data_path = s.data_path;
  run.subtract_path = s.subtract_path;
  run.report_path = text(EDIT9);
  run.samples = transform.sample_counter;
  run.intervals = std::move(intervals);
  for (std::size_t i = 0; i < run.intervals.size(); ++i)
    run.intervals[i].vector = series.table()[i];
  run.file_swing = transform.file_swing();
  run.file_phase = transform.file_phase();
  run.stats = series.stats();
  run.differences = series.differences();
  run.pole = pole;
  last_run_ = std::move(run);
}

// ---- LOAD and the Refer buttons ---------------------------------------------

void App::BUTTON1_ON() {
  const auto path = frame::choose_file(dialogs_, frame::DialogKind::Open, "Load Setting Data",
                                       "*.ini", "Setting Data(*.ini)");
  if (!path) return;
  // Lines 1..10 of the shared settings file; 5, 6, 8 and 9 are read and dropped.
  const frame::SettingsMap map = {EDIT2,        EDIT3, EDIT1,        EDIT4,        std::nullopt,
                                  std::nullopt, EDIT5, std::nullopt, std::nullopt, EDIT6};
  frame::load_settings(form_, files_, *path, map);
}

void App::BUTTON2_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)",
               EDIT4);
}

void App::BUTTON6_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Save, "Output File", "tarvex.txt",
               "Output File(*.*)", EDIT9);
}

void App::BUTTON7_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Open, "Data for Subtract", "*.*",
               "Subtract File(*.*)", EDIT13);
}

std::unique_ptr<frame::Program> make_app(frame::FileDialogs& dialogs, frame::Surface& surface) {
  return std::make_unique<App>(dialogs, surface);
}

}  // namespace tarvex
