// The brush engine against libmypaint. One stroke of 2000 samples (a fixed curve across a
// 2048 x 2048 32 bpp layer, samples 5 ms apart, pressure ramping from 0.2 to 1) with the Pen
// (kind 0) and Water Color (kind 2) at size 40 and the Pen at sizes 5 and 200: dabs per
// second, the mean and worst CPU time per move event (from addSample until the layer holds the
// paint; again with the view's redrawRect at zoom 1) and the commit. libmypaint draws the same
// points, pressures and times with its default brush at radius 20 and 4 dabs per actual radius
// (our spacing at that size) on its fixed tiled surface, each event between begin_atomic and
// end_atomic, where its dabs are rendered; its dabs are counted by wrapping the surface's
// draw_dab. libmypaint renders with OpenMP: it is held to one thread, since the times are the
// calling thread's.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/support/Summary.h"
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "strings/StringTable.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushEngine.h"
#include "tools/dispatch/ToolMode.h"
#include "tools/dispatch/ViewRedraw.h"
#include "view/View.h"

extern "C" {
#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>
}

namespace {

using namespace kanvo;

constexpr int32_t kSide = 2048, kSamples = 2000, kWindowW = 1920, kWindowH = 1200;
constexpr uint32_t kSampleMs = 5;

struct Sample {
  double x, y, pressure;
  uint32_t tick;
};

// A looping curve over most of the layer, about 4 pixels between samples.
const std::vector<Sample>& stroke() {
  static const std::vector<Sample> s = [] {
    std::vector<Sample> out;
    for (int i = 0; i < kSamples; ++i) {
      const double t = double(i) / (kSamples - 1), a = 2 * M_PI * t;
      out.push_back({1024 + 860 * std::sin(a), 1024 + 700 * std::sin(2 * a) * std::cos(0.5 * a), 0.2 + 0.8 * t,
                     1000 + kSampleMs * uint32_t(i)});
    }
    return out;
  }();
  return s;
}

double threadSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Per-event CPU times of one stroke, reported as counters.
struct EventTimes {
  double total = 0, worst = 0, commit = 0;
  int64_t dabs = 0, strokes = 0;
  void report(benchmark::State& state) const {
    const double events = double(strokes) * kSamples;
    state.counters["mean_ms"] = total / events * 1e3;
    state.counters["worst_ms"] = worst * 1e3;
    state.counters["commit_ms"] = commit / double(strokes) * 1e3;
    state.counters["dabs"] = double(dabs) / double(strokes);
    state.counters["dabs_per_s"] = double(dabs) / total;  // the commit draws a few more, left out
  }
};

class NullSurface : public DrawingSurface {
 public:
  void present(const DibImage& picture, int32_t, int32_t, const Rect&) override { benchmark::DoNotOptimize(&picture); }
  void setOverlay(OverlaySlot, const Overlay&) override {}
  void setCursor(int32_t) override {}
  void beginWait() override {}
  void endWait() override {}
};

struct Scene {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  UndoHistory history;
  ToolSettings settings;
  SeededRandom random{2025};
  BrushEngine engine{doc, history, settings, random};
  DisplaySettings display;
  View view{doc, display};
  NullSurface surface;
  ViewRedraw redraw{view};

