#include "formats/jpeg/JpegImage.h"

#include <string>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "formats/jpeg/JpegOrientation.h"

namespace kanvo {

Status decodeJpegImage(std::span<const uint8_t> bytes, Image32& image, int64_t maxPixels) {
  JpegDecoder decoder;
  Status s = decoder.setSource(bytes);
  if (!s.isOk()) return s;
  const int w = decoder.width(), h = decoder.height();
  s = checkJpegAllocation(decoder, maxPixels);
  if (!s.isOk()) return s;
  if (!image.resizeBuffer(w, h) || image.width() != w || image.height() != h)
    return Status::failed("not enough memory for a " + std::to_string(w) + " x " + std::to_string(h) + " picture");
  // Rows of an Image32 are packed: width x 4 bytes each.
  s = decoder.decode(std::span<Color32>(reinterpret_cast<Color32*>(image.bits()), size_t(w) * size_t(h)));
  if (s.isFailed()) return s;
  if (!jpeg::orientImage(image, decoder.header().orientation))
    return Status::failed("not enough memory to turn a " + std::to_string(w) + " x " + std::to_string(h) + " picture");
  return s;
}

std::string jpegReportKeys(std::span<const uint8_t> bytes) {
  jpeg::JpegHeader header;
  if (!jpeg::parseJpegHeader(bytes, header).isOk()) return "";
  return ", \"orientation\": " + std::to_string(header.orientation) +
         ", \"progressive\": " + (header.progressive ? "true" : "false");
}

Status encodeJpegImage(const Image32& image, int quality, std::vector<uint8_t>& out) {
  if (!image.hasPixels()) return Status::failed("no picture to save as JPEG");
  JpegEncoder encoder;
  if (!encoder.setQuality(quality)) return Status::failed("JPEG quality must be 1 to 100");
  const size_t count = size_t(image.width()) * size_t(image.height());
  Status s = encoder.encode(std::span<const Color32>(reinterpret_cast<const Color32*>(image.bits()), count),
                            image.width(), image.height());
  if (!s.isOk()) return s;
  out = encoder.takeData();
  return s;
}

}  // namespace kanvo
