// Writes the program's icon as PNG files in an icon theme's layout, drawn at each size:
// make_icon_png THEME_FOLDER SIZE... → THEME_FOLDER/SIZExSIZE/apps/mirvo.png
#include <QDir>
#include <QImage>
#include <QString>
#include <iostream>

#include "resources/icon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: make_icon_png THEME_FOLDER SIZE...\n";
    return 2;
  }
  const QString theme = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size < 1 || size > 1024) {
      std::cerr << "make_icon_png: not a size: " << argv[i] << "\n";
      return 2;
    }
    const std::vector<std::uint8_t> rgba = mirvo::icon::IconRgbaAt(size);
    const QImage image(rgba.data(), size, size, size * 4, QImage::Format_RGBA8888);
    const QString folder = theme + QStringLiteral("/%1x%1/apps").arg(size);
    const QString path = folder + QStringLiteral("/mirvo.png");
    if (!QDir().mkpath(folder) || !image.save(path, "PNG")) {
      std::cerr << "make_icon_png: cannot write " << path.toLocal8Bit().constData() << "\n";
      return 1;
    }
  }
  return 0;
}
