// Geometry and raster algorithms against their peers, each pair timed in the same run:
//   polygon fill (512 vertices, four sub-rows, anti-aliased ends, 2048 x 2048) vs cairo_fill;
//   the same outline as the shape tools' 8-bit coverage mask vs cairo_fill on an A8 surface;
//   box resampling 4096 x 4096 -> 1000 x 1000 vs OpenCV resize INTER_AREA (one thread each, then
//   both on every core);
//   bilinear rotation of 2048 x 2048 vs pixman_image_composite with a rotation transform.
// Every pair benchmark reports kanvo_ms, peer_ms (thread CPU time per run; wall time where both
// run on every core) and ratio = kanvo / peer (below 1 is faster).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <pixman.h>

#include "raster/geometry/PolygonFill.h"
#include "raster/geometry/Resample.h"
#include "raster/geometry/RotateCopy.h"
#include "raster/parallel/WorkerPool.h"
#include "tools/shape/ShapeCoverage.h"

#ifdef KANVO_BENCH_CAIRO
#include <cairo.h>
#endif
#ifdef KANVO_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using namespace kanvo;

namespace {

// This thread's CPU time: the machine is shared, so wall time would charge other processes'
// work to whichever side happened to be running.
struct Clock {
  using time_point = double;
  static double now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec * 1e-6;
  }
};

double msSince(double t0) { return Clock::now() - t0; }

void fillNoise(Image32& img, uint32_t seed) {
  std::mt19937 rng(seed);
  uint32_t* p = reinterpret_cast<uint32_t*>(img.bits());
  size_t n = size_t(img.width()) * size_t(img.height());
  // Smooth-ish content: random opaque colours in 8 x 8 cells plus noise.
  for (size_t i = 0; i < n; ++i) p[i] = 0xFF000000u | (rng() & 0x00FFFFFFu);
}

// Reports the pair's mean times and their ratio.
void report(benchmark::State& state, double kanvoMs, double peerMs) {
  double n = double(state.iterations());
  state.counters["kanvo_ms"] = kanvoMs / n;
  state.counters["peer_ms"] = peerMs / n;
  state.counters["ratio"] = peerMs > 0 ? kanvoMs / peerMs : 0;
}

// A closed 512-vertex outline around the image centre: a wavy star with concave notches.
PointList starOutline(double cx, double cy, double radius) {
  PointList pts;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < 512; ++i) {
    double a = 2 * pi * i / 512;
    double r = radius * (0.75 + 0.15 * std::sin(9 * a) + ((i % 2) ? 0.08 : 0.0));
    pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return pts;
}

// The peer of the polygon fills: cairo filling the outline by the even-odd rule on a size x
// size surface (ARGB32, or A8 with alphaOnly), every byte set to clearByte before each fill.
// Without cairo it fills nothing.
struct CairoPeer {
#ifdef KANVO_BENCH_CAIRO
  CairoPeer(bool alphaOnly, int size, uint8_t clearByte) : clear(clearByte) {
    const cairo_format_t format = alphaOnly ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32;
    const int stride = cairo_format_stride_for_width(format, size);
    pixels.resize(size_t(stride) * size_t(size));
    surface = cairo_image_surface_create_for_data(pixels.data(), format, size, size, stride);
    cr = cairo_create(surface);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_source_rgba(cr, 0.2, 0.4, 0.8, 1.0);
  }
  ~CairoPeer() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // The thread CPU milliseconds of one fill.
  double fill(const PointList& pts) {
    std::fill(pixels.begin(), pixels.end(), clear);
    cairo_surface_mark_dirty(surface);
    const double t0 = Clock::now();
    cairo_new_path(cr);
    cairo_move_to(cr, pts[0].x, pts[0].y);
    for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_surface_flush(surface);
    const double ms = msSince(t0);
    benchmark::DoNotOptimize(pixels.data());
    return ms;
  }
  static constexpr bool kAvailable = true;
  std::vector<uint8_t> pixels;
  cairo_surface_t* surface;
  cairo_t* cr;
  uint8_t clear;
#else
  CairoPeer(bool, int, uint8_t) {}
  double fill(const PointList&) { return 0; }
  static constexpr bool kAvailable = false;
#endif
};

