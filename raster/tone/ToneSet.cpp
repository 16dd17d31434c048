#include "raster/tone/ToneSet.h"

#include "raster/dab/DiscCoverage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace kanvo {

namespace {


// Set pixels of a buffer, padding bits ignored.
int64_t countSetBits(const Image1& image) {
  const int32_t whole = image.width() >> 3;
  const uint8_t lastMask = uint8_t((1u << (image.width() & 7)) - 1);
  int64_t count = 0;
  for (int32_t y = 0; y < image.height(); ++y) {
    const uint8_t* row = image.rowAddress(y);
    for (int32_t i = 0; i < whole; ++i) count += std::popcount(unsigned(row[i]));
    if (lastMask != 0) count += std::popcount(unsigned(row[whole] & lastMask));
  }
  return count;
}

}  // namespace

ToneSet::ToneSet() { std::memcpy(ditherMatrix_, kBayer4x4, sizeof(ditherMatrix_)); }

int32_t ToneSet::roundHalfAway(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  const double magnitude = std::fabs(v);
  const double whole = std::floor(magnitude);
  const double rounded = magnitude - whole >= 0.5 ? whole + 1.0 : whole;
  return v < 0 ? int32_t(-rounded) : int32_t(std::min(rounded, 2147483647.0));
}

bool ToneSet::drawDot(Image1& image, double cx, double cy, double r, int value, int supersample) {
  return forEachDiscPixel(cx, cy, r, supersample, image.width(), image.height(), [&](int32_t x, int32_t y, int c) {
    if (c >= 128) image.setPixel(x, y, value);
  });
}

void ToneSet::release() {
  dots_.reset();
  tones_.reset();
  cellSize_ = 0;
}

bool ToneSet::build(double lines, double resolution) {
  release();
  if (!std::isfinite(lines) || !std::isfinite(resolution) || !(lines > 0)) return false;
  int32_t n = roundHalfAway(resolution / (lines * std::sqrt(2.0)));
  if (n < kMinCellSize) n = kMinCellSize;
  if (n > kMaxCellSize) return false;
  if (!buildPatterns(n)) {
    release();
    return false;
  }
  cellSize_ = n;
  return true;
}

bool ToneSet::buildPatterns(int32_t n) {
  dots_.reset(new (std::nothrow) Image1[kDotLevels]);
  tones_.reset(new (std::nothrow) Image1[kToneCount]);
  if (!dots_ || !tones_) return false;

  // Coverage of each candidate dot; radius i x n x sqrt(2) / 1860 grows to about 0.78 n.
  const double centreX = n / 2.0 + 0.25, centreY = n / 2.0 + 1.0 / 6.0;
  auto radiusOf = [n](int32_t i) { return double(i) * n * std::sqrt(2.0) / 1860.0; };
  std::vector<double> coverage(kCandidates);
  Image1 cell(n, n);
  if (!cell.hasPixels()) return false;
  const double cellArea = double(n) * n;
  for (int32_t i = 0; i < kCandidates; ++i) {
    cell.fill(0);
    drawDot(cell, centreX, centreY, radiusOf(i), 1, 20);
    coverage[size_t(i)] = double(countSetBits(cell)) / cellArea;
  }

  // Each level takes the first candidate nearest to its coverage; drawing is deterministic,
  // so the chosen candidate is drawn again into the level's cell.
  for (int32_t level = 0; level < kDotLevels; ++level) {
    const double target = level / 127.0;
    int32_t best = 0;
    double bestDiff = std::fabs(coverage[0] - target);
    for (int32_t i = 1; i < kCandidates; ++i) {
      const double diff = std::fabs(coverage[size_t(i)] - target);
      if (diff < bestDiff) best = i, bestDiff = diff;
    }
    Image1& dot = dots_[level];
    if (!dot.resize(n, n)) return false;
    dot.fill(0);
    drawDot(dot, centreX, centreY, radiusOf(best), 1, 20);
  }

  // Tones below 128: dots in the two diagonal cells; from 128: solid diagonal cells with
  // inverted dots in the other two.
  Image1 inverted(n, n);
  if (!inverted.hasPixels()) return false;
  for (int32_t t = 0; t < kToneCount; ++t) {
    Image1& tone = tones_[t];
    if (!tone.resize(2 * n, 2 * n)) return false;
    tone.fill(0);
    if (t < 128) {
      tone.copyFrom(dots_[t], 0, 0);
      tone.copyFrom(dots_[t], n, n);
    } else {
      tone.fillRect(0, 0, n, n, 1);
      tone.fillRect(n, n, n, n, 1);
      const Image1& dot = dots_[255 - t];
      for (uint64_t b = 0; b < dot.byteCount(); ++b) inverted.bits()[b] = uint8_t(~dot.bits()[b]);
      tone.copyFrom(inverted, n, 0);
      tone.copyFrom(inverted, 0, n);
    }
  }
  return true;
}

bool ToneSet::convert(const TiledImage8& grey, TiledImage1& ink, const Rect& rect) const {
  if (!isBuilt() || grey.width() != ink.width() || grey.height() != ink.height()) return false;
  if (grey.tileCount() == 0) return true;
  // Tiles of rect widened outward to multiples of 64, clipped to the grid.
  const int64_t tx0 = std::max<int64_t>(int64_t(rect.x) >> kTileShift, 0);
  const int64_t ty0 = std::max<int64_t>(int64_t(rect.y) >> kTileShift, 0);
  const int64_t tx1 = std::min<int64_t>(-((-(int64_t(rect.x) + rect.width)) >> kTileShift), grey.tilesX());
  const int64_t ty1 = std::min<int64_t>(-((-(int64_t(rect.y) + rect.height)) >> kTileShift), grey.tilesY());
  const int32_t period = 2 * cellSize_;
  uint8_t* buffer = ink.rowBuffer();
  for (int64_t ty = ty0; ty < ty1; ++ty) {
    for (int64_t tx = tx0; tx < tx1; ++tx) {
      const Image8* tile = grey.tile(int32_t(tx), int32_t(ty));
      if (tile == nullptr) {
        ink.freeTile(int32_t(tx), int32_t(ty));
        continue;
      }
      const int32_t x0 = int32_t(tx) * kTileSize, y0 = int32_t(ty) * kTileSize;
      const int32_t cols = int32_t(std::min<int64_t>(kTileSize, int64_t(grey.width()) - x0));
      const int32_t rows = int32_t(std::min<int64_t>(kTileSize, int64_t(grey.height()) - y0));
      uint8_t* slice = buffer + size_t(tx) * TiledImage1::kTileRowBytes;
      for (int32_t ly = 0; ly < rows; ++ly) {
        const int32_t y = y0 + ly;
        const int32_t toneY = y % period;
        const uint8_t* values = tile->rowAddress(ly);
        std::memset(slice, 0, TiledImage1::kTileRowBytes);
        int32_t toneX = x0 % period;
        for (int32_t lx = 0; lx < cols; ++lx) {
          if (tones_[values[lx]].getPixel(toneX, toneY)) slice[lx >> 3] = uint8_t(slice[lx >> 3] | (1u << (lx & 7)));
          if (++toneX == period) toneX = 0;
        }
        // Length 63 keeps the row protocol to this one tile column.
        ink.writeRow(buffer, x0, y, kTileSize - 1);
      }
    }
  }
  return true;
}

}  // namespace kanvo
