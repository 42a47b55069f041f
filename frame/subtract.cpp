// Reading the subtract table and evaluating the subtract model.
#include "frame/subtract.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "frame/constants.h"
#include "frame/numtext.h"

namespace frame {

namespace {

// The whole part of a degree, cut toward zero (2.5 -> 2). Whether a negative
// degree is cut toward zero or down makes no difference: every use takes at
// least one step (see below).
double whole_part(double degree) {
  return std::trunc(degree);
}

}  // namespace

bool read_subtract_table(FileTable& files, int number, std::string_view path, SubtractTable& table,
                         Where where) try {
  table = SubtractTable{};  // a fresh table for every run
  if (path.empty()) return true;

  files.open("I", number, path, where);
  table.degree = kMaxSubtractDegree;
  table.count = 0;
  while (!files.eof(number, where)) {
    const std::string field = files.read_field(number, where);
    if (field.empty()) continue;
    if (field.front() == '#') break;  // ends the table; nothing after it is read
    if (field.starts_with("deg=")) {
      table.degree = val(std::string_view(field).substr(4), where);
      if (table.degree > kMaxSubtractDegree) {
        files.close({number}, where);
        return false;
      }
      continue;
    }
    if (table.count >= kMaxSubtractEntries) raise(err::kSubscript, where);
    SubtractEntry& entry = table.entries[table.count];
    entry.rate = val(field, where);
    entry.phase = val(files.read_field(number, where), where);
    // A0..A(whole part of the degree), at least A0: the counted loop runs its
    // body once even when the degree is below 0.
    const int last = static_cast<int>(std::max(0.0, whole_part(table.degree)));
    for (int i = 0; i <= last; ++i)
      entry.coef[i] = files.read_field_number(number, Kind::Double, where);
    ++table.count;
  }
  files.close({number}, where);
  return true;
} catch (RuntimeError& e) {
  e.attribute(Operation::SubtractTable);
  throw;
}

double subtract_model(const SubtractTable& table, double v, double k, double origin,
                      double samples_per_cycle, Where where) try {
  if (table.empty()) return v;
  // A zero cycle length is a division by zero here even when k - O is 0 too.
  if (samples_per_cycle == 0) raise(err::kDivisionByZero, where);
  const double t = checked_div(k - origin, samples_per_cycle, where);
  // Terms A0..A(m): m is the whole part of the final degree, but the linear
  // term is always there (its A1 is 0 when it was not read).
  const int m = static_cast<int>(
      std::clamp(whole_part(table.degree), 1.0, static_cast<double>(kMaxSubtractDegree)));
  // The powers of t are the same for every entry: computed once per value.
  std::array<double, kMaxSubtractDegree + 1> t_power;
  for (int i = 0; i <= m; ++i) t_power[i] = power(t, i, where);
  for (int e = 0; e < table.count; ++e) {
    const SubtractEntry& entry = table.entries[e];
    double a = 0;
    for (int i = 0; i <= m; ++i) a = a + entry.coef[i] * t_power[i];
    a = checked(a, where);
    const double angle = (entry.rate * t + entry.phase) / kDegreesPerRadian;
    v = checked(v - a * platform::cosine(angle), where);
  }
  return v;
} catch (RuntimeError& e) {
  e.attribute(Operation::FloatingPoint);
  throw;
}

}  // namespace frame
