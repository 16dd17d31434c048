// CP932 against the C library's converter over every byte pair and every code point of the basic
// plane, and what we do where the C library gives up: malformed input in both directions; the
// string table's texts, well-formed CP932 in both languages.
#include "strings/Cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "strings/StringTable.h"

namespace kanvo {
namespace {

// The C library's converter as a peer: the whole input converted, or nothing.
class IconvPeer {
 public:
  IconvPeer(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvPeer() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  std::optional<std::string> convert(std::string in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 8, '\0');
    char *src = in.data(), *dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

const std::string kFffd = "\xEF\xBF\xBD";

// Converters reading from a heap buffer of exactly the input's size, so that a read past the end
// is caught by the address sanitizer.
std::string decodeExact(std::string_view in) {
  const std::vector<char> buffer(in.begin(), in.end());
  return cp932ToUtf8({buffer.data(), buffer.size()});
}
std::string encodeExact(std::string_view in) {
  const std::vector<char> buffer(in.begin(), in.end());
  return utf8ToCp932({buffer.data(), buffer.size()});
}

// Every character decodes as the C library decodes it and encodes back to itself.
TEST(Cp932, DecodesEveryByteAndPairAsTheCLibraryDoes) {
  IconvPeer peer("UTF-8", "CP932");
  ASSERT_TRUE(peer.ok());
  int pairs = 0;
  for (int first = 0; first < 256; ++first)
    for (int second = 0; second < 256; ++second) {
      const std::string in = {char(first), char(second)};
      const std::string ours = decodeExact(in);
      if (const auto theirs = peer.convert(in)) {
        ASSERT_EQ(ours, *theirs) << std::hex << first << " " << second;
        ASSERT_EQ(cp932ToUtf8(utf8ToCp932(ours)), ours) << std::hex << first << " " << second;
        if (!peer.convert(in.substr(0, 1))) ++pairs;  // a double-byte character
      } else {
        // Something in there is not a character: we say so and keep whatever is.
        ASSERT_NE(ours.find(kFffd), std::string::npos) << std::hex << first << " " << second;
      }
    }
  // JIS X 0208, NEC row 13, the NEC-selected IBM extensions, the IBM extensions, the user-defined
  // area.
  EXPECT_EQ(pairs, 6879 + 83 + 374 + 388 + 1880);
}

TEST(Cp932, EncodesTheWholeBasicPlaneAsTheCLibraryDoes) {
  IconvPeer peer("CP932", "UTF-8"), utf8("UTF-8", "UTF-32LE");
  ASSERT_TRUE(peer.ok() && utf8.ok());
  auto utf8Of = [&](uint32_t cp) {
    return utf8.convert({char(cp), char(cp >> 8), char(cp >> 16), 0}).value();
  };
  for (uint32_t cp = 0; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::string in = utf8Of(cp);
    ASSERT_EQ(encodeExact(in), peer.convert(in).value_or("?")) << std::hex << cp;
  }
  for (uint32_t cp : {0x10000u, 0x1F600u, 0x20B9Fu, 0x10FFFFu}) EXPECT_EQ(encodeExact(utf8Of(cp)), "?");
}

TEST(Cp932, MalformedInputBecomesReplacements) {
  const std::pair<std::string, std::string> cp932[] = {
      {"\x82", kFffd},           // a lead byte alone
      {"a\x82", "a" + kFffd},    // a lead byte at the end
      {"\x82 b", kFffd + " b"},  // an ASCII trail is kept
      {"\x81\x7F", kFffd + "\x7F"},
      {"\x85\x40", kFffd + "@"},   // unassigned pair, ASCII trail
      {"\x85\x9Fx", kFffd + "x"},  // unassigned pair, both consumed
      {"\x81\xFDx", kFffd + "x"},
      {std::string("\x82\0", 2), kFffd + std::string(1, '\0')},
      {"\x82\xFA\xB1", kFffd + "\xEF\xBD\xB1"},   // unassigned pair, then a half-width katakana
      {"\x81\x81\x81", "\xEF\xBC\x9D" + kFffd}};  // a character, then a lone lead
  for (const auto& [in, want] : cp932) EXPECT_EQ(decodeExact(in), want) << in;
  for (char notALead : {'\x80', '\xA0', '\xFD', '\xFF'})
    EXPECT_EQ(decodeExact(std::string{notALead, 'x'}), kFffd + "x") << int(notALead);
  const std::pair<std::string, std::string> utf8[] = {
      {"\x80", "?"},      // stray continuation byte
      {"\xC3", "?"},      // truncated at the end
      {"\xE3\x81", "?"},  // one replacement for the whole part
      {"a\xE3\x81z", "a?z"},
      {"\xF0\x9F\x98", "?"},
      {"\xE3\x81\xE3\x81\x82", "?\x82\xA0"}};  // a broken character, then a sound one
  for (const auto& [in, want] : utf8) EXPECT_EQ(encodeExact(in), want) << in;
}

TEST(Cp932, PrefixLengthNeverSplitsACharacter) {
  const std::string text = "a\x82\xA0z";
  for (auto [max, want] :
       {std::pair<size_t, size_t>{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 4}, {6, 4}, {SIZE_MAX, 4}})
    EXPECT_EQ(cp932PrefixLength(text, max), want) << max;
  EXPECT_EQ(cp932PrefixLength("a\x82", 2), 2u);  // a lone lead at the end is one byte
  EXPECT_EQ(cp932PrefixLength("\x82\x20", 1), 1u);
}

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
