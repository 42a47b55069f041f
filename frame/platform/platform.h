// The few operating-system services the tools need beyond the standard
// library, behind a small portable interface. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace frame::platform {

// The arguments of the command line after the program's name, UTF-8.
std::vector<std::string> arguments(int argc, char** argv);

// Bytes of physical memory, or 0 when the system does not say.
double physical_memory_bytes();

// The smallest of the process's address-space and data-size limits in bytes,
// or infinity when neither is set.
double address_space_limit();

// The size in bytes of the file at `path` when it is a regular file; nothing
// for a pipe, a device, a folder or a path that does not exist.
std::optional<std::uint64_t> file_size_if_regular(const std::string& path);

// A zero-filled table on whole pages of its own. Pages are taken from the
// system only when first written, and large pages are asked for where the
// system has them. A table that cannot be had is empty (data() is null):
// the caller decides what that means, so no error is raised here.
class PageTable {
 public:
  PageTable() = default;
  explicit PageTable(std::size_t bytes) noexcept;
  ~PageTable();
  PageTable(PageTable&& other) noexcept;
  PageTable& operator=(PageTable&& other) noexcept;
  PageTable(const PageTable&) = delete;
  PageTable& operator=(const PageTable&) = delete;

  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }

 private:
  void* data_ = nullptr;
  std::size_t bytes_ = 0;
};

// Creates the file, or empties an existing one, for writing: a handle >= 0,
// or minus the system's error number.
int create_for_writing(const std::string& path);

// Writes every byte: 0, or the system's error number.
int write_all(int handle, const char* data, std::size_t size);

// Closes the handle: 0, or the system's error number.
int close_handle(int handle);

// The local calendar time of a moment.
std::tm local_time(std::time_t moment);

}  // namespace frame::platform
