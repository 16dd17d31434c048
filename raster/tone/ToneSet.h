#pragma once
// ToneSet: the screentone patterns of an 8 bpp layer shown as printed tone. For a screen ruling
// (lines per inch) and a document resolution (dots per inch) it builds 128 single-dot cells of
// n x n pixels and, from them, 256 repeating tone tiles of 2n x 2n pixels (one per 8-bit value,
// circular dots on a 45-degree screen, ink coverage close to value / 255). The tone conversion
// turns rectangles of an 8 bpp tiled image into the matching 1 bpp tiled image.
//
// Patterns exist only between a successful build and release (or destruction); the set owns
// them. Single-threaded.
#include <cstdint>
#include <memory>

#include "raster/image/Image1.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

class ToneSet {
 public:
  static constexpr int32_t kDotLevels = 128;
  static constexpr int32_t kToneCount = 256;
  static constexpr int32_t kCandidates = 1024;
  static constexpr int32_t kMinCellSize = 4;
  // The largest cell build accepts (a resolution of about 3600 dpi at 5 lines per inch).
  static constexpr int32_t kMaxCellSize = 512;
  // drawDot draws nothing for a radius above this.
  static constexpr double kMaxDotRadius = 250.0;

  ToneSet();  // the dither matrix set, no patterns
  ~ToneSet() = default;
  ToneSet(const ToneSet&) = delete;
  ToneSet& operator=(const ToneSet&) = delete;

  // Releases any previous patterns, then builds them for a cell of n = roundHalfAway(resolution
  // / (lines x sqrt(2))) pixels, raised to at least 4. The caller raises lines to at least 5.
  // False (and no patterns) when lines or resolution is not a finite number, lines is not
  // positive, n exceeds kMaxCellSize or memory cannot be had.
  bool build(double lines, double resolution);
  // Destroys every pattern; the set is as after construction.
  void release();
  bool isBuilt() const { return tones_ != nullptr; }
  // n, the cell size of the current patterns; 0 when not built.
  int32_t cellSize() const { return cellSize_; }

  // The 4 x 4 Bayer ordered-dither matrix, row by row (kBayer4x4, raster/dab/DiscCoverage.h).
  const int32_t* ditherMatrix() const { return ditherMatrix_; }
  // The single-dot cell of level L (0..127, coverage nearest L / 127), n x n; null when not
  // built or L is out of range.
  const Image1* dot(int32_t level) const {
    return dots_ && uint32_t(level) < uint32_t(kDotLevels) ? &dots_[level] : nullptr;
  }
  // The repeating 2n x 2n tile of 8-bit value t; null when not built or t is out of range.
  const Image1* tone(int32_t t) const { return tones_ && uint32_t(t) < uint32_t(kToneCount) ? &tones_[t] : nullptr; }

  // Sets to `value` the pixels of image whose share covered by the disc of radius r (pixels)
  // around (cx, cy) is at least 128 / 255, by forEachDiscPixel (raster/dab/DiscCoverage.h) with
  // an S x S grid. False when nothing is drawn: r above 250 or not above 0, the box outside the
  // image, S outside 1..256, or a centre beyond 2^25 pixels from the origin.
  static bool drawDot(Image1& image, double cx, double cy, double r, int value, int supersample);
  // Rounds half away from zero: 2.5 gives 3, -2.5 gives -3. Values beyond the 32-bit range
  // saturate; NaN gives 0.
  static int32_t roundHalfAway(double v);

  // Converts the tiles of `grey` within rect widened outward to multiples of 64 into `ink`
  // (same size): an absent grey tile frees the ink tile; otherwise each pixel (x, y) of the
  // tile becomes bit tone(v).getPixel(x mod 2n, y mod 2n), v being its grey value, written row
  // by row through the row protocol (an all-zero row allocates nothing). False when not built
  // or the sizes differ.
  bool convert(const TiledImage8& grey, TiledImage1& ink, const Rect& rect) const;

 private:
  bool buildPatterns(int32_t n);

  int32_t ditherMatrix_[16];
  std::unique_ptr<Image1[]> dots_;   // kDotLevels cells of n x n once built
  std::unique_ptr<Image1[]> tones_;  // kToneCount tiles of 2n x 2n once built
  int32_t cellSize_ = 0;             // n, zero until built
};

}  // namespace kanvo
