// The few operating-system calls the frame makes outside its text file layer,
// behind small portable functions. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace frame::platform {

// Creates the file, or empties an existing one, for writing: a handle >= 0,
// or minus the system's error number.
int create_for_writing(const std::string& path);

// Writes every byte: 0, or the system's error number.
int write_all(int handle, const char* data, std::size_t size);

// Closes the handle: 0, or the system's error number.
int close_handle(int handle);

}  // namespace frame::platform
