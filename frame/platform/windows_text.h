// Windows only: paths between the program's UTF-8 and the system's UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace frame::platform {

std::wstring wide_text(const std::string& utf8);
std::string utf8_text(const std::wstring& wide);

}  // namespace frame::platform
