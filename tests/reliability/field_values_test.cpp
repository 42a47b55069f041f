// Field values that could keep a run going forever, or turn its numbers into
// infinities and NaNs: every run ends, with a report or with the run-time
// error of the operation that meets the value, and changes nothing on disk
// but the report.
#include <gtest/gtest.h>

#include "mulrin/app.h"
#include "support.h"
#include "tarvex/app.h"

namespace reliability {
namespace {

class FieldValues : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.put("data.txt", sine_data(2000));
    folder_.put("notes.txt", "not part of any run\r\n");
  }
  // Runs the usual command line with `fields` changed and clicks `button`, in
  // this process; checks the ending and that nothing but the report changed.
  int run(bool mulrin, const std::vector<std::pair<std::string, std::string>>& fields,
          const char* button) {
    const auto before = folder_.picture();
    InProcess program(mulrin ? mulrin::make_app : tarvex::make_app);
    const Args usual = mulrin ? mulrin_fields(folder_ / "data.txt", folder_ / "report.txt")
                              : tarvex_fields(folder_ / "data.txt", folder_ / "report.txt");
    const int status = program.run(click(with(usual, fields), button));
    err_ = program.err;
    code_ = status == 0 ? 0 : program.code();
    EXPECT_TRUE(status == 0 || status == 1) << status << " " << program.err;
    EXPECT_EQ(program.records.written.size(), status == 1 ? 1u : 0u);
    if (status == 1) {
      EXPECT_GT(code_, 0) << program.err;
    }
    EXPECT_EQ(lost_files(before, folder_.picture(), {"report.txt"}), "");
    return status;
  }
  Folder folder_;
  std::string err_;
  int code_ = 0;
};

// ---- single bad values -------------------------------------------------------------

enum Report { Any = -4, Absent = -3, Kept = -2, Complete = -1 };  // or its number of lines

struct BadValue {
  const char* name;
  bool mulrin;
  const char* button;
  std::vector<std::pair<std::string, std::string>> fields;  // "@" stands for extra.txt
  std::string extra;  // the bytes of extra.txt (a data or subtract file), or empty
  int code;           // 0: the run ends normally
  int report;         // a Report, or the report's number of lines (no closing 0x1A)
};

class BadValues : public FieldValues, public ::testing::WithParamInterface<BadValue> {};

int lines_of(const std::string& text) {
  int lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  return lines;
}

