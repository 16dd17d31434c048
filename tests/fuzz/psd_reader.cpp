// libFuzzer target: the PSD reader on arbitrary bytes. Canvases above 1 megapixel are refused
// before reading so that one input cannot exhaust the fuzzer's memory.
#include <cstddef>
#include <cstdint>

#include "document/Document.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 22) {
    const uint64_t h = uint64_t(data[14]) << 24 | uint64_t(data[15]) << 16 | uint64_t(data[16]) << 8 | data[17];
    const uint64_t w = uint64_t(data[18]) << 24 | uint64_t(data[19]) << 16 | uint64_t(data[20]) << 8 | data[21];
    if (w * h > (uint64_t(1) << 20)) return 0;
  }
  static const kanvo::StringTable strings(kanvo::kUiLanguageEnglish);
  kanvo::Document doc(strings);
  kanvo::readPsdDocument(doc, data, size);
  return 0;
}
