#include "formats/png/PngWriter.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <string>

#include "formats/AtomicFile.h"
#include "formats/CompositeRows.h"

namespace kanvo {

namespace {

// What the libpng callbacks reach; plain data, since libpng leaves its error path by longjmp.
struct PngSink {
  AtomicFile* file = nullptr;
  char error[200] = {};
};

void onWrite(png_structp png, png_bytep data, size_t n) {
  // A failed write is kept by the file and reported by its commit.
  static_cast<PngSink*>(png_get_io_ptr(png))->file->write(data, n);
}

void onFlush(png_structp) {}

void onError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  std::snprintf(sink->error, sizeof sink->error, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

uint32_t pixelsPerMetre(int32_t dotsPerInch) {
  const double ppm = std::round(double(dotsPerInch) / 0.0254);
  return ppm >= 1.0 && ppm <= double(PNG_UINT_31_MAX) ? uint32_t(ppm) : 0;
}

// Runs libpng over the rows; false with sink.error set when libpng gave up. Nothing here may
// own memory across a png call: a longjmp would skip its release.
bool encode(png_structp png, png_infop info, PngSink& sink, const Document& document, CompositeRows& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &sink, onWrite, onFlush);
  png_set_IHDR(png, info, png_uint_32(document.width()), png_uint_32(document.height()), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (const uint32_t ppm = pixelsPerMetre(document.resolution))
    png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_set_bgr(png);  // Color32 keeps blue, green, red, alpha in memory
  for (int32_t y = 0; y < document.height(); ++y) {
    const Color32* row = rows.row(y);
    if (row == nullptr) png_error(png, "not enough memory to composite the picture");
    png_write_row(png, reinterpret_cast<png_const_bytep>(row));
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

Status writePngDocument(const Document& document, const std::string& path, Progress* progress) {
  CompositeRows rows(document, exportCompositeOptions(0), progress);
  if (!rows.ready()) return Status::failed("cannot write '" + path + "': not enough memory to composite the picture");
  AtomicFile file;
  Status s = file.begin(path);
  if (!s.isOk()) return s;
  PngSink sink;
  sink.file = &file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    file.abandon();
    return Status::failed("cannot write '" + path + "': not enough memory for the PNG encoder");
  }
  const bool encoded = encode(png, info, sink, document, rows);
  png_destroy_write_struct(&png, &info);
  if (!encoded && !file.hasFailed()) {
    file.abandon();
    return Status::failed("cannot write '" + path + "': " + sink.error);
  }
  return file.commit();
}

}  // namespace kanvo
