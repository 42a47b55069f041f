// Numbered text files: the open-file records, line and field reading, item
// writing, closing with 0x1A, existence test and deletion.
//
// Reading goes through one chunk buffer per input file. A line that lies
// inside the chunk and holds no NUL byte is returned as a view into the chunk;
// only a line that straddles two chunks or holds NUL bytes is copied. Output
// items collect in a small buffer that goes to the disk when it fills, at
// close and at abandon, so the bytes on disk are those of item-by-item
// writing.
#include "frame/textfile.h"

#include "frame/constants.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "frame/paths.h"
#include "frame/platform/files.h"
#include "frame/platform/platform.h"

namespace frame {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr unsigned char kEndOfData = 0x1A;
constexpr std::size_t kDefaultReadChunk = 256 * 1024;
constexpr std::size_t kDefaultWriteBuffer = 64 * 1024;
constexpr int kEnd = -1;  // peek at the end of data

// Bit i set where block[i] is a CR, for the 64 bytes from `block`: the line
// ends of a stretch of short lines found 64 bytes at a time, instead of one
// search per line.
inline std::uint64_t cr_bits(const char* block) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8(kCR);
  std::uint64_t bits = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * k));
    const auto found = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
    bits |= static_cast<std::uint64_t>(found) << (16 * k);
  }
  return bits;
#else
  std::uint64_t bits = 0;
  for (int i = 0; i < 64; ++i) bits |= static_cast<std::uint64_t>(block[i] == kCR) << i;
  return bits;
#endif
}

bool has_wildcard_or_nul(std::string_view path) {
  return path.find_first_of(std::string_view("?*\0", 3)) != std::string_view::npos;
}

// The full path of a file name: a relative name is taken relative to the
// current directory; "." and ".." are resolved by the text alone, without
// asking the disk.
std::string full_path(std::string_view path) {
  std::filesystem::path p = utf8_path(path);
  if (p.is_relative()) {
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (!ec) p = cwd / p;
  }
  return utf8_string(p.lexically_normal());
}

// Where an output path leads: a symbolic link is followed to its target,
// which must be a regular file or not exist yet; a link into a folder, a
// device or a loop is no disk file (55). The link itself is never replaced.
std::string output_target(std::string_view path, Where where) {
  const std::string full = full_path(path);
  if (platform::kind_of(full) != platform::PathKind::Link) return full;
  const std::string target = platform::followed_path(full);
  const platform::PathKind kind = platform::kind_of(target);
  if (target.empty() ||
      (kind != platform::PathKind::Regular && kind != platform::PathKind::Missing))
    raise(err::kBadFileName, where);
  return full_path(target);
}

}  // namespace

// One open file.
class OpenFile {
 public:
  bool output = false;
  std::string path;                 // full path, resolved when opened
  platform::FileIdentity identity;  // the file itself, whatever its names
  int fd = -1;
  std::uint64_t position = 0;  // next byte read or written
  std::uint64_t size = 0;      // file size, kept up to date by writes
  // Input: where the data ends for the readers: the size, or one less when
  // the last byte of the file is 0x1A.
  std::uint64_t data_end = 0;
  std::uint64_t column = 0;  // output: characters since the last line end
  // Input from a pipe or device: read in order, its size unknown until the
  // end; one byte is read ahead so that a chunk knows whether the data end
  // (and a final 0x1A) follows it.
  bool stream = false;
  int ahead = -1;

  // Input chunk: bytes [chunk_start, chunk_start + chunk_len) of the file.
  std::unique_ptr<char[]> chunk;
  std::size_t chunk_capacity = 0;
  std::uint64_t chunk_start = 0;
  std::size_t chunk_len = 0;
  bool chunk_has_nul = false;
  std::string line;  // a line copied out of the chunks

  std::string pending;  // output written but not yet on the disk

