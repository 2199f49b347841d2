#include "solver/solver.hpp"

#include <cmath>

#include "methods/barometers/barometers.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

void recomputeSpinelFerricIron(RunState& s) {
  CationFormula& sp = s.cat[Sp];
  Real fe3 = 2.0f - sp.Al - sp.Cr - 2.0f * sp.Ti;
  sp.Fe3 = fe3;
  Real ferrous = sp.Fe - sp.Fe3;
  Real trivalent = sp.Cr + sp.Fe3 + sp.Ti + sp.Al;
  if (trivalent != 0.0f && usable(sp.Fe3 / trivalent)) s.site.Fe3R_Sp = sp.Fe3 / trivalent;
  Real divalent = sp.Mg + sp.Mn + ferrous;
  if (divalent != 0.0f && usable(ferrous / divalent)) s.site.XFe_Sp = ferrous / divalent;
}

bool solveCombination(RunState& s, const RunSettings& settings, const MethodCombination& c,
                      Terminal& out, IterationInfo* info) {
  IterationInfo local;
  IterationInfo& it = info != nullptr ? *info : local;
  it = IterationInfo{};
  s.T = s.startT;
  s.P = s.startP;
  int passes = 0;
  const int barometer = settings.beyondCatalogue ? c.barometer : catalogueBarometer(c.barometer);
  const int thermometer =
      settings.beyondCatalogue ? c.thermometer : catalogueThermometer(c.thermometer);
  for (;;) {
    if (runBarometer(barometer, s) == BarometerOutcome::NotComplete) return false;
    ThermometerOutcome t = runThermometer(thermometer, s);
    if (t == ThermometerOutcome::NotComplete) return false;
    ++it.passes;
    if (t == ThermometerOutcome::Finish) break;
    ++passes;
    Real d = std::fabs(s.TK - s.T);
    if (passes < settings.iterationLimit) {
      s.T = s.TK;
      if (d > 1.0f) continue;
      it.converged = true;
    }
    break;
  }
  if (s.TK >= 2173.0f) s.TK = 2173.0f;
  if (s.TK <= 273.0f) {
    it.floored = true;
    s.TK = 273.0f;
  }
  if (s.P >= 200.0f) s.P = 200.0f;
  if (s.P <= 1e-07f) s.P = -10.0f;
  if (settings.ferricOption == kFerricNone) recomputeSpinelFerricIron(s);
  if (settings.oxybarometerNumber == 0) {
    s.fO2 = 0.0f;
  } else if (runOxybarometer(settings.oxybarometerNumber, s, out) ==
             OxybarometerOutcome::NotComplete) {
    return false;
  }
  return true;
}

CombinationResult screenResult(RunState& s, CombinationStatus* status) {
  bool rejected = false;
  bool capped = false;
  if (!(350.0f + 7.75f * (s.P - 20.0f) < s.T)) {
    rejected = true;
  } else if (s.TK <= 0.0f || s.P <= 1.0f) {
    rejected = true;
  } else if (s.TK >= 1853.0f || s.P >= 200.0f) {
    rejected = true;
  } else if (s.P > 82.0f) {
    s.P = 81.5f;
    s.TK = 1723.0f;
    capped = true;
  }
  if (rejected) {
    s.TK = 2273.0f;
    s.P = kMarker;
  }
  if (status != nullptr) {
    *status = rejected ? CombinationStatus::Rejected
                       : (capped ? CombinationStatus::Capped : CombinationStatus::Ok);
  }
  return {s.TK - 273.0f, s.P, s.fO2};
}

}  // namespace mantlept
