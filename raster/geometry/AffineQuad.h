#pragma once
// Affine quad mapping: draws a rectangle of a layer's tiled image into an Image32 through an
// affine transform (scale, rotation, translation). The source rectangle becomes a quadrilateral
// in the destination whose vertices carry their source coordinates; the quad is scan-converted
// row by row (sampled at row centres moved down by kScanOffset), the source position is
// interpolated along each row in 16.16 fixed point, and every covered pixel receives the
// sampled colour through Image32::paintPixel at the params opacity.
//
// 32 bpp sources give their colour (nearest, or alpha-weighted bilinear). 8 bpp and 1 bpp
// sources paint params.colour with its alpha replaced by the sampled byte (bilinear or
// nearest), or by 255 for a set bit and 0 for a clear one (always nearest). An opaque
// destination pixel whose weight (sample alpha x opacity / 255) is 0 is left unchanged. Absent
// tiles and positions outside the source read as 0.
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "raster/image/Image32.h"
#include "raster/geometry/PolygonFill.h"  // kScanOffset
#include "raster/tiled/TiledImage.h"

namespace kanvo {

struct QuadVertex {
  double x = 0, y = 0;  // destination position
  double u = 0, v = 0;  // source position
};

struct MappedQuad {
  int32_t count = 0;  // vertices, at most 4
  QuadVertex vertices[4];
  // Edge i joins vertices edges[i][0] and edges[i][1] = (i + 1) mod count.
  int32_t edges[4][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};
  int32_t edgeCount = 0;

  void clear() { count = edgeCount = 0; }
  // False when four vertices exist.
  bool addVertex(double x, double y, double u, double v);
};

struct QuadParams {
  Color32 colour = 0;    // paint colour of 8 bpp and 1 bpp sources
  uint8_t opacity = 255;
  uint8_t bilinear = 0;  // bilinear sampling (32 and 8 bpp sources)
};

// Where edge i of the quad crosses the line y (moved by kScanOffset): destination x and the
// interpolated source position. False when it does not cross (horizontal edges never do).
struct EdgeSample {
  double x = 0, u = 0, v = 0;
};
bool edgeAt(const MappedQuad& quad, int32_t i, double y, EdgeSample& out);

// Draws the quad, sampling source. Nothing for fewer than 3 vertices.
template <int Bpp>
void mapQuad(Image32& destination, const TiledImage<Bpp>& source, const MappedQuad& quad, const QuadParams& params);

// Draws source rectangle (srcX, srcY, srcWidth, srcHeight) scaled by (scaleX, scaleY), turned
// by angle (radians) and centred on (centreX, centreY) in the destination.
template <int Bpp>
void drawTransformed(Image32& destination, double centreX, double centreY, double angle, double scaleX,
                     double scaleY, const TiledImage<Bpp>& source, int32_t srcX, int32_t srcY, int32_t srcWidth,
                     int32_t srcHeight, const QuadParams& params);
// The whole source.
template <int Bpp>
void drawTransformed(Image32& destination, double centreX, double centreY, double angle, double scaleX,
                     double scaleY, const TiledImage<Bpp>& source, const QuadParams& params);

// The alpha-weighted bilinear sample of a 32 bpp tiled image at 16.16 position (U, V).
Color32 sampleTiledBilinear(const TiledImage<32>& source, int64_t U, int64_t V);

}  // namespace kanvo
