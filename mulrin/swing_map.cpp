// Building the swing map from a kept analysis: one pass over the blocks,
// memory bounded by the cells.
#include "mulrin/swing_map.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "frame/paths.h"

namespace mulrin {

frame::HeatMap swing_map(const LastRun& run, double range_db, int max_columns, int max_rows) {
  const BlockAnalysis& a = *run.analysis;
  const std::int64_t blocks = a.blocks();
  const auto bins = static_cast<std::int64_t>(a.bins());
  frame::HeatMap map;
  map.title = frame::utf8_string(frame::utf8_path(run.data_path).filename());
  map.x_label = "position (cycles)";
  map.y_label = "rate (cycles per cycle)";
  map.range_db = range_db;
  map.columns = static_cast<int>(std::min<std::int64_t>(blocks, max_columns));
  map.rows = static_cast<int>(std::min<std::int64_t>(bins, max_rows));
  if (map.columns < 1 || map.rows < 1) return map;

  // Largest swing per cell; block b falls into column b * columns / blocks.
  std::vector<double> largest(static_cast<std::size_t>(map.columns) * map.rows, 0.0);
  std::vector<std::size_t> row_of(static_cast<std::size_t>(bins));
  for (std::int64_t k = 0; k < bins; ++k) {
    row_of[static_cast<std::size_t>(k)] = static_cast<std::size_t>(k * map.rows / bins);
  }
  for (std::int64_t b = 0; b < blocks; ++b) {
    const auto column = static_cast<std::size_t>(b * map.columns / blocks);
    for (std::int64_t k = 0; k < bins; ++k) {
      double& cell = largest[row_of[static_cast<std::size_t>(k)] * map.columns + column];
      cell = std::max(cell, a.swing(b, static_cast<std::size_t>(k)));
    }
  }
  const double top = *std::max_element(largest.begin(), largest.end());
  map.level.resize(largest.size());
  for (std::size_t i = 0; i < largest.size(); ++i) {
    const double db = top > 0 && largest[i] > 0 ? 20 * std::log10(largest[i] / top) : -range_db;
    map.level[i] = static_cast<float>(std::clamp(db, -range_db, 0.0));
  }

  // Axes: block positions in cycles, bin rates in cycles per cycle (k c / N).
  const ReportSource& src = run.source;
  auto position = [&src](double b) {
    return (b * static_cast<double>(src.step) - src.origin) / src.samples_per_cycle;
  };
  auto rate = [&src](double k) {
    return k * src.samples_per_cycle / static_cast<double>(src.length);
  };
  // A cell's centre: the middle of its group of blocks or bins.
  auto middle = [](std::int64_t cell, std::int64_t cells, std::int64_t items) {
    const std::int64_t first = (cell * items + cells - 1) / cells;
    const std::int64_t last = ((cell + 1) * items + cells - 1) / cells - 1;
    return (static_cast<double>(first) + static_cast<double>(last)) / 2;
  };
  map.x_first = position(middle(0, map.columns, blocks));
  map.x_last = position(middle(map.columns - 1, map.columns, blocks));
  map.y_first = rate(middle(0, map.rows, bins));
  map.y_last = rate(middle(map.rows - 1, map.rows, bins));
  for (std::int64_t k = 0; k < bins; ++k) {
    if (a.selected(static_cast<std::size_t>(k))) map.marks.push_back(rate(static_cast<double>(k)));
  }
  return map;
}

}  // namespace mulrin
