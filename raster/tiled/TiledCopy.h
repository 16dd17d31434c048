#pragma once
// Allocation-checked copies between tiled images of one depth: a pixel rectangle copied to
// another place (a pure translation, replacing what was there), the clearing of a rectangle,
// and the checked form of writing one row back into the tiles.
//
// Unlike the region blits of TiledBlit.h, these report a tile that could not be allocated
// (false) so that an operation building a new image can give up and keep the old one.
// Positions are taken in 64 bits and clipped against both images, so any offset is safe.
// Source and destination must be different images (each row goes through each image's own
// row buffer); the same image is refused.
#include <cstdint>

#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// Writes the slices of buffer (indexed by the image's x, as the row protocol fills it) for
// the tile columns holding pixels x .. x + length - 1 of row y into the tiles. A slice that
// is all zero over an absent tile is skipped; other slices create their tile. False when a
// tile could not be had (the other slices are still written) or y lies outside.
template <int Bpp>
bool writeRowChecked(TiledImage<Bpp>& image, const uint8_t* buffer, int32_t x, int32_t y, int32_t length);

// Copies the width x height pixels at (sx, sy) of src to (dx, dy) of dst, clipped against
// both images; dst's pixels outside that rectangle keep their values. Rows of src without
// tiles over rows of dst without tiles are skipped. False when a tile could not be had or
// src and dst are the same image; true when everything (possibly nothing) was copied.
template <int Bpp>
bool copyPixels(const TiledImage<Bpp>& src, int64_t sx, int64_t sy, int64_t width, int64_t height,
                TiledImage<Bpp>& dst, int64_t dx, int64_t dy);

// Sets every pixel of rect (clipped to the image) to 0: tiles wholly inside are freed, partly
// covered tiles are cleared there and freed when every byte became 0.
template <int Bpp>
void clearPixels(TiledImage<Bpp>& image, const Rect& rect);

// Frees every tile of the image whose bytes are all zero. Unlike
// dropEmptyTiles, a 32 bpp tile holding colour bytes under alpha 0 is kept.
template <int Bpp>
void dropZeroTiles(TiledImage<Bpp>& image);

}  // namespace kanvo
