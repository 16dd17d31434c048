#pragma once
// The program icon (app/PanelIcons.h) as Qt pictures.
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace kanvo {

// side x side pixels (an independent copy).
QImage programIconImage(int side);
// side logical pixels at the device pixel ratio.
QPixmap programIconPixmap(int side, qreal devicePixelRatio);
// Every size from 16 to 256, for window decorations.
QIcon programIconSet();

}  // namespace kanvo
