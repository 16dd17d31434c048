#include "document/undo/UndoHistory.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/DocumentState.h"
#include "support/ManualClock.h"
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
    ASSERT_TRUE(history.recordPixels32(layer.pixels32, r, 0, "Brush (" + layer.name + ")"));
    layer.pixels32.fillRect(fillWith(value), r.x, r.y, r.width, r.height);
    doc.layerChanged(layer, r.x, r.y, r.width, r.height);
  }

  StringTable english{kUiLanguageEnglish};
  test::ManualClock clock;
  Document doc{english, &clock};
  UndoHistory history{&clock};
};

TEST_F(UndoHistoryTest, ConstructedEmpty) {
  EXPECT_EQ(history.tileMethod(), kTileMethodLz4);
  EXPECT_EQ(history.memoryBudget(), 64u << 20);
  EXPECT_EQ(history.count(), 0);
  EXPECT_FALSE(history.canUndo());
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.undoLabel(), nullptr);
  EXPECT_EQ(history.applyStep(0, doc), 0u);
  EXPECT_EQ(history.applyStep(1, doc), 0u);
  EXPECT_EQ(history.applyStep(2, doc), 0u);
  EXPECT_EQ(history.revision(), 0u);
  EXPECT_FALSE(history.setTileMethod(3));
  EXPECT_TRUE(history.setTileMethod(kTileMethodZlib));
}

// 130 steps: the ring keeps 128, the two oldest cannot be undone; everything kept undoes and
// redoes exactly, over the wrap of the ring.
TEST_F(UndoHistoryTest, RingWrapsPast128) {
  for (uint32_t k = 1; k <= 130; ++k) paint32(Rect(0, 0, 64, 64), 0xFF000000u | k);
  EXPECT_EQ(history.count(), 128);
  EXPECT_EQ(history.head(), 130 % 128);
  EXPECT_EQ(history.changeCount(), 130);
  int undone = 0;
  while (history.canUndo()) {
    ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
    ++undone;
    EXPECT_EQ(doc.layer(0)->pixels32.getPixel(10, 10), 0xFF000000u | uint32_t(130 - undone));
  }
  EXPECT_EQ(undone, 128);
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(0, 0), 0xFF000002u);  // step 2's paint stays
  EXPECT_EQ(history.redoOffset(), -128);
  EXPECT_EQ(history.changeCount(), 2);
  int redone = 0;
  while (history.canRedo()) {
    ASSERT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultPixels));
    ++redone;
  }
  EXPECT_EQ(redone, 128);
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(63, 63), 0xFF000000u | 130u);
  EXPECT_EQ(history.revision(), 130u + 256u);
}

// Undo twice, then record: the two undone steps are gone before the new one is added.
TEST_F(UndoHistoryTest, NewRecordDiscardsRedo) {
  for (uint32_t k = 1; k <= 5; ++k) paint32(Rect(0, 0, 10, 10), 0xFF000000u | k);
  history.applyStep(0, doc);
  history.applyStep(0, doc);
  EXPECT_TRUE(history.canRedo());
  EXPECT_EQ(history.count(), 5);
  clock.now = 4321;
  paint32(Rect(0, 0, 10, 10), 0xFF0000AAu);
  EXPECT_EQ(history.lastRecordTick(), 4321u);
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.count(), 4);
  EXPECT_EQ(history.head(), 4);
  EXPECT_EQ(history.changeCount(), 4);
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(0, 0), 0xFF000003u);
  // The discarded steps' records were released.
  EXPECT_EQ(history.redoRecord(4), nullptr);
}

// Undo restores tiles that were absent as absent; redo brings back the painted pixels.
TEST_F(UndoHistoryTest, AbsentTilesComeBackAbsent) {
  TiledImage32& store = doc.layer(0)->pixels32;
  store.fillRect(fillWith(0xFF123456u), 0, 0, 64, 64);  // one tile present before
  const uint64_t before = test::stateHash(doc);
  paint32(Rect(30, 30, 120, 90), 0x80FFFFFFu);
  const uint64_t after = test::stateHash(doc);
  EXPECT_EQ(store.presentTileCount(), 6);
  UndoOutcome outcome;
  ASSERT_EQ(history.applyStep(0, doc, &outcome), uint32_t(kUndoResultPixels));
  EXPECT_EQ(store.presentTileCount(), 1);
  EXPECT_EQ(test::stateHash(doc), before);
  EXPECT_EQ(outcome.redraw, Rect(0, 0, 192, 128));  // the rectangle widened to whole tiles
  ASSERT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(test::stateHash(doc), after);
}

