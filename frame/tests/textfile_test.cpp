#include "frame/textfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace frame {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Runs an operation; the code of the run-time error it raised, or 0.
template <class F>
int code_of(F&& operation) {
  try {
    operation();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

class TextFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/textfile_test_XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    files_.abandon();
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }
  std::string bytes(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Every line of a file, testing the end of file before each read.
  std::vector<std::string> lines_of(const std::string& p, std::size_t chunk = 0) {
    files_.set_read_chunk_size(chunk);
    files_.open("I", 1, p);
    std::vector<std::string> lines;
    while (!files_.eof(1)) lines.emplace_back(files_.read_line(1));
    files_.close({1});
    return lines;
  }
  std::vector<std::string> fields_of(const std::string& content) {
    files_.open("I", 3, put("fields.txt", content));
    std::vector<std::string> fields;
    while (!files_.eof(3)) fields.push_back(files_.read_field(3));
    files_.close({3});
    return fields;
  }

  std::string dir_;
  FileTable files_;
};

using Lines = std::vector<std::string>;

// ---- opening ------------------------------------------------------------------

TEST_F(TextFile, OpenChecksModeTextPathNumberThenModeCharacter) {
  std::string p = put("a.txt", "x");
  EXPECT_EQ(code_of([&] { files_.open("", 0, p); }), 55);
  EXPECT_EQ(code_of([&] { files_.open("IO", 1, p); }), 55);
  EXPECT_EQ(code_of([&] { files_.open("I", 0, std::string(261, 'a')); }), 55);
  EXPECT_EQ(code_of([&] { files_.open("I", 1, path("a?.txt")); }), 55);
  EXPECT_EQ(code_of([&] { files_.open("I", 1, path("*.txt")); }), 55);
  EXPECT_EQ(code_of([&] { files_.open("X", 0, p); }), 50);
  EXPECT_EQ(code_of([&] { files_.open("I", 256, p); }), 50);
  EXPECT_EQ(code_of([&] { files_.open("X", 1, p); }), 51);
  EXPECT_EQ(code_of([&] { files_.open("A", 1, p); }), 51);
  files_.open("I", 255, p);
  EXPECT_EQ(code_of([&] { files_.open("I", 255, p); }), 52);
}

TEST_F(TextFile, OpenFailuresOfTheSystemAreMapped) {
  EXPECT_EQ(code_of([&] { files_.open("I", 1, path("missing.txt")); }), 63);
  EXPECT_EQ(code_of([&] { files_.open("I", 1, path("nodir/a.txt")); }), 63);
  EXPECT_EQ(code_of([&] { files_.open("I", 1, dir_); }), 75);  // a folder
  // 260 characters are allowed: the name is merely not there.
  std::string long_name = dir_ + "/" + std::string(259 - dir_.size(), 'n');
  EXPECT_EQ(code_of([&] { files_.open("I", 1, long_name); }), 63);
  std::string p = put("old.txt", "old");
  EXPECT_EQ(code_of([&] { files_.open("O", 2, p); }), 64);
  EXPECT_EQ(bytes("old.txt"), "old");
}

TEST_F(TextFile, NumbersMustBeOpenAndInTheRightMode) {
  files_.open("I", 1, put("in.txt", "a\r\n"));
  files_.open("O", 2, path("out.txt"));
  EXPECT_EQ(code_of([&] { files_.read_line(3); }), 57);
  EXPECT_EQ(code_of([&] { files_.write_text(0, "x", Sep::None); }), 50);
  EXPECT_EQ(code_of([&] { files_.read_line(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.read_field(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.eof(2); }), 51);
  EXPECT_EQ(code_of([&] { files_.write_text(1, "x", Sep::None); }), 51);
  EXPECT_EQ(code_of([&] { files_.write_number(1, 1, Kind::Short, Sep::None); }), 51);
  EXPECT_EQ(code_of([&] { files_.close({3, 256}); }), 50);  // 3 is ignored
  files_.close({});
  EXPECT_EQ(code_of([&] { files_.eof(1); }), 57);
  EXPECT_EQ(bytes("out.txt"), "\x1A");
}

TEST_F(TextFile, OpenPathIsFullAndComparedIgnoringCase) {
  std::string p = put("Data.txt", "1");
  fs::path before = fs::current_path();
  fs::current_path(dir_);
  files_.open("I", 1, "Data.txt");
  fs::current_path(before);
  EXPECT_TRUE(files_.is_open_path(dir_ + "/sub/../DATA.TXT"));
  EXPECT_FALSE(files_.is_open_path("Data.txt"));  // another directory now
  EXPECT_EQ(code_of([&] { delete_file(files_, dir_ + "/./data.TXT"); }), 52);
}

// ---- reading lines ------------------------------------------------------------

TEST_F(TextFile, LineEndsAreCrLfOrLoneCrAndLfIsOrdinary) {
  EXPECT_EQ(lines_of(put("a", "a\r\nb\rc\nd\n\r\n\r\ne")), (Lines{"a", "b", "c\nd\n", "", "e"}));
  EXPECT_EQ(lines_of(put("unix", "1\n2\n3\n")), (Lines{"1\n2\n3\n"}));
  EXPECT_EQ(lines_of(put("nul", "a\0b\0\r\n\0"s)), (Lines{"ab", ""}));
  EXPECT_EQ(lines_of(put("empty", "")), Lines{});
}

TEST_F(TextFile, EndOfDataMarkerCountsOnlyAsTheLastByte) {
  EXPECT_EQ(lines_of(put("a", "x\r\ny\r\n\x1A")), (Lines{"x", "y"}));
  EXPECT_EQ(lines_of(put("b", "x\x1A")), (Lines{"x"}));
  EXPECT_EQ(lines_of(put("c", "a\x1A" "b\r\n\x1A\x1A")), (Lines{"a\x1A" "b", "\x1A"}));
  EXPECT_EQ(lines_of(put("d", "x\r\x1A")), (Lines{"x"}));
  // Past the end test the marker still ends an (empty) line.
  files_.open("I", 1, put("e", "\x1A"));
  EXPECT_TRUE(files_.eof(1));
  EXPECT_EQ(files_.read_line(1), "");
  EXPECT_EQ(code_of([&] { files_.read_line(1); }), 54);
}

TEST_F(TextFile, LastLineWithoutLineEndThenEndOfFile) {
  files_.open("I", 1, put("a", "one\r\nlast"));
  EXPECT_EQ(files_.read_line(1), "one");
  EXPECT_FALSE(files_.eof(1));
  EXPECT_EQ(files_.read_line(1), "last");
  EXPECT_TRUE(files_.eof(1));
  EXPECT_EQ(code_of([&] { files_.read_line(1); }), 54);
  EXPECT_EQ(code_of([&] { files_.read_field(1); }), 54);
}

TEST_F(TextFile, LinesUpTo32767CharactersNulsNotCounted) {
  std::string limit(kMaxLine, 'x');
  std::string with_nuls = limit;
  with_nuls.insert(100, 50, '\0');
  EXPECT_EQ(lines_of(put("a", limit + "\r\n" + with_nuls)), (Lines{limit, limit}));
  files_.open("I", 1, put("b", limit + "y\r\n"));
  EXPECT_EQ(code_of([&] { files_.read_line(1); }), 15);
}

TEST_F(TextFile, HugeFileWithoutLineEndIsTooLongWithoutReadingItAll) {
  std::string p = put("huge", std::string(40000, 'x'));
  fs::resize_file(p, std::uintmax_t{2} << 30);  // sparse: 2 GiB
  files_.open("I", 1, p);
  EXPECT_EQ(code_of([&] { files_.read_line(1); }), 15);
}

TEST_F(TextFile, ChunkBoundariesDoNotChangeTheLines) {
  std::string longer(1000, 'L');
  std::string content = "ab\r\ncd\r\n\r\nx\0y\r\n"s + longer + "\r\n" + "p\rq\r\n" +
                        "\x1A" "z\n\r" + "tail\x1A"s;
  Lines expected{"ab", "cd", "", "xy", longer, "p", "q", "\x1A" "z\n", "tail"};
  std::string p = put("a", content);
  for (std::size_t chunk : {1, 2, 3, 4, 5, 7, 13, 64, 0})
    EXPECT_EQ(lines_of(p, chunk), expected) << "chunk " << chunk;
}

// ---- reading fields -----------------------------------------------------------

TEST_F(TextFile, FieldsSplitAtCommasColonsAndLineEnds) {
  EXPECT_EQ(fields_of("\"a, b\" ,c\r\n"), (Lines{"a, b", "c"}));
  EXPECT_EQ(fields_of("1.5,2.5\r\n3.5"), (Lines{"1.5", "2.5", "3.5"}));
  EXPECT_EQ(fields_of("12:30,7"), (Lines{"12", "30", "7"}));
  EXPECT_EQ(fields_of("a,,b\r\n\r\nc"), (Lines{"a", "", "b", "", "c"}));
  EXPECT_EQ(fields_of("  x y  , ab\"c ,\"q\"\"r\""), (Lines{"x y", "ab\"c", "q", "r\""}));
  EXPECT_EQ(fields_of("\"ab\r\ncd\",\"e\0f\"x,g"s), (Lines{"ab", "cd\"", "ef", "", "g"}));
  EXPECT_EQ(fields_of("a\nb,c\r\n\x1A"), (Lines{"a\nb", "c"}));
}

TEST_F(TextFile, FieldAtTheFinalMarkerIsPastTheEnd) {
  files_.open("I", 1, put("a", "a,  \x1A"));
  EXPECT_EQ(files_.read_field(1), "a");
  EXPECT_FALSE(files_.eof(1));
  EXPECT_EQ(code_of([&] { files_.read_field(1); }), 54);
  files_.open("I", 2, put("b", "a,"));
  EXPECT_EQ(files_.read_field(2), "a");
  EXPECT_EQ(code_of([&] { files_.read_field(2); }), 54);
  files_.open("I", 3, put("c", "\"abc\x1A"));
  EXPECT_EQ(files_.read_field(3), "abc");
  EXPECT_TRUE(files_.eof(3));
}

TEST_F(TextFile, NumberFieldsGoStraightToTheirKind) {
  files_.open("I", 1, put("a", "0.1,0.1,0.1\r\n2.5,-2.5,40000\r\n"
                                "1.5 2.5\r\n3.5 , 4.5 x\r\n12abc,1D2,-.5E+1,+3,&H1F:&o17\r\n"
                                "0.1000000000000000055511151231257827,1e-400"));
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.1);
  EXPECT_EQ(val("0.1"), static_cast<double>(0.1f));  // the field skips this step
  EXPECT_EQ(files_.read_field_number(1, Kind::Single), static_cast<double>(0.1f));
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.1);
  EXPECT_EQ(files_.read_field_number(1, Kind::Long), 3);
  EXPECT_EQ(files_.read_field_number(1, Kind::Short), -3);
  EXPECT_EQ(code_of([&] { files_.read_field_number(1, Kind::Short); }), 6);
  for (double v : {1.5, 2.5, 3.5, 4.5})
    EXPECT_EQ(files_.read_field_number(1, Kind::Double), v);
  EXPECT_EQ(code_of([&] { files_.read_field_number(1, Kind::Double); }), 58);  // "x"
  for (double v : {12.0, 100.0, -5.0, 3.0, 31.0, 15.0})
    EXPECT_EQ(files_.read_field_number(1, Kind::Double), v);
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.1);
  EXPECT_EQ(files_.read_field_number(1, Kind::Double), 0.0);
  EXPECT_TRUE(files_.eof(1));
}