void BM_PolygonFill_vs_cairo(benchmark::State& state) {
  const int size = 2048;
  PointList pts = starOutline(size / 2.0, size / 2.0, size * 0.48);
  Image32 img(size, size);
  CairoPeer cairo(false, size, 0xFF);
  double ours = 0, peer = 0;
  for (auto _ : state) {
    img.fill(0xFFFFFFFFu);
    ScanParams params;
    params.subRows = 1;
    params.antialiasEnds = 1;
    auto t0 = Clock::now();
    fillShape(img, pts, 0xFF3366CCu, 255, params, 0, size - 1);
    ours += msSince(t0);
    benchmark::DoNotOptimize(img.bits());
    peer += cairo.fill(pts);
  }
  if (!CairoPeer::kAvailable) state.SkipWithError("cairo not available");
  report(state, ours, peer);
}
BENCHMARK(BM_PolygonFill_vs_cairo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The shape tools' coverage mask: the same outline scan-converted into a canvas-sized tiled
// 8-bit mask (tiles allocated as the rows need them) vs cairo filling an A8 surface.
void BM_ShapeCoverage_vs_cairo_A8(benchmark::State& state) {
  const int size = 2048;
  PointList pts = starOutline(size / 2.0, size / 2.0, size * 0.48);
  TiledImage8 mask;
  mask.resize(size, size);
  CairoPeer cairo(true, size, 0);
  double ours = 0, peer = 0;
  for (auto _ : state) {
    mask.clear();
    auto t0 = Clock::now();
    addPolygonCoverage(mask, pts, true);
    ours += msSince(t0);
    benchmark::DoNotOptimize(mask.tile(0, 0));
    peer += cairo.fill(pts);
  }
  if (!CairoPeer::kAvailable) state.SkipWithError("cairo not available");
  report(state, ours, peer);
}
BENCHMARK(BM_ShapeCoverage_vs_cairo_A8)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Argument 1: both on one thread (thread CPU time); 0: both at their default thread counts
// (wall time, every core).
void BM_BoxResample_vs_OpenCV_INTER_AREA(benchmark::State& state) {
  const bool one = state.range(0) == 1;
  const auto now = [one] {
    return one ? Clock::now()
               : std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
  };
  std::optional<parallel::ThreadCountOverride> threads;
  if (one) threads.emplace(1);
  Image32 src(4096, 4096), dst(1000, 1000);
  fillNoise(src, 1);
  double ours = 0, peer = 0;
#ifdef KANVO_BENCH_OPENCV
  cv::setNumThreads(one ? 1 : -1);
  cv::Mat cvSrc(4096, 4096, CV_8UC4, src.bits());
  cv::Mat cvDst(1000, 1000, CV_8UC4);
#endif
  for (auto _ : state) {
    auto t0 = now();
    resampleWhole(dst, src, kResampleBox);
    ours += now() - t0;
    benchmark::DoNotOptimize(dst.bits());
#ifdef KANVO_BENCH_OPENCV
    t0 = now();
    cv::resize(cvSrc, cvDst, cv::Size(1000, 1000), 0, 0, cv::INTER_AREA);
    peer += now() - t0;
    benchmark::DoNotOptimize(cvDst.data);
#endif
  }
#ifndef KANVO_BENCH_OPENCV
  state.SkipWithError("OpenCV not available");
#endif
  report(state, ours, peer);
}
BENCHMARK(BM_BoxResample_vs_OpenCV_INTER_AREA)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BilinearRotation_vs_pixman(benchmark::State& state) {
  const int size = 2048;
  const double angle = 0.3;
  Image32 src(size, size), dst(size, size);
  fillNoise(src, 2);
  std::vector<uint32_t> peerDst(size_t(size) * size);
  pixman_image_t* ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, size, size,
                                                reinterpret_cast<uint32_t*>(src.bits()), size * 4);
  pixman_image_t* pd = pixman_image_create_bits(PIXMAN_a8r8g8b8, size, size, peerDst.data(), size * 4);
  // Destination to source: about the centre, the same sense as rotateCopy.
  pixman_transform_t t;
  pixman_transform_init_identity(&t);
  const pixman_fixed_t c = pixman_double_to_fixed(size / 2.0);
  pixman_transform_translate(&t, nullptr, -c, -c);
  pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(std::cos(angle)), pixman_double_to_fixed(std::sin(angle)));
  pixman_transform_translate(&t, nullptr, c, c);
  pixman_image_set_transform(ps, &t);
  pixman_image_set_filter(ps, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  double ours = 0, peer = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    rotateCopyWhole(dst, src, angle, 1.0, true, nullptr, size / 2, size / 2);
    ours += msSince(t0);
    benchmark::DoNotOptimize(dst.bits());
    t0 = Clock::now();
    pixman_image_composite32(PIXMAN_OP_SRC, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, size, size);
    peer += msSince(t0);
    benchmark::DoNotOptimize(peerDst.data());
  }
  pixman_image_unref(ps);
  pixman_image_unref(pd);
  report(state, ours, peer);
}
BENCHMARK(BM_BilinearRotation_vs_pixman)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
