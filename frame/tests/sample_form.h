// A small form for the frame's tests: edit fields (one digits-only with a
// maximum of 4), static texts and buttons, some with aliases.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "frame/form.h"

namespace frame::testing {

inline constexpr std::array<ControlDesc, 9> kSampleControls = {{
    {"EDIT1", ControlKind::Edit, "#", 10, 10, 40, 20, 8, false, "mark"},
    {"EDIT2", ControlKind::Edit, "", 10, 40, 40, 20, 4, true, "from"},
    {"EDIT3", ControlKind::Edit, "", 10, 70, 200, 20, 16, false, "data"},
    {"EDIT4", ControlKind::Edit, "out.txt", 10, 100, 200, 20, 255, false, "report"},
    {"TEXT1", ControlKind::Static, "Mark", 60, 10, 40, 16, 0, false, ""},
    {"TEXT2", ControlKind::Static, "Number of data:0", 10, 130, 200, 16, 0, false, "count"},
    {"BUTTON1", ControlKind::Button, "Refer", 120, 70, 50, 20, 0, false, "refer", ButtonDialog::Open},
    {"BUTTON2", ControlKind::Button, "Check", 120, 40, 50, 20, 0, false, "check"},
    {"BUTTON3", ControlKind::Button, "Calc.", 120, 100, 50, 20, 0, false, ""},
}};

inline constexpr FormDesc kSampleForm = {"sample", 300, 200, "FixedSys", 16, kSampleControls};

// The test process's own temporary folder, removed when the process ends.
inline const std::filesystem::path& temp_folder() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("frame_tests_" + std::to_string(::getpid()));
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } folder;
  return folder.path;
}

// A file in the test's temporary folder, written byte for byte.
inline std::filesystem::path temp_file(std::string_view name, std::string_view bytes) {
  const std::filesystem::path& dir = temp_folder();
  std::filesystem::create_directories(dir);
  const std::filesystem::path path = dir / std::filesystem::path(name);
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                static_cast<std::streamsize>(bytes.size()));
  return path;
}

inline std::string file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace frame::testing
