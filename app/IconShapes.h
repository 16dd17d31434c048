#pragma once
// A small vector picture: filled closed outlines (even-odd rule) in solid colours, painted in
// order. The shell's icons are made of these, so that one description gives the panel bitmaps
// at their sizes, the program icon at every size and its scalable SVG form.
//
// Coordinates are in the icon's design units (its side is given when rendering); render
// scales them to the target image and paints each outline anti-aliased (four sub-rows, with
// covered fractions at run ends) over what is there.
#include <cstdint>
#include <string>
#include <vector>

#include "raster/geometry/CurveGeometry.h"
#include "raster/image/Image32.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

struct IconShape {
  PointList points;  // one or more closed loops joined by bridges that cancel out
  Color32 colour = kOpaqueBlack;
};

class IconShapes {
 public:
  void polygon(PointList points, Color32 colour);
  void rect(double x, double y, double width, double height, Color32 colour);
  void disc(double cx, double cy, double radius, Color32 colour);
  // A circle outline of the given line width, centred on the radius.
  void ring(double cx, double cy, double radius, double width, Color32 colour);
  // A straight bar of the given width from one point to the other (square ends).
  void bar(double x0, double y0, double x1, double y1, double width, Color32 colour);
  // A bar with round ends.
  void capsule(double x0, double y0, double x1, double y1, double width, Color32 colour);
  // A curved bar along the circle from angle a0 to a1 (radians, y down, anticlockwise on
  // screen for a1 > a0).
  void arc(double cx, double cy, double radius, double width, double a0, double a1, Color32 colour);
  // Every point x -> side - x: the picture turned left to right.
  void mirror(double side);

  // Paints the shapes over image, a design unit being scale pixels.
  void render(Image32& image, double scale) const;
  // The picture as an SVG document of side x side pixels over a design of designSide units.
  std::string svg(double designSide, int32_t side) const;

  const std::vector<IconShape>& shapes() const { return shapes_; }

 private:
  std::vector<IconShape> shapes_;
};

}  // namespace kanvo