  bool in_chunk(std::uint64_t at) const {
    return chunk_len > 0 && at >= chunk_start && at < chunk_start + chunk_len;
  }
  // Past the final 0x1A: reaching the end of data consumes it.
  void finish_data() { position = size; }
};

FileTable::FileTable() : read_chunk_(kDefaultReadChunk), write_buffer_(kDefaultWriteBuffer) {}

FileTable::~FileTable() {
  abandon();
}

void FileTable::set_read_chunk_size(std::size_t bytes) {
  read_chunk_ = bytes == 0 ? kDefaultReadChunk : bytes;
}
void FileTable::set_write_buffer_size(std::size_t bytes) {
  write_buffer_ = bytes;
}
void FileTable::set_write_function(WriteFunction write) {
  write_ = std::move(write);
}

OpenFile& FileTable::record(int number, Where where) {
  if (number < 1 || number > 255) raise(err::kBadFileNumber, where);
  OpenFile* f = files_[static_cast<std::size_t>(number)].get();
  if (f == nullptr) raise(err::kFileNotOpen, where);
  return *f;
}

OpenFile& FileTable::input(int number, Where where) {
  OpenFile& f = record(number, where);
  if (f.output) raise(err::kBadFileMode, where);
  if (f.position >= f.size) raise(err::kInputPastEnd, where);
  return f;
}

OpenFile& FileTable::output(int number, Where where) {
  OpenFile& f = record(number, where);
  if (!f.output) raise(err::kBadFileMode, where);
  return f;
}

// ---- open, close -----------------------------------------------------------

void FileTable::open(std::string_view mode, int number, std::string_view path, Where where) try {
  if (mode.size() != 1) raise(err::kBadFileName, where, 1);
  if (path.size() > kMaxPath || has_wildcard_or_nul(path)) raise(err::kBadFileName, where, 2);
  if (number < 1 || number > 255) raise(err::kBadFileNumber, where);
  if (files_[static_cast<std::size_t>(number)]) raise(err::kFileAlreadyOpen, where);
  char m = mode[0];
  if (m == 'i') m = 'I';
  if (m == 'o') m = 'O';
  // Append and random access exist as modes but no tool opens a file so.
  if (m != 'I' && m != 'O') raise(err::kBadFileMode, where);
  if (path.empty()) raise_os(platform::error_number(platform::Failure::NotFound), where);

  auto f = std::make_unique<OpenFile>();
  f->path = full_path(path);
  if (m == 'I') {
    // A name kept for a device (on Windows) reads no data file: the device is
    // not even opened.
    if (platform::is_device_name(f->path)) raise(err::kBadFileName, where, 3);
    // Non-blocking only while opening, so that a device cannot hang the
    // open; a FIFO waits for its writer, as any reader of it does.
    // A FIFO read before is read again from its copy: its writer has gone.
    const bool fifo = platform::is_fifo(f->path);
    const platform::FileIdentity fifo_identity =
        fifo ? platform::identity_of(f->path) : platform::FileIdentity{};
    int fd = -1;
    for (auto it = spools_.begin(); it != spools_.end(); ++it) {
      if (!platform::same_file(it->first, fifo_identity)) continue;
      fd = it->second;
      spools_.erase(it);
      break;
    }
    const bool respooled = fd >= 0;
    if (!respooled) fd = platform::open_for_reading(f->path, fifo);
    if (fd < 0) raise_os(-fd, where);
    platform::HandleInfo info;
    if (const int e = platform::handle_info(fd, info)) {
      platform::close_quietly(fd);
      raise_os(e, where);
    }
    if (info.folder) {  // a folder is not readable as a file
      platform::close_quietly(fd);
      raise_os(platform::error_number(platform::Failure::IsFolder), where);
    }
    platform::make_blocking(fd);
    f->identity = respooled ? fifo_identity : platform::identity_of_handle(fd);
    if (platform::is_device(fd)) {  // endless or interactive: no disk file
      platform::close_quietly(fd);
      raise(err::kBadFileName, where, 3);
    }
    if (platform::is_stream(fd)) {
      // A pipe, FIFO or size-less file is read to its end into a temporary
      // file first: then it reads exactly as a regular file of those bytes.
      int error = 0;
      const int spool = platform::spool_to_temporary(fd, error);
      platform::close_quietly(fd);
      if (spool < 0) raise_os(error, where);
      fd = spool;
      // One more reading of the same FIFO in this run (a count, then the
      // values) gets the copy.
      if (fifo) {
        if (spools_.size() >= 4) {
          platform::close_quietly(spools_.front().second);
          spools_.erase(spools_.begin());
        }
        spools_.emplace_back(f->identity, platform::duplicate_handle(fd));
      }
      if (const int e = platform::handle_info(fd, info)) {
        platform::close_quietly(fd);
        raise_os(e, where);
      }
    }
    f->fd = fd;
    f->stream = !info.regular;
    f->size = f->stream ? UINT64_MAX : info.size;
    f->data_end = f->size;
    if (f->size > 0 && !f->stream) {
      unsigned char last = 0;
      if (platform::read_at(fd, &last, 1, f->size - 1) == 1 && last == kEndOfData)
        f->data_end = f->size - 1;
      platform::advise_sequential(fd);
    }
    f->chunk_capacity = static_cast<std::size_t>(
        std::min<std::uint64_t>(read_chunk_, std::max<std::uint64_t>(f->size, 1)));
  } else {
    // A new file only; an existing device (a null or full device) is written
    // as it is, the way device names are opened.
    const int fd = platform::is_character_device(f->path)
                       ? platform::open_device_for_writing(f->path)
                       : platform::create_new_for_writing(f->path);
    if (fd < 0) raise_os(-fd, where);
    f->output = true;
    f->fd = fd;
    f->identity = platform::identity_of_handle(fd);
  }
  files_[static_cast<std::size_t>(number)] = std::move(f);
} catch (RuntimeError& e) {
  e.attribute(Operation::FileOpen);
  throw;
}

