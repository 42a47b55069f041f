// A picture of a level over two axes, as cells: the frame's windows and the
// image writer turn it into colours, axes, a colour bar and marks.
#pragma once

#include <string>
#include <vector>

#include "frame/surface.h"

namespace frame {

struct HeatMap {
  std::string title;
  std::string x_label;
  std::string y_label;
  int columns = 0;
  int rows = 0;
  // columns * rows levels, row by row from the lowest y upward: decibels
  // below the largest value, 0 down to -range_db.
  std::vector<float> level;
  double range_db = 60;
  // The x of the first and the last column, the y of the first and the last
  // row (at the cell centres).
  double x_first = 0, x_last = 0;
  double y_first = 0, y_last = 0;
  // The y values marked at the right edge.
  std::vector<double> marks;

  float at(int column, int row) const {
    return level[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                 static_cast<std::size_t>(column)];
  }
};

// The colour of a level through a perceptual colour map (viridis): t = 0
// dark blue-violet, t = 1 yellow; t is clamped to [0, 1].
Rgb viridis(double t);

// The colour of a cell's level on the map's scale.
Rgb level_colour(const HeatMap& map, float level);

// Tick values for an axis from `low` to `high`: round steps of 1, 2 or 5
// times a power of ten, about `count` of them.
std::vector<double> axis_ticks(double low, double high, int count);

}  // namespace frame
