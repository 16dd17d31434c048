#include "raster/geometry/FillSource.h"

#include <cmath>
#include <cstdlib>

#include "raster/pixel/FixedPoint.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {

namespace {

struct Matrix3 {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

Matrix3 multiply(const Matrix3& a, const Matrix3& b) {
  Matrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
  return r;
}

// The repeat rule for a parameter that may run past 0..255.
int64_t mirrorT(int64_t t) {
  int64_t m = t < 0 ? -t : t;
  return (m & 256) ? 255 - (m & 255) : (m & 255);
}

int64_t floorMod(int64_t a, int64_t n) {
  int64_t r = a % n;
  return r < 0 ? r + n : r;
}

}  // namespace

void FillSource::updateGradient(int32_t ox, int32_t oy, double scale) {
  viewX0 = x0 * scale + ox;
  viewY0 = y0 * scale + oy;
  viewX1 = x1 * scale + ox;
  viewY1 = y1 * scale + oy;
  double dx = viewX1 - viewX0, dy = viewY1 - viewY0;
  squaredLength = saturateToInt64(dx * dx + dy * dy);
  squaredLengthD = double(squaredLength);
  length = std::sqrt(squaredLengthD);
  if (shape != kGradientLinear) return;

  double angle = (dx == 0.0 && dy == 0.0) ? 0.0 : std::atan2(dy, dx);
  Matrix3 T, R, S;
  T.m[0][2] = -viewX0;
  T.m[1][2] = -viewY0;
  double c = std::cos(-angle), s = std::sin(-angle);
  R.m[0][0] = c, R.m[0][1] = -s, R.m[1][0] = s, R.m[1][1] = c;
  if (length != 0.0) S.m[0][0] = S.m[1][1] = 1.0 / length;
  Matrix3 M = multiply(multiply(S, R), T);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 3; ++j) coeff[i * 3 + j] = saturateToInt32(M.m[i][j] * 65536.0);
}

void FillSource::updateTexture(double s) {
  double r;
  if (s > 0.5) {
    levelIndex = -1;
    r = s;
  } else {
    levelIndex = 6;
    r = s / std::ldexp(1.0, -7);
    for (int j = 0; j <= 6; ++j) {
      if (s > std::ldexp(1.0, -(j + 2))) {
        levelIndex = j;
        r = s / std::ldexp(1.0, -(j + 1));
        break;
      }
    }
  }
  stepX = stepY = saturateToInt32(65536.0 / r);
  bilinear = (r != 1.0 && !(s > 1.0)) ? 1 : 0;
  levelWidth = levelImage().width();
  levelHeight = levelImage().height();
}

void FillSource::buildLevels() {
  for (int k = 0; k < kTextureLevels; ++k) {
    double f = std::ldexp(1.0, -(k + 1));
    int32_t w = int32_t(texture.width() * f), h = int32_t(texture.height() * f);
    if (w & 1) --w;
    if (h & 1) --h;
    Image32& level = levels[size_t(k)];
    if (!level.resizeBuffer(w, h)) continue;
    level.fill(0);
    const Image32& prev = k == 0 ? texture : levels[size_t(k - 1)];
    for (int32_t y = 0; y < prev.height(); y += 2)
      for (int32_t x = 0; x < prev.width(); x += 2) {
        Color32 m = prev.downsample2x2(x, y);
        if (m != 0) level.setPixel(x / 2, y / 2, m);
      }
  }
}

int FillSource::gradientT(int32_t x, int32_t y) const {
  int64_t t;
  if (shape == kGradientRadial || shape == kGradientRadialInverted) {
    double ddx = x - viewX0, ddy = y - viewY0;
    double d2 = ddx * ddx + ddy * ddy;
    if (repeat == kGradientRepeat || repeat == kGradientMirror) {
      t = length != 0.0 ? saturateToInt32(std::sqrt(d2) / length * 255.0) : 0;
      t = repeat == kGradientRepeat ? (t & 255) : mirrorT(t);
    } else {
      int64_t d2i = saturateToInt64(d2);
      t = d2i >= squaredLength ? 255 : int64_t((__int128(d2i) * 255) / squaredLength);
    }
  } else {
    t = (int64_t(coeff[0]) * x + int64_t(coeff[1]) * y + coeff[2]) >> 8;
    if (repeat == kGradientRepeat) {
      t &= 255;
    } else if (repeat == kGradientMirror) {
      t = mirrorT(t);
    } else {
      t = t < 0 ? 0 : (t > 254 ? 255 : t);
    }
  }
  if (shape == kGradientRadialInverted) t = 255 - t;
  return int(t);
}

Color32 sampleWrappedBilinear(const Image32& image, int64_t u, int64_t v) {
  int32_t W = image.width(), H = image.height();
  if (W <= 0 || H <= 0) return 0;
  int fx = int((u >> 8) & 255), fy = int((v >> 8) & 255);
  int w00 = (255 - fx) * (255 - fy) / 255, w10 = fx * (255 - fy) / 255, w01 = (255 - fx) * fy / 255;
  int w11 = 255 - w00 - w10 - w01;
  int32_t xa = int32_t(floorMod(u >> 16, W)), xb = int32_t(floorMod((u >> 16) + 1, W));
  int32_t ya = int32_t(floorMod(v >> 16, H)), yb = int32_t(floorMod((v >> 16) + 1, H));
  const Color32 px[4] = {image.getPixel(xa, ya), image.getPixel(xb, ya), image.getPixel(xa, yb),
                         image.getPixel(xb, yb)};
  const int wt[4] = {w00, w10, w01, w11};
  int A = 0;
  for (int i = 0; i < 4; ++i) A += wt[i] * alphaOf(px[i]);
  if (A == 0) return 0;
  uint32_t out = uint32_t(A / 255) << 24;
  for (int b = 0; b < 3; ++b) {
    int sum = 0;
    for (int i = 0; i < 4; ++i) sum += byteOf(px[i], b) * wt[i] * alphaOf(px[i]);
    out |= uint32_t(sum / A) << (8 * b);
  }
  return out;
}

