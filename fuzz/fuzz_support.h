// What every harness shares: the table of run-time error codes, a check that
// stops the run with a message, and an input file held in memory.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

#include "frame/errors.h"

namespace fuzz {

// Every code an operation of the tools may raise: the codes of the catalogue.
inline bool is_table_code(int code) {
  return !frame::catalogue_text(code).empty();
}

// A property that must hold; a violation is a finding. The detail (often a
// long text) is built only when the property does not hold.
[[noreturn]] inline void fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "PROPERTY VIOLATED: %s\n  %s\n", what, detail.c_str());
  std::abort();
}
#define FUZZ_REQUIRE(holds, ...)             \
  do {                                       \
    if (!(holds)) ::fuzz::fail(__VA_ARGS__); \
  } while (0)

// A raised error must carry a code of the table, and one of the codes the
// operation at hand is documented to raise.
inline void require_code(const frame::RuntimeError& e, std::initializer_list<int> allowed,
                         const char* operation) {
  FUZZ_REQUIRE(is_table_code(e.code()) &&
                   std::find(allowed.begin(), allowed.end(), e.code()) != allowed.end(),
               "unexpected error code", std::string(operation) + ": " + std::to_string(e.code()));
}

// The code of the run-time error an action raises, or 0; with `allowed`
// given, the code must be one of them.
template <class Action>
int raised(Action&& action, std::initializer_list<int> allowed = {}, const char* operation = "") {
  try {
    action();
  } catch (const frame::RuntimeError& e) {
    if (allowed.size() != 0) require_code(e, allowed, operation);
    return e.code();
  }
  return 0;
}

// Bytes shown readably in a message.
inline std::string show(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    char buf[8];
    std::snprintf(buf, sizeof buf, c >= 32 && c < 127 && c != '"' && c != '\\' ? "%c" : "\\x%02x",
                  c);
    out += buf;
  }
  return out + "\"";
}
inline std::string show(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// An input file that lives in memory: its path (/proc/self/fd/N) opens like a
// disk file, so the file layer reads it without touching the disk.
class MemoryFile {
 public:
  MemoryFile()
      : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)),
        path_("/proc/self/fd/" + std::to_string(fd_)) {
    if (fd_ < 0) fail("memfd_create");
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  void set(std::string_view bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
      fail("writing the memory file", path_);
  }
  const std::string& path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace fuzz
