#pragma once
// Qt's keys as the virtual-key codes the shell and the tools read: letters and digits as their
// upper-case ASCII codes, Space 32, Shift 16, Ctrl 17, Alt 18, Escape 27, Page Up and Down 33
// and 34, the arrows 37 to 40 (left, up, right, down), F5 and F6 116 and 117, keypad plus and
// minus 107 and 109, the plus and minus keys of the main keyboard 187 and 189 (with or without
// Shift: "=" and "_" are the same keys), non-convert (Muhenkan)
// 29. Every other key gives 0: the shell ignores it.
#include <cstdint>

namespace kanvo {

// key is a Qt::Key value; keypad is whether the event came from the keypad
// (Qt::KeypadModifier).
int32_t virtualKeyOf(int key, bool keypad);

}  // namespace kanvo
