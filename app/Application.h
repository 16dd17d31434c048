#pragma once
// The program's state for the whole run, without a toolkit: the document and its history, the
// tool settings with the three brush kinds, the colour palette, the three panel images and
// the window layout. The platform layer creates one, feeds it the window's events (Input
// routing) and shows its images.
//
// At start (initialise): the texts in the language of the user's locale, a 512 x 512 canvas
// of two 32 bpp layers with the upper one current, brush kind 0 (Pen) with preset 2 (size 5),
// the palette with its field at (10, 10) and its strip at (143, 10), and an undo budget taken
// from the machine (HistoryBudget.h). The brush engine paints for the brush tools.
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "app/ColorPalette.h"
#include "app/PanelIcons.h"
#include "app/ScreenLayout.h"
#include "app/TapKeys.h"
#include "app/ToolChooser.h"
#include "app/TwoFingerGesture.h"
#include "document/Clock.h"
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "formats/ImageLoader.h"
#include "raster/image/Image32.h"
#include "strings/StringTable.h"
#include "raster/dab/RandomSource.h"
#include "tools/BrushParams.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushEngine.h"
#include "tools/bucket/BucketEngine.h"
#include "tools/gradient/GradientEngine.h"
#include "tools/move/MoveEngine.h"
#include "tools/dispatch/KeyState.h"
#include "tools/dispatch/ToolState.h"
#include "tools/dispatch/ViewRedraw.h"
#include "tools/select/SelectionEngine.h"
#include "tools/shape/ShapeEngine.h"
#include "view/DisplaySettings.h"
#include "view/DrawingSurface.h"
#include "view/View.h"

namespace kanvo {

class Application {
 public:
  // Brush kinds, each with its own parameters.
  enum BrushKind : int { kPen = 0, kPencil = 1, kWaterColor = 2, kBrushKinds = 3 };
  static constexpr int32_t kStartSide = 512;
  static constexpr const char* kUntitled = "Untitled";

  explicit Application(const Clock* clock = nullptr);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The start state described above. False when memory cannot be had.
  bool initialise();

  // ---- brushes ----
  int brushKind() const { return brushKind_; }
  // Makes kind (0 ... 2; others are ignored) current and the set the brush tool attaches.
  void setBrushKind(int kind);
  // The parameters of a brush kind (the current kind's are the ones the brush paints with).
  BrushParams& brushOfKind(int kind);
  // The attached set takes preset index's size (0 ... 7; others are ignored).
  void selectPreset(int index);

  // ---- services (not owned; each may be null) ----
  // The window's drawing surface: the view presents through it.
  void setSurface(DrawingSurface* surface) { view.setSurface(surface); }
  DrawingSurface* surface() const { return view.surface(); }
  const ImageLoader* imageLoader = nullptr;  // BMP files cannot be opened without one

  // ---- layout and panels ----
  // Device pixels per logical pixel: the view renders in device pixels, so that 100 % shows
  // one canvas pixel per screen pixel; the panels keep their logical sizes.
  void setDeviceScale(double scale);
  double deviceScale() const { return deviceScale_; }
  // The client area changed to width x height logical pixels: the view and the panel images
  // take their new sizes and are drawn again. The picture keeps its place at the view's
  // top-left corner (the first layout centres the document).
  void layOut(int32_t width, int32_t height);
  const ScreenLayout& layout() const { return layout_; }
  bool paletteShown() const { return layout_.paletteShown; }
  void togglePalette();
  // Draws the three panel images from the current state.
  void drawPanels();
  // Whether the panels were drawn since the last call (the window then shows them again).
  bool takePanelsDrawn() { return std::exchange(panelsDrawn_, false); }
  const Image32& paletteImage() const { return paletteImage_; }
  const Image32& barImage() const { return barImage_; }
  const Image32& panelImage() const { return panelImage_; }
  const Image32& colourStrip() const { return colourStrip_; }

  // The 100 ms timer: unless a tool is busy, the selection outline's dashes move on (the tick
  // count before this tick is their phase).
  void tick();

  // The tools' status line (position, hints, read-outs) as UTF-8.
  std::string statusText() const;

  // The window title: the zoom in whole percent and the file name's last part, as
  // "100% - Untitled".
  std::string title() const;

  // ---- owned state, shared with the routing and the commands ----
  StringTable strings;
  Document document;
  DisplaySettings display;
  View view{document, display};
  UndoHistory history;
  ToolSettings settings;
  ToolState tools;
  SeededRandom random;  // the brushes' noise; the same strokes give the same pixels every run
  ViewRedraw redraw{view};
  BrushEngine brush{document, history, settings, random};
  ShapeEngine shapes{document, history, settings, &redraw};
  BucketEngine bucket{document, history, settings, &redraw};
  GradientEngine gradient{document, history, settings};
  MoveEngine mover{document, history};
  SelectionEngine selections{document, history, settings, &redraw};
  ColorPalette palette;
  PanelIcons icons;
  std::string fileName = kUntitled;  // the document's file (UTF-8 path)
  uint32_t ticks = 0;                // timer ticks so far
  KeyStateTable keys{};              // 1 while the key of that code is held (the tools read it)

  // What the input routing keeps between events (InputRouting.h).
  struct Routing {
    int selectedToolButton = 0;
    ToolChooser chooser;            // the tool each panel button holds
    bool panelPressed = false;      // from a press in the tool panel to the release
    bool colourPicking = false;     // from a press on the bar's colour strip to the release
    int32_t lastPickX = 0, lastPickY = 0;
    TapKeys taps;
    TwoFingerGesture gesture;
    CurvePoint gestureAnchor;       // the canvas point kept between the fingers
    StylusEvent last;               // the last stylus event the tools had
  } routing;

 private:
  std::array<BrushParams, kBrushKinds> brushes_{};  // the kinds that are not current
  int brushKind_ = kPen;
  ScreenLayout layout_;
  double deviceScale_ = 1.0;
  bool laidOut_ = false;
  bool panelsDrawn_ = false;
  Image32 paletteImage_, barImage_, panelImage_, colourStrip_;
};

}  // namespace kanvo
