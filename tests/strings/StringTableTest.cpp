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
    for (uint32_t id : {0u, 167u, StringTable::kTextCount, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      ASSERT_NE(table.GetString(id), nullptr);
      EXPECT_EQ(*table.GetString(id) == '\0', language > 1 || language < 0 || id >= StringTable::kTextCount);
    }
  }
}

TEST(StringTable, TextsAsGivenInBothLanguages) {
  StringTable table;  // Japanese by default
  EXPECT_EQ(cp932ToUtf8(table.GetString(TextId::Layer)), "レイヤー");
  table.setLanguage(kUiLanguageEnglish);
  EXPECT_STREQ(table.getString(TextId::Layer), "Layer");
  const struct {
    uint32_t id;
    const char *japanese, *english;  // UTF-8; null: not checked
  } cases[] = {
      {0, "TWAIN32から読み込み", "Import from TWAIN32"},
      {81, "画像解像度と違うプリンタには出力できません", ""},
      {105, "ウィンドウを一時的に隠す(&T)\tTab", "Hide windows temporary(&T)\tTab"},
      {117, "+Shiftで追加、+Ctrlで削除", "+Shift is Add、+Ctrl is Delete"},
      {128, "頂点を左右ドラッグで太さの調整", "頂点で左右ドラッグ"},
      {150, "塗りつぶし", "Bucket"},  // the same as 19 in Japanese, as 25 in English
      {157, nullptr, "Select ???"},
      {167, nullptr, "Stretch (Fixed Position)"},
  };
  const StringTable ja(kUiLanguageJapanese), en(kUiLanguageEnglish);
  for (const auto& c : cases) {
    if (c.japanese) {
      EXPECT_EQ(cp932ToUtf8(ja.GetString(c.id)), c.japanese) << c.id;
    }
    EXPECT_EQ(cp932ToUtf8(en.GetString(c.id)), c.english) << c.id;
  }
  EXPECT_EQ(ja.GetString(150), ja.GetString(19));  // one storage
  EXPECT_EQ(en.GetString(150), en.GetString(25));
}

}  // namespace
}  // namespace kanvo
