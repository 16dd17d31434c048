// Selections of every shape added, cut, cleared by a click, moved off the canvas and picked by
// colour range; outlines against the rebuild from the mask; undo and redo exact.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "tools/select/SelectionEngine.h"
#include "tools/select/SelectionMask.h"

namespace kanvo {
namespace {

using test::dragRect;

TEST(SelectionEngine, ShapesAddCutClearAndUndoExactly) {
  test::BrushRig rig(150, 90);
  SelectionEngine engine(rig.doc, rig.history, rig.settings, &rig.sink);
  Selection& s = *rig.doc.currentSelection();
  for (int32_t i = 0; i < 150 * 90; ++i)
    rig.layer().pixels32.setPixel(i % 150, i / 150, i % 150 < 5 ? kOpaqueBlack : 0);
  std::vector<std::string> states{test::documentState(rig.doc)};
  struct Step {
    char shape;  // r, e: the drag's box; p: the triangle of its top side and right end; a: wand at its start
    SelectionOperation op;
    double x0, y0, x1, y1;
    const char* label;
    int32_t pixels, across, edges;  // -1: not counted
  };
  const Step steps[] = {
      {'r', kSelectReplace, 20.7, 15.2, 10.1, 10.9, "Select (Rect)", 50, 20, 30},
      {'r', kSelectAdd, 15, 12, 40, 30, "Select (+Rect)", 485, -1, -1},
      {'r', kSelectRemove, 25, 20, 30, 25, "Select (-Rect)", 460, -1, -1},
      {'a', kSelectAdd, 2.5, 40.5, 0, 0, "Select (+Auto)", 460 + 5 * 90, -1, -1},
      {'p', kSelectRemove, 0, 0, 60, 30, "Select (-Polygon)", -1, -1, -1},
      {'e', kSelectAdd, 50, 40, 90, 70, "Select (+Ellipse)", -1, -1, -1},
      {'r', kSelectReplace, 140, 80, 170, 100, "Select (Rect)", 100, 20, 40},
      {'r', kSelectRemove, 60.2, 5, 60.9, 50, "Select (Clear)", 0, 0, 0},
  };
  for (const Step& t : steps) {
    SCOPED_TRACE(t.label);
    const DragRect box = dragRect(t.x0, t.y0, t.x1, t.y1);
    ASSERT_TRUE(t.shape == 'r'   ? engine.selectRect(box, t.op)
                : t.shape == 'e' ? engine.selectEllipse(box, t.op)
                : t.shape == 'a'
                    ? engine.selectAuto(box.from(), t.op)
                    : engine.selectPolygon({box.corners[0], box.corners[1], box.corners[2]}, t.op));
    EXPECT_EQ(*rig.history.undoLabel(), t.label);
    int32_t count = 0;
    for (int32_t i = 0; i < 150 * 90; ++i) count += s.mask.getPixel(i % 150, i / 150) == 255;
    EXPECT_EQ(count, t.pixels < 0 ? count : t.pixels);
    const std::vector<SelectionEdge> outline = s.outline;
    s.rebuildOutline();
    EXPECT_TRUE(std::is_permutation(outline.begin(), outline.end(), s.outline.begin(), s.outline.end()));
    const auto across =
        std::count_if(s.outline.begin(), s.outline.end(), [](auto& e) { return !e.orientation; });
    EXPECT_EQ(across, t.across < 0 ? across : t.across);
    EXPECT_EQ(int32_t(s.outline.size()), t.edges < 0 ? int32_t(s.outline.size()) : t.edges);
    EXPECT_EQ(s.mode, t.pixels != 0 ? kSelectionMask : kSelectionNone);
    states.push_back(test::documentState(rig.doc));
  }
  EXPECT_FALSE(engine.selectRect(dragRect(5, 5, 5, 40), kSelectAdd));  // nothing left to clear
  const size_t n = states.size();
  for (size_t k = 1; k + 1 < 2 * n; ++k) {  // every step undone, then every step redone
    rig.history.applyStep(k < n ? 0 : 1, rig.doc);
    ASSERT_EQ(test::documentState(rig.doc), states[k < n ? n - 1 - k : k + 1 - n]) << k;
  }
}

TEST(SelectionEngine, MovesLosingWhatLeavesAndRangesByDistance) {
  test::BrushRig rig(70, 40);
  SelectionEngine engine(rig.doc, rig.history, rig.settings, &rig.sink);
  Selection& s = *rig.doc.currentSelection();
  ASSERT_TRUE(engine.selectRect(dragRect(0, 0, 12, 4), kSelectReplace) && engine.moveSelection(-5, 0));
  EXPECT_EQ(*rig.history.undoLabel(), "Select (Move)");
  for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(s.mask.getPixel(x, 2), x < 7 ? 255 : 0) << x;
  EXPECT_TRUE(engine.moveSelection(0, 50) && s.mode == kSelectionNone && s.outline.empty());
  // Distances from the pressed colour 0, 1, 1, 2, 1 (one channel 7 or 8 apart, three channels 1).
  const Color32 colours[] = {0xFF402010u, 0xFF402011u, 0xFF402017u, 0xFF402018u, 0xFF3F1F0Fu};
  for (int32_t i = 0; i < 70 * 40; ++i)
    rig.layer().pixels32.setPixel(i % 70, i / 70, colours[i * 7 % 11 % 5]);
  ASSERT_TRUE(engine.selectRange({0.5, 0.5}, true, false));
  EXPECT_EQ(*rig.history.undoLabel(), "Select (Move)");  // no undo step of its own
  for (int32_t i = 0; i < 70 * 40; ++i)
    ASSERT_EQ(s.mask.getPixel(i % 70, i / 70), i * 7 % 11 % 5 == 3 ? 0 : 255) << i;
  ASSERT_TRUE(engine.selectRange({3.5, 0.5}, false, true));  // Ctrl takes the range out
  EXPECT_TRUE(!hasSelectedPixels(s.mask) && s.mode == kSelectionNone);
}

}  // namespace
}  // namespace kanvo
