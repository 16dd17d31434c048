#include "app/LanguageChoice.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

TEST(LanguageChoiceTest, TheFirstSetVariableDecides) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    UiLanguage want;
  } cases[] = {
      {nullptr, nullptr, nullptr, kUiLanguageJapanese},  // no locale: the default
      {"", "", "", kUiLanguageJapanese},
      {nullptr, nullptr, "C", kUiLanguageJapanese},
      {nullptr, nullptr, "C.UTF-8", kUiLanguageJapanese},
      {nullptr, nullptr, "POSIX", kUiLanguageJapanese},
      {nullptr, nullptr, "ja_JP.UTF-8", kUiLanguageJapanese},
      {nullptr, nullptr, "ja", kUiLanguageJapanese},
      {nullptr, nullptr, "en_US.UTF-8", kUiLanguageEnglish},
      {nullptr, nullptr, "de_DE@euro", kUiLanguageEnglish},
      {nullptr, nullptr, "jam_JM", kUiLanguageEnglish},        // Jamaican, not Japanese
      {"en_GB.UTF-8", nullptr, "ja_JP.UTF-8", kUiLanguageEnglish},  // LC_ALL first
      {"", "ja_JP.UTF-8", "en_US.UTF-8", kUiLanguageJapanese},      // then LC_MESSAGES
      {nullptr, "C", "en_US.UTF-8", kUiLanguageJapanese},           // a set "C" decides too
  };
  for (const Case& c : cases)
    EXPECT_EQ(languageForLocale(c.lcAll, c.lcMessages, c.lang), c.want)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
}

}  // namespace
}  // namespace kanvo
