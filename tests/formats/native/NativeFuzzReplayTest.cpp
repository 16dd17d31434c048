// Replays the native reader's fuzzing corpus (seeds and every finding kept as a regression)
// through the reader and the compositor, as the fuzz target does; the sanitizer build checks
// each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include <filesystem>

#include "document/Document.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "support/FuzzReplay.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

TEST(NativeFuzzReplay, EveryCorpusFileReadsWithoutFaultAndConsistently) {
  const fs::path dir = fs::path(KANVO_FUZZ_CORPUS_DIR) / "native";
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  StringTable strings;
  const int count = test::replayFiles(dir, "", [&strings](const std::vector<uint8_t>& bytes) {
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, &summary);
    if (s.isFailed()) {
      EXPECT_FALSE(s.reason().empty());
      EXPECT_EQ(doc.layerCount(), 0);
      return;
    }
    EXPECT_EQ(s.isOk(), s.reason().empty());
    EXPECT_EQ(summary.layersRead, doc.layerCount());
    EXPECT_LE(doc.layerCount(), Document::kMaxLayers);
    EXPECT_EQ(doc.currentLayerIndex(), doc.layerCount() - 1);
    if (int64_t(doc.width()) * 16 <= (int64_t(1) << 20)) {
      Image32 band(doc.width(), 16);
      doc.compositeRow(band, CompositeOptions(), 0, 0);
    }
    doc.probeColour(doc.width() / 2, doc.height() / 2);
  });
  EXPECT_GE(count, 18);
}

}  // namespace
}  // namespace kanvo
