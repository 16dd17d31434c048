#pragma once
// Taking back a brush stroke in progress: the layer gets back its pixels from before the stroke
// (the document's current copy) and the stroke ends without an undo step. A second finger on a
// touch screen does this to the stroke the first finger began; other interruptions commit.
namespace kanvo {

class Application;

// True when a stroke was taken back. When the layer cannot be restored (no memory), the stroke
// is committed instead, so that no paint is left without its undo step.
bool takeBackStroke(Application& app);

}  // namespace kanvo
