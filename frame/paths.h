// Paths are UTF-8 text everywhere in the program. std::filesystem takes and
// gives them as UTF-8 here: its plain string form is the system's code page
// on Windows, which would mangle a name that is not ASCII.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace frame {

inline std::filesystem::path utf8_path(std::string_view text) {
  try {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
  } catch (const std::exception&) {
    // Bytes that are no UTF-8 (a name from a settings file written in the
    // system's code page) are read in that code page. Only where names are
    // UTF-16 (Windows) can this happen: elsewhere every byte string converts.
    return std::filesystem::path(std::string(text));
  }
}

inline std::string utf8_string(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace frame
