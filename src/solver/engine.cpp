#include "solver/engine.hpp"

#include "minerals/formula.hpp"
#include "minerals/site_parameters.hpp"

namespace mantlept {

void resetAssociation(RunState& s) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    s.ox[slot] = OxideValues{};
    Real sum = s.cat[slot].Sum;
    s.cat[slot] = CationFormula{};
    s.cat[slot].Sum = sum;
  }
  resetSiteParameters(s.site);
  s.fO2 = 0.0f;
  s.T = s.startT;
  s.P = s.startP;
}

void loadAssociation(RunState& s, const Association& a, FerricRule ferric) {
  resetAssociation(s);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!a.present[static_cast<std::size_t>(slot)]) continue;
    Recalculation r = recalculate(a.ox[static_cast<std::size_t>(slot)], slot + 1, ferric);
    s.ox[slot] = r.ox;
    s.cat[slot] = r.cat;
  }
}

void prepareAssociation(RunState& s, const Association& a, FerricRule ferric, Terminal& out) {
  loadAssociation(s, a, ferric);
  computeSiteParameters(s.cat, s.site, out);
}

CombinationOutcome evaluateCombination(RunState& s, const RunSettings& settings, int k,
                                       CombinationResults& results, Terminal& out) {
  CombinationOutcome o;
  const auto at = static_cast<std::size_t>(k);
  if (solveCombination(s, settings, settings.combinations[at], out, &o.iteration)) {
    o.result = screenResult(s, &o.status);
    if (o.status == CombinationStatus::Ok && o.iteration.floored)
      o.status = CombinationStatus::Capped;
  } else {
    o.status = CombinationStatus::Incomplete;
    o.result = failedResult();
  }
  results[at] = o.result;
  return o;
}

void prepareSample(RunState& s, const Association& a, const RunSettings& settings) {
  s = RunState{};
  s.startT = settings.startT;
  s.startP = settings.startP;
  NullTerminal quiet;
  prepareAssociation(s, a, settings.ferricRule(), quiet);
}

CombinationOutcome evaluatePair(const RunState& prepared, const RunSettings& settings, int k,
                                RunState& work) {
  work = prepared;
  CombinationResults results{};
  NullTerminal quiet;
  return evaluateCombination(work, settings, k, results, quiet);
}

}  // namespace mantlept