// Sends the held output to the disk; the error number of a refused write, or
// 0. The held bytes are gone either way.
int FileTable::drain(OpenFile& f) noexcept {
  std::size_t done = 0;
  int error = 0;
  while (done < f.pending.size()) {
    const char* data = f.pending.data() + done;
    std::size_t count = f.pending.size() - done;
    long n = write_ ? write_(f.fd, data, count) : platform::write_some(f.fd, data, count);
    if (n < 0) {
      error = static_cast<int>(-n);
      break;
    }
    if (n == 0) {
      error = platform::error_number(platform::Failure::DiskFull);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  f.pending.clear();
  return error;
}

// Closes one open number: an output file gets its 0x1A first. Returns the
// error number of a refused write or close, or 0; the number is free either way.
int FileTable::close_one(int number) noexcept {
  std::unique_ptr<OpenFile> f = std::move(files_[static_cast<std::size_t>(number)]);
  int error = 0;
  if (f->output) {
    f->pending.push_back(static_cast<char>(kEndOfData));
    error = drain(*f);
  }
  if (const int e = platform::close_handle(f->fd); e != 0 && error == 0) error = e;
  return error;
}

void FileTable::close(std::initializer_list<int> numbers, Where where) try {
  if (numbers.size() == 0) {
    close_all(where);
    return;
  }
  for (int number : numbers) {
    if (number < 1 || number > 255) raise(err::kBadFileNumber, where);
    if (!files_[static_cast<std::size_t>(number)]) continue;
    if (int e = close_one(number)) raise_os(e, where);
  }
} catch (RuntimeError& e) {
  e.attribute(Operation::FileClose);
  throw;
}

void FileTable::close_all(Where where) try {
  int first_error = 0;
  for (int number = 1; number <= 255; ++number) {
    if (!files_[static_cast<std::size_t>(number)]) continue;
    int e = close_one(number);
    if (first_error == 0) first_error = e;
  }
  if (first_error != 0) raise_os(first_error, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::FileClose);
  throw;
}

void FileTable::abandon_one(int number) noexcept {
  auto& slot = files_[static_cast<std::size_t>(number)];
  if (!slot) return;
  if (slot->output) drain(*slot);
  platform::close_quietly(slot->fd);
  slot.reset();
}

void FileTable::forget_spools() noexcept {
  for (const auto& spool : spools_) platform::close_quietly(spool.second);
  spools_.clear();
}

void FileTable::abandon() noexcept {
  forget_spools();
  for (auto& slot : files_) {
    if (!slot) continue;
    if (slot->output) drain(*slot);
    platform::close_quietly(slot->fd);
    slot.reset();
  }
}

bool FileTable::is_open_path(std::string_view path) const {
  const std::string full = full_path(path);
  const platform::FileIdentity identity = platform::identity_of(full);
  for (const auto& slot : files_)
    if (slot && (slot->path == full || platform::same_file(identity, slot->identity))) return true;
  return false;
}

// Deletes a file that exists, unless another run holds its lock: that run
// is writing it, and the refusal is a sharing violation (75). A link into
// nowhere leaves nothing to delete.
static void unlink_unless_locked(const std::string& target, Where where) {
  if (platform::kind_of(target) == platform::PathKind::Missing) return;
  const int held = platform::open_for_reading(target, false);
  int error = 0;
  if (held >= 0 && !platform::try_lock(held, error)) {
    platform::close_quietly(held);
    raise(err::kAccessDenied, where);
  }
  error = platform::remove_name(target);
  if (held >= 0) platform::close_quietly(held);
  if (error != 0) raise_os(error, where);
}

std::string clear_output(const FileTable& files, std::string_view path, Where where) {
  if (!exists(path, where)) return std::string(path);
  std::string target = output_target(path, where);
  check_deletable(files, target, where);
  unlink_unless_locked(target, where);
  return target;
}

void FileTable::create(int number, std::string_view path, Where where) try {
  const std::string target = clear_output(*this, path, where);
  try {
    open("O", number, target, where);
  } catch (const RuntimeError& e) {
    // Created by another run between the deletion and this creation.
    if (e.code() == err::kFileExists) raise(err::kAccessDenied, where);
    throw;
  }
  OpenFile& f = *files_[static_cast<std::size_t>(number)];
  int error = 0;
  // The lock is held until the file is closed; a run that took the new file
  // first, or replaced it already, leaves this one nothing to write.
  if (!platform::try_lock(f.fd, error) ||
      !platform::same_file(platform::identity_of(f.path), f.identity)) {
    abandon_one(number);
    raise(err::kAccessDenied, where);
  }
} catch (RuntimeError& e) {
  e.attribute(Operation::FileOpen);
  throw;
}

// ---- reading -----------------------------------------------------------------

// Reads from a stream into `to` until `want` bytes or its end.
static std::size_t read_stream(int fd, char* to, std::size_t want, Where where) {
  std::size_t got = 0;
  while (got < want) {
    const long n = platform::read_some(fd, to + got, want - got);
    if (n < 0) raise_os(static_cast<int>(-n), where);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

// Loads the chunk that starts at the position.
void FileTable::fill(OpenFile& f, Where where) {
  if (!f.chunk) f.chunk = std::make_unique<char[]>(f.chunk_capacity);
  if (f.stream) {
    // The byte read ahead, then the rest of the chunk, then one byte ahead.
    std::size_t got = 0;
    if (f.ahead >= 0) f.chunk[got++] = static_cast<char>(f.ahead);
    got += read_stream(f.fd, f.chunk.get() + got, f.chunk_capacity - got, where);
    char next = 0;
    const bool more = got == f.chunk_capacity && read_stream(f.fd, &next, 1, where) == 1;
    f.ahead = more ? static_cast<unsigned char>(next) : -1;
    f.chunk_start = f.position;
    f.chunk_len = got;
    if (!more) {
      f.size = f.data_end = f.position + got;
      if (got > 0 && static_cast<unsigned char>(f.chunk[got - 1]) == kEndOfData) --f.data_end;
    }
    f.chunk_has_nul = std::memchr(f.chunk.get(), 0, got) != nullptr;
    return;
  }
  std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(f.chunk_capacity, f.size - f.position));
  std::size_t got = 0;
  while (got < want) {
    const long n = platform::read_at(f.fd, f.chunk.get() + got, want - got, f.position + got);
    if (n < 0) raise_os(static_cast<int>(-n), where);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  f.chunk_start = f.position;
  f.chunk_len = got;
  if (got < want) {
    // The file became shorter since it was opened: it ends here now.
    f.size = f.data_end = f.position + got;
  }
  f.chunk_has_nul = std::memchr(f.chunk.get(), 0, got) != nullptr;
}

// Consumes an LF directly after a CR.
void FileTable::skip_line_feed(OpenFile& f, Where where) {
  if (f.position >= f.data_end) return;
  if (!f.in_chunk(f.position)) fill(f, where);
  if (f.in_chunk(f.position) && f.chunk[f.position - f.chunk_start] == kLF) ++f.position;
}

// The next byte of data, or kEnd at the end (the final 0x1A included).
int FileTable::peek(OpenFile& f, Where where) {
  if (f.position >= f.data_end) return kEnd;
  if (!f.in_chunk(f.position)) {
    fill(f, where);
    if (f.position >= f.data_end) return kEnd;
  }
  return static_cast<unsigned char>(f.chunk[f.position - f.chunk_start]);
}

bool FileTable::eof(int number, Where where) try {
  OpenFile& f = record(number, where);
  if (f.output) raise(err::kBadFileMode, where);
  // A stream knows its end only once the chunk before it is read.
  if (f.stream && f.position < f.data_end && !f.in_chunk(f.position)) fill(f, where);
  return f.position >= f.data_end;
} catch (RuntimeError& e) {
  e.attribute(Operation::EndTest);
  throw;
}

std::string_view FileTable::read_line(int number, Where where) try {
  OpenFile& f = input(number, where);
  bool copying = false;  // the line is collected in f.line
  for (;;) {
    if (f.position >= f.data_end) {
      f.finish_data();
      break;
    }
    if (!f.in_chunk(f.position)) {
      fill(f, where);
      if (f.position >= f.data_end) {
        f.finish_data();
        break;
      }
    }
    const std::uint64_t chunk_end = f.chunk_start + f.chunk_len;
    const char* p = f.chunk.get() + (f.position - f.chunk_start);
    const std::size_t avail =
        static_cast<std::size_t>(std::min(chunk_end, f.data_end) - f.position);
    const char* cr = static_cast<const char*>(std::memchr(p, kCR, avail));
    const std::size_t n = cr ? static_cast<std::size_t>(cr - p) : avail;
    const bool has_nul = f.chunk_has_nul && std::memchr(p, 0, n) != nullptr;

    if (!copying && !has_nul && (cr || f.position + n == f.data_end)) {
      // The whole line lies in the chunk: a view, no copy.
      if (n > kMaxLine) raise(err::kStringTooLong, where);
      std::string_view text(p, n);
      f.position += n;
      if (!cr) {
        f.finish_data();
        return text;
      }
      ++f.position;
      if (f.position < chunk_end) {
        if (f.position < f.data_end && p[n + 1] == kLF) ++f.position;
        return text;
      }
      // The CR closes the chunk: keep the line before the next chunk is read.
      f.line.assign(text);
      skip_line_feed(f, where);
      return f.line;
    }

    if (!copying) {
      f.line.clear();
      copying = true;
    }
    // Never more than one character past the limit is kept.
    const std::size_t room = kMaxLine + 1 - f.line.size();
    if (has_nul) {
      for (std::size_t i = 0; i < n && f.line.size() <= kMaxLine; ++i)
        if (p[i] != 0) f.line.push_back(p[i]);
    } else {
      f.line.append(p, std::min(n, room));
    }
    if (f.line.size() > kMaxLine) raise(err::kStringTooLong, where);
    f.position += n;
    if (cr) {
      ++f.position;
      skip_line_feed(f, where);
      break;
    }
  }
  if (!copying) f.line.clear();
  return f.line;
} catch (RuntimeError& e) {
  e.attribute(Operation::LineInput);
  throw;
}

std::span<const std::string_view> FileTable::read_lines(int number, Where where) try {
  constexpr std::size_t kMostLines = 4096;
  OpenFile& f = input(number, where);
  lines_.clear();
  // The lines read_line would give as views of the chunk: each ends with a
  // CR inside the data, followed by at least one more byte of the chunk, and
  // is neither too long nor holding a 0 (those read_line copies or refuses).
  if (!f.chunk_has_nul && f.in_chunk(f.position)) {
    const std::uint64_t chunk_end = f.chunk_start + f.chunk_len;
    const std::uint64_t data_end = std::min(chunk_end, f.data_end);
    const char* const chunk = f.chunk.get();
    const char* const chunk_stop = chunk + f.chunk_len;
    const char* const data_stop = chunk + (data_end - f.chunk_start);
    // 64 bytes at a time while a whole block of data is left, then one
    // search per line in the rest.
    const char* line = chunk + (f.position - f.chunk_start);
    bool more = true;
    for (const char* block = line; more && data_stop - block >= 64; block += 64) {
      for (std::uint64_t bits = cr_bits(block); bits != 0; bits &= bits - 1) {
        const char* const cr = block + std::countr_zero(bits);
        const auto n = static_cast<std::size_t>(cr - line);
        if (n > kMaxLine || cr + 1 == chunk_stop || lines_.size() == kMostLines) {
          more = false;
          break;
        }
        lines_.emplace_back(line, n);
        line = cr + 1;
        if (line < data_stop && *line == kLF) ++line;
      }
    }
    std::uint64_t position = f.chunk_start + static_cast<std::uint64_t>(line - chunk);
    while (more && position < data_end && lines_.size() < kMostLines) {
      const char* const p = chunk + (position - f.chunk_start);
      const auto avail = static_cast<std::size_t>(data_end - position);
      const char* const cr = static_cast<const char*>(std::memchr(p, kCR, avail));
      if (cr == nullptr) break;
      const auto n = static_cast<std::size_t>(cr - p);
      if (n > kMaxLine || position + n + 1 >= chunk_end) break;
      lines_.emplace_back(p, n);
      position += n + 1;
      if (position < f.data_end && p[n + 1] == kLF) ++position;
    }
    f.position = position;
  }
  if (lines_.empty()) lines_.push_back(read_line(number, where));
  return lines_;
} catch (RuntimeError& e) {
  e.attribute(Operation::LineInput);
  throw;
}

std::string FileTable::read_field(int number, Where where) try {
  OpenFile& f = input(number, where);
  int c = peek(f, where);
  while (c == ' ' || c == 0) {
    ++f.position;
    c = peek(f, where);
  }
  std::string text;
  auto keep = [&](int ch) {
    if (text.size() >= kMaxLine) raise(err::kStringTooLong, where);
    text.push_back(static_cast<char>(ch));
  };
  if (c == kEnd) {
    // Only blanks before the final 0x1A: reading past the end.
    if (f.data_end < f.size) {
      f.finish_data();
      raise(err::kInputPastEnd, where);
    }
    return text;
  }
  if (c == '"') {
    ++f.position;
    for (;;) {
      c = peek(f, where);
      if (c == kEnd) {
        f.finish_data();
        return text;
      }
      ++f.position;
      if (c == '"') break;
      if (c == kCR) {  // a line end closes even a quoted field
        skip_line_feed(f, where);
        return text;
      }
      if (c != 0) keep(c);
    }
    // After the closing quote: blanks are dropped, then one character ends
    // the field; anything but a separator is lost with it.
    c = peek(f, where);
    while (c == ' ' || c == 0) {
      ++f.position;
      c = peek(f, where);
    }
    if (c == kEnd) {
      f.finish_data();
    } else {
      ++f.position;
      if (c == kCR) skip_line_feed(f, where);
    }
    return text;
  }
  for (;;) {
    if (c == kEnd) {
      f.finish_data();
      break;
    }
    ++f.position;
    if (c == ',' || c == ':') break;
    if (c == kCR) {
      skip_line_feed(f, where);
      break;
    }
    if (c != 0) keep(c);
    c = peek(f, where);
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
} catch (RuntimeError& e) {
  e.attribute(Operation::FieldInput);
  throw;
}

double FileTable::read_field_number(int number, Kind kind, Where where) try {
  OpenFile& f = input(number, where);
  int c = peek(f, where);
  while (c == ' ' || c == 0) {
    ++f.position;
    c = peek(f, where);
  }
  if (c == kEnd) {
    if (f.data_end < f.size) {
      f.finish_data();
      raise(err::kInputPastEnd, where);
    }
    raise(err::kBadNumberField, where, 1);
  }
  if (c == '"' || c == ',' || c == ':' || c == kCR) raise(err::kBadNumberField, where, 2);

  std::string text;
  for (;;) {
    if (c == kEnd) {
      f.finish_data();
      break;
    }
    ++f.position;
    if (c == ',' || c == ':') break;
    if (c == kCR) {
      skip_line_feed(f, where);
      break;
    }
    if (c == ' ') {
      // A blank ends the number; a separator or line end after the blanks
      // belongs to it, anything else is the next field.
      c = peek(f, where);
      while (c == ' ' || c == 0) {
        ++f.position;
        c = peek(f, where);
      }
      if (c == kEnd) {
        f.finish_data();
      } else if (c == ',' || c == ':') {
        ++f.position;
      } else if (c == kCR) {
        ++f.position;
        skip_line_feed(f, where);
      }
      break;
    }
    if (c != 0) {
      if (text.size() >= kMaxLine) raise(err::kStringTooLong, where);
      text.push_back(static_cast<char>(c));
    }
    c = peek(f, where);
  }
  const Scanned scanned = scan_number(text, kind);
  if (scanned.error == ScanError::NotANumber) raise(err::kBadNumberField, where, 3);
  if (scanned.error == ScanError::Overflow) raise(err::kOverflow, where);
  return scanned.value;
} catch (RuntimeError& e) {
  e.attribute(Operation::NumberField);
  throw;
}

// ---- writing -----------------------------------------------------------------

void FileTable::put(OpenFile& f, std::string_view bytes, Where where) {
  f.pending.append(bytes);
  f.position += bytes.size();
  f.size = f.position;
  if (f.pending.size() >= write_buffer_) {
    if (int e = drain(f)) raise_os(e, where);
  }
}

void FileTable::separate(OpenFile& f, Sep sep, Where where) {
  switch (sep) {
    case Sep::EndOfLine:
      // Every complete line goes to the disk at once: a run that is killed
      // leaves whole lines behind.
      put(f, "\r\n", where);
      f.column = 0;
      if (int e = drain(f)) raise_os(e, where);
      break;
    case Sep::None:
      break;
    case Sep::Zone: {
      // Blanks up to the next multiple of 14; at one already, 14 further.
      static constexpr std::string_view kBlanks = "              ";
      static_assert(kBlanks.size() == 14);
      std::size_t pad = 14 - static_cast<std::size_t>(f.column % 14);
      put(f, kBlanks.substr(0, pad), where);
      f.column += pad;
      break;
    }
  }
}

void FileTable::write_text(int number, std::string_view text, Sep sep, Where where) try {
  OpenFile& f = output(number, where);
  put(f, text, where);
  f.column += text.size();
  separate(f, sep, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Print);
  throw;
}

void FileTable::write_number(int number, double value, Kind kind, Sep sep, Where where) try {
  OpenFile& f = output(number, where);
  std::string text = item_form(value, kind);
  put(f, text, where);
  f.column += text.size();
  separate(f, sep, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Print);
  throw;
}

void FileTable::write_pattern(int number, std::string_view pattern, double value, Kind kind,
                              Sep sep, Where where) try {
  OpenFile& f = output(number, where);
  std::string text = pattern_form(value, kind, pattern, where);
  put(f, text, where);
  f.column += text.size();
  separate(f, sep, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Print);
  throw;
}

// ---- directory operations --------------------------------------------------

bool exists(std::string_view path, Where where) {
  if (path.size() > kMaxPath) raise(err::kInvalidCall, Operation::ExistenceTest, where);
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  return platform::name_info(std::string(path)).found;
}

void check_deletable(const FileTable& files, std::string_view path, Where where) try {
  if (path.size() > kMaxPath || has_wildcard_or_nul(path)) raise(err::kBadFileName, where, 1);
  if (path.empty()) raise_os(platform::error_number(platform::Failure::NotFound), where, 1);
  const std::string full = full_path(path);
  const platform::NameInfo name = platform::name_info(full);
  if (name.found && !name.regular) raise(err::kBadFileName, where, 2);
  if (files.is_open_path(path)) raise(err::kFileAlreadyOpen, where);
  // A file that nobody may write is read-only: it is not deleted.
  if (name.found && !name.writable)
    raise_os(platform::error_number(platform::Failure::AccessDenied), where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Delete);
  throw;
}

void delete_file(FileTable& files, std::string_view path, Where where) try {
  if (path.size() > kMaxPath || has_wildcard_or_nul(path)) raise(err::kBadFileName, where, 1);
  if (path.empty()) raise_os(platform::error_number(platform::Failure::NotFound), where, 1);
  // A link stays: the file it leads to is the one deleted.
  const std::string target = output_target(path, where);
  check_deletable(files, target, where);
  // A plain name that names nothing is the system's refusal (63).
  if (target == full_path(path) && platform::kind_of(target) == platform::PathKind::Missing)
    raise_os(platform::error_number(platform::Failure::NotFound), where, 2);
  unlink_unless_locked(target, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Delete);
  throw;
}

void create_output(FileTable& files, int number, std::string_view path, Where where) {
  files.create(number, path, where);
}

void create_output(FileTable& files, int number, std::string_view path,
                   const std::vector<std::string>& inputs, Where where) try {
  check_not_input(path, inputs, where);
  files.create(number, path, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::FileOpen);
  throw;
}

void delete_old_output(FileTable& files, std::string_view path,
                       const std::vector<std::string>& inputs, Where where) try {
  check_not_input(path, inputs, where);
  if (exists(path, where)) delete_file(files, path, where);
} catch (RuntimeError& e) {
  e.attribute(Operation::Delete);
  throw;
}

void check_not_input(std::string_view output, const std::vector<std::string>& inputs, Where where) {
  if (output.empty() || output.size() > kMaxPath) return;
  const platform::FileIdentity target = platform::identity_of(full_path(output));
  for (const std::string& input : inputs) {
    if (input.empty() || input.size() > kMaxPath) continue;
    if (platform::same_file(target, platform::identity_of(full_path(input))))
      raise(err::kFileAlreadyOpen, where);
  }
}

}  // namespace frame
