#pragma once
// Conversion between code page 932 (Microsoft's Shift_JIS: ASCII, half-width katakana 0xA1-0xDF,
// JIS X 0208 double-byte rows, the NEC and IBM extensions and the user-defined area) and UTF-8.
// Layer names, undo labels and the string table are CP932; the toolkit and JSON want UTF-8.
//
// The mapping is the C library's CP932 converter, captured in tables when kanvo is built: the
// conversion needs no locale or converter module at run time and never fails.
#include <cstddef>
#include <string>
#include <string_view>

namespace kanvo {

// CP932 bytes to UTF-8. Every byte sequence that is not a character becomes U+FFFD and the
// conversion goes on: a byte that is neither a character nor a lead byte, a lead byte at the end,
// and a lead byte with a trail byte that does not complete a character. In the last case an ASCII
// trail byte is not swallowed: it is read again as a character of its own. Embedded NULs are kept.
std::string cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. A character CP932 cannot represent becomes `replacement`, and so does each
// maximal malformed part of the input (a stray continuation byte, a truncated sequence, an
// overlong form, a surrogate, a value above U+10FFFF). A few characters without a CP932 form of
// their own map one way to a look-alike (U+301C WAVE DASH to the full-width tilde 0x8160, U+00A5
// YEN SIGN to 0x5C ...), as the C library does.
std::string utf8ToCp932(std::string_view utf8, char replacement = '?');

// The length of the longest prefix of `cp932` that is at most `maxBytes` long and does not end
// between the two bytes of a double-byte character: the length to cut a text to a byte limit.
std::size_t cp932PrefixLength(std::string_view cp932, std::size_t maxBytes);

}  // namespace kanvo
