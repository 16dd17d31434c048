#include "raster/tiled/TiledResample.h"

#include <gtest/gtest.h>

#include <random>

#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

template <int Bpp>
void resampleMatchesReference(uint32_t seed) {
  std::mt19937 rng(seed);
  TiledImage<Bpp> src, dst;
  ASSERT_NO_FATAL_FAILURE(test::makeRandomPair(rng, src, 300, 200, dst, 400, 300));  // dst is replaced whole
  ASSERT_TRUE(resampleNearest(src, dst));
  const int64_t stepX = (int64_t(src.width()) << 16) / dst.width(), stepY = (int64_t(src.height()) << 16) / dst.height();
  for (int32_t y = 0; y < int32_t(dst.height()); ++y)
    for (int32_t x = 0; x < int32_t(dst.width()); ++x)
      ASSERT_EQ(uint32_t(dst.getPixel(x, y)), uint32_t(src.getPixel(int32_t((x * stepX) >> 16), int32_t((y * stepY) >> 16))))
          << "seed " << seed << " at " << x << ", " << y;
}

TEST(TiledResampleTest, NearestSamplingMatchesAPerPixelReference) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    resampleMatchesReference<32>(seed);
    resampleMatchesReference<8>(seed + 10);
    resampleMatchesReference<1>(seed + 20);
  }
  EXPECT_EQ(resampleStep16(32760, 1), int64_t(32760) << 16);
  EXPECT_EQ(resampleStep16(3, 2), 98304);
}

}  // namespace
}  // namespace kanvo
