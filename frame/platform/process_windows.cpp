#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "frame/platform/process.h"
#include "frame/platform/windows_text.h"

namespace frame::platform {

namespace {

// The processes started and not yet waited for, by id.
std::mutex started_mutex;
std::map<long, HANDLE> started;

HANDLE handle_of(long id) {
  std::lock_guard lock(started_mutex);
  const auto it = started.find(id);
  return it == started.end() ? nullptr : it->second;
}

// One argument of a command line, quoted so that the C runtime of the
// program started splits it back into the same word: backslashes are
// doubled only where a quote follows them.
void append_quoted(std::wstring& line, const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    line += c;
    backslashes = 0;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

// A standard stream of the process started: this process's own, none, or a
// new file, inheritable.
HANDLE stream_handle(const std::string& path, DWORD own) {
  if (path.empty()) return GetStdHandle(own);
  if (path == "-") return nullptr;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(wide_text(path).c_str(), GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

long start_process(const ProcessStart& start) {
  std::wstring line;
  for (const std::string& arg : start.args) {
    if (!line.empty()) line += L' ';
    append_quoted(line, wide_text(arg));
  }
  std::wstring block;
  for (const std::string& entry : start.environment) block += wide_text(entry) + L'\0';
  block += L'\0';

  STARTUPINFOW info{};
  info.cb = sizeof info;
  info.dwFlags = STARTF_USESTDHANDLES;
  info.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  info.hStdOutput = stream_handle(start.out_path, STD_OUTPUT_HANDLE);
  info.hStdError = stream_handle(start.err_path, STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  const bool made = info.hStdOutput != INVALID_HANDLE_VALUE &&
                    info.hStdError != INVALID_HANDLE_VALUE &&
                    CreateProcessW(wide_text(start.args.at(0)).c_str(), line.data(), nullptr,
                                   nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                                   start.folder.empty() ? nullptr : wide_text(start.folder).c_str(),
                                   &info, &process);
  for (const auto& [path, handle] :
       {std::pair{&start.out_path, info.hStdOutput}, std::pair{&start.err_path, info.hStdError}})
    if (!path->empty() && *path != "-" && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  if (!made) return -1;
  CloseHandle(process.hThread);
  std::lock_guard lock(started_mutex);
  started[static_cast<long>(process.dwProcessId)] = process.hProcess;
  return static_cast<long>(process.dwProcessId);
}

long run_in_copy(const std::function<int()>&) {
  return -1;
}

ProcessEnd wait_process(long id, bool wait) {
  ProcessEnd end;
  const HANDLE process = handle_of(id);
  DWORD status = 0;
  if (!process || WaitForSingleObject(process, wait ? INFINITE : 0) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process, &status))
    return end;
  end.ended = true;
  end.status = static_cast<int>(status);
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(process, &memory, sizeof memory))
    end.peak_kib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
  CloseHandle(process);
  std::lock_guard lock(started_mutex);
  started.erase(id);
  return end;
}

bool kill_process(long id) {
  const HANDLE process = handle_of(id);
  return process && TerminateProcess(process, 1);
}

void end_like(const ProcessEnd& end) {
  std::exit(end.ended ? end.status : 126);
}

long current_process_id() {
  return static_cast<long>(GetCurrentProcessId());
}

std::vector<std::string> environment() {
  std::vector<std::string> entries;
  wchar_t* const block = GetEnvironmentStringsW();
  for (const wchar_t* e = block; e && *e; e += wcslen(e) + 1) entries.push_back(utf8_text(e));
  if (block) FreeEnvironmentStringsW(block);
  return entries;
}

void set_environment(const std::string& name, const std::optional<std::string>& value) {
  // The C runtime's copy, which getenv reads, and the system's; an empty
  // value removes the variable.
  _wputenv_s(wide_text(name).c_str(), value ? wide_text(*value).c_str() : L"");
}

bool make_fifo(const std::string&) {
  return false;
}

}  // namespace frame::platform
