#include "frame/textfile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/platform/files.h"
#include "tests/support/support.h"

namespace frame {
using test_support::code_of;
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

class TextFile : public ::testing::Test {
 protected:
  void TearDown() override { files_.abandon(); }
  std::string path(const std::string& name) const { return scratch_.path(name); }
  std::string put(const std::string& name, const std::string& bytes) const {
    return scratch_.write(name, bytes);
  }
  std::string bytes(const std::string& name) const { return scratch_.read(name); }
  // Every line (or field) of a file, testing the end of file before each read.
  enum How { kLines, kFields, kBatches };
  Lines read_all(const std::string& p, How how = kLines, std::size_t chunk = 0) {
    files_.set_read_chunk_size(chunk);
    files_.open("I", 1, p);
    Lines out;
    while (!files_.eof(1)) {
      if (how == kBatches) {
        for (std::string_view line : files_.read_lines(1)) out.emplace_back(line);
      } else {
        out.emplace_back(how == kFields ? files_.read_field(1) : files_.read_line(1));
      }
    }
    files_.close({1});
    return out;
  }

  test_support::Scratch scratch_;
  const std::string dir_ = scratch_.dir().string();
  FileTable files_;
};

TEST_F(TextFile, OpenChecksModeTextPathNumberThenModeAndMapsSystemFailures) {
  const std::string p = put("a.txt", "x"), old = put("old.txt", "old");
  // 260 characters are allowed: the name is merely not there.
  const std::string long_name = dir_ + "/" + std::string(259 - dir_.size(), 'n');
  const struct {
    const char* mode;
    int number;
    std::string path;
    int code;
  } rows[] = {
      {"", 0, p, 55},
      {"IO", 1, p, 55},
      {"I", 0, std::string(261, 'a'), 55},
      {"I", 1, path("a?.txt"), 55},
      {"I", 1, path("*.txt"), 55},
      {"X", 0, p, 50},
      {"I", 256, p, 50},
      {"X", 1, p, 51},
      {"A", 1, p, 51},
      {"I", 1, path("missing.txt"), 63},
      {"I", 1, dir_, 75},
      {"I", 1, long_name, 63},
      {"O", 2, old, 64},
  };
  for (const auto& r : rows)
    EXPECT_EQ(code_of([&] { files_.open(r.mode, r.number, r.path); }), r.code)
        << r.mode << r.number << r.path;
  EXPECT_EQ(bytes("old.txt"), "old");
  files_.open("I", 255, p);
  EXPECT_EQ(code_of([&] { files_.open("I", 255, p); }), 52);
}

TEST_F(TextFile, NumbersMustBeOpenAndInTheRightMode) {
  files_.open("I", 1, put("in.txt", "a\r\n"));
  files_.open("O", 2, path("out.txt"));
  EXPECT_EQ(code_of([&] { files_.read_line(3); }), 57);
  EXPECT_EQ(code_of([&] { files_.write_text(0, "x", Sep::None); }), 50);
  EXPECT_EQ(code_of([&] { files_.read_line(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.read_field(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.eof(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.write_number(1, 1, Kind::Short, Sep::None); }), 51);
  EXPECT_EQ(code_of([&] { files_.close({3, 256}); }), 50);  // 3 is ignored
  files_.close({});
  EXPECT_EQ(code_of([&] { files_.eof(1); }), 57);
  EXPECT_EQ(bytes("out.txt"), "\x1A");
}

// An open file is the file itself: every other name of it (spelling, hard or
// symbolic link) is open too; a name differing in letter case only is another
// file on a case-sensitive file system.
TEST_F(TextFile, OpenPathIsTheSameFileByAnyName) {
  if (!test_support::kPosix)
    GTEST_SKIP() << "Windows file names ignore letter case; symbolic links need a privilege";
  put("Data.txt", "1");
  put("DATA.TXT", "2");
  fs::create_hard_link(path("Data.txt"), path("hard.txt"));
  fs::create_symlink(path("Data.txt"), path("soft.txt"));
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  files_.open("I", 1, "Data.txt");
  fs::current_path(before);
  for (const char* name : {"sub/../Data.txt", "hard.txt", "soft.txt"})
    EXPECT_TRUE(files_.is_open_path(dir_ + "/" + name)) << name;
  EXPECT_FALSE(files_.is_open_path(path("DATA.TXT")));
  EXPECT_FALSE(files_.is_open_path("Data.txt"));  // another directory now
  EXPECT_EQ(code_of([&] { delete_file(files_, dir_ + "/./hard.txt"); }), 52);
  EXPECT_EQ(code_of([&] { create_output(files_, 2, path("soft.txt")); }), 52);
  EXPECT_EQ(code_of([&] { check_not_input(path("hard.txt"), {"", path("soft.txt")}); }), 52);
  check_not_input(path("DATA.TXT"), {path("Data.txt"), path("missing.txt")});
  delete_file(files_, path("DATA.TXT"));
  EXPECT_FALSE(fs::exists(path("DATA.TXT")));
}

TEST_F(TextFile, LinesEndAtCrOrCrLfNulDroppedFinalMarkerIsEndOfData) {
  const std::pair<std::string, Lines> rows[] = {
      {"a\r\nb\rc\nd\n\r\n\r\ne", {"a", "b", "c\nd\n", "", "e"}},
      {"1\n2\n3\n", {"1\n2\n3\n"}},
      {"a\0b\0\r\n\0"s, {"ab", ""}},
      {"", {}},
      {"x\r\ny\r\n\x1A", {"x", "y"}},
      {"x\x1A", {"x"}},
      {"a\x1A"
       "b\r\n\x1A\x1A",
       {"a\x1A"
        "b",
        "\x1A"}},
      {"x\r\x1A", {"x"}},
      {"ab\r\n\r\nx\0y\r\n"s + std::string(1000, 'L') +
           "\r\np\rq\r\n\x1A"
           "z\n\rtail\x1A",
       {"ab", "", "xy", std::string(1000, 'L'), "p", "q",
        "\x1A"
        "z\n",
        "tail"}},
  };
  for (const auto& [content, lines] : rows)
    for (std::size_t chunk : {1, 2, 3, 7, 64, 0})  // where the chunks end changes nothing
      for (How how : {kLines, kBatches})
        EXPECT_EQ(read_all(put("f", content), how, chunk), lines) << content << " " << chunk;
  // More lines than one batch of read_lines gives.
  std::string many;
  for (int i = 0; i < 10000; ++i) many += std::to_string(i) + "\r\n";
  const Lines numbers = read_all(put("m", many), kBatches);
  ASSERT_EQ(numbers.size(), 10000u);
  EXPECT_EQ(numbers[9999], "9999");
  // Lines of every length up to two scan blocks and a bit, ending in CR or
  // CR LF, some holding an LF, at every offset from the chunk's start.
  std::string mixed;
  std::uint32_t state = 12345;
  for (int i = 0; i < 3000; ++i) {
    state = state * 1103515245u + 12345u;
    const std::uint32_t r = state >> 8;
    mixed += std::string(r % 140, static_cast<char>('a' + i % 26));
    if (r % 11 == 0) mixed += '\n';
    mixed += r % 3 == 0 ? "\r" : "\r\n";
  }
  mixed += "\x1A";
  const Lines expected = read_all(put("x", mixed), kLines);
  for (std::size_t chunk : {63, 64, 65, 100, 4096, 0})
    EXPECT_EQ(read_all(put("x", mixed), kBatches, chunk), expected) << chunk;
  // The second line's CR is the last byte of the first chunk: its LF, in the
  // next chunk, still ends the same line.
  const std::string e(62, 'e'), f(63, 'f');
  EXPECT_EQ(read_all(put("e", e + "\r\n" + f + "\r\ng\r\n"), kBatches, 128), (Lines{e, f, "g"}));
  // Writing a report between the lines of a batch leaves the batch as it was.
  files_.set_read_chunk_size(0);
  files_.set_write_buffer_size(4);
  files_.open("I", 1, put("w", "zero\r\none\r\ntwo\r\n"));
  files_.open("O", 2, path("report.txt"));
  EXPECT_EQ(files_.read_lines(1).size(), 1u);  // the first line loads the chunk
  const auto batch = files_.read_lines(1);
  ASSERT_EQ(batch.size(), 2u);
  for (const std::string_view line : batch) files_.write_text(2, line, Sep::EndOfLine);
  EXPECT_EQ(Lines(batch.begin(), batch.end()), (Lines{"one", "two"}));
  files_.close({});
  EXPECT_EQ(bytes("report.txt"), "one\r\ntwo\r\n\x1A");
  // Past the end test the marker still ends an (empty) line.
  files_.open("I", 1, put("e", "\x1A"));
  EXPECT_TRUE(files_.eof(1));
  EXPECT_EQ(files_.read_line(1), "");
  EXPECT_EQ(code_of([&] { files_.read_line(1); }), 54);
  files_.open("I", 2, put("g", "last"));
  EXPECT_EQ(files_.read_line(2), "last");
  EXPECT_TRUE(files_.eof(2));
  EXPECT_EQ(code_of([&] { files_.read_field(2); }), 54);
}

TEST_F(TextFile, LinesUpTo32767CharactersNulsNotCountedEvenInA2GiBFile) {
  const std::string limit(kMaxLine, 'x');
  std::string with_nuls = limit;
  with_nuls.insert(100, 50, '\0');
  EXPECT_EQ(read_all(put("a", limit + "\r\n" + with_nuls)), (Lines{limit, limit}));
  EXPECT_EQ(read_all(put("a", limit + "\r\n" + with_nuls), kBatches), (Lines{limit, limit}));
  files_.open("I", 1, put("b", "a\r\n" + limit + "y\r\n"));
  EXPECT_EQ(files_.read_lines(1).size(), 1u);  // the long line is next, and refused
  EXPECT_EQ(code_of([&] { files_.read_lines(1); }), 15);
  const std::string huge = put("huge", std::string(40000, 'x'));
  fs::resize_file(huge, std::uintmax_t{2} << 30);  // sparse, no line end
  files_.open("I", 2, huge);
  EXPECT_EQ(code_of([&] { files_.read_line(2); }), 15);
}

TEST_F(TextFile, FieldsSplitAtCommasColonsAndLineEnds) {
  const std::pair<std::string, Lines> rows[] = {
      {"\"a, b\" ,c\r\n", {"a, b", "c"}},
      {"12:30,7", {"12", "30", "7"}},
      {"a,,b\r\n\r\nc", {"a", "", "b", "", "c"}},
      {"  x y  , ab\"c ,\"q\"\"r\"", {"x y", "ab\"c", "q", "r\""}},
      {"\"ab\r\ncd\",\"e\0f\"x,g"s, {"ab", "cd\"", "ef", "", "g"}},
      {"a\nb,c\r\n\x1A", {"a\nb", "c"}},
      {"\"abc\x1A", {"abc"}},
  };
  for (const auto& [content, fields] : rows)
    EXPECT_EQ(read_all(put("f", content), kFields), fields) << content;
  for (const char* content : {"a,  \x1A", "a,"}) {
    files_.open("I", 1, put("g", content));
    EXPECT_EQ(files_.read_field(1), "a");
    EXPECT_EQ(files_.eof(1), content[2] == 0);  // blanks before the marker are data
    EXPECT_EQ(code_of([&] { files_.read_field(1); }), 54);
    files_.close({1});
  }
}

TEST_F(TextFile, NumberFieldsGoStraightToTheirKind) {
  files_.open("I", 1,
              put("a",
                  "0.1,0.1,0.1\r\n2.5,-2.5,40000\r\n1.5 2.5\r\n3.5 , 4.5 x\r\n"
                  "12abc,1D2,-.5E+1,+3,&H1F:&o17\r\n0.1000000000000000055511151231257827,1e-400"));
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.1);
  EXPECT_EQ(files_.read_field_number(1, Kind::Single), double{0.1f});
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.1);  // no single step
  EXPECT_EQ(files_.read_field_number(1, Kind::Long), 3);
  EXPECT_EQ(files_.read_field_number(1, Kind::Short), -3);
  EXPECT_EQ(code_of([&] { files_.read_field_number(1, Kind::Short); }), 6);
  for (double v : {1.5, 2.5, 3.5, 4.5}) EXPECT_EQ(files_.read_field_number(1, Kind::Double), v);
  EXPECT_EQ(code_of([&] { files_.read_field_number(1, Kind::Double); }), 58);  // "x"
  for (double v : {12.0, 100.0, -5.0, 3.0, 31.0, 15.0, 0.1, 0.0})
    EXPECT_EQ(files_.read_field_number(1, Kind::Double), v);
  EXPECT_TRUE(files_.eof(1));
  const std::pair<const char*, int> failures[] = {{",,", 58},  {"\r\n1", 58}, {"\"1\"", 58},
                                                  {"-x", 58},  {"   ", 58},   {"  \x1A", 54},
                                                  {"1e400", 6}};
  for (const auto& [content, code] : failures) {
    files_.open("I", 2, put("n", content));
    EXPECT_EQ(code_of([&] { files_.read_field_number(2, Kind::Double); }), code) << content;
    files_.close({2});
  }
}

// Item by item (buffer 0), through a buffer smaller than an item, or a large one.
TEST_F(TextFile, RoundTripGivesExactlyTheLinesWrittenWithZonesOf14) {
  const Lines lines{"header", " 3 -.5 " + std::string(7, ' ') + " 3.14",
                    "abcdefghijklmn" + std::string(14, ' '), std::string(14, ' ') + "end"};
  for (std::size_t buffer : {0, 7, 64 * 1024}) {
    put("report.txt", "an old report");
    files_.set_write_buffer_size(buffer);
    create_output(files_, 2, path("report.txt"));
    files_.write_text(2, "header", Sep::EndOfLine);
    files_.write_number(2, 3, Kind::Short, Sep::None);
    files_.write_number(2, -0.5, Kind::Double, Sep::Zone);
    files_.write_pattern(2, "##.##", 3.14159, Kind::Double, Sep::EndOfLine);
    files_.write_text(2, "abcdefghijklmn", Sep::Zone);  // at 14: 14 more
    files_.write_text(2, "", Sep::EndOfLine);
    files_.write_text(2, "", Sep::Zone);
    files_.write_text(2, "end", Sep::EndOfLine);
    files_.close({2});
    EXPECT_EQ(bytes("report.txt"),
              lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n" + lines[3] + "\r\n\x1A")
        << buffer;
    EXPECT_EQ(read_all(path("report.txt")), lines);
  }
}

// A table dropped with files open keeps what was written, without marker, as
// abandon() does (the driver's run-time error test).
TEST_F(TextFile, DroppedTableKeepsWhatWasWrittenWithoutMarker) {
  {
    FileTable table;
    table.open("O", 1, path("b"));
    table.write_text(1, "kept", Sep::None);
  }
  EXPECT_EQ(bytes("b"), "kept");
}

TEST_F(TextFile, RefusedWritesRaiseWhereTheySurface) {
  if (fs::exists("/dev/full")) {  // written as it is: the refusal comes at the line end
    files_.open("O", 1, "/dev/full");
    files_.write_text(1, "x", Sep::None);
    EXPECT_EQ(code_of([&] { files_.write_text(1, "x", Sep::EndOfLine); }), 67);
    EXPECT_EQ(code_of([&] { files_.close({1}); }), 67);
    EXPECT_EQ(code_of([&] { files_.eof(1); }), 57);  // freed all the same
  }
  files_.set_write_function([](int, const void*, std::size_t) -> long {
    return -platform::error_number(platform::Failure::DiskFull);
  });
  files_.set_write_buffer_size(0);
  files_.open("O", 2, path("full"));
  EXPECT_EQ(code_of([&] { files_.write_text(2, "x", Sep::None); }), 67);
}

TEST_F(TextFile, ExistsAndDelete) {
  const std::string p = put("a.txt", "x"), locked = put("ro.txt", "x");
  EXPECT_TRUE(exists(p));
  EXPECT_TRUE(exists(dir_));
  EXPECT_FALSE(exists(path("b.txt")));
  EXPECT_EQ(code_of([&] { exists(std::string(261, 'a')); }), 5);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
  const std::pair<std::string, int> rows[] = {
      {std::string(261, 'a'), 55}, {dir_, 55},   {path("*.txt"), 55},
      {path("b.txt"), 63},         {locked, 75}, {p, 0}};
  for (const auto& [name, code] : rows)
    EXPECT_EQ(code_of([&] { delete_file(files_, name); }), code) << name;
  EXPECT_FALSE(exists(p));
}

}  // namespace
}  // namespace frame
