#include "tarvex/dcmdsp.h"

#include <gtest/gtest.h>

#include "tarvex/tests/test_util.h"

namespace tarvex {
namespace {

using testing::error_code_of;

TEST(Dcmdsp, ZeroIsPlusZero) { EXPECT_EQ(DCMDSP(0.0), "+0"); }

TEST(Dcmdsp, BelowOneShowsEightDecimalsWithLeadingZeros) {
  EXPECT_EQ(DCMDSP(-0.5), "-0.50000000");
  EXPECT_EQ(DCMDSP(0.999), "+0.99900000");
  EXPECT_EQ(DCMDSP(0.05), "+0.05000000");
  EXPECT_EQ(DCMDSP(0.0998849), "+0.09988490");
  EXPECT_EQ(DCMDSP(0.000012345678), "+0.00001235");
}

TEST(Dcmdsp, BelowOneRoundingUpToOneIsWrittenAsOne) {
  EXPECT_EQ(DCMDSP(0.9999999999), "+1");
  EXPECT_EQ(DCMDSP(-0.9999999999), "-1");
}

TEST(Dcmdsp, FromOneShowsEightSignificantDigits) {
  EXPECT_EQ(DCMDSP(1.0), "+1");
  EXPECT_EQ(DCMDSP(2.5), "+2.5");
  EXPECT_EQ(DCMDSP(100.0), "+100");
  EXPECT_EQ(DCMDSP(360.0), "+360");
  EXPECT_EQ(DCMDSP(123.456789), "+123.45679");
  EXPECT_EQ(DCMDSP(12345678.0), "+12345678");
  EXPECT_EQ(DCMDSP(-45.0), "-45");
  EXPECT_EQ(DCMDSP(1.41421356), "+1.4142136");
}

TEST(Dcmdsp, JustBelowAPowerOfTenCountsAsThatPower) {
  // log10 rounded to three decimals: 99999999 has nine digits for the rule.
  EXPECT_EQ(DCMDSP(99999999.0), "+100000000");
  // 99.999999 is taken as a three-digit number, so it keeps only 5 decimals.
  EXPECT_EQ(DCMDSP(99.999999), "+100");
  EXPECT_EQ(DCMDSP(99.99), "+99.99");
}

TEST(Dcmdsp, FromTenToTheEighthShowsAllIntegerDigits) {
  EXPECT_EQ(DCMDSP(100000000.0), "+100000000");
  EXPECT_EQ(DCMDSP(-123456789.4), "-123456789");
  EXPECT_EQ(DCMDSP(2147483647.0), "+2147483647");
}

TEST(Dcmdsp, OverflowsAreError6) {
  EXPECT_EQ(error_code_of([] { DCMDSP(2147483647.5); }), frame::err::kOverflow);
  EXPECT_EQ(error_code_of([] { DCMDSP(1e33); }), frame::err::kOverflow);
  EXPECT_EQ(error_code_of([] { DCMDSP(1e-33); }), frame::err::kOverflow);
  EXPECT_EQ(error_code_of([] { DCMDSP(-1e-40); }), frame::err::kOverflow);
}

}  // namespace
}  // namespace tarvex
