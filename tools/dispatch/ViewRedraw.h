#pragma once
// The view as the tools' redraw sink: a changed canvas rectangle is redrawn with
// View::redrawRect, the whole view with invalidate and redraw.
#include "tools/RedrawSink.h"
#include "view/View.h"

namespace kanvo {

class ViewRedraw : public RedrawSink {
 public:
  explicit ViewRedraw(View& view) : view_(&view) {}
  void redrawCanvasRect(const Rect& r) override { view_->redrawRect(r.x, r.y, r.width, r.height); }
  void redrawAll() override {
    view_->invalidate();
    view_->redraw();
  }

 private:
  View* view_;
};

}  // namespace kanvo
