#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "strings/Cp932.h"

using kanvo::cp932PrefixLength;
using kanvo::cp932ToUtf8;
using kanvo::utf8ToCp932;

namespace {

// The C library's converter as a peer: the whole input converted, or nothing.
class IconvPeer {
 public:
  IconvPeer(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvPeer() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::optional<std::string> convert(std::string_view in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 8, '\0');
    std::string copy(in);
    char* src = copy.data();
    size_t srcLeft = copy.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

std::string utf8Of(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

const std::string kFffd = "\xEF\xBF\xBD";

// Converts from a heap buffer of exactly the input's size, so that a read past the end is caught
// by the address sanitizer.
std::string decodeExact(std::string_view in) {
  auto buffer = std::make_unique<char[]>(in.size());
  std::copy(in.begin(), in.end(), buffer.get());
  return cp932ToUtf8(std::string_view(buffer.get(), in.size()));
}

std::string encodeExact(std::string_view in, char replacement = '?') {
  auto buffer = std::make_unique<char[]>(in.size());
  std::copy(in.begin(), in.end(), buffer.get());
  return utf8ToCp932(std::string_view(buffer.get(), in.size()), replacement);
}

}  // namespace

TEST(Cp932, DecodesEveryByteAndPairAsTheCLibraryDoes) {
  IconvPeer peer("UTF-8", "CP932");
  ASSERT_TRUE(peer.ok());
  int pairs = 0;
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      const std::string in = bytes({first, second});
      const std::string ours = decodeExact(in);
      const auto theirs = peer.convert(in);
      if (theirs) {
        ASSERT_EQ(ours, *theirs) << std::hex << first << " " << second;
        if (!peer.convert(in.substr(0, 1))) ++pairs;  // a double-byte character
      } else {
        // Something in there is not a character: we say so and keep whatever is.
        ASSERT_NE(ours.find(kFffd), std::string::npos) << std::hex << first << " " << second;
      }
    }
  }
  // JIS X 0208, NEC row 13, the NEC-selected IBM extensions, the IBM extensions, the user-defined
  // area.
  EXPECT_EQ(pairs, 6879 + 83 + 374 + 388 + 1880);
}

TEST(Cp932, EncodesTheWholeBasicPlaneAsTheCLibraryDoes) {
  IconvPeer peer("CP932", "UTF-8");
  ASSERT_TRUE(peer.ok());
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::string in = utf8Of(cp);
    const std::string ours = encodeExact(in);
    const auto theirs = peer.convert(in);
    if (theirs) {
      ASSERT_EQ(ours, *theirs) << std::hex << static_cast<std::uint32_t>(cp);
    } else {
      ASSERT_EQ(ours, "?") << std::hex << static_cast<std::uint32_t>(cp);
    }
  }
  for (char32_t cp : {0x10000u, 0x1F600u, 0x20B9Fu, 0x10FFFFu}) EXPECT_EQ(encodeExact(utf8Of(cp)), "?");
}

