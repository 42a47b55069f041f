// What every harness shares: the table of run-time error codes, a check that
// stops the run with a message, and an input file held in memory.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frame/errors.h"

namespace fuzz {

// Every code an operation of the tools may raise.
inline bool is_table_code(int code) {
  static constexpr int kCodes[] = {5,  6,  7,  9,  10, 11, 13, 15, 27, 28, 50, 51,
                                   52, 54, 55, 57, 58, 59, 60, 61, 63, 64, 66, 67,
                                   71, 72, 73, 75, 1000, 1002, 1013};
  return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

// A property that must hold; a violation is a finding.
[[noreturn]] inline void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "PROPERTY VIOLATED: %s\n  %s\n", what, detail.c_str());
  std::abort();
}
[[noreturn]] inline void fail(const char* what) { fail(what, std::string()); }

// Checks a property; the details (often long texts) are built only when it
// does not hold.
#define FUZZ_REQUIRE(holds, ...)          \
  do {                                    \
    if (!(holds)) ::fuzz::fail(__VA_ARGS__); \
  } while (0)

// A raised error must carry a code of the table, and for the operation at
// hand one of the codes it is documented to raise.
template <std::size_t N>
void require_code(const frame::RuntimeError& e, const int (&allowed)[N], const char* operation) {
  FUZZ_REQUIRE(is_table_code(e.code()), "error code outside the table", operation);
  FUZZ_REQUIRE(std::find(std::begin(allowed), std::end(allowed), e.code()) != std::end(allowed),
               "unexpected error code", std::string(operation) + ": " + std::to_string(e.code()));
}

// Bytes shown readably in a message.
inline std::string show(std::string_view bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127 && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  return out + "\"";
}

// An input file that lives in memory: its path (/proc/self/fd/N) opens like a
// disk file, so the file layer reads it without touching the disk.
class MemoryFile {
 public:
  MemoryFile() {
    fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0) fail("memfd_create", "no memory file");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  void set(std::string_view bytes) {
    if (::ftruncate(fd_, 0) != 0) fail("ftruncate", path_);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                 static_cast<off_t>(done));
      if (n <= 0) fail("pwrite", path_);
      done += static_cast<std::size_t>(n);
    }
  }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace fuzz
