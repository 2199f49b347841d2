#pragma once
// The engine that evaluates one association, shared by every front end: the
// association loaded into the store with its formulas, the site parameters,
// and each chosen combination solved and screened.
#include "core/terminal.hpp"
#include "minerals/association.hpp"
#include "solver/run_settings.hpp"
#include "solver/solver.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// One combination of an association, as the engine finished it.
struct CombinationOutcome {
  CombinationStatus status = CombinationStatus::Incomplete;
  CombinationResult result = failedResult();  // the row the results file keeps
  IterationInfo iteration;
};

// Clears the association's oxide and cation values (the cation sums stay),
// the reset site parameters and the oxygen-fugacity value, and sets T and P to
// the starting point.
void resetAssociation(RunState& s);

// Resets the store and files the formula of every mineral the association
// holds in its slot (ferric iron estimated when asked). Computes nothing else.
void loadAssociation(RunState& s, const Association& a, FerricRule ferric);

// Loads the association and works out its site parameters.
void prepareAssociation(RunState& s, const Association& a, FerricRule ferric, Terminal& out);

// Solves and screens combination `k` of the settings on the prepared store,
// and keeps its row in `results[k]`.
CombinationOutcome evaluateCombination(RunState& s, const RunSettings& settings, int k,
                                       CombinationResults& results, Terminal& out);

// A sample on its own: the store as at the first association of a run (the
// settings' starting point, nothing kept from another sample), then the
// association loaded with its formulas and site parameters.
void prepareSample(RunState& s, const Association& a, const RunSettings& settings);

// Combination `k` solved on a copy of a prepared sample (`work`), so that no
// value one pair writes reaches another pair of the same sample.
CombinationOutcome evaluatePair(const RunState& prepared, const RunSettings& settings, int k,
                                RunState& work);

}  // namespace mantlept