// Labels are kept byte for byte (CP932) and copied into the redo record.
TEST_F(UndoHistoryTest, LabelsTravelWithTheStep) {
  const std::string name = "\x83\x8C\x83\x43\x83\x84\x81\x5B" "1";  // Layer1 in Japanese, CP932
  doc.layer(0)->name = name;
  paint32(Rect(0, 0, 8, 8), 0xFF0000FFu);
  ASSERT_NE(history.undoLabel(), nullptr);
  EXPECT_EQ(*history.undoLabel(), "Brush (" + name + ")");
  history.applyStep(0, doc);
  ASSERT_NE(history.redoLabel(), nullptr);
  EXPECT_EQ(*history.redoLabel(), "Brush (" + name + ")");
  EXPECT_EQ(history.redoRecord(0)->kind, kUndoPixels32);
}

// Every kind gives its result bits in both directions and restores exactly.
TEST_F(UndoHistoryTest, ResultBitsOfEveryKind) {
  std::mt19937 rng(5);
  auto roundTrip = [&](uint32_t bits, auto&& edit) {
    const uint64_t before = test::stateHash(doc);
    edit();
    const uint64_t after = test::stateHash(doc);
    UndoOutcome outcome;
    EXPECT_EQ(history.applyStep(0, doc, &outcome), bits);
    EXPECT_EQ(outcome.bits, bits);
    EXPECT_EQ(test::stateHash(doc), before);
    EXPECT_EQ(history.applyStep(1, doc), bits);
    EXPECT_EQ(test::stateHash(doc), after);
  };
  roundTrip(kUndoResultPixels, [&] { paint32(Rect(5, 5, 70, 70), 0xFF00FF00u); });
  roundTrip(kUndoResultPixels, [&] {
    Layer& l = *doc.layer(1);
    ASSERT_TRUE(history.recordPixels8(l.pixels8, Rect(0, 0, 100, 20), 1, "Fill (Rect)"));
    l.pixels8.fillRect(fillWith(200), 0, 0, 100, 20);
  });
  roundTrip(kUndoResultPixels, [&] {
    Layer& l = *doc.layer(2);
    ASSERT_TRUE(history.recordPixels1(l.pixels1, Rect(3, 3, 99, 9), 2, "Fill (Rect)"));
    l.pixels1.fillRect(fillWith(1), 3, 3, 99, 9);
  });
  roundTrip(kUndoResultSelection, [&] {
    Selection& s = *doc.selection(0);
    ASSERT_TRUE(history.recordSelection(s.mask, Rect(0, 0, 256, 192), 0, s.mode, "Select (Rect)"));
    s.mask.fillRect(fillWith(255), 10, 10, 50, 40);
    s.mode = kSelectionMask;
    s.refresh();
  });
  roundTrip(kUndoResultLayerOrder, [&] {
    ASSERT_TRUE(history.recordLayerSwap(0, 1, "Insert"));
    doc.swapLayers(0, 1);
    doc.selectLayer(doc.currentLayerIndex());
  });
  roundTrip(kUndoResultPixels, [&] {
    ASSERT_TRUE(history.recordLayerMove(*doc.layer(1), 1, -70, 33, "Move Layer"));
    ASSERT_TRUE(doc.layer(1)->moveContent(-70, 33));
    doc.layerChangedAll(*doc.layer(1));
  });
  roundTrip(kUndoResultPixels, [&] {
    Layer& l = *doc.layer(1);  // the 32 bpp layer since the exchange
    ASSERT_TRUE(history.recordRegion(l, 1, *doc.selection(0), Rect(0, 0, 90, 80), 20, 0, "Move Layer Part"));
    l.pixels32.fillRect(fillWith(0), 0, 0, 40, 40);
    l.pixels32.fillRect(fillWith(0xFF00FF00u), 40, 10, 50, 50);
    doc.selection(0)->mask.clear();
    doc.selection(0)->mask.fillRect(fillWith(255), 30, 10, 50, 40);
    doc.layerChangedAll(l);
  });
  roundTrip(kUndoResultDocument, [&] {
    ASSERT_TRUE(history.recordDocument(doc, ""));
    ASSERT_TRUE(doc.resizeImage(100, 300));
  });
  EXPECT_EQ(history.undoRecord(0)->kind, kUndoDocument);
  UndoOutcome outcome;
  history.applyStep(0, doc, &outcome);
  EXPECT_TRUE(outcome.canvasResized);
  EXPECT_EQ(doc.width(), 256);
  EXPECT_EQ(outcome.bits & kUndoBitInvalidate, uint32_t(kUndoBitInvalidate));
}

