#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "support/CompositeReference.h"
#include "support/LayerStores.h"
#include "support/PointObject.h"
#include "support/RandomDocuments.h"
#include "support/RecordingSurface.h"
#include "support/TiledImages.h"
#include "view/View.h"
#include "view/ViewCompositor.h"

namespace kanvo {
namespace {

// The whole picture of plain views of random documents at every zoom step (the extended ones
// below 1/64 too), at whole and fractional origins, against the per-pixel reference.
TEST(ViewCompositorTest, PlainPictureMatchesTheReference) {
  StringTable strings(kUiLanguageEnglish);
  const std::vector<double> zooms = extendedZoomSteps();
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    Document doc(strings);
    // Seed 4: a canvas of at most 3 x 3 pixels.
    ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, seed == 4 ? 3 : 260, seed == 4 ? 3 : 200));
    DisplaySettings settings;
    View view(doc, settings);
    const int32_t w = 61 + int32_t(seed), h = 47;
    view.resize(w, h);
    for (double zoom : zooms) {
      settings.transparencyDisplay = uint8_t(rng() % 2);
      view.useCurrentCopy = uint8_t(rng() % 3 == 0);
      view.setZoom(zoom);
      const double cx = test::randomIn(rng, -10, doc.width() + 10), cy = test::randomIn(rng, -10, doc.height() + 10);
      const double frac = rng() % 2 ? 0.0 : (rng() % 1000) / 1000.0;
      view.setOrigin(w / 2 - zoom * cx + frac, h / 2 - zoom * cy - frac);
      view.invalidate();
      view.redraw();
      const ViewTransform& t = view.transform();
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          ASSERT_EQ(view.display().getPixel(x, y),
                    test::viewReferencePixel(doc, zoom, t.originX, t.originY, x, y, settings.transparencyDisplay,
                                             view.useCurrentCopy))
              << "seed " << seed << " zoom " << zoom << " pixel " << x << ", " << y;
    }
  }
}

// The view's own blends, eight pixels at a time, against the blend span's op 13 and op 12's
// formula per pixel, plain and scaled, at every opacity, for rows of any length.
TEST(ViewCompositorTest, VectorBlendsEqualTheFormulas) {
  std::mt19937 rng(21);
  std::vector<Color32> src(300), row(70), fast(70), plain(70);
  for (int w = 1; w < 256; ++w) {
    for (Color32& c : src) c = test::randomValue<32>(rng);
    for (Color32& c : row) c = test::randomValue<32>(rng);
    const int32_t count = test::randomIn(rng, 1, 64), step = rng() % 2 ? 65536 : test::randomIn(rng, 20000, 200000);
    const int32_t start = rng() % 2 ? 3 << 16 : test::randomIn(rng, 0, 40 << 16);
    const SpanParams multiply{kOpMultiplyAlpha, uint8_t(w)};
    const auto* s = reinterpret_cast<const uint8_t*>(src.data());
    fast.assign(row.begin(), row.end());
    plain.assign(row.begin(), row.end());
    multiplyScaled(multiply, s, start, step, reinterpret_cast<uint8_t*>(fast.data()), 2, count);
    blendSpan32Scaled(multiply, s, start, step, reinterpret_cast<uint8_t*>(plain.data()), 2, count);
    ASSERT_EQ(fast, plain) << "multiply at " << w;
    fast.assign(row.begin(), row.end());
    plain.assign(row.begin(), row.end());
    translucentReplaceColourScaled(SpanParams{kOpReplaceColour, uint8_t(w)}, s, start, step,
                                   reinterpret_cast<uint8_t*>(fast.data()), 2, count);
    for (int32_t i = 0; i < count; ++i)
      test::referenceBlend32(plain[size_t(2 + i)], src[size_t((int64_t(start) + int64_t(i) * step) >> 16)], kOpReplaceColour, w);
    ASSERT_EQ(fast, plain) << "normal at " << w;
  }
}

// Vector layers go to the document's renderer at scale zoom, translated to the composited part.
TEST(ViewCompositorTest, VectorLayersThroughTheRenderer) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(40, 30, kLayerKindVector), nullptr);
  doc.layer(0)->insertStroke(std::make_unique<test::PointObject>(2, 3), 0);
  doc.layer(0)->setOffset(1, 1);
  test::PointRenderer renderer;
  doc.setVectorRenderer(&renderer);
  DisplaySettings settings;
  View view(doc, settings);
  view.resize(50, 50);
  view.setZoom(4.0);
  view.setOrigin(-2.5, 1);
  view.invalidate();
  view.redraw();
  EXPECT_EQ(view.display().getPixel(9, 17), 0xFF00FF00u);  // point (2, 3) + offset, times 4, at the origin
}

constexpr double kDegree = kViewTurn / 360.0;

struct Turn {
  double degrees;
  bool mirrored;
};

