#include "frame/qt/swing_map_window.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace frame::qt {

namespace {

QColor colour_of(const Rgb& c) {
  return QColor(c.r, c.g, c.b);
}

// A tick's text: up to seven significant digits, no trailing zeros.
QString tick_text(double v) {
  return QString::number(v, 'g', 7);
}

// Position of v between a and b mapped onto [p, q]; the middle when a == b.
double along(double v, double a, double b, double p, double q) {
  if (a == b) return (p + q) / 2;
  return p + (v - a) / (b - a) * (q - p);
}

}  // namespace

QImage render_heat_map(const HeatMap& map, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  QFont font = p.font();
  font.setPixelSize(12);
  p.setFont(font);
  const QFontMetrics fm(font);

  // Layout: title above, y axis at the left, x axis below, colour bar at the
  // right after the marks.
  const int left = 70, top = 34, bottom = 50, bar_width = 18, right = 80;
  const QRect plot(left, top, std::max(10, size.width() - left - right - bar_width - 16),
                   std::max(10, size.height() - top - bottom));
  QFont title_font = font;
  title_font.setPixelSize(15);
  title_font.setBold(true);
  p.setFont(title_font);
  p.setPen(Qt::black);
  p.drawText(QRect(0, 6, size.width(), 24), Qt::AlignHCenter | Qt::AlignVCenter,
             QString::fromStdString(map.title));
  p.setFont(font);

  if (map.columns > 0 && map.rows > 0) {
    // The cells, row 0 at the bottom, scaled to the plot.
    QImage cells(map.columns, map.rows, QImage::Format_RGB32);
    for (int r = 0; r < map.rows; ++r) {
      auto* line = reinterpret_cast<QRgb*>(cells.scanLine(map.rows - 1 - r));
      for (int c = 0; c < map.columns; ++c)
        line[c] = colour_of(level_colour(map, map.at(c, r))).rgb();
    }
    p.drawImage(plot, cells);
  }
  p.setPen(Qt::black);
  p.drawRect(plot.adjusted(0, 0, -1, -1));

  // Cell centres of the first and last column and row, in pixels.
  const double cw = static_cast<double>(plot.width()) / std::max(1, map.columns);
  const double rh = static_cast<double>(plot.height()) / std::max(1, map.rows);
  const double x0 = plot.left() + cw / 2, x1 = plot.right() + 1 - cw / 2;
  const double y0 = plot.bottom() + 1 - rh / 2, y1 = plot.top() + rh / 2;
  auto px = [&](double x) { return along(x, map.x_first, map.x_last, x0, x1); };
  auto py = [&](double y) { return along(y, map.y_first, map.y_last, y0, y1); };

  for (double t : axis_ticks(map.x_first, map.x_last, std::max(2, plot.width() / 90))) {
    const int x = static_cast<int>(std::lround(px(t)));
    p.drawLine(x, plot.bottom(), x, plot.bottom() + 5);
    const QString s = tick_text(t);
    p.drawText(x - fm.horizontalAdvance(s) / 2, plot.bottom() + 7 + fm.ascent(), s);
  }
  for (double t : axis_ticks(map.y_first, map.y_last, std::max(2, plot.height() / 50))) {
    const int y = static_cast<int>(std::lround(py(t)));
    p.drawLine(plot.left() - 5, y, plot.left(), y);
    const QString s = tick_text(t);
    p.drawText(plot.left() - 8 - fm.horizontalAdvance(s), y + fm.ascent() / 2, s);
  }
  p.drawText(QRect(plot.left(), plot.bottom() + 24, plot.width(), 20), Qt::AlignHCenter,
             QString::fromStdString(map.x_label));
  p.save();
  p.translate(14, plot.center().y());
  p.rotate(-90);
  p.drawText(QRect(-plot.height() / 2, -8, plot.height(), 20), Qt::AlignHCenter,
             QString::fromStdString(map.y_label));
  p.restore();

  // A red triangle at the right edge for every selected row.
  p.setBrush(QColor(220, 30, 30));
  p.setPen(Qt::NoPen);
  for (double m : map.marks) {
    const double y = py(m);
    const QPointF tri[3] = {
        {plot.right() + 2.0, y}, {plot.right() + 10.0, y - 4}, {plot.right() + 10.0, y + 4}};
    p.drawPolygon(tri, 3);
  }

  // The colour bar: 0 dB at the top, -range at the bottom.
  const QRect bar(plot.right() + 16, plot.top(), bar_width, plot.height());
  for (int y = 0; y < bar.height(); ++y) {
    const double t = 1.0 - static_cast<double>(y) / std::max(1, bar.height() - 1);
    p.setPen(colour_of(viridis(t)));
    p.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::NoBrush);
  p.drawRect(bar.adjusted(0, 0, -1, -1));
  for (double db : axis_ticks(-map.range_db, 0, 6)) {
    const int y =
        static_cast<int>(std::lround(along(db, 0, -map.range_db, bar.top(), bar.bottom())));
    p.drawLine(bar.right(), y, bar.right() + 4, y);
    p.drawText(bar.right() + 7, y + fm.ascent() / 2, tick_text(db) + " dB");
  }
  p.end();
  return image;
}

bool save_heat_map_png(const HeatMap& map, const std::string& path) {
  return render_heat_map(map, kMapImageSize).save(QString::fromStdString(path), "PNG");
}

SwingMapWindow::SwingMapWindow(HeatMap map, QWidget* parent)
    : QWidget(parent, Qt::Window), map_(std::move(map)) {
  setWindowTitle(QStringLiteral("Swing map - %1").arg(QString::fromStdString(map_.title)));
  setMinimumSize(360, 260);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* save_button = new QPushButton(QStringLiteral("Save PNG…"), this);
  save_button->setObjectName(QStringLiteral("save_png"));
  connect(save_button, &QPushButton::clicked, this, &SwingMapWindow::ask_and_save);
  row->addWidget(save_button);
  layout->addLayout(row);
}

QRect SwingMapWindow::picture_rect() const {
  return QRect(0, 0, width(), height() - 44);
}

bool SwingMapWindow::save(const QString& path) const {
  return render_heat_map(map_, picture_rect().size()).save(path, "PNG");
}

void SwingMapWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.drawImage(picture_rect().topLeft(), render_heat_map(map_, picture_rect().size()));
}

void SwingMapWindow::ask_and_save() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save swing map"),
                                                    QStringLiteral("swing-map.png"),
                                                    QStringLiteral("PNG image (*.png)"));
  if (path.isEmpty()) return;
  if (!save(path)) {
    QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot write %1").arg(path));
  }
}

}  // namespace frame::qt