// Steps whose layer or selection is gone (or is now of another kind) are passed over: the
// document does not change, the bits say so, and the history moves on.
TEST_F(UndoHistoryTest, StepsForMissingTargetsAreSkipped) {
  paint32(Rect(0, 0, 64, 64), 0xFF0000FFu);
  Layer& top = *doc.layer(3);
  ASSERT_TRUE(history.recordPixels32(top.pixels32, Rect(0, 0, 64, 64), 3, "Brush"));
  top.pixels32.fillRect(fillWith(0xFF00FF00u), 0, 0, 64, 64);
  ASSERT_TRUE(history.recordSelection(doc.selection(1)->mask, Rect(0, 0, 256, 192), 1, 0, "Select (Rect)"));
  doc.selection(1)->mask.fillRect(fillWith(255), 0, 0, 9, 9);
  ASSERT_TRUE(history.recordPixels32(doc.layer(0)->pixels32, Rect(0, 0, 1, 1), 1, "wrong kind"));
  ASSERT_TRUE(history.recordLayerSwap(2, 7, "Insert"));
  ASSERT_TRUE(history.recordLayerMove(*doc.layer(0), 9, 1, 1, "Move Layer"));

  ASSERT_TRUE(doc.removeLayer(3));
  ASSERT_TRUE(doc.removeSelection(1));
  const uint64_t state = test::stateHash(doc);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoBitSkipped)) << i;
    EXPECT_EQ(test::stateHash(doc), state);
  }
  EXPECT_EQ(history.redoOffset(), -5);
  // The step of layer 0 still undoes.
  EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(0, 0), 0u);
  EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultPixels));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoBitSkipped));
  EXPECT_FALSE(history.canRedo());
}

// A damaged tile stream is found before anything changes; the step is passed over.
TEST_F(UndoHistoryTest, DamagedRecordChangesNothing) {
  std::mt19937 rng(3);
  ASSERT_TRUE(history.setTileMethod(kTileMethodRaw));  // a known layout: 16 + 16384 bytes a tile
  TiledImage32& store = doc.layer(0)->pixels32;
  for (int damage = 0; damage < 2; ++damage) {
    for (int32_t y = 0; y < 192; ++y)
      for (int32_t x = 0; x < 256; ++x) store.setPixel(x, y, 0xFF000000u | (rng() & 0x3F3F3F));
    paint32(Rect(0, 0, 256, 192), 0xFF777777u);
    // Damage the last tile's header (the storage is the record's own): an unknown code, or a
    // payload length beyond the stream.
    const auto* p = std::get_if<UndoPixels>(&history.undoRecord(0)->payload);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->tiles.byteLength(), 4 + 12 * (16 + 16384u));
    uint8_t* last = const_cast<uint8_t*>(p->tiles.data()) + 4 + 11 * (16 + 16384);
    if (damage == 0) last[8] = 99; else last[13] = 0x7F;
    const uint64_t state = test::stateHash(doc);
    UndoOutcome outcome;
    EXPECT_EQ(history.applyStep(0, doc, &outcome), uint32_t(kUndoBitDamaged));
    EXPECT_STRNE(outcome.failure, "");
    EXPECT_EQ(test::stateHash(doc), state);
    EXPECT_TRUE(history.canRedo());
    EXPECT_EQ(history.applyStep(1, doc), uint32_t(kUndoBitSkipped));
    EXPECT_EQ(test::stateHash(doc), state);
  }
}

