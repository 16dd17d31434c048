#include "app/PanelIcons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/BrushPresets.h"

namespace kanvo {

namespace {

constexpr Color32 kInk = 0xFF2B2B2Bu;
constexpr Color32 kBlue = 0xFF2F6FD0u;
constexpr Color32 kLightBlue = 0xFFA9C8F0u;
constexpr Color32 kPink = 0xFFF2A0B4u;
constexpr Color32 kWhite = 0xFFFFFFFFu;
constexpr Color32 kSkin = 0xFFF3C9A0u;
constexpr double kPi = std::numbers::pi;

// A pen lying from (x0, y0) down to its tip at (x1, y1).
void pen(IconShapes& s, double x0, double y0, double x1, double y1, double width, Color32 body) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  const double dx = (x1 - x0) / length, dy = (y1 - y0) / length;
  const double nibX = x1 - dx * width * 1.4, nibY = y1 - dy * width * 1.4;
  s.capsule(x0, y0, nibX, nibY, width, body);
  const double nx = -dy * width / 2, ny = dx * width / 2;
  s.polygon({{nibX + nx, nibY + ny}, {x1, y1}, {nibX - nx, nibY - ny}}, kInk);
}

void arrowHead(IconShapes& s, double tipX, double tipY, double dirX, double dirY, double size, Color32 c) {
  const double nx = -dirY, ny = dirX;
  const double bx = tipX - dirX * size, by = tipY - dirY * size;
  s.polygon({{tipX, tipY}, {bx + nx * size * 0.8, by + ny * size * 0.8}, {bx - nx * size * 0.8, by - ny * size * 0.8}},
            c);
}

IconShapes brush() {
  IconShapes s;
  pen(s, 24, 6, 6, 24, 5, kBlue);
  s.rect(5, 25.5, 9, 1.5, kInk);
  return s;
}

IconShapes eraser() {
  IconShapes s;
  s.bar(9, 21, 15, 15, 9, kPink);
  s.bar(15, 15, 22, 8, 9, kLightBlue);
  s.rect(5, 25, 20, 1.5, kInk);
  return s;
}

IconShapes move() {
  IconShapes s;
  s.bar(7, 15, 23, 15, 2.5, kInk);
  s.bar(15, 7, 15, 23, 2.5, kInk);
  arrowHead(s, 3, 15, -1, 0, 4.5, kInk);
  arrowHead(s, 27, 15, 1, 0, 4.5, kInk);
  arrowHead(s, 15, 3, 0, -1, 4.5, kInk);
  arrowHead(s, 15, 27, 0, 1, 4.5, kInk);
  return s;
}

IconShapes bucket() {
  IconShapes s;
  // A pail tipped to the right, pouring.
  const double c = std::cos(-0.5), n = std::sin(-0.5);
  auto at = [&](double x, double y) { return CurvePoint{13 + x * c - y * n, 16 + x * n + y * c}; };
  s.polygon({at(-7, -6), at(7, -6), at(5.5, 8), at(-5.5, 8)}, kInk);
  s.polygon({at(-5.5, -4.5), at(5.5, -4.5), at(4.3, 6.5), at(-4.3, 6.5)}, kLightBlue);
  s.arc(13 + 0 * c, 16 - 6 * c, 7.5, 1.5, 0.15 * kPi - 0.5, 0.85 * kPi - 0.5, kInk);
  s.disc(24, 22, 2.8, kBlue);
  s.polygon({{21.4, 21.0}, {24, 14.5}, {26.6, 21.0}}, kBlue);
  return s;
}

IconShapes filledRect() {
  IconShapes s;
  s.rect(6, 7, 18, 16, kInk);
  return s;
}

IconShapes rectSelection() {
  IconShapes s;
  for (double x = 5; x < 25; x += 5) {
    s.rect(x, 6, 3, 1.5, kInk);
    s.rect(x, 22.5, 3, 1.5, kInk);
  }
  for (double y = 6; y < 24; y += 5) {
    s.rect(5, y, 1.5, 3, kInk);
    s.rect(23.5, y, 1.5, 3, kInk);
  }
  return s;
}

IconShapes colourPick() {
  IconShapes s;
  s.capsule(21, 9, 9, 21, 3.5, kLightBlue);
  s.polygon({{7.8, 19.8}, {5, 25}, {10.2, 22.2}}, kInk);
  s.bar(17, 9, 21, 13, 6, kInk);
  s.disc(23.5, 6.5, 4, kInk);
  return s;
}

IconShapes hand() {
  IconShapes s;
  const double tops[4] = {8, 5.5, 6, 8.5};
  for (int i = 0; i < 4; ++i) {
    const double x = 10.5 + i * 3.6;
    s.capsule(x, 17, x, tops[i], 3.6, kInk);
    s.capsule(x, 17, x, tops[i], 2.0, kSkin);
  }
  s.capsule(9, 18, 5.5, 14, 3.6, kInk);
  s.capsule(9, 18, 5.5, 14, 2.0, kSkin);
  s.polygon({{8.5, 15}, {22.5, 15}, {22, 22}, {19, 26}, {12, 26}, {8.5, 21}}, kInk);
  s.polygon({{9.6, 15.8}, {21.4, 15.8}, {21, 21.6}, {18.4, 24.8}, {12.6, 24.8}, {9.6, 20.6}}, kSkin);
  return s;
}

IconShapes undo() {
  IconShapes s;
  s.arc(15, 17, 8, 3, -0.25 * kPi, 1.0 * kPi, kInk);
  arrowHead(s, 7, 21.5, 0, 1, 4.5, kInk);
  return s;
}

IconShapes paletteButton() {
  IconShapes s;
  // A small chooser: a field fading to a hue, and a strip of hues beside it.
  s.rect(4, 5, 16, 20, kInk);
  s.rect(5, 6, 14, 6, kWhite);
  s.rect(5, 12, 14, 6, 0xFFE06A6Au);
  s.rect(5, 18, 14, 6, 0xFF602020u);
  const Color32 hues[6] = {0xFFE53935u, 0xFFD81BD8u, 0xFF3949E5u, 0xFF1EC8D8u, 0xFF43C043u, 0xFFE5D835u};
  for (int i = 0; i < 6; ++i) s.rect(21.5, 5 + i * 20.0 / 6, 4.5, 20.0 / 6 + 0.05, hues[i]);
  return s;
}

IconShapes brushFrame() {
  IconShapes s;
  s.polygon({{2, 2}, {28, 2}, {28, 28}, {2, 28}, {2, 2}, {3.5, 3.5}, {3.5, 26.5}, {26.5, 26.5}, {26.5, 3.5}, {3.5, 3.5}},
            kInk);
  return s;
}

IconShapes antialias(bool on) {
  IconShapes s;
  if (on) {
    s.bar(3, 16, 17, 4, 2.2, kInk);
  } else {
    for (int i = 0; i < 7; ++i) s.rect(3 + i * 2, 15 - i * 2, 2, 2, kInk);
  }
  return s;
}

IconShapes preset(int index) {
  IconShapes s;
  const double d = std::min(kBrushPresets[index], 20.0);
  s.disc(12, 12, std::max(d / 2, 0.75), kInk);
  return s;
}

}  // namespace

