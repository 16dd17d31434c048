#pragma once
// Which menu items are enabled and which are checked, computed from the application's state;
// the platform applies it to its menu items after painting, after a stylus or key release and
// after undo and redo.
//
//   Save              grayed without an undoable step, or while the name is "Untitled"
//   Quick Save        grayed while the history's change count is below 1
//   Undo / Redo       grayed when the history cannot undo / redo
//   Copy Filename     grayed while the name is "Untitled"
//   AA, Bezier        checked while the brush setting is on
//   Reset Mirror/Rot. grayed while the view is unturned and unmirrored
//   Trimming          grayed while the current selection has no outline
//   Mirror            checked while the view is mirrored
//   Layer Exchange    grayed with fewer than two layers
//   Camera            grayed without a camera
//   Redraw            always grayed
// Every other command is enabled and unchecked.
#include <cstdint>

namespace kanvo {

class Application;

struct MenuState {
  struct Item {
    bool enabled = true;
    bool checked = false;
  };
  // The state of a command id (any id; ids outside the menus are enabled and unchecked).
  Item of(int32_t id) const;

  bool canSave = false, canQuickSave = false, canUndo = false, canRedo = false, canCopyName = false;
  bool antialias = false, bezier = false, canResetView = false, canTrim = false, mirrored = false;
  bool canExchangeLayers = false, cameraAvailable = false;
};

MenuState menuStateOf(const Application& app, bool cameraAvailable);

}  // namespace kanvo
