// libFuzzer target: the native document reader on arbitrary bytes, then the document it built
// composited in one band and probed, so that whatever the reader keeps is used as the program
// would use it; and, for small canvases, written by the native writer and read again, which
// must give the same file again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/Document.h"
#include "formats/native/NativeReader.h"
#include "formats/native/NativeWriter.h"
#include "strings/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kanvo::StringTable strings;
  kanvo::Document doc(strings);
  kanvo::NativeReadSummary summary;
  kanvo::Status s = kanvo::readNativeDocument(doc, data, size, nullptr, &summary);
  if (s.isFailed()) return 0;
  if (summary.layersRead != doc.layerCount()) __builtin_trap();
  // One band of the composite where the layers are, limited to keep each run short.
  if (int64_t(doc.width()) * 16 <= (int64_t(1) << 20)) {
    kanvo::Image32 band(doc.width(), 16);
    kanvo::CompositeOptions options;
    doc.compositeRow(band, options, 0, 0);
  }
  doc.probeColour(doc.width() / 2, doc.height() / 2);
  if (int64_t(doc.width()) * doc.height() <= 4096) {
    std::vector<uint8_t> once, twice;
    kanvo::NativeWriteOptions options;
    options.threads = 1;
    kanvo::Document again(strings);
    if (!kanvo::encodeNativeDocument(doc, once, options).isOk() ||
        !kanvo::readNativeDocument(again, once.data(), once.size()).isOk() ||
        !kanvo::encodeNativeDocument(again, twice, options).isOk() || once != twice)
      __builtin_trap();
  }
  return 0;
}
