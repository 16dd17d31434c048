#include "platform/qt/QtImageLoader.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstring>

#include "document/Document.h"

namespace kanvo {

namespace {

// Qt refuses pictures above its allocation limit (256 MB by default); the largest canvas
// needs about 4 GB at 4 bytes a pixel.
constexpr int kAllocationLimitMb = 4100;

std::string describe(const std::string& path, const QString& why) {
  return "cannot read '" + path + "': " + why.toStdString();
}

}  // namespace

Status QtImageLoader::load(const std::string& path, Image32& image) const {
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
  // first (a BMP never gives a premultiplied picture, so stored colour bytes stay as they are).
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
    for (int32_t x = 0; x < width; ++x) target[x] = source[x] | 0xFF000000u;
  }
  return Status::ok();
}

}  // namespace kanvo
