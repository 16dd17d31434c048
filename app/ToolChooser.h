#pragma once
// The sub-tools behind each tool-panel button. A plain press on a button selects the tool the
// button holds (at first the button's own: brush, eraser, move, bucket, filled rectangle,
// rectangle selection, colour pick, hand); a long press or a right click offers the tools that
// belong with the button, and the one chosen is selected and kept by the button for its later
// plain presses.
//
// A button offers the raster tools of its tool's category in the category's order; the filled
// rectangle's button also offers "Gradient" (that category has no button). Tools that only act
// on vector objects ("Rotation") or do nothing (the pattern) are not offered.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "strings/StringTable.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {

struct ToolOffer {
  ToolChoice tool;
  std::string name;  // the tool's display name, UTF-8
};

class ToolChooser {
 public:
  static constexpr int kButtons = 8;

  ToolChooser();

  // The tools button (0 ... 7) offers; empty for another index.
  static std::vector<ToolChoice> offers(int button);
  // The same with their display names in the table's language.
  static std::vector<ToolOffer> menu(int button, const StringTable& strings);

  // The tool a plain press on button selects (the brush's for another index).
  ToolChoice held(int button) const;
  // Makes tool the one button holds. False, changing nothing, when the button does not offer it.
  bool choose(int button, ToolChoice tool);

 private:
  std::array<ToolChoice, kButtons> held_{};
};

}  // namespace kanvo
