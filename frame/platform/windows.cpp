// The platform services on Windows: memory, the page tables of large
// analyses, whole-file writing, the command line, and the text conversions
// the file services share.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "frame/platform/platform.h"
#include "frame/platform/windows_text.h"

namespace frame::platform {

std::wstring wide_text(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string utf8_text(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                      nullptr, nullptr);
  return utf8;
}

// The C runtime's argv is in the code page of the system, which cannot hold
// every name: the arguments are taken from the UTF-16 command line instead.
std::vector<std::string> arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    if (wide != nullptr) LocalFree(wide);
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  }
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(utf8_text(wide[i]));
  LocalFree(wide);
  return args;
}

double physical_memory_bytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return static_cast<double>(status.ullTotalPhys);
}

double address_space_limit() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return std::numeric_limits<double>::infinity();
  return static_cast<double>(status.ullTotalVirtual);
}

std::optional<std::uint64_t> file_size_if_regular(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide_text(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes &
       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

PageTable::PageTable(std::size_t bytes) noexcept {
  if (bytes == 0) return;
  void* p = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!p) return;
  data_ = p;
  bytes_ = bytes;
}

PageTable::~PageTable() {
  if (data_) VirtualFree(data_, 0, MEM_RELEASE);
}

PageTable::PageTable(PageTable&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

PageTable& PageTable::operator=(PageTable&& other) noexcept {
  if (this != &other) {
    if (data_) VirtualFree(data_, 0, MEM_RELEASE);
    data_ = std::exchange(other.data_, nullptr);
    bytes_ = std::exchange(other.bytes_, 0);
  }
  return *this;
}

int create_for_writing(const std::string& path) {
  const HANDLE h =
      CreateFileW(wide_text(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -static_cast<int>(GetLastError());
  const int handle = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (handle < 0) {
    CloseHandle(h);
    return -ERROR_TOO_MANY_OPEN_FILES;  // the C runtime has no free number
  }
  return handle;
}

int write_all(int handle, const char* data, std::size_t size) {
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(handle));
  while (size > 0) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(h, data, part, &n, nullptr)) return static_cast<int>(GetLastError());
    if (n == 0) return ERROR_DISK_FULL;
    data += n;
    size -= n;
  }
  return 0;
}

// The C runtime closes the handle and frees its number; a refusal of the
// system leaves the Win32 number in _doserrno (a number the C runtime did
// not know is an invalid handle).
int close_handle(int handle) {
  if (_close(handle) == 0) return 0;
  return _doserrno != 0 ? static_cast<int>(_doserrno) : ERROR_INVALID_HANDLE;
}

std::tm local_time(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace frame::platform
