#include "app/HueColour.h"

#include <algorithm>
#include <cmath>

namespace kanvo {

namespace {

int toByte(double channel) { return int(std::lround(channel * 255.0)); }

}  // namespace

Color32 hueColour(double degrees) {
  double h = std::fmod(degrees, 360.0);
  if (h < 0) h += 360.0;
  const double scaled = h / 60.0;
  const int sector = std::min(int(scaled), 5);
  const double f = scaled - sector;
  double r = 0, g = 0, b = 0;
  switch (sector) {
    case 0: r = 1, g = f; break;
    case 1: r = 1 - f, g = 1; break;
    case 2: g = 1, b = f; break;
    case 3: g = 1 - f, b = 1; break;
    case 4: r = f, b = 1; break;
    default: r = 1, b = 1 - f; break;
  }
  return rgba(toByte(r), toByte(g), toByte(b));
}

std::optional<double> hueOf(Color32 colour) {
  const int r = redOf(colour), g = greenOf(colour), b = blueOf(colour);
  const int high = std::max({r, g, b}), low = std::min({r, g, b});
  if (high == low) return std::nullopt;
  const double span = high - low;
  double h;
  if (high == r)
    h = 60.0 * ((g - b) / span);
  else if (high == g)
    h = 60.0 * ((b - r) / span + 2.0);
  else
    h = 60.0 * ((r - g) / span + 4.0);
  if (h < 0) h += 360.0;
  return h;
}

}  // namespace kanvo
