// Input latency: from sending a mouse move through the window to the end of the paint that
// shows it, offscreen, in a 1280 x 800 window over a 2048 x 2048 document of four 32 bpp layers
// at zoom 1, for a stroke of the Pen (size 5) and of the Water Color (size 40). The floor, in
// the same run: a plain QWidget of the same size that repaints, on each move, a square of the
// area the canvas repainted on average for that brush. p50 and p99 per move, in wall time (the
// work spans the event loop and the paint). Only moves whose paint showed part of the canvas
// count (the brush draws a segment once it is final, so some moves only move the status line).
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/Application.h"
#include "bench/support/Summary.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtClock.h"

namespace {

using namespace kanvo;

constexpr int kWidth = 1280, kHeight = 800;
constexpr int kMoves = 400;

double nowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

QApplication& qt() {
  static int argc = 1;
  static char name[] = "bench_latency";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// The stroke: a wave across the canvas area, one move per point.
std::vector<QPoint> wave() {
  std::vector<QPoint> p;
  for (int i = 0; i <= kMoves; ++i)
    p.emplace_back(40 + i * 2, 300 + int(std::lround(150 * std::sin(i * 0.03))));
  return p;
}

double percentile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

void report(benchmark::State& state, const std::vector<double>& ms, double area) {
  state.counters["p50_ms"] = percentile(ms, 0.50);
  state.counters["p99_ms"] = percentile(ms, 0.99);
  state.counters["area_px"] = area;
}

// The mean area the canvas repainted per move, by brush kind, for the floor to match.
double repaintedArea[3] = {64 * 64, 64 * 64, 128 * 128};

void Canvas(benchmark::State& state, int brushKind) {
  qt();
  QtClock clock;
  Application app(&clock);
  if (!app.initialise() || app.document.newCanvas(2048, 2048, kLayerKind32) == nullptr) {
    state.SkipWithError("no memory");
    return;
  }
  for (int i = 0; i < 3; ++i) app.document.addLayer32();
  app.history.clear();
  app.setBrushKind(brushKind);
  if (brushKind == Application::kPen) app.settings.attached().size = 5;
  MainWindow window(app);
  window.show();
  window.resize(kWidth, kHeight + window.menuBar()->sizeHint().height());
  if (!QTest::qWaitForWindowExposed(&window)) {
    state.SkipWithError("the window was not shown");
    return;
  }
  app.view.setOrigin(0, 0);
  app.view.invalidate();
  app.view.redraw();
  QCoreApplication::processEvents();
  CanvasWidget& canvas = window.canvas();
  QWindow* handle = window.windowHandle();
  const std::vector<QPoint> path = wave();
  std::vector<double> latencies;
  double area = 0;
  for (auto _ : state) {
    QTest::mousePress(handle, Qt::LeftButton, {}, canvas.mapTo(&window, path[0]));
    QCoreApplication::processEvents();
    const uint64_t pixelsBefore = canvas.canvasPixelsPainted(), framesBefore = canvas.canvasFramesPainted();
    for (size_t i = 1; i < path.size(); ++i) {
      const uint64_t frames = canvas.canvasFramesPainted();
      const double start = nowMs();
      QTest::mouseMove(handle, canvas.mapTo(&window, path[i]));
      QCoreApplication::processEvents();  // the posted update request, and with it the paint
      if (canvas.canvasFramesPainted() != frames) latencies.push_back(nowMs() - start);
    }
    area = double(canvas.canvasPixelsPainted() - pixelsBefore) /
           double(std::max<uint64_t>(1, canvas.canvasFramesPainted() - framesBefore));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, canvas.mapTo(&window, path.back()));
    QCoreApplication::processEvents();
    state.SetIterationTime(0.001 * percentile(latencies, 0.5));
  }
  repaintedArea[brushKind] = area;
  report(state, latencies, area);
}

// A plain widget repainting a square of the given area around each move.
class Floor : public QWidget {
 public:
  int side = 64;
  uint64_t frames = 0;
 protected:
  void mouseMoveEvent(QMouseEvent* e) override {
    update(QRect(e->position().toPoint() - QPoint(side / 2, side / 2), QSize(side, side)));
  }
  void paintEvent(QPaintEvent* e) override {
    QPainter p(this);
    p.fillRect(e->rect(), QColor(255, 255, 255));
    ++frames;
  }
};

void PlainWidget(benchmark::State& state, int brushKind) {
  qt();
  Floor floor;
  floor.side = std::max(1, int(std::lround(std::sqrt(repaintedArea[brushKind]))));
  floor.setMouseTracking(true);
  floor.resize(kWidth, kHeight);
  floor.show();
  if (!QTest::qWaitForWindowExposed(&floor)) {
    state.SkipWithError("the widget was not shown");
    return;
  }
  QWindow* handle = floor.windowHandle();
  const std::vector<QPoint> path = wave();
  std::vector<double> latencies;
  for (auto _ : state) {
    QTest::mousePress(handle, Qt::LeftButton, {}, path[0]);
    for (size_t i = 1; i < path.size(); ++i) {
      const uint64_t frames = floor.frames;
      const double start = nowMs();
      QTest::mouseMove(handle, path[i]);
      QCoreApplication::processEvents();
      if (floor.frames != frames) latencies.push_back(nowMs() - start);
    }
    QTest::mouseRelease(handle, Qt::LeftButton, {}, path.back());
    state.SetIterationTime(0.001 * percentile(latencies, 0.5));
  }
  report(state, latencies, double(floor.side) * floor.side);
}

BENCHMARK_CAPTURE(Canvas, Pen, int(Application::kPen))->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(PlainWidget, Pen, int(Application::kPen))->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(Canvas, WaterColor, int(Application::kWaterColor))->UseManualTime()->Iterations(3);
BENCHMARK_CAPTURE(PlainWidget, WaterColor, int(Application::kWaterColor))->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    for (const char* brush : {"Pen", "WaterColor"}) {
      const std::string ours = std::string("Canvas/") + brush + "/iterations:3/manual_time";
      const std::string peer = std::string("PlainWidget/") + brush + "/iterations:3/manual_time";
      const double p50 = r.counter(ours, "p50_ms"), p99 = r.counter(ours, "p99_ms");
      const double f50 = r.counter(peer, "p50_ms"), f99 = r.counter(peer, "p99_ms");
      if (f50 <= 0 || f99 <= 0) continue;
      std::printf("%-10s move to paint: p50 %.2f ms, p99 %.2f ms; plain widget p50 %.2f ms, p99 %.2f ms; "
                  "ratios %.2f and %.2f (%.0f px repainted per move)\n",
                  brush, p50, p99, f50, f99, p50 / f50, p99 / f99, r.counter(ours, "area_px"));
    }
  });
}