// The budget: the newest steps whose sizes fit are kept, plus the first that does not fit.
TEST_F(UndoHistoryTest, BudgetDropsTheOldestSteps) {
  ASSERT_TRUE(history.setTileMethod(kTileMethodRaw));
  TiledImage32& store = doc.layer(0)->pixels32;
  std::mt19937 rng(9);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) store.setPixel(x, y, 0xFF000000u | rng());
  // Each step: one raw tile, 4 + 16 + 16384 bytes.
  const uint64_t stepBytes = 4 + 16 + 16384;
  history.setMemoryBudget(uint32_t(stepBytes * 6 + 100));
  for (int k = 0; k < 10; ++k) {
    ASSERT_TRUE(history.recordPixels32(store, Rect(0, 0, 64, 64), 0, "Brush"));
    store.setPixel(k, 0, 0xFF000000u | uint32_t(k));
    EXPECT_EQ(history.undoRecord(0)->sizeEstimate(), stepBytes);
  }
  EXPECT_EQ(history.count(), 7);  // six fit; the seventh is the first over the budget
  EXPECT_EQ(history.heldBytes(), 7 * stepBytes);
  int undone = 0;
  while (history.canUndo()) {
    ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
    ++undone;
  }
  EXPECT_EQ(undone, 7);
  EXPECT_EQ(store.getPixel(2, 0), 0xFF000000u | 2u);  // step 3 (k = 2) is the oldest dropped
  EXPECT_NE(store.getPixel(3, 0), 0xFF000000u | 3u);

  // A step larger than the budget by itself stays, and everything older goes.
  history.setMemoryBudget(1000);
  ASSERT_TRUE(history.recordPixels32(store, Rect(0, 0, 64, 64), 0, "Brush"));
  EXPECT_EQ(history.count(), 1);
  EXPECT_EQ(history.heldBytes(), stepBytes);
}

TEST_F(UndoHistoryTest, EmptyRectRecordsNothingAndClearResets) {
  EXPECT_FALSE(history.recordPixels32(doc.layer(0)->pixels32, Rect(), 0, "Brush"));
  EXPECT_FALSE(history.recordPixels8(doc.layer(1)->pixels8, Rect(5, 5, 0, 9), 1, "Brush"));
  EXPECT_FALSE(history.recordPixels1(doc.layer(2)->pixels1, Rect(5, 5, 9, -1), 2, "Brush"));
  EXPECT_EQ(history.count(), 0);
  EXPECT_EQ(history.revision(), 0u);
  paint32(Rect(0, 0, 5, 5), 0xFF000001u);
  paint32(Rect(0, 0, 5, 5), 0xFF000002u);
  history.applyStep(0, doc);
  history.clear();
  EXPECT_EQ(history.count(), 0);
  EXPECT_EQ(history.head(), 0);
  EXPECT_EQ(history.redoOffset(), 0);
  EXPECT_EQ(history.changeCount(), 0);
  EXPECT_EQ(history.revision(), 3u);
  EXPECT_EQ(history.heldBytes(), 0u);
  EXPECT_FALSE(history.canUndo());
  EXPECT_FALSE(history.canRedo());
}

// A caller filling a record itself; an empty record becomes a step that is passed over.
TEST_F(UndoHistoryTest, BeginAndCommitByHand) {
  EXPECT_FALSE(history.commitRecord());
  UndoEntry& e = history.beginRecord();
  ASSERT_TRUE(makeLayerSwapRecord(0, 1, e));
  e.label = "Insert";
  EXPECT_TRUE(history.commitRecord());
  EXPECT_FALSE(history.commitRecord());
  history.beginRecord();
  EXPECT_TRUE(history.commitRecord());
  EXPECT_EQ(history.count(), 2);
  EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoBitSkipped));
  EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultLayerOrder));
}

