// Document::flatten of a 4096 x 4096 document of ten 32 bpp layers with painted-looking content
// (absent tiles, opaque tiles, translucent tiles and tiles of mixed stroke runs) over opaque
// white, against pixman compositing the same ten layers (premultiplied a8r8g8b8, OVER) onto a
// white image in the same run. Rates are in megapixels per second per layer. The summary also
// gives the flatten's peak heap growth beyond the layers and the target (measured with
// mallinfo2 at every band), next to the layers' own tile bytes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/support/Summary.h"
#include "document/Document.h"
#include "raster/image/Image32.h"

namespace {

using kanvo::Color32;
constexpr int32_t kSide = 4096;
constexpr int32_t kLayers = 10;
constexpr int32_t kTilePixels = 64 * 64;

enum TileKind { kAbsent, kOpaque, kTranslucent, kStrokes };

// 64 x 64 pixels of one kind: opaque gradients, translucent washes, or rows of stroke runs
// (about 40 % transparent, 30 % opaque, 30 % translucent pixels).
std::vector<Color32> makeTile(TileKind kind, std::mt19937& rng) {
  std::vector<Color32> px(kTilePixels);
  const Color32 base = rng() & 0xFFFFFFu;
  for (int32_t y = 0; y < 64; ++y) {
    int32_t runLeft = 0, alpha = 0;
    for (int32_t x = 0; x < 64; ++x) {
      const Color32 colour = (base + uint32_t(x * 3 + y * 5) * 0x010101u) & 0xFFFFFFu;
      int32_t a = 255;
      if (kind == kTranslucent) a = 40 + (x + y * 2 + int32_t(rng() % 8)) % 180;
      if (kind == kStrokes) {
        if (runLeft == 0) {
          const int r = int(rng() % 10);
          alpha = r < 4 ? 0 : r < 7 ? 255 : 1 + int(rng() % 254);
          runLeft = 4 + int(rng() % 40);
        }
        --runLeft;
        a = alpha;
      }
      px[size_t(y) * 64 + size_t(x)] = a == 0 ? 0 : (colour | uint32_t(a) << 24);
    }
  }
  return px;
}

uint32_t premultiply(Color32 c) {
  const uint32_t a = c >> 24;
  uint32_t out = a << 24;
  for (int i = 0; i < 3; ++i) out |= (((c >> (8 * i)) & 255) * a + 127) / 255 << (8 * i);
  return out;
}

uint64_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return uint64_t(m.uordblks) + uint64_t(m.hblkhd);
}

struct Scene {
  kanvo::StringTable strings{kanvo::kUiLanguageEnglish};
  kanvo::Document doc{strings};
  std::vector<std::vector<uint32_t>> flat;  // the same layers, premultiplied, for pixman
  uint64_t tileBytes = 0;

  Scene() {
    doc.newCanvas(kSide, kSide, kanvo::kLayerKind32);
    for (int32_t i = 1; i < kLayers; ++i) doc.addLayer32();
    std::mt19937 rng(2024);
    std::vector<std::vector<Color32>> prototypes[4];
    for (TileKind k : {kOpaque, kTranslucent, kStrokes})
      for (int i = 0; i < 48; ++i) prototypes[k].push_back(makeTile(k, rng));
    flat.resize(kLayers);
    for (int32_t l = 0; l < kLayers; ++l) {
      kanvo::TiledImage32& store = doc.layer(l)->pixels32;
      std::vector<uint32_t>& f = flat[size_t(l)];
      f.assign(size_t(kSide) * kSide, 0);
      for (int32_t ty = 0; ty < store.tilesY(); ++ty) {
        for (int32_t tx = 0; tx < store.tilesX(); ++tx) {
          const uint32_t r = rng() % 20;
          const TileKind kind = r < 7 ? kAbsent : r < 12 ? kOpaque : r < 15 ? kTranslucent : kStrokes;
          if (kind == kAbsent) continue;
          const std::vector<Color32>& px = prototypes[kind][rng() % prototypes[kind].size()];
          std::memcpy(store.getOrCreateTile(tx, ty)->bits(), px.data(), size_t(kTilePixels) * 4);
          for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64; ++x)
              f[size_t(ty * 64 + y) * kSide + size_t(tx * 64 + x)] = premultiply(px[size_t(y) * 64 + size_t(x)]);
        }
      }
      tileBytes += uint64_t(store.presentTileCount()) * kTilePixels * 4;
    }
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

struct PeakProgress : kanvo::Progress {
  uint64_t peak = 0;
  void report(int32_t, int32_t) override { peak = std::max(peak, heapInUse()); }
};

uint64_t g_peakExtra = 0;

void setRate(benchmark::State& state) {
  state.counters["MPix/s/layer"] = benchmark::Counter(double(state.iterations()) * kSide * kSide * kLayers / 1e6,
                                                      benchmark::Counter::kIsRate);
}

void BM_flatten(benchmark::State& state) {
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

BENCHMARK(BM_flatten)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_pixman_over)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    const double ours = r.counter("BM_flatten/iterations:4", "MPix/s/layer");
    const double pixman = r.counter("BM_pixman_over/iterations:4", "MPix/s/layer");
    std::printf("\nSummary: %d layers of %d x %d, MPix/s per layer\n", kLayers, kSide, kSide);
    std::printf("  flatten %.0f  pixman OVER %.0f  flatten/pixman %.2f\n", ours, pixman, pixman > 0 ? ours / pixman : 0.0);
    std::printf("  layers' tiles %.1f MiB; flatten peak heap growth %.2f MiB (one band is %.2f MiB)\n",
                double(scene().tileBytes) / 1048576.0, double(g_peakExtra) / 1048576.0,
                double(kSide) * kanvo::Document::kBandRows * 4 / 1048576.0);
  });
}
