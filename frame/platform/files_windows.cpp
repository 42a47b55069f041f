// The file services on Windows. The file table works with the C runtime's
// numbered handles; each is made from a Win32 file handle opened here, so
// that a file being read may still be renamed or deleted by others, as on
// other systems. Paths are UTF-8 in the program and UTF-16 at the system.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/platform/files.h"
#include "frame/platform/windows_text.h"

namespace frame::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE system_handle(int handle) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(handle));
}

FileIdentity identity_of_system(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return {};
  return {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

// Opens a Win32 handle and hands it to the C runtime; -1 with errno set from
// the system's error when either refuses.
int numbered(HANDLE h, int flags) {
  if (h == INVALID_HANDLE_VALUE) {
    errno = errno_of_system_error(GetLastError());
    return -1;
  }
  const int handle = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (handle < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return handle;
}

HANDLE open_system(const std::string& path, DWORD access, DWORD creation) {
  return CreateFileW(wide_text(path).c_str(), access, kShareAll, nullptr, creation,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

FileIdentity identity_of(const std::string& path) {
  if (path.empty()) return {};
  const HANDLE h = open_system(path, 0, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return {};
  const FileIdentity identity = identity_of_system(h);
  CloseHandle(h);
  return identity;
}

FileIdentity identity_of_handle(int handle) {
  const HANDLE h = system_handle(handle);
  return h == INVALID_HANDLE_VALUE ? FileIdentity{} : identity_of_system(h);
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.known && a == b;
}

PathKind kind_of(const std::string& path) {
  if (path.empty()) return PathKind::Missing;
  const DWORD attributes = GetFileAttributesW(wide_text(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::Other;
  return PathKind::Regular;
}

std::string followed_path(const std::string& path) {
  if (kind_of(path) != PathKind::Link) return path;
  const HANDLE h = open_system(path, 0, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::wstring target(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, target.data(), static_cast<DWORD>(target.size()), 0);
  if (n >= target.size()) {
    target.resize(n + 1);
    n = GetFinalPathNameByHandleW(h, target.data(), static_cast<DWORD>(target.size()), 0);
  }
  CloseHandle(h);
  if (n == 0 || n >= target.size()) return {};
  target.resize(n);
  // The final path comes in its long form, \\?\C:\...
  if (target.rfind(L"\\\\?\\", 0) == 0) target.erase(0, 4);
  return utf8_text(target);
}

bool is_fifo(const std::string&) {
  return false;  // a pipe is no name in a folder here; a pipe handle is a stream
}

bool is_stream(int handle) {
  return GetFileType(system_handle(handle)) != FILE_TYPE_DISK;
}

bool is_device(int handle) {
  return GetFileType(system_handle(handle)) == FILE_TYPE_CHAR;
}

int spool_to_temporary(int handle, int& error) {
  std::wstring folder(MAX_PATH + 1, L'\0');
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  std::wstring name(MAX_PATH + 1, L'\0');
  if (length == 0 || length > MAX_PATH ||
      GetTempFileNameW(folder.c_str(), L"spl", 0, name.data()) == 0) {
    error = errno_of_system_error(GetLastError());
    return -1;
  }
  // Deleted when the last handle to it closes.
  const HANDLE h =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  const int spool = numbered(h, _O_RDWR);
  if (spool < 0) {
    error = errno;
    return -1;
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const int got = _read(handle, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (got == 0) break;
    if (got < 0) {
      error = errno;
      _close(spool);
      return -1;
    }
    for (int done = 0; done < got;) {
      const int put = _write(spool, buffer.data() + done, static_cast<unsigned>(got - done));
      if (put <= 0) {
        error = put < 0 ? errno : ENOSPC;
        _close(spool);
        return -1;
      }
      done += put;
    }
  }
  _lseeki64(spool, 0, SEEK_SET);
  return spool;
}

bool try_lock(int handle, int& error) {
  OVERLAPPED at{};
  if (LockFileEx(system_handle(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                 MAXDWORD, MAXDWORD, &at))
    return true;
  error = errno_of_system_error(GetLastError());
  return false;
}

void prepare_process() {
  // No file-size signal here, and a closed standard stream stays closed: a
  // file opened later never takes its number.
}

std::string home_folder() {
  for (const char* name : {"HOME", "USERPROFILE"}) {
    const char* home = std::getenv(name);
    if (home && *home) return home;
  }
  return {};
}

int open_for_reading(const std::string& path, bool) {
  return numbered(open_system(path, GENERIC_READ, OPEN_EXISTING), _O_RDONLY);
}

int create_new_for_writing(const std::string& path) {
  return numbered(open_system(path, GENERIC_WRITE, CREATE_NEW), _O_WRONLY);
}

int open_device_for_writing(const std::string& path) {
  return numbered(open_system(path, GENERIC_WRITE, OPEN_EXISTING), _O_WRONLY);
}

bool is_character_device(const std::string& path) {
  const HANDLE h = open_system(path, 0, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool character = GetFileType(h) == FILE_TYPE_CHAR;
  CloseHandle(h);
  return character;
}

bool handle_info(int handle, HandleInfo& info) {
  const HANDLE h = system_handle(handle);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  info = {};
  if (GetFileType(h) != FILE_TYPE_DISK) return true;
  BY_HANDLE_FILE_INFORMATION file;
  if (!GetFileInformationByHandle(h, &file)) {
    errno = errno_of_system_error(GetLastError());
    return false;
  }
  info.folder = (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.regular = !info.folder;
  info.size = (static_cast<std::uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
  return true;
}

void make_blocking(int) {}

void advise_sequential(int) {}

int duplicate_handle(int handle) {
  return _dup(handle);
}

long read_some(int handle, void* to, std::size_t count) {
  return _read(handle, to, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}

long read_at(int handle, void* to, std::size_t count, std::uint64_t offset) {
  if (_lseeki64(handle, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  return read_some(handle, to, count);
}

long write_some(int handle, const void* data, std::size_t count) {
  return _write(handle, data, static_cast<unsigned>(std::min<std::size_t>(count, INT_MAX)));
}

void close_quietly(int handle) {
  _close(handle);
}

NameInfo name_info(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(wide_text(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  const bool other = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                    FILE_ATTRIBUTE_DEVICE)) != 0;
  return {
      .found = true, .regular = !other, .writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0};
}

int remove_name(const std::string& path) {
  if (DeleteFileW(wide_text(path).c_str())) return 0;
  errno = errno_of_system_error(GetLastError());
  return -1;
}

}  // namespace frame::platform