  Scene(int32_t kind, double size, bool withView) {
    doc.newCanvas(kSide, kSide, kLayerKind32);
    BrushParams& brush = settings.attached();
    brush.kind = kind;
    brush.size = size;
    brush.alpha = 1.0;
    settings.options.bezierInterpolation = 1;
    if (withView) {
      view.setSurface(&surface);
      view.resize(kWindowW, kWindowH);
      view.setZoom(1.0);
      view.centreDocument();
      view.invalidate();
      view.redraw();
      engine.setRedrawSink(&redraw);
    }
  }
};

ToolEvent eventOf(const Sample& s) {
  ToolEvent e;
  e.point = {s.x, s.y};
  e.pressure = s.pressure;
  e.tick = s.tick;
  return e;
}

// Arguments: the dab kind, the brush size, 1 with the view's redraw, 1 with a size that does not
// follow the pressure (every dab as large as libmypaint's).
void BM_Ours(benchmark::State& state) {
  EventTimes times;
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<Scene>(int32_t(state.range(0)), double(state.range(1)), state.range(2) != 0);
    scene->settings.attached().sizeFollowsPressure = state.range(3) == 0;
    state.ResumeTiming();
    BrushStart start;
    start.event = eventOf(stroke()[0]);
    start.subTool = kToolBrush;
    if (!scene->engine.beginStroke(start)) {
      state.SkipWithError("no stroke");
      return;
    }
    for (const Sample& s : stroke()) {
      const double t0 = threadSeconds();
      scene->engine.addSample(eventOf(s));
      const double dt = threadSeconds() - t0;
      times.total += dt;
      times.worst = std::max(times.worst, dt);
    }
    const double c0 = threadSeconds();
    ToolEvent release = eventOf(stroke().back());
    release.tick += kSampleMs;
    scene->engine.commitStroke(release);
    times.commit += threadSeconds() - c0;
    times.dabs += scene->engine.raster().dabs;
    ++times.strokes;
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  times.report(state);
}

// ---- the peer

MyPaintSurfaceDrawDabFunction peerDrawDab = nullptr;
int64_t peerDabs = 0;

int countingDrawDab(MyPaintSurface* self, float x, float y, float radius, float r, float g, float b, float opaque,
                    float hardness, float alphaEraser, float aspectRatio, float angle, float lockAlpha,
                    float colorize) {
  ++peerDabs;
  return peerDrawDab(self, x, y, radius, r, g, b, opaque, hardness, alphaEraser, aspectRatio, angle, lockAlpha,
                     colorize);
}

void BM_LibMyPaint(benchmark::State& state) {
  EventTimes times;
  for (auto _ : state) {
    state.PauseTiming();
    MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(kSide, kSide);
    MyPaintSurface* surface = mypaint_fixed_tiled_surface_interface(fixed);
    peerDrawDab = surface->draw_dab;
    surface->draw_dab = countingDrawDab;
    MyPaintBrush* brush = mypaint_brush_new();
    mypaint_brush_from_defaults(brush);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, std::log(20.0f));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_DABS_PER_ACTUAL_RADIUS, 4.0f);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_DABS_PER_BASIC_RADIUS, 0.0f);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_DABS_PER_SECOND, 0.0f);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_COLOR_V, 0.0f);
    mypaint_brush_new_stroke(brush);
    peerDabs = 0;
    state.ResumeTiming();
    uint32_t lastTick = stroke()[0].tick;
    for (const Sample& s : stroke()) {
      const double t0 = threadSeconds();
      MyPaintRectangle roi;
      mypaint_surface_begin_atomic(surface);
      mypaint_brush_stroke_to(brush, surface, float(s.x), float(s.y), float(s.pressure), 0, 0,
                              double(s.tick - lastTick) / 1000.0);
      mypaint_surface_end_atomic(surface, &roi);
      const double dt = threadSeconds() - t0;
      lastTick = s.tick;
      times.total += dt;
      times.worst = std::max(times.worst, dt);
    }
    times.dabs += peerDabs;
    ++times.strokes;
    state.PauseTiming();
    mypaint_brush_unref(brush);
    mypaint_surface_unref(surface);
    state.ResumeTiming();
  }
  times.report(state);
}

BENCHMARK(BM_Ours)->Args({0, 40, 0, 0})->Args({2, 40, 0, 0})->Args({0, 5, 0, 0})->Args({0, 200, 0, 0})
    ->Args({0, 40, 1, 0})->Args({2, 40, 1, 0})->Args({0, 40, 0, 1});
BENCHMARK(BM_LibMyPaint);

// libmypaint's OpenMP runtime, held to the calling thread (found at run time: the program does
// not link it directly).
void oneThreadForOpenMp() {
  using SetThreads = void (*)(int);
  if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) set(1);
}

}  // namespace

int main(int argc, char** argv) {
  oneThreadForOpenMp();
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    const std::string peer = "BM_LibMyPaint";
    std::printf("\nA %d-sample stroke on a %d x %d layer; libmypaint: default brush, radius 20, 4 dabs per radius\n",
                kSamples, kSide, kSide);
    std::printf("%-28s %12s %9s %9s %10s %12s\n", "case", "dabs", "mean ms", "worst ms", "commit ms", "dabs/s");
    const struct {
      const char* label;
      std::string name;
    } rows[] = {{"Pen, size 40", "BM_Ours/0/40/0/0"},
                {"Water Color, size 40", "BM_Ours/2/40/0/0"},
                {"Pen, size 5", "BM_Ours/0/5/0/0"},
                {"Pen, size 200", "BM_Ours/0/200/0/0"},
                {"Pen, size 40, view", "BM_Ours/0/40/1/0"},
                {"Water Color, size 40, view", "BM_Ours/2/40/1/0"},
                {"Pen, size 40 at every dab", "BM_Ours/0/40/0/1"},
                {"libmypaint, radius 20", peer}};
    for (const auto& row : rows) {
      if (!r.find(row.name)) continue;
      std::printf("%-28s %12.0f %9.3f %9.3f %10.3f %12.0f\n", row.label, r.counter(row.name, "dabs"),
                  r.counter(row.name, "mean_ms"), r.counter(row.name, "worst_ms"), r.counter(row.name, "commit_ms"),
                  r.counter(row.name, "dabs_per_s"));
    }
    const double peerRate = r.counter(peer, "dabs_per_s");
    for (const auto& row : rows) {
      if (row.name == peer || peerRate <= 0 || !r.find(row.name)) continue;
      std::printf("dab rate ratio, %-28s ours / libmypaint %.2f\n", row.label,
                  r.counter(row.name, "dabs_per_s") / peerRate);
    }
    std::printf("(dabs/s: dabs over the move events' CPU time; libmypaint's radius does not follow the pressure)\n");
    r.printTimeRatio(44, "stroke with commit, Pen 40 fixed vs libmypaint", "BM_Ours/0/40/0/1", peer);
  });
}