// A view of the document with the same settings, transform and window as `like`, fully redrawn.
void redrawLike(View& fresh, const View& like) {
  fresh.resize(like.windowWidth(), like.windowHeight());
  fresh.setZoom(like.zoom());
  fresh.setAngle(like.transform().angle);
  fresh.setMirrored(like.transform().isMirrored());
  fresh.setOrigin(like.transform().originX, like.transform().originY);
  fresh.useCurrentCopy = like.useCurrentCopy;
  fresh.invalidate();
  fresh.redraw();
}

// A random document with a view of it and a second view for full redraws.
struct Views {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  DisplaySettings settings;
  View view{doc, settings}, fresh{doc, settings};
};

// After random paints, redrawRect of the painted rectangles leaves the picture equal to a full
// redraw, at every zoom step, plain, turned and mirrored, with the checkerboard or paper.
TEST(ViewPartialTest, PartialRedrawEqualsFull) {
  std::mt19937 rng(3);
  Views v;
  ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(v.doc, rng, 300, 240, 6, 100));
  auto& [strings, doc, settings, view, fresh] = v;
  test::RecordingSurface surface(83, 67);
  view.setSurface(&surface);
  view.resize(83, 67);
  for (double zoom : standardZoomSteps()) {
    for (const Turn& turn : {Turn{0, false}, Turn{30, false}, Turn{0, true}, Turn{247.5, true}}) {
      settings.transparencyDisplay = uint8_t(rng() % 2);
      view.setZoom(zoom);
      view.setAngle(turn.degrees * kDegree);
      view.setMirrored(turn.mirrored);
      view.centreOn(test::randomIn(rng, 0, doc.width()) + 0.3, test::randomIn(rng, 0, doc.height()));
      view.invalidate();
      view.redraw();
      for (int paint = 0; paint < 3; ++paint) {
        const int32_t index = test::randomIn(rng, 0, doc.layerCount() - 1);
        Layer& layer = *doc.layer(index);
        const Rect r(test::randomIn(rng, -10, int32_t(layer.storeWidth())), test::randomIn(rng, -10, int32_t(layer.storeHeight())),
                     test::randomIn(rng, 1, 90), test::randomIn(rng, 1, 90));
        SpanParams fill = test::fillWith(rng());
        test::withStore(layer, [&](auto& store) { store.fillRect(fill, r.x, r.y, r.width, r.height); });
        doc.layerChanged(layer, r.x, r.y, r.width, r.height);
        surface.presented.clear();
        view.redrawRect(r.x + layer.offsetX, r.y + layer.offsetY, r.width, r.height);
        redrawLike(fresh, view);
        ASSERT_EQ(test::pixelsOf(view.picture()), test::pixelsOf(fresh.picture()))
            << "zoom " << zoom << " turn " << turn.degrees << " mirrored " << turn.mirrored << " paint " << paint;
        // What was presented covers every window pixel that changed.
        ASSERT_EQ(test::pixelsOf(surface.window), test::pixelsOf(fresh.picture()));
      }
    }
  }
}

// A whole-pixel scroll of less than 128 pixels is served from the margin and equals a full
// redraw at the new origin; from 128 pixels on the margin is composited again.
TEST(ViewPartialTest, ScrollsUnder128PixelsComeFromTheMargin) {
  std::mt19937 rng(8);
  Views v;
  ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(v.doc, rng, 400, 300, 5, 300));
  auto& [strings, doc, settings, view, fresh] = v;
  view.resize(120, 90);
  for (const Turn& turn : {Turn{0, false}, Turn{45, true}}) {
    for (double zoom : {1.0, 0.25, 3.0}) {
      view.setZoom(zoom);
      view.setAngle(turn.degrees * kDegree);
      view.setMirrored(turn.mirrored);
      view.setOrigin(-20, -10);
      view.invalidate();
      view.redraw(true, true);
      for (auto [dx, dy] : {std::pair{-100, 0}, std::pair{27, -127}, std::pair{60, 117}}) {
        view.scrollBy(dx, dy);
        view.redraw(true, true);
        redrawLike(fresh, view);
        ASSERT_EQ(test::pixelsOf(view.picture()), test::pixelsOf(fresh.picture())) << zoom << " " << dx << " " << dy;
      }
      // A change the margin has not seen: a scroll of 100 still shows the old picture, 128
      // composites again.
      view.redraw(true, true, true);  // forced: the margin is composited here
      settings.transparencyDisplay = uint8_t(!settings.transparencyDisplay);
      view.scrollBy(100, 0);
      view.redraw(true, true);
      redrawLike(fresh, view);
      EXPECT_NE(test::pixelsOf(view.picture()), test::pixelsOf(fresh.picture()));
      view.scrollBy(28, 0);
      view.redraw(true, true);
      redrawLike(fresh, view);
      EXPECT_EQ(test::pixelsOf(view.picture()), test::pixelsOf(fresh.picture()));
    }
  }
}

}  // namespace
}  // namespace kanvo
