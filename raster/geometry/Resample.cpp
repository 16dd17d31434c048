#include "raster/geometry/Resample.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "raster/parallel/WorkerPool.h"
#include "raster/pixel/FixedPoint.h"

namespace kanvo {

namespace {

// The source extent of destination index d along one axis with step R (16.16): whole source
// indices s0..s1 and the fractions of the two ends.
struct AxisSpan {
  int64_t s0, s1;
  int f0, f1;
};

AxisSpan axisSpan(int64_t d, int64_t R) {
  int64_t a = d * R, b = (d + 1) * R;
  return {a >> 16, b >> 16, int((a >> 8) & 255), int((b >> 8) & 255)};
}

// 255, reduced to 255 - f0 at the first index and replaced by w + f1 - 255 at the last.
int edgeWeight(const AxisSpan& s, int64_t i) {
  int w = 255;
  if (i == s.s0) w = 255 - s.f0;
  if (i == s.s1) w = w + s.f1 - 255;
  return w;
}

// Pixel (x, y) of the source, 0 outside; coordinates may be any 64-bit value.
inline Color32 pixelOrZero(const Image32& src, int64_t x, int64_t y) {
  if (uint64_t(x) >= uint64_t(src.width()) || uint64_t(y) >= uint64_t(src.height())) return 0;
  return src.getPixel(int32_t(x), int32_t(y));
}

struct Sums {
  uint64_t A = 0, W = 0, c[3] = {0, 0, 0};
  void whole(Color32 p) {
    uint64_t a = uint64_t(alphaOf(p));
    A += a;
    for (int i = 0; i < 3; ++i) c[i] += uint64_t(byteOf(p, i)) * a;
    W += 255;
  }
  void partial(Color32 p, int w) {
    uint64_t q = uint64_t(alphaOf(p) * (w / 255) / 255);
    A += q;
    for (int i = 0; i < 3; ++i) c[i] += uint64_t(byteOf(p, i)) * q;
    W += uint64_t(w / 255);
  }
  Color32 result() const {
    if (A == 0) return 0;
    if ((A | c[0] | c[1] | c[2] | W | (A * 255)) >> 32 == 0) {  // the same quotients in 32 bits
      const uint32_t a = uint32_t(A);
      return makeColor(int(uint32_t(c[0]) / a), int(uint32_t(c[1]) / a), int(uint32_t(c[2]) / a),
                       int(uint32_t(A * 255) / uint32_t(W)));
    }
    return makeColor(int(c[0] / A), int(c[1] / A), int(c[2] / A), int(A * 255 / W));
  }
};

// Box average over the block xs x ys. Pixels in the block's first or last column or row count
// with their edge weights; the others whole. Positions outside the source read as 0.
Color32 boxPixel(const Image32& src, const AxisSpan& xs, const AxisSpan& ys) {
  Sums s;
  for (int64_t sy = ys.s0; sy <= ys.s1; ++sy) {
    const bool edgeRow = sy == ys.s0 || sy == ys.s1;
    const int wy = edgeWeight(ys, sy);
    const Color32* row = uint64_t(sy) < uint64_t(src.height()) ? src.pixelAddress(0, int32_t(sy)) : nullptr;
    auto at = [&](int64_t sx) -> Color32 {
      return row && uint64_t(sx) < uint64_t(src.width()) ? row[sx] : 0;
    };
    if (edgeRow || xs.s0 == xs.s1) {
      for (int64_t sx = xs.s0; sx <= xs.s1; ++sx) s.partial(at(sx), edgeWeight(xs, sx) * wy);
      continue;
    }
    s.partial(at(xs.s0), edgeWeight(xs, xs.s0) * wy);
    int64_t inner0 = xs.s0 + 1, inner1 = xs.s1 - 1;
    if (row && inner1 < src.width()) {
      for (int64_t sx = inner0; sx <= inner1; ++sx) s.whole(row[sx]);
    } else {
      for (int64_t sx = inner0; sx <= inner1; ++sx) s.whole(at(sx));
    }
    s.partial(at(xs.s1), edgeWeight(xs, xs.s1) * wy);
  }
  return s.result();
}

// Box averages of one destination row for reductions of at least 2 in both directions, with
// the same contributions as boxPixel summed in another order (integer sums, so the result is
// identical). Every block is then at least three columns and rows wide. Inner columns belong to
// one block only, and a pixel of an inner column counts with a weight of its row alone (255
// inside, 255 - f0 in the first row, f1 in the last), so the whole rows of a block's row span
// are first summed per source column, once for all blocks of the row. An edge column is the
// last of one block and the first of the next; its pixels are weighed one by one.
class BoxReducer {
 public:
  BoxReducer(const Image32& src, const std::vector<AxisSpan>& columns) : src_(src), columns_(columns) {
    first_ = columns.front().s0;
    last_ = std::min<int64_t>(columns.back().s1, src.width() - 1);
    size_t n = size_t(last_ - first_ + 1);
    a_.assign(n, 0);
    for (auto& c : c_) c.assign(n, 0);
  }

