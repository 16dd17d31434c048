#include "app/LanguageChoice.h"

#include <cstdlib>
#include <string_view>

namespace kanvo {

UiLanguage languageForLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  std::string_view locale;
  for (const char* v : {lcAll, lcMessages, lang}) {
    if (v != nullptr && *v != '\0') {
      locale = v;
      break;
    }
  }
  const std::string_view name = locale.substr(0, locale.find_first_of("_.@"));
  if (name.empty() || name == "C" || name == "POSIX" || name == "ja") return kUiLanguageJapanese;
  return kUiLanguageEnglish;
}

UiLanguage languageFromEnvironment() {
  return languageForLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace kanvo
