// What the random sequences of UndoPropertyTest do not reach: steps passed over, damaged
// records, the budget's exact rule, and the history's edges.
#include "document/undo/UndoHistory.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/DocumentState.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::fillWith;

class UndoHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(doc.newCanvas(256, 192, kLayerKind32), nullptr);  // layer 0: 32 bpp
    ASSERT_NE(doc.addLayer8(), nullptr);                        // layer 1: 8 bpp
    ASSERT_NE(doc.addLayer1(), nullptr);                        // layer 2: 1 bpp
    ASSERT_NE(doc.addLayer32(), nullptr);                       // layer 3: 32 bpp, current
    ASSERT_NE(doc.addSelection(), nullptr);                     // selection 1
  }

  // Records and paints a rectangle of layer 0 with value.
  void paint32(const Rect& r, uint32_t value) {
    Layer& layer = *doc.layer(0);
    ASSERT_TRUE(history.recordPixels32(layer.pixels32, r, 0, "Brush"));
    layer.pixels32.fillRect(fillWith(value), r.x, r.y, r.width, r.height);
    doc.layerChanged(layer, r.x, r.y, r.width, r.height);
  }

  StringTable english{kUiLanguageEnglish};
  Document doc{english};
  UndoHistory history;
};

TEST_F(UndoHistoryTest, EmptyHistoryAndEmptyRecords) {
  for (int32_t direction : {0, 1, 2}) EXPECT_EQ(history.applyStep(direction, doc), 0u);
  EXPECT_FALSE(history.setTileMethod(3));
  EXPECT_FALSE(history.commitRecord());
  EXPECT_FALSE(history.recordPixels32(doc.layer(0)->pixels32, Rect(), 0, "Brush"));
  EXPECT_FALSE(history.recordPixels8(doc.layer(1)->pixels8, Rect(5, 5, 0, 9), 1, "Brush"));
  EXPECT_FALSE(history.recordPixels1(doc.layer(2)->pixels1, Rect(5, 5, 9, -1), 2, "Brush"));
  EXPECT_EQ(history.count(), 0);
  paint32(Rect(0, 0, 5, 5), 0xFF000001u);
  paint32(Rect(0, 0, 5, 5), 0xFF000002u);
  history.applyStep(0, doc);
  history.clear();
  EXPECT_EQ(history.changeCount(), 0);
  EXPECT_EQ(history.revision(), 3u);
  EXPECT_EQ(history.heldBytes(), 0u);
  EXPECT_FALSE(history.canUndo() || history.canRedo());
}

// Undo restores tiles that were absent as absent and names the tiles it changed.
TEST_F(UndoHistoryTest, AbsentTilesComeBackAbsent) {
  TiledImage32& store = doc.layer(0)->pixels32;
  store.fillRect(fillWith(0xFF123456u), 0, 0, 64, 64);
  paint32(Rect(30, 30, 120, 90), 0x80FFFFFFu);
  EXPECT_EQ(store.presentTileCount(), 6);
  UndoOutcome outcome;
  ASSERT_EQ(history.applyStep(0, doc, &outcome), uint32_t(kUndoResultPixels));
  EXPECT_EQ(store.presentTileCount(), 1);
  EXPECT_EQ(outcome.redraw, Rect(0, 0, 192, 128));
}

// Steps whose layer or selection is gone, is of another kind or another size, or whose record
// was left empty, are passed over in both directions; the document does not change.
TEST_F(UndoHistoryTest, StepsForMissingTargetsAreSkipped) {
  paint32(Rect(0, 0, 64, 64), 0xFF0000FFu);
  ASSERT_TRUE(history.recordPixels32(doc.layer(3)->pixels32, Rect(0, 0, 64, 64), 3, "gone"));
  ASSERT_TRUE(history.recordSelection(doc.selection(1)->mask, Rect(0, 0, 256, 192), 1, 0, "gone"));
  ASSERT_TRUE(history.recordPixels32(doc.layer(0)->pixels32, Rect(0, 0, 1, 1), 1, "wrong kind"));
  ASSERT_TRUE(history.recordLayerSwap(2, 7, "gone"));
  ASSERT_TRUE(history.recordLayerMove(*doc.layer(0), 9, 1, 1, "gone"));
  ASSERT_TRUE(history.recordRegion(*doc.layer(0), 0, *doc.selection(0), Rect(0, 0, 256, 192), 0, 0, "size"));
  history.beginRecord();
  EXPECT_TRUE(history.commitRecord());  // left empty
  ASSERT_TRUE(doc.removeLayer(3));
  ASSERT_TRUE(doc.removeSelection(1));
  ASSERT_TRUE(doc.resizeImage(128, 96));
  const std::string state = test::documentState(doc);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoBitSkipped)) << i;
  EXPECT_EQ(test::documentState(doc), state);
  EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));  // layer 0's step still undoes
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(0, 0), 0u);
  EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultPixels));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoBitSkipped));
  EXPECT_EQ(test::documentState(doc), state);
  EXPECT_FALSE(history.canRedo());
}

