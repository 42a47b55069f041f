// The form's drawing kept in an off-screen image of the client area's size,
// from which the window repaints and which --save-drawing writes as PNG.
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>

#include "frame/surface.h"

namespace frame::qt {

// A line from the current position continues a path: its start pixel is
// the end of what was drawn before and is left as it is.
//
// Pixel-exact drawing: lines and circles are rasterised here, not by a
// painter, so that every pixel is a palette colour and the same on every
// platform. Coordinates are rounded to the nearest pixel (halves to even);
// whatever falls outside the image is clipped.
class ImageSurface : public Surface {
 public:
  ImageSurface(int width, int height);

  void clear() override;
  void fill_rect(float x1, float y1, float x2, float y2, int colour) override;
  void line(float x1, float y1, float x2, float y2, int colour) override;
  void line_to(float x, float y, int colour) override;
  void circle(float cx, float cy, float radius, int colour) override;
  void pixel(float x, float y, int colour) override;
  void text(float x, float y, std::string_view text, int colour) override;
  bool save_png(const std::string& path) override;

  const QImage& image() const { return image_; }
  float pos_x() const { return pos_x_; }
  float pos_y() const { return pos_y_; }

  // Told after every drawing operation (the window schedules a repaint).
  std::function<void()> on_change;

 private:
  void put(std::int64_t x, std::int64_t y, QRgb rgb);
  void segment(double x1, double y1, double x2, double y2, QRgb rgb, bool skip_start);
  void changed() {
    if (on_change) on_change();
  }

  QImage image_;
  float pos_x_ = 0, pos_y_ = 0;
};

// The background of a cleared drawing: the form's white.
inline constexpr QRgb kFormBackground = 0xffffffff;

// The palette colour of a colour number (taken modulo 16).
QRgb palette_rgb(int colour);

}  // namespace frame::qt
