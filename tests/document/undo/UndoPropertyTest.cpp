// A seeded random sequence of recorded edits of every kind, then everything undone and redone:
// after each undo the document equals the state before the undone edit, after each redo the
// state after it, and at the ends the start (or, past the ring's 128 steps or the budget, the
// oldest state still held) and the end, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "document/undo/UndoHistory.h"
#include "support/DocumentState.h"
#include "support/ManualClock.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::fillWith;

// The edits. Each records its step first, then changes the document as the tools and commands
// would. The selection modes keep their meaning: mode 0 with an empty mask, mode 3 with a full one.
class Editor {
 public:
  Editor(Document& doc, UndoHistory& history, uint32_t seed) : doc_(doc), history_(history), rng_(seed) {}

  void randomEdit() {
    const uint32_t pick = rng_() % 100;
    if (pick < 40) paint();
    else if (pick < 55) select();
    else if (pick < 62) swap();
    else if (pick < 74) move();
    else if (pick < 86) region();
    else if (pick < 93) resize();
    else crop();
  }

  // Paints every layer without recording (the starting picture).
  void seedContent() {
    for (int32_t i = 0; i < doc_.layerCount(); ++i) {
      for (int k = 0; k < 6; ++k) paintLayer(i, false);
    }
  }

 private:
  int32_t between(int32_t lo, int32_t hi) { return lo + int32_t(rng_() % uint32_t(hi - lo + 1)); }

  template <int Bpp>
  uint32_t value() {
    if constexpr (Bpp == 32) {
      if (rng_() % 5 == 0) return 0;
      uint32_t v = rng_();
      return (v >> 24) == 0 ? v | 0x01000000u : v;  // no colour under alpha 0
    } else if constexpr (Bpp == 8) {
      return rng_() % 4 == 0 ? 0 : rng_() & 0xFF;
    } else {
      return rng_() & 1;
    }
  }

  // A rectangle overlapping (mostly) a w x h area, sometimes partly outside it.
  Rect rectIn(int32_t w, int32_t h) {
    const int32_t x = between(-40, std::max(w - 10, 0)), y = between(-40, std::max(h - 10, 0));
    return Rect(x, y, between(1, 180), between(1, 140));
  }

  template <int Bpp>
  void paintStore(Layer& layer, TiledImage<Bpp>& store, int32_t index, bool record) {
    const Rect r = rectIn(int32_t(store.width()), int32_t(store.height()));
    if (record) {
      const std::string label = "Brush (" + layer.name + ")";
      bool ok = false;
      if constexpr (Bpp == 32) ok = history_.recordPixels32(store, r, index, label);
      if constexpr (Bpp == 8) ok = history_.recordPixels8(store, r, index, label);
      if constexpr (Bpp == 1) ok = history_.recordPixels1(store, r, index, label);
      ASSERT_TRUE(ok);
    }
    if (rng_() % 2 == 0) {
      store.fillRect(fillWith(value<Bpp>()), r.x, r.y, r.width, r.height);
    } else {
      // Noise over a part of the rectangle, so that tiles take the compressed forms.
      const uint32_t base = value<Bpp>();
      for (int32_t y = r.y; y < r.y + std::min(r.height, 70); ++y)
        for (int32_t x = r.x; x < r.x + std::min(r.width, 90); ++x)
          store.setPixel(x, y, typename TiledImage<Bpp>::Value(rng_() % 3 == 0 ? value<Bpp>() : base));
    }
    doc_.layerChanged(layer, r.x, r.y, r.width, r.height);
  }

  void paintLayer(int32_t index, bool record) {
    Layer& layer = *doc_.layer(index);
    switch (layer.kind) {
      case kLayerKind32: paintStore(layer, layer.pixels32, index, record); break;
      case kLayerKind8: paintStore(layer, layer.pixels8, index, record); break;
      default: paintStore(layer, layer.pixels1, index, record); break;
    }
  }

  void paint() { paintLayer(between(0, doc_.layerCount() - 1), true); }

