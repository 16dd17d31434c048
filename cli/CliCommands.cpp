#include "cli/CliCommands.h"

#include <string>

#include "app/LanguageChoice.h"
#include "app/Version.h"
#include "cli/DocumentReport.h"
#include "cli/TerminalProgress.h"
#include "document/Document.h"
#include "formats/DocumentOpener.h"
#include "formats/DocumentSaver.h"
#include "formats/FileBuffer.h"
#include "formats/FileExtension.h"
#include "formats/jpeg/JpegImage.h"
#include "strings/StringTable.h"

namespace kanvo::cli {

namespace {

// "FILE: reason", unless the reason already names the file.
void complain(std::FILE* err, const std::string& file, const std::string& reason) {
  if (reason.find("'" + file + "'") != std::string::npos) {
    std::fprintf(err, "%s\n", reason.c_str());
  } else {
    std::fprintf(err, "%s: %s\n", file.c_str(), reason.c_str());
  }
}

// Opens the input through the program's open flow; failed and partial are reported here.
Status open(Document& document, const std::string& path, std::FILE* err, const ImageLoader* images) {
  TerminalProgress progress(err, "reading", path);
  OpenServices services;
  services.progress = &progress;
  services.imageLoader = images;
  Status s = openDocument(document, path, services);
  progress.finish();
  return s;
}

// The keys only some inputs have: a JPEG's orientation and whether it is progressive.
std::string inputReportKeys(const std::string& path) {
  const std::string extension = lowerCaseExtension(path);
  if (extension != ".jpg" && extension != ".jpeg") return "";
  FileBuffer file;
  if (!file.load(path).isOk()) return "";
  return jpegReportKeys(std::span<const uint8_t>(file.data(), file.size()));
}

int usage(std::FILE* err, const std::string& why) {
  std::fprintf(err, "kanvo-cli: %s\n%s", why.c_str(), kUsage);
  return kExitUsage;
}

// Opens the input and hands the document to show, which prints what was asked and returns the
// exit code. A failed open ends before show; a partial one is warned about after it and ends
// as an input fault.
template <class Show>
int showInput(const CliCommand& c, std::FILE* err, const ImageLoader* images, Show show) {
  StringTable strings(languageFromEnvironment());
  Document document(strings);
  Status s = open(document, c.input, err, images);
  if (s.isFailed()) {
    complain(err, c.input, s.reason());
    return kExitInput;
  }
  const int code = show(document);
  if (code != kExitDone) return code;
  if (s.isPartial()) {
    complain(err, c.input, "warning: " + s.reason());
    return kExitInput;
  }
  return kExitDone;
}

int runInfo(const CliCommand& c, std::FILE* out, std::FILE* err, const ImageLoader* images) {
  return showInput(c, err, images, [&](const Document& document) -> int {
    const std::string report = c.json ? documentJson(document, inputReportKeys(c.input)) : documentText(document);
    std::fputs(report.c_str(), out);
    return kExitDone;
  });
}

int runConvert(const CliCommand& c, std::FILE* err, const ImageLoader* images) {
  StringTable strings(languageFromEnvironment());
  Document document(strings);
  Status s = open(document, c.input, err, images);
  if (!s.isOk()) {
    complain(err, c.input, s.isPartial() ? s.reason() + "; nothing was written" : s.reason());
    return kExitInput;
  }
  TerminalProgress progress(err, "writing", c.output);
  SaveOptions options;
  options.quality = c.quality;
  options.progress = &progress;
  Status saved = saveDocument(document, c.output, options);
  progress.finish();
  if (!saved.isOk()) {
    complain(err, c.output, saved.reason());
    return kExitOutput;
  }
  return kExitDone;
}

int runProbe(const CliCommand& c, std::FILE* out, std::FILE* err, const ImageLoader* images) {
  return showInput(c, err, images, [&](const Document& document) -> int {
    if (c.x < 0 || c.y < 0 || c.x >= document.width() || c.y >= document.height())
      return usage(err, "the point (" + std::to_string(c.x) + ", " + std::to_string(c.y) +
                            ") lies outside the " + std::to_string(document.width()) + " x " +
                            std::to_string(document.height()) + " canvas");
    const Color32 colour = document.probeColour(c.x, c.y);
    std::fprintf(out, "%d %d %d %d\n", redOf(colour), greenOf(colour), blueOf(colour), alphaOf(colour));
    return kExitDone;
  });
}

}  // namespace

int runCommand(const CliCommand& command, std::FILE* out, std::FILE* err, const ImageLoader* images) {
  switch (command.kind) {
    case CliCommand::kHelp:
      std::fputs(kUsage, out);
      return kExitDone;
    case CliCommand::kVersion:
      std::fprintf(out, "kanvo-cli %s\n", versionString());
      return kExitDone;
    case CliCommand::kInfo:
      return runInfo(command, out, err, images);
    case CliCommand::kConvert:
      return runConvert(command, err, images);
    case CliCommand::kProbe:
      return runProbe(command, out, err, images);
    case CliCommand::kUsageError:
      break;
  }
  return usage(err, command.error);
}

}  // namespace kanvo::cli
