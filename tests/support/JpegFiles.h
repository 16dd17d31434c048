#pragma once
// Test helpers for JPEG files: our encoder's file of a test picture, our decoder to packed RGB
// in one call, and where a file's header segments start.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "support/TestPictures.h"

namespace kanvo::test {

// The photo-like picture of w x h (seed) as our encoder writes it at the program's quality.
inline std::vector<uint8_t> ourJpeg(int w, int h, uint32_t seed) {
  JpegEncoder enc;
  enc.setQuality(JpegEncoder::kProgramQuality);
  EXPECT_TRUE(enc.encodeRgb(photoLikeRgb(w, h, seed), w, h).isOk());
  return enc.takeData();
}

struct DecodedRgb {
  Status status;
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // packed RGB; empty when the headers were refused
};

// Decodes to packed RGB, and checks that decoding to Color32 gives the same status and pixels,
// opaque.
inline DecodedRgb decodeJpegRgb(const std::vector<uint8_t>& bytes) {
  DecodedRgb d;
  JpegDecoder dec;
  d.status = dec.setSource(bytes);
  if (!d.status.isOk()) return d;
  d.width = dec.width();
  d.height = dec.height();
  d.rgb.resize(size_t(d.width) * d.height * 3);
  d.status = dec.decodeRgb(d.rgb);
  std::vector<Color32> px(size_t(d.width) * d.height);
  EXPECT_EQ(dec.decode(px).code(), d.status.code());
  for (size_t i = 0; i < px.size(); ++i)
    if (px[i] != rgba(d.rgb[3 * i], d.rgb[3 * i + 1], d.rgb[3 * i + 2], 255)) {
      ADD_FAILURE() << "Color32 and RGB decodes differ at pixel " << i;
      break;
    }
  return d;
}

// Where the first header segment with this marker (the byte after 0xFF) starts, looking from
// the first segment after SOI up to SOS; 0 when there is none.
inline size_t jpegSegmentAt(const std::vector<uint8_t>& f, uint8_t marker) {
  for (size_t p = 2; p + 4 <= f.size() && f[p] == 0xFF;) {
    if (f[p + 1] == marker) return p;
    const size_t length = size_t(f[p + 2]) << 8 | f[p + 3];
    if (length < 2 || f[p + 1] == 0xDA) break;
    p += 2 + length;
  }
  return 0;
}

}  // namespace kanvo::test
