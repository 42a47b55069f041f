// Start-up of mulrin, its handler table and the small handlers that only
// move a path between a file dialog and a field or the settings file.
#include "mulrin/app.h"

#include <memory>
#include <optional>

#include "frame/constants.h"
#include "frame/numtext.h"
#include "mulrin/form_table.h"
#include "mulrin/swing_map.h"

namespace mulrin {

App::App(frame::FileDialogs& dialogs) : form_(kForm), dialogs_(dialogs) {
  form_.bind_handlers({
      {"BUTTON1_ON", [this] { BUTTON1_ON(); }},
      {"BUTTON2_ON", [this] { BUTTON2_ON(); }},
      {"BUTTON3_ON", [this] { BUTTON3_ON(); }},
      {"BUTTON4_ON", [this] { BUTTON4_ON(); }},
      {"BUTTON5_ON", [this] { BUTTON5_ON(); }},
      {"BUTTON6_ON", [this] { BUTTON6_ON(); }},
      {"BUTTON7_ON", [this] { BUTTON7_ON(); }},
      {"EDIT5_CHANGE", [this] { EDIT5_CHANGE(); }},
      {"EDIT7_CHANGE", [this] { EDIT7_CHANGE(); }},
  });
  // The start-up code binds the control variables by name; the angle
  // constants are frame/constants.h.
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
  TEXT6 = form_.bind("TEXT6");
  TEXT8 = form_.bind("TEXT8");
  TEXT14 = form_.bind("TEXT14");
  TEXT15 = form_.bind("TEXT15");
}

std::unique_ptr<frame::Program> make_app(frame::FileDialogs& dialogs, frame::Surface&) {
  return std::make_unique<App>(dialogs);
}

namespace {
constexpr std::string_view kSettingsFilter = "Setting Data(*.ini)";
}  // namespace

float App::single_field(frame::ControlRef field, frame::Where where) const {
  return frame::to_single(frame::val(text(field), where), where);
}

frame::SettingsMap App::settings_map() const {
  return {EDIT1, EDIT2, EDIT3, EDIT4, EDIT5, EDIT6, EDIT7, EDIT8, EDIT9, EDIT10};
}

void App::show_count(std::int64_t count) {
  // Counted exactly (a single-precision count would stop at 16,777,216
  // lines), shown through the single-precision free form.
  set_text(TEXT6,
           "Number of Data:" + frame::free_form(static_cast<double>(count), frame::Kind::Single));
}

void App::BUTTON1_ON() {
  const std::optional<std::string> path = frame::choose_file(
      dialogs_, frame::DialogKind::Open, "Load Setting Data", "*.ini", kSettingsFilter);
  if (!path) return;
  frame::load_settings(form_, files_, *path, settings_map());
}

void App::BUTTON2_ON() {
  const std::optional<std::string> path = frame::choose_file(
      dialogs_, frame::DialogKind::Save, "Save Setting Data", "setting.ini", kSettingsFilter);
  if (!path) return;
  frame::save_settings(form_, files_, *path, settings_map());
}

void App::BUTTON3_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Open, "Data for FFT", "*.*", "Data File(*.*)",
               EDIT4);
}

void App::BUTTON5_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Save, "Output File", "mulrin.txt",
               "Output File(*.*)", EDIT9);
}

void App::keep_last_run(std::unique_ptr<BlockAnalysis> analysis, const ReportSource& source,
                        float threshold) {
  auto run = std::make_unique<LastRun>();
  using frame::Kind;
  const std::pair<frame::ControlRef, std::optional<Kind>> fields[] = {{EDIT4, {}},
                                                                      {EDIT3, {}},
                                                                      {EDIT1, Kind::Single},
                                                                      {EDIT2, Kind::Single},
                                                                      {EDIT5, Kind::Single},
                                                                      {EDIT6, Kind::Single},
                                                                      {EDIT7, Kind::Double},
                                                                      {EDIT10, Kind::Double},
                                                                      {EDIT8, Kind::Single},
                                                                      {EDIT11, {}},
                                                                      {EDIT9, {}}};
  for (const auto& [field, kind] : fields) {
    run->settings[frame::field_key(form_, field)] =
        kind ? frame::field_json(form_, field, *kind) : frame::field_json(form_, field);
  }
  run->data_path = source.data_path;
  run->subtract_path = source.subtract_path;
  run->report_path = text(EDIT9);
  run->source = source;
  run->source.data_path = run->data_path;
  run->source.subtract_path = run->subtract_path;
  run->threshold = threshold;
  run->analysis = std::move(analysis);
  last_run_ = std::move(run);
}

frame::HeatMap App::map() const {
  return swing_map(*last_run_);
}

void App::BUTTON7_ON() {
  frame::refer(form_, dialogs_, frame::DialogKind::Open, "Data for Subtract", "*.*",
               "Subtract File(*.*)", EDIT11);
}

}  // namespace mulrin
