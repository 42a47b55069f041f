// The CSV table and the JSON document of a Calculate run. Angles are in
// degrees and rates in degrees per cycle, worked out with the operations of
// the report; nothing is rounded.
#include "mulrin/export.h"

#include "frame/constants.h"
#include "frame/numtext.h"

#include <vector>

namespace mulrin {

namespace {

using Json = nlohmann::ordered_json;

// The blocks' first samples: starts stepped from 0 by single-precision
// additions, as the scan steps them.
std::vector<std::int64_t> block_starts(const LastRun& run) {
  std::vector<std::int64_t> starts;
  float start = 0;
  for (std::int64_t b = 0; b < run.analysis->blocks(); ++b) {
    starts.push_back(static_cast<std::int64_t>(frame::round_half_away(start)));
    start += run.source.step;
  }
  return starts;
}

// The time label of block b, in cycles from the origin.
double position(const LastRun& run, std::int64_t b) {
  const double step = run.source.step;
  return frame::checked_div(static_cast<double>(b) * step - run.source.origin,
                            run.source.samples_per_cycle);
}

double bin_rate(const LastRun& run, std::size_t k) {
  return frame::checked(static_cast<double>(k) * run.source.bin_rate_factor *
                        frame::kDegreesPerRadian);
}

double refined_rate(const LastRun& run, std::size_t k) {
  const BinStatistics& s = run.analysis->statistics(k);
  return frame::checked((static_cast<double>(k) * run.source.bin_rate_factor +
                         s.mean[kDPhase] * run.source.refined_rate_factor) *
                        frame::kDegreesPerRadian);
}

}  // namespace

void write_csv(const LastRun& run, const std::string& path) {
  const BlockAnalysis& a = *run.analysis;
  const double degrees = frame::kDegreesPerRadian;
  const std::vector<std::int64_t> starts = block_starts(run);
  frame::ExportFile file(path);
  frame::CsvWriter csv(file);
  for (const char* name : {"bin", "rate_deg", "block", "block_start", "position", "swing",
                           "phase_deg", "d_swing", "d_phase_deg"}) {
    csv.text(name);
  }
  csv.end_row();
  for (std::size_t k = 0; k < a.bins(); ++k) {
    if (!a.selected(k)) continue;
    const double rate = bin_rate(run, k);
    for (std::int64_t b = 0; b < a.blocks(); ++b) {
      csv.whole(static_cast<std::int64_t>(k))
          .number(rate)
          .whole(b)
          .whole(starts[static_cast<std::size_t>(b)])
          .number(position(run, b))
          .number(a.swing(b, k))
          .number(a.phase(b, k) * degrees);
      if (b == 0) {
        csv.empty().empty();
      } else {
        csv.number(a.d_swing(b, k)).number(a.d_phase(b, k) * degrees);
      }
      csv.end_row();
    }
  }
  file.close();
}

void write_json(const LastRun& run, const std::string& path) {
  const BlockAnalysis& a = *run.analysis;
  const ReportSource& src = run.source;
  const double degrees = frame::kDegreesPerRadian;
  Json doc;
  doc["program"] = "mulrin";
  doc["version"] = frame::version();
  doc["settings"] = run.settings;
  doc["data_file"] = run.data_path;
  doc["subtract_file"] = run.subtract_path.empty() ? Json(nullptr) : Json(run.subtract_path);
  doc["report_file"] = run.report_path;
  doc["samples"] = src.count;
  doc["length"] = frame::json_single(src.length);
  doc["step"] = frame::json_single(src.step);
  doc["samples_per_cycle"] = src.samples_per_cycle;
  doc["origin_samples"] = src.origin;
  doc["threshold"] = frame::json_single(run.threshold);

  const std::vector<std::int64_t> starts = block_starts(run);
  Json blocks = Json::array();
  for (std::int64_t b = 0; b < a.blocks(); ++b) {
    blocks.push_back({{"block", b},
                      {"start", starts[static_cast<std::size_t>(b)]},
                      {"position", position(run, b)}});
  }
  doc["blocks"] = std::move(blocks);

  Json bins = Json::array();
  for (std::size_t k = 0; k < a.bins(); ++k) {
    if (!a.selected(k)) continue;
    const BinStatistics& s = a.statistics(k);
    auto summary = [degrees](const std::array<double, 4>& v) {
      return Json{{"swing", v[kSwing]},
                  {"phase_deg", v[kPhase] * degrees},
                  {"d_swing", v[kDSwing]},
                  {"d_phase_deg", v[kDPhase] * degrees}};
    };
    Json swing = Json::array(), phase = Json::array(), d_swing = Json::array(),
         d_phase = Json::array();
    for (std::int64_t b = 0; b < a.blocks(); ++b) {
      swing.push_back(a.swing(b, k));
      phase.push_back(a.phase(b, k) * degrees);
      d_swing.push_back(b == 0 ? Json(nullptr) : Json(a.d_swing(b, k)));
      d_phase.push_back(b == 0 ? Json(nullptr) : Json(a.d_phase(b, k) * degrees));
    }
    bins.push_back({{"bin", k},
                    {"rate_deg", bin_rate(run, k)},
                    {"refined_rate_deg", refined_rate(run, k)},
                    {"max_swing", a.max_swing(k)},
                    {"mean", summary(s.mean)},
                    {"deviation", summary(s.deviation)},
                    {"swing", std::move(swing)},
                    {"phase_deg", std::move(phase)},
                    {"d_swing", std::move(d_swing)},
                    {"d_phase_deg", std::move(d_phase)}});
  }
  doc["bins"] = std::move(bins);
  frame::write_json(path, doc);
}

}  // namespace mulrin
