#pragma once
// A small, strict JSON reader for tests: parses the corpus manifest and kanvo-cli's --json
// output back. Objects keep their keys in a map; numbers are doubles (exact for the integers
// tests deal with); strings are decoded to UTF-8 (\uXXXX escapes and surrogate pairs included).
// parseJson returns false on any syntax error, trailing garbage or unpaired surrogate.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kanvo::test {

struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject } type = kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<Json> array;
  std::map<std::string, Json> object;

  bool has(const std::string& key) const { return type == kObject && object.count(key) > 0; }
  const Json& operator[](const std::string& key) const {
    static const Json none;
    auto it = object.find(key);
    return it == object.end() ? none : it->second;
  }
  const Json& operator[](size_t i) const {
    static const Json none;
    return i < array.size() ? array[i] : none;
  }
  int64_t asInt() const { return int64_t(number); }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& text) : s_(text) {}
  bool parse(Json& out) {
    if (!value(out, 0)) return false;
    space();
    return i_ == s_.size();
  }

 private:
  void space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool literal(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (s_.compare(i_, n, word) != 0) return false;
    i_ += n;
    return true;
  }
  bool value(Json& v, int depth) {
    if (depth > 64) return false;
    space();
    if (i_ >= s_.size()) return false;
    char c = s_[i_];
    if (c == '{') return object(v, depth);
    if (c == '[') return array(v, depth);
    if (c == '"') {
      v.type = Json::kString;
      return string(v.string);
    }
    if (literal("true")) {
      v.type = Json::kBool;
      v.boolean = true;
      return true;
    }
    if (literal("false")) {
      v.type = Json::kBool;
      return true;
    }
    if (literal("null")) return true;
    return number(v);
  }
  bool number(Json& v) {
    size_t start = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    size_t digits = i_;
    while (i_ < s_.size() && isdigit(uint8_t(s_[i_]))) ++i_;
    if (i_ == digits) return false;
    if (s_[digits] == '0' && i_ - digits > 1) return false;
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      size_t f = i_;
      while (i_ < s_.size() && isdigit(uint8_t(s_[i_]))) ++i_;
      if (i_ == f) return false;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      size_t e = i_;
      while (i_ < s_.size() && isdigit(uint8_t(s_[i_]))) ++i_;
      if (i_ == e) return false;
    }
    v.type = Json::kNumber;
    v.number = std::stod(s_.substr(start, i_ - start));
    return true;
  }
  bool hex4(uint32_t& u) {
    if (i_ + 4 > s_.size()) return false;
    u = 0;
    for (int k = 0; k < 4; ++k) {
      char c = s_[i_++];
      u <<= 4;
      if (c >= '0' && c <= '9')
        u |= uint32_t(c - '0');
      else if (c >= 'a' && c <= 'f')
        u |= uint32_t(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        u |= uint32_t(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }
  static void utf8(std::string& out, uint32_t u) {
    if (u < 0x80) {
      out += char(u);
    } else if (u < 0x800) {
      out += char(0xC0 | (u >> 6));
      out += char(0x80 | (u & 63));
    } else if (u < 0x10000) {
      out += char(0xE0 | (u >> 12));
      out += char(0x80 | ((u >> 6) & 63));
      out += char(0x80 | (u & 63));
    } else {
      out += char(0xF0 | (u >> 18));
      out += char(0x80 | ((u >> 12) & 63));
      out += char(0x80 | ((u >> 6) & 63));
      out += char(0x80 | (u & 63));
    }
  }
  bool string(std::string& out) {
    ++i_;  // opening quote
    while (i_ < s_.size()) {
      uint8_t c = uint8_t(s_[i_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;  // control characters must be escaped
      if (c != '\\') {
        out += char(c);
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t u;
          if (!hex4(u)) return false;
          if (u >= 0xD800 && u < 0xDC00) {
            uint32_t low;
            if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
          } else if (u >= 0xDC00 && u < 0xE000) {
            return false;
          }
          utf8(out, u);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }
  bool array(Json& v, int depth) {
    v.type = Json::kArray;
    ++i_;
    space();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return true;
    }
    for (;;) {
      v.array.emplace_back();
      if (!value(v.array.back(), depth + 1)) return false;
      space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (s_[i_] == ']') {
        ++i_;
        return true;
      }
      return false;
    }
  }
  bool object(Json& v, int depth) {
    v.type = Json::kObject;
    ++i_;
    space();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      space();
      if (i_ >= s_.size() || s_[i_] != '"') return false;
      std::string key;
      if (!string(key)) return false;
      space();
      if (i_ >= s_.size() || s_[i_] != ':') return false;
      ++i_;
      if (v.object.count(key)) return false;  // duplicate keys are an error here
      if (!value(v.object[key], depth + 1)) return false;
      space();
      if (i_ >= s_.size()) return false;
      if (s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (s_[i_] == '}') {
        ++i_;
        return true;
      }
      return false;
    }
  }

  const std::string& s_;
  size_t i_ = 0;
};

inline bool parseJson(const std::string& text, Json& out) {
  return JsonParser(text).parse(out);
}

}  // namespace kanvo::test
