#pragma once
// PackBits, the run-length code of PSD channel rows. A row is a sequence of runs, each a
// control byte c read as signed: 0 ... 127 is followed by c + 1 literal bytes, -127 ... -1 by
// one byte repeated 1 - c times, and -128 is skipped.
#include <cstddef>
#include <cstdint>

namespace kanvo {

// Decodes packed bytes until exactly outSize bytes are produced. Never reads beyond
// in + inSize nor writes beyond out + outSize. False when the input runs out first or a run
// would overshoot outSize; *consumed (when given) receives the input bytes used.
bool unpackBits(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, size_t* consumed = nullptr);

// Writes the packed form of one row of n bytes to out, which holds at least
// packBitsBound(n) bytes. A repeat run is made where the next byte equals the current one and
// grows while bytes stay equal; otherwise a literal run grows until two equal neighbours
// appear (the first of the pair stays in the literal). Runs stop at 125 bytes; the control
// byte -128 is never written. Returns the bytes written.
size_t packBitsRow(const uint8_t* row, size_t n, uint8_t* out);
// No run takes more than twice its bytes.
constexpr size_t packBitsBound(size_t n) { return 2 * n; }

}  // namespace kanvo
