#include "app/StrokeTakeBack.h"

#include "app/Application.h"

namespace kanvo {

namespace {

template <int Bpp>
bool restore(TiledImage<Bpp>& store, const TiledImage<Bpp>* before) {
  return before != nullptr && store.assign(*before);
}

bool restoreLayer(const StrokeRaster& raster) {
  Layer& layer = *raster.layer;
  switch (raster.depth) {
    case 32: return restore(layer.pixels32, raster.copy32);
    case 8: return restore(layer.pixels8, raster.copy8);
    case 1: return restore(layer.pixels1, raster.copy1);
    default: return false;
  }
}

}  // namespace

bool takeBackStroke(Application& app) {
  const StrokeRaster& raster = app.brush.raster();
  bool takenBack = false;
  if (app.brush.strokeActive() && raster.layer != nullptr && restoreLayer(raster)) {
    const uint8_t modified = app.document.modified;
    app.document.layerChangedAll(*raster.layer);
    app.document.modified = modified;  // the document is as it was
    app.settings.strokes.samples.clear();  // so that ending the stroke records nothing
    takenBack = true;
  }
  app.tools.ResetStroke(false);
  if (takenBack) app.redraw.redrawAll();
  return takenBack;
}

}  // namespace kanvo
