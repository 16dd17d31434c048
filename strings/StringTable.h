#pragma once
// The user-interface texts that the engine builds at run time: undo labels ("Rect", "Stroke" ...),
// the default layer name prefix ("Layer"), status-line read-outs, tool hints and the offer of work
// kept aside against a crash. A "%1" in a text stands for a value the caller puts in its place.
//
// A text is looked up by id (see TextId.h) in the language the table is set to:
// 0 Japanese (the default), 1 English. Texts are NUL-terminated CP932 (Shift_JIS) strings in static
// storage: never null, never freed, never changed; callers copy them. Several ids share one text
// and then return the same pointer. Convert with cp932ToUtf8 (Cp932.h) for display.
#include <cstdint>

#include "strings/TextId.h"

namespace kanvo {

// The language setting: a 32-bit integer, 0 Japanese, 1 English. Any other value is accepted and
// makes every look-up yield the empty string.
using UiLanguage = std::int32_t;
inline constexpr UiLanguage kUiLanguageJapanese = 0;
inline constexpr UiLanguage kUiLanguageEnglish = 1;

class StringTable {
 public:
  static constexpr std::uint32_t kTextCount = TextId::Count;

  StringTable() = default;
  explicit StringTable(UiLanguage language) : language_(language) {}

  UiLanguage language() const { return language_; }
  // Takes effect at the next look-up; texts already copied keep their language.
  void setLanguage(UiLanguage language) { language_ = language; }

  // The text of `id` in the current language. The empty string when the id is TextId::Count or above, when the
  // language is neither 0 nor 1, or when the English column has no text for the id (id 81).
  const char* GetString(std::uint32_t id) const;
  const char* getString(std::uint32_t id) const { return GetString(id); }

 private:
  UiLanguage language_ = kUiLanguageJapanese;
};

}  // namespace kanvo
