// Replays the fuzzing corpora (seeds and every finding kept as a regression) and the readers'
// files of the shared corpus through the readers, as the fuzz targets do; the sanitizer build
// checks each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include "document/Document.h"
#include "formats/jpeg/JpegDecoder.h"
#include "formats/native/NativeReader.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"
#include "support/FuzzReplay.h"

namespace kanvo {
namespace {

const std::filesystem::path kFuzz = KANVO_FUZZ_CORPUS_DIR, kShared = KANVO_CORPUS_DIR;

// Each input decodes or fails with a reason; a decoded image has all its pixels.
void checkJpeg(const std::vector<uint8_t>& bytes) {
  int w = 0, h = 0;
  std::vector<Color32> pixels;
  Status s = decodeJpeg(bytes, w, h, pixels, int64_t(1) << 24);
  EXPECT_EQ(s.isFailed(), pixels.empty());
  EXPECT_EQ(s.isOk(), s.reason().empty());
  if (!s.isFailed()) {
    EXPECT_EQ(pixels.size(), size_t(w) * size_t(h));
  }
}

TEST(JpegFuzzReplay, FuzzCorpus) {
  EXPECT_GT(test::replayFiles(kFuzz / "jpeg", "", checkJpeg), 10);
}
TEST(JpegFuzzReplay, SharedCorpus) {
  EXPECT_GT(test::replayFiles(kShared, ".jpg", checkJpeg), 10);
}

// Each input reads, partly or wholly, into at least one layer, or fails; anything short of a
// whole read comes with a reason.
void checkPsd(const std::vector<uint8_t>& bytes) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Status s = readPsdDocument(doc, bytes.data(), bytes.size());
  EXPECT_EQ(s.isOk(), s.reason().empty());
  if (!s.isFailed()) {
    EXPECT_GE(doc.layerCount(), 1);
  }
}

TEST(PsdFuzzReplay, FuzzCorpus) {
  EXPECT_GE(test::replayFiles(kFuzz / "psd", "", checkPsd), 5);
}
TEST(PsdFuzzReplay, SharedCorpus) {
  EXPECT_GT(test::replayFiles(kShared, ".psd", checkPsd), 10);
}

// Each input reads consistently (a failure keeps no layer) and composites and probes as the
// program would.
TEST(NativeFuzzReplay, EveryCorpusFileReadsWithoutFaultAndConsistently) {
  StringTable strings;
  const int count = test::replayFiles(kFuzz / "native", "", [&strings](const std::vector<uint8_t>& bytes) {
    Document doc(strings);
    NativeReadSummary summary;
    Status s = readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, &summary);
    EXPECT_EQ(s.isOk(), s.reason().empty());
    if (s.isFailed()) {
      EXPECT_EQ(doc.layerCount(), 0);
      return;
    }
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
