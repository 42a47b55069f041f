// Numbered text files, read and written front to back.
//
// Byte conventions: a line ends with CR LF or a lone CR when read (a lone LF is
// an ordinary character) and with CR LF when written; NUL bytes are dropped
// when read; closing an output file appends one 0x1A byte, and a 0x1A that is
// the last byte of an input file is end of data.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/errors.h"
#include "frame/numtext.h"
#include "frame/platform/files.h"

namespace frame {

// What follows a written item.
enum class Sep : std::uint8_t {
  EndOfLine,  // CR LF, column back to 0
  None,       // nothing: the next item follows directly
  Zone,       // blanks up to the next multiple of 14 columns (14 more when at one)
};

inline constexpr std::size_t kMaxLine = 32767;  // longer lines are error 15
inline constexpr std::size_t kMaxPath = 260;

class OpenFile;  // one open-file record

// The file numbers 1..255 of one program and their open-file records.
// Every operation raises its run-time error (codes 50..58, 15, and the codes
// mapped from the operating system) at the caller's statement.
class FileTable {
 public:
  FileTable();
  ~FileTable();  // flushes what was written; adds no 0x1A (see abandon)
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // mode "I": an existing file for reading; "O": a new file for writing (an
  // existing file is error 64: use create_output).
  void open(std::string_view mode, int number, std::string_view path,
            Where where = Where::current());

  // Closes the listed numbers (out of 1..255 is 50; not open is ignored); an
  // output file gets its 0x1A first.
  void close(std::initializer_list<int> numbers, Where where = Where::current());
  void close_all(Where where = Where::current());

  // After a run-time error: what was written stays on disk as written (no
  // 0x1A is appended, as when a program ends without closing), every handle
  // is released, every number is free again.
  void abandon() noexcept;

  // True when nothing is left, or exactly one byte is left and it is 0x1A.
  bool eof(int number, Where where = Where::current());

  // The next line without its line end. The view stays valid until the next
  // operation on this table. At the end: 54; over 32767 characters: 15.
  std::string_view read_line(int number, Where where = Where::current());

  // The next lines, exactly as read_line would give them one after another:
  // every line that lies whole in the part of the file in memory (a few
  // thousand at most), or the one next line when none does. The views stay
  // valid until the next reading from, or closing of, any number; writing
  // to an output number in between leaves them as they are (a run writes
  // its report rows while it takes a batch). At the end: 54.
  std::span<const std::string_view> read_lines(int number, Where where = Where::current());

  // The next comma-, colon- or line-separated field (quotes enclose a field;
  // blanks around an unquoted field are dropped).
  std::string read_field(int number, Where where = Where::current());

  // The next field as a number of the given kind, straight from its digits
  // (no single-precision step for a double). Empty, quoted or not a number: 58.
  double read_field_number(int number, Kind kind, Where where = Where::current());

  void write_text(int number, std::string_view text, Sep sep, Where where = Where::current());
  // A number in the output item form (free form and one blank).
  void write_number(int number, double value, Kind kind, Sep sep, Where where = Where::current());
  // A number in the pattern form of a number pattern.
  void write_pattern(int number, std::string_view pattern, double value, Kind kind, Sep sep,
                     Where where = Where::current());

  // True when the path names a file open under any number: the same full
  // path, or another name of the same file (a link, another spelling).
  bool is_open_path(std::string_view path) const;

  // The creation of an output file: an old file of that name is deleted and a
  // new one opened "O" under the number, locked against other runs until it
  // is closed. A link is followed (its target is replaced, the link stays). A
  // file that another run is writing, or that another run creates meanwhile,
  // is 75 and nothing is deleted.
  void create(int number, std::string_view path, Where where = Where::current());

  // ---- tuning and test hooks: what is read and written never depends on them.
  // Bytes read from the disk at a time by files opened afterwards (default
  // 256 KiB; 0 restores the default).
  void set_read_chunk_size(std::size_t bytes);
  // Bytes of written items held before they go to the disk (default 64 KiB;
  // 0 sends every item to the disk at once). Held bytes also go to the disk at
  // close, at abandon and when the table ends.
  void set_write_buffer_size(std::size_t bytes);
  // Replaces the system write of output files (an empty function restores
  // it): returns the bytes written, or minus the system's error number (see
  // platform::error_number). Lets a test make the
  // disk refuse a write, as a full disk does.
  using WriteFunction = std::function<long(int fd, const void* data, std::size_t size)>;
  void set_write_function(WriteFunction write);

 private:
  OpenFile& record(int number, Where where);
  OpenFile& input(int number, Where where);
  OpenFile& output(int number, Where where);
  void fill(OpenFile& file, Where where);
  void skip_line_feed(OpenFile& file, Where where);
  int peek(OpenFile& file, Where where);
  void put(OpenFile& file, std::string_view bytes, Where where);
  void separate(OpenFile& file, Sep sep, Where where);
  int drain(OpenFile& file) noexcept;
  void abandon_one(int number) noexcept;
  void forget_spools() noexcept;
  int close_one(int number) noexcept;

  std::array<std::unique_ptr<OpenFile>, 256> files_;
  std::size_t read_chunk_;
  std::size_t write_buffer_;
  WriteFunction write_;
  // Copies of FIFOs read in this run, kept for a second reading (at most 4).
  std::vector<std::pair<platform::FileIdentity, int>> spools_;
  std::vector<std::string_view> lines_;  // the last lines given by read_lines
};

// A directory search for the path: true when an entry matched.
// A path over 260 characters is error 5.
bool exists(std::string_view path, Where where = Where::current());

// Deletes a disk file: over 260 characters or not a disk file 55, open in the
// table 52, a read-only file 75, a refusal of the operating system its mapped
// code. A symbolic link is never deleted: the regular file it leads to is.
void delete_file(FileTable& files, std::string_view path, Where where = Where::current());
// The checks of delete_file on a path that is no link, without deleting.
void check_deletable(const FileTable& files, std::string_view path, Where where = Where::current());

// An output path that names one of the run's input files (by any name) is
// 52, raised before anything is deleted or written. Empty inputs and paths
// that name no file are passed over.
void check_not_input(std::string_view output, const std::vector<std::string>& inputs,
                     Where where = Where::current());

// Makes way for a new output file without opening it, as create does: an
// old file is deleted (a link's target; a link stays). Returns the path to
// write.
std::string clear_output(const FileTable& files, std::string_view path,
                         Where where = Where::current());

// The creation sequence of every output file: exists, delete, open "O" (see
// FileTable::create).
void create_output(FileTable& files, int number, std::string_view path,
                   Where where = Where::current());
// The same for a report: first a path that names one of the run's input
// files is 52 (check_not_input).
void create_output(FileTable& files, int number, std::string_view path,
                   const std::vector<std::string>& inputs, Where where = Where::current());
// The deletion of an old report before a run reads its inputs: 52 for a
// path that names one of them, then exists and delete.
void delete_old_output(FileTable& files, std::string_view path,
                       const std::vector<std::string>& inputs, Where where = Where::current());

}  // namespace frame
