// The report file of a Calculate run: a header naming the data and the block
// layout, one heading line with the time of every block, and three lines for
// every bin whose swing reached the threshold.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/errors.h"
#include "frame/textfile.h"
#include "mulrin/blocks.h"

namespace mulrin {

// What the report names besides the analysis itself.
struct ReportSource {
  std::string_view data_path;      // EDIT4
  float from = 0;                  // EDIT1, single
  float letters = 0;               // EDIT2, single
  std::string_view subtract_path;  // EDIT11; empty: no "with" line
  std::int64_t count = 0;          // data values, shown as a single
  float length = 0;                // N, single
  float step = 0;                  // single
  double samples_per_cycle = 0;    // c
  double origin = 0;               // o, in samples
  double bin_rate_factor = 0;      // (c/N) * 2*pi
  double refined_rate_factor = 0;  // c/step
};

// Creates the report (an old file of the path is deleted first) on file
// number 1, writes it item by item and closes it. The bins reported are the
// analysis's selected ones.
void write_report(frame::FileTable& files, std::string_view path, const ReportSource& source,
                  const BlockAnalysis& analysis, frame::Where where = frame::Where::current());

}  // namespace mulrin
