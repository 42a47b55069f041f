// The ten-line settings file.
#include "frame/settings.h"

#include <string>

namespace frame {

namespace {
constexpr int kSettingsFile = 1;
}

void load_settings(Form& form, FileTable& files, std::string_view path, const SettingsMap& map,
                   Where where) {
  files.open("I", kSettingsFile, path, where);
  for (const std::optional<ControlRef>& field : map) {
    // Read whole (commas included); a missing line is 54 with the earlier
    // fields already set. Dropped lines are read all the same.
    const std::string_view line = files.read_line(kSettingsFile, where);
    if (field) form.set_text(*field, std::string(line));
  }
  files.close({kSettingsFile}, where);
}

void save_settings(const Form& form, FileTable& files, std::string_view path,
                   const SettingsMap& map, Where where) {
  create_output(files, kSettingsFile, path, where);
  for (const std::optional<ControlRef>& field : map) {
    const std::string_view text = field ? std::string_view(form.text(*field)) : std::string_view();
    files.write_text(kSettingsFile, text, Sep::EndOfLine, where);
  }
  files.close({kSettingsFile}, where);
}

}  // namespace frame
