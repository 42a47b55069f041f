// What the file layer and the start-up need of the operating system beyond
// opening, reading and writing: the identity of a file, the kind of a path,
// spooling a stream to a temporary file, an exclusive lock on an open file,
// and the process settings every run starts with. Paths are UTF-8; a handle
// is the system's number of an open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace frame::platform {

// What makes two names the same file: device and file number, whatever the
// names' spelling, links included.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t number = 0;
  bool known = false;  // false: the path names nothing (or cannot be asked)
  bool operator==(const FileIdentity&) const = default;
};
// The file a path leads to, symbolic links followed.
FileIdentity identity_of(const std::string& path);
FileIdentity identity_of_handle(int handle);
bool same_file(const FileIdentity& a, const FileIdentity& b);

enum class PathKind { Missing, Regular, Folder, Link, Other };
// What the name itself is (a symbolic link is Link, not followed).
PathKind kind_of(const std::string& path);
// Where a path leads when the links among its last names are followed: the
// path itself when it is no link, else the final target, which may not exist
// (a link into nowhere). Empty for a loop of links.
std::string followed_path(const std::string& path);
// True when the path leads to a FIFO (links followed).
bool is_fifo(const std::string& path);

// True for a name the system keeps for a device in every folder (on Windows
// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension);
// never on POSIX, where a device is known by what its handle is.
bool is_device_name(const std::string& path);

// True for a handle that reads a stream whose length is not known in advance
// (a pipe, a FIFO, a socket, or a regular file that reports no size).
bool is_stream(int handle);
// True for a device (a terminal, /dev/zero, a disk): no data file.
bool is_device(int handle);
// Copies everything the stream handle yields, up to its end, into a new
// temporary file that has no name, and returns that file's handle positioned
// at 0. On failure returns -1 with the system's error number in `error`.
int spool_to_temporary(int handle, int& error);

// Takes an exclusive advisory lock on an open file without waiting; false
// (with the system's error number in `error`) when another holds it or the
// system refuses. Closing the handle releases it.
bool try_lock(int handle, int& error);

// Once at start: a file-size limit makes a write fail (disk full) instead of
// ending the process with a signal; the three standard streams are kept
// taken, so that no file opened later becomes one of them (an output stream
// that was closed refuses every write). Standard output and error are byte
// streams everywhere (no line-end translation).
void prepare_process();

// The user's home folder, or empty when the environment names none.
std::string home_folder();

// ---- handles of the file table ------------------------------------------
// A failure is reported with the system's own error number (errno on POSIX,
// the Win32 error number on Windows), which the frame maps to a code; an
// interrupted call is repeated here, never reported.

// The system's number of the failures that the file table finds by itself
// (an empty name, a folder opened as a file, a write that takes nothing, a
// read-only file).
enum class Failure { NotFound, IsFolder, DiskFull, AccessDenied };
int error_number(Failure failure);

// Opens for reading. A FIFO is opened waiting for its writer; anything else
// without waiting, so that a device cannot hang the open. Each open returns
// a handle >= 0, or minus the system's error number.
int open_for_reading(const std::string& path, bool wait_for_writer);
// Creates a new file for writing (refused when the name exists) / opens an
// existing character device (a null or full device) for writing.
int create_new_for_writing(const std::string& path);
int open_device_for_writing(const std::string& path);
bool is_character_device(const std::string& path);

// What an open handle is: a folder, a regular file (with its size) or
// something else.
struct HandleInfo {
  bool folder = false;
  bool regular = false;
  std::uint64_t size = 0;
};
// 0, or the system's error number.
int handle_info(int handle, HandleInfo& info);
// Reads on this handle wait for data again (after an open without waiting).
void make_blocking(int handle);
// Tells the system the file will be read from start to end.
void advise_sequential(int handle);
int duplicate_handle(int handle);
// Each returns the bytes read or written (0 at the end of the data), or
// minus the system's error number.
long read_some(int handle, void* to, std::size_t count);
long read_at(int handle, void* to, std::size_t count, std::uint64_t offset);
long write_some(int handle, const void* data, std::size_t count);
// Closes and forgets any error.
void close_quietly(int handle);

// What a name itself is, links not followed: whether it exists, whether it is
// a regular file, and whether anybody may write it.
struct NameInfo {
  bool found = false;
  bool regular = false;
  bool writable = false;
};
NameInfo name_info(const std::string& path);
// Removes the name: 0, or the system's error number.
int remove_name(const std::string& path);

}  // namespace frame::platform
