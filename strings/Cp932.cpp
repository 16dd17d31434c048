#include "strings/Cp932.h"

#include <cstdint>

#include "strings/Cp932Tables.h"

namespace kanvo {

namespace {

using namespace cp932_tables;

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t codePoint;  // kReplacement for a malformed sequence
  std::size_t length;  // bytes consumed, at least 1
};

// Reads one character (or one malformed sequence) at cp932[pos], pos < size.
Decoded decodeAt(std::string_view cp932, std::size_t pos) {
  const auto lead = static_cast<std::uint8_t>(cp932[pos]);
  const std::uint8_t row = kLeadRow[lead];
  if (row == 0) {
    const std::uint16_t cp = kSingleByte[lead];
    return {cp == 0xFFFF ? kReplacement : cp, 1};
  }
  if (pos + 1 >= cp932.size()) return {kReplacement, 1};
  const auto trail = static_cast<std::uint8_t>(cp932[pos + 1]);
  const std::uint16_t cp = kDoubleByte[std::size_t{row} * 256 + trail];
  if (cp != 0) return {cp, 2};
  return {kReplacement, trail < 0x80 ? std::size_t{1} : std::size_t{2}};
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads one UTF-8 character at utf8[pos], pos < size. A malformed sequence yields kReplacement
// and the length of its maximal part (at least 1), so that the next read starts where a valid
// sequence might.
struct Utf8Decoded {
  char32_t codePoint;
  std::size_t length;
};

Utf8Decoded decodeUtf8At(std::string_view utf8, std::size_t pos) {
  const auto b0 = static_cast<std::uint8_t>(utf8[pos]);
  if (b0 < 0x80) return {b0, 1};
  std::size_t need;
  char32_t cp;
  std::uint8_t low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;   // no overlong forms
    if (b0 == 0xED) high = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;   // no overlong forms
    if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {kReplacement, 1};
  }
  std::size_t length = 1;
  for (std::size_t i = 0; i < need; ++i) {
    if (pos + length >= utf8.size()) return {kReplacement, length};
    const auto b = static_cast<std::uint8_t>(utf8[pos + length]);
    if (b < low || b > high) return {kReplacement, length};
    cp = (cp << 6) | (b & 0x3F);
    ++length;
    low = 0x80;
    high = 0xBF;
  }
  return {cp, length};
}

}  // namespace

std::string cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 2);
  for (std::size_t pos = 0; pos < cp932.size();) {
    const Decoded d = decodeAt(cp932, pos);
    appendUtf8(out, d.codePoint);
    pos += d.length;
  }
  return out;
}

std::string utf8ToCp932(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const Utf8Decoded d = decodeUtf8At(utf8, pos);
    pos += d.length;
    const char32_t cp = d.codePoint;
    if (cp == 0) {
      out += '\0';
      continue;
    }
    std::uint16_t value = 0;
    if (cp <= 0xFFFF) value = kFromUnicode[std::size_t{kUnicodePage[cp >> 8]} * 256 + (cp & 0xFF)];
    if (value == 0) {
      out += replacement;
    } else if (value < 0x100) {
      out += static_cast<char>(value);
    } else {
      out += static_cast<char>(value >> 8);
      out += static_cast<char>(value & 0xFF);
    }
  }
  return out;
}

std::size_t cp932PrefixLength(std::string_view cp932, std::size_t maxBytes) {
  std::size_t pos = 0;
  while (pos < cp932.size()) {
    const std::size_t length = decodeAt(cp932, pos).length;
    if (length > maxBytes - pos) break;
    pos += length;
  }
  return pos;
}

}  // namespace kanvo
