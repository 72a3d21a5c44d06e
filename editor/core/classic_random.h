// The editor's pseudo-random source: the classic 24-bit linear congruential generator
// x <- (x * 1140671485 + 12820163) mod 2^24, starting from x = 327680 and yielding x / 2^24.
// It is never seeded, so every start of the program repeats the same sequence (the first value is
// about 0.7055475). Front ends return Next() from WindowServices::Random().
#pragma once

#include <cstdint>

namespace gridwright {

class ClassicRandom {
  public:
    // Uniform in [0, 1), in steps of 2^-24.
    double Next() {
        state_ = (state_ * kMultiplier + kIncrement) & kMask;
        return static_cast<double>(state_) / kModulus;
    }

  private:
    static constexpr std::uint64_t kMultiplier = 1140671485;
    static constexpr std::uint64_t kIncrement = 12820163;
    static constexpr std::uint64_t kModulus = std::uint64_t{1} << 24;
    static constexpr std::uint64_t kMask = kModulus - 1;

    std::uint64_t state_ = 327680;
};

}  // namespace gridwright
