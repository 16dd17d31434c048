#include "raster/TiledBlit.h"

namespace kanvo {

namespace {

// Row access for the blit loop. Sources give a readable row indexed by their own x;
// destinations give a writable row indexed by their own x and take it back afterwards.

template <int Bpp>
struct TiledSource {
  const TiledImage<Bpp>& image;
  const void* identity() const { return &image; }
  int32_t width() const { return int32_t(image.width()); }
  int32_t height() const { return int32_t(image.height()); }
  bool hasTiles(int32_t x, int32_t y, int32_t length) const { return image.rowHasTiles(x, y, length); }
  const uint8_t* read(int32_t x, int32_t y, int32_t length) const {
    image.readRow(image.rowBuffer(), x, y, length);
    return image.rowBuffer();
  }
};

template <class Image>
struct PlainSource {
  const Image& image;
  const void* identity() const { return &image; }
  int32_t width() const { return image.width(); }
  int32_t height() const { return image.height(); }
  bool hasTiles(int32_t, int32_t, int32_t) const { return true; }
  const uint8_t* read(int32_t, int32_t y, int32_t) const { return image.rowAddress(y); }
};

template <int Bpp>
struct TiledDestination {
  TiledImage<Bpp>& image;
  const void* identity() const { return &image; }
  int32_t width() const { return int32_t(image.width()); }
  int32_t height() const { return int32_t(image.height()); }
  uint8_t* begin(int32_t x, int32_t y, int32_t length) {
    image.readRow(image.rowBuffer(), x, y, length);
    return image.rowBuffer();
  }
  void end(int32_t x, int32_t y, int32_t length) { image.writeRow(image.rowBuffer(), x, y, length); }
};

template <class Image>
struct PlainDestination {
  Image& image;
  const void* identity() const { return &image; }
  int32_t width() const { return image.width(); }
  int32_t height() const { return image.height(); }
  uint8_t* begin(int32_t, int32_t y, int32_t) { return image.rowAddress(y); }
  void end(int32_t, int32_t, int32_t) {}
};

// The row loop shared by every combination. Span is called as
// span(params, sourceRow, sx, destinationRow, dx, width).
template <class Dst, class Src, class Span>
bool blitRows(Dst dst, const SpanParams& params, int32_t dx, int32_t dy, Src src, int32_t sx, int32_t sy,
              int32_t w, int32_t h, Span span) {
  if (dst.identity() == src.identity()) return false;
  if (!clipBlit(src.width(), src.height(), dst.width(), dst.height(), sx, sy, w, h, dx, dy)) return false;
  const bool skipEmpty = !opChangesWhereSourceEmpty(params.op);
  for (int32_t i = 0; i < h; ++i) {
    const int32_t s = sy + i, d = dy + i;
    if (skipEmpty && !src.hasTiles(sx, s, w)) continue;
    const uint8_t* srcRow = src.read(sx, s, w);
    uint8_t* dstRow = dst.begin(dx, d, w);
    span(params, srcRow, sx, dstRow, dx, w);
    dst.end(dx, d, w);
  }
  return true;
}

// The masked row loop. Span is called as
// span(params, sourceRow, sx, maskRow, sx, destinationRow, dx, width).
template <class Dst, class Src, class Span>
bool blitRowsMasked(Dst dst, const SpanParams& params, int32_t dx, int32_t dy, Src src, const TiledImage8& mask,
                    int32_t sx, int32_t sy, int32_t w, int32_t h, Span span) {
  if (dst.identity() == src.identity() || dst.identity() == &mask) return false;
  if (mask.width() != uint32_t(src.width()) || mask.height() != uint32_t(src.height())) return false;
  if (!clipBlit(src.width(), src.height(), dst.width(), dst.height(), sx, sy, w, h, dx, dy)) return false;
  const bool skipEmpty = !opChangesWhereSourceEmpty(params.op);
  // A mask that is also the source shares its row buffer: the one read serves both.
  const bool maskIsSource = src.identity() == &mask;
  for (int32_t i = 0; i < h; ++i) {
    const int32_t s = sy + i, d = dy + i;
    if (!mask.rowHasTiles(sx, s, w)) continue;
    if (skipEmpty && !src.hasTiles(sx, s, w)) continue;
    const uint8_t* srcRow = src.read(sx, s, w);
    const uint8_t* maskRow = mask.rowBuffer();
    if (!maskIsSource) mask.readRow(mask.rowBuffer(), sx, s, w);
    uint8_t* dstRow = dst.begin(dx, d, w);
    span(params, srcRow, sx, maskRow, sx, dstRow, dx, w);
    dst.end(dx, d, w);
  }
  return true;
}

}  // namespace

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<32>{dst}, params, dx, dy, TiledSource<32>{src}, sx, sy, width, height,
                  blendSpan32);
}

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<32>{dst}, params, dx, dy, PlainSource<Image32>{src}, sx, sy, width, height,
                  blendSpan32);
}

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
          int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<32>{dst}, params, dx, dy, TiledSource<8>{coverage}, sx, sy, width, height,
                  coverageSpan32);
}

bool blitMasked(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return blitRowsMasked(TiledDestination<32>{dst}, params, dx, dy, TiledSource<8>{coverage}, mask, sx, sy, width,
                        height, maskedCoverageSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(PlainDestination<Image32>{dst}, params, dx, dy, TiledSource<32>{src}, sx, sy, width, height,
                  blendSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(PlainDestination<Image32>{dst}, params, dx, dy, TiledSource<8>{coverage}, sx, sy, width, height,
                  coverageSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& bits, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(PlainDestination<Image32>{dst}, params, dx, dy, TiledSource<1>{bits}, sx, sy, width, height,
                  bitSpan32);
}

bool blit(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<8>{dst}, params, dx, dy, TiledSource<8>{src}, sx, sy, width, height,
                  blendSpan8);
}

bool blitMasked(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return blitRowsMasked(TiledDestination<8>{dst}, params, dx, dy, TiledSource<8>{src}, mask, sx, sy, width,
                        height, maskedSpan8);
}

bool copyFrom(TiledImage8& dst, const TiledImage8& src) {
  SpanParams params;
  params.op = kOpCopy;
  params.opacity = 255;
  return blit(dst, params, 0, 0, src, 0, 0, int32_t(src.width()), int32_t(src.height()));
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<1>{dst}, params, dx, dy, TiledSource<1>{src}, sx, sy, width, height, blitSpan1);
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<1>{dst}, params, dx, dy, PlainSource<Image1>{src}, sx, sy, width, height,
                  blitSpan1);
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return blitRows(TiledDestination<1>{dst}, params, dx, dy, TiledSource<8>{src}, sx, sy, width, height,
                  thresholdSpan);
}

bool blitMasked(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return blitRowsMasked(TiledDestination<1>{dst}, params, dx, dy, TiledSource<8>{src}, mask, sx, sy, width, height,
                        maskedThresholdSpan);
}

}  // namespace kanvo