  void select() {
    const int32_t index = between(0, doc_.selectionCount() - 1);
    Selection& s = *doc_.selection(index);
    const int32_t w = doc_.width(), h = doc_.height();
    const uint32_t op = rng_() % 6;
    if (op == 5) {
      // A change inside a rectangle recorded by itself.
      const Rect r = rectIn(w, h);
      ASSERT_TRUE(history_.recordSelection(s.mask, r, index, s.mode, "Select (+Rect)"));
      s.mask.fillRect(fillWith(between(1, 255)), r.x, r.y, r.width, r.height);
      s.mode = rng_() % 2 ? 1 : kSelectionMask;
      s.refresh();
      return;
    }
    ASSERT_TRUE(history_.recordSelection(s.mask, Rect(0, 0, w, h), index, s.mode, "Select (Rect)"));
    const Rect r = rectIn(w, h);
    switch (op) {
      case 0:  // replace
        s.mask.clear();
        s.mask.fillRect(fillWith(255), r.x, r.y, r.width, r.height);
        s.mode = kSelectionMask;
        break;
      case 1:  // add
        s.mask.fillRect(fillWith(255), r.x, r.y, r.width, r.height);
        if (s.mode != kSelectionAll) s.mode = kSelectionMask;
        break;
      case 2:  // remove (may leave an empty mask in mode 2)
        s.mask.fillRect(fillWith(0), r.x, r.y, r.width, r.height);
        s.mode = kSelectionMask;
        break;
      case 3:  // clear
        s.mask.clear();
        s.mode = kSelectionNone;
        break;
      default:  // everything
        s.mask.fillRect(fillWith(255), 0, 0, w, h);
        s.mode = kSelectionAll;
        break;
    }
    s.refresh();
  }

  void swap() {
    const int32_t a = between(0, doc_.layerCount() - 1);
    int32_t b = between(0, doc_.layerCount() - 2);
    if (b >= a) ++b;
    ASSERT_TRUE(history_.recordLayerSwap(a, b, "Insert"));
    ASSERT_TRUE(doc_.swapLayers(a, b));
    doc_.selectLayer(doc_.currentLayerIndex());
  }

  void move() {
    const int32_t index = between(0, doc_.layerCount() - 1);
    int32_t dx = between(-90, 90), dy = between(-90, 90);
    if (dx == 0 && dy == 0) dx = 1;
    Layer& layer = *doc_.layer(index);
    ASSERT_TRUE(history_.recordLayerMove(layer, index, dx, dy, "Move Layer"));
    ASSERT_TRUE(layer.moveContent(dx, dy));
    doc_.layerChangedAll(layer);
  }

  void region() {
    const int32_t index = between(0, doc_.layerCount() - 1);
    Layer& layer = *doc_.layer(index);
    Selection& s = *doc_.selection(0);
    const Rect r = rectIn(int32_t(layer.storeWidth()), int32_t(layer.storeHeight()));
    const int32_t dx = between(-20, 20), dy = between(-20, 20);
    ASSERT_TRUE(history_.recordRegion(layer, index, s, r, dx, dy, "Move Layer Part"));
    // The part is cut from its place and written again moved, inside the recorded rectangle.
    const Rect cut(r.x, r.y, r.width / 2 + 1, r.height / 2 + 1);
    const Rect put(r.x + r.width / 3, r.y + r.height / 3, r.width - r.width / 3, r.height - r.height / 3);
    switch (layer.kind) {
      case kLayerKind32:
        layer.pixels32.fillRect(fillWith(0), cut.x, cut.y, cut.width, cut.height);
        layer.pixels32.fillRect(fillWith(value<32>()), put.x, put.y, put.width, put.height);
        break;
      case kLayerKind8:
        layer.pixels8.fillRect(fillWith(0), cut.x, cut.y, cut.width, cut.height);
        layer.pixels8.fillRect(fillWith(value<8>()), put.x, put.y, put.width, put.height);
        break;
      default:
        layer.pixels1.fillRect(fillWith(0), cut.x, cut.y, cut.width, cut.height);
        layer.pixels1.fillRect(fillWith(1), put.x, put.y, put.width, put.height);
        break;
    }
    s.mask.clear();
    const Rect m = rectIn(doc_.width(), doc_.height());
    s.mask.fillRect(fillWith(255), m.x, m.y, m.width, m.height);
    s.mode = kSelectionMask;
    s.refresh();
    doc_.layerChangedAll(layer);
  }

  void resize() {
    ASSERT_TRUE(history_.recordDocument(doc_, ""));
    ASSERT_TRUE(doc_.resizeImage(between(60, 330), between(50, 260)));
  }

  void crop() {
    const int32_t w = doc_.width(), h = doc_.height();
    if (w < 8 || h < 8) return resize();
    const int32_t x = between(0, w / 3), y = between(0, h / 3);
    const Rect r(x, y, between(w / 3, w - x), between(h / 3, h - y));
    ASSERT_TRUE(history_.recordDocument(doc_, ""));
    ASSERT_TRUE(doc_.cropToRect(r));
  }

  Document& doc_;
  UndoHistory& history_;
  std::mt19937 rng_;
};

// seed, number of edits, tile method, memory budget
using Params = std::tuple<uint32_t, int, int32_t, uint32_t>;

