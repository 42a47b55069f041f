// Field values that could keep a run going forever, or turn its numbers into
// infinities and NaNs: every run ends, with a report or with the run-time
// error of the operation that meets the value, and changes nothing on disk
// but the report.
#include <gtest/gtest.h>

#include "mulrin/app.h"
#include "runs.h"
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
  std::string data() const { return folder_ / "data.txt"; }
  std::string report() const { return folder_ / "report.txt"; }

  // Runs a command line in this process; checks the ending and that nothing
  // but the report changed; returns the status.
  int run(const frame::ProgramFactory& factory, const Args& args) {
    const auto before = folder_.picture();
    InProcess program(factory);
    const int status = program.run(args);
    err_ = program.err;
    code_ = program.code();
    EXPECT_TRUE(status == 0 || status == 1) << status << " " << program.err;
    if (status == 1) {
      EXPECT_EQ(program.records.written.size(), 1u);
      EXPECT_GT(code_, 0) << program.err;
    } else {
      EXPECT_TRUE(program.records.written.empty());
    }
    EXPECT_EQ(lost_files(before, folder_.picture(), {"report.txt"}), "");
    return status;
  }

  Folder folder_;
  std::string err_;
  int code_ = 0;
};

// ---- intervals that close at every sample or never --------------------------

// The lines of a report file.
int lines_of(const std::string& text) {
  int lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  return lines;
}

TEST_F(FieldValues, TarvexTinyFileIntervalStopsAtThe65thIntervalWith9) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"file-interval", "1E-30"}}), "calc")),
            1);
  EXPECT_EQ(code_, 9) << err_;
  // The three header lines and the 64 rows, as written when the run stopped.
  const std::string report = folder_.read("report.txt");
  EXPECT_EQ(lines_of(report), 3 + 64);
  EXPECT_TRUE(report.ends_with("\r\n"));
}

TEST_F(FieldValues, TarvexHugeFileIntervalNeverClosesAndEnds) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"file-interval", "1E30"}}), "calc")),
            0)
      << err_;
  EXPECT_TRUE(folder_.read("report.txt").ends_with("\r\n\x1a"));
}

TEST_F(FieldValues, TarvexNegativeFileIntervalClosesAtEverySampleWith9) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"file-interval", "-5"}}), "calc")),
            1);
  EXPECT_EQ(code_, 9) << err_;
}

TEST_F(FieldValues, TarvexTinyDisplayIntervalDrawsEverySampleAndEnds) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"display-interval", "1E-30"}}), "draw")),
            0)
      << err_;
}

TEST_F(FieldValues, TarvexHugeDisplayIntervalEnds) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"display-interval", "1E30"}}), "draw")),
            0)
      << err_;
}

TEST_F(FieldValues, TarvexDisplayFactorZeroIs11) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"display-factor", "0"}}), "draw")),
            1);
  EXPECT_EQ(code_, 11) << err_;
}

// ---- angles and sums that overflow -----------------------------------------------

TEST_F(FieldValues, TarvexReferenceAngleBeyondTheRangeIs6) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()),
                           {{"angular-speed", "1D300"}, {"samples-per-cycle", "1D-10"}}),
                      "calc")),
            1);
  EXPECT_EQ(code_, 6) << err_;
}

TEST_F(FieldValues, TarvexOriginTimesCycleBeyondTheRangeIs6) {
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()),
                           {{"origin", "1D300"}, {"samples-per-cycle", "1D300"}}),
                      "calc")),
            1);
  EXPECT_EQ(code_, 6) << err_;
}

TEST_F(FieldValues, MulrinOriginTimesCycleBeyondTheRangeIs6) {
  EXPECT_EQ(run(mulrin::make_app,
                click(with(mulrin_fields(data(), report()),
                           {{"origin", "1D300"}, {"samples-per-cycle", "1D300"}}),
                      "calculate")),
            1);
  EXPECT_EQ(code_, 6) << err_;
}

// Data values at the top of the single range: the sums and squares are
// doubles and hold them; tarvex's result line cannot show a swing beyond the
// 32-bit range (6), mulrin's report writes such values in the overflow form.
TEST_F(FieldValues, DataValuesAtTheTopOfTheSingleRange) {
  std::string big = "# values at the top of the single range\r\n";
  for (int i = 0; i < 400; ++i) big += (i % 2 ? "-3.4E38\r\n" : "3.4E38\r\n");
  folder_.put("big.txt", big);
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(folder_ / "big.txt", report()), {{"letters", "8"}}), "calc")),
            1);
  EXPECT_EQ(code_, 6) << err_;
  EXPECT_EQ(run(mulrin::make_app,
                click(with(mulrin_fields(folder_ / "big.txt", report()),
                           {{"letters", "8"}, {"exponent", "6"}, {"step", "32"}}),
                      "calculate")),
            0)
      << err_;
}

