// libjpeg's files in every layout, and the same coefficients rewritten in several scans
// (progressive, or sequential with a scan per component), which decode to the very pixels of
// the file in one scan; cut or damaged ones show what their scans gave.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "formats/jpeg/JpegDecoder.h"
#include "support/ImageCompare.h"
#include "support/JpegFiles.h"
#include "support/LibJpeg.h"
#include "support/TestPictures.h"

namespace kanvo {
namespace {

using test::decodeJpegRgb;
using test::Rescan;

// Files from libjpeg in every layout, compared with libjpeg's own decode (floors about 1 dB
// under the measured values; enlargements other than 2 lose more, since libjpeg replicates
// those samples where ours interpolates them), then rewritten in several scans.
TEST(JpegProgressive, LibjpegFilesOfEveryLayoutDecodeAlikeInOneScanOrSeveral) {
  struct Case {
    const char* name;
    int w, h;
    test::LibJpegOptions o;
    double floorDb;
    Rescan kind;
    int restart;
  };
  const Case cases[] = {
      {"4:2:0 q85", 67, 45, {.lumaH = 2, .lumaV = 2}, 48, Rescan::kProgressive, 0},
      {"4:4:4 q95 optimised", 40, 33, {.quality = 95, .restartBlocks = 1, .optimize = true}, 48, Rescan::kProgressive, 2},
      {"4:2:2 q50", 101, 9, {.quality = 50, .lumaH = 2}, 47.5, Rescan::kProgressive, 1},
      {"4:4:0 q75", 17, 66, {.quality = 75, .lumaV = 2}, 47.5, Rescan::kProgressive, 0},
      {"grey q85", 50, 31, {.restartBlocks = 5, .grayscale = true}, 56.5, Rescan::kProgressive, 3},
      {"1 x 1 4:2:0", 1, 1, {.lumaH = 2, .lumaV = 2}, 51, Rescan::kProgressive, 0},
      {"4:2:0 q20", 130, 70, {.quality = 20, .lumaH = 2, .lumaV = 2}, 48, Rescan::kProgressive, 5},
      {"RGB (Adobe) q90", 31, 20, {.quality = 90, .rgb = true}, 55, Rescan::kProgressive, 0},
      {"4:1:0 (4x2)", 133, 71, {.lumaH = 4, .lumaV = 2}, 34, Rescan::kProgressive, 0},
      {"luma 2x4", 97, 97, {.lumaH = 2, .lumaV = 4}, 33.5, Rescan::kProgressive, 0},
      {"4:1:1", 97, 40, {.lumaH = 4}, 34.5, Rescan::kScanPerComponent, 0},
      {"luma 3x1", 97, 40, {.lumaH = 3}, 36, Rescan::kScanPerComponent, 0},
      {"4:2:0 restart 3", 150, 97, {.lumaH = 2, .lumaV = 2, .restartBlocks = 3}, 48, Rescan::kScanPerComponent, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> rgb = test::photoLikeRgb(c.w, c.h, 3);
    const std::vector<uint8_t> baseline = test::libjpegEncode(rgb.data(), c.w, c.h, c.o);
    const test::LibJpegImage peer = test::libjpegDecode(baseline);
    const test::DecodedRgb want = decodeJpegRgb(baseline);
    ASSERT_TRUE(peer.error.empty() && want.status.isOk()) << want.status.reason();
    const double db = test::psnr(want.rgb, peer.rgb);
    std::printf("  %-22s %4dx%-4d PSNR against libjpeg %6.2f dB\n", c.name, c.w, c.h, db);
    EXPECT_GE(db, c.floorDb);
    const std::vector<uint8_t> rescanned = test::libjpegRescan(baseline, c.kind, c.restart);
    JpegDecoder dec;
    ASSERT_TRUE(dec.setSource(rescanned).isOk());
    EXPECT_EQ(dec.header().progressive, c.kind == Rescan::kProgressive);
    if (c.kind == Rescan::kScanPerComponent) {
      EXPECT_EQ(dec.header().scan.count, 1);
    }
    const test::DecodedRgb got = decodeJpegRgb(rescanned);
    ASSERT_TRUE(got.status.isOk()) << got.status.reason();
    EXPECT_EQ(got.rgb, want.rgb);
  }
}

// Cut at every byte: refused before the first scan, partial after it. Cut where a scan starts,
// the picture comes closer to the whole with every scan. Damaged data is decoded in part.
TEST(JpegProgressive, CutOrDamagedFilesShowWhatTheirScansGave) {
  const std::vector<uint8_t> rgb = test::photoLikeRgb(48, 40, 5);
  const std::vector<uint8_t> f =
      test::libjpegRescan(test::libjpegEncode(rgb.data(), 48, 40, {.lumaH = 2, .lumaV = 2}), Rescan::kProgressive);
  const test::DecodedRgb whole = decodeJpegRgb(f);
  ASSERT_TRUE(whole.status.isOk()) << whole.status.reason();
  JpegDecoder dec;
  ASSERT_TRUE(dec.setSource(f).isOk());
  const size_t firstScan = dec.header().scanOffset;
  double lastDb = 0;
  int scans = 0;
  for (size_t n = 0; n < f.size(); ++n) {
    const test::DecodedRgb cut = decodeJpegRgb(std::vector<uint8_t>(f.begin(), f.begin() + long(n)));
    ASSERT_EQ(cut.status.code(), n < firstScan ? Status::kFailed : Status::kPartial) << n;
    if (n > firstScan && f[n] == 0xFF && f[n + 1] == 0xDA) {
      const double db = test::psnr(cut.rgb, whole.rgb);
      std::printf("  cut before scan %d: PSNR against the whole picture %6.2f dB\n", ++scans + 1, db);
      EXPECT_GE(db, lastDb - 0.01) << n;
      lastDb = db;
    }
  }
  EXPECT_GE(scans, 8);
  std::mt19937 rng(23);
  for (int iter = 0; iter < 200; ++iter) {
    std::vector<uint8_t> bad = f;
    for (int i = 1 + int(rng() % 8); i > 0; --i) bad[firstScan + rng() % (f.size() - firstScan - 2)] = uint8_t(rng());
    ASSERT_FALSE(decodeJpegRgb(bad).status.isFailed());
  }
}

}  // namespace
}  // namespace kanvo
