#include "tools/dispatch/ToolMode.h"

#include "strings/TextId.h"

namespace kanvo {

int32_t toolNameId(int32_t category, int32_t subTool) {
  static constexpr int32_t kBrush[] = {TextId::ToolBrush, TextId::ToolDotBrush, TextId::ToolStamp, TextId::ToolEraser};
  static constexpr int32_t kShape[] = {TextId::ToolFillRect, TextId::ToolFillEllipse, TextId::ToolFillPolygon,
                                       TextId::ToolFillLine, TextId::ToolFillFrame,   TextId::ToolBucket};
  static constexpr int32_t kGradient[] = {TextId::ToolGradient, -1};
  static constexpr int32_t kVector[] = {TextId::ToolObject, TextId::ToolObject, TextId::ToolObject, TextId::ToolObject,
                                        TextId::ToolObject};
  static constexpr int32_t kSelection[] = {TextId::ToolSelectRect, TextId::ToolSelectEllipse, TextId::ToolSelectPolygon,
                                           TextId::ToolSelectFree, TextId::ToolSelectAuto,    TextId::ToolSelectRange};
  static constexpr int32_t kMove[] = {TextId::ToolMove, TextId::ToolRotation};
  static constexpr int32_t kView[] = {TextId::ToolHand,   TextId::ToolHandRotation, TextId::ToolSpoit,
                                      TextId::ToolZoomIn, TextId::ToolZoomOut,      TextId::ToolRuler};
  struct Names {
    const int32_t* ids;
    int32_t count;
  };
  static constexpr Names kCategories[kToolCategoryCount] = {{kBrush, 4}, {kShape, 6}, {kGradient, 2}, {kVector, 5},
                                                            {kSelection, 6}, {kMove, 2}, {kView, 6}};
  if (uint32_t(category) >= uint32_t(kToolCategoryCount)) return -1;
  const Names& names = kCategories[category];
  return uint32_t(subTool) < uint32_t(names.count) ? names.ids[subTool] : -1;
}

bool panelButtonTool(int32_t button, ToolChoice& choice) {
  static constexpr ToolChoice kButtons[8] = {
      {kCategoryBrush, kToolBrush},     {kCategoryBrush, kToolEraser},         {kCategoryMove, kToolMove},
      {kCategoryShape, kToolBucket},    {kCategoryShape, kToolFillRect},       {kCategorySelection, kToolSelectRect},
      {kCategoryView, kToolSpoit},      {kCategoryView, kToolHand}};
  if (uint32_t(button) >= 8u) return false;
  choice = kButtons[button];
  return true;
}

}  // namespace kanvo
