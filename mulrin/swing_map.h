// The swing map of a Calculate run: the swing of every bin 0 .. N/2-1 of
// every block, in decibels below the run's largest swing; x the block's
// position in cycles, y the bin's rate in cycles per cycle.
#pragma once

#include "frame/heat_map.h"
#include "mulrin/export.h"

namespace mulrin {

// Cells at most; a run with more blocks or bins is reduced by taking the
// largest swing of each group of them, so that no peak is lost.
inline constexpr int kMapColumns = 2000;
inline constexpr int kMapRows = 1024;

frame::HeatMap swing_map(const LastRun& run, double range_db = 60, int max_columns = kMapColumns,
                         int max_rows = kMapRows);

}  // namespace mulrin