// A damaged tile stream (an unknown code, a payload length beyond the stream) is found before
// anything changes; the step is passed over.
TEST_F(UndoHistoryTest, DamagedRecordChangesNothing) {
  std::mt19937 rng(3);
  ASSERT_TRUE(history.setTileMethod(kTileMethodRaw));  // a known layout: 16 + 16384 bytes a tile
  TiledImage32& store = doc.layer(0)->pixels32;
  for (const auto& [at, value] : {std::pair{8, 99}, std::pair{13, 0x7F}}) {
    for (int32_t y = 0; y < 192; ++y)
      for (int32_t x = 0; x < 256; ++x) store.setPixel(x, y, 0xFF000000u | (rng() & 0x3F3F3F));
    paint32(Rect(0, 0, 256, 192), 0xFF777777u);
    const auto* p = std::get_if<UndoPixels>(&history.undoRecord(0)->payload);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->tiles.byteLength(), 4 + 12 * (16 + 16384u));
    const_cast<uint8_t*>(p->tiles.data())[4 + 11 * (16 + 16384) + at] = uint8_t(value);  // the last tile
    const std::string state = test::documentState(doc);
    UndoOutcome outcome;
    EXPECT_EQ(history.applyStep(0, doc, &outcome), uint32_t(kUndoBitDamaged));
    EXPECT_STRNE(outcome.failure, "");
    EXPECT_EQ(test::documentState(doc), state);
    EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoBitSkipped));
    EXPECT_EQ(test::documentState(doc), state);
  }
}

// The newest steps whose sizes fit are kept, plus the first that does not fit; a step larger
// than the budget by itself stays alone.
TEST_F(UndoHistoryTest, BudgetKeepsTheNewestStepsThatFitAndOneMore) {
  ASSERT_TRUE(history.setTileMethod(kTileMethodRaw));
  TiledImage32& store = doc.layer(0)->pixels32;
  std::mt19937 rng(9);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) store.setPixel(x, y, 0xFF000000u | rng());
  const uint64_t stepBytes = 4 + 16 + 16384;  // one raw tile
  history.setMemoryBudget(uint32_t(stepBytes * 6 + 100));
  for (uint32_t k = 0; k < 10; ++k) {
    ASSERT_TRUE(history.recordPixels32(store, Rect(0, 0, 64, 64), 0, "Brush"));
    store.setPixel(int32_t(k), 0, 0xFF000000u | k);
    EXPECT_EQ(history.undoRecord(0)->sizeEstimate(), stepBytes);
  }
  EXPECT_EQ(history.count(), 7);
  EXPECT_EQ(history.heldBytes(), 7 * stepBytes);
  while (history.canUndo()) ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(store.getPixel(2, 0), 0xFF000002u);  // k = 2 is the newest step dropped
  EXPECT_NE(store.getPixel(3, 0), 0xFF000003u);

  history.setMemoryBudget(1000);
  ASSERT_TRUE(history.recordPixels32(store, Rect(0, 0, 64, 64), 0, "Brush"));
  EXPECT_EQ(history.count(), 1);
  EXPECT_EQ(history.heldBytes(), stepBytes);
}

// Content changed outside the history since a layer move is moved back as a move would move it.
TEST_F(UndoHistoryTest, UndoingAMoveMovesLaterContentBack) {
  Layer& layer = *doc.layer(0);
  ASSERT_TRUE(layer.sizeStore(300, 250));
  layer.setOffset(-37, -11);  // as a resize leaves it
  layer.pixels32.fillRect(fillWith(0xFF336699u), 10, 20, 100, 60);
  ASSERT_TRUE(history.recordLayerMove(layer, 0, 45, -30, "Move Layer"));
  ASSERT_TRUE(layer.moveContent(45, -30));
  layer.pixels32.setPixel(2 - layer.offsetX, 5 - layer.offsetY, 0xFF0000FFu);  // outside the recorded store
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(layer.offsetX % 64, 0);
  EXPECT_EQ(layer.pixels32.getPixel(2 - 45 - layer.offsetX, 5 + 30 - layer.offsetY), 0xFF0000FFu);
  EXPECT_EQ(layer.pixels32.getPixel(15 - 37 - layer.offsetX, 25 - 11 - layer.offsetY), 0xFF336699u);
}

}  // namespace
}  // namespace kanvo
