// What a completed "Calc." run keeps for the exports: every closed interval
// as its report row shows it, with its vector and sample count, the
// whole-file vector, the difference statistics and the pole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frame/export.h"
#include "frame/form.h"
#include "tarvex/pole.h"
#include "tarvex/transform.h"

namespace tarvex {

// The pole of a run: the centre, its swing and its phase as the report
// prints them.
struct PoleResult {
  Vec pole;
  double swing = 0;
  double phase = 0;
};

struct KeptInterval {
  IntervalRow row;
  std::int64_t samples = 0;  // m, the samples of the interval
  Vec vector = {};           // X, Y
};

struct LastRun {
  nlohmann::ordered_json settings;  // the fields as the run read them
  std::string data_path;
  std::string subtract_path;
  std::string report_path;
  std::int64_t samples = 0;
  std::vector<KeptInterval> intervals;
  double file_swing = 0;
  double file_phase = 0;
  DifferenceStats stats;
  double differences = 0;  // n, the divisor of the averages
  std::optional<PoleResult> pole;
};

// One row per closed interval; the differences of the first are empty cells.
void write_csv(const LastRun& run, const std::string& path);
void write_json(const LastRun& run, const std::string& path);

}  // namespace tarvex
