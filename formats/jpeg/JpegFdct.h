#pragma once
// The forward transform of the baseline encoder: a separable 8 x 8 DCT in fixed point with the
// inverse's constants (9 fractional bits, every product shifted right by 9). The column pass
// takes the samples multiplied by 4, the row pass takes the column results halved (arithmetic
// shift), and the results are divided by 8, rounding halves away from zero.
//
// Input: 8 x 8 centred samples (-128..127), rows `stride` apart. Output: 64 coefficients in
// natural order.
#include <cstddef>
#include <cstdint>

namespace kanvo::jpeg {

void forwardDct(const int32_t* samples, ptrdiff_t stride, int32_t* coefficients);

// The transform and the quantisation of JpegQuantise.h in one pass: quantiseBlock of
// forwardDct's coefficients, with its mask of the non-zero ones.
uint64_t forwardDctQuantised(const int32_t* samples, ptrdiff_t stride, const int32_t* reciprocals, int32_t* out);

// One plain 8-point routine applied to columns then rows (rows 8 apart): the reference.
void forwardDctPlain(const int32_t* samples, int32_t* coefficients);

}  // namespace kanvo::jpeg
