#include "document/Thumbnail.h"

#include <algorithm>

#include "raster/tiled/TiledResample.h"

namespace kanvo {

void Thumbnail::sizeFor(int32_t width, int32_t height, int32_t& outWidth, int32_t& outHeight) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width >= height) {
    outWidth = kMaxSide;
    outHeight = int32_t(std::max<int64_t>(int64_t(kMaxSide) * height / width, 1));
  } else {
    outHeight = kMaxSide;
    outWidth = int32_t(std::max<int64_t>(int64_t(kMaxSide) * width / height, 1));
  }
}

template <class Sample>
bool Thumbnail::buildWith(int32_t canvasWidth, int32_t canvasHeight, Sample sample) {
  int32_t tw, th;
  sizeFor(canvasWidth, canvasHeight, tw, th);
  if (!picture_.resizeBuffer(tw, th) || !mask_.resize(tw, th)) {
    picture_.releasePixels();
    mask_.release();
    return false;
  }
  const int64_t stepX = resampleStep16(std::max(canvasWidth, 1), tw);
  const int64_t stepY = resampleStep16(std::max(canvasHeight, 1), th);
  for (int32_t j = 0; j < th; ++j) {
    const int64_t cy = (j * stepY) >> 16;
    for (int32_t i = 0; i < tw; ++i) {
      const int64_t cx = (i * stepX) >> 16;
      Color32 c = 0;
      uint8_t m = 0;
      sample(cx, cy, c, m);
      picture_.setPixel(i, j, c);
      mask_.setPixel(i, j, m);
    }
  }
  return true;
}

namespace {

// The store pixel under canvas point (cx, cy), 0 outside the store.
template <int Bpp>
typename TiledImage<Bpp>::Value storePixel(const TiledImage<Bpp>& store, int64_t cx, int64_t cy, int64_t offsetX,
                                          int64_t offsetY) {
  const int64_t x = cx - offsetX, y = cy - offsetY;
  if (x < 0 || y < 0 || x >= int64_t(store.width()) || y >= int64_t(store.height())) return 0;
  return store.getPixel(int32_t(x), int32_t(y));
}

}  // namespace

bool Thumbnail::build(const TiledImage32& store, int64_t offsetX, int64_t offsetY, int32_t canvasWidth,
                      int32_t canvasHeight) {
  return buildWith(canvasWidth, canvasHeight, [&](int64_t cx, int64_t cy, Color32& c, uint8_t& m) {
    c = storePixel(store, cx, cy, offsetX, offsetY);
    m = uint8_t(alphaOf(c));
  });
}

bool Thumbnail::build(const TiledImage8& store, Color32 colour, int64_t offsetX, int64_t offsetY,
                      int32_t canvasWidth, int32_t canvasHeight) {
  return buildWith(canvasWidth, canvasHeight, [&](int64_t cx, int64_t cy, Color32& c, uint8_t& m) {
    m = storePixel(store, cx, cy, offsetX, offsetY);
    c = m ? ((colour & 0x00FFFFFFu) | uint32_t(m) << 24) : 0;
  });
}

bool Thumbnail::build(const TiledImage1& store, Color32 colour, int64_t offsetX, int64_t offsetY,
                      int32_t canvasWidth, int32_t canvasHeight) {
  return buildWith(canvasWidth, canvasHeight, [&](int64_t cx, int64_t cy, Color32& c, uint8_t& m) {
    m = storePixel(store, cx, cy, offsetX, offsetY) ? 255 : 0;
    c = m ? (colour | 0xFF000000u) : 0;
  });
}

bool Thumbnail::reset(int32_t canvasWidth, int32_t canvasHeight) {
  return buildWith(canvasWidth, canvasHeight, [](int64_t, int64_t, Color32& c, uint8_t& m) {
    c = 0;
    m = 0;
  });
}

bool Thumbnail::assign(const Thumbnail& other) {
  if (&other == this) return true;
  if (!other.picture_.hasPixels() || !other.mask_.hasPixels()) {
    picture_.releasePixels();
    mask_.release();
    return true;
  }
  return picture_.assign(other.picture_) && mask_.assign(other.mask_);
}

}  // namespace kanvo
