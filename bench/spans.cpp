// The 32-bit blend span's over (op 23) and replace-colour (op 12) over rows of 4096 pixels,
// against memcpy of the same bytes (the memory limit) and pixman's OVER on premultiplied
// a8r8g8b8 (SIMD) in the same run. Source rows mix runs of transparent, opaque and translucent
// pixels, as brush strokes and layers do.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/support/Summary.h"
#include "raster/pixel/Color32.h"
#include "raster/span/SpanOps.h"

namespace {

using kanvo::Color32;
constexpr int kWidth = 4096;

// Runs of 8..200 pixels: about 40 % transparent, 30 % opaque, 30 % translucent.
std::vector<Color32> strokeRow(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Color32> row;
  while (row.size() < size_t(kWidth)) {
    int kind = int(rng() % 10), len = 8 + int(rng() % 193);
    for (int i = 0; i < len && row.size() < size_t(kWidth); ++i) {
      int a = kind < 4 ? 0 : kind < 7 ? 255 : 1 + int(rng() % 254);
      row.push_back((rng() & 0x00FFFFFFu) | uint32_t(a) << 24);
    }
  }
  return row;
}

// Every pixel translucent (alpha 1..254): the over's full formula everywhere, the worst case.
std::vector<Color32> translucentRow(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Color32> row(kWidth);
  for (Color32& c : row) c = (rng() & 0x00FFFFFFu) | uint32_t(1 + rng() % 254) << 24;
  return row;
}

std::vector<Color32> opaqueRow(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Color32> row(kWidth);
  for (Color32& c : row) c = rng() | 0xFF000000u;
  return row;
}

uint32_t premultiply(Color32 c) {
  uint32_t a = c >> 24, out = a << 24;
  for (int i = 0; i < 3; ++i) out |= (((c >> (8 * i)) & 255) * a + 127) / 255 << (8 * i);
  return out;
}

struct Rows {
  std::vector<Color32> src = strokeRow(1);
  std::vector<Color32> opaqueDst = opaqueRow(2);
  std::vector<Color32> mixedDst = strokeRow(3);
  std::vector<Color32> translucentDst = translucentRow(4);
};
const Rows& rows() {
  static const Rows r;
  return r;
}

void setRate(benchmark::State& state) {
  state.SetItemsProcessed(int64_t(state.iterations()) * kWidth);
  state.counters["MPix/s"] = benchmark::Counter(double(state.iterations()) * kWidth / 1e6, benchmark::Counter::kIsRate);
}

void BM_memcpy(benchmark::State& state) {
  std::vector<Color32> src = rows().src, dst(kWidth);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), kWidth * 4);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  setRate(state);
}

// Ours: op on a destination that stays in the same state (opaque rows stay opaque), or restored
// from a copy before every pass when `restore` is set.
void runOurs(benchmark::State& state, int op, const std::vector<Color32>& dstInit, bool restore) {
  std::vector<Color32> src = rows().src, dst = dstInit;
  kanvo::SpanParams p;
  p.op = op;
  p.opacity = uint8_t(state.range(0));
  for (auto _ : state) {
    if (restore) std::memcpy(dst.data(), dstInit.data(), kWidth * 4);
    kanvo::blendSpan32(p, reinterpret_cast<const uint8_t*>(src.data()), 0, reinterpret_cast<uint8_t*>(dst.data()),
                       0, kWidth);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  setRate(state);
}

void runPixman(benchmark::State& state, const std::vector<Color32>& dstInit, bool restore) {
  std::vector<uint32_t> src(kWidth), dstStart(kWidth), dst(kWidth);
  for (int i = 0; i < kWidth; ++i) {
    src[i] = premultiply(rows().src[size_t(i)]);
    dstStart[i] = premultiply(dstInit[size_t(i)]);
  }
  dst = dstStart;
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, 1, src.data(), kWidth * 4);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, 1, dst.data(), kWidth * 4);
  pixman_image_t* mask = nullptr;
  int opacity = int(state.range(0));
  if (opacity < 255) {  // a solid mask carries the opacity
    pixman_color_t c = {0, 0, 0, uint16_t(opacity * 257)};
    mask = pixman_image_create_solid_fill(&c);
  }
  for (auto _ : state) {
    if (restore) std::memcpy(dst.data(), dstStart.data(), kWidth * 4);
    pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, kWidth, 1);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(s);
  pixman_image_unref(d);
  setRate(state);
}

