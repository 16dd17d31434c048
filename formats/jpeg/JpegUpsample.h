#pragma once
// Enlargement of a subsampled component to the picture's resolution, with centred samples: a
// component sample stands for the middle of the r x r' pixels it covers (JFIF's siting), so
// output pixel i of an axis enlarged r times lies at input position (2i + 1 - r) / 2r. Each
// output sample mixes the two input samples around that position linearly (weights out of 2r),
// rows and columns alike; positions outside the component's real samples take its edge sample.
// For r = 2 this is the triangle filter: 3/4 of the nearer and 1/4 of the farther sample.
//
// The inputs are 8-bit samples, centred: each is held within -128..127 before mixing. The two
// passes keep their sums whole; the final sum is divided by its total weight (2r x 2r') and
// rounded, halves upward.
#include <cstdint>
#include <vector>

namespace kanvo::jpeg {

// The taps of one axis: for output position i, input positions first[i] and second[i] (within
// 0 .. inputLength - 1) and the weight of the first out of 2 * ratio.
struct AxisTaps {
  int ratio = 1;
  std::vector<int> first, second, firstWeight;
};
AxisTaps axisTaps(int outputLength, int inputLength, int ratio);

// The vertical pass: out[x] = wa * a[x] + (2 * ratio - wa) * b[x] over n samples, each input
// held within -128..127.
void mixRows(const int32_t* a, const int32_t* b, int wa, int ratio, int n, int32_t* out);

// The horizontal pass over rows from mixRows made with vertical ratio rv: n centred samples,
// each the rounded weighted sum divided by 4 * taps.ratio * rv. inputLength is the length the
// taps were made for.
void mixColumns(const int32_t* mixed, const AxisTaps& taps, int rv, int inputLength, int n, int32_t* out);

// The same through the taps alone, whatever the ratios: the reference for mixColumns, which
// takes a shorter way for a horizontal ratio of 2 with vertical ratio 1 or 2.
void mixColumnsPlain(const int32_t* mixed, const AxisTaps& taps, int rv, int n, int32_t* out);

}  // namespace kanvo::jpeg
