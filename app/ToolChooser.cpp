#include "app/ToolChooser.h"

#include "strings/Cp932.h"

namespace kanvo {

namespace {

constexpr int kFilledRectButton = 4;
constexpr int32_t kMostSubTools = 8;

// Sub-tools that need a vector layer or do nothing on a raster layer.
bool rasterTool(int32_t category, int32_t subTool) {
  if (category == kCategoryVector) return false;
  if (category == kCategoryMove && subTool == kToolRotation) return false;
  return toolNameId(category, subTool) >= 0;
}

}  // namespace

ToolChooser::ToolChooser() {
  for (int b = 0; b < kButtons; ++b) panelButtonTool(b, held_[size_t(b)]);
}

std::vector<ToolChoice> ToolChooser::offers(int button) {
  std::vector<ToolChoice> out;
  ToolChoice own;
  if (!panelButtonTool(button, own)) return out;
  for (int32_t sub = 0; sub < kMostSubTools; ++sub)
    if (rasterTool(own.category, sub)) out.push_back({own.category, sub});
  if (button == kFilledRectButton) out.push_back({kCategoryGradient, kToolGradient});
  return out;
}

std::vector<ToolOffer> ToolChooser::menu(int button, const StringTable& strings) {
  std::vector<ToolOffer> out;
  for (const ToolChoice& tool : offers(button))
    out.push_back({tool, cp932ToUtf8(strings.GetString(uint32_t(toolNameId(tool.category, tool.subTool))))});
  return out;
}

ToolChoice ToolChooser::held(int button) const {
  return uint32_t(button) < uint32_t(kButtons) ? held_[size_t(button)] : ToolChoice{};
}

bool ToolChooser::choose(int button, ToolChoice tool) {
  for (const ToolChoice& offered : offers(button))
    if (offered.category == tool.category && offered.subTool == tool.subTool) {
      held_[size_t(button)] = tool;
      return true;
    }
  return false;
}

}  // namespace kanvo
