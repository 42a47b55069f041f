// The subtract file and model: known periodic components removed from each
// data value before analysis. Each entry is a cosine of a fixed rate and
// phase whose amplitude is a polynomial in time.
#pragma once

#include <array>
#include <string_view>

#include "frame/errors.h"
#include "frame/textfile.h"

namespace frame {

inline constexpr int kMaxSubtractDegree = 6;
inline constexpr int kMaxSubtractEntries = 40;

struct SubtractEntry {
  double rate = 0;                                    // degrees per cycle
  double phase = 0;                                   // degrees at the origin
  std::array<double, kMaxSubtractDegree + 1> coef{};  // A0..A6, unread ones 0
};

struct SubtractTable {
  double degree = kMaxSubtractDegree;  // the degree in force at the end of reading
  int count = 0;
  std::array<SubtractEntry, kMaxSubtractEntries> entries{};
  bool empty() const { return count == 0; }
};

// Reads the table from a subtract file on file number `number`, field by
// field, and closes the file. An empty path leaves the table empty and opens
// nothing. Returns false when a "deg=" field sets a degree above 6: reading
// stops, the file is closed and the handler is to end silently.
// A 41st entry is 9; the end of the file inside an entry is 54.
bool read_subtract_table(FileTable& files, int number, std::string_view path, SubtractTable& table,
                         Where where = Where::current());

// The corrected value of a data value v at sample index k, with origin O (in
// samples) and S samples per cycle: t = (k - O) / S (S = 0 is 11) and, for
// each entry, v -= a * cos((R*t + P) / D), a = sum of A_i * t^i for i = 0..m,
// m the whole part of the final degree but at least 1, powers by power().
// D = degrees per radian from the 15-digit pi.
double subtract_model(const SubtractTable& table, double v, double k, double origin,
                      double samples_per_cycle, Where where = Where::current());

}  // namespace frame
