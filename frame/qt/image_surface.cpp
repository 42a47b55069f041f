#include "frame/qt/image_surface.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace frame::qt {

namespace {

// Endpoints are pulled along their line into this box before they become
// whole pixels, so that a vector far off the diagram still draws the visible
// part of its line in the right direction, and the products below stay within
// 64 bits.
constexpr double kFarLimit = 268435456.0;  // 2^28 pixels

// Nearest whole pixel, halves to even (the processor's default rounding).
std::int64_t to_pixel(double v) {
  return static_cast<std::int64_t>(std::nearbyint(v));
}

// n / d rounded to the nearest whole number, halves upward; d != 0.
std::int64_t round_div(std::int64_t n, std::int64_t d) {
  if (d < 0) {
    n = -n;
    d = -d;
  }
  const std::int64_t num = 2 * n + d;
  const std::int64_t den = 2 * d;
  std::int64_t q = num / den;
  if (num % den != 0 && num < 0) --q;  // floor
  return q;
}

// Cuts the segment to the box [-kFarLimit, kFarLimit]^2 (Liang-Barsky);
// false when nothing of it lies inside.
bool pull_into_box(double& x1, double& y1, double& x2, double& y2) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 + kFarLimit, kFarLimit - x1, y1 + kFarLimit, kFarLimit - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
  }
  const double ox = x1, oy = y1;
  if (t1 < 1) {
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
  }
  if (t0 > 0) {
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
  }
  return true;
}

QFont drawing_font() {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                    QStringLiteral("Courier New")});
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);  // palette colours only
  return font;
}

}  // namespace

QRgb palette_rgb(int colour) {
  const Rgb& c = kPalette[static_cast<std::size_t>(colour) & 15u];
  return qRgb(c.r, c.g, c.b);
}

ImageSurface::ImageSurface(int width, int height) : image_(width, height, QImage::Format_RGB32) {
  image_.fill(kFormBackground);
}

void ImageSurface::put(std::int64_t x, std::int64_t y, QRgb rgb) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)))[x] = rgb;
}

void ImageSurface::clear() {
  image_.fill(kFormBackground);
  pos_x_ = 0;
  pos_y_ = 0;
  changed();
}

void ImageSurface::fill_rect(float x1, float y1, float x2, float y2, int colour) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return;
  }
  const auto clampx = [&](double v) { return std::clamp<double>(v, -1.0, image_.width()); };
  const auto clampy = [&](double v) { return std::clamp<double>(v, -1.0, image_.height()); };
  std::int64_t left = to_pixel(clampx(x1)), right = to_pixel(clampx(x2));
  std::int64_t top = to_pixel(clampy(y1)), bottom = to_pixel(clampy(y2));
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, image_.width() - 1);
  bottom = std::min<std::int64_t>(bottom, image_.height() - 1);
  const QRgb rgb = palette_rgb(colour);
  for (std::int64_t y = top; y <= bottom; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
    std::fill(row + left, row + right + 1, rgb);
  }
  changed();
}

// Both end pixels are drawn, except the start pixel of a path's next piece
// (skip_start), which belongs to what was drawn before. Along the longer
// axis every pixel column (or row) inside the image gets one pixel, at the
// other coordinate rounded from the exact line; columns outside the image are
// not visited, so a line of any length costs at most the image's width or
// height.
void ImageSurface::segment(double x1, double y1, double x2, double y2, QRgb rgb, bool skip_start) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return;
  }
  const double sx = x1, sy = y1;
  if (!pull_into_box(x1, y1, x2, y2)) return;
  // The start pixel stays as it is only when the start was not pulled in.
  skip_start = skip_start && x1 == sx && y1 == sy;
  const std::int64_t ax = to_pixel(x1), ay = to_pixel(y1);
  const std::int64_t bx = to_pixel(x2), by = to_pixel(y2);
  const std::int64_t dx = bx - ax, dy = by - ay;
  if (dx == 0 && dy == 0) {
    put(ax, ay, rgb);
    return;
  }
  if (std::llabs(dx) >= std::llabs(dy)) {
    const std::int64_t from = std::max<std::int64_t>(std::min(ax, bx), 0);
    const std::int64_t to = std::min<std::int64_t>(std::max(ax, bx), image_.width() - 1);
    for (std::int64_t x = from; x <= to; ++x) {
      if (skip_start && x == ax) continue;
      put(x, ay + round_div((x - ax) * dy, dx), rgb);
    }
  } else {
    const std::int64_t from = std::max<std::int64_t>(std::min(ay, by), 0);
    const std::int64_t to = std::min<std::int64_t>(std::max(ay, by), image_.height() - 1);
    for (std::int64_t y = from; y <= to; ++y) {
      if (skip_start && y == ay) continue;
      put(ax + round_div((y - ay) * dx, dy), y, rgb);
    }
  }
}

void ImageSurface::line(float x1, float y1, float x2, float y2, int colour) {
  segment(x1, y1, x2, y2, palette_rgb(colour), false);
  pos_x_ = x2;
  pos_y_ = y2;
  changed();
}

void ImageSurface::line_to(float x, float y, int colour) {
  segment(pos_x_, pos_y_, x, y, palette_rgb(colour), true);
  pos_x_ = x;
  pos_y_ = y;
  changed();
}

// Midpoint circle around the rounded centre with the rounded radius.
void ImageSurface::circle(float cx, float cy, float radius, int colour) {
  pos_x_ = cx;
  pos_y_ = cy;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius)) return;
  const double limit = kFarLimit;
  if (std::fabs(cx) > limit || std::fabs(cy) > limit || std::fabs(radius) > limit) return;
  const std::int64_t x0 = to_pixel(cx), y0 = to_pixel(cy);
  const std::int64_t r = std::llabs(to_pixel(radius));
  if (x0 + r < 0 || y0 + r < 0 || x0 - r >= image_.width() || y0 - r >= image_.height()) {
    changed();
    return;
  }
  const QRgb rgb = palette_rgb(colour);
  std::int64_t x = r, y = 0, err = 1 - r;
  while (x >= y) {
    put(x0 + x, y0 + y, rgb);
    put(x0 + y, y0 + x, rgb);
    put(x0 - y, y0 + x, rgb);
    put(x0 - x, y0 + y, rgb);
    put(x0 - x, y0 - y, rgb);
    put(x0 - y, y0 - x, rgb);
    put(x0 + y, y0 - x, rgb);
    put(x0 + x, y0 - y, rgb);
    ++y;
    if (err < 0) {
      err += 2 * y + 1;
    } else {
      --x;
      err += 2 * (y - x) + 1;
    }
  }
  changed();
}

void ImageSurface::pixel(float x, float y, int colour) {
  pos_x_ = x;
  pos_y_ = y;
  if (std::isfinite(x) && std::isfinite(y) && std::fabs(x) < kFarLimit &&
      std::fabs(y) < kFarLimit) {
    put(to_pixel(x), to_pixel(y), palette_rgb(colour));
  }
  changed();
}

// Text in a small fixed font without smoothing, so that its pixels keep the
// palette colour; the background stays as it is.
void ImageSurface::text(float x, float y, std::string_view text, int colour) {
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kFarLimit ||
      std::fabs(y) > kFarLimit) {
    return;
  }
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(drawing_font());
  painter.setPen(QColor::fromRgb(palette_rgb(colour)));
  const QRect box(static_cast<int>(to_pixel(x)), static_cast<int>(to_pixel(y)), 4096, 256);
  painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                   QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  painter.end();
  changed();
}

bool ImageSurface::save_png(const std::string& path) {
  return image_.save(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())), "PNG");
}

}  // namespace frame::qt
