// The document compositor against the blend rules one pixel at a time (support/CompositeReference.h)
// on random documents of every layer kind, blend mode and option: bands, flatten and probe.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "document/Document.h"
#include "document/DocumentCompositor.h"
#include "raster/parallel/WorkerPool.h"
#include "raster/pixel/PixelOps.h"
#include "support/CompositeReference.h"
#include "support/PointObject.h"
#include "support/RandomDocuments.h"
#include "support/RecordingProgress.h"

namespace kanvo {
namespace {

using test::referencePixel;

void expectBandMatches(const Document& doc, const Image32& band, int32_t bandIndex, int32_t x0,
                       const CompositeOptions& options) {
  for (int32_t y = 0; y < band.height(); ++y) {
    for (int32_t x = 0; x < band.width(); ++x) {
      const int64_t cy = int64_t(bandIndex) * band.height() + y, cx = int64_t(x) - x0;
      ASSERT_EQ(band.getPixel(x, y), referencePixel(doc, cx, cy, options))
          << "band pixel " << x << ", " << y << " (band " << bandIndex << ", x0 " << x0 << ")";
    }
  }
}

TEST(DocumentCompositorTest, BandsMatchThePerPixelReference) {
  StringTable strings(kUiLanguageEnglish);
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    Document doc(strings);
    test::makeRandomDocument(doc, rng);
    if (::testing::Test::HasFatalFailure()) return;
    CompositeOptions options;
    options.background = test::randomLayerColour(rng);
    options.monochrome = uint8_t(rng() % 3 == 0);
    options.coverageAsIs = uint8_t(rng() % 2);
    const int32_t h = test::randomIn(rng, 1, 90);
    Image32 band(doc.width(), h);
    for (int32_t b = -1; b <= doc.height() / h + 1; ++b) {
      const int32_t x0 = b % 2 == 0 ? 0 : test::randomIn(rng, -70, 70);
      doc.compositeRow(band, options, b, x0);
      expectBandMatches(doc, band, b, x0, options);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// Flatten: bands of 256 rows (the last one clipped) with progress after each, equal to the
// reference; the probe composites over white with coverage as is; monochrome splits at 128.
TEST(DocumentCompositorTest, FlattenAndProbeMatchTheReference) {
  StringTable strings(kUiLanguageEnglish);
  std::mt19937 rng(99);
  Document doc(strings);
  test::makeRandomDocument(doc, rng);
  const CompositeOptions options{0xFFFFFFFFu, 0, 0};
  using Calls = std::vector<std::pair<int32_t, int32_t>>;
  for (const auto& [height, calls] :
       {std::pair{512, Calls{{0, 2}, {1, 2}, {2, 2}}}, {300, Calls{{0, 1}, {1, 1}}}}) {
    ASSERT_TRUE(doc.setSize(300, height));  // the layers keep their stores
    Image32 one(300, height);
    for (int threads : {1, 2, 5}) {
      parallel::ThreadCountOverride count(threads);
      test::RecordingProgress progress;
      Image32 target(300, height);
      ASSERT_TRUE(doc.flatten(target, options, &progress));
      EXPECT_EQ(progress.calls, calls);
      if (threads == 1) {
        ASSERT_TRUE(one.assign(target));
      }
      ASSERT_TRUE(std::equal(target.bits(), target.bits() + target.byteCount(), one.bits())) << threads;
    }
    for (int32_t y = 0; y < height; y += 7)
      for (int32_t x = 0; x < 300; ++x) ASSERT_EQ(one.getPixel(x, y), referencePixel(doc, x, y, options));
  }
  EXPECT_EQ(doc.probeColour(17, 200), referencePixel(doc, 17, 200, CompositeOptions{0xFFFFFFFFu, 0, 1}));
  EXPECT_EQ(doc.probeColour(300, 0), 0u);
  EXPECT_EQ(doc.probeColour(0, -1), 0u);
  EXPECT_EQ(monochromeColour(makeColor(127, 127, 127, 255)), kOpaqueBlack);  // luminance 127
  EXPECT_EQ(monochromeColour(makeColor(128, 128, 128, 255)), kOpaqueWhite);
}

TEST(DocumentCompositorTest, FlattenIsNotReentrant) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(40, 600, kLayerKind32), nullptr);
  class Reenter : public Progress {
   public:
    explicit Reenter(Document& d) : doc(d) {}
    void report(int32_t, int32_t) override {
      Image32 other(40, 600);
      results.push_back(doc.flatten(other, CompositeOptions{}) || !doc.isFlattening());
    }
    Document& doc;
    std::vector<bool> results;
  } reenter(doc);
  Image32 target(40, 600);
  EXPECT_TRUE(doc.flatten(target, CompositeOptions{}, &reenter));
  EXPECT_EQ(reenter.results, (std::vector<bool>{false, false, false}));
  EXPECT_FALSE(doc.isFlattening());
  EXPECT_TRUE(doc.flatten(target, CompositeOptions{}));
  Image32 none;
  none.releasePixels();
  EXPECT_FALSE(doc.flatten(none, CompositeOptions{}));
}

TEST(DocumentCompositorTest, VectorLayersGoThroughTheRenderer) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(20, 20, kLayerKindVector), nullptr);
  Layer* layer = doc.layer(0);
  layer->insertStroke(std::make_unique<test::PointObject>(2, 3), 0);
  layer->insertStroke(std::make_unique<test::PointObject>(2, 3), 1)->visible = 0;
  layer->antialiasMode = 2;
  layer->setOffset(1, 5);
  Image32 band(20, 4);
  doc.compositeRow(band, CompositeOptions{}, 2, 3);  // no renderer: nothing drawn
  EXPECT_EQ(band.getPixel(6, 0), 0u);
  test::PointRenderer renderer;
  doc.setVectorRenderer(&renderer);
  doc.compositeRow(band, CompositeOptions{}, 2, 3);
  ASSERT_EQ(renderer.transforms.size(), 1u);
  const RenderTransform& t = renderer.transforms[0];
  EXPECT_EQ(std::tuple(t.translateX, t.translateY, t.scaleX, t.antialiasOverride),
            std::tuple(3.0, -8.0, 1.0, 2));
  EXPECT_EQ(band.getPixel(6, 0), 0xFF00FF00u);  // canvas (3, 8) shifted right by 3
}

TEST(DocumentCompositorTest, CompositeStoreRefusesOpsThatPaintUnderEmptySources) {
  TiledImage32 store;
  ASSERT_TRUE(store.resize(64, 64));
  Image32 target(64, 64);
  target.fill(0xFF123456u);
  compositeStore(target, SpanParams{kOpCopy, 255}, 0, 0, store);
  compositeStore(target, SpanParams{kOpCopy, 255}, INT64_MIN / 2, INT64_MAX / 2, store);
  EXPECT_EQ(target.getPixel(0, 0), 0xFF123456u);
}

}  // namespace
}  // namespace kanvo
