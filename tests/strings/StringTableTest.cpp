#include "strings/StringTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "strings/Cp932.h"

namespace kanvo {
namespace {

TEST(StringTable, EveryIdHasWellFormedTextInBothLanguages) {
  const StringTable ja(kUiLanguageJapanese), en(kUiLanguageEnglish);
  for (uint32_t id = 0; id < StringTable::kTextCount; ++id) {
    EXPECT_GT(std::strlen(ja.GetString(id)), 0u) << "Japanese id " << id;
    EXPECT_EQ(std::strlen(en.GetString(id)) > 0, id != 81) << "English id " << id;  // 81 has none
    for (const char* text : {ja.GetString(id), en.GetString(id)}) {
      const std::string utf8 = cp932ToUtf8(text);
      EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << "id " << id;
      EXPECT_EQ(utf8ToCp932(utf8), text) << "id " << id;
    }
  }
  // Ids past the end and languages other than 0 and 1 give the empty string.
  for (UiLanguage language : {0, 1, 2, -1, INT32_MAX, INT32_MIN}) {
    const StringTable table(language);
    for (uint32_t id : {0u, StringTable::kTextCount - 1, StringTable::kTextCount, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      ASSERT_NE(table.GetString(id), nullptr);
      EXPECT_EQ(*table.GetString(id) == '\0', language > 1 || language < 0 || id >= StringTable::kTextCount);
    }
  }
}

}  // namespace
}  // namespace kanvo
