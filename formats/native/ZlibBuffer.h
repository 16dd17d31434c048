#pragma once
// One-shot zlib (RFC 1950) compression of a whole buffer in memory: the layer pixels of native
// documents and any other block whose uncompressed size is known in advance.
//
// ZlibInflateBuffer decompresses source into destination, which holds capacity bytes:
//   ok       the stream is complete; produced bytes were written (produced <= capacity);
//   partial  the source ends before the stream does, or the stream holds more than capacity
//            bytes; produced bytes are good;
//   failed   the data is damaged (or zlib could not start); produced counts the bytes written
//            before the damage was found.
// In every case the destination bytes from produced up to capacity are set to zero, so that the
// destination never holds stale memory.
//
// ZlibDeflateBuffer compresses source (at zlib's default level) into destination of capacity
// bytes; it fails, with produced 0, when the compressed form does not fit (data that does not
// shrink, with the default capacity of the source's own length).
// Sizes are in bytes and may exceed 4 GiB; the calls feed zlib in pieces.
#include <cstddef>
#include <cstdint>

#include "formats/Status.h"

namespace kanvo {

Status ZlibInflateBuffer(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t& produced,
                         size_t capacity);

Status ZlibDeflateBuffer(const uint8_t* source, size_t length, uint8_t* destination, size_t& produced);
Status ZlibDeflateBuffer(const uint8_t* source, size_t length, uint8_t* destination, size_t& produced,
                         size_t capacity);

}  // namespace kanvo
