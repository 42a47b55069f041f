// The CSV table and the JSON document of a "Calc." run.
#include "tarvex/export.h"

namespace tarvex {

void write_csv(const LastRun& run, const std::string& path) {
  frame::ExportFile file(path);
  frame::CsvWriter csv(file);
  for (const char* name : {"interval", "cycle", "samples", "x", "y", "swing", "phase", "d_swing",
                           "d_phase", "d_vec_length", "d_vec_angle"}) {
    csv.text(name);
  }
  csv.end_row();
  for (std::size_t i = 0; i < run.intervals.size(); ++i) {
    const KeptInterval& k = run.intervals[i];
    csv.whole(static_cast<std::int64_t>(i))
        .number(k.row.cycle_label)
        .whole(k.samples)
        .number(k.vector.x)
        .number(k.vector.y)
        .number(k.row.swing)
        .number(k.row.phase);
    if (k.row.first) {
      csv.empty().empty().empty().empty();
    } else {
      csv.number(k.row.d_swing).number(k.row.d_phase).number(k.row.d_length).number(k.row.d_angle);
    }
    csv.end_row();
  }
  file.close();
}

void write_json(const LastRun& run, const std::string& path) {
  using Json = nlohmann::ordered_json;
  Json doc;
  doc["program"] = "tarvex";
  doc["version"] = frame::version();
  doc["settings"] = run.settings;
  doc["data_file"] = run.data_path;
  doc["subtract_file"] = run.subtract_path.empty() ? Json(nullptr) : Json(run.subtract_path);
  doc["report_file"] = run.report_path;
  doc["samples"] = run.samples;

  Json intervals = Json::array();
  for (std::size_t i = 0; i < run.intervals.size(); ++i) {
    const KeptInterval& k = run.intervals[i];
    Json row = {
        {"interval", i},   {"cycle", k.row.cycle_label}, {"samples", k.samples}, {"x", k.vector.x},
        {"y", k.vector.y}, {"swing", k.row.swing},       {"phase", k.row.phase}};
    if (!k.row.first) {
      row["d_swing"] = k.row.d_swing;
      row["d_phase"] = k.row.d_phase;
      row["d_vec_length"] = k.row.d_length;
      row["d_vec_angle"] = k.row.d_angle;
    }
    intervals.push_back(std::move(row));
  }
  doc["intervals"] = std::move(intervals);
  doc["whole_file"] = {{"swing", run.file_swing}, {"phase", run.file_phase}};

  // The averages and deviations as the report computes them, over the n
  // differences of the run.
  const double n = run.differences;
  const DifferenceStats& s = run.stats;
  auto four = [&](auto of) {
    return Json{{"d_swing", of(s.d_swing)},
                {"d_phase", of(s.d_phase)},
                {"d_vec_length", of(s.d_length)},
                {"d_vec_angle", of(s.d_angle)}};
  };
  doc["differences"] = n;
  doc["average"] = four([n](const RunningStat& r) { return r.average(n); });
  doc["deviation"] = four([n](const RunningStat& r) { return r.deviation(n); });
  if (run.pole) {
    doc["pole"] = {{"x", run.pole->pole.x},
                   {"y", run.pole->pole.y},
                   {"swing", run.pole->swing},
                   {"phase", run.pole->phase}};
  } else {
    doc["pole"] = nullptr;
  }
  frame::write_json(path, doc);
}

}  // namespace tarvex
