// Run-time errors: the one way a failure leaves a handler.
//
// A failing operation raises a RuntimeError where it happens; nothing in the
// logic catches it. The frame (headless driver or window) alone catches it,
// writes the last-error record, reports the message and ends the program.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
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
inline constexpr int kFileNotFound = 63;
inline constexpr int kFileExists = 64;
inline constexpr int kTooManyFiles = 66;
inline constexpr int kDiskFull = 67;
inline constexpr int kDriveNotReady = 72;  // no such device, not the same device
inline constexpr int kWriteProtected = 73;
inline constexpr int kAccessDenied = 75;
inline constexpr int kDeadWindow = 1000;
inline constexpr int kWrongControlKind = 1002;
inline constexpr int kNoSuchControl = 1013;
}  // namespace err

// A run-time error: its code and the statement that failed. The statement is
// the source line of the raising call; public frame operations take the
// caller's location as a defaulted last argument so that the line named is the
// handler's statement, not a line inside the frame.
class RuntimeError : public std::exception {
 public:
  RuntimeError(int code, Where where, int os_error = 0);
  int code() const noexcept { return code_; }
  unsigned line() const noexcept { return line_; }
  const char* file() const noexcept { return file_; }
  const char* function() const noexcept { return function_; }
  // The operating system's error number (errno) when the code was mapped from
  // one, else 0. Kept for the record's "APIERR" value.
  int os_error() const noexcept { return os_error_; }
  const char* what() const noexcept override;

 private:
  int code_;
  unsigned line_;
  const char* file_;
  const char* function_;
  int os_error_;
  std::string what_;
};

[[noreturn]] void raise(int code, Where where = Where::current());

// Raises the code mapped from an errno value (see map_errno), keeping errno.
[[noreturn]] void raise_os(int errno_value, Where where = Where::current());

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

// Builds the record of an error for a module, with the current local time;
// FUNC and INFO are 0, MODE "headless" and RTL "tools-1" (a window frame
// puts its own MODE in), APIERR the error's os_error().
ErrorRecord make_record(const RuntimeError& error, std::string_view module);

}  // namespace frame
