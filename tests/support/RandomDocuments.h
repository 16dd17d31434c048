#pragma once
// Seeded random documents for the compositor tests: layers of every kind and blend mode with
// random content, opacities, colours and offsets, a hidden layer now and then, 8 bpp layers in
// tone mode; their reduced images and halftones rebuilt, as the document keeps them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "document/Document.h"
#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo::test {

inline Color32 randomLayerColour(std::mt19937& rng) {
  switch (rng() % 5) {
    case 0: return 0;  // the coverage span paints it as opaque black
    case 1: return 0xFF000000u | rng();
    default: return rng();
  }
}

// A canvas of a random size from minSide x minSide up to maxWidth x maxHeight with a 32 bpp
// bottom layer and `layers` more. Use ASSERT_NO_FATAL_FAILURE around the call.
inline void makeRandomDocument(Document& doc, std::mt19937& rng, int32_t maxWidth = 260, int32_t maxHeight = 200,
                               int layers = 10, int32_t minSide = 1) {
  const int32_t w = randomIn(rng, minSide, maxWidth), h = randomIn(rng, minSide, maxHeight);
  ASSERT_NE(doc.newCanvas(w, h, kLayerKind32), nullptr);
  fillRandomTiles(doc.layer(0)->pixels32, rng);
  doc.layer(0)->refresh();
  for (int i = 0; i < layers; ++i) {
    const int kind = int(rng() % 3);
    Layer* layer = kind == 0 ? doc.addLayer1() : kind == 1 ? doc.addLayer8() : doc.addLayer32();
    ASSERT_NE(layer, nullptr);
    if (kind == 0) fillRandomTiles(layer->pixels1, rng);
    if (kind == 1) fillRandomTiles(layer->pixels8, rng);
    if (kind == 2) fillRandomTiles(layer->pixels32, rng);
    layer->blendMode = int32_t(rng() % 4);
    const uint32_t o = rng() % 6;
    layer->opacity = uint8_t(o == 0 ? 255 : o == 1 ? 0 : rng());
    layer->colour = randomLayerColour(rng);
    layer->visible = rng() % 8 != 0;
    if (rng() % 3 == 0) {
      ASSERT_TRUE(layer->moveContent(randomIn(rng, -150, 150), randomIn(rng, -150, 150)));
    } else if (rng() % 2 == 0) {
      layer->setOffset(randomIn(rng, -100, 100), randomIn(rng, -100, 100));
    }
    if (kind == 1 && rng() % 2 == 0) {
      ASSERT_TRUE(layer->setTone(1, randomIn(rng, 5, 80)));
    }
    ASSERT_TRUE(layer->refresh());
  }
}

}  // namespace kanvo::test
