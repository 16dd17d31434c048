#include "strings/StringTable.h"

#include "strings/StringTableData.h"

namespace kanvo {

static_assert(StringTable::kTextCount == string_table_data::kTextCount);

const char* StringTable::GetString(std::uint32_t id) const {
  using namespace string_table_data;
  static constexpr char kEmpty[] = "";
  if (id >= kTextCount) return kEmpty;
  std::uint32_t offset = kNoText;
  if (language_ == kUiLanguageJapanese) {
    offset = kJapaneseOffsets[id];
  } else if (language_ == kUiLanguageEnglish) {
    offset = kEnglishOffsets[id];
  }
  if (offset == kNoText || offset >= kTextStorageSize) return kEmpty;
  return kTextStorage + offset;
}

}  // namespace kanvo
