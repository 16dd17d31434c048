#include "formats/jpeg/JpegRowAssembler.h"

#include <algorithm>
#include <new>

namespace kanvo::jpeg {

bool RowAssembler::init(const JpegHeader& h) {
  width_ = h.width;
  height_ = h.height;
  mcuHeight_ = 8 * h.maxV;
  const int mcusX = (h.width + 8 * h.maxH - 1) / (8 * h.maxH);
  mcuRows_ = (h.height + mcuHeight_ - 1) / mcuHeight_;
  next_ = 0;
  late_ = false;
  comps_.clear();
  try {
    comps_.resize(size_t(h.componentCount));
    size_t widest = 0;
    for (int i = 0; i < h.componentCount; ++i) {
      const FrameComponent& fc = h.components[size_t(i)];
      Comp& c = comps_[size_t(i)];
      const int ratioH = h.maxH / fc.h, ratioV = h.maxV / fc.v;
      c.rowsPerMcu = 8 * fc.v;
      c.stride = ptrdiff_t(mcusX) * 8 * fc.h;
      c.realHeight = (h.height + ratioV - 1) / ratioV;
      c.enlarged = ratioH != 1 || ratioV != 1;
      late_ = late_ || c.enlarged;
      c.buffer[0].assign(size_t(c.stride) * size_t(c.rowsPerMcu), 0);
      if (!c.enlarged) continue;
      c.realWidth = (h.width + ratioH - 1) / ratioH;
      c.columns = axisTaps(h.width, c.realWidth, ratioH);
      c.rowTaps = axisTaps(h.height, c.realHeight, ratioV);
      c.above.assign(size_t(c.stride), 0);
      c.out.assign(size_t(h.width), 0);
      widest = std::max(widest, size_t(c.stride));
    }
    if (late_) {
      for (Comp& c : comps_) c.buffer[1].assign(c.buffer[0].size(), 0);
      mixed_.assign(widest, 0);
    }
  } catch (const std::bad_alloc&) {
    comps_.clear();
    return false;
  }
  return true;
}

// Row `row` (picture-wide component row index) of component c while MCU row `mcuRow` is
// emitted: from the row above, that MCU row or the first row of the next.
const int32_t* RowAssembler::componentRow(const Comp& c, int mcuRow, int row) const {
  const int local = row - mcuRow * c.rowsPerMcu;
  if (local < 0) return c.above.data();
  if (local >= c.rowsPerMcu) return c.buffer[(mcuRow + 1) & 1].data();
  return c.buffer[mcuRow & 1].data() + ptrdiff_t(local) * c.stride;
}

void RowAssembler::emit(int mcuRow, RowSink& sink) {
  const int y0 = mcuRow * mcuHeight_, y1 = std::min(y0 + mcuHeight_, height_);
  const int32_t* row[3] = {};
  const size_t n = comps_.size();
  for (int y = y0; y < y1; ++y) {
    for (size_t i = 0; i < n; ++i) {
      Comp& c = comps_[i];
      if (!c.enlarged) {
        row[i] = c.buffer[slot(mcuRow)].data() + ptrdiff_t(y - y0) * c.stride;
        continue;
      }
      const AxisTaps& v = c.rowTaps;
      mixRows(componentRow(c, mcuRow, v.first[size_t(y)]), componentRow(c, mcuRow, v.second[size_t(y)]),
              v.firstWeight[size_t(y)], v.ratio, int(c.stride), mixed_.data());
      mixColumns(mixed_.data(), c.columns, v.ratio, c.realWidth, width_, c.out.data());
      row[i] = c.out.data();
    }
    sink.put(y, row[0], row[n > 1 ? 1 : 0], row[n > 2 ? 2 : 0], width_);
  }
  if (!late_) return;
  for (Comp& c : comps_) {
    if (!c.enlarged) continue;
    const int32_t* last = c.buffer[mcuRow & 1].data() + ptrdiff_t(c.rowsPerMcu - 1) * c.stride;
    std::copy(last, last + c.stride, c.above.begin());
  }
}

void RowAssembler::push(RowSink& sink) {
  if (!late_) {
    emit(next_++, sink);
    return;
  }
  if (next_ > 0) emit(next_ - 1, sink);
  ++next_;
}

void RowAssembler::finish(RowSink& sink) {
  if (late_ && next_ > 0 && next_ <= mcuRows_) emit(next_ - 1, sink);
}

}  // namespace kanvo::jpeg
