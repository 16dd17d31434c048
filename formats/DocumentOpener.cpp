#include "formats/DocumentOpener.h"

#include "formats/FileBuffer.h"
#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/native/NativeReader.h"
#include "formats/psd/PsdReader.h"

namespace kanvo {

namespace {

Status readNative(Document& document, const std::string& path, const OpenServices& services) {
  return readNativeDocument(document, path, services.progress);
}

Status readPsd(Document& document, const std::string& path, const OpenServices& services) {
  return readPsdDocument(document, path, services.progress);
}

Status loadThroughPlatform(Image32& picture, const std::string& path, const OpenServices& services) {
  if (services.imageLoader == nullptr)
    return Status::failed("BMP files cannot be read here (no image loader)");
  return services.imageLoader->load(path, picture);
}

Status loadWithAlphaThroughPlatform(Image32& picture, const std::string& path, const OpenServices& services) {
  if (services.imageLoader == nullptr)
    return Status::failed("PNG files cannot be read here (no image loader)");
  return services.imageLoader->loadWithAlpha(path, picture);
}

Status readJpeg(Image32& picture, const std::string& path, const OpenServices&) {
  FileBuffer file;
  Status s = file.load(path);
  if (!s.isOk()) return s;
  return decodeJpegImage(std::span<const uint8_t>(file.data(), file.size()), picture);
}

// clang-format off
constexpr OpenFormat kFormats[] = {
    {".knvmob", "kanvo document", readNative, nullptr},
    {".psd",    "PSD",            readPsd,    nullptr},
    {".bmp",    "BMP",            nullptr,    loadThroughPlatform},
    {".jpg",    "JPEG",           nullptr,    readJpeg},
    {".jpeg",   "JPEG",           nullptr,    readJpeg},
    {".png",    "PNG",            nullptr,    loadWithAlphaThroughPlatform, true},
};
// clang-format on

}  // namespace

std::span<const OpenFormat> openFormats() {
  return kFormats;
}

const OpenFormat* findOpenFormat(std::string_view extension) {
  for (const OpenFormat& f : kFormats)
    if (f.extension == extension) return &f;
  return nullptr;
}

Status importPicture(Document& document, const Image32& picture, bool pictureOnTop) {
  if (!picture.hasPixels()) return Status::failed("the picture holds no pixels");
  if (picture.width() > Document::kMaxSide || picture.height() > Document::kMaxSide)
    return Status::failed("the picture is " + std::to_string(picture.width()) + " x " +
                          std::to_string(picture.height()) + " pixels; a canvas is at most " +
                          std::to_string(Document::kMaxSide) + " x " + std::to_string(Document::kMaxSide));
  if (document.newFromImage(picture) == nullptr)
    return Status::failed("not enough memory for a " + std::to_string(picture.width()) + " x " +
                          std::to_string(picture.height()) + " canvas");
  if (document.addLayer32() == nullptr)
    return Status::partial("not enough memory for the layer above the picture");
  if (pictureOnTop) {  // the empty layer goes below the picture and stays current
    document.swapLayers(0, 1);
    document.selectLayer(0);
  }
  return Status::ok();
}

Status openDocument(Document& document, const std::string& path, const OpenServices& services) {
  const std::string extension = lowerCaseExtension(path);
  const OpenFormat* format = findOpenFormat(extension);
  if (format == nullptr) {
    if (extension.empty()) return Status::failed("kanvo cannot tell the kind of a file without an extension");
    return Status::failed("kanvo does not open " + extension + " files");
  }
  if (!format->canOpen()) return Status::failed(std::string(format->name) + " files cannot be opened yet");
  if (format->readDocument != nullptr) return format->readDocument(document, path, services);

  Image32 picture;
  Status read = format->readPicture(picture, path, services);
  if (read.isFailed()) return read;
  Status imported = importPicture(document, picture, format->pictureOnTop);
  if (!imported.isOk()) return imported;
  return read;
}

}  // namespace kanvo