  // Usable when the column sums, and each colour's edge-column sum, fit 32 bits.
  static bool suits(int64_t RX, int64_t RY) {
    return RX >= 2 * 65536 && RY >= 2 * 65536 && (RY >> 16) < 30000;
  }

  void row(const AxisSpan& ys, Color32* out) {
    std::fill(a_.begin(), a_.end(), 0u);
    for (auto& c : c_) std::fill(c.begin(), c.end(), 0u);
    const int wyTop = 255 - ys.f0, wyBottom = ys.f1;
    for (int64_t sy = ys.s0; sy <= ys.s1; ++sy) {
      if (uint64_t(sy) >= uint64_t(src_.height())) continue;  // reads as 0
      const int wy = sy == ys.s0 ? wyTop : (sy == ys.s1 ? wyBottom : 255);
      const Color32* p = src_.pixelAddress(0, int32_t(sy)) + first_;
      const size_t n = a_.size();
      uint32_t *A = a_.data(), *B = c_[0].data(), *G = c_[1].data(), *R = c_[2].data();
      if (wy == 255) {
        for (size_t i = 0; i < n; ++i) {
          const uint32_t v = p[i], a = v >> 24;
          A[i] += a;
          B[i] += (v & 0xFF) * a;
          G[i] += ((v >> 8) & 0xFF) * a;
          R[i] += ((v >> 16) & 0xFF) * a;
        }
      } else {
        for (size_t i = 0; i < n; ++i) {
          const uint32_t v = p[i], a = (v >> 24) * uint32_t(wy) / 255;
          A[i] += a;
          B[i] += (v & 0xFF) * a;
          G[i] += ((v >> 8) & 0xFF) * a;
          R[i] += ((v >> 16) & 0xFF) * a;
        }
      }
    }
    const uint64_t rowWeight = uint64_t(ys.s1 - ys.s0 - 1) * 255 + uint64_t(wyTop) + uint64_t(wyBottom);
    rows_.clear();
    for (int64_t sy = ys.s0; sy <= ys.s1; ++sy)
      rows_.push_back(uint64_t(sy) < uint64_t(src_.height()) ? src_.pixelAddress(0, int32_t(sy)) : nullptr);
    const int64_t width = src_.width();
    for (size_t d = 0; d < columns_.size(); ++d) {
      const AxisSpan& xs = columns_[d];
      const int wf = 255 - xs.f0, wl = xs.f1;
      // The edge columns as Sums::partial weighs them; blue and red share a 64-bit sum, each in
      // 32 bits (suits keeps the rows few enough).
      uint64_t A = 0, W = 0, blueRed = 0, green = 0;
      const bool lastInside = xs.s1 < width;
      // Both edge pixels of a row, weighed wf * wy and wl * wy (k = that / 255).
      const auto edges = [&](const Color32* row, int kFirst, int kLast) {
        W += uint64_t(kFirst + kLast);
        if (row == nullptr) return;
        for (const auto& [p, k] : {std::pair{row[xs.s0], kFirst}, std::pair{lastInside ? row[xs.s1] : 0u, kLast}}) {
          const uint64_t q = uint64_t(alphaOf(p) * k / 255);
          A += q;
          blueRed += ((p & 0xFFu) | uint64_t(p & 0xFF0000u) << 16) * q;
          green += ((p >> 8) & 0xFFu) * q;
        }
      };
      edges(rows_.front(), wf * wyTop / 255, wl * wyTop / 255);
      for (size_t r = 1; r + 1 < rows_.size(); ++r) edges(rows_[r], wf, wl);  // (w * 255) / 255 = w
      edges(rows_.back(), wf * wyBottom / 255, wl * wyBottom / 255);
      Sums s;
      s.A = A;
      s.W = W;
      s.c[0] = blueRed & 0xFFFFFFFFu;
      s.c[1] = green;
      s.c[2] = blueRed >> 32;
      for (int64_t sx = xs.s0 + 1; sx < xs.s1 && sx <= last_; ++sx) {
        const size_t i = size_t(sx - first_);
        s.A += a_[i];
        for (int b = 0; b < 3; ++b) s.c[b] += c_[b][i];
      }
      s.W += rowWeight * uint64_t(xs.s1 - xs.s0 - 1);
      out[d] = s.result();
    }
  }

