#include "raster/image/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace kanvo {
namespace {

bool aligned64(const void* p) { return reinterpret_cast<uintptr_t>(p) % 64 == 0; }

TEST(DibImage, PresentableTopDownPixels) {
  DibImage dib;
  EXPECT_EQ(dib.width(), 8);
  EXPECT_EQ(dib.height(), 8);
  EXPECT_EQ(dib.stride(), 32);
  EXPECT_TRUE(aligned64(dib.bits()));

  DibImage odd(3, 2);
  EXPECT_EQ(odd.stride(), 12);
  odd.fill(0);
  odd.setPixel(2, 1, rgba(0x11, 0x22, 0x33, 0x44));
  const uint8_t* p = odd.bits() + 1 * 12 + 2 * 4;  // row 1 follows row 0: top-down
  EXPECT_EQ(p[0], 0x33);
  EXPECT_EQ(p[1], 0x22);
  EXPECT_EQ(p[2], 0x11);
  EXPECT_EQ(p[3], 0x44);
}

TEST(DibImage, AllocationGoesThroughTheVirtualSlots) {
  std::unique_ptr<Image32> image = std::make_unique<DibImage>(5, 5);
  Image32& drawing = *image;
  drawing.fill(0xFF0000FF);
  const uint8_t* before = drawing.bits();
  EXPECT_TRUE(drawing.resizeBuffer(5, 5));
  EXPECT_EQ(drawing.bits(), before);
  for (int32_t size : {1, 7, 33, 100}) {
    ASSERT_TRUE(drawing.resizeBuffer(size, size + 1));
    EXPECT_TRUE(aligned64(drawing.bits())) << size;
  }
  Image32 source(9, 4);
  source.fill(0xFFABCDEF);
  EXPECT_TRUE(drawing.assign(source));  // resizes through DibImage::resizeBuffer
  EXPECT_TRUE(aligned64(drawing.bits()));
  EXPECT_EQ(drawing.width(), 9);
  Color32 first;
  EXPECT_TRUE(drawing.isUniform(&first));
  EXPECT_EQ(first, 0xFFABCDEFu);

  EXPECT_FALSE(drawing.resizeBuffer(INT32_MAX, INT32_MAX));
  EXPECT_FALSE(drawing.hasPixels());
  drawing.fill(1);
  EXPECT_EQ(drawing.getPixel(0, 0), 0u);
  drawing.releasePixels();
  EXPECT_TRUE(drawing.resizeBuffer(2, 2));
  EXPECT_TRUE(aligned64(drawing.bits()));
}  // destroyed through the base pointer

}  // namespace
}  // namespace kanvo
