// Colours, scale and axis ticks of a heat map.
#include "frame/heat_map.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace frame {

namespace {

// viridis at nine evenly spaced points from 0 to 1.
constexpr std::array<Rgb, 9> kViridis = {{
    {68, 1, 84},
    {71, 45, 123},
    {59, 82, 139},
    {44, 114, 142},
    {33, 145, 140},
    {40, 174, 128},
    {94, 201, 98},
    {173, 220, 48},
    {253, 231, 37},
}};

}  // namespace

Rgb viridis(double t) {
  if (!(t > 0)) return kViridis.front();
  if (t >= 1) return kViridis.back();
  const double at = t * static_cast<double>(kViridis.size() - 1);
  const auto i = static_cast<std::size_t>(at);
  const double f = at - static_cast<double>(i);
  auto mix = [f](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
  };
  const Rgb& a = kViridis[i];
  const Rgb& b = kViridis[i + 1];
  return Rgb{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

Rgb level_colour(const HeatMap& map, float level) {
  return viridis(1.0 + static_cast<double>(level) / map.range_db);
}

std::vector<double> axis_ticks(double low, double high, int count) {
  std::vector<double> ticks;
  if (high < low) std::swap(low, high);
  const double span = high - low;
  if (!(span > 0) || !std::isfinite(span) || count < 1) {
    ticks.push_back(low);
    return ticks;
  }
  const double rough = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (step >= rough) break;
  }
  for (double v = std::ceil(low / step) * step; v <= high + step * 1e-9; v += step) {
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

}  // namespace frame
