#pragma once
// Z and A do two things: held, they change what the stylus does (the eraser, the layer pick);
// tapped, they run their command (Undo, Zoom Out). A tap is a press and release of the key
// alone: no other key held at the press or pressed before the release, no stylus press in
// between, and no auto-repeat (a key held long enough to repeat is being held, not tapped).
// The command runs on the release, so holding Z never repeats Undo.
#include <cstdint>

namespace kanvo {

class TapKeys {
 public:
  static constexpr int32_t kUndoKey = 'Z';
  static constexpr int32_t kZoomOutKey = 'A';

  // Every key press (repeats included); othersHeld: another key is down already.
  void keyDown(int32_t key, bool autoRepeat, bool othersHeld);
  // A stylus press anywhere.
  void stylusPressed() { spoilAll(); }
  // The window lost the keyboard: no tap can end cleanly.
  void cancel();
  // The key went up; true when this ends a tap of Z or A, whose command is then due.
  bool keyUp(int32_t key);

 private:
  struct Tap {
    bool down = false, spoiled = false;
  };
  Tap* tapOf(int32_t key);
  void spoilAll();
  Tap undo_, zoomOut_;
};

}  // namespace kanvo
