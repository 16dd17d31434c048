#include "raster/geometry/PolygonFill.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/geometry/FillSource.h"
#include "raster/pixel/FixedPoint.h"
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

namespace {

// The crossings of one sample line, ascending.
struct Crossings {
  double x[kMaxCrossings + 1];
  int count = 0;
};

// A sub-row's coverage as events in ascending x: at x, the sub-row enters (runs 1) or leaves
// (runs -1) a run, or an end pixel adds its 8-bit coverage `end`. At most kMaxCrossings / 2
// runs, each giving at most four events.
struct RowEvent {
  int32_t x;
  int16_t runs;
  int16_t end;
};
struct RowEvents {
  RowEvent at[(kMaxCrossings + 1) * 2];
  int32_t count = 0;
  void add(int32_t x, int runs, int end) { at[count++] = {x, int16_t(runs), int16_t(end)}; }
  void addRun(int32_t x0, int32_t x1) {  // the pixels x0 ... x1 - 1
    add(x0, 1, 0);
    add(x1, -1, 0);
  }
};

// Sorts the crossings ascending. Ordinary values end in the one ascending order whatever the
// sort (equal values differ at most in the sign of a zero, which nothing downstream tells
// apart); with a NaN among them the order is that of an insertion sort, which is safe for NaN.
void sortCrossings(Crossings& c) {
  if (c.count > 16 && std::none_of(c.x, c.x + c.count, [](double v) { return std::isnan(v); })) {
    std::sort(c.x, c.x + c.count);
    return;
  }
  for (int i = 1; i < c.count; ++i) {
    double v = c.x[i];
    int j = i;
    for (; j > 0 && c.x[j - 1] > v; --j) c.x[j] = c.x[j - 1];
    c.x[j] = v;
  }
}

// Collects and sorts the crossings of the edges with line y; false when the line has more
// than kMaxCrossings.
bool collect(const EdgeList& edges, double y, Crossings& c) {
  c.count = 0;
  for (const PolygonEdge& e : edges) {
    double x;
    if (!edgeCrossing(e, y, x)) continue;
    if (c.count == kMaxCrossings) return false;
    c.x[c.count++] = x;
  }
  sortCrossings(c);
  return true;
}

// collect for the four sub-rows of row y in one pass over the edges; false when any sub-row
// has more than kMaxCrossings.
bool collectSubRows(const EdgeList& edges, int32_t y, Crossings sub[4]) {
  double line[4];
  for (int k = 0; k < 4; ++k) {
    line[k] = (y + (k + 0.5) * 0.25) + kScanOffset;  // the sample line as edgeCrossing moves it
    sub[k].count = 0;
  }
  for (const PolygonEdge& e : edges) {
    if (e.from.y == e.to.y) continue;
    const CurvePoint& start = e.from.y < e.to.y ? e.from : e.to;
    const CurvePoint& end = e.from.y < e.to.y ? e.to : e.from;
    if (!(line[3] >= start.y && line[0] <= end.y)) continue;
    for (int k = 0; k < 4; ++k) {
      if (!(line[k] >= start.y && line[k] <= end.y)) continue;
      if (sub[k].count == kMaxCrossings) return false;
      sub[k].x[sub[k].count++] = start.x + (line[k] - start.y) * e.inverseSlope;
    }
  }
  for (int k = 0; k < 4; ++k) sortCrossings(sub[k]);
  return true;
}

bool allFinite(const PointList& points) {
  for (const CurvePoint& p : points)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  return true;
}

int clampOpacity(int opacity) { return opacity < 0 ? 0 : (opacity > 255 ? 255 : opacity); }

// Calls paint(x, weight, single) for the pixels of the run [xa, xb] on a row of width pixels,
// the end pixels weighted by their covered fraction (ends clamped to the row first), and
// fillInner(x0, x1) for the pixels x0..x1 - 1 between the ends, which get weight opacity.
template <class Paint, class FillInner>
void paintAntialiasedRun(int32_t width, double xa, double xb, int opacity, Paint paint, FillInner fillInner) {
  if (width <= 0 || std::isnan(xa) || std::isnan(xb)) return;
  if (xa > xb) std::swap(xa, xb);
  if (xb < 0.0 || xa >= double(width)) return;
  if (xa < 0.0) xa = 0.0;
  if (xb > double(width)) xb = double(width);
  const int32_t ia = int32_t(xa), ib = int32_t(xb);
  const double fa = xa - ia, fb = xb - ib;
  if (ia == ib) {
    paint(ia, int((fb - fa) * 255.0) * opacity / 255, true);
    return;
  }
  paint(ia, (255 - int(fa * 255.0)) * opacity / 255, false);
  const int32_t innerEnd = std::min(ib, width);
  if (ia + 1 < innerEnd) fillInner(ia + 1, innerEnd);
  if (ib < width) paint(ib, int(fb * 255.0) * opacity / 255, false);
}

template <class Paint>
void paintAntialiasedRun(int32_t width, double xa, double xb, int opacity, Paint paint) {
  paintAntialiasedRun(width, xa, xb, opacity, paint, [&](int32_t x0, int32_t x1) {
    for (int32_t x = x0; x < x1; ++x) paint(x, opacity, false);
  });
}

// Orders and clips the inclusive run x0..x1 to [0, width - 1]; false when nothing remains.
bool clipRun(int32_t& x0, int32_t& x1, int32_t width) {
  if (x0 > x1) std::swap(x0, x1);
  if (x0 < 0) x0 = 0;
  if (x1 > width - 1) x1 = width - 1;
  return x0 <= x1;
}

// A dirty-rectangle x for a run end, kept within [0, width] so the rectangle cannot overflow.
int32_t dirtyX(double v, int32_t width) {
  int32_t x = saturateToInt32(v);
  return x < 0 ? 0 : (x > width ? width : x);
}

}  // namespace

