#include "tools/dispatch/KeyState.h"

#include <algorithm>

#include "tools/dispatch/KeyCodes.h"

namespace kanvo {

KeyState::Snapshot& KeyState::push() {
  const Snapshot& previous = ring_[size_t(newest_)];
  newest_ = (newest_ + 1) % kSnapshots;
  ring_[size_t(newest_)] = previous;
  return ring_[size_t(newest_)];
}

bool KeyState::press(int32_t key) {
  if (isDown(key)) return false;
  push()[size_t(key & 255)] = 1;
  return true;
}

bool KeyState::release(int32_t key) {
  if (!isDown(key)) return false;
  push()[size_t(key & 255)] = 0;
  return true;
}

void KeyState::clear() { push().fill(0); }

bool KeyState::noneDown() const {
  const Snapshot& s = current();
  return std::all_of(s.begin(), s.end(), [](uint8_t b) { return b == 0; });
}

bool KeyState::only(std::initializer_list<int32_t> held) const {
  const Snapshot& s = current();
  for (size_t k = 0; k < s.size(); ++k) {
    const bool wanted = std::any_of(held.begin(), held.end(), [k](int32_t h) { return size_t(h & 255) == k; });
    if ((s[k] != 0) != wanted) return false;
  }
  return true;
}

int32_t keyOverrideOf(const KeyState& keys, const KeyStateTable* plain, bool stampTool, bool lastBrushPointExists) {
  using namespace kanvo::keys;
  if (keys.only(kAlt)) return stampTool ? kOverrideStampSource : kOverrideColourPick;
  const bool vDown = plain != nullptr ? (*plain)[size_t(kV)] != 0 : keys.isDown(kV);
  int32_t code = kOverrideNone;
  if (keys.only({kSpace, kControl, kAlt}))
    code = kOverrideZoomOut;
  else if (keys.only({kSpace, kControl}))
    code = kOverrideZoomIn;
  else if (keys.only(kA))
    code = kOverrideLayerPick;
  else if (vDown)
    code = kOverrideBrushSize;
  else if (keys.only(kNonConvert) || keys.only({kSpace, kShift}) || keys.only({kSpace, kAlt}))
    code = kOverrideRotate;
  else if (keys.only(kSpace))
    code = kOverrideHand;
  if (code == kOverrideNone && lastBrushPointExists && keys.only(kShift)) code = kOverrideStraightLine;
  return code;
}

}  // namespace kanvo
