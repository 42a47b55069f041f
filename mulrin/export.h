// What a completed Calculate run keeps for the exports and the swing map:
// the block analysis itself and what the report names besides it.
#pragma once

#include <memory>
#include <string>

#include "frame/export.h"
#include "mulrin/blocks.h"
#include "mulrin/report.h"

namespace mulrin {

struct LastRun {
  nlohmann::ordered_json settings;  // the fields as the run read them
  std::string data_path;
  std::string subtract_path;
  std::string report_path;
  ReportSource source;  // its paths point into the strings above
  float threshold = 0;
  std::unique_ptr<BlockAnalysis> analysis;
};

// Long form: one row per selected bin and block; block 0's changes are
// empty cells.
void write_csv(const LastRun& run, const std::string& path);
// The run's settings and sizes, the blocks' starts and positions, and per
// selected bin its rates, statistics and block values.
void write_json(const LastRun& run, const std::string& path);

}  // namespace mulrin
