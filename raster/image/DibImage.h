#pragma once
// DibImage: the display's Image32, kept in memory the platform layer can present without a
// copy. Rows run top-down, bytes blue, green, red, alpha, so bits() with stride() is exactly a
// 32-bit ARGB image of a little-endian machine (for example a QImage of Format_ARGB32 wrapping
// the bytes). The pixel memory is 64-byte aligned. All drawing goes through the Image32
// operations; only allocation is DibImage's own. Presenting belongs to the platform layer.
#include <cstdint>

#include "raster/image/Image32.h"

namespace kanvo {

class DibImage : public Image32 {
 public:
  static constexpr size_t kAlignment = 64;

  DibImage();  // 8 x 8
  DibImage(int32_t width, int32_t height);  // check hasPixels()
  ~DibImage() override;

  void releasePixels() override;
  // The Image32 rule (same size keeps the pixels, sizes below 1 become 1, contents not
  // cleared), with the pixels in 64-byte aligned presentable memory. False, and no pixels,
  // when the memory cannot be had.
  bool resizeBuffer(int32_t width, int32_t height) override;
};

}  // namespace kanvo
