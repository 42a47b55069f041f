#include "frame/datafile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "frame/numtext.h"
#include "frame/textfile.h"
#include "sample_form.h"

namespace frame {
namespace {

using testing::temp_file;

// Counts the data lines of a file the way the "Check" handlers read it: the
// end of file tested before every line.
float count_data_lines(std::string_view bytes, const std::string& mark) {
  const std::string path = temp_file("count.dat", bytes).string();
  FileTable files;
  const CommentMark comment(mark);
  files.open("I", 1, path);
  float count = 0;  // the count is a single
  while (!files.eof(1)) {
    if (comment.is_data(files.read_line(1))) count = count + 1;
  }
  files.close({1});
  return count;
}

TEST(CommentMark, LinesStartingWithTheMarkAreComments) {
  const CommentMark hash("#");
  EXPECT_EQ(hash.length(), 1u);
  EXPECT_TRUE(hash.is_comment("#x"));
  EXPECT_TRUE(hash.is_comment("#"));
  EXPECT_FALSE(hash.is_comment(""));      // an empty line is a data line
  EXPECT_FALSE(hash.is_comment("  #x"));  // blanks count
  EXPECT_FALSE(hash.is_comment("12.5 # later"));
}

TEST(CommentMark, LongerMarkComparesShortLinesWhole) {
  const CommentMark mark("##");
  EXPECT_EQ(mark.length(), 2u);
  EXPECT_FALSE(mark.is_comment("#"));
  EXPECT_TRUE(mark.is_comment("##"));
  EXPECT_TRUE(mark.is_comment("## note"));
  EXPECT_FALSE(mark.is_comment("#x#"));
  const CommentMark letter("c");
  EXPECT_FALSE(letter.is_comment("C"));  // case matters
}

TEST(CommentMark, EmptyMarkMakesExactlyTheEmptyLinesComments) {
  const CommentMark none("");
  EXPECT_EQ(none.length(), 1u);
  EXPECT_TRUE(none.is_comment(""));
  EXPECT_FALSE(none.is_comment(" "));
  EXPECT_FALSE(none.is_comment("#"));
}

TEST(DataFileCount, HashMarkFourLinesCountThree) {
  EXPECT_EQ(count_data_lines("#x\r\n\r\n  #x\r\n12.5\r\n", "#"), 3.0f);
}

TEST(DataFileCount, EmptyMarkTenLinesTwoEmptyCountEight) {
  EXPECT_EQ(count_data_lines("1\r\n2\r\n\r\n4\r\n5\r\n6\r\n\r\n8\r\n9\r\n10\r\n", ""), 8.0f);
}

TEST(DataFileCount, DoubleHashMarkCountsASingleHashLine) {
  EXPECT_EQ(count_data_lines("#\r\n##\r\n1\r\n", "##"), 2.0f);
  EXPECT_EQ(count_data_lines("#\r\n##\r\n1\r\n", "#"), 1.0f);
}

TEST(DataFileCount, LfOnlyFileIsOneLine) {
  EXPECT_EQ(count_data_lines("1\n2\n3\n", "#"), 1.0f);
  EXPECT_EQ(count_data_lines("#1\n2\n3\n", "#"), 0.0f);
}

TEST(DataFileCount, ClosingMarkOfAWrittenFileIsNoExtraLine) {
  EXPECT_EQ(count_data_lines("1\r\n2\r\n\x1a", "#"), 2.0f);
  EXPECT_EQ(count_data_lines("", "#"), 0.0f);
}

TEST(DataFileCount, MillionsShowInTheSingleExponentForm) {
  float count = 0;
  for (std::int32_t i = 0; i < 1234567; ++i) count = count + 1;
  EXPECT_EQ(count, 1234567.0f);  // exact: a single counts on up to 2^24
  EXPECT_EQ("Number of Data:" + free_form(count, Kind::Single), "Number of Data: 1.23457E+06");
  EXPECT_EQ("Number of Data:" + free_form(1234.0f, Kind::Single), "Number of Data: 1234");
}

TEST(DataColumn, FromAndLettersCutTheColumn) {
  const DataColumn column(5, 3);
  EXPECT_EQ(column.value("abcd12345"), 123.0);
  EXPECT_EQ(column.value("abc"), 0.0);    // the column starts beyond the line
  EXPECT_EQ(column.value("abcd"), 0.0);
  EXPECT_EQ(column.value("abcd9"), 9.0);  // cut at the end of the line
  EXPECT_EQ(column.value(""), 0.0);
  EXPECT_EQ(column.value("abcdxyz"), 0.0);  // not a number: 0, still a value
}

TEST(DataColumn, FieldValuesRoundHalvesAwayFromZero) {
  EXPECT_EQ(DataColumn(4.5f, 2.5f).value("abcd12345"), 123.0);  // From 5, letters 3
  EXPECT_EQ(DataColumn(1, 0).value("12"), 0.0);                // zero width: empty
  EXPECT_EQ(DataColumn(0.5f, 1).value("7"), 7.0);              // From 1
  EXPECT_EQ(DataColumn(1, -0.4f).value("7"), 0.0);             // letters 0
}

TEST(DataColumn, FromBelowOneOrNegativeLettersIsError5AtTheFirstLine) {
  const DataColumn from_zero(0, 5);  // no error yet: the fields are only read
  const DataColumn negative_letters(1, -1);
  const DataColumn from_rounded_to_zero(0.4f, 1);
  const DataColumn letters_rounded_below_zero(1, -0.5f);
  for (const DataColumn* column :
       {&from_zero, &negative_letters, &from_rounded_to_zero, &letters_rounded_below_zero}) {
    try {
      column->value("12345");
      ADD_FAILURE();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.code(), err::kInvalidCall);
    }
  }
}

TEST(DataColumn, ShortColumnsKeepSinglePrecision) {
  const DataColumn column(1, 20);
  EXPECT_EQ(column.value("0.1"), static_cast<double>(0.1f));
  EXPECT_EQ(column.value("0.10000000"), 0.1);
  EXPECT_EQ(column.value("  -2.5 7"), -2.5);
  EXPECT_EQ(column.value("1D300"), 1e300);
}

}  // namespace
}  // namespace frame
