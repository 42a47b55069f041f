// Run-time errors: codes, the mapping of operating-system failures, the
// message of the warning box and the last-error record.
#include "frame/errors.h"

#include "frame/platform/platform.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

namespace frame {

RuntimeError::RuntimeError(int code, Where where, int os_error, int check)
    : code_(code),
      line_(where.line()),
      file_(where.file_name()),
      function_(where.function_name()),
      os_error_(os_error),
      check_(check) {
  what_ = "error " + std::to_string(code_) + " at " + file_ + ":" + std::to_string(line_);
}

const char* RuntimeError::what() const noexcept {
  return what_.c_str();
}

void raise(int code, Where where, int check) {
  throw RuntimeError(code, where, 0, check);
}

void raise(int code, Operation operation, Where where, int check) {
  RuntimeError error(code, where, 0, check);
  error.attribute(operation);
  throw error;
}

void raise_os(int number, Where where, int check) {
  throw RuntimeError(map_os_error(number), where, number, check);
}

int map_os_error(int number) {
#ifdef _WIN32
  return map_windows_error(number);
#else
  return map_errno(number);
#endif
}

int map_windows_error(int number) {
  static constexpr struct {
    int number;
    int code;
  } kTable[] = {
      {1, err::kInvalidCall},         // invalid function
      {2, err::kFileNotFound},        // file not found
      {3, err::kFileNotFound},        // path not found
      {4, err::kTooManyFiles},        // too many open files
      {5, err::kAccessDenied},        // access denied
      {8, err::kOutOfMemory},         // not enough memory
      {11, err::kDiskNotReadable},    // bad format
      {12, err::kAccessDenied},       // invalid access
      {14, err::kOutOfMemory},        // out of memory
      {15, err::kDriveNotReady},      // invalid drive
      {16, err::kDriveNotReady},      // the current directory
      {17, err::kDriveNotReady},      // not the same device
      {18, err::kDiskFull},           // no more files
      {19, err::kWriteProtected},     // write protected
      {20, err::kDeviceUnavailable},  // bad unit
      {21, err::kDriveNotReady},      // drive not ready
      {26, err::kDiskNotReadable},    // not a readable disk
      {27, err::kDiskNotReadable},    // sector not found
      {28, err::kDeviceUnavailable},  // out of paper
      {29, err::kDiskFull},           // write fault
      {30, err::kInputPastEnd},       // read fault
      {32, err::kAccessDenied},       // sharing violation
      {33, err::kAccessDenied},       // lock violation
      {34, err::kDeviceUnavailable},  // wrong disk
      {39, err::kDiskFull},           // disk full
      {50, err::kNotSupported},       // not supported
      {65, err::kBadFileName},        // network access denied
      {80, err::kFileExists},         // file exists
      {87, err::kInvalidCall},        // invalid parameter
      {108, err::kDriveLocked},       // drive locked
      {110, err::kFileNotFound},      // open failed
      {111, err::kBufferOverflow},    // buffer overflow
      {112, err::kDiskFull},          // disk full
      {113, err::kTooManyFiles},      // no more search handles
      {123, err::kBadFileName},       // invalid name
      {183, err::kFileExists},        // already exists
      {267, err::kBadFileName},       // invalid directory name
      {1155, err::kBadFileName},      // no program associated with the file
  };
  for (const auto& row : kTable)
    if (row.number == number) return row.code;
  return err::kDeviceFault;
}

int map_errno(int errno_value) {
  switch (errno_value) {
    case ENOENT:
    case ENOTDIR:
      return err::kFileNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EBUSY:  // in use by another: a sharing violation
    case ETXTBSY:
      return err::kAccessDenied;
    case EEXIST:
      return err::kFileExists;
    case EMFILE:
    case ENFILE:
      return err::kTooManyFiles;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return err::kDiskFull;
    case EROFS:
      return err::kWriteProtected;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
    case ELOOP:
      return err::kBadFileName;
    case ENOMEM:
      return err::kOutOfMemory;
    case EXDEV:  // not the same device
    case ENODEV:
    case ENXIO:
      return err::kDriveNotReady;
    case EOPNOTSUPP:
#if EOPNOTSUPP != ENOTSUP
    case ENOTSUP:
#endif
      return err::kNotSupported;
    default:
      return err::kDeviceFault;  // EIO and everything unmapped
  }
}

std::string_view catalogue_text(int code) {
  switch (code) {
    case 5:
      return "Illegal function call";
    case 6:
      return "Overflow";
    case 7:
      return "Out of memory";
    case 9:
      return "Subscript out of range";
    case 10:
      return "Array already dimensioned";
    case 11:
      return "Division by zero";
    case 13:
      return "Type mismatch";
    case 15:
      return "String too long";
    case 27:
      return "Device or system failure";
    case 28:
      return "Operation not supported";
    case 50:
      return "Bad file number";
    case 51:
      return "Bad file mode";
    case 52:
      return "Bad file number or file already open";
    case 54:
      return "Input past end of file";
    case 55:
      return "Bad file name";
    case 57:
      return "File not open";
    case 58:
      return "Bad number in file";
    case 59:
      return "Drive locked";
    case 60:
      return "Device not available";
    case 61:
      return "Buffer overflow";
    case 63:
      return "File not found";
    case 64:
      return "File already exists";
    case 66:
      return "Too many files";
    case 67:
      return "Disk full";
    case 71:
      return "Disk not readable";
    case 72:
      return "Drive not ready";
    case 73:
      return "Disk write protected";
    case 75:
      return "Permission denied";
    case 1000:
      return "Window no longer exists";
    case 1002:
      return "Wrong kind of control";
    case 1013:
      return "No such control";
    default:
      return {};
  }
}

std::string error_message(std::string_view module, unsigned line, int code) {
  std::string text = "\r\n";
  text += module;
  text += " [";
  text += std::to_string(line);
  text += "行]:エラー[";
  text += std::to_string(code);
  text += "]";
  const std::string_view explanation = catalogue_text(code);
  if (!explanation.empty()) {
    text += '\n';
    text += explanation;
  }
  return text;
}

// The three invalid divisions are checks 1 (a NaN operand), 2 (0/0) and
// 3 (infinity by infinity).
double checked_div(double a, double b, Where where) {
  if (std::isnan(a) || std::isnan(b)) raise(err::kInvalidCall, Operation::FloatingPoint, where, 1);
  if (b == 0) {
    if (a == 0) raise(err::kInvalidCall, Operation::FloatingPoint, where, 2);
    raise(err::kDivisionByZero, Operation::FloatingPoint, where);
  }
  if (std::isinf(a) && std::isinf(b)) raise(err::kInvalidCall, Operation::FloatingPoint, where, 3);
  const double q = a / b;
  if (std::isinf(q)) raise(err::kOverflow, Operation::FloatingPoint, where);
  return q;
}

double checked(double v, Where where) {
  if (std::isnan(v)) raise(err::kInvalidCall, Operation::FloatingPoint, where);
  if (std::isinf(v)) raise(err::kOverflow, Operation::FloatingPoint, where);
  return v;
}

float to_single(double v, Where where) {
  if (std::isnan(v)) raise(err::kInvalidCall, Operation::FloatingPoint, where);
  const auto f = static_cast<float>(v);  // values that round to the largest single still fit
  if (std::isinf(f)) raise(err::kOverflow, Operation::FloatingPoint, where);
  return f;
}

// The frame's own files, in a fixed order: a new file goes at the end.
namespace {
constexpr std::string_view kFrameFiles[] = {
    "frame/datafile.cpp", "frame/dialogs.cpp",  "frame/driver.cpp",
    "frame/errors.cpp",   "frame/export.cpp",   "frame/form.cpp",
    "frame/heat_map.cpp", "frame/numtext.cpp",  "frame/program_main_headless.cpp",
    "frame/settings.cpp", "frame/subtract.cpp", "frame/surface.cpp",
    "frame/textfile.cpp", "frame/usage.cpp",    "frame/threads.cpp"};

// Whether a compiler's file name (absolute or relative, either slash) is
// the table's path from the source root.
bool names_file(std::string_view file, std::string_view entry) {
  if (file.size() < entry.size()) return false;
  const std::size_t start = file.size() - entry.size();
  if (start > 0 && file[start - 1] != '/' && file[start - 1] != '\\') return false;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    const char c = file[start + i] == '\\' ? '/' : file[start + i];
    if (c != entry[i]) return false;
  }
  return true;
}

std::optional<unsigned> place_in(StatementFiles files, std::string_view file) {
  for (std::size_t place = 0; place < files.size(); ++place)
    if (names_file(file, files[place])) return static_cast<unsigned>(place);
  return std::nullopt;
}
}  // namespace

const StatementFiles kFrameStatementFiles = kFrameFiles;

unsigned statement_number(StatementFiles program_files, std::string_view file, unsigned line) {
  unsigned place = kUnknownFilePlace;
  if (const auto p = place_in(program_files, file))
    place = *p;
  else if (const auto f = place_in(kFrameStatementFiles, file))
    place = kFrameFirstPlace + *f;
  return 1000 * place + line;
}

ErrorRecord make_record(const RuntimeError& error, std::string_view module,
                        StatementFiles program_files) {
  ErrorRecord r;
  r.modl = std::string(module);
  r.line = statement_number(program_files, error.file(), error.line());
  r.code = error.code();
  r.func = static_cast<int>(error.operation());
  r.info = error.check();
  r.apierr = error.os_error();
  r.mode = "headless";
  r.rtl = "tools-1";
  const std::time_t now = std::time(nullptr);
  const std::tm local = platform::local_time(now);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  r.time = buf;
  return r;
}

}  // namespace frame
