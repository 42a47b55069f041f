// "Draw": the cycle display. The path of the interval vectors of every
// display interval in a polar diagram, coloured by file interval.
#include <cmath>
#include <optional>

#include "frame/datafile.h"
#include "frame/numtext.h"
#include "frame/subtract.h"
#include "tarvex/app.h"
#include "tarvex/dcmdsp.h"
#include "tarvex/pole.h"

namespace tarvex {

namespace {

constexpr int kDataFile = 1;

// Palette numbers of the diagram.
constexpr int kBackground = 0;  // black
constexpr int kGrid = 2;        // navy
constexpr int kRing = 4;        // maroon
constexpr int kClosing = 11;    // cyan
constexpr int kTenthGrid = 14;  // silver
constexpr int kAxis = 15;       // white

float single(double v) {
  return frame::to_single(v);
}

// Rings every 50 pixels, spokes every 30 degrees, a 10-pixel grid and the
// axes, labelled with the vector length of 100 pixels.
void draw_diagram(frame::Surface& surface, double tan_30, float display_factor) {
  surface.fill_rect(220, 0, 639, 440, kBackground);
  for (int radius = 50; radius <= 200; radius += 50) {
    surface.circle(430, 220, static_cast<float>(radius), kRing);
  }
  const double t = tan_30;
  surface.line(220, single(220 - 210 * t), 640, single(220 + 210 * t), kRing);
  surface.line(220, single(220 + 210 * t), 640, single(220 - 210 * t), kRing);
  surface.line(single(430 - 220 * t), 0, single(430 + 220 * t), 440, kRing);
  surface.line(single(430 + 220 * t), 0, single(430 - 220 * t), 440, kRing);
  for (int i = -21; i <= 21; ++i) {
    const int colour = i % 10 == 0 ? kTenthGrid : kGrid;
    const auto y = static_cast<float>(220 - 10 * i);
    const auto x = static_cast<float>(430 + 10 * i);
    surface.line(220, y, 639, y, colour);
    surface.line(x, 0, x, 440, colour);
  }
  surface.line(220, 220, 639, 220, kAxis);
  surface.line(430, 0, 430, 440, kAxis);
  surface.text(220, 210, "0", kAxis);
  surface.text(220, 110, DCMDSP(frame::checked_div(100, display_factor)), kAxis);
  surface.pixel(430, 220, kAxis);
}

}  // namespace

void App::BUTTON4_ON() {
  const RunSettings s = read_run_settings();
  const double display_interval = frame::checked(frame::val(text(EDIT7)) * s.samples_per_cycle);
  const float file_interval = frame::to_single(frame::val(text(EDIT8)) * s.samples_per_cycle);
  const float display_factor = frame::to_single(frame::val(text(EDIT11)));

  frame::SubtractTable subtract;
  subtract.degree = kSubtractDegreeLimit;
  if (!s.subtract_path.empty() &&
      !frame::read_subtract_table(files_, kDataFile, s.subtract_path, subtract)) {
    return;  // a degree above the limit: nothing is drawn
  }

  surface_.clear();
  draw_diagram(surface_, tan_30_, display_factor);

  CycleTransform transform(
      {s.samples_per_cycle, s.origin, s.angular_step, display_interval, &subtract});
  const double factor = display_factor;
  const auto point_of = [&](const Vec& v, int colour) {
    surface_.line_to(single(kCentreX + v.x * factor), single(kCentreY - v.y * factor), colour);
  };

  files_.open("I", kDataFile, s.data_path);
  const frame::CommentMark mark(s.comment_mark);
  take_samples(kDataFile, mark, s, transform, [&] {
    // Each display interval the samples fill is drawn at once, as a point
    // of its colour; no interval vector is kept, so the drawing's memory
    // does not grow with the file.
    const Vec v = transform.interval_vector();
    // Which file interval, counted from the origin, holds the middle of
    // this display interval: blue, red, green, then again; positions
    // before the origin continue the cycle backwards.
    const double middle =
        static_cast<double>(transform.sample_counter) - s.origin - display_interval / 2;
    const double index = frame::floor_value(frame::checked_div(middle, file_interval));
    int q = frame::whole_number(index, frame::Kind::Long) % 3;
    if (q < 0) q += 3;
    point_of(v, 2 * (1 << q) + 1);
    transform.end_interval();
  });

  // The last, open display interval is drawn only when it holds more than
  // one cycle.
  if (static_cast<double>(transform.m) > s.samples_per_cycle) {
    point_of(transform.interval_vector(), kClosing);
    transform.drop_interval();
  }
  files_.close({kDataFile});

  const double swing = transform.file_swing();
  set_result_line(transform.file_phase(), swing);
}

}  // namespace tarvex
