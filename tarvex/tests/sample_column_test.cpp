#include "tarvex/sample_column.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The fast conversion must give exactly what the general one gives, -0 and
// the single rounding included, or decline.
void expect_same_as_general(const std::string& text) {
  double fast = 0;
  if (!plain_decimal_value(text, fast)) return;
  EXPECT_EQ(bits(fast), bits(frame::val(text))) << '"' << text << '"';
}

TEST(PlainDecimal, EdgeShapesMatchTheGeneralConversion) {
  for (const char* text :
       {"", "   ", "0", "-0", "+0", "-0.000", "0.000", "5.", "-5.", "12345678", "-1.2345678", "0.00000001", "123456789",
        "2147483647", "99999.9999", "0.10000000", ".5", "-.5", "+.5",
        "1 2", "  42  ", "12.5", "-1234.567", "1234567", "9999999", "999.9999",
        "0.1", "0.0000001", "0.0000000001", "1234.000", "-32768", "32767", "0.5 x",
        "000000000000001.5", "0.00000012345"}) {
    expect_same_as_general(text);
  }
}

TEST(PlainDecimal, DeclinesWhatItDoesNotHandle) {
  double v = 0;
  for (const char* text : {"1e3", "1D3", "12.5abc", "1,234", "&H1F", "\t42", "-", ".",
                           "- 5", "1234567890", "1.234567890", "0.0000000001", "5!", "5#",
                           "1234567.000", "+", "+x"}) {
    EXPECT_FALSE(plain_decimal_value(text, v)) << text;
  }
}

TEST(PlainDecimal, SevenDigitTextsAreSinglesAndEightDigitTextsDoubles) {
  double v = 0;
  ASSERT_TRUE(plain_decimal_value("0.1", v));
  EXPECT_EQ(v, static_cast<double>(0.1f));
  ASSERT_TRUE(plain_decimal_value("-1234.567", v));
  EXPECT_EQ(v, static_cast<double>(-1234.567f));
  ASSERT_TRUE(plain_decimal_value("0.10000000", v));
  EXPECT_EQ(v, 0.1);
  ASSERT_TRUE(plain_decimal_value("12345678", v));
  EXPECT_EQ(v, 12345678);
}

TEST(PlainDecimal, RandomMeasuredValuesMatchBitForBit) {
  std::mt19937_64 rng(12345);
  std::uniform_int_distribution<int> width(1, 9), point(0, 8), sign(0, 3), blanks(0, 3);
  std::uniform_int_distribution<int> digit(0, 9);
  for (int n = 0; n < 200000; ++n) {
    std::string text(static_cast<std::size_t>(blanks(rng)), ' ');
    const int s = sign(rng);
    if (s == 0) text += '-';
    if (s == 1) text += '+';
    const int w = width(rng);
    const int at = point(rng);
    for (int i = 0; i < w; ++i) {
      if (i == at) text += '.';
      text += static_cast<char>('0' + digit(rng));
    }
    if (blanks(rng) == 0) text += " 7";
    expect_same_as_general(text);
  }
}

TEST(SampleColumn, CutsTheColumnLikeTheDataColumn) {
  const std::vector<std::string> lines = {"00:00:01    1000.123", "abcd12345", "abc", "",
                                          "12:30:00  -12.5e1 ", "x       0.1", "  &H10"};
  for (auto [from, letters] : {std::pair{9.0f, 12.0f}, {5.0f, 3.0f}, {1.0f, 40.0f},
                               {2.5f, 0.0f}, {3.0f, 2.4f}}) {
    const SampleColumn fast(from, letters);
    const frame::DataColumn general(from, letters);
    for (const std::string& line : lines) {
      EXPECT_EQ(bits(fast.value(line)), bits(general.value(line)))
          << line << " from " << from << " letters " << letters;
    }
  }
}

TEST(SampleColumn, FromBelowOneIsError5AtTheFirstLine) {
  const SampleColumn column(0, 10);
  EXPECT_EQ(testing::error_code_of([&] { column.value("1"); }), frame::err::kInvalidCall);
  const SampleColumn negative(1, -1);
  EXPECT_EQ(testing::error_code_of([&] { negative.value("1"); }), frame::err::kInvalidCall);
}

TEST(CommentTest, AgreesWithTheCommentMark) {
  const std::vector<std::string> lines = {"", "#", "##", "#x", " #", "x#", "## x", "\x1a"};
  for (const char* text : {"", "#", "##", " ", "\x1a"}) {
    const frame::CommentMark mark(text);
    const CommentTest test(mark);
    for (const std::string& line : lines) {
      EXPECT_EQ(test.is_comment(line), mark.is_comment(line)) << text << " / " << line;
    }
  }
}

}  // namespace
}  // namespace tarvex
