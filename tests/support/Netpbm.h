#pragma once
// Test helper: reads binary Netpbm pictures (P5 grey, P6 RGB, P7 PAM with GRAYSCALE,
// RGB or RGB_ALPHA tuples), 8 bits a sample. A picture is held as interleaved 8-bit samples.
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kanvo::test {

struct NetpbmImage {
  int width = 0, height = 0;
  int channels = 0;              // 1 grey, 3 RGB, 4 RGBA
  std::vector<uint8_t> samples;  // width * height * channels, rows top to bottom

  // The pixel as RGB (grey repeated).
  void rgbAt(int x, int y, int& r, int& g, int& b) const {
    const uint8_t* p = &samples[(size_t(y) * width + x) * channels];
    r = p[0];
    g = channels >= 3 ? p[1] : p[0];
    b = channels >= 3 ? p[2] : p[0];
  }
  // Packed RGB of the whole picture (grey repeated, alpha dropped).
  std::vector<uint8_t> toRgb() const {
    std::vector<uint8_t> out;
    for (int i = 0, r, g, b; i < width * height; ++i) {
      rgbAt(i % width, i / width, r, g, b);
      out.insert(out.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
    }
    return out;
  }
};

namespace netpbm_detail {
inline bool token(std::istream& in, std::string& t) {
  t.clear();
  int c;
  while ((c = in.get()) != EOF) {
    if (c == '#') {
      while ((c = in.get()) != EOF && c != '\n') {
      }
      continue;
    }
    if (std::isspace(c)) {
      if (!t.empty()) return true;
      continue;
    }
    t.push_back(char(c));
  }
  return !t.empty();
}
}  // namespace netpbm_detail

// Empty result when the file is missing or not a supported 8-bit Netpbm picture.
inline NetpbmImage readNetpbm(const std::string& path) {
  NetpbmImage img;
  std::ifstream in(path, std::ios::binary);
  if (!in) return img;
  std::string magic, t;
  if (!netpbm_detail::token(in, magic)) return img;
  int maxval = 0;
  if (magic == "P5" || magic == "P6") {
    if (!netpbm_detail::token(in, t)) return img;
    img.width = std::stoi(t);
    if (!netpbm_detail::token(in, t)) return img;
    img.height = std::stoi(t);
    if (!netpbm_detail::token(in, t)) return img;
    maxval = std::stoi(t);
    img.channels = magic == "P5" ? 1 : 3;
  } else if (magic == "P7") {
    // token() also takes the newline after ENDHDR.
    while (netpbm_detail::token(in, t) && t != "ENDHDR") {
      std::string v;
      netpbm_detail::token(in, v);
      if (t == "WIDTH") img.width = std::stoi(v);
      if (t == "HEIGHT") img.height = std::stoi(v);
      if (t == "DEPTH") img.channels = std::stoi(v);
      if (t == "MAXVAL") maxval = std::stoi(v);
    }
  } else {
    return img;
  }
  if (maxval != 255 || img.width <= 0 || img.height <= 0 || img.channels < 1 || img.channels > 4) {
    return NetpbmImage{};
  }
  img.samples.resize(size_t(img.width) * img.height * img.channels);
  in.read(reinterpret_cast<char*>(img.samples.data()), std::streamsize(img.samples.size()));
  if (!in) return NetpbmImage{};
  return img;
}

}  // namespace kanvo::test