void BM_ours_op23_onto_opaque(benchmark::State& s) { runOurs(s, kanvo::kOpOver, rows().opaqueDst, false); }
void BM_pixman_over_onto_opaque(benchmark::State& s) { runPixman(s, rows().opaqueDst, false); }
void BM_ours_op12(benchmark::State& s) { runOurs(s, kanvo::kOpReplaceColour, rows().opaqueDst, false); }
void BM_ours_op23_onto_mixed_restored(benchmark::State& s) { runOurs(s, kanvo::kOpOver, rows().mixedDst, true); }
void BM_pixman_over_onto_mixed_restored(benchmark::State& s) { runPixman(s, rows().mixedDst, true); }
void BM_ours_op23_onto_translucent_restored(benchmark::State& s) {
  runOurs(s, kanvo::kOpOver, rows().translucentDst, true);
}
void BM_pixman_over_onto_translucent_restored(benchmark::State& s) { runPixman(s, rows().translucentDst, true); }

BENCHMARK(BM_memcpy);
BENCHMARK(BM_ours_op23_onto_opaque)->Arg(255)->Arg(200);
BENCHMARK(BM_pixman_over_onto_opaque)->Arg(255)->Arg(200);
BENCHMARK(BM_ours_op12)->Arg(255)->Arg(200);
BENCHMARK(BM_ours_op23_onto_mixed_restored)->Arg(255)->Arg(200);
BENCHMARK(BM_pixman_over_onto_mixed_restored)->Arg(255)->Arg(200);
BENCHMARK(BM_ours_op23_onto_translucent_restored)->Arg(255)->Arg(200);
BENCHMARK(BM_pixman_over_onto_translucent_restored)->Arg(255)->Arg(200);

// One summary line: our rate and pixman's for the same work, and ours against pixman and memcpy.
void printPair(const std::string& what, double ours, double pixman, double mem) {
  std::printf("  %-50s ours %7.0f  pixman OVER %7.0f  ours/pixman %.2f  ours/memcpy %.3f\n", what.c_str(), ours, pixman,
              pixman > 0 ? ours / pixman : 0.0, mem > 0 ? ours / mem : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    auto rate = [&](const std::string& name) { return r.counter(name, "MPix/s"); };
    const double mem = rate("BM_memcpy");
    std::printf("\nSummary (MPix/s; ratio > 1 means ours is faster)\n");
    std::printf("  memcpy of the same bytes: %.0f\n", mem);
    for (const char* a : {"255", "200"}) {
      const std::string o = std::string("/") + a;
      printPair("op 23 onto opaque, opacity " + std::string(a), rate("BM_ours_op23_onto_opaque" + o),
                rate("BM_pixman_over_onto_opaque" + o), mem);
      printPair("op 12, opacity " + std::string(a), rate("BM_ours_op12" + o), rate("BM_pixman_over_onto_opaque" + o),
                mem);
      printPair("op 23 onto mixed (restored each pass), opacity " + std::string(a),
                rate("BM_ours_op23_onto_mixed_restored" + o), rate("BM_pixman_over_onto_mixed_restored" + o), mem);
      printPair("op 23 onto translucent (restored), opacity " + std::string(a),
                rate("BM_ours_op23_onto_translucent_restored" + o),
                rate("BM_pixman_over_onto_translucent_restored" + o), mem);
    }
  });
}
