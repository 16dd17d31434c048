#pragma once
// The About box: the program icon and "kanvo mobile Version " with the program's version, under
// the title "バージョン情報 kanvo mobile". Modal; full screen when the main window is (phones).
class QWidget;

namespace kanvo {

// Returns when the user closes the box.
void showAboutBox(QWidget* parent);

}  // namespace kanvo
