// Run-time errors: the one way a failure leaves a handler.
//
// A failing operation raises a RuntimeError where it happens; nothing in the
// logic catches it. The frame (headless driver or window) alone catches it,
// writes the last-error record, reports the message and ends the program.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "frame/where.h"

namespace frame {

// Codes raised by the operations of the two tools.
namespace err {
inline constexpr int kInvalidCall = 5;  // invalid fp operation, bad text-function argument, ...
inline constexpr int kOverflow = 6;     // fp overflow, conversion that does not fit
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscript = 9;  // array subscript outside the array
inline constexpr int kRedimension = 10;
inline constexpr int kDivisionByZero = 11;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kStringTooLong = 15;  // also: a line longer than 32767 characters
inline constexpr int kDeviceFault = 27;    // unmapped operating-system failure
inline constexpr int kNotSupported = 28;   // operation the file system does not support
inline constexpr int kBadFileNumber = 50;
inline constexpr int kBadFileMode = 51;
inline constexpr int kFileAlreadyOpen = 52;
inline constexpr int kInputPastEnd = 54;
inline constexpr int kBadFileName = 55;
inline constexpr int kFileNotOpen = 57;
inline constexpr int kBadNumberField = 58;
inline constexpr int kDriveLocked = 59;
inline constexpr int kDeviceUnavailable = 60;  // bad unit, out of paper, wrong disk
inline constexpr int kBufferOverflow = 61;
inline constexpr int kFileNotFound = 63;
inline constexpr int kFileExists = 64;
inline constexpr int kTooManyFiles = 66;
inline constexpr int kDiskFull = 67;
inline constexpr int kDiskNotReadable = 71;  // bad format, unreadable disk or sector
inline constexpr int kDriveNotReady = 72;    // no such device, not the same device
inline constexpr int kWriteProtected = 73;
inline constexpr int kAccessDenied = 75;
inline constexpr int kDeadWindow = 1000;
inline constexpr int kWrongControlKind = 1002;
inline constexpr int kNoSuchControl = 1013;
}  // namespace err

// The frame's operations that can fail, by the number the last-error record
// keeps as FUNC. The numbers are fixed: a stored record keeps meaning the same.
enum class Operation : int {
  Unknown = 0,
  FileOpen = 1,        // opening a file for input, creating one for output
  FileClose = 2,       // closing one file or all
  LineInput = 3,       // reading a line
  FieldInput = 4,      // reading a text field
  NumberField = 5,     // reading a field into a number
  EndTest = 6,         // the end-of-file test
  Print = 7,           // writing text, a number or a patterned number
  Delete = 8,          // deleting a file, and the checks before it
  ExistenceTest = 9,   // does a path exist
  TextToNumber = 10,   // a field text read as a number
  PatternText = 11,    // a number written by a pattern
  WholeNumber = 12,    // a number converted to a whole number
  FloatingPoint = 13,  // the floating-point checks of a calculation step
  ControlName = 14,    // a control bound by its name
  ControlText = 15,    // a control's text read or set
  FileDialog = 16,     // the arguments of a file dialog
  Memory = 17,         // memory for a handler's tables
  SubtractTable = 18,  // reading the subtract table into its fixed entries
};

// A run-time error: its code, the statement that failed and the frame
// operation that failed. The statement is the source location of the raising
// call; public frame operations take the caller's location as a defaulted
// last argument so that the location named is the handler's statement, not a
// line inside the frame. The operation is attributed on the way out of it
// (the innermost frame operation names itself); `check` tells apart the
// checks of one operation that give the same code (0 when there is one).
class RuntimeError : public std::exception {
 public:
  RuntimeError(int code, Where where, int os_error = 0, int check = 0);
  int code() const noexcept { return code_; }
  unsigned line() const noexcept { return line_; }
  const char* file() const noexcept { return file_; }
  const char* function() const noexcept { return function_; }
  // The operating system's own error number (errno on POSIX, the Win32 error
  // number on Windows) when the code was mapped from one, else 0. Kept for
  // the record's "APIERR" value.
  int os_error() const noexcept { return os_error_; }
  Operation operation() const noexcept { return operation_; }
  int check() const noexcept { return check_; }
  // Names the failing operation unless an inner one has named itself.
  void attribute(Operation operation) noexcept {
    if (operation_ == Operation::Unknown) operation_ = operation;
  }
  const char* what() const noexcept override;