TEST_P(BadValues, EndWithTheirCode) {
  BadValue v = GetParam();
  if (!v.extra.empty()) folder_.put("extra.txt", v.extra);
  for (auto& field : v.fields)
    if (field.second == "@") field.second = folder_ / "extra.txt";
  const std::string earlier = "an earlier report\r\n\x1a";
  folder_.put("report.txt", earlier);
  EXPECT_EQ(run(v.mulrin, v.fields, v.button), v.code == 0 ? 0 : 1) << err_;
  EXPECT_EQ(code_, v.code) << err_;
  const bool exists = fs::exists(folder_.path() / "report.txt");
  const std::string report = folder_.read("report.txt");
  if (v.report == Absent) {
    EXPECT_FALSE(exists);
  }
  if (v.report == Kept) {
    EXPECT_EQ(report, earlier);
  }
  if (v.report == Complete) {
    EXPECT_TRUE(report != earlier && report.ends_with("\r\n\x1a"));
  }
  if (v.report >= 0) {
    EXPECT_EQ(lines_of(report), v.report);
  }  // no closing 0x1A
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
    // intervals that close at every sample or never: 64 rows, then 9
    {"TarvexTinyFileIntervalStopsAtThe65thIntervalWith9",
     false,
     "calc",
     {{"file-interval", "1E-30"}},
     "",
     9,
     3 + 64},
    {"TarvexNegativeFileIntervalClosesAtEverySampleWith9",
     false,
     "calc",
     {{"file-interval", "-5"}},
     "",
     9,
     3 + 64},
    {"TarvexHugeFileIntervalNeverClosesAndEnds",
     false,
     "calc",
     {{"file-interval", "1E30"}},
     "",
     0,
     Complete},
    {"TarvexTinyDisplayIntervalDrawsEverySampleAndEnds",
     false,
     "draw",
     {{"display-interval", "1E-30"}},
     "",
     0,
     Kept},
    {"TarvexHugeDisplayIntervalEnds", false, "draw", {{"display-interval", "1E30"}}, "", 0, Kept},
    {"TarvexDisplayFactorZeroIs11", false, "draw", {{"display-factor", "0"}}, "", 11, Kept},
    // angles and sums that overflow
    {"TarvexReferenceAngleBeyondTheRangeIs6",
     false,
     "calc",
     {{"angular-speed", "1D300"}, {"samples-per-cycle", "1D-10"}},
     "",
     6,
     Any},
    {"TarvexOriginTimesCycleBeyondTheRangeIs6",
     false,
     "calc",
     {{"origin", "1D300"}, {"samples-per-cycle", "1D300"}},
     "",
     6,
     Any},
    {"MulrinOriginTimesCycleBeyondTheRangeIs6",
     true,
     "calculate",
     {{"origin", "1D300"}, {"samples-per-cycle", "1D300"}},
     "",
     6,
     Any},
    {"TarvexDataValuesAtTheTopOfTheSingleRangeAre6",
     false,
     "calc",
     {{"data-file", "@"}, {"letters", "8"}},
     top_of_single_range(),
     6,
     Any},
    {"MulrinDataValuesAtTheTopOfTheSingleRangeEnd",
     true,
     "calculate",
     {{"data-file", "@"}, {"letters", "8"}, {"exponent", "6"}, {"step", "32"}},
     top_of_single_range(),
     0,
     Complete},
    // the subtract file's degree: one coefficient per entry below 0; 5.9999999
    // (eight digits: a double just below 6) asks for A0..A5, one fewer reads A5
    // where the "#" stands, before the report is touched
    {"TarvexSubtractDegreeFarBelowZeroReadsOneCoefficient",
     false,
     "calc",
     {{"subtract-file", "@"}},
     "deg=-1e30\r\n720,45,20\r\n#\r\n",
     0,
     Complete},
    {"MulrinSubtractDegreeFarBelowZeroReadsOneCoefficient",
     true,
     "calculate",
     {{"subtract-file", "@"}},
     "deg=-1e30\r\n720,45,20\r\n#\r\n",
     0,
     Complete},
    {"TarvexSubtractDegreeJustBelowSixReadsSixCoefficients",
     false,
     "calc",
     {{"subtract-file", "@"}},
     "deg=5.9999999\r\n720,45,20,1,0,0,0,0\r\n#\r\n",
     0,
     Complete},
    {"TarvexSubtractDegreeJustBelowSixWithFiveCoefficientsIs58",
     false,
     "calc",
     {{"subtract-file", "@"}},
     "deg=5.9999999\r\n720,45,20,1,0,0,0\r\n#\r\n",
     58,
     Kept},
    // just above 6 the run ends silently: tarvex has not touched the old
    // report yet; mulrin deletes it first, as every Calculate does
    {"TarvexSubtractDegreeJustAboveSixEndsSilently",
     false,
     "calc",
     {{"subtract-file", "@"}},
     "deg=6.0000001\r\n720,45,20\r\n#\r\n",
     0,
     Kept},
    {"MulrinSubtractDegreeJustAboveSixEndsSilently",
     true,
     "calculate",
     {{"subtract-file", "@"}},
     "deg=6.0000001\r\n720,45,20\r\n#\r\n",
     0,
     Absent},
    // 6 at the first data value: the four header lines are written, nothing more
    {"SubtractAmplitudeBeyondTheRangeIs6",
     false,
     "calc",
     {{"subtract-file", "@"}, {"origin", "-1D10"}},
     "deg=1\r\n720,45,1D300,1D300\r\n#\r\n",
     6,
     4},
};
INSTANTIATE_TEST_SUITE_P(FieldValues, BadValues, ::testing::ValuesIn(kBadValues),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- every numeric field at its extremes -------------------------------------------
// Each numeric field takes each extreme value in turn, the others keeping sane
// values; both analysis buttons run. Whatever happens, the run ends with 0 or
// a code of the error table, one record for an error, and no file but the
// report changed (checked by run).

constexpr const char* kExtremes[] = {"",           "0",          "-1",      "1E-30",  "1E38",
                                     "-1E38",      "1D300",      "-1D300",  "1D-300", "NaN",
                                     "&HFFFFFFFF", "2147483648", "99999999"};

TEST_F(FieldValues, TarvexEveryFieldAtItsExtremesEnds) {
  for (const char* field : {"from", "letters", "samples-per-cycle", "origin", "angular-speed",
                            "display-interval", "file-interval", "display-factor"})
    for (const char* value : kExtremes)
      for (const char* button : {"calc", "draw"}) {
        SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
        run(false, {{field, value}}, button);
      }
}

TEST_F(FieldValues, MulrinEveryFieldAtItsExtremesEnds) {
  for (const char* field :
       {"from", "letters", "exponent", "step", "samples-per-cycle", "threshold", "origin"})
    for (const char* value : kExtremes)
      for (const char* button : {"calculate", "check-data"}) {
        SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
        run(true, {{field, value}}, button);
      }
}

}  // namespace
}  // namespace reliability
