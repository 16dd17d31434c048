// Saving a 4096 x 4096 document of four painted 32 bpp layers through the Save As command (the
// command handler with a file dialog that answers at once) against the format writer called
// directly on the same document in the same run: PSD through writePsdDocument, JPEG as the
// composite over white encoded at quality 85 and written. The summary gives the flow's time
// over the writer's (target: under 1.10) and the PSD writer's peak heap growth (mallinfo2 at
// every progress report) against one composite band.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/commands/CommandHandler.h"
#include "formats/DocumentSaver.h"
#include "bench/support/PaintedLayers.h"
#include "bench/support/HeapPeak.h"
#include "bench/support/Summary.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/psd/PsdWriter.h"

namespace {

using kanvo::bench::heapInUse;
using kanvo::bench::PeakProgress;

constexpr int32_t kSide = 4096;
constexpr int32_t kLayers = 4;

std::string benchPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("kanvo-bench-saveflow-") + name)).string();
}

// Save As answered with one path.
struct FixedSavePath : kanvo::FileDialogs {
  std::string path;
  std::string chooseOpenPath(int32_t&) override { return {}; }
  std::string chooseSavePath(const std::string&, int32_t&) override { return path; }
};

struct Scene {
  kanvo::Application app;
  FixedSavePath files;
  kanvo::CommandHandler handler{app, kanvo::CommandServices{nullptr, &files}};

  Scene() {
    app.initialise();
    app.document.newCanvas(kSide, kSide, kanvo::kLayerKind32);
    for (int32_t i = 1; i < kLayers; ++i) app.document.addLayer32();
    kanvo::bench::TilePainter painter(2025);
    for (int32_t l = 0; l < kLayers; ++l) painter.paint(app.document.layer(l)->pixels32, {7, 5, 3, 5});
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

uint64_t g_psdPeak = 0;

void flow(benchmark::State& state, const char* name) {
  Scene& s = scene();
  s.files.path = benchPath(name);
  for (auto _ : state)
    if (!s.handler.saveAs()) state.SkipWithError("the save failed");
  std::filesystem::remove(s.files.path);
}

void BM_flow_psd(benchmark::State& state) { flow(state, "flow.psd"); }
void BM_flow_jpeg(benchmark::State& state) { flow(state, "flow.jpg"); }

void BM_writer_psd(benchmark::State& state) {
  Scene& s = scene();
  const std::string path = benchPath("writer.psd");
  for (auto _ : state) {
    const uint64_t before = heapInUse();
    PeakProgress progress;
    if (!kanvo::writePsdDocument(s.app.document, path, true, &progress).isOk()) state.SkipWithError("failed");
    g_psdPeak = std::max(g_psdPeak, progress.peak - std::min(progress.peak, before));
  }
  std::filesystem::remove(path);
}

void BM_writer_jpeg(benchmark::State& state) {
  Scene& s = scene();
  const std::string path = benchPath("writer.jpg");
  for (auto _ : state) {
    kanvo::Image32 picture(kSide, kSide);
    kanvo::CompositeOptions options;
    options.background = kanvo::kOpaqueWhite;
    s.app.document.flatten(picture, options);
    std::vector<uint8_t> bytes;
    if (!kanvo::encodeJpegImage(picture, 85, bytes).isOk()) state.SkipWithError("failed");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::filesystem::remove(path);
}

// The JPEG save module's own writer: the same encoding, then the durable replace (written to
// a temporary file, synced, renamed) that the plain file write above leaves out.
void BM_saver_jpeg(benchmark::State& state) {
  Scene& s = scene();
  const std::string path = benchPath("saver.jpg");
  for (auto _ : state)
    if (!kanvo::saveDocument(s.app.document, path).isOk()) state.SkipWithError("failed");
  std::filesystem::remove(path);
}

BENCHMARK(BM_flow_psd)->Iterations(3);
BENCHMARK(BM_writer_psd)->Iterations(3);
BENCHMARK(BM_flow_jpeg)->Iterations(3);
BENCHMARK(BM_writer_jpeg)->Iterations(3);
BENCHMARK(BM_saver_jpeg)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    std::printf("\nSummary: Save As of %d layers of %d x %d, flow against the writer\n", kLayers, kSide, kSide);
    r.printTimeRatio(6, "PSD", "BM_flow_psd/iterations:3", "BM_writer_psd/iterations:3");
    r.printTimeRatio(6, "JPEG", "BM_flow_jpeg/iterations:3", "BM_writer_jpeg/iterations:3");
    r.printTimeRatio(6, "JPEG against the saver's durable write", "BM_flow_jpeg/iterations:3",
                     "BM_saver_jpeg/iterations:3");
    std::printf("  PSD writer peak heap growth %.2f MiB (one band of the composite is %.2f MiB)\n",
                double(g_psdPeak) / 1048576.0, double(kSide) * kanvo::Document::kBandRows * 4 / 1048576.0);
  });
}
