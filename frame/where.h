// The statement a run-time error names: the caller's source location, taken
// as a defaulted last argument so that a frame operation reports the line of
// the handler that called it.
#pragma once

#include <cstdint>
#if __has_include(<source_location>)
#include <source_location>
#endif

namespace frame {

#if defined(__cpp_lib_source_location)
using Where = std::source_location;
#else
// A standard library without std::source_location (libstdc++ 12 under clang
// 14 declares nothing, lacking the compiler builtin): the same from the older
// builtins, which give the caller's file, line and function the same way when
// used in a default argument.
class Where {
 public:
  static constexpr Where current(const char* file = __builtin_FILE(),
                                 const char* function = __builtin_FUNCTION(),
                                 std::uint_least32_t line = __builtin_LINE(),
                                 std::uint_least32_t column = __builtin_COLUMN()) noexcept {
    Where where;
    where.file_ = file;
    where.function_ = function;
    where.line_ = line;
    where.column_ = column;
    return where;
  }
  constexpr Where() noexcept = default;
  constexpr std::uint_least32_t line() const noexcept { return line_; }
  constexpr std::uint_least32_t column() const noexcept { return column_; }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  std::uint_least32_t line_ = 0;
  std::uint_least32_t column_ = 0;
};
#endif

}  // namespace frame
