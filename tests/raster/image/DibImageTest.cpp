// The display's buffer: presentable top-down rows in 64-byte aligned memory, allocated through
// Image32's virtual slots whatever the caller holds.
#include "raster/image/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace kanvo {
namespace {

bool aligned64(const void* p) {
  return reinterpret_cast<uintptr_t>(p) % 64 == 0;
}

TEST(DibImage, PresentableAlignedPixelsThroughTheVirtualSlots) {
  DibImage dib;
  EXPECT_TRUE(dib.width() == 8 && dib.height() == 8 && dib.stride() == 32 && aligned64(dib.bits()));
  std::unique_ptr<Image32> image = std::make_unique<DibImage>(3, 2);
  Image32& drawing = *image;
  drawing.fill(0);
  drawing.setPixel(2, 1, rgba(0x11, 0x22, 0x33, 0x44));
  const uint8_t* p = drawing.bits() + 1 * 12 + 2 * 4;  // row 1 follows row 0: top-down
  EXPECT_TRUE(p[0] == 0x33 && p[1] == 0x22 && p[2] == 0x11 && p[3] == 0x44);
  const uint8_t* before = drawing.bits();
  EXPECT_TRUE(drawing.resizeBuffer(3, 2));
  EXPECT_EQ(drawing.bits(), before);
  for (int32_t size : {1, 7, 33, 100}) {
    ASSERT_TRUE(drawing.resizeBuffer(size, size + 1));
    EXPECT_TRUE(aligned64(drawing.bits())) << size;
  }
  Image32 source(9, 4);
  source.fill(0xFFABCDEF);
  EXPECT_TRUE(drawing.assign(source));  // resizes through DibImage::resizeBuffer
  EXPECT_TRUE(aligned64(drawing.bits()) && drawing.width() == 9 && drawing.isUniform());
  EXPECT_FALSE(drawing.resizeBuffer(INT32_MAX, INT32_MAX));
  EXPECT_FALSE(drawing.hasPixels());
  drawing.releasePixels();
  EXPECT_TRUE(drawing.resizeBuffer(2, 2));
  EXPECT_TRUE(aligned64(drawing.bits()));
}  // destroyed through the base pointer

}  // namespace
}  // namespace kanvo