bool coverageRun(uint8_t* row, int32_t width, double xa, double xb, int value) {
  if (row == nullptr) return false;
  bool drawn = false;
  const uint8_t v = uint8_t(clampOpacity(value));
  paintAntialiasedRun(
      width, xa, xb, 255,
      [&](int32_t x, int w, bool) {
        mix8(row[x], v, w);
        drawn = true;
      },
      [&](int32_t x0, int32_t x1) { std::memset(row + x0, v, size_t(x1 - x0)); });
  return drawn;
}

EdgeList edgesOf(const PointList& points) {
  EdgeList edges;
  size_t n = points.size();
  edges.resize(n);
  for (size_t i = 0; i < n; ++i) {
    edges[i].from = points[i];
    edges[i].to = points[(i + 1) % n];
  }
  return edges;
}

void prepareEdges(EdgeList& edges) {
  for (PolygonEdge& e : edges) {
    double dx = e.to.x - e.from.x, dy = e.to.y - e.from.y;
    e.mostlyHorizontal = std::fabs(dx) > std::fabs(dy) ? 1 : 0;
    e.inverseSlope = dy != 0.0 ? dx / dy : 0.0;
    e.goesDown = e.to.y > e.from.y ? 1 : 0;
  }
}

bool edgeCrossing(const PolygonEdge& e, double y, double& x) {
  if (e.from.y == e.to.y) return false;
  double yq = y + kScanOffset;
  const CurvePoint& start = e.from.y < e.to.y ? e.from : e.to;
  const CurvePoint& end = e.from.y < e.to.y ? e.to : e.from;
  if (!(yq >= start.y && yq <= end.y)) return false;
  x = start.x + (yq - start.y) * e.inverseSlope;
  return true;
}

void selectBand(const EdgeList& all, double top, double height, EdgeList& band) {
  band.clear();
  double bottom = top + height;
  for (const PolygonEdge& e : all) {
    double lo = std::min(e.from.y, e.to.y), hi = std::max(e.from.y, e.to.y);
    if (hi >= top && lo <= bottom) band.push_back(e);
  }
}

void solidRun(Image32& image, int32_t y, int32_t x0, int32_t x1, Color32 colour, int opacity) {
  Color32* row = image.pixelAddress(0, y);
  if (!row || !clipRun(x0, x1, image.width())) return;
  for (int32_t x = x0; x <= x1; ++x) {
    if (alphaOf(row[x]) == 255)
      blendRgb(row[x], colour, opacity);
    else
      over(row[x], colour, opacity);
  }
}

void solidRunAntialiased(Image32& image, int32_t y, double xa, double xb, Color32 colour, int opacity) {
  SpanParams p;
  p.paint = colour;
  p.opacity = uint8_t(clampOpacity(opacity));
  image.drawSpan(p, y, xa, xb);
}

void sourceRun(Image32& image, int32_t y, int32_t x0, int32_t x1, const FillSourceStack& sources, int opacity) {
  Color32* row = image.pixelAddress(0, y);
  if (!row || !clipRun(x0, x1, image.width())) return;
  for (int32_t x = x0; x <= x1; ++x) over(row[x], sources.evaluate(x, y), opacity);
}

void sourceRunAntialiased(Image32& image, int32_t y, double xa, double xb, const FillSourceStack& sources,
                          int opacity) {
  Color32* row = image.pixelAddress(0, y);
  if (!row) return;
  paintAntialiasedRun(image.width(), xa, xb, clampOpacity(opacity), [&](int32_t x, int w, bool single) {
    if (single)
      image.paintPixel(x, y, sources.evaluate(x, y), w);
    else
      over(row[x], sources.evaluate(x, y), w);
  });
}

