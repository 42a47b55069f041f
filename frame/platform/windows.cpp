// The platform services on Windows: memory, the page tables of large
// analyses, whole-file writing, and the text and error conversions the file
// services share.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

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

int errno_of_system_error(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EIO;
  }
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
  if (h == INVALID_HANDLE_VALUE) return -errno_of_system_error(GetLastError());
  const int handle = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (handle < 0) {
    CloseHandle(h);
    return -EMFILE;
  }
  return handle;
}

int write_all(int handle, const char* data, std::size_t size) {
  while (size > 0) {
    const unsigned part = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
    const int n = _write(handle, data, part);
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int close_handle(int handle) {
  return _close(handle) != 0 ? errno : 0;
}

std::tm local_time(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace frame::platform
