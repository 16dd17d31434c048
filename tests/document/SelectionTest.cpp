#include "document/Selection.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "raster/span/SpanOps.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

// Every edge between pixels that differ in being selected, the canvas border counting as
// unselected, compared with a pixel-by-pixel scan.
TEST(SelectionTest, OutlineMatchesAPlainScan) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    Selection selection;
    const int32_t w = test::randomIn(rng, 1, 200), h = test::randomIn(rng, 1, 200);
    ASSERT_TRUE(selection.resize(w, h));
    for (int i = 0; i < 6; ++i) {
      selection.mask.fillRect(SpanParams{kOpCopy, 255, uint8_t(rng() % 3 == 0 ? 0 : 1 + rng() % 255)},
                              test::randomIn(rng, -20, w), test::randomIn(rng, -20, h),
                              test::randomIn(rng, 1, 140), test::randomIn(rng, 1, 140));
    }
    selection.rebuildOutline();
    auto sel = [&](int32_t x, int32_t y) {
      return x >= 0 && y >= 0 && x < w && y < h && selection.mask.getPixel(x, y) != 0;
    };
    std::set<std::tuple<int32_t, int32_t, int>> expected, actual;
    for (int32_t y = 0; y <= h; ++y)
      for (int32_t x = 0; x <= w; ++x) {
        if (y < h && sel(x, y) != sel(x - 1, y)) expected.insert({x, y, 1});
        if (x < w && sel(x, y) != sel(x, y - 1)) expected.insert({x, y, 0});
      }
    for (const SelectionEdge& e : selection.outline) actual.insert({e.x, e.y, e.orientation});
    EXPECT_EQ(actual.size(), selection.outline.size()) << "duplicate edges";
    EXPECT_EQ(actual, expected) << "seed " << seed;
  }
}

}  // namespace
}  // namespace kanvo
