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
// arithmetic shows. The differences come from the inverse DCT's 9-bit constants (4:4:4 files
// reach about 48 dB) and, far more, from the chroma enlargement: ours is bilinear within each
// block with samples placed at the left and top of the area they cover, djpeg interpolates
// across blocks with centred samples ("fancy" upsampling). On these saturated pictures that
// costs as much as plain replication does (checked against libjpeg without fancy upsampling
// while the floors were set); the 3-pixel-wide strip is nearly all block edge.
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
    {"jpg_422_q85_257x131.jpg", 36.0, 0x4e10678b7c8ade27ull},
    {"jpg_420_q85_100x70.jpg", 30.0, 0x75b174987a1b37baull},
    {"jpg_q50_420_100x70.jpg", 30.0, 0},
    {"jpg_optimize_420_257x131.jpg", 33.0, 0},
    {"jpg_restart1_420_64x64.jpg", 29.0, 0x1ba65d30c7540561ull},
    {"jpg_640x480_420_q85.jpg", 37.0, 0},
    {"jpg_1x1_420.jpg", 47.0, 0},
    {"jpg_im_420_q85_100x70.jpg", 30.0, 0},
    {"jpg_3x1001_420.jpg", 24.0, 0},
    {"jpg_progressive_64x64.jpg", 0, 0, "unsupported JPEG: progressive"},
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
    std::printf("  %-34s PSNR %6.2f dB  max diff %3d\n", e.file, db, test::maxDifference(d.rgb, refRgb));
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