Color32 FillSource::textureSample(int32_t x, int32_t y, int32_t ox, int32_t oy) const {
  const Image32& img = levelImage();
  if (levelWidth <= 0 || levelHeight <= 0 || img.width() != levelWidth || img.height() != levelHeight) return 0;
  int64_t u = (int64_t(x) - ox) * stepX, v = (int64_t(y) - oy) * stepY;
  if (bilinear) return sampleWrappedBilinear(img, u, v);
  // A negative remainder addresses no pixel and reads as transparent.
  int64_t px = (u >> 16) % levelWidth, py = (v >> 16) % levelHeight;
  return img.getPixel(int32_t(px), int32_t(py));
}

void FillSource::apply(Color32& out, int32_t x, int32_t y, int32_t ox, int32_t oy) const {
  if (type == kFillTexture) {
    over(out, textureSample(x, y, ox, oy), opacity);
    return;
  }
  rampColour(out, gradientT(x, y));
}

void FillSource::rampColour(Color32& out, int t) const {
  if (colourMode == kGradientOneColour) {
    over(out, colourA, 255 - t);
  } else {
    out = colourA;
    over(out, colourB, t);
  }
}

bool FillSource::copyFrom(const FillSource& o) {
  type = o.type, enabled = o.enabled;
  shape = o.shape, repeat = o.repeat, colourMode = o.colourMode, gradientFlags = o.gradientFlags;
  x0 = o.x0, y0 = o.y0, x1 = o.x1, y1 = o.y1;
  colourA = o.colourA, colourB = o.colourB;
  squaredLength = o.squaredLength, squaredLengthD = o.squaredLengthD, length = o.length;
  viewX0 = o.viewX0, viewY0 = o.viewY0, viewX1 = o.viewX1, viewY1 = o.viewY1;
  for (int i = 0; i < 6; ++i) coeff[i] = o.coeff[i];
  stepX = o.stepX, stepY = o.stepY, levelIndex = o.levelIndex;
  levelWidth = o.levelWidth, levelHeight = o.levelHeight;
  bilinear = o.bilinear, opacity = o.opacity;
  if (type != kFillTexture) return true;
  bool ok = texture.assign(o.texture) && secondImage.assign(o.secondImage);
  buildLevels();
  return ok;
}

// ---------------------------------------------------------------------------------------------

void FillSourceStack::clear() {
  for (auto& s : sources_) s.reset();
  count_ = 0;
  current_ = 0;
}

FillSource* FillSourceStack::append(std::unique_ptr<FillSource> s) {
  if (count_ >= kMaxFillSources) return nullptr;
  current_ = count_;
  sources_[size_t(count_++)] = std::move(s);
  return sources_[size_t(current_)].get();
}

FillSource* FillSourceStack::addGradient(double x0, double y0, Color32 colourA, double x1, double y1,
                                         Color32 colourB, int32_t shape, int32_t repeat, int32_t colourMode) {
  if (count_ >= kMaxFillSources) return nullptr;
  auto s = std::make_unique<FillSource>();
  s->type = kFillGradient;
  s->x0 = x0, s->y0 = y0, s->x1 = x1, s->y1 = y1;
  s->colourA = colourA, s->colourB = colourB;
  s->shape = shape, s->repeat = repeat, s->colourMode = colourMode;
  FillSource* added = append(std::move(s));
  setView(0, 0, 1.0);
  return added;
}

FillSource* FillSourceStack::addTexture(const Image32& image, int opacity) {
  if (count_ >= kMaxFillSources) return nullptr;
  auto s = std::make_unique<FillSource>();
  s->type = kFillTexture;
  s->opacity = uint8_t(opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity));
  if (!image.hasPixels() || !s->texture.assign(image)) return nullptr;
  s->buildLevels();
  FillSource* added = append(std::move(s));
  setView(0, 0, 1.0);
  return added;
}

bool FillSourceStack::assign(const FillSourceStack& other) {
  if (&other == this) return true;
  baseColour_ = other.baseColour_;
  clear();
  bool ok = true;
  for (int i = 0; i < other.count_; ++i) {
    auto s = std::make_unique<FillSource>();
    ok = s->copyFrom(*other.sources_[size_t(i)]) && ok;
    append(std::move(s));
  }
  current_ = other.current_;
  return ok;
}

void FillSourceStack::setView(int32_t offsetX, int32_t offsetY, double scale) {
  viewOffsetX_ = offsetX;
  viewOffsetY_ = offsetY;
  viewScale_ = scale;
  for (int i = 0; i < count_; ++i) {
    FillSource& s = *sources_[size_t(i)];
    if (s.type == kFillTexture)
      s.updateTexture(scale);
    else
      s.updateGradient(offsetX, offsetY, scale);
  }
}

Color32 FillSourceStack::evaluate(int32_t x, int32_t y) const {
  Color32 out = baseColour_;
  for (int i = 0; i < count_; ++i) {
    const FillSource& s = *sources_[size_t(i)];
    if (s.enabled) s.apply(out, x, y, viewOffsetX_, viewOffsetY_);
  }
  return out;
}

}  // namespace kanvo
