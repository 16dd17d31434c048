#pragma once
// The string table's constant storage, generated at build time from strings/texts.tsv (UTF-8) and
// converted there to CP932. Internal to StringTable; callers use StringTable::GetString.
#include <cstddef>
#include <cstdint>

#include "strings/TextId.h"

namespace kanvo::string_table_data {

inline constexpr std::uint32_t kTextCount = TextId::Count;
// Offset marking "this column has no text for the id".
inline constexpr std::uint32_t kNoText = 0xFFFFFFFFu;

// Every text of both columns, each NUL-terminated, back to back. Ids that share a text hold the
// same offset, so a look-up of either returns the same pointer.
extern const char kTextStorage[];
extern const std::size_t kTextStorageSize;
// Per id: the offset of its text in kTextStorage, or kNoText.
extern const std::uint32_t kJapaneseOffsets[kTextCount];
extern const std::uint32_t kEnglishOffsets[kTextCount];

}  // namespace kanvo::string_table_data
