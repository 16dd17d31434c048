// Build-time generator of the string module's constant data. It runs on the build machine only and
// uses the C library's iconv for code page 932; the program it serves never calls iconv.
//
//   kanvo_string_data_generator texts <texts.tsv> <out.cpp>
//       converts the string table's UTF-8 texts to CP932 and writes the table's storage.
//   kanvo_string_data_generator cp932 <out.cpp>
//       writes the CP932 -> Unicode and Unicode -> CP932 mapping tables, taken from iconv.
//
// Any text that cannot be converted, any malformed row and any surprise from iconv ends the
// generator with a message and status 1, so the build fails instead of shipping wrong data. The
// output file is written only when everything succeeded.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "strings/TextId.h"

namespace {

constexpr int kTextCount = int(kanvo::TextId::Count);

[[noreturn]] void fail(const std::string& message) {
  throw std::runtime_error(message);
}

// One iconv conversion descriptor, closed on destruction.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      fail(std::string("iconv cannot convert from ") + from + " to " + to +
           " on this machine (is the C library's CP932 module installed?)");
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  enum class Outcome { ok, invalid, incomplete };

  // Converts the whole input; on failure reports why and leaves `out` unspecified.
  Outcome convert(const std::string& in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.assign(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
      if (errno == EINVAL) return Outcome::incomplete;
      if (errno == EILSEQ) return Outcome::invalid;
      fail("iconv failed unexpectedly");
    }
    // Flush any pending shift state (none for these code pages, but it costs nothing).
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) {
      fail("iconv failed to finish a conversion");
    }
    out.resize(out.size() - dstLeft);
    return Outcome::ok;
  }

 private:
  iconv_t cd_;
};

std::vector<uint32_t> toCodePoints(const std::string& utf32le) {
  std::vector<uint32_t> cps;
  for (size_t i = 0; i + 4 <= utf32le.size(); i += 4) {
    cps.push_back(static_cast<uint32_t>(static_cast<uint8_t>(utf32le[i])) |
                  static_cast<uint32_t>(static_cast<uint8_t>(utf32le[i + 1])) << 8 |
                  static_cast<uint32_t>(static_cast<uint8_t>(utf32le[i + 2])) << 16 |
                  static_cast<uint32_t>(static_cast<uint8_t>(utf32le[i + 3])) << 24);
  }
  return cps;
}

std::string fromCodePoint(uint32_t cp) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((cp >> (8 * i)) & 0xFF);
  return s;
}

// A C++ string literal for arbitrary bytes: printable ASCII stays readable, everything else is a
// three-digit octal escape (so a following digit can never extend it).
std::string literal(const std::string& bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F && c != '?') {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      s += buf;
    }
  }
  return s + "\"";
}

// The UTF-8 text for a comment beside its bytes: readable, with control characters and
// backslashes escaped, in quotes (so the comment never ends in a backslash).
std::string commentText(const std::string& utf8) {
  std::string s = "\"";
  for (unsigned char c : utf8) {
    if (c == '\\') {
      s += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      s += buf;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s + "\"";
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) {
    std::remove(path.c_str());
    fail("cannot write " + path);
  }
}

// ---- the string table ---------------------------------------------------------------------

struct Cell {
  enum class Kind { text, shared, none } kind = Kind::none;
  std::string utf8;  // text: the unescaped UTF-8 text
  int sharedWith = -1;
};

Cell parseCell(const std::string& raw, int line) {
  Cell cell;
  if (raw == "-") return cell;
  if (raw.size() > 1 && raw[0] == '=' && raw.find_first_not_of("0123456789", 1) == std::string::npos) {
    cell.kind = Cell::Kind::shared;
    cell.sharedWith = std::stoi(raw.substr(1));
    return cell;
  }
  cell.kind = Cell::Kind::text;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      cell.utf8 += raw[i];
      continue;
    }
    if (i + 1 >= raw.size()) fail("line " + std::to_string(line) + ": backslash at the end of a cell");
    char e = raw[++i];
    if (e == 't') {
      cell.utf8 += '\t';
    } else if (e == '\\') {
      cell.utf8 += '\\';
    } else if ((e == '-' || e == '=') && i == 1) {
      cell.utf8 += e;
    } else {
      fail("line " + std::to_string(line) + ": unknown escape \\" + std::string(1, e));
    }
  }
  return cell;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return parts;
    start = tab + 1;
  }
}