int32_t PanelIcons::sideOf(int index) {
  if (index >= kAntialiasOn && index <= kAntialiasOff) return 20;
  if (index >= kFirstPreset) return 24;
  return 30;
}

IconShapes PanelIcons::shapes(int index) {
  switch (index) {
    case 0: return brush();
    case 1: return eraser();
    case 2: return move();
    case 3: return bucket();
    case 4: return filledRect();
    case 5: return rectSelection();
    case 6: return colourPick();
    case 7: return hand();
    case kUndo: return undo();
    case kRedo: {
      IconShapes s = undo();
      s.mirror(30);
      return s;
    }
    case kPaletteButton: return paletteButton();
    case kBrushFrame: return brushFrame();
    case kAntialiasOn: return antialias(true);
    case kAntialiasOff: return antialias(false);
    default:
      if (index >= kFirstPreset && index < kSlots) return preset(index - kFirstPreset);
      return {};
  }
}

bool PanelIcons::build() {
  for (int i = 0; i < kSlots; ++i) {
    if (i >= 8 && i <= 11) continue;
    const int32_t side = sideOf(i);
    if (!slots_[size_t(i)].resizeBuffer(side, side)) return false;
    slots_[size_t(i)].fill(0);
    shapes(i).render(slots_[size_t(i)], 1.0);
  }
  return true;
}

IconShapes programIcon() {
  IconShapes s;
  // A rounded sheet of paper with a blue stroke and a pen.
  const double r = 5;
  PointList sheet;
  const double corners[4][2] = {{32 - r, r}, {r, r}, {r, 32 - r}, {32 - r, 32 - r}};
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i <= 8; ++i) {
      const double a = kPi / 2 * c + kPi / 2 * i / 8;
      sheet.push_back({corners[c][0] + (r - 1) * std::cos(a), corners[c][1] - (r - 1) * std::sin(a)});
    }
  s.polygon(sheet, 0xFFF7F3EAu);
  s.arc(17, 30, 10, 3.4, 0.97 * kPi, 0.46 * kPi, kBlue);
  s.disc(7.05, 29.5, 1.7, kBlue);
  pen(s, 28, 7, 18.6, 19.4, 5.5, 0xFFE0524Au);
  return s;
}

bool renderProgramIcon(Image32& image, int32_t side) {
  if (!image.resizeBuffer(side, side)) return false;
  image.fill(0);
  programIcon().render(image, side / kProgramIconSide);
  return true;
}

}  // namespace kanvo
