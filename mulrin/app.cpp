// Start-up of mulrin, its handler table and the small handlers that only
// move a path between a file dialog and a field or the settings file.
#include "mulrin/app.h"

#include <memory>
#include <optional>

#include "frame/settings.h"
#include "mulrin/form_table.h"
#include "mulrin/swing_map.h"

namespace mulrin {

App::App(frame::FileDialogs& dialogs) : form_(kForm), dialogs_(dialogs) {
  form_.bind_handlers({
      {"BUTTON1_ON", [this] { BUTTON1_ON(*this); }},
      {"BUTTON2_ON", [this] { BUTTON2_ON(*this); }},
      {"BUTTON3_ON", [this] { BUTTON3_ON(*this); }},
      {"BUTTON4_ON", [this] { BUTTON4_ON(*this); }},
      {"BUTTON5_ON", [this] { BUTTON5_ON(*this); }},
      {"BUTTON6_ON", [this] { BUTTON6_ON(*this); }},
      {"BUTTON7_ON", [this] { BUTTON7_ON(*this); }},
      {"EDIT5_CHANGE", [this] { EDIT5_CHANGE(*this); }},
      {"EDIT7_CHANGE", [this] { EDIT7_CHANGE(*this); }},
  });
  // The start-up code: constants first (see Constants), then the control
  // variables, by name.
  constants_ = Constants{};
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

// The settings file's ten lines are the texts of EDIT1 .. EDIT10, in order.
frame::SettingsMap settings_map(const App& app) {
  return {app.EDIT1, app.EDIT2, app.EDIT3, app.EDIT4, app.EDIT5,
          app.EDIT6, app.EDIT7, app.EDIT8, app.EDIT9, app.EDIT10};
}

}  // namespace

void BUTTON1_ON(App& app) {
  const std::optional<std::string> path = frame::choose_file(
      app.dialogs(), frame::DialogKind::Open, "Load Setting Data", "*.ini", kSettingsFilter);
  if (!path) return;
  frame::load_settings(app.form(), app.files(), *path, settings_map(app));
}

void BUTTON2_ON(App& app) {
  const std::optional<std::string> path = frame::choose_file(
      app.dialogs(), frame::DialogKind::Save, "Save Setting Data", "setting.ini", kSettingsFilter);
  if (!path) return;
  frame::save_settings(app.form(), app.files(), *path, settings_map(app));
}

void BUTTON3_ON(App& app) {
  frame::refer(app.form(), app.dialogs(), frame::DialogKind::Open, "Data for FFT", "*.*",
               "Data File(*.*)", app.EDIT4);
}

void BUTTON5_ON(App& app) {
  frame::refer(app.form(), app.dialogs(), frame::DialogKind::Save, "Output File", "mulrin.txt",
               "Output File(*.*)", app.EDIT9);
}

void App::keep_last_run(std::unique_ptr<BlockAnalysis> analysis, const ReportSource& source,
                        float threshold) {
  auto run = std::make_unique<LastRun>();
  using frame::Kind;
  const std::pair<frame::ControlRef, std::optional<Kind>> fields[] = {
      {EDIT4, {}},           {EDIT3, {}},           {EDIT1, Kind::Single}, {EDIT2, Kind::Single},
      {EDIT5, Kind::Single}, {EDIT6, Kind::Single}, {EDIT7, Kind::Double}, {EDIT10, Kind::Double},
      {EDIT8, Kind::Single}, {EDIT11, {}},          {EDIT9, {}}};
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
  run->angles = Angles{constants_.pi, constants_.two_pi, constants_.degrees_per_radian};
  run->analysis = std::move(analysis);
  last_run_ = std::move(run);
}

frame::HeatMap App::map() const { return swing_map(*last_run_); }

void BUTTON7_ON(App& app) {
  frame::refer(app.form(), app.dialogs(), frame::DialogKind::Open, "Data for Subtract", "*.*",
               "Subtract File(*.*)", app.EDIT11);
}

}  // namespace mulrin