int generateTexts(const std::string& tsvPath, const std::string& outPath) {
  std::ifstream in(tsvPath, std::ios::binary);
  if (!in) fail("cannot read " + tsvPath);
  std::array<std::array<std::optional<Cell>, 2>, kTextCount> cells;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    auto parts = splitTabs(line);
    if (parts.size() != 3) fail(tsvPath + ":" + std::to_string(lineNo) + ": expected id, Japanese, English");
    if (parts[0].empty() || parts[0].find_first_not_of("0123456789") != std::string::npos)
      fail(tsvPath + ":" + std::to_string(lineNo) + ": bad id");
    int id = std::stoi(parts[0]);
    if (id >= kTextCount) fail(tsvPath + ":" + std::to_string(lineNo) + ": id out of range");
    if (cells[id][0]) fail(tsvPath + ":" + std::to_string(lineNo) + ": id " + parts[0] + " appears twice");
    for (int column = 0; column < 2; ++column) cells[id][column] = parseCell(parts[1 + column], lineNo);
  }
  for (int id = 0; id < kTextCount; ++id) {
    if (!cells[id][0]) fail(tsvPath + ": id " + std::to_string(id) + " is missing");
  }

  Converter toCp932("CP932", "UTF-8");
  static const char* const kColumnNames[2] = {"Japanese", "English"};
  std::string blob;
  std::ostringstream body;
  body << "const char kTextStorage[] =\n";
  std::array<std::array<uint32_t, kTextCount>, 2> offsets{};
  for (int column = 0; column < 2; ++column) {
    for (int id = 0; id < kTextCount; ++id) {
      const Cell& cell = *cells[id][column];
      if (cell.kind == Cell::Kind::none) {
        offsets[column][id] = UINT32_MAX;
        continue;
      }
      if (cell.kind == Cell::Kind::shared) continue;
      std::string cp932;
      if (toCp932.convert(cell.utf8, cp932) != Converter::Outcome::ok) {
        fail(std::string(kColumnNames[column]) + " text of id " + std::to_string(id) +
             " cannot be written in CP932: " + cell.utf8);
      }
      if (cp932.find('\0') != std::string::npos)
        fail("a text may not contain a NUL: id " + std::to_string(id));
      offsets[column][id] = static_cast<uint32_t>(blob.size());
      body << "    // " << kColumnNames[column] << ' ' << id << ": " << commentText(cell.utf8) << "\n    "
           << literal(cp932 + '\0') << "\n";
      blob += cp932;
      blob += '\0';
    }
    for (int id = 0; id < kTextCount; ++id) {
      const Cell& cell = *cells[id][column];
      if (cell.kind != Cell::Kind::shared) continue;
      int target = cell.sharedWith;
      if (target < 0 || target >= kTextCount || cells[target][column]->kind != Cell::Kind::text) {
        fail(std::string(kColumnNames[column]) + " id " + std::to_string(id) +
             " shares storage with an id that has no text of its own");
      }
      offsets[column][id] = offsets[column][target];
    }
  }
  body << "    ;\n";
  if (blob.size() >= UINT32_MAX) fail("text storage too large");

  std::ostringstream out;
  out << "// Generated by kanvo_string_data_generator from strings/texts.tsv; do not edit.\n"
         "#include \"strings/StringTableData.h\"\n\n"
         "namespace kanvo::string_table_data {\n\n"
      << body.str() << "\nconst std::size_t kTextStorageSize = sizeof kTextStorage;\n";
  static const char* const kArrayNames[2] = {"kJapaneseOffsets", "kEnglishOffsets"};
  for (int column = 0; column < 2; ++column) {
    out << "\nconst std::uint32_t " << kArrayNames[column] << "[kTextCount] = {";
    for (int id = 0; id < kTextCount; ++id) {
      out << (id % 8 == 0 ? "\n    " : " ");
      if (offsets[column][id] == UINT32_MAX) {
        out << "kNoText,";
      } else {
        out << offsets[column][id] << "u,";
      }
    }
    out << "\n};\n";
  }
  out << "\n}  // namespace kanvo::string_table_data\n";
  writeFile(outPath, out.str());
  return 0;
}

// ---- CP932 mapping tables ----------------------------------------------------------------

void emitTable(std::ostringstream& out, const char* decl, const std::vector<uint32_t>& values, int perLine,
               bool hex4) {
  out << decl << " = {";
  for (size_t i = 0; i < values.size(); ++i) {
    out << (i % perLine == 0 ? "\n    " : " ");
    char buf[16];
    std::snprintf(buf, sizeof buf, hex4 ? "0x%04X," : "%u,", values[i]);
    out << buf;
  }
  out << "\n};\n";
}

