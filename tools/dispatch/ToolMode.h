#pragma once
// ToolMode: which tool the stylus drives. Nine 32-bit words, zeroed as a whole at start-up:
// word 0 is the tool category and each category keeps its sub-tool in a word of its own, so
// that switching categories remembers every category's sub-tool.
//
//   category (word 0)   sub-tool word   sub-tools
//   0 brush             1               0 "Brush", 1 "Dot Brush", 2 "Stamp", 3 "Eraser"
//   1 shape fill        2               0 "Fill Rect", 1 "Fill Ellipse", 2 "Fill Polygon",
//                                       3 "Fill Line", 4 "Fill Frame", 5 "Bucket"
//   2 gradient          3               0 "Gradient", 1 pattern (no operation)
//   3 vector object     5               0 anchor move (add/remove by modifier), 1 add vertex,
//                                       2 remove vertex, 3 transform stroke or line, 4 width
//   4 selection         4               0 "Select Rect", 1 "Select Ellipse", 2 "Select Polygon",
//                                       3 "Select ???" (free), 4 "Select Auto", 5 "Select Range"
//   5 move              6               0 "Move", 1 "Rotation"
//   6 view              7               0 "Hand", 1 "Hand (Rotation)", 2 "Spoit", 3 "Zoom In",
//                                       4 "Zoom Out", 5 "Ruler"
// Word 8 is unused. The display names are texts 140 to 167 of the string table.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kanvo {

enum ToolCategory : int32_t {
  kCategoryBrush = 0,
  kCategoryShape = 1,
  kCategoryGradient = 2,
  kCategoryVector = 3,
  kCategorySelection = 4,
  kCategoryMove = 5,
  kCategoryView = 6,
};
constexpr int32_t kToolCategoryCount = 7;

enum BrushSubTool : int32_t { kToolBrush = 0, kToolDotBrush = 1, kToolStamp = 2, kToolEraser = 3 };
enum ShapeSubTool : int32_t {
  kToolFillRect = 0,
  kToolFillEllipse = 1,
  kToolFillPolygon = 2,
  kToolFillLine = 3,
  kToolFillFrame = 4,
  kToolBucket = 5,
};
enum GradientSubTool : int32_t { kToolGradient = 0, kToolPattern = 1 };
enum VectorSubTool : int32_t {
  kToolAnchor = 0,
  kToolAddVertex = 1,
  kToolRemoveVertex = 2,
  kToolTransformStroke = 3,
  kToolStrokeWidth = 4,
};
enum SelectionSubTool : int32_t {
  kToolSelectRect = 0,
  kToolSelectEllipse = 1,
  kToolSelectPolygon = 2,
  kToolSelectFree = 3,
  kToolSelectAuto = 4,
  kToolSelectRange = 5,
};
enum MoveSubTool : int32_t { kToolMove = 0, kToolRotation = 1 };
enum ViewSubTool : int32_t {
  kToolHand = 0,
  kToolHandRotation = 1,
  kToolSpoit = 2,
  kToolZoomIn = 3,
  kToolZoomOut = 4,
  kToolRuler = 5,
};

struct ToolMode {
  std::array<int32_t, 9> words{};

  // The word that holds a category's sub-tool; -1 for an unknown category.
  static constexpr int32_t subToolWord(int32_t category) {
    constexpr int32_t kWords[kToolCategoryCount] = {1, 2, 3, 5, 4, 6, 7};
    return uint32_t(category) < uint32_t(kToolCategoryCount) ? kWords[category] : -1;
  }

  int32_t category() const { return words[0]; }
  // The sub-tool of the current category (0 for an unknown category).
  int32_t subTool() const { return subToolOf(category()); }
  int32_t subToolOf(int32_t category) const {
    const int32_t w = subToolWord(category);
    return w < 0 ? 0 : words[size_t(w)];
  }
  bool is(int32_t category, int32_t subTool) const { return this->category() == category && this->subTool() == subTool; }
  // Makes the category current with the sub-tool; an unknown category changes nothing.
  void select(int32_t category, int32_t subTool) {
    const int32_t w = subToolWord(category);
    if (w < 0) return;
    words[0] = category;
    words[size_t(w)] = subTool;
  }
};

// The string id of a tool's display name (140 to 167); -1 for the sub-tools without one (the
// pattern) and for unknown codes. The vector category's sub-tools all show "Object".
int32_t toolNameId(int32_t category, int32_t subTool);

// The tool set by each of the eight buttons of the shell's tool panel (index 0 ... 7): brush,
// eraser, move, bucket, filled rectangle, rectangle selection, colour pick, hand. False for
// another index.
struct ToolChoice {
  int32_t category = 0, subTool = 0;
};
bool panelButtonTool(int32_t button, ToolChoice& choice);

}  // namespace kanvo
