#pragma once
// Export of a picture as netpbm files, the forms kanvo-cli writes for pipelines and tests:
//   PAM: "P7\nWIDTH w\nHEIGHT h\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", then per
//        pixel red, green, blue, alpha (straight alpha, as Color32 holds it);
//   PPM: "P6\nw h\n255\n", then per pixel red, green, blue; alpha is dropped, so the caller
//        passes a picture already flattened onto its background (the composite over white).
// Rows go from top to bottom. Both write through AtomicFile: an existing file of that name is
// replaced only by a complete new one.
//
// The pixels come either from one block (width x height Color32 values, rows of strideInPixels
// values, the block owned by the caller) or from a row source called once for each row
// y = 0 .. height - 1 in order, which returns that row's width pixels (valid until the next call)
// or null to give up; a flattened document can so produce its bands on demand.
// width and height must be 1 or more; anything else is refused before a file is touched.
#include <cstdint>
#include <functional>
#include <string>

#include "formats/Status.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

using NetpbmRowSource = std::function<const Color32*(int32_t y)>;

Status writePam(const std::string& path, int32_t width, int32_t height, const NetpbmRowSource& rows);
Status writePam(const std::string& path, const Color32* pixels, int32_t width, int32_t height,
                int32_t strideInPixels);
Status writePpm(const std::string& path, int32_t width, int32_t height, const NetpbmRowSource& rows);
Status writePpm(const std::string& path, const Color32* pixels, int32_t width, int32_t height,
                int32_t strideInPixels);

// The exact headers, for callers that stream the bytes elsewhere.
std::string pamHeader(int32_t width, int32_t height);
std::string ppmHeader(int32_t width, int32_t height);

}  // namespace kanvo
