// Qt's keys as the codes the shell and the tools read, where the two differ.
#include "platform/qt/KeyMapping.h"

#include <gtest/gtest.h>

#include <Qt>

namespace kanvo {
namespace {

TEST(KeyMappingTest, QtKeysBecomeVirtualKeyCodes) {
  struct Case {
    int key;
    bool keypad;
    int32_t code;
  } cases[] = {
      {Qt::Key_A, false, 65},          {Qt::Key_Z, false, 90},          {Qt::Key_0, false, 48},
      {Qt::Key_9, true, 57},           {Qt::Key_Space, false, 32},      {Qt::Key_Shift, false, 16},
      {Qt::Key_Control, false, 17},    {Qt::Key_Alt, false, 18},        {Qt::Key_Escape, false, 27},
      {Qt::Key_PageUp, false, 33},     {Qt::Key_PageDown, false, 34},   {Qt::Key_Left, false, 37},
      {Qt::Key_Up, false, 38},         {Qt::Key_Right, false, 39},      {Qt::Key_Down, false, 40},
      {Qt::Key_F5, false, 116},        {Qt::Key_F6, false, 117},        {Qt::Key_Plus, true, 107},
      {Qt::Key_Minus, true, 109},      {Qt::Key_Plus, false, 187},      {Qt::Key_Equal, false, 187},
      {Qt::Key_Minus, false, 189},     {Qt::Key_Underscore, false, 189}, {Qt::Key_Muhenkan, false, 29},
      {Qt::Key_F1, false, 0},          {Qt::Key_Meta, false, 0},        {Qt::Key_AltGr, false, 0},
      {Qt::Key_Exclam, false, 0},      {Qt::Key_Return, false, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(virtualKeyOf(c.key, c.keypad), c.code) << std::hex << c.key;
}

}  // namespace
}  // namespace kanvo
