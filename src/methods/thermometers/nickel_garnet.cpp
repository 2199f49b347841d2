// Nickel and single-garnet thermometers.
//
// The Ni thermometers rest on the Ni cation amount of garnet alone or on the
// Ni partition between garnet and olivine; the three polynomial thermometers
// work from the raw oxide values of one garnet analysis and a logarithm scaled
// by pressure. None of them writes anything but TK, and TK is written only once
// every value on the way has been found finite.
#include <cmath>

#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

constexpr Real kTiny = 1e-07f;

// A logarithm has a value only for a positive, finite argument.
bool loggable(Real x) { return usable(x) && x > 0.0f; }

// A quotient has a value only for a finite, non-zero divisor.
bool divisible(Real x) { return usable(x) && x != 0.0f; }

// Stores a finished temperature, or reports that the equation had none.
ThermometerOutcome store(RunState& s, Real tk) {
  if (!usable(tk)) return ThermometerOutcome::NotComplete;
  s.TK = tk;
  return ThermometerOutcome::Continue;
}

// Tests shared by the garnet polynomial thermometers on Ca, Fe, Na, Ti and Al.
bool garnetNaTiTests(const OxideValues& g, Real P) {
  if (!(g.CaO > kTiny && g.FeO > kTiny)) return false;
  if (!(g.Na2O > kTiny && g.TiO2 > kTiny)) return false;
  if (!(P > kTiny && g.Al2O3 > kTiny)) return false;
  return true;
}

}  // namespace

