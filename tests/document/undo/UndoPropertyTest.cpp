// Seeded random sequences of recorded edits of every kind, mixed with undos and redos, against a
// model of the line of states: each undo brings back the state before the undone edit and each
// redo the state after it, bit for bit, with the result bits of the edit's kind and its label;
// the ring (128 steps) and the memory budget decide how far back undo reaches. At the end
// everything held is undone (to the start, when all of it was held) and redone (to the end).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "document/undo/UndoHistory.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/ManualClock.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::fillWith;

// The edits. Each records its step first, then changes the document as the tools and commands
// would, and leaves the result bits an undo of it gives and its label in bits and label.
class Editor {
 public:
  Editor(Document& doc, UndoHistory& history, uint32_t seed) : doc_(doc), history_(history), rng_(seed) {}

  void randomEdit() {
    static constexpr std::pair<uint32_t, void (Editor::*)()> kEdits[] = {
        // pick below the first
        {40, &Editor::paint},  {55, &Editor::select}, {62, &Editor::swap}, {74, &Editor::move},
        {86, &Editor::region}, {93, &Editor::resize}, {100, &Editor::crop}};
    const uint32_t pick = rng_() % 100;
    for (const auto& [below, edit] : kEdits)
      if (pick < below) return (this->*edit)();
  }

  // Paints every layer without recording (the starting picture).
  void seedContent() {
    for (int32_t i = 0; i < doc_.layerCount(); ++i)
      for (int k = 0; k < 6; ++k) paintLayer(i, false);
  }

  std::mt19937& rng() { return rng_; }
  uint32_t bits = 0;
  std::string label;

 private:
  int32_t between(int32_t lo, int32_t hi) { return lo + int32_t(rng_() % uint32_t(hi - lo + 1)); }

  // A value of the store's depth, often 0; no colour under alpha 0 (a move drops such tiles).
  template <class Store>
  typename Store::Value value(const Store&) {
    const uint32_t v = rng_() % 5 == 0 ? 0 : rng_();
    if constexpr (Store::kBitsPerPixel == 32) return (v >> 24) == 0 && v != 0 ? v | 0x01000000u : v;
    if constexpr (Store::kBitsPerPixel == 8) return uint8_t(v);
    return v & 1;
  }

  // A rectangle overlapping (mostly) a w x h area, sometimes partly outside it.
  Rect rectIn(int32_t w, int32_t h) {
    const int32_t x = between(-40, std::max(w - 10, 0)), y = between(-40, std::max(h - 10, 0));
    return Rect(x, y, between(1, 180), between(1, 140));
  }

  void expect(uint32_t resultBits, const std::string& stepLabel) {
    bits = resultBits;
    label = stepLabel;
  }

  // A plain fill of a rectangle, or noise over part of it so that tiles take the compressed forms.
  void paintLayer(int32_t index, bool record) {
    Layer& layer = *doc_.layer(index);
    const Rect r = rectIn(int32_t(layer.storeWidth()), int32_t(layer.storeHeight()));
    expect(kUndoResultPixels, "Brush (" + layer.name + ")");  // CP932 names
    test::withStore(layer, [&](auto& store) {
      using Store = std::decay_t<decltype(store)>;
      bool recorded = !record;
      if constexpr (Store::kBitsPerPixel == 32)
        recorded = recorded || history_.recordPixels32(store, r, index, label);
      if constexpr (Store::kBitsPerPixel == 8)
        recorded = recorded || history_.recordPixels8(store, r, index, label);
      if constexpr (Store::kBitsPerPixel == 1)
        recorded = recorded || history_.recordPixels1(store, r, index, label);
      ASSERT_TRUE(recorded);
      const auto base = value(store);
      if (rng_() % 2 == 0) return void(store.fillRect(fillWith(base), r.x, r.y, r.width, r.height));
      for (int32_t y = r.y; y < r.y + std::min(r.height, 70); ++y)
        for (int32_t x = r.x; x < r.x + std::min(r.width, 90); ++x)
          store.setPixel(x, y, rng_() % 3 ? base : value(store));
    });
    doc_.layerChanged(layer, r.x, r.y, r.width, r.height);
  }

  void paint() { paintLayer(between(0, doc_.layerCount() - 1), true); }