TEST_F(TextFile, NumberFieldFailures) {
  auto first_number = [&](const std::string& content) {
    files_.abandon();
    files_.open("I", 1, put("n", content));
    return code_of([&] { files_.read_field_number(1, Kind::Double); });
  };
  EXPECT_EQ(first_number(",,"), 58);
  EXPECT_EQ(first_number("\r\n1"), 58);
  EXPECT_EQ(first_number("\"1\""), 58);
  EXPECT_EQ(first_number("abc"), 58);
  EXPECT_EQ(first_number("-x"), 58);
  EXPECT_EQ(first_number("   "), 58);
  EXPECT_EQ(first_number("  \x1A"), 54);
  EXPECT_EQ(first_number("1e400"), 6);
  EXPECT_EQ(first_number("1"), 0);
}

// ---- writing ------------------------------------------------------------------

TEST_F(TextFile, ZoneSeparatorPadsToTheNextMultipleOf14) {
  files_.open("O", 1, path("z"));
  files_.write_text(1, "12345", Sep::Zone);                    // 9 blanks
  files_.write_text(1, "abcdefghijklmn", Sep::Zone);           // at 28: 14
  files_.write_text(1, "", Sep::EndOfLine);
  files_.write_text(1, "", Sep::Zone);                         // at 0: 14
  files_.write_text(1, "x", Sep::EndOfLine);
  files_.close({1});
  EXPECT_EQ(bytes("z"), "12345" + std::string(9, ' ') + "abcdefghijklmn" +
                            std::string(14, ' ') + "\r\n" + std::string(14, ' ') +
                            "x\r\n\x1A");
}

