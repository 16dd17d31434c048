// Every JPEG of the shared corpus: decoded and compared with the reference decode beside it,
// or refused with a reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "formats/jpeg/JpegDecoder.h"
#include "support/ImageCompare.h"
#include "support/Netpbm.h"

namespace kanvo {
namespace {

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string corpus(const std::string& name) { return std::string(KANVO_CORPUS_DIR) + "/" + name; }

struct Decoded {
  Status status;
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Decoded decodeFile(const std::string& path) {
  Decoded d;
  std::vector<uint8_t> bytes = readFile(path);
  JpegDecoder dec;
  d.status = dec.setSource(bytes);
  if (!d.status.isOk()) return d;
  d.width = dec.width();
  d.height = dec.height();
  d.rgb.resize(size_t(d.width) * d.height * 3);
  d.status = dec.decodeRgb(d.rgb);
  return d;
}

// Decoded kinds with the lowest PSNR against djpeg each must reach (measured values lie
// 0.5 to 2 dB above). The differences come from the inverse DCT's 9-bit constants (4:4:4 files
// reach about 48 dB) and, far more, from the chroma enlargement: ours is bilinear within each
// block with samples placed at the left and top of the area they cover, djpeg interpolates
// across blocks with centred samples ("fancy" upsampling). On these saturated pictures that
// costs as much as plain replication does (checked against libjpeg without fancy upsampling
// while the floors were set); the 3-pixel-wide strip is nearly all block edge.
struct Expectation {
  const char* file;
  const char* kind;
  double floorDb;
};

const Expectation kDecoded[] = {
    {"jpg_444_q85_64x64.jpg", "4:4:4 q85", 47.0},
    {"jpg_17x9_444.jpg", "4:4:4 q85 17x9", 47.0},
    {"jpg_1x1_444.jpg", "4:4:4 q90 1x1", 47.0},
    {"jpg_im_444_comment_64x48.jpg", "ImageMagick 4:4:4 q90", 47.0},
    {"jpg_q100_444_64x64.jpg", "4:4:4 q100", 47.0},
    {"jpg_q10_444_64x64.jpg", "4:4:4 q10 (SOF1, 16-bit tables)", 44.0},
    {"jpg_restart2B_444_100x70.jpg", "4:4:4 restart every 2 MCUs", 47.0},
    {"jpg_grayscale_64x64.jpg", "grey", 55.0},
    {"jpg_422_q85_257x131.jpg", "4:2:2 q85", 36.0},
    {"jpg_420_q85_100x70.jpg", "4:2:0 q85", 30.0},
    {"jpg_q50_420_100x70.jpg", "4:2:0 q50", 30.0},
    {"jpg_optimize_420_257x131.jpg", "4:2:0 optimised tables", 33.0},
    {"jpg_restart1_420_64x64.jpg", "4:2:0 restart every MCU row", 29.0},
    {"jpg_640x480_420_q85.jpg", "4:2:0 640x480", 37.0},
    {"jpg_1x1_420.jpg", "4:2:0 1x1", 47.0},
    {"jpg_im_420_q85_100x70.jpg", "ImageMagick 4:2:0", 30.0},
    {"jpg_3x1001_420.jpg", "4:2:0 3x1001 strip", 24.0},
};

TEST(JpegCorpus, DecodesCloseToTheReference) {
  for (const Expectation& e : kDecoded) {
    SCOPED_TRACE(e.file);
    Decoded d = decodeFile(corpus(e.file));
    ASSERT_TRUE(d.status.isOk()) << d.status.reason();
    std::string refPath = corpus(std::string(e.file) + ".ref.ppm");
    if (!std::filesystem::exists(refPath)) refPath = corpus(std::string(e.file) + ".ref.pgm");
    test::NetpbmImage ref = test::readNetpbm(refPath);
    ASSERT_FALSE(ref.empty());
    ASSERT_EQ(d.width, ref.width);
    ASSERT_EQ(d.height, ref.height);
    std::vector<uint8_t> refRgb = ref.toRgb();
    double db = test::psnr(d.rgb, refRgb);
    std::printf("  %-34s %-34s PSNR %6.2f dB  max diff %3d\n", e.file, e.kind, db,
                test::maxDifference(d.rgb, refRgb));
    EXPECT_GE(db, e.floorDb);
  }
}

// The exact pixels for a few files: any change to the decoder's arithmetic shows here.
TEST(JpegCorpus, GoldenDecodes) {
  const std::pair<const char*, uint64_t> golden[] = {
      {"jpg_444_q85_64x64.jpg", 0x9e0f5b5bba550e60ull},
      {"jpg_420_q85_100x70.jpg", 0x75b174987a1b37baull},
      {"jpg_422_q85_257x131.jpg", 0x4e10678b7c8ade27ull},
      {"jpg_restart1_420_64x64.jpg", 0x1ba65d30c7540561ull},
  };
  for (const auto& [file, hash] : golden) {
    Decoded d = decodeFile(corpus(file));
    ASSERT_TRUE(d.status.isOk());
    EXPECT_EQ(test::fnv1a(d.rgb), hash) << file;
  }
}

TEST(JpegCorpus, RefusesWhatItCannotDecode) {
  const std::map<std::string, std::string> refused = {
      {"jpg_progressive_64x64.jpg", "unsupported JPEG: progressive"},
      {"jpg_arithmetic_64x64.jpg", "unsupported JPEG: arithmetic coding"},
      {"jpg_im_cmyk_32x32.jpg", "unsupported JPEG: CMYK (4 colour components)"},
  };
  for (const auto& [file, reason] : refused) {
    SCOPED_TRACE(file);
    Decoded d = decodeFile(corpus(file));
    EXPECT_TRUE(d.status.isFailed());
    EXPECT_EQ(d.status.reason(), reason);
  }
}

TEST(JpegCorpus, TruncatedFileKeepsTheRowsItHas) {
  Decoded full = decodeFile(corpus("jpg_420_q85_100x70.jpg"));
  Decoded cut = decodeFile(corpus("jpg_truncated_420_q85_100x70.jpg"));
  ASSERT_TRUE(full.status.isOk());
  ASSERT_TRUE(cut.status.isPartial()) << cut.status.reason();
  ASSERT_EQ(cut.rgb.size(), full.rgb.size());
  // The first MCU row (16 rows) is complete and equal to the full file's.
  const size_t rowBytes = size_t(full.width) * 3;
  for (size_t i = 0; i < 16 * rowBytes; ++i) ASSERT_EQ(cut.rgb[i], full.rgb[i]) << i;
  // The last row is grey.
  for (size_t i = (size_t(full.height) - 1) * rowBytes; i < full.rgb.size(); ++i) ASSERT_EQ(cut.rgb[i], 128);
}

}  // namespace
}  // namespace kanvo
