// The swing map on screen and on disk: the picture of a heat map with its
// title, axes with numbered ticks, a colour bar in dB and the marks of the
// selected rows, drawn at any size.
#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <string>

#include "frame/heat_map.h"

namespace frame::qt {

// The size of a map written by the command line.
inline constexpr QSize kMapImageSize{1000, 640};

// The whole picture at the given size, on white.
QImage render_heat_map(const HeatMap& map, QSize size);

// Writes the picture as PNG at kMapImageSize; false when it cannot.
bool save_heat_map_png(const HeatMap& map, const std::string& path);

// A second, resizable window with the picture and a "Save PNG…" button.
class SwingMapWindow : public QWidget {
  Q_OBJECT

 public:
  explicit SwingMapWindow(HeatMap map, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {900, 600}; }
  // Writes the picture at the size it is shown; false when it cannot.
  bool save(const QString& path) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect picture_rect() const;
  void ask_and_save();

  HeatMap map_;
};

}  // namespace frame::qt