// Selection steps: a mask emptied since is captured for redo as mode 0; the mode a selection had
// (3, everything) comes back on redo.
TEST_F(UndoHistoryTest, SelectionModesRoundTrip) {
  Selection& s = *doc.selection(0);
  ASSERT_TRUE(history.recordSelection(s.mask, Rect(0, 0, 256, 192), 0, s.mode, "Select (Rect)"));
  s.mask.fillRect(fillWith(255), 0, 0, 256, 192);
  s.mode = kSelectionAll;
  ASSERT_TRUE(history.recordSelection(s.mask, Rect(0, 0, 256, 192), 0, s.mode, "Select (Clear)"));
  s.mask.clear();
  s.mode = kSelectionNone;
  const uint64_t cleared = test::stateHash(doc);
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultSelection));  // back to everything
  EXPECT_EQ(s.mode, kSelectionAll);
  EXPECT_EQ(s.mask.getPixel(255, 191), 255);
  const auto* redo = std::get_if<UndoSelectionMask>(&history.redoRecord(0)->payload);
  ASSERT_NE(redo, nullptr);
  EXPECT_EQ(redo->selectionMode, kSelectionNone);
  const uint64_t all = test::stateHash(doc);
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultSelection));  // back to nothing
  EXPECT_EQ(s.mode, kSelectionNone);
  EXPECT_EQ(s.mask.presentTileCount(), 0);
  ASSERT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultSelection));
  EXPECT_EQ(s.mode, kSelectionAll);
  EXPECT_EQ(test::stateHash(doc), all);
  ASSERT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultSelection));
  EXPECT_EQ(test::stateHash(doc), cleared);
}

// A layer move undone brings back the store exactly as it was (offset and size too), also for a
// store whose offset is not on the tile grid; content changed outside the history since the
// move is moved back as a move would move it.
TEST_F(UndoHistoryTest, LayerMoveBringsBackTheStore) {
  Layer& layer = *doc.layer(0);
  ASSERT_TRUE(layer.sizeStore(300, 250));
  layer.setOffset(-37, -11);  // as a resize leaves it
  layer.pixels32.fillRect(fillWith(0xFF336699u), 10, 20, 100, 60);
  const uint64_t before = test::stateHash(doc);
  ASSERT_TRUE(history.recordLayerMove(layer, 0, 45, -30, "Move Layer"));
  ASSERT_TRUE(layer.moveContent(45, -30));
  EXPECT_EQ(layer.offsetY % 64, 0);
  const uint64_t after = test::stateHash(doc);
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(layer.offsetX, -37);
  EXPECT_EQ(layer.storeWidth(), 300u);
  EXPECT_EQ(test::stateHash(doc), before);
  ASSERT_EQ(history.applyStep(1, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(test::stateHash(doc), after);

  // Paint where moving back would leave the recorded store (canvas x < 8), then undo: the
  // content is moved back by (-45, 30) into a store a move makes.
  layer.pixels32.setPixel(2 - layer.offsetX, 5 - layer.offsetY, 0xFF0000FFu);
  ASSERT_EQ(history.applyStep(0, doc), uint32_t(kUndoResultPixels));
  EXPECT_EQ(layer.offsetX % 64, 0);
  EXPECT_EQ(layer.pixels32.getPixel(2 - 45 - layer.offsetX, 5 + 30 - layer.offsetY), 0xFF0000FFu);
  EXPECT_EQ(layer.pixels32.getPixel(15 - 37 - layer.offsetX, 25 - 11 - layer.offsetY), 0xFF336699u);
}

// A region step whose layer store or mask no longer has the recorded size is passed over.
TEST_F(UndoHistoryTest, RegionStepForAnotherStoreIsSkipped) {
  Layer& layer = *doc.layer(0);
  ASSERT_TRUE(history.recordRegion(layer, 0, *doc.selection(0), Rect(0, 0, 256, 192), 0, 0, "Move Layer Part"));
  ASSERT_TRUE(doc.resizeImage(128, 96));
  const uint64_t state = test::stateHash(doc);
  EXPECT_EQ(history.applyStep(0, doc), uint32_t(kUndoBitSkipped));
  EXPECT_EQ(test::stateHash(doc), state);
}

}  // namespace
}  // namespace kanvo