 private:
  int code_;
  unsigned line_;
  const char* file_;
  const char* function_;
  int os_error_;
  Operation operation_ = Operation::Unknown;
  int check_;
  std::string what_;
};

// `check`: the number of the check within its operation, where one operation
// has several checks that give the same code.
[[noreturn]] void raise(int code, Where where = Where::current(), int check = 0);

// The same, by an operation that names itself (one that calls no other).
[[noreturn]] void raise(int code, Operation operation, Where where, int check = 0);

// Raises the code mapped from the system's own error number (see
// map_os_error), keeping the number for the record.
[[noreturn]] void raise_os(int number, Where where = Where::current(), int check = 0);

// The code of a failure of the system this program was built for: on Windows
// the Win32 error number goes through the table of map_windows_error; on a
// POSIX system errno is mapped by meaning (map_errno).
int map_os_error(int number);

// The table of Win32 error numbers: 2 and 3 (file or path not found) 63,
// 5 (access denied) 75, 32 (sharing violation) 75, 80 (file exists) 64,
// 123 (invalid name) 55, ...; a number the table lacks is 27.
int map_windows_error(int number);

// Maps a POSIX errno to a run-time error code by meaning: no such file or
// directory 63, permission denied, busy or is a directory 75, file exists 64,
// too many open files 66, no space or file too large 67, read-only file
// system 73, name too long, invalid or looping 55, out of memory 7, no such
// device or not the same device 72, not supported 28, anything unmapped
// (an I/O error included) 27.
int map_errno(int errno_value);

// One short English line explaining a code, or an empty view for none.
std::string_view catalogue_text(int code);

// The message of the warning box, UTF-8:
// "\r\n" + module + " [" + line + "行]:エラー[" + code + "]", then, when the
// catalogue has a text for the code, "\n" and that text.
std::string error_message(std::string_view module, unsigned line, int code);

// The first run-time error of work whose failures are due only later: a
// stretch that runs ahead of the point where its errors belong (one reading
// of a file that stands for two) runs each step through attempt(), which
// keeps the first error with the statement that raised it and skips every
// step after it; raise_if_any() raises that error where it is due.
class PendingError {
 public:
  template <class Step>
  void attempt(Step&& step) {
    if (error_) return;
    try {
      step();
    } catch (const RuntimeError& e) {
      error_.emplace(e);
    }
  }
  bool any() const { return error_.has_value(); }
  void raise_if_any() const {
    if (error_) throw *error_;
  }

 private:
  std::optional<RuntimeError> error_;
};

// ---- floating-point checks -------------------------------------------------
// The checks that a processor's exception flags would make after each step:
// an invalid operation is 5, a division by zero 11, an overflow 6, in that
// order of precedence.

// a / b: 0/0 (or a NaN operand) is 5, x/0 is 11, an infinite quotient is 6.
double checked_div(double a, double b, Where where = Where::current());
// A finished result: NaN is 5, +-infinity is 6; otherwise returned unchanged.
double checked(double v, Where where = Where::current());
// Stores a value into a single: NaN is 5, beyond the single range is 6.
float to_single(double v, Where where = Where::current());

// ---- the last-error record -------------------------------------------------
// What the frame records about the last run-time error, per user. The store is
// platform code (a per-user settings store); tests use a memory store.
struct ErrorRecord {
  std::string modl;   // module label, the program name
  unsigned line = 0;  // statement number
  int code = 0;
  int func = 0;      // number of the failing operation (0 when not known)
  int info = 0;      // number of the check within it
  std::string time;  // local time, "%d/%02d/%02d %02d:%02d:%02d"
  std::string mode;  // identifies the program's runtime
  std::string rtl;
  int apierr = 0;  // operating-system error number, 0 when none
};

class ErrorRecordStore {
 public:
  virtual ~ErrorRecordStore() = default;
  virtual void write(const ErrorRecord& record) = 0;
};

// ---- statement numbers -----------------------------------------------------
// A program numbers the source files that can hold a failing statement: the
// file at place p of its table holds the statements 1000 * p + line (every
// file has fewer than 1000 lines). Table entries are paths from the source
// root ("tarvex/app.cpp"). A location in one of the frame's own files (which
// a handler's statement never is) takes its number from the frame's table,
// from place kFrameFirstPlace on; one in a file of neither table is
// 1000 * kUnknownFilePlace + line.
using StatementFiles = std::span<const std::string_view>;
inline constexpr unsigned kFrameFirstPlace = 900;
inline constexpr unsigned kUnknownFilePlace = 999;
extern const StatementFiles kFrameStatementFiles;

unsigned statement_number(StatementFiles program_files, std::string_view file, unsigned line);

// Builds the record of an error for a module, with the current local time:
// LINE the statement number through the program's table (the number the
// message shows too), FUNC and INFO the failing operation and its check,
// MODE "headless" and RTL "tools-1" (a window frame puts its own MODE in),
// APIERR the error's os_error().
ErrorRecord make_record(const RuntimeError& error, std::string_view module,
                        StatementFiles program_files);

}  // namespace frame
