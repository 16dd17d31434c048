// Document::flatten of a 4096 x 4096 document of ten 32 bpp layers with painted-looking content
// (absent tiles, opaque tiles, translucent tiles and tiles of mixed stroke runs) over opaque
// white, against pixman compositing the same ten layers (premultiplied a8r8g8b8, OVER) onto a
// white image in the same run. Rates are in megapixels per second per layer. The summary also
// gives the flatten's peak heap growth beyond the layers and the target (measured with
// mallinfo2 at every band), next to the layers' own tile bytes. The flatten runs on one thread
// (argument 1) and on every core (argument 0); pixman runs on one. Times are wall times, so
// that the pool's workers count: see the load beside them.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/support/PaintedLayers.h"
#include "bench/support/HeapPeak.h"
#include "bench/support/Summary.h"
#include "document/Document.h"
#include "raster/image/Image32.h"
#include "raster/parallel/WorkerPool.h"

namespace {

using kanvo::bench::heapInUse;
using kanvo::bench::PeakProgress;

using kanvo::Color32;
constexpr int32_t kSide = 4096;
constexpr int32_t kLayers = 10;
constexpr int32_t kTilePixels = 64 * 64;

struct Scene {
  kanvo::StringTable strings{kanvo::kUiLanguageEnglish};
  kanvo::Document doc{strings};
  std::vector<std::vector<uint32_t>> flat;  // the same layers, premultiplied, for pixman
  uint64_t tileBytes = 0;

  Scene() {
    doc.newCanvas(kSide, kSide, kanvo::kLayerKind32);
    for (int32_t i = 1; i < kLayers; ++i) doc.addLayer32();
    kanvo::bench::TilePainter painter(2024);
    flat.resize(kLayers);
    for (int32_t l = 0; l < kLayers; ++l) {
      kanvo::TiledImage32& store = doc.layer(l)->pixels32;
      painter.paint(store, {7, 5, 3, 5}, &flat[size_t(l)]);
      tileBytes += uint64_t(store.presentTileCount()) * kTilePixels * 4;
    }
  }
};

Scene& scene() {
  static Scene s;
  return s;
}


uint64_t g_peakExtra = 0;

void setRate(benchmark::State& state) {
  state.counters["MPix/s/layer"] = benchmark::Counter(double(state.iterations()) * kSide * kSide * kLayers / 1e6,
                                                      benchmark::Counter::kIsRate);
}

void BM_flatten(benchmark::State& state) {
  std::optional<kanvo::parallel::ThreadCountOverride> one;
  if (state.range(0) == 1) one.emplace(1);
  Scene& s = scene();
  kanvo::Image32 target(kSide, kSide);
  kanvo::CompositeOptions options;
  options.background = kanvo::kOpaqueWhite;
  for (auto _ : state) {
    const uint64_t before = heapInUse();
    PeakProgress progress;
    s.doc.flatten(target, options, &progress);
    g_peakExtra = std::max(g_peakExtra, progress.peak - std::min(progress.peak, before));
    benchmark::DoNotOptimize(target.bits());
    benchmark::ClobberMemory();
  }
  setRate(state);
}

void BM_pixman_over(benchmark::State& state) {
  Scene& s = scene();
  std::vector<uint32_t> dst(size_t(kSide) * kSide);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, dst.data(), kSide * 4);
  std::vector<pixman_image_t*> layers;
  for (auto& f : s.flat) layers.push_back(pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, f.data(), kSide * 4));
  for (auto _ : state) {
    std::fill(dst.begin(), dst.end(), 0xFFFFFFFFu);
    for (pixman_image_t* l : layers) pixman_image_composite32(PIXMAN_OP_OVER, l, nullptr, d, 0, 0, 0, 0, 0, 0, kSide, kSide);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  for (pixman_image_t* l : layers) pixman_image_unref(l);
  pixman_image_unref(d);
  setRate(state);
}

BENCHMARK(BM_flatten)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_pixman_over)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    const double pixman = r.counter("BM_pixman_over/iterations:4/real_time", "MPix/s/layer");
    std::printf("\nSummary: %d layers of %d x %d, MPix/s per layer (wall time)\n", kLayers, kSide, kSide);
    for (const char* arg : {"1", "0"}) {
      const double ours = r.counter(std::string("BM_flatten/") + arg + "/iterations:4/real_time", "MPix/s/layer");
      std::printf("  flatten on %s %.0f  pixman OVER (one thread) %.0f  flatten/pixman %.2f\n",
                  arg[0] == '1' ? "one thread " : "every core ", ours, pixman, pixman > 0 ? ours / pixman : 0.0);
    }
    std::printf("  layers' tiles %.1f MiB; flatten peak heap growth %.2f MiB (bands are composited in the target)\n",
                double(scene().tileBytes) / 1048576.0, double(g_peakExtra) / 1048576.0);
  });
}
