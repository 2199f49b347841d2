#pragma once
// The combination loop of one association and its alternating
// temperature-pressure iteration.
#include <string_view>

#include "core/terminal.hpp"
#include "dialogue/run_settings.hpp"
#include "methods/outcomes.hpp"
#include "report/result_lines.hpp"
#include "solver/run_state.hpp"

namespace mantlept {

// Runs one combination from the starting point (s.startT, s.startP): barometer, thermometer and
// convergence test in turn, the final limits, the spinel ferric recomputation
// (ferric option off) and the oxybarometer. False when a method found its
// preconditions unmet.
bool solveCombination(RunState& s, const RunSettings& settings, const MethodCombination& c,
                      Terminal& out);

// Runs every combination of the association, stores each row of `results`
// and prints its result or failure line.
void evaluateAssociation(RunState& s, const RunSettings& settings, std::string_view sampleName,
                         CombinationResults& results, Terminal& out);

// Ferric iron of the spinel from its charge balance, after the iteration.
// Writes Fe3(Sp), Fe3R_Sp and XFe_Sp (a value without a quotient stays as it was).
void recomputeSpinelFerricIron(RunState& s);

}  // namespace mantlept
