// The settings file: ten lines, each the unchanged text of one edit field,
// in mulrin's field order.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "frame/errors.h"
#include "frame/form.h"
#include "frame/textfile.h"

namespace frame {

inline constexpr int kSettingsLines = 10;

// For each of the ten lines the field it goes to, or nullopt for a line that
// is read and dropped.
using SettingsMap = std::array<std::optional<ControlRef>, kSettingsLines>;

// Reads ten whole lines from the file on file number 1, setting each mapped
// field as soon as its line is read; a short file is 54 at the missing line.
void load_settings(Form& form, FileTable& files, std::string_view path, const SettingsMap& map,
                   Where where = Where::current());

// Writes the ten mapped fields' texts, one per line, after deleting an old
// file of the path; exactly ten lines and the closing 0x1A.
void save_settings(const Form& form, FileTable& files, std::string_view path,
                   const SettingsMap& map, Where where = Where::current());

}  // namespace frame
