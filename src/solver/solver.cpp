#include "solver/solver.hpp"

#include <cmath>
#include <string>

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
                      Terminal& out) {
  s.T = s.startT;
  s.P = s.startP;
  int passes = 0;
  for (;;) {
    if (runBarometer(c.barometer, s) == BarometerOutcome::NotComplete) return false;
    ThermometerOutcome t = runThermometer(c.thermometer, s);
    if (t == ThermometerOutcome::NotComplete) return false;
    if (t == ThermometerOutcome::Finish) break;
    ++passes;
    Real d = std::fabs(s.TK - s.T);
    if (passes < settings.iterationLimit) {
      s.T = s.TK;
      if (d > 1.0f) continue;
    }
    break;
  }
  if (s.TK >= 2173.0f) s.TK = 2173.0f;
  if (s.TK <= 273.0f) s.TK = 273.0f;
  if (s.P >= 200.0f) s.P = 200.0f;
  if (s.P <= 1e-07f) s.P = -10.0f;
  if (settings.ferricOption == 1) recomputeSpinelFerricIron(s);
  if (settings.oxybarometerNumber == 0) {
    s.fO2 = 0.0f;
  } else if (runOxybarometer(settings.oxybarometerNumber, s, out) ==
             OxybarometerOutcome::NotComplete) {
    return false;
  }
  return true;
}

void evaluateAssociation(RunState& s, const RunSettings& settings, std::string_view sampleName,
                         CombinationResults& results, Terminal& out) {
  // One buffer for the association's lines; each line is written (and, on an
  // interactive terminal, shown) as soon as its combination is done.
  std::string line;
  line.reserve(96);
  for (int k = 0; k < settings.evaluatedCount(); ++k) {
    const MethodCombination& c = settings.combinations[static_cast<std::size_t>(k)];
    line.clear();
    if (solveCombination(s, settings, c, out)) {
      results[static_cast<std::size_t>(k)] = screenResult(s);
      appendResultLine(line, sampleName, c, results[static_cast<std::size_t>(k)],
                       settings.ferricOption);
    } else {
      results[static_cast<std::size_t>(k)] = failedResult();
      appendFailureLine(line, sampleName);
    }
    line += '\n';
    out.write(line);
  }
}

}  // namespace mantlept
