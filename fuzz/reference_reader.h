// A plain reader of the sequential text file rules, byte by byte over the
// whole file in memory: the model the file layer's chunked reading is
// compared with.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace fuzz {

class ReferenceReader {
 public:
  static constexpr std::size_t kMaxLine = 32767;

  explicit ReferenceReader(std::string_view bytes)
      : bytes_(bytes),
        data_end_(!bytes.empty() && static_cast<unsigned char>(bytes.back()) == 0x1A
                      ? bytes.size() - 1
                      : bytes.size()) {}

  // True when nothing is left but the final 0x1A.
  bool eof() const { return pos_ >= data_end_; }

  // The next line; 0 on success, else the run-time error code (54, 15).
  int read_line(std::string& line) {
    line.clear();
    if (pos_ >= bytes_.size()) return 54;
    for (;;) {
      if (pos_ >= data_end_) {
        pos_ = bytes_.size();
        return 0;
      }
      // The bytes up to the next CR or NUL go in as they are.
      const char* p = bytes_.data() + pos_;
      const std::size_t left = data_end_ - pos_;
      const void* cr = std::memchr(p, '\r', left);
      const void* nul = std::memchr(p, 0, left);
      const char* stop = p + left;
      if (cr) stop = static_cast<const char*>(cr);
      if (nul && static_cast<const char*>(nul) < stop) stop = static_cast<const char*>(nul);
      line.append(p, static_cast<std::size_t>(stop - p));
      pos_ += static_cast<std::size_t>(stop - p);
      if (line.size() > kMaxLine) return 15;
      if (pos_ >= data_end_) continue;
      if (bytes_[pos_++] == '\r') {  // else a NUL, dropped
        if (pos_ < data_end_ && bytes_[pos_] == '\n') ++pos_;
        return 0;
      }
    }
  }

  // The next comma-, colon- or line-separated field as a text; 0 or the code.
  int read_field(std::string& field) {
    field.clear();
    if (pos_ >= bytes_.size()) return 54;
    while (pos_ < data_end_ && (bytes_[pos_] == ' ' || bytes_[pos_] == 0)) ++pos_;
    if (pos_ >= data_end_) {
      if (data_end_ < bytes_.size()) {  // only blanks before the final 0x1A
        pos_ = bytes_.size();
        return 54;
      }
      return 0;
    }
    auto keep = [&](char c) {
      if (field.size() >= kMaxLine) return false;
      field += c;
      return true;
    };
    if (bytes_[pos_] == '"') {
      ++pos_;
      for (;;) {
        if (pos_ >= data_end_) {
          pos_ = bytes_.size();
          return 0;
        }
        const char c = bytes_[pos_++];
        if (c == '"') break;
        if (c == '\r') {
          skip_line_feed();
          return 0;
        }
        if (c != 0 && !keep(c)) return 15;
      }
      while (pos_ < data_end_ && (bytes_[pos_] == ' ' || bytes_[pos_] == 0)) ++pos_;
      if (pos_ >= data_end_) {
        pos_ = bytes_.size();
      } else if (bytes_[pos_++] == '\r') {
        skip_line_feed();
      }
      return 0;
    }
    for (;;) {
      if (pos_ >= data_end_) {
        pos_ = bytes_.size();
        break;
      }
      const char c = bytes_[pos_++];
      if (c == ',' || c == ':') break;
      if (c == '\r') {
        skip_line_feed();
        break;
      }
      if (c != 0 && !keep(c)) return 15;
    }
    while (!field.empty() && field.back() == ' ') field.pop_back();
    return 0;
  }

 private:
  void skip_line_feed() {
    if (pos_ < data_end_ && bytes_[pos_] == '\n') ++pos_;
  }

  std::string_view bytes_;
  std::size_t data_end_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
