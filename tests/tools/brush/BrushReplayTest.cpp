// Strokes of every kind replayed through dispatch onto a corpus picture and exported as PPM the
// way the command line exports: each is one undo step that changes its own band of the picture
// only, and undoing them all gives the picture back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "formats/DocumentOpener.h"
#include "formats/DocumentSaver.h"
#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// A wavy stroke along row y, 12 pixels up and down, pressure rising from 0.1 to 1 and falling.
std::vector<test::StrokeEvent> wave(double y) {
  std::vector<test::StrokeEvent> out;
  for (int i = 0; i < 120; ++i) {
    const double f = i / 119.0;
    out.push_back({40 + 560 * f, y + 12 * std::sin(f * 4 * M_PI), 0.1 + 0.9 * std::sin(f * M_PI), uint32_t(1000 + 8 * i)});
  }
  return out;
}

TEST(BrushReplay, EveryKindOnACorpusPicture) {
  test::TempDir dir;
  test::DispatchRig rig(640, 480);
  ASSERT_TRUE(openDocument(rig.doc, KANVO_CORPUS_DIR "/jpg_640x480_420_q85.jpg").isOk());
  rig.doc.selectLayer(0);  // the picture itself, so that water colour and eraser have paint to work on
  rig.view.invalidate();
  rig.view.redraw();
  std::vector<std::vector<uint8_t>> shots;
  const auto shoot = [&](const std::string& name) {
    ASSERT_TRUE(saveDocument(rig.doc, dir.file(name + ".ppm")).isOk());
    shots.push_back(test::readWholeFile(dir.file(name + ".ppm")));
  };
  const std::string opened = test::documentState(rig.doc);
  shoot("0-opened");
  const struct {
    int32_t subTool, kind;
    double size, alpha;
  } steps[] = {{kToolBrush, 0, 14, 1.0},  {kToolBrush, 0, 6, -0.4}, {kToolBrush, 2, 40, 1.0},
               {kToolEraser, 0, 30, 1.0}, {kToolStamp, 0, 36, 1.0}, {kToolDotBrush, 0, 1, 1.0},
               {kToolBrush, 3, 30, 0.8},  {kToolBrush, 4, 24, 0.5}, {kToolBrush, 6, 30, 1.0}};
  const size_t row = 640 * 3;
  for (size_t k = 0; k < std::size(steps); ++k) {
    rig.state.mode.select(kCategoryBrush, steps[k].subTool);
    BrushParams& brush = rig.settings.attached();
    brush.kind = steps[k].kind;
    brush.size = steps[k].size;
    brush.alpha = std::fabs(steps[k].alpha);
    brush.alphaFollowsPressure = steps[k].alpha < 0;  // the pencil
    brush.stampOffsetX = -120;
    rig.settings.options.bezierInterpolation = 1;
    rig.settings.options.dotSize = 3;
    rig.settings.setForeground(steps[k].kind == 2 ? rgba(40, 90, 200) : rgba(200, 30, 60));
    const size_t y = 30 + 48 * k;
    rig.stroke(wave(double(y)));
    shoot(std::to_string(k + 1));
    EXPECT_EQ(rig.history.count(), int32_t(k + 1));
    EXPECT_EQ(*rig.history.undoLabel(), "Brush (" + rig.doc.layer(0)->name + ")");
    // Its band: 12 pixels of wave, at most 20 of radius and 2 of recomputation on each side.
    const std::vector<uint8_t>&now = shots.back(), &was = shots[k];
    ASSERT_EQ(now.size(), was.size());
    const size_t header = now.size() - 480 * row, top = y > 35 ? y - 35 : 0, bottom = std::min<size_t>(y + 36, 480);
    const auto same = [&](size_t from, size_t to) {
      return std::equal(now.begin() + long(header + from * row), now.begin() + long(header + to * row),
                        was.begin() + long(header + from * row));
    };
    EXPECT_FALSE(same(y - 4, y + 4)) << k << " painted nothing";
    EXPECT_TRUE(same(0, top) && same(bottom, 480)) << k << " painted outside its band";
  }
  while (rig.history.undoLabel()) rig.history.applyStep(0, rig.doc);
  shoot("10-undone");
  EXPECT_EQ(shots.back(), shots.front());
  EXPECT_EQ(test::documentState(rig.doc), opened);
}

}  // namespace
}  // namespace kanvo