// ---- the subtract file's degree ----------------------------------------------------

TEST_F(FieldValues, SubtractDegreeFarBelowZeroReadsOneCoefficient) {
  folder_.put("sub.txt", "deg=-1e30\r\n720,45,20\r\n#\r\n");
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calc")),
            0)
      << err_;
  EXPECT_EQ(run(mulrin::make_app,
                click(with(mulrin_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calculate")),
            0)
      << err_;
}

// 5.9999999 has eight significant digits: a double just below 6, whose whole
// part 5 asks for A0..A5.
TEST_F(FieldValues, SubtractDegreeJustBelowSixReadsSixCoefficients) {
  folder_.put("sub.txt", "deg=5.9999999\r\n720,45,20,1,0,0,0,0\r\n#\r\n");
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calc")),
            0)
      << err_;
  // One coefficient fewer: A5 is read where the "#" stands, which is no
  // number. The subtract file is read before the report is touched.
  const std::string earlier = folder_.read("report.txt");
  folder_.put("sub.txt", "deg=5.9999999\r\n720,45,20,1,0,0,0\r\n#\r\n");
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calc")),
            1);
  EXPECT_EQ(code_, 58) << err_;
  EXPECT_EQ(folder_.read("report.txt"), earlier);
}

// A degree just above 6 ends the run silently: tarvex has not touched the old
// report yet; mulrin deletes it first, as every Calculate does.
TEST_F(FieldValues, SubtractDegreeJustAboveSixEndsSilently) {
  folder_.put("sub.txt", "deg=6.0000001\r\n720,45,20\r\n#\r\n");
  folder_.put("report.txt", "an earlier report\r\n\x1a");
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calc")),
            0);
  EXPECT_EQ(folder_.read("report.txt"), "an earlier report\r\n\x1a");
  EXPECT_EQ(run(mulrin::make_app,
                click(with(mulrin_fields(data(), report()), {{"subtract-file", folder_ / "sub.txt"}}),
                      "calculate")),
            0);
  EXPECT_FALSE(fs::exists(folder_.path() / "report.txt"));
}

TEST_F(FieldValues, SubtractAmplitudeBeyondTheRangeIs6) {
  folder_.put("sub.txt", "deg=1\r\n720,45,1D300,1D300\r\n#\r\n");
  EXPECT_EQ(run(tarvex::make_app,
                click(with(tarvex_fields(data(), report()),
                           {{"subtract-file", folder_ / "sub.txt"}, {"origin", "-1D10"}}),
                      "calc")),
            1);
  EXPECT_EQ(code_, 6) << err_;
  // At the first data value: the header lines are written, nothing more.
  EXPECT_EQ(lines_of(folder_.read("report.txt")), 4);
}

// ---- every numeric field at its extremes -------------------------------------------
// Each numeric field of both programs takes each extreme value in turn, the
// others keeping sane values; both analysis buttons run. Whatever happens,
// the run ends with 0 or a code of the error table, one record for an error,
// and no file but the report changed.

constexpr const char* kExtremes[] = {"",     "0",     "-1",     "1E-30",  "1E38",
                                     "-1E38", "1D300", "-1D300", "1D-300", "NaN",
                                     "&HFFFFFFFF", "2147483648", "99999999"};

TEST_F(FieldValues, TarvexEveryFieldAtItsExtremesEnds) {
  for (const char* field : {"from", "letters", "samples-per-cycle", "origin", "angular-speed",
                            "display-interval", "file-interval", "display-factor"}) {
    for (const char* value : kExtremes) {
      for (const char* button : {"calc", "draw"}) {
        SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
        run(tarvex::make_app,
            click(with(tarvex_fields(data(), report()), {{field, value}}), button));
      }
    }
  }
}

TEST_F(FieldValues, MulrinEveryFieldAtItsExtremesEnds) {
  for (const char* field : {"from", "letters", "exponent", "step", "samples-per-cycle",
                            "threshold", "origin"}) {
    for (const char* value : kExtremes) {
      for (const char* button : {"calculate", "check-data"}) {
        SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
        run(mulrin::make_app,
            click(with(mulrin_fields(data(), report()), {{field, value}}), button));
      }
    }
  }
}

}  // namespace
}  // namespace reliability
