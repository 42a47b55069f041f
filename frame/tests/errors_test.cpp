#include "frame/errors.h"
#include "frame/threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "frame/platform/files.h"
#include "frame/platform/process.h"
#include "frame/usage.h"
#include "tests/support/support.h"

namespace frame {
namespace {

using test_support::code_of;

RuntimeError caught(auto&& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no run-time error raised";
  return RuntimeError(0, Where::current());
}

// A frame operation that names its caller's statement.
void failing_operation(Where where = Where::current()) {
  raise(err::kSubscript, where);
}

TEST(RuntimeError, NamesTheCallersStatementAndKeepsTheSystemsNumberForTheRecord) {
  const unsigned line = __LINE__ + 1;
  const RuntimeError e = caught([] { failing_operation(); });
  EXPECT_EQ(e.code(), err::kSubscript);
  EXPECT_EQ(e.line(), line);
  EXPECT_EQ(e.os_error(), 0);
  EXPECT_EQ(std::string(e.what()),
            "error 9 at " + std::string(e.file()) + ":" + std::to_string(line));
  EXPECT_NE(std::string(e.file()).find("errors_test.cpp"), std::string::npos);
  const int denied = platform::error_number(platform::Failure::AccessDenied);
  RuntimeError os = caught([&] { raise_os(denied, Where::current(), 2); });
  os.attribute(Operation::Delete);
  os.attribute(Operation::FileOpen);  // an outer operation: the inner one failed
  const std::string_view files[] = {"frame/tests/other.cpp", "frame/tests/errors_test.cpp"};
  const ErrorRecord r = make_record(os, "mulrin", files);
  EXPECT_EQ(r.modl, "mulrin");
  EXPECT_EQ(r.line, 1000 + os.line());
  EXPECT_EQ(r.code, err::kAccessDenied);
  EXPECT_EQ(r.apierr, denied);  // the system's own number
  EXPECT_EQ(r.func, 8);
  EXPECT_EQ(r.info, 2);
  EXPECT_FALSE(r.mode.empty());
  EXPECT_FALSE(r.rtl.empty());
  EXPECT_TRUE(std::regex_match(r.time, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"))) << r.time;
}

// A file's place in the program's table, else in the frame's, else none.
TEST(StatementNumber, ThousandTimesThePlaceOfTheFilePlusTheLine) {
  const std::string_view files[] = {"tarvex/app.cpp", "tarvex/calc.cpp"};
  const struct {
    std::string_view file;
    unsigned number;
  } rows[] = {
      {"/src/tools/tarvex/app.cpp", 51},     {"tarvex/calc.cpp", 1051},
      {"C:\\tools\\tarvex\\calc.cpp", 1051}, {"/src/mulrin/app.cpp", 999051},
      {"/src/xtarvex/app.cpp", 999051},      {"/src/frame/datafile.cpp", 900051},
      {"/src/frame/form.cpp", 905051},       {"", 999051},
  };
  for (const auto& row : rows)
    EXPECT_EQ(statement_number(files, row.file, 51), row.number) << row.file;
}

TEST(MapErrno, ByMeaning) {
  const std::pair<int, int> table[] = {
      {ENOENT, 63},       {ENOTDIR, 63}, {EACCES, 75}, {EPERM, 75},  {EISDIR, 75},
      {EEXIST, 64},       {EMFILE, 66},  {ENFILE, 66}, {ENOSPC, 67}, {EROFS, 73},
      {ENAMETOOLONG, 55}, {EINVAL, 55},  {EILSEQ, 55}, {ENOMEM, 7},  {EIO, 27},
      {ECHILD, 27},       {0, 27},
#ifdef EDQUOT  // not on Windows
      {EDQUOT, 67},
#endif
  };
  for (auto [errno_value, code] : table) EXPECT_EQ(map_errno(errno_value), code) << errno_value;
}

// Win32 numbers go through their table; a number it lacks is 27. A Windows
// build maps its system's numbers so, a POSIX build by meaning.
TEST(MapWindowsError, TableThenAnyOther) {
  const std::pair<int, int> table[] = {
      {1, 5},    {2, 63},   {3, 63},   {4, 66},   {5, 75},   {8, 7},     {11, 71},  {12, 75},
      {14, 7},   {15, 72},  {16, 72},  {17, 72},  {18, 67},  {19, 73},   {20, 60},  {21, 72},
      {26, 71},  {27, 71},  {28, 60},  {29, 67},  {30, 54},  {32, 75},   {33, 75},  {34, 60},
      {39, 67},  {50, 28},  {65, 55},  {80, 64},  {87, 5},   {108, 59},  {110, 63}, {111, 61},
      {112, 67}, {113, 66}, {123, 55}, {183, 64}, {267, 55}, {1155, 55}, {0, 27},   {6, 27},
      {13, 27},  {122, 27}, {-2, 27}};
  for (auto [number, code] : table) {
    EXPECT_EQ(map_windows_error(number), code) << number;
#ifdef _WIN32
    EXPECT_EQ(map_os_error(number), code) << number;
#else
    EXPECT_EQ(map_os_error(number), map_errno(number)) << number;
#endif
  }
}

TEST(ErrorMessage, LocationLineThenOneCatalogueLinePerCode) {
  for (int code : {5,  6,  7,  9,  10, 11, 13, 15, 27, 28, 50, 51, 52,   54,   55,  57,
                   58, 59, 60, 61, 63, 64, 66, 67, 71, 72, 73, 75, 1000, 1002, 1013}) {
    const std::string_view text = catalogue_text(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find('\n'), std::string_view::npos) << code;
  }
  EXPECT_EQ(catalogue_text(52), "Bad file number or file already open");
  EXPECT_TRUE(catalogue_text(999).empty());
  EXPECT_EQ(error_message("tarvex", 41, 63), "\r\ntarvex [41行]:エラー[63]\nFile not found");
  EXPECT_EQ(error_message("mulrin", 7, 11), "\r\nmulrin [7行]:エラー[11]\nDivision by zero");
  EXPECT_EQ(error_message("tarvex", 3, 999), "\r\ntarvex [3行]:エラー[999]");
}

TEST(FloatingChecks, InvalidBeforeDivisionByZeroBeforeOverflow) {
  const struct {
    double a, b;
    int code, check = 0;  // the record's INFO tells the invalid divisions apart
  } divisions[] = {
      {0, 0, err::kInvalidCall, 2},
      {NAN, 0, err::kInvalidCall, 1},
      {INFINITY, INFINITY, err::kInvalidCall, 3},
      {1, 0, err::kDivisionByZero},
      {-1, -0.0, err::kDivisionByZero},
      {1e300, 1e-300, err::kOverflow},
      {1, 4, 0},
      {1e-300, 1e300, 0},  // underflow is no error
  };
  for (const auto& d : divisions) {
    if (d.code == 0) {
      EXPECT_EQ(checked_div(d.a, d.b), d.a / d.b);
      continue;
    }
    const RuntimeError e = caught([&] { checked_div(d.a, d.b); });
    EXPECT_EQ(std::tuple(e.code(), e.operation(), e.check()),
              std::tuple(d.code, Operation::FloatingPoint, d.check))
        << d.a << "/" << d.b;
  }
  EXPECT_EQ(code_of([] { checked(NAN); }), err::kInvalidCall);
  EXPECT_EQ(code_of([] { checked(-INFINITY); }), err::kOverflow);
  EXPECT_EQ(checked(DBL_MAX), DBL_MAX);
  EXPECT_EQ(code_of([] { to_single(NAN); }), err::kInvalidCall);
  EXPECT_EQ(code_of([] { to_single(1e39); }), err::kOverflow);
  EXPECT_EQ(code_of([] { to_single(-3.5e38); }), err::kOverflow);
  EXPECT_EQ(to_single(3.4028235e38), FLT_MAX);  // rounds to the largest single
  EXPECT_EQ(to_single(0.1), 0.1f);
  EXPECT_EQ(to_single(1e-50), 0.0f);
}

// TOOLS_THREADS asks for 1 to 256 threads; anything else is ignored and the
// processor's cores are used.
TEST(ThreadCount, FromTheEnvironmentWithinLimitsOrTheCores) {
  const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
  const std::string name(kThreadsVariable);
  const std::pair<const char*, int> cases[] = {{"1", 1},     {"7", 7},       {"256", 256},
                                               {"0", cores}, {"257", cores}, {"2x", cores},
                                               {"", cores},  {"-3", cores}};
  for (const auto& [text, expected] : cases) {
    platform::set_environment(name, std::string(text));
    EXPECT_EQ(thread_count(), expected) << text;
  }
  platform::set_environment(name, std::nullopt);
  EXPECT_EQ(thread_count(), cores);
}

// The home folder, where the last-error record goes, keeps a name that is
// not ASCII (on Windows it comes from the wide environment).
TEST(HomeFolder, NamedInAnyScript) {
  auto saved = [](const char* variable) {
    const char* value = std::getenv(variable);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const auto home = saved("HOME"), profile = saved("USERPROFILE");
  const std::string name = "/home/\u5c71\u7530 r\u00e9sum\u00e9";
#ifdef _WIN32
  platform::set_environment("HOME", std::nullopt);
  platform::set_environment("USERPROFILE", name);
#else
  platform::set_environment("HOME", name);
#endif
  EXPECT_EQ(platform::home_folder(), name);
  platform::set_environment("HOME", home);
  platform::set_environment("USERPROFILE", profile);
}

}  // namespace
}  // namespace frame
