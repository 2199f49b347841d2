#pragma once
// Fixed-width numeric editing Fw.d: the value rounded to d decimals (halves
// away from zero, from the exact binary value), right-aligned in w characters,
// no zero before the point below 1 (except a lone 0 when d = 0 and no digit
// would remain), asterisks when the text does not fit.
#include <string>
#include <string_view>

#include "core/real.hpp"

namespace mantlept {

// Appends the edited value (exactly w characters) to `out`.
void appendFixed(std::string& out, Real value, int w, int d);

// The edited value as a string of exactly w characters.
std::string formatFixed(Real value, int w, int d);

}  // namespace mantlept
