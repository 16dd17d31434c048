#include "formats/NetpbmWriter.h"

#include <cstddef>
#include <new>
#include <vector>

#include "formats/AtomicFile.h"

namespace kanvo {

namespace {

Status writeNetpbm(const std::string& path, int32_t width, int32_t height, const NetpbmRowSource& rows,
                   bool withAlpha) {
  if (width < 1 || height < 1)
    return Status::failed("cannot write '" + path + "': the picture is empty (" + std::to_string(width) + " x " +
                          std::to_string(height) + ")");
  if (!rows) return Status::failed("cannot write '" + path + "': no pixels were given");
  const size_t channels = withAlpha ? 4 : 3;
  std::vector<uint8_t> line;
  try {
    line.resize(size_t(width) * channels);
  } catch (const std::bad_alloc&) {
    return Status::failed("cannot write '" + path + "': not enough memory");
  }

  AtomicFile out;
  Status s = out.begin(path);
  if (!s.isOk()) return s;
  std::string header = withAlpha ? pamHeader(width, height) : ppmHeader(width, height);
  out.write(header.data(), header.size());
  for (int32_t y = 0; y < height && !out.hasFailed(); ++y) {
    const Color32* row = rows(y);
    if (!row) {
      out.abandon();
      return Status::failed("cannot write '" + path + "': the picture could not be produced (row " +
                            std::to_string(y) + ")");
    }
    uint8_t* d = line.data();
    for (int32_t x = 0; x < width; ++x, d += channels) {
      Color32 c = row[x];
      d[0] = uint8_t(redOf(c));
      d[1] = uint8_t(greenOf(c));
      d[2] = uint8_t(blueOf(c));
      if (withAlpha) d[3] = uint8_t(alphaOf(c));
    }
    out.write(line.data(), line.size());
  }
  return out.commit();
}

NetpbmRowSource blockRows(const Color32* pixels, int32_t strideInPixels) {
  if (!pixels) return {};
  return [pixels, strideInPixels](int32_t y) { return pixels + ptrdiff_t(y) * strideInPixels; };
}

}  // namespace

std::string pamHeader(int32_t width, int32_t height) {
  return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
}

std::string ppmHeader(int32_t width, int32_t height) {
  return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
}

Status writePam(const std::string& path, int32_t width, int32_t height, const NetpbmRowSource& rows) {
  return writeNetpbm(path, width, height, rows, true);
}

Status writePpm(const std::string& path, int32_t width, int32_t height, const NetpbmRowSource& rows) {
  return writeNetpbm(path, width, height, rows, false);
}

Status writePam(const std::string& path, const Color32* pixels, int32_t width, int32_t height,
                int32_t strideInPixels) {
  if (strideInPixels < width) return Status::failed("cannot write '" + path + "': rows overlap (stride below width)");
  return writeNetpbm(path, width, height, blockRows(pixels, strideInPixels), true);
}

Status writePpm(const std::string& path, const Color32* pixels, int32_t width, int32_t height,
                int32_t strideInPixels) {
  if (strideInPixels < width) return Status::failed("cannot write '" + path + "': rows overlap (stride below width)");
  return writeNetpbm(path, width, height, blockRows(pixels, strideInPixels), false);
}

}  // namespace kanvo
