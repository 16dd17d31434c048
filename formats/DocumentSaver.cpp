#include "formats/DocumentSaver.h"

#include "formats/CompositeRows.h"
#include "formats/FileExtension.h"
#include "formats/NetpbmWriter.h"

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

constexpr SaveFormat kFormats[] = {
    {".jpg", "JPEG", nullptr},      {".jpeg", "JPEG", nullptr},     {".psd", "PSD", nullptr},
    {".tga", "TGA", nullptr, true}, {".png", "PNG", nullptr, true}, {".bmp", "BMP", nullptr},
    {".pam", "PAM", savePam},       {".ppm", "PPM", savePpm},
};

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
