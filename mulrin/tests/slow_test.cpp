// Calculate on more data lines than a single counts: label slow.
#include <gtest/gtest.h>

#include <string>

#include "mulrin/tests/support.h"

namespace mulrin {
namespace {

using testing::calculate_args;
using testing::Scratch;
using testing::Session;

TEST(Calculate, CountIsExactBeyondTheSinglePrecisionRange) {
  Scratch dir;
  std::string text;
  for (std::size_t i = 0; i < (std::size_t{1} << 24) + 2; ++i) text += i % 2 ? "3\r" : "1\r";
  const std::string data = dir.write("data.txt", text);
  Session s;
  const auto r = s.run(calculate_args(data, dir.path("out.txt"), "1", "8388608", "1"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.text("TEXT6"), "Number of Data: 1.67772E+07");
  EXPECT_NE(
      dir.read("out.txt").find("Avg-Swing(St-D)/D-Swing,Avg-Phase(St-D)/D-Phase:      "
                               "0.0000cycle----:8388608.0000cycle----:% 16777216cycle----\r\n"),
      std::string::npos);
}

}  // namespace
}  // namespace mulrin
