#include "formats/jpeg/JpegMarkers.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/jpeg/JpegOrientation.h"

namespace kanvo::jpeg {

namespace {

uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

Status damaged(const std::string& what) { return Status::failed("damaged JPEG: " + what); }
Status unsupported(const std::string& what) { return Status::failed("unsupported JPEG: " + what); }

using ParseState = MarkerState;

Status parseFrame(std::span<const uint8_t> s, JpegHeader& h, ParseState& st, bool progressive) {
  if (st.frameSeen) return damaged("two frame headers");
  if (s.size() < 6) return damaged("frame header too short");
  int precision = s[0];
  int height = be16(&s[1]);
  int width = be16(&s[3]);
  int n = s[5];
  if (s.size() != size_t(6 + 3 * n)) return damaged("bad frame header length");
  if (precision != 8) return unsupported(std::to_string(precision) + "-bit samples");
  if (n == 0) return damaged("no colour components");
  if (n == 4) return unsupported("CMYK (4 colour components)");
  if (n != 1 && n != 3) return unsupported(std::to_string(n) + " colour components");
  if (height == 0) return unsupported("height given after the image data (DNL)");
  if (width == 0) return damaged("width 0");
  if (width > kMaxJpegDimension || height > kMaxJpegDimension) {
    return Status::failed("image too large: " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels (the limit is " + std::to_string(kMaxJpegDimension) + " each way)");
  }
  h.width = width;
  h.height = height;
  h.progressive = progressive;
  h.componentCount = n;
  h.maxH = h.maxV = 1;
  for (int i = 0; i < n; ++i) {
    FrameComponent& c = h.components[i];
    c.id = s[6 + 3 * i];
    c.h = s[7 + 3 * i] >> 4;
    c.v = s[7 + 3 * i] & 15;
    c.quantId = s[8 + 3 * i];
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return damaged("bad sampling factors");
    if (c.quantId > 3) return damaged("bad quantisation table id");
    for (int j = 0; j < i; ++j)
      if (h.components[j].id == c.id) return damaged("two components with one id");
    if (n == 1) c.h = c.v = 1;  // a single component is coded block by block
    h.maxH = std::max(h.maxH, c.h);
    h.maxV = std::max(h.maxV, c.v);
  }
  for (int i = 0; i < n; ++i) {
    if (h.maxH % h.components[i].h != 0 || h.maxV % h.components[i].v != 0)
      return unsupported("fractional sampling factors");
  }
  st.frameSeen = true;
  return Status::ok();
}

Status parseHuffman(std::span<const uint8_t> s, JpegHeader& h) {
  size_t off = 0;
  while (off < s.size()) {
    int cls = s[off] >> 4, id = s[off] & 15;
    if (cls > 1 || id > 3) return damaged("bad Huffman table id");
    if (s.size() - off < 17) return damaged("Huffman table does not fit its segment");
    std::array<uint8_t, 16> counts;
    int total = 0;
    for (int i = 0; i < 16; ++i) total += counts[i] = s[off + 1 + i];
    off += 17;
    if (size_t(total) > s.size() - off) return damaged("Huffman table does not fit its segment");
    HuffmanDecodeTable& t = cls == 0 ? h.dcTables[id] : h.acTables[id];
    if (!t.build(counts, s.subspan(off, size_t(total)))) return damaged("bad Huffman table");
    off += size_t(total);
  }
  return Status::ok();
}

Status parseQuant(std::span<const uint8_t> s, JpegHeader& h, ParseState& st) {
  size_t off = 0;
  while (off < s.size()) {
    int precision = s[off] >> 4, id = s[off] & 15;
    if (id > 3) return damaged("bad quantisation table id");
    if (precision > 1) return damaged("bad quantisation table precision");
    size_t bytes = precision == 0 ? 64 : 128;
    ++off;
    if (s.size() - off < bytes) return damaged("quantisation table does not fit its segment");
    for (int k = 0; k < 64; ++k) h.quant[id][k] = precision == 0 ? s[off + k] : be16(&s[off + 2 * k]);
    off += bytes;
    st.quantDefined[id] = true;
  }
  return Status::ok();
}

Status parseScan(std::span<const uint8_t> s, JpegHeader& h, ParseState& st) {
  if (!st.frameSeen) return damaged("scan before the frame header");
  if (s.empty()) return damaged("scan header too short");
  const int n = s[0];
  if (s.size() != size_t(4 + 2 * n)) return damaged("bad scan header length");
  if (n == 0 || n > h.componentCount) return damaged("bad scan component count");
  ScanHeader& scan = h.scan;
  scan.count = n;
  scan.ss = s[1 + 2 * n];
  scan.se = s[2 + 2 * n];
  scan.ah = s[3 + 2 * n] >> 4;
  scan.al = s[3 + 2 * n] & 15;
  bool needDc = true, needAc = true;
  if (h.progressive) {
    // DC scans may interleave components; AC scans code one band of one component.
    const bool dcScan = scan.ss == 0;
    if ((dcScan && scan.se != 0) || (!dcScan && (scan.se < scan.ss || scan.se > 63 || n != 1)) || scan.ah > 13 ||
        scan.al > 13)
      return damaged("bad progressive scan parameters");
    needDc = dcScan && scan.ah == 0;
    needAc = !dcScan;
  }
  // Sequential scans code every coefficient; like common decoders, other spectral selection
  // and approximation values are not held against the file.
  bool used[3] = {false, false, false};
  for (int i = 0; i < n; ++i) {
    int id = s[1 + 2 * i];
    int tables = s[2 + 2 * i];
    int index = -1;
    for (int j = 0; j < h.componentCount; ++j)
      if (h.components[j].id == id) index = j;
    if (index < 0) return damaged("scan names a component the frame lacks");
    if (used[index]) return damaged("scan names a component twice");
    used[index] = true;
    FrameComponent& c = h.components[index];
    c.dcTable = tables >> 4;
    c.acTable = tables & 15;
    if (c.dcTable > 3 || c.acTable > 3) return damaged("bad Huffman table id");
    if ((needDc && !h.dcTables[c.dcTable].isDefined()) || (needAc && !h.acTables[c.acTable].isDefined()))
      return damaged("missing Huffman table");
    if (!st.quantDefined[c.quantId]) return damaged("missing quantisation table");
    scan.comps[i] = index;
  }
  if (h.componentCount == 1) {
    h.colorSpace = ColorSpace::Gray;
  } else if (st.sawJfif) {
    h.colorSpace = ColorSpace::YCbCr;
  } else if (st.sawAdobe) {
    h.colorSpace = st.adobeTransform == 0 ? ColorSpace::Rgb : ColorSpace::YCbCr;
  } else {
    bool rgbIds = h.components[0].id == 'R' && h.components[1].id == 'G' && h.components[2].id == 'B';
    h.colorSpace = rgbIds ? ColorSpace::Rgb : ColorSpace::YCbCr;
  }
  return Status::ok();
}

// Reads segments from pos up to the next scan header. At the end of the input or at EOI:
// `ended` is set, and the result is the one given for those cases before the first scan.
Status readSegments(std::span<const uint8_t> data, size_t pos, JpegHeader& h, bool firstScan, bool& ended) {
  ParseState& st = h.markers;
  const size_t size = data.size();
  ended = false;
  // Every step moves pos forward, so the loop ends within the input.
  while (true) {
    while (pos < size && data[pos] != 0xFF) ++pos;  // stray bytes between segments
    while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= size) {
      ended = true;
      return firstScan ? damaged("the file ends before the image data")
                       : Status::partial("truncated JPEG: the file ends between scans");
    }
    uint8_t code = data[pos++];
    if (code == 0x00 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;  // no segment
    if (code == 0xD8) return damaged("two start markers");
    if (code == 0xD9) {
      ended = true;
      return firstScan ? damaged("no image data") : Status::ok();
    }
    if (size - pos < 2) return damaged("the file ends inside a header");
    size_t length = be16(&data[pos]);
    if (length < 2) return damaged("bad segment length");
    if (size - pos < length) return damaged("the file ends inside a header");
    std::span<const uint8_t> seg = data.subspan(pos + 2, length - 2);
    pos += length;
    Status s;
    switch (code) {
      case 0xC0:
      case 0xC1:
      case 0xC2: s = parseFrame(seg, h, st, code == 0xC2); break;
      case 0xC3:
      case 0xC7:
      case 0xCB:
      case 0xCF: return unsupported("lossless");
      case 0xC5:
      case 0xC6:
      case 0xCE:
      case 0xDE:
      case 0xDF: return unsupported("hierarchical");
      case 0xC9:
      case 0xCA:
      case 0xCD:
      case 0xCC: return unsupported("arithmetic coding");
      case 0xF7:
      case 0xF8: return unsupported("JPEG-LS");
      case 0xC4: s = parseHuffman(seg, h); break;
      case 0xDB: s = parseQuant(seg, h, st); break;
      case 0xDD:
        if (seg.size() != 2) return damaged("bad restart interval segment");
        h.restartInterval = be16(seg.data());
        break;
      case 0xE0:
        if (seg.size() >= 5 && std::memcmp(seg.data(), "JFIF", 5) == 0) st.sawJfif = true;
        break;
      case 0xE1:
        if (!st.sawExif && seg.size() >= 6 && std::memcmp(seg.data(), "Exif\0", 6) == 0) {
          st.sawExif = true;
          h.orientation = exifOrientation(seg);
        }
        break;
      case 0xEE:
        if (seg.size() >= 12 && std::memcmp(seg.data(), "Adobe", 5) == 0) {
          st.sawAdobe = true;
          st.adobeTransform = seg[11];
        }
        break;
      case 0xDA:
        s = parseScan(seg, h, st);
        if (s.isOk()) h.scanOffset = pos;
        return s;
      default: break;  // application data, comments and the rest
    }
    if (!s.isOk()) return s;
  }
}

}  // namespace

Status parseJpegHeader(std::span<const uint8_t> data, JpegHeader& h) {
  h = JpegHeader{};
  if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) return Status::failed("not a JPEG file");
  bool ended = false;
  return readSegments(data, 2, h, true, ended);
}

Status readNextScan(std::span<const uint8_t> data, size_t from, JpegHeader& h, bool& ended) {
  return readSegments(data, from, h, false, ended);
}

size_t scanDataEnd(std::span<const uint8_t> data, size_t from) {
  const size_t size = data.size();
  for (size_t p = from; p + 1 < size; ++p) {
    if (data[p] != 0xFF) continue;
    size_t q = p + 1;
    while (q < size && data[q] == 0xFF) ++q;  // fill bytes
    if (q >= size) return size;
    if (data[q] != 0x00 && (data[q] < 0xD0 || data[q] > 0xD7)) return p;
    p = q;
  }
  return size;
}

}  // namespace kanvo::jpeg
