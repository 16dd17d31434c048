#include "platform/qt/ProgramIcon.h"

#include <cmath>

#include "app/PanelIcons.h"
#include "platform/qt/ImageWrap.h"

namespace kanvo {

QImage programIconImage(int side) {
  Image32 image;
  if (!renderProgramIcon(image, side)) return {};
  return wrapImage(image, QImage::Format_ARGB32).copy();
}

QPixmap programIconPixmap(int side, qreal devicePixelRatio) {
  QPixmap pixmap = QPixmap::fromImage(programIconImage(int(std::lround(side * devicePixelRatio))));
  pixmap.setDevicePixelRatio(devicePixelRatio);
  return pixmap;
}

QIcon programIconSet() {
  QIcon icon;
  for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(programIconImage(side)));
  return icon;
}

}  // namespace kanvo
