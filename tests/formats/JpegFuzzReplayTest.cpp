// Replays the JPEG fuzzing corpus (seeds and every finding) and every JPEG of the shared corpus
// through the decoder; the sanitizer build checks each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/JpegDecoder.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int replay(const fs::path& dir, const std::string& extension) {
  int count = 0;
  if (!fs::is_directory(dir)) return 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    if (!extension.empty() && entry.path().extension() != extension) continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::vector<uint8_t> bytes = readFile(entry.path());
    int w = 0, h = 0;
    std::vector<Color32> pixels;
    Status s = decodeJpeg(bytes, w, h, pixels, int64_t(1) << 24);
    if (s.isFailed()) {
      EXPECT_FALSE(s.reason().empty());
      EXPECT_TRUE(pixels.empty());
    } else {
      EXPECT_EQ(pixels.size(), size_t(w) * size_t(h));
    }
    ++count;
  }
  return count;
}

TEST(JpegFuzzReplay, FuzzCorpus) {
  EXPECT_GT(replay(fs::path(KANVO_FUZZ_CORPUS_DIR) / "jpeg", ""), 10);
}

TEST(JpegFuzzReplay, SharedCorpus) { EXPECT_GT(replay(fs::path(KANVO_CORPUS_DIR), ".jpg"), 10); }

}  // namespace
}  // namespace kanvo
