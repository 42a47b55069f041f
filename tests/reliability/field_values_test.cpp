// Field values that could keep a run going forever, turn its numbers into
// infinities and NaNs or ask for memory beyond what the data needs, and a
// data file cut short while it is read: every run ends, with a report or with
// the run-time error of the operation that meets the value, and changes
// nothing on disk but the report. This test program replaces the global
// allocation functions to note the largest single request of each run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "mulrin/app.h"
#include "tarvex/app.h"
#include "tests/support/programs.h"

namespace {

std::atomic<std::size_t> g_largest{0};

void* allocate(std::size_t size) {
  std::size_t seen = g_largest.load(std::memory_order_relaxed);
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace reliability {
namespace {

using namespace test_support;

class FieldValues : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write("data.txt", sine_data(2000));
    folder_.write("notes.txt", "not part of any run\r\n");
  }
  // Runs the usual command line with `fields` changed and clicks `button`, in
  // this process; checks the ending and that nothing but the report changed.
  // largest_ keeps the run's largest single allocation.
  int run(bool mulrin, const Fields& fields, const char* button) {
    const auto before = picture(folder_);
    const std::string data = folder_.path("data.txt"), report = folder_.path("report.txt");
    const Args args = click(
        with(mulrin ? mulrin_fields(data, report) : tarvex_fields(data, report), fields), button);
    g_largest = 0;
    Session program(mulrin ? mulrin::make_app : tarvex::make_app);
    const auto r = program.run(args);
    largest_ = g_largest.load();
    err_ = r.err;
    code_ = r.status == 0 ? 0 : r.code();
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << " " << r.err;
    EXPECT_EQ(program.records.written.size(), r.status == 1 ? 1u : 0u);
    if (r.status == 1) {
      EXPECT_GT(code_, 0) << r.err;
    }
    EXPECT_EQ(lost_files(before, picture(folder_), {"report.txt"}), "");
    return r.status;
  }
  Scratch folder_;
  std::string err_;
  int code_ = 0;
  std::size_t largest_ = 0;
};

constexpr std::size_t kMiB = std::size_t{1} << 20;

// ---- single bad values -------------------------------------------------------------

enum Report { Any = -4, Absent = -3, Kept = -2, Complete = -1 };  // or its number of lines

struct BadValue {
  const char* name;
  const char* button;  // "calculate" runs mulrin, the others tarvex
  const char* fields;  // NAME=TEXT by spaces; "@" stands for extra.txt
  std::string extra;   // the bytes of extra.txt (a data or subtract file), or empty
  int code;            // 0: the run ends normally
  int report;          // a Report, or the report's number of lines (no closing 0x1A)
};

class BadValues : public FieldValues, public ::testing::WithParamInterface<BadValue> {};

TEST_P(BadValues, EndWithTheirCode) {
  const BadValue& v = GetParam();
  if (!v.extra.empty()) folder_.write("extra.txt", v.extra);
  Fields fields;
  for (const std::string& word : words(v.fields)) {
    const std::string text = word.substr(word.find('=') + 1);
    fields.emplace_back(word.substr(0, word.find('=')),
                        text == "@" ? folder_.path("extra.txt") : text);
  }
  const std::string earlier = "an earlier report\r\n\x1a";
  folder_.write("report.txt", earlier);
  const bool mulrin = v.button == std::string("calculate");
  EXPECT_EQ(run(mulrin, fields, v.button), v.code == 0 ? 0 : 1) << err_;
  EXPECT_EQ(code_, v.code) << err_;
  const std::string report = folder_.exists("report.txt") ? folder_.read("report.txt") : "-";
  if (v.report == Absent || v.report == Kept) {
    EXPECT_EQ(report, v.report == Kept ? earlier : "-");
  }
  if (v.report == Complete) {
    EXPECT_TRUE(report != earlier && report.ends_with("\r\n\x1a"));
  }
  if (v.report >= 0) {  // no closing 0x1A
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), v.report);
  }
}

// Values at the top of the single range: the sums and squares are doubles and
// hold them; tarvex's result line cannot show a swing beyond the 32-bit range
// (6), mulrin's report writes such values in the overflow form.
std::string top_of_single_range() {
  std::string big = "# values at the top of the single range\r\n";
  for (int i = 0; i < 400; ++i) big += (i % 2 ? "-3.4E38\r\n" : "3.4E38\r\n");
  return big;
}

