// Sizes that must not exhaust the machine: an over-long data line, a huge
// file without line ends, block tables far beyond memory. The runs go
// through the real programs with a limit on their address space (where the
// build allows one) and report their peak memory.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "mulrin/app.h"
#include "runs.h"
#include "support.h"

namespace reliability {
namespace {

constexpr rlim_t kMiB = 1 << 20;

class ResourceLimits : public ::testing::Test {
 protected:
  Ended tarvex(const Args& args, const Limits& limits = {}) {
    return run_program(tarvex_program(), args, folder_, limits);
  }
  Ended mulrin(const Args& args, const Limits& limits = {}) {
    return run_program(mulrin_program(), args, folder_, limits);
  }
  // A limit on the address space, and under AddressSanitizer on any single
  // allocation (see run_program).
  static Limits memory_limit(rlim_t bytes) {
    Limits limits;
    limits.address_space = bytes;
    return limits;
  }
  Folder folder_;
};

// ---- line length ---------------------------------------------------------------

TEST_F(ResourceLimits, LineOf32767CharactersIsRead) {
  folder_.put("data.txt", "1\r\n" + std::string(32767, '7') + "\r\n2\r\n");
  const Ended run = tarvex({"--set", "data-file=data.txt", "--click", "check", "--print", "count"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Number of Data: 3\n");
}

TEST_F(ResourceLimits, LineOver32767CharactersIs15) {
  folder_.put("data.txt", "1\r\n" + std::string(32768, '7') + "\r\n2\r\n");
  const auto before = folder_.picture();
  Ended run = tarvex({"--set", "data-file=data.txt", "--click", "check"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), 15) << run.err;
  run = mulrin({"--set", "data-file=data.txt", "--set", "from=1", "--set", "letters=5",
                "--click", "check-data"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), 15) << run.err;
  EXPECT_EQ(folder_.picture(), before);
}

// A long line without any line end, far beyond the limit: 15 at the limit,
// without reading the rest.
TEST_F(ResourceLimits, SixtyFourMegabyteLineWithoutLineEndIs15) {
  folder_.put("data.txt", std::string(64 * kMiB, ' '));
  const Ended run = tarvex({"--set", "data-file=data.txt", "--click", "check"}, memory_limit(512 * kMiB));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), 15) << run.err;
  EXPECT_GT(run.max_rss_kb, 0);
  EXPECT_LT(run.max_rss_kb, 200 * 1024);
}

TEST_F(ResourceLimits, SettingsLineOver32767CharactersIs15AfterTheLinesBefore) {
  folder_.put("setting.ini", "9\r\n12\r\n" + std::string(40000, '#') + "\r\n");
  InProcess run(mulrin::make_app);
  EXPECT_EQ(run.run({"--choose", folder_ / "setting.ini", "--click", "load"}), 1);
  EXPECT_EQ(run.code(), 15) << run.err;
  const frame::Form& form = run.program->form();
  EXPECT_EQ(form.text(frame::ControlRef{*form.find("from")}), "9");
  EXPECT_EQ(form.text(frame::ControlRef{*form.find("letters")}), "12");
  EXPECT_EQ(form.text(frame::ControlRef{*form.find("comment-mark")}), "");
}

// ---- a 2 GiB file without line ends -------------------------------------------
// A sparse file reads as NUL bytes, which are dropped: one empty line, read
// in chunks, never held whole.

class SparseFile : public ResourceLimits {
 protected:
  void SetUp() override {
    const std::string path = folder_ / "sparse.dat";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{2} << 30), 0);
    ::close(fd);
  }
};

TEST_F(SparseFile, TarvexCountsOneLineInBoundedMemory) {
  const Ended run = tarvex({"--set", "comment-mark=#", "--set", "data-file=sparse.dat",
                            "--click", "check", "--print", "count"},
                           memory_limit(512 * kMiB));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Number of Data: 1\n");
  EXPECT_GT(run.max_rss_kb, 0);
  EXPECT_LT(run.max_rss_kb, 200 * 1024);
}

TEST_F(SparseFile, MulrinChecksOneValueInBoundedMemory) {
  const Ended run = mulrin({"--set", "comment-mark=#", "--set", "data-file=sparse.dat",
                            "--set", "from=1", "--set", "letters=8", "--click", "check-data",
                            "--print", "count", "--print", "range"},
                           memory_limit(512 * kMiB));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Number of Data: 1\nmax: 0, min: 0.\n");
  EXPECT_GT(run.max_rss_kb, 0);
  EXPECT_LT(run.max_rss_kb, 200 * 1024);
}

// ---- block tables beyond memory ------------------------------------------------
// 2^21 data lines and blocks of 2^20 samples: with a step of one sample the
// table of 2^20 + 1 blocks would take 8 TiB. Every step that asks for more
// than the machine has is 7 before the tables are made.

class HugeBlockTable : public ResourceLimits, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override { folder_.put("empty-lines.txt", std::string(std::size_t{1} << 21, '\r')); }
};

TEST_P(HugeBlockTable, MulrinIs7BeforeAllocating) {
  folder_.put("report.txt", "an earlier report\r\n\x1a");
  const Ended run = mulrin(
      click(with(mulrin_fields("empty-lines.txt", "report.txt"), {{"exponent", "20"}, {"step", GetParam()}}),
            "calculate"),
      memory_limit(1024 * kMiB));
  EXPECT_EQ(run.signal, 0) << run.err;
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), 7) << run.err;
  EXPECT_NE(run.record.find("CODE=7\n"), std::string::npos);
  EXPECT_GT(run.max_rss_kb, 0);
  EXPECT_LT(run.max_rss_kb, 64 * 1024);
  // The old report was deleted at the start of the run, as every Calculate does.
  EXPECT_FALSE(fs::exists(folder_.path() / "report.txt"));
}

std::string step_name(const ::testing::TestParamInfo<const char*>& info) {
  static const char* const kNames[] = {"One", "Half", "Thousandth", "Tiny"};
  return kNames[info.index];
}
INSTANTIATE_TEST_SUITE_P(Steps, HugeBlockTable, ::testing::Values("1", "0.5", "0.001", "1E-30"),
                         step_name);

// ---- a block start that stops advancing ------------------------------------------
// Block starts are stepped in single precision: from 2^24 on, a step of one
// sample no longer moves the start. The scan stops with 6 there instead of
// transforming the same block forever. (2^24 + 3 empty lines; the table of
// 2^24 blocks of two samples is legitimately a quarter of a gigabyte.)
TEST_F(ResourceLimits, MulrinBlockStartThatStopsAdvancingIs6) {
  folder_.put("empty-lines.txt", std::string((std::size_t{1} << 24) + 3, '\r'));
  folder_.put("report.txt", "an earlier report\r\n\x1a");
  const Ended run = mulrin(
      click(with(mulrin_fields("empty-lines.txt", "report.txt"), {{"exponent", "1"}, {"step", "1"}}),
            "calculate"),
      memory_limit(1024 * kMiB));
  EXPECT_EQ(run.signal, 0) << run.err;
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.code(), 6) << run.err;
  EXPECT_GT(run.max_rss_kb, 0);
  EXPECT_LT(run.max_rss_kb, 512 * 1024);
  EXPECT_FALSE(fs::exists(folder_.path() / "report.txt"));
}

}  // namespace
}  // namespace reliability