void fillRow(Image32& image, int32_t y, Color32 colour, int opacity, ScanParams& params, const EdgeList& edges) {
  if (!image.rowAddress(y)) return;
  opacity = clampOpacity(opacity);
  Crossings c;
  if (!collect(edges, y + 0.5, c) || c.count == 0 || (c.count & 1)) return;
  const int32_t width = image.width();
  for (int i = 0; i + 1 < c.count; i += 2) {
    double x1 = c.x[i], x2 = c.x[i + 1];
    if (x1 == x2 || std::isnan(x1) || std::isnan(x2)) continue;
    if (params.fillSources) {
      if (params.antialiasEnds)
        sourceRunAntialiased(image, y, x1, x2, *params.fillSources, opacity);
      else
        sourceRun(image, y, saturateToInt32(x1), saturateToInt32(x2), *params.fillSources, opacity);
    } else {
      if (params.antialiasEnds)
        solidRunAntialiased(image, y, x1, x2, colour, opacity);
      else
        solidRun(image, y, saturateToInt32(x1), saturateToInt32(x2), colour, opacity);
    }
    params.dirty.includePoint(dirtyX(std::floor(std::max(x1, 0.0)), width), y);
    params.dirty.includePoint(dirtyX(std::ceil(std::min(x2, double(width))), width), y);
  }
}

namespace {

// The four sub-rows of row y (of a row width pixels wide) as events, a sub-row weighing opacity
// inside a run: a pixel's weight is the mean of its four sub-rows' 8-bit coverage, the value
// inside a run, the mixed-in fraction at an anti-aliased end (two ends of one sub-row in one
// pixel mixed in turn), 0 elsewhere. Each sub-row is held as events along it, so that the
// weight is constant between two events of the four. minX ... maxX receives the touched
// columns, clamped to the row. False when the row paints nothing: every sub-row is collected
// before anything is painted, so an abandoned row paints nothing.
bool subRowEvents(const EdgeList& edges, int32_t y, int32_t width, int opacity, bool antialiasEnds,
                  RowEvents subEvents[4], int32_t& minX, int32_t& maxX) {
  Crossings sub[4];
  if (!collectSubRows(edges, y, sub)) return false;
  for (int k = 0; k < 4; ++k)
    if (sub[k].count & 1) return false;
  minX = INT32_MAX;
  maxX = INT32_MIN;
  for (int k = 0; k < 4; ++k) {
    RowEvents& events = subEvents[k];
    int32_t lastEnd = -1, covered = 0;
    for (int i = 0; i + 1 < sub[k].count; i += 2) {
      double x1 = sub[k].x[i], x2 = sub[k].x[i + 1];
      if (x1 == x2 || std::isnan(x1) || std::isnan(x2)) continue;
      int32_t a = saturateToInt32(x1), b = saturateToInt32(x2);
      if (antialiasEnds) {
        paintAntialiasedRun(
            width, x1, x2, 255,
            [&](int32_t x, int w, bool) {
              if (x == lastEnd) {
                RowEvent& e = events.at[events.count - 1];
                uint8_t v = uint8_t(e.end);
                mix8(v, opacity, w);
                e.end = v;
              } else {
                uint8_t v = 0;
                mix8(v, opacity, w);
                events.add(x, 0, v);
                lastEnd = x;
              }
            },
            [&](int32_t x0, int32_t x1) { events.addRun(x0, x1); });
      } else {
        int32_t lo = a, hi = b;  // runs of one sub-row that meet in a pixel cover it once
        if (clipRun(lo, hi, width) && std::max(lo, covered) <= hi) events.addRun(std::max(lo, covered), hi + 1);
        covered = std::max(covered, hi + 1);
      }
      minX = std::min(minX, a);
      maxX = std::max(maxX, b);
    }
  }
  if (minX > maxX) return false;
  minX = std::clamp(minX, 0, width - 1);
  maxX = std::clamp(maxX, 0, width - 1);
  return true;
}

// Walks the columns minX ... maxX of the events: end(x, weight) for a pixel holding a run end
// of some sub-row, stretch(x0, x1, weight) for the pixels x0 ... x1 - 1 (possibly none) of one
// weight up to the next event.
template <class End, class Stretch>
void sweepSubRows(const RowEvents subEvents[4], int32_t minX, int32_t maxX, int opacity, End end, Stretch stretch) {
  int inside = 0;  // sub-rows inside a run
  int32_t next[4] = {};  // each sub-row's first event not yet taken
  const auto take = [&](int32_t upTo, int& ends, bool& atEnd) {  // the events at x < upTo
    for (int k = 0; k < 4; ++k)
      for (; next[k] < subEvents[k].count && subEvents[k].at[next[k]].x < upTo; ++next[k]) {
        const RowEvent& e = subEvents[k].at[next[k]];
        inside += e.runs;
        ends += e.end;
        atEnd = atEnd || e.runs == 0;
      }
  };
  int unused = 0;
  bool unusedEnd = false;
  take(minX, unused, unusedEnd);
  for (int32_t x = minX; x <= maxX;) {
    int ends = 0;
    bool atEnd = false;
    take(x + 1, ends, atEnd);
    int32_t stop = maxX + 1;
    for (int k = 0; k < 4; ++k)
      if (next[k] < subEvents[k].count) stop = std::min(stop, subEvents[k].at[next[k]].x);
    if (atEnd) end(x++, (ends + inside * opacity) >> 2);
    stretch(x, std::max(x, stop), (inside * opacity) >> 2);
    x = std::max(x, stop);
  }
}

}  // namespace

