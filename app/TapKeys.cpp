#include "app/TapKeys.h"

namespace kanvo {

TapKeys::Tap* TapKeys::tapOf(int32_t key) {
  return key == kUndoKey ? &undo_ : key == kZoomOutKey ? &zoomOut_ : nullptr;
}

void TapKeys::spoilAll() {
  undo_.spoiled = undo_.spoiled || undo_.down;
  zoomOut_.spoiled = zoomOut_.spoiled || zoomOut_.down;
}

void TapKeys::keyDown(int32_t key, bool autoRepeat, bool othersHeld) {
  Tap* tap = tapOf(key);
  if (tap == nullptr || tap->down) {
    if (tap != nullptr && autoRepeat) tap->spoiled = true;
    if (tap == nullptr) spoilAll();
    return;
  }
  spoilAll();
  tap->down = true;
  tap->spoiled = autoRepeat || othersHeld;
}

void TapKeys::cancel() { undo_ = zoomOut_ = Tap(); }

bool TapKeys::keyUp(int32_t key) {
  Tap* tap = tapOf(key);
  if (tap == nullptr || !tap->down) return false;
  const bool due = !tap->spoiled;
  *tap = Tap();
  return due;
}

}  // namespace kanvo
