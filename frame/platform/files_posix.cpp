// The file and process functions of files.h on POSIX systems.
#include "frame/platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace frame::platform {

namespace {

FileIdentity identity(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), true};
}

}  // namespace

FileIdentity identity_of(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
  return identity(st);
}

FileIdentity identity_of_handle(int handle) {
  struct stat st {};
  if (::fstat(handle, &st) != 0) return {};
  return identity(st);
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.known && a == b;
}

PathKind kind_of(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::Regular;
  if (S_ISDIR(st.st_mode)) return PathKind::Folder;
  if (S_ISLNK(st.st_mode)) return PathKind::Link;
  return PathKind::Other;
}

std::string followed_path(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    if (kind_of(at) != PathKind::Link) return at;
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = ::readlink(at.c_str(), target.data(), PATH_MAX);
    if (n < 0) return {};
    std::string next(target.data(), static_cast<std::size_t>(n));
    if (!next.starts_with('/')) {
      // Relative to the folder that holds the link.
      const std::size_t slash = at.rfind('/');
      next = (slash == std::string::npos ? std::string() : at.substr(0, slash + 1)) + next;
    }
    at = std::move(next);
  }
  return {};
}

bool is_fifo(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

bool is_device_name(const std::string&) {
  return false;
}

bool is_stream(int handle) {
  struct stat st {};
  if (::fstat(handle, &st) != 0) return false;
  // Files of the kernel's own folders say 0 bytes and yet hold text.
  return !S_ISREG(st.st_mode) || st.st_size == 0;
}

bool is_device(int handle) {
  struct stat st {};
  return ::fstat(handle, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode));
}

int spool_to_temporary(int handle, int& error) {
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder && *folder ? folder : "/tmp") + "/spool-XXXXXX";
  const int spool = ::mkstemp(name.data());
  if (spool < 0) {
    error = errno;
    return -1;
  }
  ::unlink(name.c_str());
  ::fcntl(spool, F_SETFD, FD_CLOEXEC);
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = ::read(handle, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = errno;
      ::close(spool);
      return -1;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(spool, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        error = put < 0 ? errno : ENOSPC;
        ::close(spool);
        return -1;
      }
      done += put;
    }
  }
  return spool;
}

bool try_lock(int handle, int& error) {
  while (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    error = errno;
    return false;
  }
  return true;
}

void prepare_process() {
  ::signal(SIGXFSZ, SIG_IGN);
  for (int stream = 0; stream <= 2; ++stream) {
    if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    // Read-only: a write to an output stream that was closed still fails.
    const int taken = ::open("/dev/null", O_RDONLY);
    if (taken >= 0 && taken != stream) {
      ::dup2(taken, stream);
      ::close(taken);
    }
  }
}

std::string home_folder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) : std::string();
}

int error_number(Failure failure) {
  switch (failure) {
    case Failure::NotFound:
      return ENOENT;
    case Failure::IsFolder:
      return EISDIR;
    case Failure::DiskFull:
      return ENOSPC;
    case Failure::AccessDenied:
      break;
  }
  return EACCES;
}

int open_for_reading(const std::string& path, bool wait_for_writer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (wait_for_writer ? 0 : O_NONBLOCK));
  return fd >= 0 ? fd : -errno;
}

int create_new_for_writing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd >= 0 ? fd : -errno;
}

int open_device_for_writing(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  return fd >= 0 ? fd : -errno;
}

bool is_character_device(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

int handle_info(int handle, HandleInfo& info) {
  struct stat st {};
  if (::fstat(handle, &st) != 0) return errno;
  info.folder = S_ISDIR(st.st_mode);
  info.regular = S_ISREG(st.st_mode);
  info.size = static_cast<std::uint64_t>(st.st_size);
  return 0;
}

void make_blocking(int handle) {
  const int flags = ::fcntl(handle, F_GETFL);
  if (flags != -1) ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK);
}

void advise_sequential(int handle) {
  ::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
}

int duplicate_handle(int handle) {
  return ::dup(handle);
}

long read_some(int handle, void* to, std::size_t count) {
  for (;;) {
    const ssize_t n = ::read(handle, to, count);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

long read_at(int handle, void* to, std::size_t count, std::uint64_t offset) {
  for (;;) {
    const ssize_t n = ::pread(handle, to, count, static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

long write_some(int handle, const void* data, std::size_t count) {
  for (;;) {
    const ssize_t n = ::write(handle, data, count);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

void close_quietly(int handle) {
  ::close(handle);
}

NameInfo name_info(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return {};
  return {.found = true, .regular = S_ISREG(st.st_mode), .writable = (st.st_mode & 0222) != 0};
}

int remove_name(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace frame::platform
