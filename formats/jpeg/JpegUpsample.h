#pragma once
// Enlargement of a subsampled block: an 8 x 8 block of centred samples is stretched over
// (8 * ratioH) x (8 * ratioV) samples, ratios 1..4. Target column i and row j read the block at
// (i * 8 / TW, j * 8 / TH) with the remainders (i * 8 % TW, j * 8 % TH) as weights; the right
// and lower neighbours are clamped to the block. The two rows are each interpolated
// horizontally (weighted sum / TW, truncated toward zero) and then mixed vertically
// (/ TH, truncated toward zero). With both ratios 1 the block is copied as it is.
#include <cstddef>
#include <cstdint>

namespace kanvo::jpeg {

void enlargeBlock(const int32_t* block, int ratioH, int ratioV, int32_t* out, ptrdiff_t stride);

// The formula evaluated sample by sample: the reference for enlargeBlock.
void enlargeBlockPlain(const int32_t* block, int ratioH, int ratioV, int32_t* out, ptrdiff_t stride);

}  // namespace kanvo::jpeg