const BadValue kBadValues[] = {
    // intervals that close at every sample: 64 rows, then 9
    {"TarvexTinyFileIntervalStopsAtThe65thIntervalWith9", "calc", "file-interval=1E-30", "", 9,
     3 + 64},
    // angles and sums that overflow
    {"TarvexReferenceAngleBeyondTheRangeIs6", "calc", "angular-speed=1D300 samples-per-cycle=1D-10",
     "", 6, Any},
    {"TarvexOriginTimesCycleBeyondTheRangeIs6", "calc", "origin=1D300 samples-per-cycle=1D300", "",
     6, Any},
    {"MulrinOriginTimesCycleBeyondTheRangeIs6", "calculate", "origin=1D300 samples-per-cycle=1D300",
     "", 6, Any},
    {"TarvexDataValuesAtTheTopOfTheSingleRangeAre6", "calc", "data-file=@ letters=8",
     top_of_single_range(), 6, Any},
    {"MulrinDataValuesAtTheTopOfTheSingleRangeEnd", "calculate",
     "data-file=@ letters=8 exponent=6 step=32", top_of_single_range(), 0, Complete},
    // the subtract file's degree: one coefficient per entry below 0; 5.9999999
    // (eight digits: a double just below 6) asks for A0..A5, one fewer reads A5
    // where the "#" stands, before the report is touched
    {"TarvexSubtractDegreeFarBelowZeroReadsOneCoefficient", "calc", "subtract-file=@",
     "deg=-1e30\r\n720,45,20\r\n#\r\n", 0, Complete},
    {"TarvexSubtractDegreeJustBelowSixReadsSixCoefficients", "calc", "subtract-file=@",
     "deg=5.9999999\r\n720,45,20,1,0,0,0,0\r\n#\r\n", 0, Complete},
    {"TarvexSubtractDegreeJustBelowSixWithFiveCoefficientsIs58", "calc", "subtract-file=@",
     "deg=5.9999999\r\n720,45,20,1,0,0,0\r\n#\r\n", 58, Kept},
    // just above 6 the run ends silently: tarvex has not touched the old
    // report yet; mulrin deletes it first, as every Calculate does
    {"TarvexSubtractDegreeJustAboveSixEndsSilently", "calc", "subtract-file=@",
     "deg=6.0000001\r\n720,45,20\r\n#\r\n", 0, Kept},
    {"MulrinSubtractDegreeJustAboveSixEndsSilently", "calculate", "subtract-file=@",
     "deg=6.0000001\r\n720,45,20\r\n#\r\n", 0, Absent},
    // 6 at the first data value: the four header lines are written, nothing more
    {"SubtractAmplitudeBeyondTheRangeIs6", "calc", "subtract-file=@ origin=-1D10",
     "deg=1\r\n720,45,1D300,1D300\r\n#\r\n", 6, 4},
};
INSTANTIATE_TEST_SUITE_P(FieldValues, BadValues, ::testing::ValuesIn(kBadValues),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- every numeric field at its extremes -------------------------------------------
// Each numeric field takes each extreme value in turn, the others keeping sane
// values; both analysis buttons run. Whatever happens, the run ends with 0 or
// a code of the error table, one record for an error, and no file but the
// report changed (checked by run).

constexpr const char* kExtremes[] = {
    "",       "0",   "-1",         "1E-30",      "1E-38",      "1E38",     "-1E38", "1D300",
    "-1D300", "NaN", "&HFFFFFFFF", "&H7FFFFFFF", "2147483648", "99999999", "1D-300"};

TEST_F(FieldValues, EveryFieldAtItsExtremesEnds) {
  const struct {
    bool mulrin;
    std::vector<const char*> fields, buttons;
  } programs[] = {
      {false,
       {"from", "letters", "samples-per-cycle", "origin", "angular-speed", "display-interval",
        "file-interval", "display-factor"},
       {"calc", "draw"}},
      {true,
       {"from", "letters", "exponent", "step", "samples-per-cycle", "threshold", "origin"},
       {"calculate", "check-data"}}};
  for (const auto& program : programs)
    for (const char* field : program.fields)
      for (const char* value : kExtremes)
        for (const char* button : program.buttons) {
          SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
          run(program.mulrin, {{field, value}}, button);
          EXPECT_LT(largest_, kMiB);  // no field value asks for a large table
        }
}

// ---- block lengths and block tables beyond the data --------------------------------

// 2^21 data lines, blocks of 2^20: a step of one sample or less asks for
// terabytes of block table; the run is 7 without asking for them. Blocks of
// 2^30, longer than the data, end the run silently without their memory.
TEST_F(FieldValues, MulrinHugeBlockTablesAre7WithoutTheAllocation) {
  folder_.write("data.txt", std::string(std::size_t{1} << 21, '\r'));
  for (const char* step : {"1", "0.5", "0.001", "1E-30", "1E-38"}) {
    SCOPED_TRACE(std::string("step ") + step);
    EXPECT_EQ(run(true, {{"exponent", "20"}, {"step", step}}, "calculate"), 1);
    EXPECT_EQ(code_, 7);
    EXPECT_LT(largest_, 4 * kMiB);
  }
  EXPECT_EQ(run(true, {{"exponent", "30"}, {"step", "1"}}, "calculate"), 0) << err_;
  EXPECT_LT(largest_, 4 * kMiB);
}

// A file cut short while it is read ends at the cut, like a shorter file. The
// file is larger than what the reader takes from the disk at once.
TEST_F(FieldValues, TarvexDataFileCutWhileReadingEndsAtTheCut) {
  folder_.write("data.txt", sine_data(40000));
  Session run(tarvex::make_app);
  int polls = 0;
  run.program().form().on_poll = [&] {  // cut after 25000 data lines
    if (++polls == 500) fs::resize_file(folder_.path("data.txt"), sine_data(25000).size());
  };
  const Args args = with(tarvex_fields(folder_.path("data.txt"), folder_.path("report.txt")),
                         {{"file-interval", "100"}});
  EXPECT_EQ(run.run(click(args, "calc")).status, 0) << run.err;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
  EXPECT_EQ(polls, 25002);  // the two comment lines and the data lines left
}

}  // namespace
}  // namespace reliability
