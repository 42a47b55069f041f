#include "frame/line_batches.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Many batches' worth of lines reach the consumer whole, once each and in
// order, at every thread count; a consumer's exception comes back from
// finish(), and the lines after it are not consumed.
TEST(LineBatches, KeepsFileOrderAndTheConsumersFailure) {
  for (int threads : {1, 2, 7}) {
    SCOPED_TRACE(threads);
    std::vector<std::string> seen;
    std::vector<std::int64_t> indices;
    frame::LineBatches batches(
        [&](std::string_view line, std::int64_t index) {
          seen.emplace_back(line);
          indices.push_back(index);
        },
        threads);
    const int lines = 100000;
    for (int i = 0; i < lines; ++i) batches.add(std::to_string(i * 7) + (i % 3 ? "" : " x"), 5 + i);
    batches.finish();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; i += 997) {
      EXPECT_EQ(seen[i], std::to_string(i * 7) + (i % 3 ? "" : " x"));
      EXPECT_EQ(indices[i], 5 + i);
    }

    int consumed = 0;
    frame::LineBatches failing(
        [&](std::string_view, std::int64_t index) {
          if (index == 40000) throw std::runtime_error("bad line");
          ++consumed;
        },
        threads);
    EXPECT_THROW(
        {
          for (int i = 0; i < lines; ++i) failing.add("1", i);
          failing.finish();
        },
        std::runtime_error);
    EXPECT_EQ(consumed, 40000);
  }
  // Dropped unfinished: the worker stops without consuming the rest.
  frame::LineBatches dropped([](std::string_view, std::int64_t) {}, 2);
  for (int i = 0; i < 50000; ++i) dropped.add("12345", i);
}

}  // namespace
