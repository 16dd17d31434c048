// Replays the JPEG fuzzing corpus (seeds and every finding) and every JPEG of the shared corpus
// through the decoder; the sanitizer build checks each for bad reads, writes and arithmetic.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/jpeg/JpegDecoder.h"
#include "support/FuzzReplay.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

// Each input decodes or fails with a reason; a decoded image has all its pixels.
int replay(const fs::path& dir, const std::string& extension) {
  return test::replayFiles(dir, extension, [](const std::vector<uint8_t>& bytes) {
    int w = 0, h = 0;
    std::vector<Color32> pixels;
    Status s = decodeJpeg(bytes, w, h, pixels, int64_t(1) << 24);
    if (s.isFailed()) {
      EXPECT_FALSE(s.reason().empty());
      EXPECT_TRUE(pixels.empty());
    } else {
      EXPECT_EQ(pixels.size(), size_t(w) * size_t(h));
    }
  });
}

TEST(JpegFuzzReplay, FuzzCorpus) {
  EXPECT_GT(replay(fs::path(KANVO_FUZZ_CORPUS_DIR) / "jpeg", ""), 10);
}

TEST(JpegFuzzReplay, SharedCorpus) { EXPECT_GT(replay(fs::path(KANVO_CORPUS_DIR), ".jpg"), 10); }

}  // namespace
}  // namespace kanvo
