#pragma once
// Engine images seen by Qt without copying: Image32's pixels are 32-bit words 0xAARRGGBB in
// rows of stride() bytes, which is QImage's ARGB32 (straight alpha) and, for opaque pictures,
// RGB32. The QImage borrows the pixels: it must not outlive the image or its next resize.
#include <QImage>

#include "raster/image/Image32.h"

namespace kanvo {

inline QImage wrapImage(const Image32& image, QImage::Format format) {
  if (!image.hasPixels()) return {};
  return QImage(image.bits(), image.width(), image.height(), image.stride(), format);
}

}  // namespace kanvo
