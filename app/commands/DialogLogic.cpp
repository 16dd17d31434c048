#include "app/commands/DialogLogic.h"

#include <algorithm>
#include <cmath>

#include "document/Document.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// trunc(value x to / from) of a typed value, as the other box's text.
std::optional<std::string> scaled(std::string_view text, int32_t from, int32_t to) {
  const std::optional<int32_t> value = parseSide(text);
  if (!value || from <= 0) return std::nullopt;
  const int64_t result = int64_t(*value) * int64_t(to) / int64_t(from);
  if (result <= 0) return std::nullopt;
  return std::to_string(result);
}

}  // namespace

std::optional<int32_t> parseSide(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  if (begin == end) return std::nullopt;
  int64_t value = 0;
  for (size_t i = begin; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > Document::kMaxSide) return std::nullopt;
  }
  if (value < Document::kMinSide) return std::nullopt;
  return int32_t(value);
}

void NewDialogValues::accept(std::string_view widthText, std::string_view heightText) {
  width = parseSide(widthText).value_or(width);
  height = parseSide(heightText).value_or(height);
}

std::optional<std::string> ResolutionDialogValues::widthTyped(std::string_view text) const {
  if (!keepAspect) return std::nullopt;
  return scaled(text, documentWidth, documentHeight);
}

std::optional<std::string> ResolutionDialogValues::heightTyped(std::string_view text) const {
  if (!keepAspect) return std::nullopt;
  return scaled(text, documentHeight, documentWidth);
}

void ResolutionDialogValues::accept(std::string_view widthText, std::string_view heightText) {
  width = parseSide(widthText).value_or(width);
  height = parseSide(heightText).value_or(height);
}

int32_t BrushDialogLogic::clampPosition(int64_t position) {
  return int32_t(position < kMinPosition ? kMinPosition : position > kMaxPosition ? kMaxPosition : position);
}

int32_t BrushDialogLogic::startPosition(double size) {
  return std::isfinite(size) ? clampPosition(int64_t(std::min(size * 2.0, 1e9))) : kMinPosition;
}

int32_t BrushDialogLogic::kindPosition(double size) {
  return std::isfinite(size) ? clampPosition(2 * int64_t(std::min(size, 1e9))) : kMinPosition;
}

int32_t BrushDialogLogic::previewSide(double scale) {
  if (!std::isfinite(scale) || scale <= 0) return 50;
  return int32_t(std::min(50.0 * scale, 2000.0));
}

void drawDisc(Image32& image, double cx, double cy, double r, uint32_t colour) {
  if (!(r > 0.0) || r > 250.0 || !std::isfinite(cx) || !std::isfinite(cy)) return;
  const int32_t side = int32_t(2.0 * (r + 1.0));
  const int32_t x0 = int32_t(cx - r), y0 = int32_t(cy - r);
  const double r2 = r * r;
  // Corner tests in 1/32 pixel.
  const int64_t fcx = int64_t(cx * 32.0), fcy = int64_t(cy * 32.0), fr = int64_t(r * 32.0);
  auto cornerInside = [&](int32_t x, int32_t y) {
    const int64_t dx = int64_t(x) * 32 - fcx, dy = int64_t(y) * 32 - fcy;
    return dx * dx + dy * dy < fr * fr;
  };
  for (int32_t y = std::max(y0, 0); y < std::min(y0 + side, image.height()); ++y) {
    for (int32_t x = std::max(x0, 0); x < std::min(x0 + side, image.width()); ++x) {
      if (r > 3.0) {
        const int corners = cornerInside(x, y) + cornerInside(x + 1, y) + cornerInside(x, y + 1) +
                            cornerInside(x + 1, y + 1);
        if (corners == 0) continue;
        if (corners == 4) {
          image.paintPixel(x, y, colour, 255);
          continue;
        }
      }
      int inside = 0;
      for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) {
          const double dx = x + i / 5.0 - cx, dy = y + j / 5.0 - cy;
          inside += dx * dx + dy * dy < r2;
        }
      if (inside != 0) image.paintPixel(x, y, colour, inside * 255 / 25);
    }
  }
}

void drawBrushPreview(Image32& image, double radius) {
  const int32_t w = image.width(), h = image.height();
  image.fill(kOpaqueWhite);
  // The outline: w - 1 by h - 1 pixels from the corner.
  for (int32_t x = 0; x < w - 1; ++x) {
    image.paintPixel(x, 0, kOpaqueBlack, 128);
    if (h > 2) image.paintPixel(x, h - 2, kOpaqueBlack, 128);
  }
  for (int32_t y = 1; y < h - 2; ++y) {
    image.paintPixel(0, y, kOpaqueBlack, 128);
    if (w > 2) image.paintPixel(w - 2, y, kOpaqueBlack, 128);
  }
  drawDisc(image, double(w / 2), double(h / 2), radius, kOpaqueBlack);
}

}  // namespace kanvo
