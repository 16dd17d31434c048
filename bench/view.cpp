// The view's full redraw of a 2048 x 2048 document of ten 32 bpp layers (opaque, translucent,
// sparse with absent tiles and stroke runs; one at opacity 128, one in multiply mode) into a
// 1280 x 800 window at zoom 1, 1/4 and 4, plain and turned by 30 degrees, against pixman
// compositing the same layers (premultiplied, made outside the timing) through a transform of
// the same zoom and angle with nearest sampling into a 1280 x 800 image: OVER, MULTIPLY for the
// multiply layer, a solid mask of alpha 128 for the layer at opacity 128. Also the redraw of a
// 128 x 128 canvas rectangle at zoom 1 (one brush move) and a 100-pixel scroll (the margin).
// Times are CPU time per frame; the summary prints ours against pixman's for each case.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/PaintedLayers.h"
#include "bench/support/Summary.h"
#include "document/Document.h"
#include "view/View.h"

namespace {

using namespace kanvo;
constexpr int32_t kSide = 2048, kLayers = 10, kWindowW = 1280, kWindowH = 800;
constexpr int32_t kHalfOpacityLayer = 3, kMultiplyLayer = 6;
constexpr double kTurn = 30.0 / kDegreesPerRadian;

struct Scene {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  DisplaySettings settings;
  View view{doc, settings};
  std::vector<std::vector<uint32_t>> flat;  // premultiplied, for pixman

  Scene() {
    doc.newCanvas(kSide, kSide, kLayerKind32);
    for (int32_t i = 1; i < kLayers; ++i) doc.addLayer32();
    bench::TilePainter painter(2025);
    flat.resize(kLayers);
    const uint32_t opaque[4] = {0, 1, 0, 0}, translucent[4] = {1, 0, 4, 0}, sparse[4] = {7, 5, 3, 5};
    for (int32_t l = 0; l < kLayers; ++l) {
      Layer& layer = *doc.layer(l);
      painter.paint(layer.pixels32, l == 0 ? opaque : l == 1 ? translucent : sparse, &flat[size_t(l)]);
      layer.refresh();
    }
    doc.layer(kHalfOpacityLayer)->opacity = 128;
    doc.layer(kMultiplyLayer)->blendMode = kBlendMultiply;
    view.resize(kWindowW, kWindowH);
  }

  void place(double zoom, bool turned) {
    view.setAngle(turned ? kTurn : 0.0);
    view.setZoom(zoom);
    view.centreDocument();
    view.snapOrigin();
    view.invalidate();
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

const double kZooms[] = {1.0, 0.25, 4.0};

void BM_viewRedraw(benchmark::State& state) {
  Scene& s = scene();
  s.place(kZooms[state.range(0)], state.range(1) != 0);
  for (auto _ : state) {
    s.view.redraw();
    benchmark::DoNotOptimize(s.view.picture().bits());
  }
}

// pixman: each layer through the view's window-to-canvas map, nearest, into the window image.
void BM_pixmanRedraw(benchmark::State& state) {
  Scene& s = scene();
  s.place(kZooms[state.range(0)], state.range(1) != 0);
  const CurvePoint o = s.view.windowToCanvas(0, 0), ex = s.view.windowToCanvas(1, 0), ey = s.view.windowToCanvas(0, 1);
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  t.matrix[0][0] = pixman_double_to_fixed(ex.x - o.x);
  t.matrix[0][1] = pixman_double_to_fixed(ey.x - o.x);
  t.matrix[0][2] = pixman_double_to_fixed(o.x);
  t.matrix[1][0] = pixman_double_to_fixed(ex.y - o.y);
  t.matrix[1][1] = pixman_double_to_fixed(ey.y - o.y);
  t.matrix[1][2] = pixman_double_to_fixed(o.y);
  std::vector<pixman_image_t*> layers;
  for (auto& f : s.flat) {
    pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, f.data(), kSide * 4);
    pixman_image_set_transform(image, &t);
    pixman_image_set_filter(image, PIXMAN_FILTER_NEAREST, nullptr, 0);
    layers.push_back(image);
  }
  const pixman_color_t half = {0, 0, 0, 0x8080};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  std::vector<uint32_t> out(size_t(kWindowW) * kWindowH);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWindowW, kWindowH, out.data(), kWindowW * 4);
  for (auto _ : state) {
    std::fill(out.begin(), out.end(), 0xFFFFFFFFu);
    for (int32_t l = 0; l < kLayers; ++l) {
      const pixman_op_t op = l == kMultiplyLayer ? PIXMAN_OP_MULTIPLY : PIXMAN_OP_OVER;
      pixman_image_composite32(op, layers[size_t(l)], l == kHalfOpacityLayer ? mask : nullptr, dst, 0, 0, 0, 0, 0, 0,
                               kWindowW, kWindowH);
    }
    benchmark::DoNotOptimize(out.data());
  }
  for (pixman_image_t* l : layers) pixman_image_unref(l);
  pixman_image_unref(mask);
  pixman_image_unref(dst);
}

// One brush move: a 128 x 128 canvas rectangle at zoom 1, moving across the window.
void BM_viewRedrawRect(benchmark::State& state) {
  Scene& s = scene();
  s.place(1.0, false);
  s.view.redraw();
  int32_t x = 400;
  for (auto _ : state) {
    s.view.redrawRect(x, 900, 128, 128);
    x = x >= 1400 ? 400 : x + 16;
  }
}

// A 100-pixel scroll served from the margin (composited once before the timing).
void BM_viewScroll(benchmark::State& state) {
  Scene& s = scene();
  s.place(1.0, false);
  s.view.redraw(true, true, true);
  double step = 100.0;
  for (auto _ : state) {
    s.view.scrollBy(step, 0.0);
    s.view.redraw(true, true);
    step = -step;
  }
}

BENCHMARK(BM_viewRedraw)->ArgsProduct({{0, 1, 2}, {0, 1}})->MinTime(0.5);
BENCHMARK(BM_pixmanRedraw)->ArgsProduct({{0, 1, 2}, {0, 1}})->MinTime(0.5);
BENCHMARK(BM_viewRedrawRect)->MinTime(0.5);
BENCHMARK(BM_viewScroll)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    std::printf("\nSummary: full redraw of %d layers of %d x %d into %d x %d, CPU time per frame\n", kLayers, kSide,
                kSide, kWindowW, kWindowH);
    const char* zooms[] = {"zoom 1", "zoom 1/4", "zoom 4"};
    for (int z = 0; z < 3; ++z) {
      for (int turned = 0; turned < 2; ++turned) {
        char args[48];
        std::snprintf(args, sizeof args, "/%d/%d/min_time:0.500", z, turned);
        std::string what = zooms[z];
        what += turned ? " turned 30" : " plain";
        r.printTimeRatio(22, what.c_str(), std::string("BM_viewRedraw") + args, std::string("BM_pixmanRedraw") + args);
      }
    }
    for (const char* name : {"BM_viewRedrawRect/min_time:0.500", "BM_viewScroll/min_time:0.500"})
      if (const auto* f = r.find(name)) std::printf("%-34s %9.1f us\n", name, f->ns / 1000.0);
  });
}
