#pragma once
// Mapping tables between code page 932 and Unicode, generated at build time from the C library's
// CP932 converter so that the program itself needs no locale or converter module at run time.
// Internal to Cp932.cpp.
#include <cstddef>
#include <cstdint>

namespace kanvo::cp932_tables {

// Code point of each byte read as a single-byte character; 0xFFFF when the byte is a lead byte
// or no character at all.
extern const std::uint16_t kSingleByte[256];
// For each byte: 0 when it is not a lead byte, else its row in kDoubleByte.
extern const std::uint8_t kLeadRow[256];
// kDoubleByteRowCount rows of 256 code points indexed by the trail byte; 0 when the pair is not a
// character. Row 0 is all zero.
extern const std::size_t kDoubleByteRowCount;
extern const std::uint16_t kDoubleByte[];
// Unicode -> CP932 for the Basic Multilingual Plane in pages of 256 code points: kUnicodePage
// gives each page's row in kFromUnicode (row 0 is all zero). A value is the single byte (below
// 0x100) or the lead byte times 256 plus the trail byte; 0 when CP932 cannot represent the code
// point (U+0000 itself maps to byte 0 and is handled by the caller).
extern const std::uint8_t kUnicodePage[256];
extern const std::size_t kUnicodePageCount;
extern const std::uint16_t kFromUnicode[];

}  // namespace kanvo::cp932_tables
