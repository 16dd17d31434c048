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

void mixColumnsPlain(const int32_t* mixed, const AxisTaps& taps, int rv, int n, int32_t* out) {
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

namespace {

// Ratio 2: output 2k mixes inputs k - 1 and k as 1 : 3, output 2k + 1 inputs k and k + 1 as
// 3 : 1, the inputs' ends repeated; n is 2 * length or one less.
template <int RV>
[[gnu::always_inline]] inline void doubleColumns(const int32_t* m, int length, int n, int32_t* out) {
  // The lifted sums are non-negative: dividing by the total is a shift.
  constexpr int32_t kTotal = 8 * RV, kLift = 128 * kTotal + kTotal / 2, kShift = RV == 1 ? 3 : 4;
  auto put = [&](int i, int32_t sum) { out[i] = ((sum + kLift) >> kShift) - 128; };
  const int last = length - 1;
  if (length == 1) {
    put(0, 4 * m[0]);
    if (n > 1) put(1, 4 * m[0]);
    return;
  }
  put(0, 4 * m[0]);
  put(1, 3 * m[0] + m[1]);
  for (int k = 1; k < last; ++k) {
    const int32_t c = 3 * m[k];
    out[2 * k] = ((c + m[k - 1] + kLift) >> kShift) - 128;
    out[2 * k + 1] = ((c + m[k + 1] + kLift) >> kShift) - 128;
  }
  put(2 * last, 3 * m[last] + m[last - 1]);
  if (n > 2 * last + 1) put(2 * last + 1, 4 * m[last]);
}

}  // namespace

KANVO_VECTOR_CLONES void mixColumns(const int32_t* mixed, const AxisTaps& taps, int rv, int inputLength, int n,
                                    int32_t* out) {
  if (taps.ratio == 2 && rv == 1) return doubleColumns<1>(mixed, inputLength, n, out);
  if (taps.ratio == 2 && rv == 2) return doubleColumns<2>(mixed, inputLength, n, out);
  mixColumnsPlain(mixed, taps, rv, n, out);
}

}  // namespace kanvo::jpeg
