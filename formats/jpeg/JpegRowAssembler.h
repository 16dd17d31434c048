#pragma once
// The decoder's last stage: the samples of each component, one row of MCUs at a time and at the
// component's own resolution, become picture rows of full-resolution samples, top to bottom.
//
// Components at full resolution pass through as they are. Subsampled components are enlarged as
// JpegUpsample.h describes; since that reads one component row above and below, a picture with
// any subsampled component is handed on one MCU row late, the last at finish().
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/jpeg/JpegMarkers.h"
#include "formats/jpeg/JpegUpsample.h"

namespace kanvo::jpeg {

// Receives picture row y: the full-resolution samples of components 0, 1 and 2 (grey pictures
// pass component 0 three times), `width` each.
class RowSink {
 public:
  virtual void put(int y, const int32_t* a, const int32_t* b, const int32_t* c, int width) = 0;

 protected:
  ~RowSink() = default;
};

class RowAssembler {
 public:
  // False when the memory cannot be had.
  bool init(const JpegHeader& header);

  // Where the decoder writes component c's samples of the next MCU row: 8 x its vertical
  // sampling factor rows, stride(c) apart, 8 x its horizontal factor x MCU columns each.
  int32_t* rows(int c) { return comps_[size_t(c)].buffer[slot(next_)].data(); }
  ptrdiff_t stride(int c) const { return comps_[size_t(c)].stride; }

  // The MCU row just written is complete.
  void push(RowSink& sink);
  // After the last MCU row.
  void finish(RowSink& sink);

 private:
  struct Comp {
    int rowsPerMcu = 8;   // component rows in one MCU row
    ptrdiff_t stride = 0;
    int realWidth = 0, realHeight = 0;  // component samples that hold picture data
    bool enlarged = false;
    AxisTaps columns, rowTaps;  // over the picture's width and height
    std::vector<int32_t> buffer[2];
    std::vector<int32_t> above;  // the last row of the MCU row before
    std::vector<int32_t> out;    // one enlarged picture row
  };
  size_t slot(int mcuRow) const { return late_ ? size_t(mcuRow & 1) : 0; }
  const int32_t* componentRow(const Comp& c, int mcuRow, int row) const;
  void emit(int mcuRow, RowSink& sink);

  std::vector<Comp> comps_;
  std::vector<int32_t> mixed_;
  int width_ = 0, height_ = 0, mcuHeight_ = 8, mcuRows_ = 0;
  bool late_ = false;
  int next_ = 0;  // MCU rows pushed
};

}  // namespace kanvo::jpeg
