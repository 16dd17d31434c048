#include "tools/gradient/GradientRamp.h"

#include <algorithm>
#include <array>
#include <vector>

#include "raster/dab/Dab.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {

// The ramp's colour for every t, laid on transparency: its alpha is the weight of t.
std::array<Color32, 256> rampTable(const FillSource& ramp) {
  std::array<Color32, 256> table{};
  for (int t = 0; t < 256; ++t) ramp.rampColour(table[size_t(t)], t);
  return table;
}

// The mask values of store row y from x0 on (255 each without a mask). False when the whole
// row is unselected.
bool maskRow(const RampTarget& target, int32_t x0, int32_t y, std::vector<uint8_t>& weights) {
  const size_t n = weights.size();
  if (target.mask == nullptr) {
    weights.assign(n, 255);
    return true;
  }
  weights.assign(n, 0);
  const TiledImage8& mask = *target.mask;
  const int64_t my = int64_t(y) + target.maskOffsetY;
  const int64_t mx0 = int64_t(x0) + target.maskOffsetX;
  if (my < 0 || my >= int64_t(mask.height()) || mx0 + int64_t(n) <= 0 || mx0 >= int64_t(mask.width())) return false;
  const int64_t from = std::max<int64_t>(mx0, 0), to = std::min<int64_t>(mx0 + int64_t(n), mask.width());
  uint8_t* row = mask.rowBuffer();
  if (!mask.readRow(row, int32_t(from), int32_t(my), int32_t(to - from))) return false;
  bool any = false;
  for (int64_t mx = from; mx < to; ++mx) {
    weights[size_t(mx - mx0)] = row[mx];
    any = any || row[mx] != 0;
  }
  return any;
}

// The pixel's weight: the ramp alpha scaled by the mask value.
inline int weightOf(Color32 c, int m) { return alphaOf(c) * m / 255; }

// One store row from x0 on, by depth: weights and t hold the row's mask values and parameters.
struct RampRow {
  uint8_t* row;
  int32_t x0, y;
  const std::vector<uint8_t>& weights;
  const std::vector<int32_t>& t;
  const std::array<Color32, 256>& table;
  const RampTarget& target;
};

void composeRow32(const RampRow& r, std::vector<Color32>& source) {
  const std::vector<uint8_t>& weights = r.weights;
  const size_t n = weights.size();
  source.assign(n, 0);
  for (size_t i = 0; i < n; ++i) {
    if (weights[i] == 0) continue;
    const Color32 c = r.table[size_t(r.t[i])];
    source[i] = (c & 0x00FFFFFFu) | uint32_t(weightOf(c, weights[i])) << 24;
  }
  SpanParams params;
  params.op = r.target.keepAlpha ? kOpReplaceColour : kOpOver;
  blendSpan32(params, reinterpret_cast<const uint8_t*>(source.data()), 0, r.row, r.x0, int32_t(n));
}

// The 8-bit result of the ramp on an 8-bit value.
inline bool mixLevel(uint8_t& v, int m, int t, const std::array<Color32, 256>& table, bool keepEmpty) {
  if (m == 0 || (keepEmpty && v == 0)) return false;
  const Color32 c = table[size_t(t)];
  mix8(v, byteOf(c, 0), weightOf(c, m));
  return true;
}

void composeRow8(const RampRow& r) {
  for (size_t i = 0; i < r.weights.size(); ++i)
    mixLevel(r.row[size_t(r.x0) + i], r.weights[i], r.t[i], r.table, r.target.keepAlpha);
}

void composeRow1(const RampRow& r) {
  for (size_t i = 0; i < r.weights.size(); ++i) {
    const int32_t x = r.x0 + int32_t(i);
    uint8_t& byte = r.row[x >> 3];
    const uint8_t bit = uint8_t(1u << (x & 7));
    uint8_t v = (byte & bit) ? 255 : 0;
    if (!mixLevel(v, r.weights[i], r.t[i], r.table, r.target.keepAlpha)) continue;
    byte = v >= ditherThreshold(x, r.y) ? uint8_t(byte | bit) : uint8_t(byte & ~bit);
  }
}

template <int Bpp>
bool drawRampInto(TiledImage<Bpp>& store, const FillSource& ramp, const RampTarget& target) {
  Rect r = target.rect;
  if (!clipToSize(r, int32_t(store.width()), int32_t(store.height()))) return false;
  const std::array<Color32, 256> table = rampTable(ramp);
  std::vector<uint8_t> weights(size_t(r.width));
  std::vector<int32_t> t(size_t(r.width));
  std::vector<Color32> source;
  uint8_t* row = store.rowBuffer();
  for (int32_t y = r.y; y < r.bottom(); ++y) {
    if (!maskRow(target, r.x, y, weights)) continue;
    for (int32_t i = 0; i < r.width; ++i)
      if (weights[size_t(i)] != 0) t[size_t(i)] = ramp.gradientT(r.x + i, y);
    store.readRow(row, r.x, y, r.width);
    const RampRow at{row, r.x, y, weights, t, table, target};
    if constexpr (Bpp == 32) composeRow32(at, source);
    if constexpr (Bpp == 8) composeRow8(at);
    if constexpr (Bpp == 1) composeRow1(at);
    store.writeRow(row, r.x, y, r.width);
  }
  return true;
}

}  // namespace

bool drawRamp(TiledImage32& store, const FillSource& ramp, const RampTarget& target) {
  return drawRampInto<32>(store, ramp, target);
}

bool drawRamp(TiledImage8& store, const FillSource& ramp, const RampTarget& target) {
  return drawRampInto<8>(store, ramp, target);
}

bool drawRamp(TiledImage1& store, const FillSource& ramp, const RampTarget& target) {
  return drawRampInto<1>(store, ramp, target);
}

}  // namespace kanvo
