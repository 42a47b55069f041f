// No field value makes a program ask for a block of memory beyond what its
// data needs. This test program replaces the global allocation functions to
// note the largest single request, and runs the programs' handlers in this
// process through the headless driver.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "mulrin/app.h"
#include "tarvex/app.h"
#include "tests/support/programs.h"

namespace {

std::atomic<std::size_t> g_largest{0};

void* allocate(std::size_t size) {
  std::size_t seen = g_largest.load(std::memory_order_relaxed);
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace reliability {
namespace {

using namespace test_support;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// Runs the usual fields with `fields` changed and clicks `button`; returns
// the status, the code and the largest single allocation.
std::tuple<int, int, std::size_t> run_measured(bool mulrin, const Scratch& folder,
                                               const Fields& fields, const char* button) {
  Session run(mulrin ? mulrin::make_app : tarvex::make_app);
  const std::string data = folder.path("data.txt"), report = folder.path("report.txt");
  g_largest = 0;
  const auto r = run.run(click(
      with(mulrin ? mulrin_fields(data, report) : tarvex_fields(data, report), fields), button));
  return {r.status, r.status == 0 ? 0 : r.code(), g_largest.load()};
}

// Every exponent the two-digit field can hold, over 16 data lines: the
// lengths beyond the data end the run silently (no report), the others run or
// fail as they must, and nothing asks for more than the small blocks need.
TEST(LargestAllocation, MulrinExponentsUpTo99OnSixteenLines) {
  Scratch folder;
  std::string data;
  for (int i = 1; i <= 16; ++i) data += std::to_string(i) + "\r\n";
  folder.write("data.txt", data);
  for (int exponent = -1; exponent <= 99; ++exponent) {
    SCOPED_TRACE("exponent " + std::to_string(exponent));
    const auto [status, code, largest] = run_measured(
        true, folder, {{"exponent", std::to_string(exponent)}, {"step", "1"}, {"letters", "4"}},
        "calculate");
    EXPECT_LT(largest, kMiB);
    // 2^0 and 2^-1 are no lengths the transform handles (9); 16 samples in
    // blocks of 16 are exactly one block, whose changes are 0/0 (5).
    EXPECT_EQ(code, exponent <= 0 ? 9 : exponent == 4 ? 5 : 0);
    if (exponent >= 1 && exponent != 4) {
      EXPECT_EQ(folder.exists("report.txt"), exponent < 4);
    }
  }
}

// 2^21 data lines, blocks of 2^20: a step of one sample or less asks for
// terabytes of block table; the run is 7 without asking for them.
TEST(LargestAllocation, MulrinHugeBlockTablesAre7WithoutTheAllocation) {
  Scratch folder;
  folder.write("data.txt", std::string(std::size_t{1} << 21, '\r'));
  for (const char* step : {"1", "0.5", "0.001", "1E-30", "1E-38"}) {
    SCOPED_TRACE(std::string("step ") + step);
    const auto [status, code, largest] =
        run_measured(true, folder, {{"exponent", "20"}, {"step", step}}, "calculate");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(code, 7);
    EXPECT_LT(largest, 4 * kMiB);
  }
}

// tarvex keeps fixed tables: no field value changes what it allocates.
TEST(LargestAllocation, TarvexFieldExtremesAllocateNothingLarge) {
  Scratch folder;
  folder.write("data.txt", sine_data(2000));
  for (const char* value : {"1E38", "-1E38", "1E-38", "1D300", "0", "&H7FFFFFFF"})
    for (const char* field : {"samples-per-cycle", "origin", "angular-speed", "display-interval",
                              "file-interval", "display-factor", "from", "letters"})
      for (const char* button : {"calc", "draw"}) {
        SCOPED_TRACE(std::string(field) + "=" + value + " " + button);
        EXPECT_LT(std::get<2>(run_measured(false, folder, {{field, value}}, button)), kMiB);
      }
}

}  // namespace
}  // namespace reliability
