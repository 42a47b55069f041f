#include "frame/line_batches.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <algorithm>
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

// The values come back in file order at every thread count, and an error
// comes where its line is: a conversion error at its line's value, an error
// of the reading after every value before it, whichever line is first.
TEST(ValuesAhead, ValuesAndErrorsInFileOrder) {
  struct Case {
    int lines, read_fails_at, convert_fails_at;
    const char* error;  // nullptr: all values, then the end
  };
  for (const Case& c : {Case{100000, -1, -1, nullptr}, Case{100000, 70001, -1, "read"},
                        Case{100000, -1, 40000, "convert"}, Case{100000, 40001, 40000, "convert"},
                        Case{100000, 40000, 40001, "read"}, Case{0, -1, -1, nullptr}}) {
    for (int threads : {1, 2, 7}) {
      SCOPED_TRACE(std::to_string(c.read_fails_at) + " " + std::to_string(c.convert_fails_at) +
                   " threads " + std::to_string(threads));
      int read = 0;
      std::string text;
      frame::ValuesAhead values(
          [&](std::string_view& line) {
            if (read == c.read_fails_at) throw std::runtime_error("read");
            if (read == c.lines) return false;
            text = std::to_string(read++);
            line = text;
            return true;
          },
          [&](std::string_view line) {
            const double v = std::stod(std::string(line));
            if (v == c.convert_fails_at) throw std::runtime_error("convert");
            return v;
          },
          threads);
      int taken = 0;
      std::string error;
      try {
        for (double v = 0; values.next(v); ++taken) ASSERT_EQ(v, taken);
      } catch (const std::runtime_error& e) {
        error = e.what();
      }
      EXPECT_EQ(error, c.error ? c.error : "");
      const int first = std::min(c.read_fails_at < 0 ? c.lines : c.read_fails_at,
                                 c.convert_fails_at < 0 ? c.lines : c.convert_fails_at);
      EXPECT_EQ(taken, first);
    }
  }
}

}  // namespace
