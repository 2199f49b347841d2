#pragma once
// Single-precision arithmetic shared by every equation of the program.
#include <cmath>
#include <cstdint>
#include <cstring>

namespace mantlept {

using Real = float;

// True when x can be stored: a value that is neither NaN nor infinite.
inline bool usable(Real x) { return std::isfinite(x); }

// True when every argument can be stored.
template <typename... R>
inline bool usable(Real x, R... rest) {
  return usable(x) && usable(rest...);
}

inline Real square(Real x) { return x * x; }
inline Real cube(Real x) { return x * x * x; }

// Common logarithm in single precision, the same bits on every platform:
// x = 2^k m with m in [sqrt(2)/2, sqrt(2)), log10 x = k log10(2) + log10(e) ln m,
// log10(2) split in two parts so that k log10(2) loses nothing. Over every
// positive finite float it gives exactly what the GNU C library's log10f gives.
inline Real log10Real(Real x) {
  if (!(x > 0.0f) || !std::isfinite(x)) return std::log10(x);
  const Real two25 = 3.3554432000e+07f;
  const Real invLn10 = 4.3429449201e-01f;
  const Real log10Of2High = 3.0102920532e-01f;
  const Real log10Of2Low = 7.9034151668e-07f;
  std::int32_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  std::int32_t k = 0;
  if (bits < 0x00800000) {  // subnormal: scale into the normal range first
    k -= 25;
    x *= two25;
    std::memcpy(&bits, &x, sizeof bits);
  }
  k += (bits >> 23) - 127;
  const std::int32_t below = k < 0 ? 1 : 0;  // keeps m in [1, 2) or [0.5, 1)
  bits = (bits & 0x007fffff) | ((0x7f - below) << 23);
  const Real y = static_cast<Real>(k + below);
  std::memcpy(&x, &bits, sizeof bits);
  const Real z = y * log10Of2Low + invLn10 * std::log(x);
  return z + y * log10Of2High;
}

}  // namespace mantlept
