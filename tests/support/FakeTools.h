#pragma once
// Tool families that record each call dispatch makes, as one line of text per call with its
// canvas points (to 3 decimals), pressures, buttons and codes; and answer as told.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/BrushTool.h"
#include "tools/BucketTool.h"
#include "tools/GradientTool.h"
#include "tools/MoveTool.h"
#include "tools/SelectionTool.h"
#include "tools/ShapeTool.h"
#include "tools/VectorTool.h"
#include "tools/dispatch/ToolState.h"

namespace kanvo::test {

inline std::string pointText(CanvasPoint p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%.3f,%.3f)", p.x, p.y);
  return buf;
}

class FakeTools : public BrushTool,
                  public ShapeTool,
                  public BucketTool,
                  public GradientTool,
                  public SelectionTool,
                  public MoveTool,
                  public VectorTool {
 public:
  std::vector<std::string> log;
  std::optional<CanvasPoint> lastPoint;
  bool active = false;
  bool selectedStroke = false;

  std::string event(const ToolEvent& e) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " p%.2f b%d", e.pressure, e.button);
    return pointText(e.point) + buf;
  }
  // Brush.
  bool beginStroke(const BrushStart& s) override {
    log.push_back("begin " + event(s.event) + " sub" + std::to_string(s.subTool) + (s.eraserKey ? " Z" : ""));
    active = true;
    return true;
  }
  void addSample(const ToolEvent& e) override { log.push_back("sample " + event(e)); }
  bool commitStroke(const ToolEvent& e) override {
    log.push_back("commit " + event(e));
    active = false;
    lastPoint = e.point;
    return true;
  }
  bool drawStraightLine(const BrushStart& to) override {
    log.push_back("straight " + pointText(*lastPoint) + "-" + pointText(to.event.point));
    lastPoint = to.event.point;
    return true;
  }
  std::optional<CanvasPoint> lastBrushPoint() const override { return lastPoint; }
  bool strokeActive() const override { return active; }
  void resetStroke() override {
    log.push_back("reset");
    active = false;
  }
  // Shapes and bucket.
  static std::string drag(const DragRect& d) {
    std::string s;
    for (const CanvasPoint& c : d.corners) s += pointText(c);
    return s;
  }
  static std::string list(const VertexList& v) {
    std::string s;
    for (const CanvasPoint& c : v) s += pointText(c);
    return s;
  }
  bool fillRect(const DragRect& d) override { return record("fillRect " + drag(d)); }
  bool fillEllipse(const DragRect& d) override { return record("fillEllipse " + drag(d)); }
  bool fillVertices(int32_t sub, const VertexList& v) override {
    return record("fillVertices" + std::to_string(sub) + " " + list(v));
  }
  bool fill(CanvasPoint at) override { return record("bucket " + pointText(at)); }
  bool draw(CanvasPoint from, CanvasPoint to) override { return record("gradient " + pointText(from) + pointText(to)); }
  // Selections.
  bool selectRect(const DragRect& d, SelectionOperation op) override {
    return record("selectRect" + std::to_string(op) + " " + drag(d));
  }
  bool selectEllipse(const DragRect& d, SelectionOperation op) override {
    return record("selectEllipse" + std::to_string(op) + " " + drag(d));
  }
  bool selectPolygon(const VertexList& v, SelectionOperation op) override {
    return record("selectPolygon" + std::to_string(op) + " " + list(v));
  }
  bool selectAuto(CanvasPoint at, SelectionOperation op) override {
    return record("selectAuto" + std::to_string(op) + " " + pointText(at));
  }
  bool selectRange(CanvasPoint at, bool clearFirst, bool ctrl) override {
    return record("selectRange " + pointText(at) + (clearFirst ? " clear" : "") + (ctrl ? " ctrl" : ""));
  }
  bool moveSelection(int32_t dx, int32_t dy) override {
    return record("moveSelection " + std::to_string(dx) + "," + std::to_string(dy));
  }
  // Move and rotate.
  bool begin(const MoveStart& s) override {
    return record(std::string("move.begin ") + pointText(s.at) + (s.rotate ? " rotate" : "") + (s.liftPart ? " part" : "") +
                  (s.copyPart ? " copy" : ""));
  }
  // Both MoveTool::drag and VectorTool::drag.
  void drag(CanvasPoint c) override { log.push_back("drag " + pointText(c)); }
  bool commit(CanvasPoint c) override { return record("move.commit " + pointText(c)); }
  bool statusOffset(int32_t& x, int32_t& y) const override {
    x = 64;
    y = -64;
    return true;
  }
  // Vector edits.
  void press(const VectorPress& p) override { log.push_back("vector.press " + pointText(p.at) + " sub" + std::to_string(p.subTool)); }
  bool release(CanvasPoint c) override { return record("vector.release " + pointText(c)); }
  bool hasSelectedStroke() const override { return selectedStroke; }
  bool dragging() const override { return false; }

  ToolFamilies families() {
    ToolFamilies f;
    f.brush = this;
    f.shapes = this;
    f.bucket = this;
    f.gradient = this;
    f.selections = this;
    f.move = this;
    f.vector = this;
    return f;
  }

 private:
  bool record(std::string line) {
    log.push_back(std::move(line));
    return true;
  }
};

}  // namespace kanvo::test