class UndoProperty : public ::testing::TestWithParam<Params> {};

TEST_P(UndoProperty, UndoAllRedoAllIsExact) {
  const auto [seed, edits, method, budget] = GetParam();
  StringTable english{kUiLanguageEnglish};
  test::ManualClock clock;
  Document doc{english, &clock};
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
  if (HasFatalFailure()) return;

  std::vector<uint64_t> hashes{test::stateHash(doc)};
  // Full states, kept for short runs so that a failure can name the part that differs.
  // Only the states the ring can reach again are kept.
  std::vector<std::vector<std::pair<std::string, std::string>>> states;
  states.push_back(test::documentParts(doc));
  std::vector<std::string> kinds;
  const std::string start = test::documentState(doc);
  int32_t fewestHeld = UndoHistory::kSlots;
  for (int k = 0; k < edits; ++k) {
    clock.now += 17;
    editor.randomEdit();
    if (HasFatalFailure()) return;
    hashes.push_back(test::stateHash(doc));
    states.push_back(test::documentParts(doc));
    if (states.size() > size_t(UndoHistory::kSlots) + 1) states[states.size() - size_t(UndoHistory::kSlots) - 2].clear();
    kinds.push_back(history.undoRecord(0)->label + " kind " + std::to_string(history.undoRecord(0)->kind));
    ASSERT_EQ(history.changeCount(), k + 1);
    if (k >= UndoHistory::kSlots) fewestHeld = std::min(fewestHeld, history.count());
  }
  const std::string end = test::documentState(doc);
  // Names the parts of the document that differ from state k, with the first differing words.
  auto differs = [&](size_t k) {
    std::string out;
    if (states[k].empty()) return out;
    const auto now = test::documentParts(doc);
    const auto& want = states[k];
    for (size_t i = 0; i < std::max(now.size(), want.size()); ++i) {
      if (i < now.size() && i < want.size() && now[i] == want[i]) continue;
      out += (i < want.size() ? want[i].first : now[i].first) + "; ";
      if (i >= now.size() || i >= want.size()) continue;
      const std::string& a = now[i].second;
      const std::string& b = want[i].second;
      size_t at = 0;
      while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
      out += "first differing byte " + std::to_string(at) + " of " + std::to_string(a.size()) + " / " +
             std::to_string(b.size()) + "; ";
    }
    return out;
  };
  const int32_t held = history.count();
  if (budget >= (64u << 20)) {
    ASSERT_EQ(held, std::min(edits, int(UndoHistory::kSlots)));
  } else {
    ASSERT_GE(held, 1);
    EXPECT_LT(fewestHeld, UndoHistory::kSlots) << "the budget never dropped a step";
  }

  for (int j = 1; j <= held; ++j) {
    const uint32_t bits = history.applyStep(0, doc);
    ASSERT_NE(bits, 0u);
    ASSERT_EQ(bits & (kUndoBitSkipped | kUndoBitDamaged | kUndoBitNoMemory), 0u) << "undo " << j;
    if (test::stateHash(doc) != hashes[size_t(edits - j)]) {
      FAIL() << "after undoing edit " << edits - j + 1 << " (" << kinds[size_t(edits - j)]
             << "): " << differs(size_t(edits - j));
    }
  }
  EXPECT_FALSE(history.canUndo());
  EXPECT_EQ(history.changeCount(), edits - held);
  if (held == edits) {
    EXPECT_EQ(test::documentState(doc), start);
  }

  for (int j = held - 1; j >= 0; --j) {
    ASSERT_EQ(history.applyStep(1, doc) & (kUndoBitSkipped | kUndoBitDamaged | kUndoBitNoMemory), 0u);
    if (test::stateHash(doc) != hashes[size_t(edits - j)]) {
      FAIL() << "after redoing edit " << edits - j << " (" << kinds[size_t(edits - j - 1)]
             << "): " << differs(size_t(edits - j));
    }
  }
  EXPECT_FALSE(history.canRedo());
  EXPECT_EQ(history.changeCount(), edits);
  EXPECT_EQ(test::documentState(doc), end);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, UndoProperty,
    ::testing::Values(Params{1, 120, kTileMethodLz4, 64u << 20}, Params{2, 120, kTileMethodZlib, 64u << 20},
                      Params{3, 120, kTileMethodRaw, 64u << 20}, Params{4, 300, kTileMethodLz4, 64u << 20},
                      Params{5, 300, kTileMethodLz4, 1u << 20}, Params{6, 300, kTileMethodZlib, 1u << 20}));

}  // namespace
}  // namespace kanvo
