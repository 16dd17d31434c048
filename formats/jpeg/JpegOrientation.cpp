#include "formats/jpeg/JpegOrientation.h"

#include <cstring>
#include <new>
#include <vector>

namespace kanvo::jpeg {

namespace {

// Reads the TIFF structure of an Exif payload in its byte order; every read is checked
// against the payload's end.
class TiffReader {
 public:
  explicit TiffReader(std::span<const uint8_t> tiff) : tiff_(tiff) {}
  bool setOrder() {
    if (tiff_.size() < 8) return false;
    if (tiff_[0] == 'I' && tiff_[1] == 'I') {
      little_ = true;
    } else if (tiff_[0] != 'M' || tiff_[1] != 'M') {
      return false;
    }
    uint32_t magic = 0;
    return u16(2, magic) && magic == 42;
  }
  bool u16(size_t at, uint32_t& v) const { return read(at, 2, v); }
  bool u32(size_t at, uint32_t& v) const { return read(at, 4, v); }

 private:
  bool read(size_t at, size_t n, uint32_t& v) const {
    if (at > tiff_.size() || tiff_.size() - at < n) return false;
    v = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint32_t byte = tiff_[at + (little_ ? n - 1 - i : i)];
      v = v << 8 | byte;
    }
    return true;
  }
  std::span<const uint8_t> tiff_;
  bool little_ = false;
};

constexpr uint32_t kOrientationTag = 0x0112;
constexpr uint32_t kTypeShort = 3;

}  // namespace

int exifOrientation(std::span<const uint8_t> app1) {
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1.size() < 6 || std::memcmp(app1.data(), kExif, 6) != 0) return 1;
  TiffReader tiff(app1.subspan(6));
  uint32_t ifd = 0, count = 0;
  if (!tiff.setOrder() || !tiff.u32(4, ifd) || !tiff.u16(ifd, count)) return 1;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
    uint32_t tag = 0, type = 0, values = 0, value = 0;
    if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type) || !tiff.u32(entry + 4, values) ||
        !tiff.u16(entry + 8, value))
      return 1;  // the directory reaches past the segment
    if (tag != kOrientationTag) continue;
    return type == kTypeShort && values == 1 && value >= 1 && value <= 8 ? int(value) : 1;
  }
  return 1;
}

bool orientImage(Image32& image, int orientation) {
  if (orientation < 2 || orientation > 8 || !image.hasPixels()) return true;
  const int w = image.width(), h = image.height();
  const bool swap = orientation >= 5;
  const int outW = swap ? h : w, outH = swap ? w : h;
  // Where output pixel (0, 0) comes from, and how far the source index moves for one step
  // right and one step down in the output.
  const ptrdiff_t W = w, last = ptrdiff_t(h - 1) * W;
  struct Walk {
    ptrdiff_t origin, dx, dy;
  };
  const Walk walks[9] = {{0, 1, W},         {0, 1, W},     {W - 1, -1, W},     {last + W - 1, -1, -W},
                         {last, 1, -W},     {0, W, 1},     {last, -W, 1},      {last + W - 1, -W, -1},
                         {W - 1, W, -1}};
  const Walk& walk = walks[orientation];
  std::vector<Color32> turned;
  try {
    turned.resize(size_t(w) * size_t(h));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const Color32* src = reinterpret_cast<const Color32*>(image.bits());
  Color32* dst = turned.data();
  for (int y = 0; y < outH; ++y) {
    ptrdiff_t i = walk.origin + walk.dy * y;
    for (int x = 0; x < outW; ++x, i += walk.dx) *dst++ = src[i];
  }
  if (!image.resizeBuffer(outW, outH)) return false;
  std::memcpy(image.bits(), turned.data(), turned.size() * sizeof(Color32));
  return true;
}

}  // namespace kanvo::jpeg
