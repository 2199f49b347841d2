#pragma once
// The published calibration ranges of the methods, as data with their
// sources: the temperatures and pressures of the experiments (or the natural
// set) each calibration was fitted to. A method has a range only where its
// paper states one.
#include <optional>
#include <string>
#include <string_view>

#include "core/real.hpp"
#include "methods/method_needs.hpp"

namespace mantlept {

// An inclusive interval.
struct Bounds {
  Real low = 0;
  Real high = 0;
  constexpr bool contains(Real x) const { return x >= low && x <= high; }
};

struct CalibrationRange {
  MethodKind kind;
  int number;
  std::optional<Bounds> T_C;     // degrees Celsius, where stated
  std::optional<Bounds> P_kbar;  // kbar, where stated
  std::string_view source;
};

// The stated range of method `number` of a kind; null where its paper states none.
const CalibrationRange* calibrationRange(MethodKind kind, int number);

// The range and its source: "T 875-1500 degC (Wells 1977, p. 135)",
// "T 900-1400 degC, P 20-60 kbar (...)".
std::string calibrationText(const CalibrationRange& range);

}  // namespace mantlept
