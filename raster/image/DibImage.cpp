#include "raster/image/DibImage.h"

namespace kanvo {

DibImage::DibImage() : DibImage(8, 8) {}

DibImage::DibImage(int32_t width, int32_t height) : Image32(NoPixels{}) { DibImage::resizeBuffer(width, height); }

DibImage::~DibImage() { DibImage::releasePixels(); }

void DibImage::releasePixels() { freeData(kAlignment); }

bool DibImage::resizeBuffer(int32_t width, int32_t height) {
  if (holdsSize(width, height)) return true;
  releasePixels();
  return allocateFor(width, height, kBytesPerPixel, kAlignment);
}

}  // namespace kanvo
