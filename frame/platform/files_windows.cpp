// The file services on Windows. The file table works with the C runtime's
// numbered handles; each is made from a Win32 file handle opened here, so
// that a file being read may still be renamed or deleted by others, as on
// other systems. Paths are UTF-8 in the program and UTF-16 at the system.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
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

// Hands an opened Win32 handle to the C runtime: its number, or minus the
// system's error number when the open or the C runtime refused (the C
// runtime only for want of a free number: too many open files).
int numbered(HANDLE h, int flags) {
  if (h == INVALID_HANDLE_VALUE) return -static_cast<int>(GetLastError());
  const int handle = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (handle < 0) {
    CloseHandle(h);
    return -ERROR_TOO_MANY_OPEN_FILES;
  }
  return handle;
}

// Reads from the handle's own position (or at `offset`): the bytes read, 0
// at the end (a pipe whose writer has gone ends so), or minus the error.
long read_system(HANDLE h, void* to, std::size_t count, OVERLAPPED* at) {
  DWORD got = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  if (ReadFile(h, to, want, &got, at)) return static_cast<long>(got);
  const DWORD error = GetLastError();
  if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return 0;
  return -static_cast<long>(error);
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

bool is_device_name(const std::string& path) {
  const std::size_t folder_end = path.find_last_of("\\/:");
  std::string name = path.substr(folder_end == std::string::npos ? 0 : folder_end + 1);
  name.erase(std::min(name.find('.'), name.size()));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (name == device) return true;
  return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
         name[3] >= '1' && name[3] <= '9';
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
    error = static_cast<int>(GetLastError());
    return -1;
  }
  // Deleted when the last handle to it closes.
  const HANDLE h =
      CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  const int spool = numbered(h, _O_RDWR);
  if (spool < 0) {
    error = -spool;
    return -1;
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const long got = read_some(handle, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      error = static_cast<int>(-got);
      _close(spool);
      return -1;
    }
    for (long done = 0; done < got;) {
      const long put =
          write_some(spool, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put <= 0) {
        error = put < 0 ? static_cast<int>(-put) : ERROR_DISK_FULL;
        _close(spool);
        return -1;
      }
      done += put;
    }
  }
  LARGE_INTEGER start{};
  SetFilePointerEx(system_handle(spool), start, nullptr, FILE_BEGIN);
  return spool;
}

bool try_lock(int handle, int& error) {
  OVERLAPPED at{};
  if (LockFileEx(system_handle(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                 MAXDWORD, MAXDWORD, &at))
    return true;
  error = static_cast<int>(GetLastError());
  return false;
}

void prepare_process() {
  // No file-size signal here, and a closed standard stream stays closed: a
  // file opened later never takes its number. Standard output and error
  // carry the program's bytes as they are, as on other systems: no CR is
  // added before a line feed (the error message begins with its own CR LF),
  // and a console shows them as UTF-8.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

std::string home_folder() {
  // The wide environment: a profile folder named in any script arrives whole.
  for (const wchar_t* name : {L"HOME", L"USERPROFILE"}) {
    const wchar_t* home = _wgetenv(name);
    if (home && *home) return utf8_text(home);
  }
  return {};
}

int error_number(Failure failure) {
  switch (failure) {
    case Failure::NotFound:
      return ERROR_FILE_NOT_FOUND;
    case Failure::DiskFull:
      return ERROR_DISK_FULL;
    case Failure::IsFolder:  // what opening a folder as a file gives
    case Failure::AccessDenied:
      break;
  }
  return ERROR_ACCESS_DENIED;
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

int handle_info(int handle, HandleInfo& info) {
  const HANDLE h = system_handle(handle);
  if (h == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  info = {};
  if (GetFileType(h) != FILE_TYPE_DISK) return 0;
  BY_HANDLE_FILE_INFORMATION file;
  if (!GetFileInformationByHandle(h, &file)) return static_cast<int>(GetLastError());
  info.folder = (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info.regular = !info.folder;
  info.size = (static_cast<std::uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
  return 0;
}

void make_blocking(int) {}

void advise_sequential(int) {}

int duplicate_handle(int handle) {
  return _dup(handle);
}

// Reads and writes go to the Win32 handle itself, so that a failure keeps
// the system's own number (the C runtime would leave only its errno).
long read_some(int handle, void* to, std::size_t count) {
  return read_system(system_handle(handle), to, count, nullptr);
}

long read_at(int handle, void* to, std::size_t count, std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return read_system(system_handle(handle), to, count, &at);
}

long write_some(int handle, const void* data, std::size_t count) {
  DWORD put = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
  if (WriteFile(system_handle(handle), data, want, &put, nullptr)) return static_cast<long>(put);
  return -static_cast<long>(GetLastError());
}

void close_quietly(int handle) {
  _close(handle);
}

NameInfo name_info(const std::string& path) {
  if (is_device_name(path)) return {.found = true, .regular = false, .writable = true};
  const DWORD attributes = GetFileAttributesW(wide_text(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  const bool other = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                    FILE_ATTRIBUTE_DEVICE)) != 0;
  return {
      .found = true, .regular = !other, .writable = (attributes & FILE_ATTRIBUTE_READONLY) == 0};
}

int remove_name(const std::string& path) {
  return DeleteFileW(wide_text(path).c_str()) ? 0 : static_cast<int>(GetLastError());
}

}  // namespace frame::platform