void fillRowSubsampled(Image32& image, int32_t y, Color32 colour, int opacity, ScanParams& params,
                       const EdgeList& edges) {
  Color32* row = image.pixelAddress(0, y);
  const int32_t width = image.width();
  if (!row) return;
  opacity = clampOpacity(opacity);
  RowEvents subEvents[4];
  int32_t minX, maxX;
  if (!subRowEvents(edges, y, width, opacity, params.antialiasEnds, subEvents, minX, maxX)) return;

  // The next row's cache lines over the same stretch are asked for ahead, while this one is
  // painted, rather than one miss at a time when its turn comes.
  if (Color32* next = image.pixelAddress(0, y + 1))
    for (int32_t x = minX & ~15; x <= maxX; x += 16) __builtin_prefetch(next + x, 1);

  const FillSourceStack* sources = params.fillSources;
  const auto paint = [&](int32_t x, int c) {
    Color32 C = sources ? sources->evaluate(x, y) : colour;
    Color32& P = row[x];
    if (alphaOf(C) == 255 && c == 255) {
      P = C;
    } else if (alphaOf(P) == 255) {
      // A zero weight leaves an opaque pixel as it is (the blend would still darken it).
      if (alphaOf(C) * c / 255 != 0) blendRgbByAlpha(P, C, c);
    } else if (alphaOf(P) == 0) {
      P = C;
      if (c < 255) P = (C & 0x00FFFFFFu) | uint32_t(alphaOf(C) * c / 255) << 24;
    } else {
      over(P, C, c);
    }
  };
  sweepSubRows(subEvents, minX, maxX, opacity, paint, [&](int32_t x, int32_t stop, int c) {
    if (!sources && c == 255 && alphaOf(colour) == 255) {
      std::fill(row + x, row + stop, colour);  // simply stored
    } else if (!sources && c == 0) {
      for (; x < stop; ++x)  // left as it is, but for a transparent pixel: the colour at alpha 0
        if (alphaOf(row[x]) == 0) row[x] = colour & 0x00FFFFFFu;
    } else {
      for (; x < stop; ++x) paint(x, c);
    }
  });
  params.dirty.includePoint(minX, y);
  params.dirty.includePoint(maxX, y);
}

bool coverageRowSubsampled(uint8_t* row, int32_t width, int32_t y, bool antialiasEnds, const EdgeList& edges) {
  if (row == nullptr || width <= 0) return false;
  RowEvents subEvents[4];
  int32_t minX, maxX;
  if (!subRowEvents(edges, y, width, 255, antialiasEnds, subEvents, minX, maxX)) return false;
  sweepSubRows(
      subEvents, minX, maxX, 255, [&](int32_t x, int c) { row[x] = uint8_t(c); },
      [&](int32_t x, int32_t stop, int c) { std::memset(row + x, c, size_t(stop - x)); });
  return true;
}

void fillShape(Image32& image, const PointList& points, Color32 colour, int opacity, ScanParams& params,
               int32_t firstRow, int32_t lastRow) {
  if (points.size() < 3 || !allFinite(points) || !image.hasPixels()) return;
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, image.height() - 1);
  if (firstRow > lastRow) return;
  EdgeList all = edgesOf(points), band;
  bool first = true;
  for (int32_t y = firstRow; y <= lastRow; ++y) {
    if (params.skipOddRows && (y & 1)) continue;
    if (first || y % 16 == 0) {
      selectBand(all, y, 16.0, band);
      prepareEdges(band);
      first = false;
    }
    if (params.subRows)
      fillRowSubsampled(image, y, colour, opacity, params, band);
    else
      fillRow(image, y, colour, opacity, params, band);
  }
}

bool pointInShape(const PointList& points, int32_t x, int32_t y) {
  if (points.size() < 3 || !allFinite(points)) return false;
  EdgeList edges = edgesOf(points);
  prepareEdges(edges);
  Crossings c;
  if (!collect(edges, double(y), c) || (c.count & 1)) return false;
  for (int i = 0; i + 1 < c.count; i += 2)
    if (x >= c.x[i] && x <= c.x[i + 1]) return true;
  return false;
}

}  // namespace kanvo
