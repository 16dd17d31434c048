#include "formats/bmp/BmpWriter.h"

#include <vector>

#include "formats/FileStream.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

Status writeBmp(const Image32& image, const std::string& path, PercentCallback progress, const Clock* clock) {
  const int32_t w = image.width(), h = image.height();
  if (w < 1 || h < 1 || !image.pixelAddress(0, 0))
    return Status::failed("cannot write '" + path + "': the image has no pixels");
  const uint64_t stride = (uint64_t(w) * 3 + 3) / 4 * 4;
  const uint64_t imageSize = stride * uint64_t(h);
  if (imageSize + 54 > 0xFFFFFFFFu) return Status::failed("cannot write '" + path + "': the image is too large for BMP");
  FileStream out;
  Status opened = out.openWrite(path);
  if (!opened.isOk()) return opened;
  bool ok = out.write("BM", 2) && out.writeU32LE(uint32_t(imageSize + 54)) && out.writeU32LE(0) &&
            out.writeU32LE(54) && out.writeU32LE(40) && out.writeU32LE(uint32_t(w)) && out.writeU32LE(uint32_t(h)) &&
            out.writeU16LE(1) && out.writeU16LE(24) && out.writeU32LE(0) && out.writeU32LE(uint32_t(imageSize));
  for (int k = 0; ok && k < 4; ++k) ok = out.writeU32LE(0);
  ProgressThrottle throttle(std::move(progress), clock);
  std::vector<uint8_t> row(size_t(stride), 0);
  for (int32_t fileRow = 0; ok && fileRow < h; ++fileRow) {
    const Color32* p = image.pixelAddress(0, h - 1 - fileRow);
    for (int32_t x = 0; x < w; ++x) {
      Color32 white = kOpaqueWhite;
      blendRgbByAlpha(white, p[x], 255);
      row[size_t(x) * 3] = uint8_t(white);
      row[size_t(x) * 3 + 1] = uint8_t(white >> 8);
      row[size_t(x) * 3 + 2] = uint8_t(white >> 16);
    }
    ok = out.write(row.data(), row.size());
    throttle.row(fileRow, h);
  }
  return out.commit();
}

}  // namespace kanvo
