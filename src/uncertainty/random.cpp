// Double precision: random numbers for statistics, not method arithmetic.
#include "uncertainty/random.hpp"

#include <cmath>

namespace mantlept {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

std::uint64_t splitMix64(std::uint64_t& state) {
  state += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

DrawRandom::DrawRandom(std::uint64_t seed, std::uint64_t association, std::uint64_t draw) {
  // Each member of the triple is folded in through a full mixing step, so that
  // neighbouring indices give unrelated streams.
  std::uint64_t m = seed;
  std::uint64_t key = splitMix64(m);
  m = key ^ association;
  key = splitMix64(m);
  m = key ^ draw;
  key = splitMix64(m);
  std::uint64_t fill = key;
  for (auto& word : s_) word = splitMix64(fill);
  if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0) s_[0] = 1;  // the one state xoshiro cannot leave
}

std::uint64_t DrawRandom::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

double DrawRandom::uniform() {
  // 53 random bits, shifted half a step off zero: (k + 0.5) / 2^53.
  return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53;
}

double DrawRandom::normal() {
  if (hasSpare_) {
    hasSpare_ = false;
    return spare_;
  }
  double u = 0, v = 0, r = 0;
  do {
    u = 2.0 * uniform() - 1.0;
    v = 2.0 * uniform() - 1.0;
    r = u * u + v * v;
  } while (r >= 1.0 || r == 0.0);
  const double f = std::sqrt(-2.0 * std::log(r) / r);
  spare_ = v * f;
  hasSpare_ = true;
  return u * f;
}

}  // namespace mantlept
