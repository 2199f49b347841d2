#pragma once
// The combination loop of one association and its alternating
// temperature-pressure iteration.
#include <array>

#include "core/terminal.hpp"
#include "methods/outcomes.hpp"
#include "solver/run_settings.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// Reported values of one combination: temperature (degrees Celsius),
// pressure (kbar) and the oxygen-fugacity value.
struct CombinationResult {
  Real temperature = 0;
  Real pressure = 0;
  Real fO2 = 0;
};

// Room for 20 rows, refilled by every association and never cleared.
using CombinationResults = std::array<CombinationResult, 20>;

// Marker of a failed or rejected value.
inline constexpr Real kMarker = 2000.0f;

// How a combination ended: within the plausibility window, within it after a
// limit was applied (pressure cap above 82 kbar, temperature floor), outside
// it, or without a value (minerals missing or an equation without value).
enum class CombinationStatus { Ok, Capped, Rejected, Incomplete };

// The iteration of one combination: barometer-thermometer passes made, and
// whether it stopped on its 1 K test before the pass limit.
struct IterationInfo {
  int passes = 0;
  bool converged = false;
  bool floored = false;  // TK raised to the 273 K floor
};

// Screens a finished combination (plausibility window in T and P; caps above
// 82 kbar), writes the screened P and TK back into the store and returns the
// row to store. `status`, when given, receives Ok, Capped or Rejected.
CombinationResult screenResult(RunState& s, CombinationStatus* status = nullptr);

// The row of a combination that did not complete.
inline CombinationResult failedResult() { return {kMarker, kMarker, kMarker}; }

// Runs one combination from the starting point (s.startT, s.startP): barometer, thermometer and
// convergence test in turn, the final limits, the spinel ferric recomputation
// (ferric option off) and the oxybarometer. False when a method found its
// preconditions unmet.
bool solveCombination(RunState& s, const RunSettings& settings, const MethodCombination& c,
                      Terminal& out, IterationInfo* info = nullptr);

// Ferric iron of the spinel from its charge balance, after the iteration.
// Writes Fe3(Sp), Fe3R_Sp and XFe_Sp (a value without a quotient stays as it was).
void recomputeSpinelFerricIron(RunState& s);

}  // namespace mantlept
