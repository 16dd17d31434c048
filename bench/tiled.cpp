// Tiled images against plain buffers: the same fill or blit over a 4096 x 4096 image (the same
// pixels, op and opacity), once on a TiledImage32 (tile by tile) and once on a flat Image32 (the
// peer), timed in the same iteration. Counters: tiled_ms and flat_ms (this thread's CPU time per
// operation: the machine is shared, so wall time would charge other processes) and their
// ratio (the tiling overhead). pixman_fill gives a further reference for the plain store.
// Also the time of building the screentone set.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <time.h>

#include <cstdint>
#include <random>

#include "raster/image/Image32.h"
#include "raster/tiled/TiledBlit.h"
#include "raster/tiled/TiledImage.h"
#include "raster/tone/ToneSet.h"

namespace {

constexpr int32_t kSide = 4096;

double threadMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

void report(benchmark::State& state, double tiledMs, double flatMs) {
  const double n = double(state.iterations());
  state.counters["tiled_ms"] = tiledMs / n;
  state.counters["flat_ms"] = flatMs / n;
  state.counters["ratio"] = tiledMs / flatMs;
}

// Source pictures with varied alpha, the same in both forms.
void makeSource(kanvo::TiledImage32& tiled, kanvo::Image32& flat) {
  tiled.resize(kSide, kSide);
  flat.resizeBuffer(kSide, kSide);
  std::mt19937 rng(1);
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const uint32_t c = rng();
      const kanvo::Color32 v = (x ^ y) & 256 ? c | 0xFF000000u : c;
      tiled.setPixel(x, y, v);
      flat.setPixel(x, y, v);
    }
  }
}

void BM_FillRect32_TiledVsFlat(benchmark::State& state) {
  const int32_t op = int32_t(state.range(0));
  kanvo::TiledImage32 tiled;
  tiled.resize(kSide, kSide);
  kanvo::Image32 flat(kSide, kSide);
  kanvo::SpanParams params;
  params.op = op;
  params.opacity = op == kanvo::kOpCopy ? 255 : 128;
  params.key = 0xC0406080u;
  // Start both from the same opaque picture so every tile exists.
  kanvo::SpanParams base;
  base.key = 0xFF808080u;
  tiled.fillRect(base, 0, 0, kSide, kSide);
  flat.fill(0xFF808080u);
  double tiledMs = 0, flatMs = 0;
  for (auto _ : state) {
    const double t0 = threadMs();
    tiled.fillRect(params, 1, 1, kSide - 2, kSide - 2);
    const double t1 = threadMs();
    tiledMs += t1 - t0;
    flat.fillRect(1, 1, kSide - 2, kSide - 2, params.key, params.opacity, op);
    flatMs += threadMs() - t1;
    benchmark::DoNotOptimize(tiled.getPixel(7, 7));
    benchmark::DoNotOptimize(flat.getPixel(7, 7));
  }
  report(state, tiledMs, flatMs);
}
BENCHMARK(BM_FillRect32_TiledVsFlat)->Arg(kanvo::kOpCopy)->Arg(kanvo::kOpAnd)->Arg(kanvo::kOpOverFill)
    ->Unit(benchmark::kMillisecond)->Iterations(8);

void BM_Blit32Over_TiledVsFlat(benchmark::State& state) {
  kanvo::TiledImage32 tiledSrc, tiledDst;
  kanvo::Image32 flatSrc(kSide, kSide), flatDst(kSide, kSide);
  makeSource(tiledSrc, flatSrc);
  tiledDst.resize(kSide, kSide);
  kanvo::SpanParams base;
  base.key = 0x80A0B0C0u;
  tiledDst.fillRect(base, 0, 0, kSide, kSide);
  flatDst.fill(0x80A0B0C0u);
  kanvo::SpanParams params;
  params.op = kanvo::kOpOver;
  params.opacity = uint8_t(state.range(0));
  // Offset 0: source and destination tiles line up (layers of one document); otherwise every
  // run of the destination crosses two source tiles (a moved layer), by a few pixels or by half
  // a tile, down and across, or only down (across 0).
  const int32_t offset = int32_t(state.range(1)), across = offset * int32_t(state.range(2));
  double tiledMs = 0, flatMs = 0;
  for (auto _ : state) {
    const double t0 = threadMs();
    kanvo::blit(tiledDst, params, across, offset, tiledSrc, 0, 0, kSide, kSide);
    const double t1 = threadMs();
    tiledMs += t1 - t0;
    flatDst.blit(params, across, offset, flatSrc, 0, 0, kSide, kSide);
    flatMs += threadMs() - t1;
    benchmark::DoNotOptimize(tiledDst.getPixel(100, 100));
    benchmark::DoNotOptimize(flatDst.getPixel(100, 100));
  }
  report(state, tiledMs, flatMs);
}
BENCHMARK(BM_Blit32Over_TiledVsFlat)
    ->ArgsProduct({{255, 128}, {0, 3, 32}, {1}})
    ->Args({255, 3, 0})
    ->Args({128, 3, 0})
    ->ArgNames({"opacity", "offset", "across"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);

// The plain store through pixman, for scale.
void BM_Fill32_Pixman(benchmark::State& state) {
  kanvo::Image32 flat(kSide, kSide);
  for (auto _ : state) {
    pixman_fill(reinterpret_cast<uint32_t*>(flat.bits()), flat.stride() / 4, 32, 1, 1, kSide - 2, kSide - 2,
                0xC0406080u);
    benchmark::DoNotOptimize(flat.getPixel(7, 7));
  }
}
BENCHMARK(BM_Fill32_Pixman)->Unit(benchmark::kMillisecond)->Iterations(8);

void BM_ToneSetBuild(benchmark::State& state) {
  const double lines = double(state.range(0)), resolution = double(state.range(1));
  kanvo::ToneSet set;
  for (auto _ : state) {
    set.build(lines, resolution);
    benchmark::DoNotOptimize(set.cellSize());
  }
  state.counters["cell"] = set.cellSize();
}
BENCHMARK(BM_ToneSetBuild)->Args({60, 600})->Args({5, 600})->Unit(benchmark::kMillisecond);

}  // namespace