 private:
  const Image32& src_;
  const std::vector<AxisSpan>& columns_;
  int64_t first_ = 0, last_ = 0;
  std::vector<uint32_t> a_, c_[3];
  std::vector<const Color32*> rows_;  // the source rows of the row span, null outside
};

Color32 sixSamplePixel(const Image32& src, int64_t bx, int64_t by, int64_t RX3, int64_t RY2) {
  uint64_t A = 0, c[3] = {0, 0, 0};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 3; ++i) {
      Color32 p = pixelOrZero(src, bx + ((i * RX3) >> 16), by + ((j * RY2) >> 16));
      uint64_t a = uint64_t(alphaOf(p));
      A += a;
      for (int b = 0; b < 3; ++b) c[b] += uint64_t(byteOf(p, b)) * a;
    }
  if (A == 0) return 0;
  return makeColor(int(c[0] / A), int(c[1] / A), int(c[2] / A), int(A * 255 / 1530));
}

}  // namespace

bool resample(Image32& dst, const Image32& src, int32_t x, int32_t y, int32_t width, int32_t height, int32_t mode,
              ResampleProgress* progress) {
  const int32_t dw = dst.width(), dh = dst.height();
  if (!dst.hasPixels() || !src.hasPixels() || dw <= 0 || dh <= 0) return true;
  const double rx = double(src.width()) / dw, ry = double(src.height()) / dh;
  const int64_t RX = saturateToInt64(rx * 65536), RY = saturateToInt64(ry * 65536);

  int64_t left = x, top = y, w = width, h = height;
  if (left < 0) w += left, left = 0;
  if (top < 0) h += top, top = 0;
  if (left + w > dw) w = dw - left;
  if (top + h > dh) h = dh - top;
  if (w <= 0 || h <= 0) return true;

  if (rx <= 0.5 || ry <= 0.5) mode = kResampleNearest;
  if (mode != kResampleNearest && mode != kResampleBox && mode != kResampleSixSample) return true;

  std::vector<AxisSpan> columns;
  if (mode == kResampleBox) {
    columns.resize(size_t(w));
    for (int64_t i = 0; i < w; ++i) columns[size_t(i)] = axisSpan(left + i, RX);
  }
  const int64_t RX3 = saturateToInt64(rx * 65536 / 3), RY2 = saturateToInt64(ry * 32768);
  const auto computeRow = [&](int64_t r, std::optional<BoxReducer>& reducer) {
    const int64_t dy = top + r;
    Color32* out = dst.pixelAddress(int32_t(left), int32_t(dy));
    switch (mode) {
      case kResampleNearest: {
        const int64_t sy = (dy * RY) >> 16;
        for (int64_t i = 0; i < w; ++i) out[i] = pixelOrZero(src, ((left + i) * RX) >> 16, sy);
        break;
      }
      case kResampleBox: {
        const AxisSpan ys = axisSpan(dy, RY);
        if (reducer) {
          reducer->row(ys, out);
        } else {
          for (int64_t i = 0; i < w; ++i) out[i] = boxPixel(src, columns[size_t(i)], ys);
        }
        break;
      }
      default: {
        const int64_t by = (dy * RY) >> 16;
        for (int64_t i = 0; i < w; ++i) out[i] = sixSamplePixel(src, ((left + i) * RX) >> 16, by, RX3, RY2);
        break;
      }
    }
  };

  // Bands of rows on the worker pool, as many at once as there are threads, each thread with a
  // reducer of its own; progress is told in row order after each round.
  constexpr int64_t kBandRows = 16;
  const int64_t bands = (h + kBandRows - 1) / kBandRows;
  std::vector<std::optional<BoxReducer>> reducers(size_t(std::min<int64_t>(parallel::threadCount(), bands)));
  if (mode == kResampleBox && BoxReducer::suits(RX, RY))
    for (std::optional<BoxReducer>& reducer : reducers) reducer.emplace(src, columns);
  for (int64_t first = 0; first < bands; first += int64_t(reducers.size())) {
    const int64_t count = std::min<int64_t>(int64_t(reducers.size()), bands - first);
    parallel::parallelFor(size_t(count), [&](size_t k) {
      const int64_t r0 = (first + int64_t(k)) * kBandRows;
      for (int64_t r = r0; r < std::min(h, r0 + kBandRows); ++r) computeRow(r, reducers[k]);
    });
    if (progress)
      for (int64_t r = first * kBandRows; r < std::min(h, (first + count) * kBandRows); ++r)
        progress->rowDone(int32_t(r), int32_t(h));
  }
  return true;
}

bool resampleWhole(Image32& dst, const Image32& src, int32_t mode, ResampleProgress* progress) {
  return resample(dst, src, 0, 0, dst.width(), dst.height(), mode, progress);
}

}  // namespace kanvo
