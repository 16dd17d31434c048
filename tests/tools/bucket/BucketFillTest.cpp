// The seed fill against a plain flood fill on random pictures and a one-pixel serpentine; the
// bucket on every depth, its layer placed three ways, sampling the composite or the layer.
#include <gtest/gtest.h>

#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/RandomImages.h"
#include "tools/bucket/BucketEngine.h"
#include "tools/bucket/SeedFill.h"

namespace kanvo {
namespace {

template <class Source, class Distance>
void expectFlood(const Source& s, int32_t x, int32_t y, int32_t tolerance, Distance distance) {
  const uint32_t w = uint32_t(s.width()), h = uint32_t(s.height());
  TiledImage8 mask, flood;
  ASSERT_TRUE(mask.resize(w, h) && flood.resize(w, h) && SeedFill(s, mask, x, y, 255, tolerance));
  for (std::vector<std::pair<int32_t, int32_t>> todo{{x, y}}; !todo.empty(); todo.pop_back()) {
    auto [px, py] = todo.back();
    if (uint32_t(px) >= w || uint32_t(py) >= h || flood.getPixel(px, py) != 0 ||
        distance(s.getPixel(px, py), s.getPixel(x, y)) >= tolerance)
      continue;
    flood.setPixel(px, py, 255);
    todo.insert(todo.end() - 1, {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}});
  }
  for (uint32_t i = 0; i < w * h; ++i)
    ASSERT_EQ(mask.getPixel(i % w, i / w), flood.getPixel(i % w, i / w)) << i % w << "," << i / w;
}

TEST(SeedFill, MatchesAPlainFloodFill) {
  std::mt19937 rng(7);
  const Color32 colours[] = {0xFF808080u, 0xFF808081u, 0xFF828383u, 0x00808080u};  // large regions
  for (int round = 0; round < 40; ++round) {
    const int32_t w = test::randomIn(rng, 1, 150), h = test::randomIn(rng, 1, 150), spots = 2 + rng() % 6;
    Image32 colour(w, h);
    for (int32_t i = 0; i < w * h; ++i)
      colour.setPixel(i % w, i / w, colours[rng() % spots == 0 ? rng() % 4 : 0]);
    const int32_t x = test::randomIn(rng, 0, w - 1), y = test::randomIn(rng, 0, h - 1);
    const int32_t tolerance = std::vector<int32_t>{0, 1, 2, 3, 64, 255, 256}[rng() % 7];
    expectFlood(colour, x, y, tolerance, fillDistance32);
  }
  const int32_t n = 301;  // one-pixel corridors joined at alternate ends
  TiledImage8 serpentine;
  ASSERT_TRUE(serpentine.resize(n, n));
  for (int32_t i = 0; i < n * n; ++i)
    serpentine.setPixel(i % n, i / n, i / n % 2 && i % n != (i / n / 2 % 2) * (n - 1));
  expectFlood(serpentine, 5, 0, 1, fillDistance8);
  const Color32 base = 0x80402010u;  // one step in one channel is 1, as is 7; 8 make 2
  for (auto [other, d] : {std::pair{0x80402011u, 1}, {0x80402017u, 1}, {0x80402018u, 2}, {0x7F3F1F0Fu, 1}})
    EXPECT_EQ(fillDistance32(base, other), d) << std::hex << other;
  for (auto [x, y] : {std::pair{-1, 0}, {0, n}}) EXPECT_FALSE(SeedFill(serpentine, serpentine, x, y, 255, 1));
}

TEST(BucketEngine, FillsTheSampledRegionAndUndoes) {
  for (int32_t kind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (auto [ox, oy] : {std::pair{0, 0}, {-64, -64}, {-3, -5}})
      for (int32_t source : {0, 1}) {
        SCOPED_TRACE(testing::Message() << kind << " " << ox << " " << source);
        test::DispatchRig rig(130, 100);
        for (int32_t y = 0; y < 100; ++y) rig.layer().pixels32.setPixel(40, y, kOpaqueWhite);  // a wall below
        Layer& layer = *rig.doc.addLayer(kind);
        ASSERT_TRUE(layer.sizeStore(130 - 2 * ox, 100 - 2 * oy));
        layer.setOffset(ox, oy);
        for (int32_t i = 0; i < 41 * 51; ++i)  // a box (60, 20) ... (100, 70)
          if (i % 41 % 40 == 0 || i / 41 % 50 == 0)
            test::withStore(layer,
                            [&](auto& store) { store.setPixel(60 + i % 41 - ox, 20 + i / 41 - oy, 1); });
        rig.doc.selectLayer(1);
        rig.settings.options.bucketSampleSource = source;
        BucketEngine engine(rig.doc, rig.history, rig.settings, &rig.redraw);
        const std::string before = test::documentState(rig.doc);
        ASSERT_TRUE(engine.fill({5.5, 5.5}));
        auto filled = [&](int32_t x, int32_t y) { return test::storePixel(layer, x - ox, y - oy) != 0; };
        EXPECT_TRUE(filled(5, 99) && filled(39, 0) && filled(50, 10) == (source != 0));
        EXPECT_FALSE(filled(80, 45) || filled(-1, 5) || filled(5, 100) || filled(130, 5));
        EXPECT_EQ(*rig.history.undoLabel(), "Fill (Bucket)");
        EXPECT_EQ(rig.surface.window.getPixel(5, 5), kOpaqueBlack);  // shown once no longer busy
        const std::string after = test::documentState(rig.doc);
        EXPECT_TRUE(engine.fill({6, 6}) && test::documentState(rig.doc) == after);  // no pixel changes
        rig.history.applyStep(0, rig.doc);
        test::expectUndoRedoExact(rig.history, rig.doc, before);
        rig.doc.busy = 1;  // nothing while busy, on a hidden layer, outside the canvas
        EXPECT_FALSE(engine.fill({5, 5}));
        rig.doc.busy = 0;
        layer.visible = 0;
        EXPECT_FALSE(engine.fill({5, 5}) || engine.fill({-0.5, 5}) || !rig.history.canRedo());
      }
}

}  // namespace
}  // namespace kanvo
