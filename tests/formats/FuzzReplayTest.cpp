// Replays the fuzzing corpora (seeds and every finding kept as a regression) and the readers'
// files of the shared corpus through the readers, as the fuzz targets do; the sanitizer build
// checks each for bad reads, writes and arithmetic. Every input reads, wholly or in part (with
// a reason), or fails with a reason.
#include <gtest/gtest.h>

#include <filesystem>

#include "document/Document.h"
#include "formats/jpeg/JpegDecoder.h"
#include "formats/native/NativeReader.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Calls check(bytes) with the contents of every regular file in dir whose extension is
// `extension` (every file when it is empty), under a trace naming the file; returns how many.
template <class Check>
int replayFiles(const std::filesystem::path& dir, const std::string& extension, Check check) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file() || (!extension.empty() && entry.path().extension() != extension)) continue;
    SCOPED_TRACE(entry.path().filename().string());
    check(test::readWholeFile(entry.path().string()));
    ++count;
  }
  return count;
}

const std::filesystem::path kFuzz = KANVO_FUZZ_CORPUS_DIR, kShared = KANVO_CORPUS_DIR;

// A decoded picture has all its pixels; a failed one none.
void checkJpeg(const std::vector<uint8_t>& bytes) {
  int w = 0, h = 0;
  std::vector<Color32> pixels;
  Status s = decodeJpeg(bytes, w, h, pixels, int64_t(1) << 24);
  EXPECT_EQ(s.isOk(), s.reason().empty());
  EXPECT_EQ(pixels.size(), s.isFailed() ? 0 : size_t(w) * size_t(h));
}

// A document read has at least one layer.
void checkPsd(const std::vector<uint8_t>& bytes) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  Status s = readPsdDocument(doc, bytes.data(), bytes.size());
  EXPECT_EQ(s.isOk(), s.reason().empty());
  EXPECT_TRUE(s.isFailed() || doc.layerCount() >= 1);
}

// A failed read keeps no layer; one that succeeds reports its layers, the top one current, and
// composites and probes as the program would.
void checkNative(const std::vector<uint8_t>& bytes) {
  StringTable strings;
  Document doc(strings);
  NativeReadSummary summary;
  Status s = readNativeDocument(doc, bytes.data(), bytes.size(), nullptr, &summary);
  EXPECT_EQ(s.isOk(), s.reason().empty());
  EXPECT_EQ(summary.layersRead, doc.layerCount());
  EXPECT_EQ(doc.currentLayerIndex() < 0, doc.layerCount() == 0);  // a layer is current when there is one
  EXPECT_LE(doc.layerCount(), Document::kMaxLayers);
  if (s.isFailed()) return;
  if (int64_t(doc.width()) * 16 <= (int64_t(1) << 20)) {
    Image32 band(doc.width(), 16);
    doc.compositeRow(band, CompositeOptions(), 0, 0);
  }
  doc.probeColour(doc.width() / 2, doc.height() / 2);
}

TEST(JpegFuzzReplay, FuzzAndSharedCorpora) {
  EXPECT_GT(replayFiles(kFuzz / "jpeg", "", checkJpeg), 10);
  EXPECT_GT(replayFiles(kShared, ".jpg", checkJpeg), 10);
}

TEST(PsdFuzzReplay, FuzzAndSharedCorpora) {
  EXPECT_GE(replayFiles(kFuzz / "psd", "", checkPsd), 5);
  EXPECT_GT(replayFiles(kShared, ".psd", checkPsd), 10);
}

TEST(NativeFuzzReplay, FuzzCorpus) {
  EXPECT_GE(replayFiles(kFuzz / "native", "", checkNative), 18);
}

}  // namespace
}  // namespace kanvo
