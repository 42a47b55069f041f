// Sizes that must not exhaust the machine: an over-long data line, a huge
// file without line ends, block tables far beyond memory. The runs go
// through the real programs with a limit on their address space (where the
// build allows one) and report their peak memory.
#include <gtest/gtest.h>

#include "tests/support/programs.h"

namespace reliability {
namespace {

using namespace test_support;

constexpr std::uint64_t kMiB = 1 << 20;

class ResourceLimits : public ::testing::Test {
 protected:
  Ended run(bool mulrin, const Args& args, std::uint64_t address_space = kNoLimit) {
    Limits limits;
    limits.address_space = address_space;  // under AddressSanitizer: any single allocation
    return run_program(mulrin ? mulrin_program() : tarvex_program(), args, folder_, limits);
  }
  // Ended by itself with `code` (0: normally), below `peak_kib` of memory.
  static void expect_ended(const Ended& run, int code, long peak_kib = 0) {
    EXPECT_EQ(run.signal, 0) << run.err;
    EXPECT_EQ(run.status, code == 0 ? 0 : 1) << run.err;
    if (code != 0) {
      EXPECT_EQ(run.code(), code) << run.err;
    }
    if (peak_kib != 0) {
      EXPECT_GT(run.max_rss_kb, 0);
      EXPECT_LT(run.max_rss_kb, peak_kib);
    }
  }
  Scratch folder_;
};

// A long line without any line end: 15 at the limit, without reading the rest.
TEST_F(ResourceLimits, SixtyFourMegabyteLineWithoutLineEndIs15) {
  folder_.write("data.txt", std::string(64 * kMiB, ' '));
  expect_ended(run(false, {"--set", "data-file=data.txt", "--click", "check"}, 512 * kMiB), 15,
               200 * 1024);
}

// A 2 GiB sparse file reads as NUL bytes, which are dropped: one empty line,
// read in chunks, never held whole.
TEST_F(ResourceLimits, SparseFileOfTwoGigabytesIsOneLineInBoundedMemory) {
  fs::resize_file(folder_.write("sparse.dat", ""), std::uintmax_t{2} << 30);
  const Args args = with({}, {{"comment-mark", "#"}, {"data-file", "sparse.dat"}});
  Ended r = run(false, click(args, "check") + Args{"--print", "count"}, 512 * kMiB);
  expect_ended(r, 0, 200 * 1024);
  EXPECT_EQ(r.out, "Number of Data: 1\n");
  r = run(true,
          click(with(args, {{"from", "1"}, {"letters", "8"}}), "check-data") +
              Args{"--print", "count", "--print", "range"},
          512 * kMiB);
  expect_ended(r, 0, 200 * 1024);
  EXPECT_EQ(r.out, "Number of Data: 1\nmax: 0, min: 0.\n");
}

// Block starts are stepped in single precision: from 2^24 on, a step of one
// sample no longer moves the start. The scan stops with 6 there instead of
// transforming the same block forever. (2^24 + 3 empty lines; the table of
// 2^24 blocks of two samples is legitimately a quarter of a gigabyte.)
TEST_F(ResourceLimits, MulrinBlockStartThatStopsAdvancingIs6) {
  folder_.write("empty-lines.txt", std::string((std::size_t{1} << 24) + 3, '\r'));
  folder_.write("report.txt", "an earlier report\r\n\x1a");
  expect_ended(run(true,
                   click(with(mulrin_fields("empty-lines.txt", "report.txt"),
                              {{"exponent", "1"}, {"step", "1"}}),
                         "calculate"),
                   1024 * kMiB),
               6, 512 * 1024);
  EXPECT_FALSE(folder_.exists("report.txt"));
}

}  // namespace
}  // namespace reliability
