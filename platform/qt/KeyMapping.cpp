#include "platform/qt/KeyMapping.h"

#include <Qt>

namespace kanvo {

int32_t virtualKeyOf(int key, bool keypad) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  switch (key) {
    case Qt::Key_Space: return 32;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_F5: return 116;
    case Qt::Key_F6: return 117;
    case Qt::Key_Plus: return keypad ? 107 : 187;
    case Qt::Key_Minus: return keypad ? 109 : 189;
    case Qt::Key_Equal: return 187;       // the key that gives "+" with Shift
    case Qt::Key_Underscore: return 189;  // "-" with Shift
    case Qt::Key_Muhenkan: return 29;
    default: return 0;
  }
}

}  // namespace kanvo
