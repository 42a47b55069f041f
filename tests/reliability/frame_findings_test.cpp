// Faults the fuzz harnesses found in the frame, kept as plain tests.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/numtext.h"

namespace frame {
namespace {

int code_of(auto&& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

// 1 to an infinite power multiplies infinity by 0 on the way: an invalid
// operation, never a NaN handed back to the caller.
TEST(FrameFindings, PowerOfOneToAnInfiniteExponentIs5) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(code_of([&] { power(1, inf); }), 5);
  EXPECT_EQ(code_of([&] { power(1, -inf); }), 5);
  EXPECT_EQ(code_of([&] { power(-1, inf); }), 5);
  EXPECT_EQ(power(1, 1e308), 1);
}

}  // namespace
}  // namespace frame