  // Replace, add, remove (which may leave an empty mask in mode 2), clear, everything, and a change
  // inside a rectangle recorded by itself. The modes keep their meaning: mode 0 with an empty mask,
  // mode 3 with a full one.
  void select() {
    const int32_t index = between(0, doc_.selectionCount() - 1), w = doc_.width(), h = doc_.height();
    Selection& s = *doc_.selection(index);
    const uint32_t op = rng_() % 6;
    const Rect r = op == 4 ? Rect(0, 0, w, h) : rectIn(w, h);
    expect(kUndoResultSelection, "Select (Rect)");
    ASSERT_TRUE(history_.recordSelection(s.mask, op == 5 ? r : Rect(0, 0, w, h), index, s.mode, label));
    if (op == 0 || op == 3) s.mask.clear();
    if (op != 3)
      s.mask.fillRect(fillWith(op == 2 ? 0 : op == 5 ? between(1, 255) : 255), r.x, r.y, r.width, r.height);
    static constexpr int32_t kModes[] = {kSelectionMask, kSelectionMask, kSelectionMask,
                                         kSelectionNone, kSelectionAll,  1};
    if (op != 1 || s.mode != kSelectionAll) s.mode = op == 5 && rng_() % 2 ? kSelectionMask : kModes[op];
    s.refresh();
  }

  void swap() {
    const int32_t a = between(0, doc_.layerCount() - 1);
    const int32_t b = (a + between(1, doc_.layerCount() - 1)) % doc_.layerCount();
    expect(kUndoResultLayerOrder, "Insert");
    ASSERT_TRUE(history_.recordLayerSwap(a, b, label));
    ASSERT_TRUE(doc_.swapLayers(a, b));
    doc_.selectLayer(doc_.currentLayerIndex());
  }

  void move() {
    const int32_t index = between(0, doc_.layerCount() - 1), dx = between(-90, 90), dy = between(-90, 90);
    Layer& layer = *doc_.layer(index);
    expect(kUndoResultPixels, "Move Layer");
    ASSERT_TRUE(history_.recordLayerMove(layer, index, dx, dy == 0 && dx == 0 ? 1 : dy, label));
    ASSERT_TRUE(layer.moveContent(dx, dy == 0 && dx == 0 ? 1 : dy));
    doc_.layerChangedAll(layer);
  }

  // A part cut from its place and written again moved, inside the recorded rectangle; the
  // selection becomes a new rectangle.
  void region() {
    const int32_t index = between(0, doc_.layerCount() - 1);
    Layer& layer = *doc_.layer(index);
    Selection& s = *doc_.selection(0);
    const Rect r = rectIn(int32_t(layer.storeWidth()), int32_t(layer.storeHeight()));
    expect(kUndoResultPixels, "Move Layer Part");
    ASSERT_TRUE(history_.recordRegion(layer, index, s, r, between(-20, 20), between(-20, 20), label));
    test::withStore(layer, [&](auto& store) {
      store.fillRect(fillWith(0), r.x, r.y, r.width / 2 + 1, r.height / 2 + 1);
      const uint32_t put = std::decay_t<decltype(store)>::kBitsPerPixel == 1 ? 1 : value(store);
      store.fillRect(fillWith(put), r.x + r.width / 3, r.y + r.height / 3, r.width - r.width / 3,
                     r.height - r.height / 3);
    });
    const Rect m = rectIn(doc_.width(), doc_.height());
    s.mask.clear();
    s.mask.fillRect(fillWith(255), m.x, m.y, m.width, m.height);
    s.mode = kSelectionMask;
    s.refresh();
    doc_.layerChangedAll(layer);
  }

  void resize() {
    expect(kUndoResultDocument, "");
    ASSERT_TRUE(history_.recordDocument(doc_, label));
    ASSERT_TRUE(doc_.resizeImage(between(60, 330), between(50, 260)));
  }

  void crop() {
    const int32_t w = doc_.width(), h = doc_.height(), x = between(0, w / 3), y = between(0, h / 3);
    expect(kUndoResultDocument, "");
    ASSERT_TRUE(history_.recordDocument(doc_, label));
    ASSERT_TRUE(doc_.cropToRect(Rect(x, y, between(w / 3, w - x), between(h / 3, h - y))));
  }

  Document& doc_;
  UndoHistory& history_;
  std::mt19937 rng_;
};

// One step of the line of states the history should reproduce: the state after the edit, and
// what an undo of it reports.
struct Step {
  uint64_t state;
  uint32_t bits;
  std::string label;
  int32_t width, height;
};

// seed, number of operations, tile method, memory budget
using Params = std::tuple<uint32_t, int, int32_t, uint32_t>;

class UndoProperty : public ::testing::TestWithParam<Params> {};

