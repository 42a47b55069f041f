#include "frame/numtext.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "frame/constants.h"
#include "tests/support/support.h"

namespace frame {
using test_support::code_of;
namespace {

using namespace std::string_literals;

// head, n times c, tail.
std::string run_of(const std::string& head, std::size_t n, char c, const char* tail = "") {
  return std::string(head).append(n, c).append(tail);
}

// ---- free form ------------------------------------------------------------------

TEST(FreeForm, SingleSwitchesToExponentAtOneMillionDoubleAtSixteenDigits) {
  const struct {
    double value;
    Kind kind;
    const char* text;
  } rows[] = {
      {0, Kind::Single, " 0"},
      {0.5, Kind::Single, " .5"},
      {-2.25, Kind::Single, "-2.25"},
      {100000, Kind::Single, " 100000"},
      {1000000, Kind::Single, " 1E+06"},
      {1234565, Kind::Single, " 1.23457E+06"},  // a cut digit of 5 rounds up
      {0.000123f, Kind::Single, " .000123"},
      {0.000001f, Kind::Single, " .000001"},
      {0.0000123f, Kind::Single, " 1.23E-05"},
      {1.0f / 3.0f, Kind::Single, " .333333"},
      {1.0 / 3.0, Kind::Double, " .333333333333333"},
      {4096, Kind::Long, " 4096"},
      {1000000, Kind::Double, " 1000000"},
      {0.0000123, Kind::Double, " .0000123"},
      {1e15, Kind::Double, " 1D+015"},
      {123456789012345.0, Kind::Double, " 123456789012345"},
      {-1.5e-7, Kind::Double, "-.00000015"},
      {-1.5e-15, Kind::Double, "-1.5D-015"},
      {1.5e-300, Kind::Double, " 1.5D-300"},
      // Rounding carries into a new digit; a single kind takes the single value.
      {9.999996f, Kind::Single, " 10"},
      {999999.6f, Kind::Single, " 1E+06"},
      {0.1f, Kind::Double, " .100000001490116"},
      {0.1, Kind::Single, " .1"},
      {1.4e-45, Kind::Single, " 1.4013E-45"},
      {-0.0, Kind::Single, " 0"},
  };
  for (const auto& r : rows) EXPECT_EQ(free_form(r.value, r.kind), r.text) << r.value;
  EXPECT_EQ(item_form(-0.5, Kind::Double), "-.5 ");
  EXPECT_EQ(item_form(1E+20, Kind::Double), " 1D+020 ");
}

// ---- pattern form -----------------------------------------------------------------

TEST(PatternForm, ExactTiesAwayFromZeroSignBeforeRoundingAndOverflowForm) {
  const struct {
    double value;
    const char* pattern;
    const char* text;
  } rows[] = {
      {0.5, "#####.####)", "    0.5000)"},
      {-45.25, "####.####deg", " -45.2500deg"},
      {359.99996, "####.####deg:", " 360.0000deg:"},
      {-1.5, ":#######.####", ":     -1.5000"},
      {0, "(####.####)", "(   0.0000)"},
      {0.00006, "####.####", "   0.0001"},
      {-0.00001, "####.####", "  -0.0000"},
      {1.00005, "####.####", "   1.0001"},
      {2.00005, "####.####", "   2.0000"},
      {12345.6, "####.####", "% 12345.6"},
      {-1234.5, "####.####", "%-1234.5"},
      {9999.99996, "####.####", "% 9999.99996"},
      {-123456, "######(", "%-123456("},
      {99999.5, "######.####deg)", " 99999.5000deg)"},
      {1234.5, "####.####", "1234.5000"},
      {999.99996, "####.####", "1000.0000"},
      {-999.99996, "####.####", "%-999.99996"},
      {-0.0, "####.####", "   0.0000"},
      {12345.6, "####.####)", "% 12345.6)"},
      {1e300, "####", "% 1D+300"},
      {0.00005, "#.####", "0.0001"},
      {0.00004999, "#.####", "0.0000"},
      {0.6, "#", "1"},
      {0.000009, "#.####", "0.0000"},
      {-0.000009, "##.####", "-0.0000"},
      {4e-300, "#.##", "0.00"},
      {0.125, "#.##", "0.13"},
      {-0.125, "##.##", "-0.13"},
      {2.5, "##", " 3"},
      {-2.5, "##", "-3"},
      {0.5, ".##", ".50"},
      {-0.5, ".##", "%-.5"},
      {12, "x##.y", "x12.y"},
      {7, "_#=##_#", "#= 7#"},
      {0.1, "#.#########################", "0.1000000000000000055511151"},
  };
  for (const auto& r : rows)
    EXPECT_EQ(pattern_form(r.value, Kind::Double, r.pattern), r.text) << r.value;
  EXPECT_EQ(pattern_form(12.5f, Kind::Single, "######("), "    13(");
  EXPECT_EQ(code_of([] { pattern_form(1, Kind::Double, "abc"); }), err::kInvalidCall);
  EXPECT_EQ(code_of([] { pattern_form(1, Kind::Double, "_#."); }), err::kInvalidCall);
}

// ---- text to number -----------------------------------------------------------------

TEST(TextToNumber, SyntaxEndsAtBlankOrForeignCharacter) {
  const float next_up_one = std::nextafter(1.0f, 2.0f);
  const std::string mid = "1.00000000000000011102230246251565404236316680908203125";
  const std::pair<std::string, double> rows[] = {
      {"0.1", double{0.1f}},
      {"0.10000000", 0.1},
      {"-.5", -0.5},
      {"1e3", 1000},
      {"&H1F", 31},
      {" 42", 42},
      {"42 ", 42},
      {"4 2", 4},
      {"\t42", 0},
      {"12.5abc", 12.5},
      {"1,234", 1},
      {"1.2.3", double{1.2f}},
      {"1E 5", 1},
      {"+.5", 0.5},
      {"abc", 0},
      {"+x", 0},
      {".x", 0},
      {"", 0},
      {"-", 0},
      {"&", 0},
      {"&X1", 0},
      // Seven digits lose what eight keep.
      {"1234.567", double{1234.567f}},
      {"1234.5670", 1234.567},
      {"1D50", 1e50},
      {"1E-50", 0},
      {"1D-400", 0},
      {"3.4028235E38", double{FLT_MAX}},
      {"&hff", 255},
      {"&O17", 15},
      {"&o78", 7},
      {"&H", 0},
      {"&HFFFFFFFFFFFFFFFFF", 0x1p68},
      {run_of("&O", 30, '7'), 0x1p90},
      {run_of("&O1", 340, '0'), 0x1p1020},
      // A single rounds the decimal directly, not through a double.
      {"1.0000000596046447753906250001E0", double{next_up_one}},
      {"1.000000059604644775390625E0", 1.0},
      // Long digit strings stay exact.
      {mid + "D0", 1.0},
      {run_of(mid, 900, '0', "1D0"), std::nextafter(1.0, 2.0)},
      {run_of("1", 800, '0', "D-800"), 1.0},
      {run_of("0.", 300, '0', "1D301"), 1.0},
  };
  for (const auto& [text, value] : rows) EXPECT_EQ(val(text), value) << text.substr(0, 40);
  for (const std::string& text :
       {"1E50"s, "1D309"s, std::string(400, '9'), run_of("&H", 257, 'F'), "40000%"s})
    EXPECT_EQ(code_of([&] { text_to_number(text); }), err::kOverflow) << text.substr(0, 20);
}

TEST(TextToNumber, KindFollowsTheWrittenDigits) {
  const std::pair<const char*, Kind> rows[] = {
      {"0.1", Kind::Single},       {"0.10000000", Kind::Double}, {"1e3", Kind::Single},
      {"&H1F", Kind::Double},      {"32767", Kind::Short},       {"-32768", Kind::Short},
      {"32768", Kind::Long},       {"-2147483648", Kind::Long},  {"2147483648", Kind::Double},
      {"12.000", Kind::Short},     {"1.234567", Kind::Single},   {"0.0001234567", Kind::Single},
      {"1.2345670", Kind::Double}, {"1D0", Kind::Double},        {"1.5!", Kind::Single},
      {"1.5#", Kind::Double},      {"7&", Kind::Long},           {"7%", Kind::Short},
      {"12.5%", Kind::Single},
  };
  for (const auto& [text, kind] : rows) EXPECT_EQ(text_to_number(text).kind, kind) << text;
}

// A field read into a number: no blank skipped, no type character, the
// value straight to the kind; the end and the error without throwing.
TEST(ScanNumber, FieldModeReportsEndAndErrorWithoutThrowing) {
  struct Row {
    const char* text;
    Kind kind;
    double value;
    std::size_t end;
    ScanError error;
  };
  const Row rows[] = {
      {"1e", Kind::Double, 1, 1, ScanError::None},
      {"0.1", Kind::Double, 0.1, 3, ScanError::None},
      {"-2.5x", Kind::Short, -3, 4, ScanError::None},
      {"40000", Kind::Short, 0, 5, ScanError::Overflow},
      {"3.5e38", Kind::Single, 0, 6, ScanError::Overflow},
      {"&HFFFFFFFFFF", Kind::Long, 0, 12, ScanError::Overflow},
      {"-.", Kind::Double, 0, 2, ScanError::None},
      {" 1", Kind::Double, 0, 0, ScanError::NotANumber},
      {"&x", Kind::Double, 0, 0, ScanError::NotANumber},
  };
  for (const Row& r : rows) {
    const Scanned s = scan_number(r.text, r.kind);
    EXPECT_EQ(s.error, r.error) << r.text;
    EXPECT_EQ(s.end, r.end) << r.text;
    if (r.error == ScanError::None) {
      EXPECT_EQ(s.kind, r.kind) << r.text;
    }
    if (r.error != ScanError::Overflow) {
      EXPECT_EQ(s.value, r.value) << r.text;
    }
  }
}

// ---- whole number, floor, power -------------------------------------------------------

TEST(WholeNumber, HalvesAwayFromZeroAndOverflowOutsideTheKind) {
  EXPECT_EQ(whole_number(2.5, Kind::Short), 3);
  EXPECT_EQ(whole_number(-2.5, Kind::Short), -3);
  EXPECT_EQ(whole_number(2.4999, Kind::Short), 2);
  EXPECT_EQ(whole_number(0.49999999999999994, Kind::Long), 0);
  EXPECT_EQ(whole_number(32767.4, Kind::Short), 32767);
  EXPECT_EQ(whole_number(-32768.4, Kind::Short), -32768);
  EXPECT_EQ(whole_number(32767.5, Kind::Long), 32768);
  EXPECT_EQ(whole_number(-2147483648.4, Kind::Long), -2147483647 - 1);
  EXPECT_EQ(code_of([] { whole_number(32767.5, Kind::Short); }), err::kOverflow);
  EXPECT_EQ(code_of([] { whole_number(-32768.5, Kind::Short); }), err::kOverflow);
  EXPECT_EQ(code_of([] { whole_number(2147483647.5, Kind::Long); }), err::kOverflow);
  EXPECT_EQ(code_of([] { whole_number(NAN, Kind::Long); }), err::kOverflow);
  EXPECT_EQ(floor_value(-2.5), -3);
  EXPECT_EQ(floor_value(2.5), 2);
}

TEST(Power, SpecialCasesAndOverflow) {
  const struct {
    double x, y, result;
  } rows[] = {
      {0, 0, 1},   {0, -1, 0}, {5, 0, 1},      {2, 10, 1024}, {10, 2, 100},
      {-2, 3, -8}, {-2, 2, 4}, {4, -0.5, 0.5}, {10, -400, 0}, {1, 1e308, 1},
  };
  for (const auto& r : rows) EXPECT_EQ(power(r.x, r.y), r.result) << r.x << "^" << r.y;
  // 1 to an infinite power multiplies infinity by 0 on the way: no NaN handed back.
  for (const auto& [x, y] : {std::pair{1.0, INFINITY}, {1.0, -INFINITY}, {-1.0, INFINITY}})
    EXPECT_EQ(code_of([&] { power(x, y); }), err::kInvalidCall) << x << "^" << y;
  EXPECT_DOUBLE_EQ(power(2, 0.5), std::sqrt(2.0));
  EXPECT_EQ(code_of([] { power(-8, 1.0 / 3.0); }), err::kOverflow);
  EXPECT_EQ(code_of([] { power(10, 400); }), err::kOverflow);
}

// The reference angles of long files reach 1e5 radians and more: there the
// sine and cosine must still be the double nearest to the true value (the
// processor's own instructions are tens of units off in the last place).
TEST(Trigonometry, LargeAnglesGiveTheNearestSineAndCosine) {
  const struct {
    double angle, sine, cosine;
  } rows[] = {{1e5, 0x1.24daa9c527e96p-5, -0x1.ffac3841b3da7p-1},
              {123456.789, -0x1.ff50e60ab53f9p-1, 0x1.a74d27c41b22ap-5},
              {-98765.4321, -0x1.5a0fd0d209b99p-5, 0x1.ff8afef125a18p-1},
              {3e7, 0x1.eda27c851d431p-1, -0x1.0fccb9cbaf7eap-2},
              {0.5, 0x1.eaee8744b05fp-2, 0x1.c1528065b7d5p-1}};
  for (const auto& row : rows) {
    EXPECT_EQ(platform::sine(row.angle), row.sine) << row.angle;
    EXPECT_EQ(platform::cosine(row.angle), row.cosine) << row.angle;
  }
}

}  // namespace
}  // namespace frame
