#include "platform/qt/QtImageLoader.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "document/Document.h"

namespace kanvo {

namespace {

// Qt refuses pictures above its allocation limit (256 MB by default); the largest canvas
// needs about 4 GB at 4 bytes a pixel.
constexpr int kAllocationLimitMb = 4100;

std::string describe(const std::string& path, const QString& why) {
  return "cannot read '" + path + "': " + why.toStdString();
}

uint32_t littleEndian32(const QByteArray& b, int at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

// For each colour byte as Qt gives it (blue, green, red), the value widened to the full range.
// Qt widens the 5 and 6-bit fields of 16-bit BMPs by shifting alone (31 becomes 248, so white
// turns grey-green); the field is recovered from the top bits and its bits repeated down the
// byte, so that its largest value is 255, as other readers do. Null when the file is not a 16-bit BMP.
std::optional<std::array<std::array<uint8_t, 256>, 3>> sixteenBitWidening(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(66);
  if (head.size() < 54 || head[0] != 'B' || head[1] != 'M' || littleEndian32(head, 14) < 40) return std::nullopt;
  if ((uint8_t(head[28]) | uint8_t(head[29]) << 8) != 16) return std::nullopt;
  uint32_t masks[3] = {0x001F, 0x03E0, 0x7C00};  // blue, green, red of the plain 5-5-5 form
  if (littleEndian32(head, 30) == 3) {           // bit fields: red, green, blue masks follow
    if (head.size() < 66) return std::nullopt;
    masks[2] = littleEndian32(head, 54);
    masks[1] = littleEndian32(head, 58);
    masks[0] = littleEndian32(head, 62);
  }
  std::array<std::array<uint8_t, 256>, 3> tables{};
  for (int c = 0; c < 3; ++c) {
    const int bits = std::popcount(masks[c]);
    for (int v = 0; v < 256; ++v) {
      if (bits <= 0 || bits >= 8) {
        tables[size_t(c)][size_t(v)] = uint8_t(v);
        continue;
      }
      // The field's bits repeated down the byte: 5 bits abcde give abcdeabc.
      const int field = v >> (8 - bits);
      int widened = 0;
      for (int shift = 8 - bits; shift > -bits; shift -= bits)
        widened |= shift >= 0 ? field << shift : field >> -shift;
      tables[size_t(c)][size_t(v)] = uint8_t(widened);
    }
  }
  return tables;
}

}  // namespace

Status QtImageLoader::read(const std::string& path, Image32& image, bool keepAlpha) const {
  QImageReader reader(QString::fromStdString(path));
  reader.setAllocationLimit(kAllocationLimitMb);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > Document::kMaxSide || size.height() > Document::kMaxSide))
    return Status::failed("cannot read '" + path + "': the picture is " + std::to_string(size.width()) + " x " +
                          std::to_string(size.height()) + " pixels; a canvas is at most " +
                          std::to_string(Document::kMaxSide) + " x " + std::to_string(Document::kMaxSide));
  QImage picture;
  if (!reader.read(&picture) || picture.isNull()) return Status::failed(describe(path, reader.errorString()));

  // Straight-alpha ARGB32 words are Color32 values; premultiplied or other forms are converted
  // first (a BMP never gives a premultiplied picture, so stored colour bytes stay as they are;
  // 16-bit and indexed PNG pictures arrive straight too).
  if (picture.format() != QImage::Format_ARGB32 && picture.format() != QImage::Format_RGB32)
    picture = picture.convertToFormat(QImage::Format_ARGB32);
  if (picture.isNull()) return Status::failed(describe(path, "not enough memory to convert the picture"));

  const int32_t width = picture.width();
  const int32_t height = picture.height();
  if (width > Document::kMaxSide || height > Document::kMaxSide)
    return Status::failed("cannot read '" + path + "': the picture is larger than the largest canvas");
  if (!image.resizeBuffer(width, height))
    return Status::failed("cannot read '" + path + "': not enough memory for a " + std::to_string(width) + " x " +
                          std::to_string(height) + " picture (" +
                          std::to_string(int64_t(width) * height * 4 / 1024 / 1024) + " MB)");
  for (int32_t y = 0; y < height; ++y) {
    const auto* source = reinterpret_cast<const uint32_t*>(picture.constScanLine(y));
    Color32* target = image.pixelAddress(0, y);
    const uint32_t opaque = keepAlpha && picture.hasAlphaChannel() ? 0u : 0xFF000000u;
    for (int32_t x = 0; x < width; ++x) target[x] = source[x] | opaque;
  }
  if (keepAlpha) return Status::ok();
  if (const auto widen = sixteenBitWidening(path)) {
    for (int32_t y = 0; y < height; ++y) {
      Color32* row = image.pixelAddress(0, y);
      for (int32_t x = 0; x < width; ++x) {
        const Color32 c = row[x];
        row[x] = rgba((*widen)[2][size_t(redOf(c))], (*widen)[1][size_t(greenOf(c))], (*widen)[0][size_t(blueOf(c))]);
      }
    }
  }
  return Status::ok();
}

}  // namespace kanvo
