#include "tools/select/SelectionMask.h"

#include <new>

#include "tools/bucket/SeedFill.h"

namespace kanvo {

bool hasSelectedPixels(TiledImage8& mask) {
  mask.dropEmptyTiles();
  return mask.presentTileCount() > 0;
}

bool boxOutline(const Rect& box, std::vector<SelectionEdge>& outline) {
  outline.clear();
  try {
    outline.reserve(2 * size_t(box.width) + 2 * size_t(box.height));
    for (int32_t x = box.x; x < box.right(); ++x) {
      outline.push_back({x, box.y, 0});
      outline.push_back({x, box.bottom(), 0});
    }
    for (int32_t y = box.y; y < box.bottom(); ++y) {
      outline.push_back({box.x, y, 1});
      outline.push_back({box.right(), y, 1});
    }
  } catch (const std::bad_alloc&) {
    outline.clear();
    return false;
  }
  return true;
}

bool markRange(const Image32& image, Color32 colour, int32_t tolerance, uint8_t value, TiledImage8& mask) {
  const int32_t width = image.width(), height = image.height();
  uint8_t* row = mask.rowBuffer();
  bool ok = true;
  for (int32_t y = 0; y < height; ++y) {
    bool any = false;
    const Color32* pixels = image.pixelAddress(0, y);
    for (int32_t x = 0; x < width && !any; ++x) any = fillDistance32(pixels[x], colour) <= tolerance;
    if (!any) continue;
    mask.readRow(row, 0, y, width);
    for (int32_t x = 0; x < width; ++x)
      if (fillDistance32(pixels[x], colour) <= tolerance) row[x] = value;
    ok = mask.writeRow(row, 0, y, width) && ok;
  }
  return ok;
}

}  // namespace kanvo