int generateCp932(const std::string& outPath) {
  Converter decode("UTF-32LE", "CP932");
  Converter encode("CP932", "UTF-32LE");
  std::string utf32;

  // Single bytes: a character, a lead byte (iconv wants more input), or invalid.
  std::vector<uint32_t> singleByte(256, 0xFFFF);
  std::vector<uint32_t> leadRow(256, 0);
  std::vector<int> leads;
  for (int b = 0; b < 256; ++b) {
    auto outcome = decode.convert(std::string(1, static_cast<char>(b)), utf32);
    if (outcome == Converter::Outcome::ok) {
      auto cps = toCodePoints(utf32);
      if (cps.size() != 1 || cps[0] >= 0xFFFF) fail("unexpected single-byte mapping");
      singleByte[b] = cps[0];
    } else if (outcome == Converter::Outcome::incomplete) {
      leads.push_back(b);
      leadRow[b] = static_cast<uint32_t>(leads.size());
    }
  }
  if (leads.empty() || leads.size() > 255) fail("unexpected number of CP932 lead bytes");

  // Double bytes: row 0 is all zero (unmapped); row leadRow[lead] holds the lead's 256 trails.
  std::vector<uint32_t> doubleByte(256 * (leads.size() + 1), 0);
  std::map<uint32_t, uint32_t> decodedCount;
  for (size_t row = 0; row < leads.size(); ++row) {
    for (int trail = 0; trail < 256; ++trail) {
      std::string pair{static_cast<char>(leads[row]), static_cast<char>(trail)};
      if (decode.convert(pair, utf32) != Converter::Outcome::ok) continue;
      auto cps = toCodePoints(utf32);
      if (cps.size() != 1) continue;  // the lead and a separate single-byte character: not a pair
      if (cps[0] == 0 || cps[0] >= 0xFFFF) fail("unexpected double-byte mapping");
      doubleByte[256 * (row + 1) + trail] = cps[0];
      ++decodedCount[cps[0]];
    }
  }

  // Unicode -> CP932 over the whole Basic Multilingual Plane (CP932 has nothing beyond it).
  // Value 0 marks "not representable"; U+0000 itself is handled by the converter's code.
  std::vector<uint32_t> encoded(0x10000, 0);
  for (uint32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string bytes;
    if (encode.convert(fromCodePoint(cp), bytes) != Converter::Outcome::ok) continue;
    if (bytes.size() == 1) {
      encoded[cp] = static_cast<uint8_t>(bytes[0]);
      if (encoded[cp] == 0) fail("unexpected encoding to NUL");
    } else if (bytes.size() == 2) {
      encoded[cp] =
          static_cast<uint32_t>(static_cast<uint8_t>(bytes[0])) << 8 | static_cast<uint8_t>(bytes[1]);
      if (encoded[cp] <= 0xFF) fail("unexpected double-byte encoding");
    } else {
      fail("unexpected encoding length");
    }
  }
  // Pages of 256 code points; page 0 of the storage is all zero and serves every empty page.
  std::vector<uint32_t> pageIndex(256, 0);
  std::vector<uint32_t> pages(256, 0);
  for (int page = 0; page < 256; ++page) {
    bool any = false;
    for (int i = 0; i < 256; ++i) any = any || encoded[page * 256 + i] != 0;
    if (!any) continue;
    pageIndex[page] = static_cast<uint32_t>(pages.size() / 256);
    if (pageIndex[page] > 255) fail("too many Unicode pages");
    pages.insert(pages.end(), encoded.begin() + page * 256, encoded.begin() + page * 256 + 256);
  }

  std::ostringstream out;
  out << "// Generated by kanvo_string_data_generator from the C library's CP932 tables; do not edit.\n"
         "#include \"strings/Cp932Tables.h\"\n\n"
         "namespace kanvo::cp932_tables {\n\n"
         "const std::size_t kDoubleByteRowCount = "
      << leads.size() + 1 << ";\nconst std::size_t kUnicodePageCount = " << pages.size() / 256 << ";\n\n";
  emitTable(out, "const std::uint16_t kSingleByte[256]", singleByte, 8, true);
  out << '\n';
  emitTable(out, "const std::uint8_t kLeadRow[256]", leadRow, 16, false);
  out << '\n';
  emitTable(out, "const std::uint16_t kDoubleByte[]", doubleByte, 8, true);
  out << '\n';
  emitTable(out, "const std::uint8_t kUnicodePage[256]", pageIndex, 16, false);
  out << '\n';
  emitTable(out, "const std::uint16_t kFromUnicode[]", pages, 8, true);
  out << "\n}  // namespace kanvo::cp932_tables\n";
  writeFile(outPath, out.str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "texts" && argc == 4) return generateTexts(argv[2], argv[3]);
    if (mode == "cp932" && argc == 3) return generateCp932(argv[2]);
    std::fprintf(stderr, "usage: %s texts <texts.tsv> <out.cpp> | cp932 <out.cpp>\n", argv[0]);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kanvo_string_data_generator: %s\n", e.what());
    if (argc >= 3) std::remove(argv[argc - 1]);  // no output of an earlier run may look current
    return 1;
  }
}
