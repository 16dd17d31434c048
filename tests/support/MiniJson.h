#pragma once
// A small, strict JSON reader for tests: kanvo-cli's --json output and the corpus manifest.
// Objects keep their keys in a map (a repeated key is an error); numbers are doubles (exact for
// the integers tests deal with); strings are decoded to UTF-8, \uXXXX escapes and surrogate pairs
// included. parseJson returns false on any syntax error, a raw control character or an unpaired
// surrogate in a string, or anything after the value.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
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

  bool has(const std::string& key) const { return object.count(key) > 0; }
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

namespace json_detail {

struct Reader {
  const std::string& s;
  size_t i = 0;

  bool more() const { return i < s.size(); }
  void space() {
    while (more() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
  }
  bool eat(char c) {
    space();
    return more() && s[i] == c && ++i;
  }
  bool word(const char* w) {
    const size_t n = std::strlen(w);
    return s.compare(i, n, w) == 0 && (i += n);
  }
  size_t digits() {
    const size_t from = i;
    while (more() && std::isdigit(uint8_t(s[i]))) ++i;
    return i - from;
  }
  bool hex4(uint32_t& u) {
    for (int k = 0; k < 4; ++k, ++i)
      if (!more() || !std::isxdigit(uint8_t(s[i]))) return false;
    u = uint32_t(std::strtoul(s.substr(i - 4, 4).c_str(), nullptr, 16));
    return true;
  }
  bool string(std::string& out) {
    if (!eat('"')) return false;
    while (more()) {
      const uint8_t c = uint8_t(s[i++]);
      if (c == '"') return true;
      if (c < 0x20 || (c == '\\' && !more())) return false;  // control characters must be escaped
      if (c != '\\') {
        out += char(c);
        continue;
      }
      static const char kEscapes[] = "\"\"\\\\//b\bf\fn\nr\rt\t";  // the escape, then what it stands for
      const char e = s[i++];
      const char* p = e != 'u' && e != '\0' ? std::strchr(kEscapes, e) : nullptr;
      if (p != nullptr && (p - kEscapes) % 2 == 0) {
        out += p[1];
        continue;
      }
      uint32_t u = 0, low = 0;
      if (e != 'u' || !hex4(u) || (u >= 0xDC00 && u < 0xE000)) return false;
      if (u >= 0xD800 && u < 0xDC00) {
        if (!word("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
        u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      }
      const int n = u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
      out += char(n == 1 ? u : (0xF00 >> n) | (u >> (6 * (n - 1))));
      for (int k = n - 2; k >= 0; --k) out += char(0x80 | ((u >> (6 * k)) & 0x3F));
    }
    return false;
  }
  bool value(Json& v, int depth) {
    space();
    if (depth > 64 || !more()) return false;
    if (s[i] == '"') {
      v.type = Json::kString;
      return string(v.string);
    }
    if (eat('[')) {
      v.type = Json::kArray;
      if (eat(']')) return true;
      bool ok;
      do v.array.emplace_back();
      while ((ok = value(v.array.back(), depth + 1)) && eat(','));
      return ok && eat(']');
    }
    if (eat('{')) {
      v.type = Json::kObject;
      if (eat('}')) return true;
      for (std::string key;
           string(key) && eat(':') && !v.object.count(key) && value(v.object[key], depth + 1); key.clear())
        if (!eat(',')) return eat('}');
      return false;
    }
    for (const bool b : {true, false}) {
      if (word(b ? "true" : "false")) {
        v.type = Json::kBool;
        v.boolean = b;
        return true;
      }
    }
    if (word("null")) return true;
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    const size_t start = i, first = i + (s[i] == '-');
    i = first;
    const size_t n = digits();
    if (n == 0 || (n > 1 && s[first] == '0')) return false;
    if (more() && s[i] == '.' && (++i, digits() == 0)) return false;
    if (more() && (s[i] == 'e' || s[i] == 'E')) {
      i += 1 + (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-'));
      if (digits() == 0) return false;
    }
    v.type = Json::kNumber;
    v.number = std::strtod(s.substr(start, i - start).c_str(), nullptr);
    return true;
  }
};

}  // namespace json_detail

inline bool parseJson(const std::string& text, Json& out) {
  json_detail::Reader r{text};
  if (!r.value(out, 0)) return false;
  r.space();
  return !r.more();
}

}  // namespace kanvo::test