TEST_F(TextFile, RoundTripGivesExactlyTheLinesWritten) {
  put("report.txt", "an old report");
  create_output(files_, 2, path("report.txt"));
  files_.write_text(2, "header", Sep::EndOfLine);
  files_.write_number(2, 3, Kind::Short, Sep::None);
  files_.write_number(2, -0.5, Kind::Double, Sep::Zone);
  files_.write_pattern(2, "##.##", 3.14159, Kind::Double, Sep::EndOfLine);
  files_.write_text(2, "", Sep::EndOfLine);
  files_.write_text(2, "end", Sep::EndOfLine);
  files_.close({2});
  std::string row = " 3 -.5 " + std::string(7, ' ') + " 3.14";
  EXPECT_EQ(bytes("report.txt"), "header\r\n" + row + "\r\n\r\nend\r\n\x1A");
  EXPECT_EQ(lines_of(path("report.txt")), (Lines{"header", row, "", "end"}));
}

TEST_F(TextFile, BufferedWritingEqualsItemByItemWriting) {
  auto write = [&](const std::string& name, std::size_t buffer) {
    files_.set_write_buffer_size(buffer);
    files_.open("O", 1, path(name));
    for (int i = 0; i < 3000; ++i) files_.write_text(1, "item" + std::to_string(i), Sep::Zone);
    files_.write_text(1, "", Sep::EndOfLine);
    files_.close({1});
    return bytes(name);
  };
  std::string at_once = write("a", 0);
  EXPECT_EQ(write("b", 7), at_once);
  EXPECT_EQ(write("c", 64 * 1024), at_once);
}

