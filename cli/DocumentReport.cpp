#include "cli/DocumentReport.h"

#include <cstdio>

#include "strings/Cp932.h"

namespace kanvo::cli {

namespace {

// Escapes quote, backslash and control characters (C0, DEL and C1: U+0000-U+001F and
// U+007F-U+009F); the rest of the UTF-8 text is kept as it is.
std::string escaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char ch = utf8[i];
    const uint8_t c = uint8_t(ch);
    if (c == 0xC2 && i + 1 < utf8.size() && uint8_t(utf8[i + 1]) >= 0x80 && uint8_t(utf8[i + 1]) <= 0x9F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(uint8_t(utf8[++i])));
      out += buf;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out;
}

const char* kindName(int32_t kind) {
  switch (kind) {
    case kLayerKind1:
      return "1 bpp";
    case kLayerKind8:
      return "8 bpp";
    case kLayerKind32:
      return "32 bpp";
    case kLayerKindVector:
      return "vector";
    default:
      return "unknown kind";
  }
}

const char* blendName(int32_t mode) {
  switch (mode) {
    case kBlendNormal:
      return "normal";
    case kBlendMultiply:
      return "multiply";
    case kBlendAdd:
      return "add";
    case kBlendInverse:
      return "inverse";
    default:
      return "unknown blend";
  }
}

std::string n(int64_t v) {
  return std::to_string(v);
}

}  // namespace

std::string jsonString(std::string_view utf8) {
  std::string out(1, '"');
  out.append(escaped(utf8)).push_back('"');
  return out;
}

std::string documentJson(const Document& document, std::string_view extraKeys) {
  std::string out = "{\"width\": " + n(document.width()) + ", \"height\": " + n(document.height()) +
                    ", \"resolution\": " + n(document.resolution) +
                    ", \"currentLayer\": " + n(document.currentLayerIndex());
  out.append(extraKeys).append(",\n \"layers\": [");
  for (int32_t i = 0; i < document.layerCount(); ++i) {
    const Layer& l = *document.layer(i);
    out += i == 0 ? "\n" : ",\n";
    out += "   {\"name\": " + jsonString(cp932ToUtf8(l.name)) + ", \"kind\": " + n(l.kind) +
           ", \"offsetX\": " + n(l.offsetX) + ", \"offsetY\": " + n(l.offsetY) +
           ", \"width\": " + n(l.storeWidth()) + ", \"height\": " + n(l.storeHeight()) +
           ", \"opacity\": " + n(l.opacity) + ", \"visible\": " + (l.visible != 0 ? "true" : "false") +
           ", \"blendMode\": " + n(l.blendMode) +
           ", \"protected\": " + (l.reservedFlag != 0 ? "true" : "false") + "}";
  }
  out += document.layerCount() > 0 ? "\n ]}\n" : "]}\n";
  return out;
}

std::string documentText(const Document& document) {
  std::string out = "canvas: " + n(document.width()) + " x " + n(document.height()) + " pixels, " +
                    n(document.resolution) + " dpi\n";
  out += "layers: " + n(document.layerCount());
  if (document.layerCount() > 0) out += " (current: " + n(document.currentLayerIndex()) + ")";
  out += ", bottom first\n";
  for (int32_t i = 0; i < document.layerCount(); ++i) {
    const Layer& l = *document.layer(i);
    out += "  " + n(i) + ": \"" + escaped(cp932ToUtf8(l.name)) + "\" " + kindName(l.kind) + ", " +
           n(l.storeWidth()) + " x " + n(l.storeHeight()) + " at (" + n(l.offsetX) + ", " + n(l.offsetY) +
           "), opacity " + n(l.opacity) + ", " + (l.visible != 0 ? "visible" : "hidden") + ", " +
           blendName(l.blendMode) + (l.reservedFlag != 0 ? ", protected" : "") + "\n";
  }
  return out;
}

}  // namespace kanvo::cli
