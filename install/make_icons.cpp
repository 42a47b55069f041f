// Writes a program's icon in the desktop's sizes: the 32 x 32 window icon
// scaled without smoothing, so every size shows the same pixels.
//
//   make_icons PROGRAM ICON_NAME OUTPUT_FOLDER
// writes OUTPUT_FOLDER/<n>x<n>/apps/ICON_NAME.png for every size n.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <iostream>
#include <string>

#include "frame/qt/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_icons PROGRAM ICON_NAME OUTPUT_FOLDER\n";
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  QGuiApplication app(qt_argc, argv);

  const QImage icon = frame::qt::program_icon(argv[1]);
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString::fromUtf8(argv[3]) + QStringLiteral("/%1x%1/apps").arg(size);
    const QString file =
        folder + QStringLiteral("/") + QString::fromUtf8(argv[2]) + QStringLiteral(".png");
    const QImage scaled = icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!QDir().mkpath(folder) || !scaled.save(file, "PNG")) {
      std::cerr << "make_icons: cannot write " << file.toStdString() << '\n';
      return 1;
    }
  }
  return 0;
}
