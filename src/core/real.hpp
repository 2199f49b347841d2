#pragma once
// Single-precision arithmetic shared by every equation of the program.
#include <cmath>

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

}  // namespace mantlept
