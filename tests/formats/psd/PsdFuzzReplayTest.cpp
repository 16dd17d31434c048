// Replays the PSD fuzzing corpus (seeds and every finding) and every PSD of the shared corpus
// through the reader; the sanitizer build checks each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "document/Document.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"
#include "support/FuzzReplay.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

// Each input reads, partly or wholly, into at least one layer, or fails; anything short of a
// whole read comes with a reason.
int replay(const fs::path& dir, const std::string& extension) {
  StringTable strings(kUiLanguageEnglish);
  return test::replayFiles(dir, extension, [&strings](const std::vector<uint8_t>& bytes) {
    Document doc(strings);
    Status s = readPsdDocument(doc, bytes.data(), bytes.size());
    if (!s.isOk()) {
      EXPECT_FALSE(s.reason().empty());
    }
    if (!s.isFailed()) {
      EXPECT_GE(doc.layerCount(), 1);
    }
  });
}

TEST(PsdFuzzReplay, FuzzCorpus) { EXPECT_GE(replay(fs::path(KANVO_FUZZ_CORPUS_DIR) / "psd", ""), 5); }

TEST(PsdFuzzReplay, SharedCorpus) { EXPECT_GT(replay(fs::path(KANVO_CORPUS_DIR), ".psd"), 10); }

}  // namespace
}  // namespace kanvo
