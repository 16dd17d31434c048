#pragma once
// KeyState: which keys are held, as dispatch sees them. A ring of 64 snapshots of 256 bytes,
// one byte per key code (non-zero while the key is down); every change adds a snapshot and the
// newest is the current one. Adding a key that is already down changes nothing, so auto-repeat
// is ignored. Codes are taken & 255.
//
// The shell keeps a separate KeyStateTable (plain "key K is down" flags, never cleared by
// dispatch) and hands it in; the few non-exclusive tests read it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace kanvo {

using KeyStateTable = std::array<uint8_t, 256>;

class KeyState {
 public:
  static constexpr int32_t kSnapshots = 64;
  using Snapshot = std::array<uint8_t, 256>;

  KeyState() { ring_[0].fill(0); }

  // True when the key was not down (a new snapshot holds it), false for a repeat.
  bool press(int32_t key);
  // True when the key was down (a new snapshot lacks it).
  bool release(int32_t key);
  // A new, empty snapshot.
  void clear();

  const Snapshot& current() const { return ring_[size_t(newest_)]; }
  bool isDown(int32_t key) const { return current()[size_t(key & 255)] != 0; }
  bool noneDown() const;
  // Exactly these keys are down (an empty list: none).
  bool only(std::initializer_list<int32_t> held) const;
  bool only(int32_t key) const { return only({key}); }
  // The snapshot `back` changes before the current one (0 the current), for the record.
  const Snapshot& snapshot(int32_t back) const {
    return ring_[size_t(((newest_ - back) % kSnapshots + kSnapshots) % kSnapshots)];
  }

 private:
  Snapshot& push();

  std::array<Snapshot, kSnapshots> ring_{};
  int32_t newest_ = 0;
};

// The key override: what held keys make the stylus do, in this order of precedence (only means
// that no other key is held):
//   Alt alone: 9 (set the stamp source) with the "Stamp" brush, 8 (colour pick) otherwise;
//   7 only Space, Ctrl and Alt: zoom out at the press point;  6 only Space and Ctrl: zoom in;
//   11 only A: pick the layer under the pixel;  3 V down: brush-size drag;
//   2 only the non-convert key, only Space and Shift, or only Space and Alt: temporary rotation;
//   1 only Space: temporary hand;  0 none of these: the selected tool;
//   then, where that gave 0 and a last brush point exists, Shift alone: 10 (straight line).
enum KeyOverride : int32_t {
  kOverrideNone = 0,
  kOverrideHand = 1,
  kOverrideRotate = 2,
  kOverrideBrushSize = 3,
  kOverrideZoomIn = 6,
  kOverrideZoomOut = 7,
  kOverrideColourPick = 8,
  kOverrideStampSource = 9,
  kOverrideStraightLine = 10,
  kOverrideLayerPick = 11,
};

// plain: the shell's table for the non-exclusive V test (null: the key state's own snapshot).
int32_t keyOverrideOf(const KeyState& keys, const KeyStateTable* plain, bool stampTool, bool lastBrushPointExists);

}  // namespace kanvo
