#include "frame/datafile.h"

#include <gtest/gtest.h>

#include "tests/support/support.h"

namespace frame {
namespace {

TEST(CommentMark, LinesStartingWithTheWholeMarkAreCommentsEmptyMarkTakesEmptyLines) {
  const struct {
    const char* mark;
    const char* line;
    bool comment;
  } rows[] = {
      {"#", "#x", true},
      {"#", "#", true},
      {"#", "", false},
      {"#", "  #x", false},
      {"#", "12.5 # later", false},
      {"##", "#", false},
      {"##", "##", true},
      {"##", "## note", true},
      {"##", "#x#", false},
      {"c", "C", false},
      {"", "", true},
      {"", " ", false},
      {"", "#", false},
  };
  for (const auto& r : rows)
    EXPECT_EQ(CommentMark(r.mark).is_comment(r.line), r.comment) << r.mark << "|" << r.line;
  EXPECT_EQ(CommentMark("").length(), 1u);
  EXPECT_EQ(CommentMark("##").length(), 2u);
}

TEST(DataColumn, FromAndLettersRoundedCutTheColumnWithItsPrecision) {
  const struct {
    float from, letters;
    const char* line;
    double value;
  } rows[] = {
      {5, 3, "abcd12345", 123},
      {5, 3, "abc", 0},
      {5, 3, "abcd9", 9},  // cut at the end
      {5, 3, "abcdxyz", 0},
      {4.5f, 2.5f, "abcd12345", 123},  // From 5, letters 3
      {1, 0, "12", 0},
      {0.5f, 1, "7", 7},
      {1, -0.4f, "7", 0},
      {1, 20, "0.1", double{0.1f}},
      {1, 20, "0.10000000", 0.1},
      {1, 20, "  -2.5 7", -2.5},
      {1, 20, "1D300", 1e300},
  };
  for (const auto& r : rows)
    EXPECT_EQ(DataColumn(r.from, r.letters).value(r.line), r.value)
        << r.from << " " << r.letters << " " << r.line;
}

TEST(DataColumn, FromBelowOneOrNegativeLettersIsError5AtTheFirstLine) {
  for (const auto& [from, letters] :
       {std::pair{0.0f, 5.0f}, {1.0f, -1.0f}, {0.4f, 1.0f}, {1.0f, -0.5f}}) {
    const DataColumn column(from, letters);  // no error yet: the fields are only read
    EXPECT_EQ(test_support::code_of([&] { column.value("12345"); }), err::kInvalidCall)
        << from << " " << letters;
  }
}

}  // namespace
}  // namespace frame
