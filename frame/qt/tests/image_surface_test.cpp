// The off-screen drawing: exact pixels in palette colours, clipping, the
// drawing position, and the PNG it writes.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <set>

#include "frame/qt/image_surface.h"

namespace {

using frame::qt::ImageSurface;

constexpr QRgb kWhite = 0xffffffff;

const auto colour = frame::qt::palette_rgb;

std::set<QRgb> colours_in(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
  return seen;
}

TEST(ImageSurface, RectanglesIncludeBothCornersAreClippedAndClearReturnsToWhite) {
  ImageSurface s(20, 20);
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  s.fill_rect(15, 12, 5, 2, 4);  // corners in any order
  EXPECT_EQ(s.image().pixel(5, 2), colour(4));
  EXPECT_EQ(s.image().pixel(15, 12), colour(4));
  EXPECT_EQ(s.image().pixel(16, 12), kWhite);
  EXPECT_EQ(s.image().pixel(15, 13), kWhite);
  s.fill_rect(-100, 18, 1e9f, 1e9f, 9);
  EXPECT_EQ(s.image().pixel(0, 19), colour(9));
  EXPECT_EQ(s.image().pixel(19, 18), colour(9));
  s.pixel(3.4f, 5.6f, 3);  // to the nearest pixel
  EXPECT_EQ(s.image().pixel(3, 6), colour(3));
  s.pixel(4.5f, 0.5f, 3);  // halves to even
  EXPECT_EQ(s.image().pixel(4, 0), colour(3));
  s.clear();
  EXPECT_EQ(colours_in(s.image()), std::set<QRgb>{kWhite});
  EXPECT_EQ(s.pos_x(), 0.0f);
  EXPECT_EQ(s.pos_y(), 0.0f);
}

TEST(ImageSurface, LinesAreOnePixelWideWithBothEndsAndNoSmoothing) {
  ImageSurface s(50, 50);
  s.line(2, 3, 12, 3, 5);
  for (int x = 2; x <= 12; ++x) EXPECT_EQ(s.image().pixel(x, 3), colour(5)) << x;
  EXPECT_EQ(s.image().pixel(13, 3), kWhite);
  s.line(10, 10, 40, 40, 3);
  for (int i = 10; i <= 40; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(3)) << i;
  EXPECT_EQ(s.image().pixel(11, 10), kWhite);
  EXPECT_EQ(colours_in(s.image()), (std::set<QRgb>{kWhite, colour(5), colour(3)}));
  // Path pieces start where the previous ended and keep its pixel.
  s.pixel(2, 40, 15);
  s.line_to(20, 40, 13);
  s.line_to(20, 45, 5);
  EXPECT_EQ(s.image().pixel(2, 40), colour(15));
  EXPECT_EQ(s.image().pixel(20, 40), colour(13));
  EXPECT_EQ(s.image().pixel(20, 41), colour(5));
  EXPECT_EQ(s.pos_y(), 45.0f);
}

TEST(ImageSurface, FarLinesDrawTheirVisiblePartInTheirDirection) {
  ImageSurface s(100, 60);
  s.line(-1e9f, 30, 1e9f, 30, 2);
  for (int x = 0; x < 100; ++x) EXPECT_EQ(s.image().pixel(x, 30), colour(2)) << x;
  s.line(5, 5, 3e10f, 3e10f, 13);
  for (int i = 5; i < 60; ++i) EXPECT_EQ(s.image().pixel(i, i), colour(13)) << i;
  ImageSurface t(10, 10);  // entirely outside: nothing
  t.line(-50, -5, 60, -5, 0);
  t.pixel(10, 3, 0);
  EXPECT_EQ(colours_in(t.image()), std::set<QRgb>{kWhite});
}

TEST(ImageSurface, CircleHasItsRadiusInEveryDirection) {
  ImageSurface s(640, 440);
  s.circle(430, 220, 100, 4);
  for (auto [x, y] : {std::pair{530, 220}, {330, 220}, {430, 120}, {430, 320}, {525, 189}})
    EXPECT_EQ(s.image().pixel(x, y), colour(4)) << x << "," << y;
  for (auto [x, y] : {std::pair{430, 220}, {531, 220}, {529, 220}})
    EXPECT_EQ(s.image().pixel(x, y), kWhite) << x << "," << y;
}

TEST(ImageSurface, TextIsInThePaletteColourOnATransparentBackground) {
  ImageSurface s(60, 30);
  s.fill_rect(0, 0, 59, 29, 0);
  s.text(2, 2, "+100", 15);
  EXPECT_EQ(colours_in(s.image()), (std::set<QRgb>{colour(0), colour(15)}));
  EXPECT_EQ(colours_in(s.image().copy(0, 0, 60, 1)), std::set<QRgb>{colour(0)});
}

TEST(ImageSurface, SavesThePngItShows) {
  ImageSurface s(64, 48);
  s.line(0, 0, 63, 47, 11);
  const auto path = (std::filesystem::temp_directory_path() / "qt_image_surface_test.png").string();
  ASSERT_TRUE(s.save_png(path));
  EXPECT_EQ(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32), s.image());
  EXPECT_FALSE(s.save_png("/nonexistent-folder/x.png"));
}

}  // namespace
