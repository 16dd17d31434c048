#pragma once
// The observable state of a document as one canonical byte string, for comparing a document
// with itself at another time: canvas size, the layer list (kind, attributes, offset, store
// size and pixels of every store), the current layer, the selections (mode and mask pixels) and
// the current selection. Pixels are compared as values: an absent tile equals a tile of zeros.
// stateHash gives a 64-bit digest of the same bytes for step-by-step checks;
// expectUndoRedoExact checks the newest undo step both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo::test {

inline std::string documentState(const Document& doc) {
  std::string out;
  auto word = [&](int64_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); };
  auto store = [&](const auto& image) {
    word(image.width());
    word(image.height());
    const size_t bytes = size_t(image.kTileRowBytes) * 64;
    for (int32_t ty = 0; ty < image.tilesY(); ++ty) {
      for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
        const auto* tile = image.tile(tx, ty);
        if (tile == nullptr ||
            std::all_of(tile->bits(), tile->bits() + bytes, [](uint8_t b) { return b == 0; }))
          continue;
        word(tx);
        word(ty);
        out.append(reinterpret_cast<const char*>(tile->bits()), bytes);
      }
    }
    word(-1);
  };
  for (int64_t v : {doc.width(), doc.height(), doc.layerCount(), doc.currentLayerIndex(),
                    doc.selectionCount(), doc.currentSelectionIndex()})
    word(v);
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    const Layer& layer = *doc.layer(i);
    for (int64_t v : {layer.kind, layer.serial, int32_t(layer.visible), int32_t(layer.opacity), layer.offsetX,
                      layer.offsetY, int32_t(doc.layerSelected()[size_t(i)])})
      word(v);
    out += layer.name;
    word(-2);
    store(layer.pixels32);
    store(layer.pixels8);
    store(layer.pixels1);
  }
  for (int32_t i = 0; i < doc.selectionCount(); ++i) {
    word(doc.selection(i)->mode);
    store(doc.selection(i)->mask);
  }
  return out;
}

inline uint64_t stateHash(const Document& doc) { return std::hash<std::string>()(documentState(doc)); }

// Undoes the newest step, which must give back the state `before`, and redoes it, which must
// give back the state the step left.
inline void expectUndoRedoExact(UndoHistory& history, Document& doc, const std::string& before) {
  const std::string after = documentState(doc);
  history.applyStep(0, doc);
  EXPECT_TRUE(documentState(doc) == before);
  history.applyStep(1, doc);
  EXPECT_TRUE(documentState(doc) == after);
}

}  // namespace kanvo::test
