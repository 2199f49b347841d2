// Double precision: random numbers for statistics, not method arithmetic.
#pragma once
// Random numbers for the perturbed analyses: every draw has its own stream,
// derived from (seed, association index, draw index), so a draw's values do not
// depend on the order or the thread in which draws are made.
#include <array>
#include <cstdint>

namespace mantlept {

// One mixing step of the SplitMix64 generator: a bijective, well-mixed map of
// 64-bit values.
std::uint64_t splitMix64(std::uint64_t& state);

class DrawRandom {
 public:
  // The stream of draw `draw` of association `association` under `seed`.
  DrawRandom(std::uint64_t seed, std::uint64_t association, std::uint64_t draw);

  // The next 64 random bits (xoshiro256**).
  std::uint64_t next();
  // Uniform in the open interval (0, 1).
  double uniform();
  // Standard normal (mean 0, standard deviation 1), polar method.
  double normal();

 private:
  std::array<std::uint64_t, 4> s_{};
  double spare_ = 0;
  bool hasSpare_ = false;
};

}  // namespace mantlept
