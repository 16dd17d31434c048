// Replays the PSD fuzzing corpus (seeds and every finding) and every PSD of the shared corpus
// through the reader; the sanitizer build checks each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/Document.h"
#include "formats/PsdReader.h"
#include "strings/StringTable.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

int replay(const fs::path& dir, const std::string& extension) {
  StringTable strings(kUiLanguageEnglish);
  int count = 0;
  if (!fs::is_directory(dir)) return 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    if (!extension.empty() && entry.path().extension() != extension) continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Document doc(strings);
    Status s = readPsdDocument(doc, bytes.data(), bytes.size());
    if (!s.isOk()) {
      EXPECT_FALSE(s.reason().empty());
    }
    if (!s.isFailed()) {
      EXPECT_GE(doc.layerCount(), 1);
    }
    ++count;
  }
  return count;
}

TEST(PsdFuzzReplay, FuzzCorpus) { EXPECT_GE(replay(fs::path(KANVO_FUZZ_CORPUS_DIR) / "psd", ""), 5); }

TEST(PsdFuzzReplay, SharedCorpus) { EXPECT_GT(replay(fs::path(KANVO_CORPUS_DIR), ".psd"), 10); }

}  // namespace
}  // namespace kanvo