TEST_F(TextFile, AbandonKeepsWhatWasWrittenWithoutMarker) {
  files_.open("O", 1, path("a"));
  files_.write_text(1, "half", Sep::EndOfLine);
  files_.open("I", 2, put("in", "x"));
  files_.abandon();
  EXPECT_EQ(bytes("a"), "half\r\n");
  files_.open("I", 1, path("a"));  // every number is free again
  files_.open("I", 2, path("a"));
  {
    FileTable table;
    table.open("O", 1, path("b"));
    table.write_text(1, "kept", Sep::None);
  }
  EXPECT_EQ(bytes("b"), "kept");
}

TEST_F(TextFile, RefusedWritesRaiseWhereTheySurface) {
  // A full device is written as it is: the refusal comes at the close.
  if (fs::exists("/dev/full")) {
    files_.open("O", 1, "/dev/full");
    files_.write_text(1, "x", Sep::EndOfLine);
    EXPECT_EQ(code_of([&] { files_.close({1}); }), 67);
    EXPECT_EQ(code_of([&] { files_.eof(1); }), 57);  // freed all the same
  }
  files_.set_write_function([](int, const void*, std::size_t) -> long {
    errno = ENOSPC;
    return -1;
  });
  files_.set_write_buffer_size(0);
  files_.open("O", 2, path("full"));
  EXPECT_EQ(code_of([&] { files_.write_text(2, "x", Sep::None); }), 67);
}

// ---- existence and deletion --------------------------------------------------

TEST_F(TextFile, ExistsAndDelete) {
  std::string p = put("a.txt", "x");
  EXPECT_TRUE(exists(p));
  EXPECT_TRUE(exists(dir_));
  EXPECT_FALSE(exists(path("b.txt")));
  EXPECT_EQ(code_of([&] { exists(std::string(261, 'a')); }), 5);
  EXPECT_EQ(code_of([&] { delete_file(files_, std::string(261, 'a')); }), 55);
  EXPECT_EQ(code_of([&] { delete_file(files_, dir_); }), 55);
  EXPECT_EQ(code_of([&] { delete_file(files_, path("*.txt")); }), 55);
  EXPECT_EQ(code_of([&] { delete_file(files_, path("b.txt")); }), 63);
  std::string locked = put("ro.txt", "x");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(code_of([&] { delete_file(files_, locked); }), 75);
  delete_file(files_, p);
  EXPECT_FALSE(exists(p));
}

}  // namespace
}  // namespace frame
