#include "formats/jpeg/JpegUpsample.h"

#include <algorithm>

#include "formats/jpeg/JpegSimd.h"

namespace kanvo::jpeg {

AxisTaps axisTaps(int outputLength, int inputLength, int ratio) {
  AxisTaps t;
  t.ratio = ratio;
  t.first.resize(size_t(outputLength));
  t.second.resize(size_t(outputLength));
  t.firstWeight.resize(size_t(outputLength));
  const int span = 2 * ratio;
  for (int i = 0; i < outputLength; ++i) {
    const int n = 2 * i + 1 - ratio;                     // position, in 1/span of a sample
    const int s = n >= 0 ? n / span : -((-n + span - 1) / span);  // floor
    const int f = n - s * span;
    t.first[size_t(i)] = std::clamp(s, 0, inputLength - 1);
    t.second[size_t(i)] = std::clamp(s + 1, 0, inputLength - 1);
    t.firstWeight[size_t(i)] = span - f;
  }
  return t;
}

KANVO_VECTOR_CLONES void mixRows(const int32_t* a, const int32_t* b, int wa, int ratio, int n, int32_t* out) {
  const int wb = 2 * ratio - wa;
  for (int x = 0; x < n; ++x) out[x] = wa * std::clamp(a[x], -128, 127) + wb * std::clamp(b[x], -128, 127);
}

void mixColumns(const int32_t* mixed, const AxisTaps& taps, int rv, int n, int32_t* out) {
  const int span = 2 * taps.ratio;
  const int32_t total = span * 2 * rv;
  // Sums lie within -128 * total .. 127 * total: lifted to be non-negative, they divide
  // truncating, which is then the floor.
  const int32_t lift = 128 * total + total / 2;
  const int* first = taps.first.data();
  const int* second = taps.second.data();
  const int* weight = taps.firstWeight.data();
  for (int i = 0; i < n; ++i) {
    const int32_t sum = mixed[first[i]] * weight[i] + mixed[second[i]] * (span - weight[i]);
    out[i] = (sum + lift) / total - 128;
  }
}

}  // namespace kanvo::jpeg
