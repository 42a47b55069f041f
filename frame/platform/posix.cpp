// The platform calls on POSIX systems.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "frame/platform/platform.h"

namespace frame::platform {

int create_for_writing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
  return fd >= 0 ? fd : -errno;
}

int write_all(int handle, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(handle, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int close_handle(int handle) {
  if (::close(handle) != 0 && errno != EINTR) return errno;
  return 0;
}

}  // namespace frame::platform
