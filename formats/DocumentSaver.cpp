#include "formats/DocumentSaver.h"

#include <cstring>
#include <vector>

#include "formats/AtomicFile.h"
#include "formats/bmp/BmpWriter.h"
#include "formats/CompositeRows.h"
#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "formats/NetpbmWriter.h"
#include "formats/native/NativeWriter.h"
#include "formats/png/PngWriter.h"
#include "formats/psd/PsdWriter.h"

namespace kanvo {

namespace {

using NetpbmWrite = Status (*)(const std::string&, int32_t, int32_t, const NetpbmRowSource&);

Status writeComposite(const Document& document, const std::string& path, const SaveOptions& options,
                      Color32 background, NetpbmWrite write) {
  CompositeRows rows(document, exportCompositeOptions(background), options.progress);
  if (!rows.ready())
    return Status::failed("cannot write '" + path + "': not enough memory to composite the picture");
  return write(path, document.width(), document.height(), [&rows](int32_t y) { return rows.row(y); });
}

Status savePam(const Document& document, const std::string& path, const SaveOptions& options) {
  return writeComposite(document, path, options, 0, writePam);
}

Status savePpm(const Document& document, const std::string& path, const SaveOptions& options) {
  return writeComposite(document, path, options, kOpaqueWhite, writePpm);
}

// The whole composite as one picture, for writers that need it at once.
Status compositePicture(const Document& document, const std::string& path, const SaveOptions& options,
                        Color32 background, Image32& picture) {
  CompositeRows rows(document, exportCompositeOptions(background), options.progress);
  if (!picture.resizeBuffer(document.width(), document.height()) || !rows.ready())
    return Status::failed("cannot write '" + path + "': not enough memory to composite the picture");
  const size_t rowBytes = size_t(document.width()) * 4;
  for (int32_t y = 0; y < document.height(); ++y) std::memcpy(picture.rowAddress(y), rows.row(y), rowBytes);
  return Status::ok();
}

// The composite over white (JPEG holds no transparency), encoded in memory, then written.
Status saveJpeg(const Document& document, const std::string& path, const SaveOptions& options) {
  std::vector<uint8_t> bytes;
  {
    Image32 picture;
    Status s = compositePicture(document, path, options, kOpaqueWhite, picture);
    if (!s.isOk()) return s;
    Status encoded = encodeJpegImage(picture, options.quality, bytes);
    if (!encoded.isOk()) return Status::failed("cannot write '" + path + "': " + encoded.reason());
  }
  AtomicFile out;
  Status s = out.begin(path);
  if (!s.isOk()) return s;
  out.write(bytes.data(), bytes.size());
  return out.commit();
}

// The flattened document (over transparent black), which the writer puts over white.
Status saveBmp(const Document& document, const std::string& path, const SaveOptions& options) {
  Image32 picture;
  Status s = compositePicture(document, path, options, 0, picture);
  if (!s.isOk()) return s;
  return writeBmp(picture, path);
}

Status saveNative(const Document& document, const std::string& path, const SaveOptions& options) {
  NativeWriteOptions native;
  native.progress = options.progress;
  return writeNativeDocument(document, path, native);
}

Status savePng(const Document& document, const std::string& path, const SaveOptions& options) {
  return writePngDocument(document, path, options.progress);
}

Status savePsd(const Document& document, const std::string& path, const SaveOptions& options) {
  return writePsdDocument(document, path, true, options.progress);
}

// clang-format off
constexpr SaveFormat kFormats[] = {
    {".knvmob", "kanvo document", saveNative},
    {".jpg",  "JPEG", saveJpeg},
    {".jpeg", "JPEG", saveJpeg},
    {".psd",  "PSD",  savePsd},
    {".tga",  "TGA",  nullptr, true},
    {".png",  "PNG",  savePng},
    {".bmp",  "BMP",  saveBmp},
    {".pam",  "PAM",  savePam},
    {".ppm",  "PPM",  savePpm},
};
// clang-format on

}  // namespace

std::span<const SaveFormat> saveFormats() {
  return kFormats;
}

const SaveFormat* findSaveFormat(std::string_view extension) {
  for (const SaveFormat& f : kFormats)
    if (f.extension == extension) return &f;
  return nullptr;
}

Status saveDocument(const Document& document, const std::string& path, const SaveOptions& options) {
  const std::string extension = lowerCaseExtension(path);
  const SaveFormat* format = findSaveFormat(extension);
  if (format == nullptr) {
    if (extension.empty())
      return Status::failed("nothing was written to '" + path + "': the name has no extension");
    return Status::failed("nothing was written to '" + path + "': kanvo does not write " + extension +
                          " files");
  }
  if (format->writesNothing)
    return Status::failed("nothing was written to '" + path + "': " + std::string(format->name) +
                          " names are accepted but never written");
  if (format->write == nullptr)
    return Status::failed("nothing was written to '" + path + "': " + std::string(format->name) +
                          " files cannot be written yet");
  if (options.quality < 1 || options.quality > 100)
    return Status::failed("nothing was written to '" + path + "': the quality " +
                          std::to_string(options.quality) + " is outside 1 ... 100");
  return format->write(document, path, options);
}

}  // namespace kanvo
