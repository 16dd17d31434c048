#pragma once
// Pictures coded in several scans: progressive ones, and sequential ones whose components come
// in separate scans. Every scan adds to coefficients kept for the whole picture (quantised, in
// natural order, 16 bits each, held within +-kCoefficientLimit); once the scans are read they
// are dequantised (each component by its quantisation table as it stood at the component's
// first scan) and go through the same inverse DCT, enlargement and colour conversion as a
// picture in one scan.
//
// Progressive scans: DC first and refinement scans (interleaved or not), AC first scans of one
// band with end-of-band runs, AC refinement scans; restart intervals in every kind. A scan
// whose data is damaged or ends early leaves its blocks as far as they got and reading goes on
// with the next scan; a file that ends before its last scan, or a damaged header between scans,
// shows what the scans so far gave. Both are reported as partial.
#include <cstdint>
#include <span>

#include "formats/jpeg/JpegMarkers.h"
#include "formats/jpeg/JpegRowAssembler.h"
#include "formats/Status.h"

namespace kanvo::jpeg {

// Whether the decoder needs the whole picture's coefficients for this header.
bool needsCoefficientStore(const JpegHeader& header);

// The bytes of that store.
uint64_t coefficientStoreBytes(const JpegHeader& header);

// Decodes every scan from `first` (the header as parsed up to the first scan) on into rows.
Status decodeScans(std::span<const uint8_t> data, const JpegHeader& first, RowSink& out);

}  // namespace kanvo::jpeg
