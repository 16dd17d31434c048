#include "raster/tiled/TiledResample.h"

#include <cstring>
#include <new>
#include <vector>

#include "raster/tiled/TiledCopy.h"

namespace kanvo {

template <int Bpp>
bool resampleNearest(const TiledImage<Bpp>& src, TiledImage<Bpp>& dst) {
  using Traits = TileTraits<Bpp>;
  if (static_cast<const void*>(&src) == static_cast<const void*>(&dst)) return false;
  dst.clear();
  const int64_t srcW = src.width(), srcH = src.height();
  const int64_t dstW = dst.width(), dstH = dst.height();
  if (srcW == 0 || srcH == 0 || dstW == 0 || dstH == 0 || src.presentTileCount() == 0) return true;
  const int64_t stepX = resampleStep16(srcW, dstW), stepY = resampleStep16(srcH, dstH);

  std::vector<int32_t> column;
  try {
    column.resize(size_t(dstW));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int64_t x = 0; x < dstW; ++x) column[size_t(x)] = int32_t((x * stepX) >> 16);

  uint8_t* from = src.rowBuffer();
  uint8_t* to = dst.rowBuffer();
  std::memset(to, 0, dst.rowBufferBytes());
  int64_t builtFrom = -1;  // the source row the destination buffer holds
  bool complete = true;
  for (int64_t y = 0; y < dstH; ++y) {
    const int32_t sy = int32_t((y * stepY) >> 16);
    if (!src.rowHasTiles(0, sy, int32_t(srcW))) continue;
    if (sy != builtFrom) {
      src.readRow(from, 0, sy, int32_t(srcW));
      for (int64_t x = 0; x < dstW; ++x) Traits::set(to, int32_t(x), Traits::get(from, column[size_t(x)]));
      builtFrom = sy;
    }
    if (!writeRowChecked(dst, to, 0, int32_t(y), int32_t(dstW))) complete = false;
  }
  return complete;
}

template bool resampleNearest<32>(const TiledImage<32>&, TiledImage<32>&);
template bool resampleNearest<8>(const TiledImage<8>&, TiledImage<8>&);
template bool resampleNearest<1>(const TiledImage<1>&, TiledImage<1>&);

}  // namespace kanvo
