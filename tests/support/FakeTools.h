#pragma once
// Tool families that record each call dispatch makes as one line of text with its canvas points
// (to 3 decimals), pressures, buttons and codes, and report success.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/dispatch/ToolState.h"

namespace kanvo::test {

inline std::string pointText(CanvasPoint p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%.3f,%.3f)", p.x, p.y);
  return buf;
}
inline std::string pointsText(const CanvasPoint* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += pointText(p[i]);
  return s;
}
inline std::string eventText(const ToolEvent& e) {
  char buf[64];
  std::snprintf(buf, sizeof buf, " p%.2f b%d", e.pressure, e.button);
  return pointText(e.point) + buf;
}

class FakeTools : public BrushTool, public ShapeTool, public BucketTool, public GradientTool,
                  public SelectionTool, public MoveTool, public VectorTool {
 public:
  std::vector<std::string> log;
  std::optional<CanvasPoint> lastPoint;

  ToolFamilies families() { return {this, this, this, this, this, this, this}; }

  bool beginStroke(const BrushStart& s) override {
    return add("begin " + eventText(s.event) + " sub" + std::to_string(s.subTool) + (s.eraserKey ? " Z" : ""));
  }
  void addSample(const ToolEvent& e) override { add("sample " + eventText(e)); }
  bool commitStroke(const ToolEvent& e) override {
    lastPoint = e.point;
    return add("commit " + eventText(e));
  }
  bool drawStraightLine(const BrushStart& to) override {
    add("straight " + pointText(*lastPoint) + "-" + pointText(to.event.point));
    lastPoint = to.event.point;
    return true;
  }
  std::optional<CanvasPoint> lastBrushPoint() const override { return lastPoint; }
  bool strokeActive() const override { return false; }
  void resetStroke() override { add("reset"); }
  bool fillRect(const DragRect& d) override { return add("fillRect " + pointsText(d.corners.data(), 4)); }
  bool fillEllipse(const DragRect& d) override { return add("fillEllipse " + pointsText(d.corners.data(), 4)); }
  bool fillVertices(int32_t sub, const VertexList& v) override {
    return add("fillVertices" + std::to_string(sub) + " " + pointsText(v.data(), v.size()));
  }
  bool fill(CanvasPoint at) override { return add("bucket " + pointText(at)); }
  bool draw(CanvasPoint from, CanvasPoint to) override { return add("gradient " + pointText(from) + pointText(to)); }
  bool selectRect(const DragRect& d, SelectionOperation op) override {
    return add("selectRect" + std::to_string(op) + " " + pointsText(d.corners.data(), 4));
  }
  bool selectEllipse(const DragRect& d, SelectionOperation op) override {
    return add("selectEllipse" + std::to_string(op) + " " + pointsText(d.corners.data(), 4));
  }
  bool selectPolygon(const VertexList& v, SelectionOperation op) override {
    return add("selectPolygon" + std::to_string(op) + " " + pointsText(v.data(), v.size()));
  }
  bool selectAuto(CanvasPoint at, SelectionOperation op) override {
    return add("selectAuto" + std::to_string(op) + " " + pointText(at));
  }
  bool selectRange(CanvasPoint at, bool clearFirst, bool ctrl) override {
    return add("selectRange " + pointText(at) + (clearFirst ? " clear" : "") + (ctrl ? " ctrl" : ""));
  }
  bool moveSelection(int32_t dx, int32_t dy) override {
    return add("moveSelection " + std::to_string(dx) + "," + std::to_string(dy));
  }
  bool begin(const MoveStart& s) override {
    return add("move.begin " + pointText(s.at) + (s.rotate ? " rotate" : "") + (s.liftPart ? " part" : "") +
               (s.copyPart ? " copy" : ""));
  }
  void drag(CanvasPoint c) override { add("drag " + pointText(c)); }  // moves and vector edits
  bool commit(CanvasPoint c) override { return add("move.commit " + pointText(c)); }
  bool statusOffset(int32_t& x, int32_t& y) const override {
    x = 64, y = -64;
    return true;
  }
  void press(const VectorPress& p) override { add("vector.press " + pointText(p.at) + " sub" + std::to_string(p.subTool)); }
  bool release(CanvasPoint c) override { return add("vector.release " + pointText(c)); }
  bool hasSelectedStroke() const override { return false; }
  bool dragging() const override { return false; }

 private:
  bool add(std::string line) {
    log.push_back(std::move(line));
    return true;
  }
};

}  // namespace kanvo::test
