#pragma once
// Inflates one zlib stream (RFC 1950) piece by piece, for readers that take a large block of
// pixels in bands rather than in one buffer of its whole size.
//
//   ZlibInflater z;                      // check z.state() != kNoMemory
//   while (room left) {
//     if (z.needsInput() && more input) z.supply(bytes, n);
//     made = z.produce(out + filled, room);
//     filled += made;
//     if (z.state() != ZlibInflater::kRunning || (made == 0 && z.needsInput() && no more input)) break;
//   }
//
// Decoded bytes that did not fit the last output are given out by the next produce even when
// all input is used up. produce writes only bytes the stream really decodes; it never leaves
// bytes of the output it did not write changed. The state moves from kRunning to kEnded (the stream and its check
// value are complete) or kDamaged (zlib reports bad data, a bad check value or a dictionary
// the stream needs); kNoMemory when zlib could not start. The input bytes given to supply
// must stay alive until they are used up (needsInput) or the inflater is destroyed.
// Not copyable.
#include <cstddef>
#include <cstdint>
#include <string>

struct z_stream_s;

namespace kanvo {

class ZlibInflater {
 public:
  enum State { kRunning, kEnded, kDamaged, kNoMemory };

  ZlibInflater();
  ~ZlibInflater();
  ZlibInflater(const ZlibInflater&) = delete;
  ZlibInflater& operator=(const ZlibInflater&) = delete;

  State state() const { return state_; }
  // zlib's description of the damage (empty while running or ended).
  const std::string& reason() const { return reason_; }

  // True when every byte supplied so far has been consumed.
  bool needsInput() const;
  // Hands the next input bytes to the stream (replacing any that were not consumed).
  void supply(const uint8_t* data, size_t n);

  // Decodes up to n bytes into out; returns how many were written. Returns early when the
  // input is used up (and nothing decoded is held back), the stream ends or damage is found.
  size_t produce(uint8_t* out, size_t n);

  // Bytes consumed and produced since the start.
  uint64_t totalIn() const { return totalIn_; }
  uint64_t totalOut() const { return totalOut_; }

 private:
  z_stream_s* zs_ = nullptr;
  State state_ = kNoMemory;
  std::string reason_;
  uint64_t totalIn_ = 0;
  uint64_t totalOut_ = 0;
};

}  // namespace kanvo
