// A document snapshot that shares the document's tiles: it writes the same file as a deep copy
// taken at the same moment, also while it is written and destroyed on another thread as the
// document goes on being edited; and the edited document ends as the same edits leave a
// document that never shared.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "document/Document.h"
#include "formats/native/NativeWriter.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/RandomDocuments.h"

namespace kanvo {
namespace {

using test::randomIn;

std::vector<uint8_t> encoded(const Document& doc) {
  std::vector<uint8_t> bytes;
  NativeWriteOptions options;
  options.threads = 1;
  EXPECT_TRUE(encodeNativeDocument(doc, bytes, options).isOk());
  return bytes;
}

// One edit drawn from seed, the same on any document of the same state.
void randomEdit(Document& doc, uint32_t seed) {
  std::mt19937 rng(seed);
  Layer& layer = *doc.layer(randomIn(rng, 0, doc.layerCount() - 1));
  const int32_t x = randomIn(rng, -30, doc.width()), y = randomIn(rng, -30, doc.height());
  const int32_t w = randomIn(rng, 1, 120), h = randomIn(rng, 1, 120);
  const uint32_t value = rng();
  switch (randomIn(rng, 0, 5)) {
    case 0:
      test::withStore(layer, [&](auto& store) { store.fillRect(test::fillWith(value), x, y, w, h); });
      break;
    case 1:
      test::withStore(layer, [&](auto& store) {
        for (int i = 0; i < 40; ++i) store.setPixel(x + i, y + i % 7, decltype(store.getPixel(0, 0))(value >> i % 9));
      });
      break;
    case 2: layer.moveContent(x / 3, y / 3); break;
    case 3:
      if (layer.kind == kLayerKind8) layer.setTone(int32_t(value & 1), randomIn(rng, 5, 80));
      break;
    case 4: doc.currentSelection()->mask.fillRect(test::fillWith(value & 0xFF), x, y, w, h); break;
    default:
      if (doc.layerCount() > 1) doc.removeLayer(randomIn(rng, 0, doc.layerCount() - 1));
      break;
  }
}

TEST(DocumentShareTest, SnapshotWritesAsADeepCopyWhileTheDocumentIsEditedOnAnotherThread) {
  StringTable strings;
  std::mt19937 rng(2020);
  for (int round = 0; round < 6; ++round) {
    Document doc(strings), alone(strings), deep(strings);
    ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 300, 240, 5));
    test::fillRandomTiles(doc.currentSelection()->mask, rng);
    doc.currentSelection()->mode = 1;
    ASSERT_TRUE(alone.assign(doc));
    ASSERT_TRUE(deep.assign(doc));
    auto snapshot = std::make_unique<Document>(strings);
    ASSERT_TRUE(snapshot->shareFrom(doc));
    ASSERT_EQ(test::documentState(*snapshot), test::documentState(deep));
    const std::vector<uint8_t> expected = encoded(deep);

    std::vector<uint8_t> written;
    std::atomic<bool> done{false};
    std::thread writer([&] {
      written = encoded(*snapshot);
      snapshot.reset();
      done = true;
    });
    // Edits until the snapshot is gone, so that both threads give up shared tiles at once.
    for (int step = 0; step < 60 || (!done && step < 5000); ++step) {
      const uint32_t seed = rng();
      randomEdit(doc, seed);
      randomEdit(alone, seed);
    }
    writer.join();
    EXPECT_EQ(written, expected) << "round " << round;
    EXPECT_EQ(test::documentState(doc), test::documentState(alone)) << "round " << round;
  }
}

}  // namespace
}  // namespace kanvo
