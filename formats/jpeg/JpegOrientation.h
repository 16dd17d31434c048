#pragma once
// How a photo is to be shown: the EXIF Orientation tag (0x0112) of a JPEG's APP1 "Exif"
// segment, and the turn it asks for.
//
// 1 shows the picture as stored; 2 mirrors it left to right, 3 turns it by 180 degrees, 4 flips
// it top to bottom, 5 transposes it (mirrors it about the main diagonal), 6 turns it 90 degrees
// clockwise, 7 transverses it (mirrors it about the other diagonal) and 8 turns it 90 degrees
// anticlockwise; 5 to 8 swap width and height.
#include <cstdint>
#include <span>

#include "raster/image/Image32.h"

namespace kanvo::jpeg {

// The orientation an APP1 segment's payload (after its length field) gives: the tag's value
// when the payload is "Exif\0\0" and a TIFF header in either byte order whose first IFD holds
// the tag as one SHORT of 1..8. Anything else gives 1: another segment, offsets or counts that
// reach past the payload, a tag of another type or count, a value out of range. Only the first
// IFD is read, and only inside the payload.
int exifOrientation(std::span<const uint8_t> app1);

// Turns `image` as orientation 1..8 asks (other values leave it alone). False when the memory
// cannot be had: the image is then as it was, or without pixels when its new size could not
// be allocated.
bool orientImage(Image32& image, int orientation);

}  // namespace kanvo::jpeg
