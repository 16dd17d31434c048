#include <gtest/gtest.h>

#include <random>

#include "support/RandomDocuments.h"
#include "support/RecordingSurface.h"
#include "view/View.h"

namespace kanvo {
namespace {

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
        if (layer.kind == kLayerKind32) layer.pixels32.fillRect(fill, r.x, r.y, r.width, r.height);
        if (layer.kind == kLayerKind8) layer.pixels8.fillRect(fill, r.x, r.y, r.width, r.height);
        if (layer.kind == kLayerKind1) layer.pixels1.fillRect(fill, r.x, r.y, r.width, r.height);
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
