#include "platform/qt/KeyMapping.h"

#include <Qt>

#include "tools/dispatch/KeyCodes.h"

namespace kanvo {

int32_t virtualKeyOf(int key, bool keypad) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  switch (key) {
    case Qt::Key_Space: return keys::kSpace;
    case Qt::Key_Shift: return keys::kShift;
    case Qt::Key_Control: return keys::kControl;
    case Qt::Key_Alt: return keys::kAlt;
    case Qt::Key_Escape: return keys::kEscape;
    case Qt::Key_Return:
    case Qt::Key_Enter: return keys::kReturn;
    case Qt::Key_PageUp: return keys::kPageUp;
    case Qt::Key_PageDown: return keys::kPageDown;
    case Qt::Key_Left: return keys::kLeft;
    case Qt::Key_Up: return keys::kUp;
    case Qt::Key_Right: return keys::kRight;
    case Qt::Key_Down: return keys::kDown;
    case Qt::Key_F5: return keys::kF5;
    case Qt::Key_F6: return keys::kF6;
    case Qt::Key_Plus: return keypad ? keys::kNumpadPlus : keys::kPlus;
    case Qt::Key_Minus: return keypad ? keys::kNumpadMinus : keys::kMinus;
    case Qt::Key_Equal: return keys::kPlus;       // the key that gives "+" with Shift
    case Qt::Key_Underscore: return keys::kMinus;  // "-" with Shift
    case Qt::Key_Muhenkan: return keys::kNonConvert;
    default: return 0;
  }
}

}  // namespace kanvo
