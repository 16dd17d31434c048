#pragma once
// The geometry every plain image buffer carries: size, bytes per row and the square-tile flags.
#include <cmath>
#include <cstdint>

namespace kanvo {

struct ImageInfo {
  int32_t width = 0;   // pixels, at least 1 in a buffer that holds pixels
  int32_t height = 0;  // rows, at least 1 in a buffer that holds pixels
  // Bytes per row: the ceiling of width x bytesPerPixel (4, 1 or 0.125) computed in double
  // precision. Rows are not padded further: a 32-bit row is width x 4 bytes, a 1-bit row
  // (width + 7) / 8 bytes.
  int32_t stride = 0;
  // 1 only when width equals height and that value has at most one bit set (64 x 64 tiles).
  uint32_t squarePowerOfTwo = 0;
  // width - 1 when width equals height, otherwise 0.
  uint32_t coordinateMask = 0;

  // The geometry of a width x height buffer. Sizes are taken as given (callers raise them to
  // at least 1); a stride beyond the 32-bit range is reported as -1.
  static ImageInfo make(int32_t width, int32_t height, double bytesPerPixel) {
    ImageInfo info;
    info.width = width;
    info.height = height;
    double stride = std::ceil(double(width) * bytesPerPixel);
    info.stride = stride > double(INT32_MAX) ? -1 : int32_t(stride);
    bool square = width == height;
    info.squarePowerOfTwo = square && (uint32_t(width) & (uint32_t(width) - 1)) == 0 ? 1 : 0;
    info.coordinateMask = square ? uint32_t(width - 1) : 0;
    return info;
  }

  // Bytes of the whole buffer, in 64 bits.
  uint64_t byteCount() const { return stride > 0 && height > 0 ? uint64_t(stride) * uint64_t(height) : 0; }

  bool operator==(const ImageInfo&) const = default;
};

}  // namespace kanvo