// Ni-in-garnet thermometer on the garnet Ni content in ppm (7858 ppm Ni per
// wt% NiO), with a pressure term and an extra rise from 60 kbar. Writes TK.
ThermometerOutcome thermometer31(RunState& s) {
  const CationFormula& g = s.cat[Gar];
  if (!(g.Mn > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(g.Ti > kTiny && g.Mg > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(g.Al > kTiny && g.Na > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(s.ox[Gar].NiO > kTiny)) return ThermometerOutcome::NotComplete;
  const Real N = 7858.0f * s.ox[Gar].NiO;
  if (!loggable(N)) return ThermometerOutcome::NotComplete;
  const Real denom = 1.506f - 0.189f * std::log(N);
  if (!divisible(denom)) return ThermometerOutcome::NotComplete;
  const Real P = s.P;
  Real tk = 1000.0f / denom + 150.0f * P / 60.0f - 50.0f;
  if (P >= 60.0f) tk = tk + 10.0f * (P - 60.0f);
  return store(s, tk);
}

// Ni-in-garnet thermometer on the garnet Ni cation amount. Writes TK.
ThermometerOutcome thermometer37(RunState& s) {
  const CationFormula& g = s.cat[Gar];
  if (!(g.Ni > kTiny)) return ThermometerOutcome::NotComplete;
  const Real arg = 1000.0f * g.Ni / 3.0f;
  if (!loggable(arg)) return ThermometerOutcome::NotComplete;
  const Real denom = 0.83f - 0.435f * std::log(arg);
  if (!divisible(denom)) return ThermometerOutcome::NotComplete;
  return store(s, 1000.0f / denom);
}

// Garnet-olivine Ni exchange thermometer on the NiO partition (wt%) between
// garnet and olivine. Writes TK.
ThermometerOutcome thermometer39(RunState& s) {
  if (!(s.cat[Gar].Ni > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(s.ox[Ol].NiO > kTiny)) return ThermometerOutcome::NotComplete;
  const Real D = s.ox[Gar].NiO / s.ox[Ol].NiO;
  if (!loggable(D)) return ThermometerOutcome::NotComplete;
  const Real denom = 2.53f - std::log(D);
  if (!divisible(denom)) return ThermometerOutcome::NotComplete;
  return store(s, 8772.0f / denom);
}

// Olivine-garnet Ni-Mg exchange thermometer: tested on the raw NiO values,
// computed on the Ni/Mg cation ratios of garnet and olivine. Writes TK.
ThermometerOutcome thermometer44(RunState& s) {
  if (!(s.ox[Gar].NiO > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(s.ox[Ol].NiO > kTiny)) return ThermometerOutcome::NotComplete;
  const CationFormula& g = s.cat[Gar];
  const CationFormula& o = s.cat[Ol];
  if (!divisible(g.Mg) || !divisible(o.Ni)) return ThermometerOutcome::NotComplete;
  const Real D = (g.Ni / g.Mg / o.Ni) * o.Mg;
  if (!loggable(D)) return ThermometerOutcome::NotComplete;
  const Real denom = 5.0495f - 0.807f * std::log(D);
  if (!divisible(denom)) return ThermometerOutcome::NotComplete;
  return store(s, 10000.0f / denom);
}

// Garnet-only polynomial thermometer on Mg, Ti, Fe, Al and Mg + Ca of a
// Cr-bearing garnet. Writes TK.
ThermometerOutcome thermometer40(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  const Real P = s.P;
  if (!(g.CaO > kTiny && g.FeO > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(g.TiO2 > kTiny)) return ThermometerOutcome::NotComplete;
  if (!(g.Cr2O3 > 0.35f)) return ThermometerOutcome::NotComplete;
  if (!(P > kTiny && g.Al2O3 > kTiny)) return ThermometerOutcome::NotComplete;
  const Real S = g.MgO + g.CaO;
  const Real S2 = square(S);
  if (!divisible(S2)) return ThermometerOutcome::NotComplete;
  const Real R = g.TiO2 / g.FeO / g.Al2O3 / S2;
  if (!(R > 1e-15f)) return ThermometerOutcome::NotComplete;
  const Real arg = g.MgO * R;
  if (!loggable(arg)) return ThermometerOutcome::NotComplete;
  const Real y = std::log(arg) / P;
  const Real Tb = 5272.5f * cube(y) + 10265.0f * square(y) + 6472.0f * y + 2053.8f;
  return store(s, (Tb - 725.0f) * 1.15f + 925.0f);
}

// Garnet-only polynomial thermometer on Mn, Na, Ti, Fe, Al and Mg + Ca.
// Writes TK.
ThermometerOutcome thermometer41(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  const Real P = s.P;
  if (!garnetNaTiTests(g, P)) return ThermometerOutcome::NotComplete;
  const Real S = g.MgO + g.CaO;
  if (!divisible(S)) return ThermometerOutcome::NotComplete;
  const Real R = g.MnO * g.Na2O * g.TiO2 / g.FeO / g.Al2O3 / S;
  if (!(R > 1e-15f)) return ThermometerOutcome::NotComplete;
  if (!usable(R)) return ThermometerOutcome::NotComplete;
  const Real y = std::log(R) / P;
  const Real Tb = 362.05f * cube(y) + 1880.4f * square(y) + 2659.6f * y + 1695.5f;
  const Real A = (Tb - 800.0f) * 1.35f + 1023.0f;
  if (!divisible(A)) return ThermometerOutcome::NotComplete;
  const Real tk =
      A - (A - 1500.0f) * 100.0f / 675.0f + 10.0f * g.TiO2 + 200.0f * std::fabs(1223.0f - A) / A;
  return store(s, tk);
}

// Garnet-only polynomial thermometer on Mg, Ti, Fe, Al and Mg + Ca, checked
// against a plausible current temperature. Writes TK.
ThermometerOutcome thermometer42(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  const Real P = s.P;
  if (!garnetNaTiTests(g, P)) return ThermometerOutcome::NotComplete;
  const Real S = g.MgO + g.CaO;
  if (!divisible(S)) return ThermometerOutcome::NotComplete;
  if (g.MgO < 0.0f) return ThermometerOutcome::NotComplete;
  const Real R = std::pow(g.MgO, 0.5f) * g.TiO2 / g.FeO / S / g.Al2O3;
  if (!(R > 1e-10f)) return ThermometerOutcome::NotComplete;
  if (!usable(R)) return ThermometerOutcome::NotComplete;
  const Real y = std::log(R) / P;
  // Plausibility: the current temperature of the iteration must lie strictly
  // between 200 and 2000 K (the stored TK would be 0 on a run's first cycle).
  if (!(s.T > 200.0f && s.T < 2000.0f)) return ThermometerOutcome::NotComplete;
  const Real Tb = 3138.0f * square(y) + 3607.0f * y + 1973.0f;
  if (!divisible(Tb)) return ThermometerOutcome::NotComplete;
  const Real tk = Tb - (Tb - 1750.0f) * 100.0f / 700.0f + 5.0f * g.TiO2 - 75.0f +
                  200.0f * std::fabs(1223.0f - Tb) / Tb;
  return store(s, tk);
}

}  // namespace mantlept
