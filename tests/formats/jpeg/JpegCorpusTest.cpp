// Every JPEG of the shared corpus: decoded and compared with the reference decode beside it,
// or refused with a reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/ImageCompare.h"
#include "support/JpegFiles.h"
#include "support/Netpbm.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

test::DecodedRgb decodeCorpus(const std::string& name) {
  return test::decodeJpegRgb(test::readWholeFile(std::string(KANVO_CORPUS_DIR) + "/" + name));
}

// Decoded kinds with the lowest PSNR against djpeg each must reach (measured values lie
// 0.5 to 2 dB above), and for some the exact pixels (FNV-1a), where any change to the decoder's
// arithmetic shows. What differs is the inverse DCT's 9-bit constants and, for subsampled
// chroma, the rounding of the enlargement. The 3-pixel-wide strip is the exception: its chroma
// is 2 samples wide, where djpeg replicates samples instead of interpolating them.
// The kinds refused give the reason instead.
struct Expectation {
  const char* file;
  double floorDb;
  uint64_t golden;  // 0: not pinned
  const char* refusal = nullptr;
};

const Expectation kDecoded[] = {
    {"jpg_444_q85_64x64.jpg", 47.0, 0x9e0f5b5bba550e60ull},
    {"jpg_17x9_444.jpg", 47.0, 0},
    {"jpg_1x1_444.jpg", 47.0, 0},
    {"jpg_im_444_comment_64x48.jpg", 47.0, 0},  // ImageMagick's, with a comment
    {"jpg_q100_444_64x64.jpg", 47.0, 0},
    {"jpg_q10_444_64x64.jpg", 44.0, 0},  // SOF1, 16-bit tables
    {"jpg_restart2B_444_100x70.jpg", 47.0, 0},
    {"jpg_grayscale_64x64.jpg", 55.0, 0},
    {"jpg_422_q85_257x131.jpg", 47.5, 0xdf76a9bff78c637cull},
    {"jpg_420_q85_100x70.jpg", 48.0, 0x66b5d8ba99e57dull},
    {"jpg_q50_420_100x70.jpg", 48.0, 0},
    {"jpg_optimize_420_257x131.jpg", 48.0, 0},
    {"jpg_restart1_420_64x64.jpg", 48.0, 0x8ab9547dca905a77ull},
    {"jpg_640x480_420_q85.jpg", 48.0, 0},
    {"jpg_1x1_420.jpg", 47.0, 0},
    {"jpg_im_420_q85_100x70.jpg", 48.0, 0},
    {"jpg_3x1001_420.jpg", 26.0, 0},
    {"jpg_progressive_64x64.jpg", 48.0, 0},
    {"jpg_arithmetic_64x64.jpg", 0, 0, "unsupported JPEG: arithmetic coding"},
    {"jpg_im_cmyk_32x32.jpg", 0, 0, "unsupported JPEG: CMYK (4 colour components)"},
};

TEST(JpegCorpus, DecodesCloseToTheReferenceOrRefuses) {
  for (const Expectation& e : kDecoded) {
    SCOPED_TRACE(e.file);
    test::DecodedRgb d = decodeCorpus(e.file);
    EXPECT_EQ(d.status.reason(), e.refusal ? e.refusal : "");
    if (e.refusal) continue;
    std::string refPath = std::string(KANVO_CORPUS_DIR) + "/" + e.file + ".ref.ppm";
    if (!std::filesystem::exists(refPath)) refPath[refPath.size() - 2] = 'g';  // .ref.pgm
    const test::NetpbmImage ref = test::readNetpbm(refPath);
    ASSERT_EQ(d.width, ref.width);
    ASSERT_EQ(d.height, ref.height);
    const std::vector<uint8_t> refRgb = ref.toRgb();
    const double db = test::psnr(d.rgb, refRgb);
    std::printf("  %-34s PSNR %6.2f dB\n", e.file, db);
    EXPECT_GE(db, e.floorDb);
    if (e.golden) {
      EXPECT_EQ(test::fnv1a(d.rgb), e.golden);
    }
  }
}

TEST(JpegCorpus, TruncatedFileKeepsTheRowsItHas) {
  test::DecodedRgb full = decodeCorpus("jpg_420_q85_100x70.jpg");
  test::DecodedRgb cut = decodeCorpus("jpg_truncated_420_q85_100x70.jpg");
  ASSERT_TRUE(cut.status.isPartial()) << cut.status.reason();
  ASSERT_EQ(cut.rgb.size(), full.rgb.size());
  // The first MCU row (16 rows) is complete and equal to the full file's; the last row is grey.
  const size_t rowBytes = size_t(full.width) * 3;
  EXPECT_TRUE(std::equal(full.rgb.begin(), full.rgb.begin() + long(16 * rowBytes), cut.rgb.begin()));
  EXPECT_EQ(std::vector<uint8_t>(cut.rgb.end() - long(rowBytes), cut.rgb.end()),
            std::vector<uint8_t>(rowBytes, 128));
}

}  // namespace
}  // namespace kanvo
