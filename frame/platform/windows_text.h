// Windows only: paths between the program's UTF-8 and the system's UTF-16,
// and the system's error numbers as the C library's.
#pragma once

#include <windows.h>

#include <string>

namespace frame::platform {

std::wstring wide_text(const std::string& utf8);
std::string utf8_text(const std::wstring& wide);
// The C library's error number of a system error (ERROR_FILE_NOT_FOUND is
// ENOENT, ...); EIO for one without a counterpart.
int errno_of_system_error(DWORD error);

}  // namespace frame::platform
