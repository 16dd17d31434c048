// Writes the program icon as the files a desktop finds it by: hicolor/NxN/apps/kanvo.png for
// each size and hicolor/scalable/apps/kanvo.svg, under the folder given as the argument.
#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdio>

#include "app/PanelIcons.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor";
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
    kanvo::Image32 image;
    const QString dir = root + QString("/%1x%1/apps").arg(side);
    if (!kanvo::renderProgramIcon(image, side) || !QDir().mkpath(dir)) return 1;
    const QImage wrapped(image.bits(), image.width(), image.height(), image.stride(), QImage::Format_ARGB32);
    if (!wrapped.save(dir + "/kanvo.png", "PNG")) return 1;
  }
  const QString scalable = root + "/scalable/apps";
  QFile svg(scalable + "/kanvo.svg");
  if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly)) return 1;
  const std::string text = kanvo::programIcon().svg(kanvo::kProgramIconSide, 256);
  return svg.write(text.data(), qint64(text.size())) == qint64(text.size()) ? 0 : 1;
}
