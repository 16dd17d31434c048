// The tone cells are drawn by the shared disc coverage: their tiles are pinned so that any
// change of the coverage arithmetic that would alter a printed tone shows here.
#include <gtest/gtest.h>

#include <span>

#include "raster/tone/ToneSet.h"
#include "support/ImageCompare.h"

namespace kanvo {
namespace {

uint64_t hashOf(const Image1& image) {
  return test::fnv1a(std::span<const uint8_t>(image.bits(), size_t(image.byteCount())));
}

TEST(ToneTilesPin, TilesAndDotsUnchanged) {
  const struct {
    double lines, resolution;
    uint64_t hash;
  } cases[] = {{60, 350, 11068764431167970944u}, {60, 600, 14958252702985818464u}, {10, 600, 9523230773551479880u},
               {37, 1200, 3611558879562804612u}};
  for (const auto& c : cases) {
    ToneSet set;
    ASSERT_TRUE(set.build(c.lines, c.resolution));
    uint64_t h = 0;
    for (int t = 0; t < ToneSet::kToneCount; ++t) h = h * 31 + hashOf(*set.tone(t));
    EXPECT_EQ(h, c.hash) << c.lines << " " << c.resolution;
  }
  // Centres, radii and grids beyond what the tone build uses.
  const struct {
    double cx, cy, r;
    int s;
  } dots[] = {{20.3, 20.7, 0.4, 5}, {10, 10, 2.99, 11}, {31.9, 7.2, 3.01, 5}, {0.5, 40.25, 9.5, 7},
              {40.1, 33.3, 17.2, 20}, {63.7, 50.0, 8.0, 3}, {32, 32, 30.6, 1}};
  uint64_t h = 0;
  for (const auto& d : dots) {
    Image1 image(64, 64);
    image.fill(0);
    ToneSet::drawDot(image, d.cx, d.cy, d.r, 1, d.s);
    h = h * 31 + hashOf(image);
  }
  EXPECT_EQ(h, 14006049610228026603u);
}

}  // namespace
}  // namespace kanvo
