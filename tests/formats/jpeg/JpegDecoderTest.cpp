// The decoder on files written by libjpeg in every layout it can make, and on damaged,
// truncated and hostile input.
#include "formats/jpeg/JpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "support/ImageCompare.h"
#include "support/JpegFiles.h"
#include "support/LibJpeg.h"
#include "support/TestPictures.h"

namespace kanvo {
namespace {

using test::decodeJpegRgb;

// Every prefix of a file: refused while the headers are incomplete, partial once the scan has
// started; random damage to the entropy-coded data, and data of nothing but markers, decode in
// part. Never a read outside the input (the sanitizer build watches).
TEST(JpegDecoder, EveryTruncationAndDamagedDataAreHandled) {
  const std::vector<uint8_t> f = test::ourJpeg(64, 48, 9);
  const size_t scan = test::jpegSegmentAt(f, 0xDA) + 14;
  for (size_t n = 0; n < f.size(); ++n) {
    Status s = decodeJpegRgb(std::vector<uint8_t>(f.begin(), f.begin() + long(n))).status;
    // Only EOI (or part of it) missing reads whole.
    EXPECT_EQ(s.code(), n < scan ? Status::kFailed : n < f.size() - 2 ? Status::kPartial : Status::kOk) << n;
  }
  std::mt19937 rng(17);
  int partial = 0;
  for (int iter = 0; iter < 300; ++iter) {
    std::vector<uint8_t> bad = f;
    for (int i = 1 + int(rng() % 8); i > 0; --i) bad[scan + rng() % (f.size() - scan - 2)] = uint8_t(rng());
    Status s = decodeJpegRgb(bad).status;
    ASSERT_FALSE(s.isFailed());
    partial += s.isPartial();
  }
  EXPECT_GT(partial, 100);
  std::vector<uint8_t> markers(f.begin(), f.begin() + long(scan));
  for (int i = 0; i < 100; ++i) markers.insert(markers.end(), {0xFF, uint8_t(0xD0 + i % 8)});
  EXPECT_TRUE(decodeJpegRgb(markers).status.isPartial());
}

TEST(JpegDecoder, DamagedHeadersAreRefusedWithAReason) {
  const std::vector<uint8_t> good = test::ourJpeg(16, 16, 9);
  const size_t dqt = test::jpegSegmentAt(good, 0xDB), dht = test::jpegSegmentAt(good, 0xC4),
               sof = test::jpegSegmentAt(good, 0xC0), sos = test::jpegSegmentAt(good, 0xDA);
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> f = good;
    std::copy(bytes.begin(), bytes.end(), f.begin() + long(at));
    return f;
  };
  const std::pair<std::vector<uint8_t>, const char*> cases[] = {
      {{0x89, 'P', 'N', 'G'}, "not a JPEG file"},
      {patched(sof + 4, {12}), "unsupported JPEG: 12-bit samples"},
      {patched(sof + 5, {0, 0}), "unsupported JPEG: height given after the image data (DNL)"},
      {patched(sof + 7, {0, 0}), "damaged JPEG: width 0"},
      {patched(sof + 5, {0x7F, 0xF9}), "image too large: 16 x 32761 pixels (the limit is 32760 each way)"},
      {patched(sof + 11, {0x51}), "damaged JPEG: bad sampling factors"},
      {patched(sof + 11, {0x00}), "damaged JPEG: bad sampling factors"},
      {patched(sof + 12, {4}), "damaged JPEG: bad quantisation table id"},
      {patched(sof + 13, {0}), "damaged JPEG: two components with one id"},
      {patched(sof + 11, {0x22, 0, 1, 0x33}), "unsupported JPEG: fractional sampling factors"},
      {patched(sof + 1, {0xC2}), "damaged JPEG: bad progressive scan parameters"},
      {patched(sof + 1, {0xCA}), "unsupported JPEG: arithmetic coding"},
      {patched(sof + 1, {0xC6}), "unsupported JPEG: hierarchical"},
      {patched(sof + 1, {0xC3}), "unsupported JPEG: lossless"},
      {patched(sos + 5, {7}), "damaged JPEG: scan names a component the frame lacks"},
      {patched(sos + 6, {0x22}), "damaged JPEG: missing Huffman table"},
      {patched(sos + 6, {0x50}), "damaged JPEG: bad Huffman table id"},
      {patched(dqt + 4, {0x20}), "damaged JPEG: bad quantisation table precision"},
      {patched(dqt + 4, {0x04}), "damaged JPEG: bad quantisation table id"},
      {patched(dqt + 4, {0x02}), "damaged JPEG: missing quantisation table"},
      {patched(dht + 4, {0x02}), "damaged JPEG: missing Huffman table"},
      {patched(dht + 5, {3}), "damaged JPEG: bad Huffman table"},
      {patched(dht + 4, {0x20}), "damaged JPEG: bad Huffman table id"},
      {patched(dht + 2, {0x00, 0x01}), "damaged JPEG: bad segment length"},
      {patched(dht + 2, {0xFF, 0xFF}), "damaged JPEG: the file ends inside a header"},
      {patched(dht + 2, {0x01, 0x10}), "damaged JPEG: Huffman table does not fit its segment"},
      {patched(sof + 2, {0, 14}), "damaged JPEG: bad frame header length"},
      {patched(sos + 4, {0}), "damaged JPEG: bad scan header length"},
      {patched(sos + 1, {0xD9}), "damaged JPEG: no image data"},
      {patched(dht + 1, {0xD8}), "damaged JPEG: two start markers"},
      {std::vector<uint8_t>(good.begin(), good.begin() + long(sof)),
       "damaged JPEG: the file ends before the image data"},
  };
  for (const auto& [file, reason] : cases) {
    Status s = decodeJpegRgb(file).status;
    EXPECT_TRUE(s.isFailed()) << reason;
    EXPECT_EQ(s.reason(), reason);
  }
}

// Restarts: the DC predictions reset; the intervals are found again after damage.
TEST(JpegDecoder, RestartIntervalsResynchronise) {
  std::vector<uint8_t> rgb = test::photoLikeRgb(64, 16, 4);
  const std::vector<uint8_t> f = test::libjpegEncode(rgb.data(), 64, 16, {.restartBlocks = 2});
  test::DecodedRgb clean = decodeJpegRgb(f);
  ASSERT_TRUE(clean.status.isOk());
  // Garble the second interval's data (between the first and second RST markers).
  std::vector<size_t> rst;
  for (size_t i = 0; i + 1 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] >= 0xD0 && f[i + 1] <= 0xD7) rst.push_back(i);
  ASSERT_GE(rst.size(), 4u);
  std::vector<uint8_t> bad = f;
  std::fill(bad.begin() + long(rst[0] + 2), bad.begin() + long(rst[1]), 0);
  test::DecodedRgb r = decodeJpegRgb(bad);
  ASSERT_TRUE(r.status.isPartial()) << r.status.reason();
  // MCUs 0-1 and 4.. (16 x 8 pixels each, two MCU rows of 8) decode as before.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x) {
      const int mcu = (y / 8) * 8 + x / 8;
      if (mcu == 2 || mcu == 3) continue;
      const size_t i = (size_t(y) * 64 + x) * 3;
      ASSERT_TRUE(std::equal(&r.rgb[i], &r.rgb[i + 3], &clean.rgb[i])) << x << "," << y;
    }
}

}  // namespace
}  // namespace kanvo
