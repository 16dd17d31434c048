#pragma once
// The random numbers of the painting tools (brush noise, the water colour's dab thresholds):
// integers 0 ... 32767. Handed in like the clock, never global: the application seeds one
// source once; tests seed their own so that a recorded stroke renders the same every time.
#include <cstdint>

namespace kanvo {

class RandomSource {
 public:
  static constexpr int kMax = 32767;
  virtual ~RandomSource() = default;
  // The next number, 0 ... kMax.
  virtual int next() = 0;
};

// A linear congruential generator (multiplier 214013, increment 2531011, bits 16 ... 30 of the
// state): small, fast and the same on every platform for a given seed.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(uint32_t seed = 1) : state_(seed) {}
  void seed(uint32_t seed) { state_ = seed; }
  int next() override {
    state_ = state_ * 214013u + 2531011u;
    return int((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_;
};

}  // namespace kanvo