TEST_P(UndoProperty, UndoAndRedoRetraceTheEditsExactly) {
  const auto [seed, operations, method, budget] = GetParam();
  StringTable japanese{kUiLanguageJapanese};
  test::ManualClock clock;
  Document doc{japanese, &clock};
  UndoHistory history{&clock};
  ASSERT_TRUE(history.setTileMethod(method));
  history.setMemoryBudget(budget);
  ASSERT_NE(doc.newCanvas(230, 170, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer8(), nullptr);
  ASSERT_NE(doc.addLayer1(), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  ASSERT_NE(doc.addSelection(), nullptr);
  Editor editor(doc, history, seed);
  editor.seedContent();
  const std::string start = test::documentState(doc);

  std::vector<Step> line{{test::stateHash(doc), 0, "", doc.width(), doc.height()}};
  size_t at = 0;  // where in the line the document is
  uint32_t revision = 0;
  int32_t fewestHeld = UndoHistory::kSlots;
  // Undoes (direction 0) or redoes one step and checks it against the line.
  auto apply = [&](int32_t direction) {
    const Step& step = line[direction == 0 ? at : at + 1];
    ASSERT_EQ(*(direction == 0 ? history.undoLabel() : history.redoLabel()), step.label);
    UndoOutcome outcome;
    ASSERT_EQ(history.applyStep(direction, doc, &outcome), step.bits) << "direction " << direction;
    const Step& before = line[at];
    at = direction == 0 ? at - 1 : at + 1;
    ASSERT_EQ(test::stateHash(doc), line[at].state) << "at step " << at << " of " << line.size() - 1;
    if (step.bits == kUndoResultDocument) {
      EXPECT_EQ(outcome.canvasResized, before.width != doc.width() || before.height != doc.height());
    }
    ++revision;
  };
  size_t oldest = 0;  // the oldest state undo can still reach
  // The history's view of the line: held steps, what can be undone and redone, the counters.
  // The ring holds the newest 128 steps; the budget may hold fewer, but never an older one again.
  auto checkCounters = [&]() {
    const size_t last = line.size() - 1;
    oldest = std::max(oldest, last - std::min<size_t>(last, UndoHistory::kSlots));
    if (budget >= UndoHistory::kConstructedBudget) {
      ASSERT_EQ(size_t(history.count()), last - oldest);
    } else {
      ASSERT_LE(size_t(history.count()), last - oldest);
      ASSERT_GE(history.count(), last > 0 ? 1 : 0);
      oldest = last - size_t(history.count());
    }
    ASSERT_EQ(history.canUndo(), at + size_t(history.count()) > last);
    ASSERT_EQ(history.canRedo(), at < last);
    ASSERT_EQ(history.changeCount(), int32_t(at));
    ASSERT_EQ(history.revision(), revision);
  };

  for (int k = 0; k < operations; ++k) {
    clock.now += 17;
    const uint32_t pick = editor.rng()() % 8;
    if (pick == 0 && history.canUndo()) {
      const int n = 1 + int(editor.rng()() % 5);
      for (int i = 0; i < n && history.canUndo(); ++i) ASSERT_NO_FATAL_FAILURE(apply(0));
    } else if (pick == 1 && history.canRedo()) {
      ASSERT_NO_FATAL_FAILURE(apply(1));
    } else {
      editor.randomEdit();  // discards what could be redone
      if (HasFatalFailure()) return;
      line.resize(at + 1);
      line.push_back({test::stateHash(doc), editor.bits, editor.label, doc.width(), doc.height()});
      ++at;
      ++revision;
      EXPECT_EQ(history.lastRecordTick(), clock.now);
    }
    ASSERT_NO_FATAL_FAILURE(checkCounters());
    if (at >= UndoHistory::kSlots) fewestHeld = std::min(fewestHeld, history.count());
  }
  if (budget < UndoHistory::kConstructedBudget) {
    EXPECT_LT(fewestHeld, UndoHistory::kSlots) << "the budget dropped nothing";
  }

  while (history.canRedo()) ASSERT_NO_FATAL_FAILURE(apply(1));
  const std::string end = test::documentState(doc);
  while (history.canUndo()) ASSERT_NO_FATAL_FAILURE(apply(0));
  ASSERT_NO_FATAL_FAILURE(checkCounters());
  if (at == 0) {
    EXPECT_EQ(test::documentState(doc), start);
  }
  while (history.canRedo()) ASSERT_NO_FATAL_FAILURE(apply(1));
  EXPECT_EQ(test::documentState(doc), end);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, UndoProperty,
    ::testing::Values(Params{1, 150, kTileMethodLz4, 64u << 20}, Params{2, 150, kTileMethodZlib, 64u << 20},
                      Params{3, 150, kTileMethodRaw, 64u << 20}, Params{4, 400, kTileMethodLz4, 64u << 20},
                      Params{5, 400, kTileMethodLz4, 1u << 20}, Params{6, 400, kTileMethodZlib, 1u << 20}));

}  // namespace
}  // namespace kanvo