TEST(Cp932, KnownMappings) {
  struct Case {
    std::string cp932;
    char32_t cp;
  };
  const Case cases[] = {
      {"\x5C", 0x5C},       {"\x7E", 0x7E},       {"\xA1", 0xFF61},     {"\xDF", 0xFF9F},
      {"\x81\x40", 0x3000}, {"\x81\x5F", 0xFF3C}, {"\x81\x60", 0xFF5E}, {"\x81\x61", 0x2225},
      {"\x81\x7C", 0xFF0D}, {"\x81\x91", 0xFFE0}, {"\x81\xCA", 0xFFE2}, {"\x82\xA0", 0x3042},
      {"\x87\x40", 0x2460}, {"\x87\x54", 0x2160}, {"\x88\x9F", 0x4E9C}, {"\xEA\xA4", 0x7199},
      {"\xED\x40", 0x7E8A}, {"\xFA\x40", 0x2170}, {"\xFA\x5C", 0x7E8A}, {"\xFC\x4B", 0x9ED1},
      {"\xF0\x40", 0xE000}, {"\xF9\xFC", 0xE757},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cp932ToUtf8(c.cp932), utf8Of(c.cp)) << std::hex << std::uint32_t{c.cp};

  // Where CP932 has a character twice, the encoder picks one form; some characters map one way.
  const Case encodings[] = {
      {"\xFA\x5C", 0x7E8A}, {"\x81\xE0", 0x2252}, {"\x87\x54", 0x2160}, {"\xFA\x40", 0x2170},
      {"\x81\xCA", 0xFFE2}, {"\x81\xE6", 0x2235}, {"\x81\x60", 0x301C}, {"\x81\x60", 0xFF5E},
      {"\x5C", 0xA5},       {"\x81\x7C", 0x2212}, {"\x81\x61", 0x2016}, {"\x87\x82", 0x2116},
  };
  for (const Case& c : encodings)
    EXPECT_EQ(utf8ToCp932(utf8Of(c.cp)), c.cp932) << std::hex << std::uint32_t{c.cp};

  EXPECT_EQ(cp932ToUtf8(""), "");
  EXPECT_EQ(utf8ToCp932(""), "");
  EXPECT_EQ(cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(utf8ToCp932(std::string("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(utf8ToCp932("レイヤー1"), std::string("\x83\x8c\x83\x43\x83\x84\x81\x5b") + "1");
}

TEST(Cp932, EveryDecodedCharacterEncodesBackToItself) {
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      const std::string utf8 = cp932ToUtf8(bytes({first, second}));
      if (utf8.find(kFffd) != std::string::npos) continue;
      const std::string cp932 = utf8ToCp932(utf8);
      ASSERT_EQ(cp932ToUtf8(cp932), utf8) << std::hex << first << " " << second;
    }
  }
}

TEST(Cp932, MalformedCp932) {
  EXPECT_EQ(decodeExact("\x82"), kFffd);           // a lead byte alone
  EXPECT_EQ(decodeExact("a\x82"), "a" + kFffd);    // a lead byte at the end
  EXPECT_EQ(decodeExact("\x82 b"), kFffd + " b");  // an ASCII trail is kept
  EXPECT_EQ(decodeExact("\x81\x7F"), kFffd + "\x7F");
  EXPECT_EQ(decodeExact("\x85\x40"), kFffd + "@");                // unassigned pair, ASCII trail
  EXPECT_EQ(decodeExact(bytes({0x85, 0x9F, 'a'})), kFffd + "a");  // unassigned pair, both consumed
  EXPECT_EQ(decodeExact(bytes({0x81, 0xFD, 'a'})), kFffd + "a");
  EXPECT_EQ(decodeExact(std::string("\x82\0", 2)), kFffd + std::string("\0", 1));
  EXPECT_EQ(decodeExact("\x82\xFA\xB1"), kFffd + "\xEF\xBD\xB1");  // unassigned pair, then ｱ
  for (int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF}) EXPECT_EQ(decodeExact(bytes({b, 'x'})), kFffd + "x") << b;
  // A run of lead bytes: each pair that is a character decodes, the odd one at the end does not.
  EXPECT_EQ(decodeExact("\x81\x81\x81"), "\xEF\xBC\x9D" + kFffd);  // ＝ then a lone lead
}

TEST(Cp932, MalformedUtf8) {
  EXPECT_EQ(encodeExact("\x80"), "?");      // stray continuation byte
  EXPECT_EQ(encodeExact("\xC3"), "?");      // truncated at the end
  EXPECT_EQ(encodeExact("\xE3\x81"), "?");  // one replacement for the whole part
  EXPECT_EQ(encodeExact(bytes({'a', 0xE3, 0x81, 'b'})), "a?b");
  EXPECT_EQ(encodeExact("\xC0\xAF"), "??");                 // overlong
  EXPECT_EQ(encodeExact("\xE0\x80\xAF"), "???");            // overlong
  EXPECT_EQ(encodeExact("\xED\xA0\x80"), "???");            // surrogate
  EXPECT_EQ(encodeExact("\xF4\x90\x80\x80"), "????");       // above U+10FFFF
  EXPECT_EQ(encodeExact("\xF8\x88\x80\x80\x80"), "?????");  // five-byte form
  EXPECT_EQ(encodeExact("\xF0\x9F\x98\x80"), "?");          // valid, not in CP932
  EXPECT_EQ(encodeExact("\xF0\x9F\x98"), "?");
  EXPECT_EQ(encodeExact("\xE3\x81\xE3\x81\x82"), "?\x82\xA0");  // broken あ, then あ
  EXPECT_EQ(encodeExact("\xF0\x9F\x98\x80", '_'), "_");
  EXPECT_EQ(encodeExact("\xEF\xBF\xBD"), "?");  // U+FFFD itself has no CP932 form
}

TEST(Cp932, PrefixLengthNeverSplitsACharacter) {
  const std::string text = bytes({'a', 0x82, 0xA0, 'b'});  // a, あ, b
  const std::size_t expected[] = {0, 1, 1, 3, 4, 4, 4};
  for (std::size_t max = 0; max < std::size(expected); ++max) {
    EXPECT_EQ(cp932PrefixLength(text, max), expected[max]) << max;
  }
  EXPECT_EQ(cp932PrefixLength("a\x82", 2), 2u);  // a lone lead at the end is one byte
  EXPECT_EQ(cp932PrefixLength("\x82\x20", 1), 1u);
  EXPECT_EQ(cp932PrefixLength("", 5), 0u);
  EXPECT_EQ(cp932PrefixLength(text, SIZE_MAX), 4u);
}
