#pragma once
// The user-interface language at start-up, chosen from the user's locale: the first set of
// LC_ALL, LC_MESSAGES and LANG, as the C library looks them up for messages. A Japanese locale
// ("ja", "ja_JP.UTF-8") and no locale at all ("", "C", "POSIX", "C.UTF-8") keep the program's
// default, Japanese; any other locale selects English, the only other language the texts have.
#include "strings/StringTable.h"

namespace kanvo {

// From the three variables' values (null or empty for unset).
UiLanguage languageForLocale(const char* lcAll, const char* lcMessages, const char* lang);
// From this process's environment.
UiLanguage languageFromEnvironment();

}  // namespace kanvo
