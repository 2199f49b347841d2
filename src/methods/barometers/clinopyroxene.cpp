// Clinopyroxene, clinopyroxene-garnet and olivine-clinopyroxene barometers.
//
// An equation without a value for the numbers at hand (a zero divisor that no
// test catches, the logarithm of a non-positive number) ends the combination
// as not complete with P left at its incoming value.
#include <cmath>

#include "methods/barometers/barometers.hpp"

namespace mantlept {

namespace {

// A mineral counts as present when its Si cation value is above 1e-07.
bool present(const CationFormula& c) { return c.Si > 1e-07f; }

// --- The jadeite family (barometers 31, 32, 33, 36 and the high-iron branch) ---

// Jadeite component Jd = (Na / G) * Mg / Ca of the clinopyroxene behind its
// guards (Na, then G, then T above 1e-07). False when a guard fails or when G
// or Jd has no value.
bool jadeite(const CationFormula& c, Real G, Real T, Real& Jd) {
  if (!(c.Na > 1e-07f)) return false;
  if (!(G > 1e-07f)) return false;
  if (!(T > 1e-07f)) return false;
  if (!usable(G)) return false;
  Jd = (c.Na / G) * c.Mg / c.Ca;
  return usable(Jd);
}

// Temperature term ln(1273 / T) of the jadeite barometers (T above 0).
Real jadeiteL(Real T) { return std::log(1273.0f / T); }

// Cubic finish (k * x^3 - q * x^2 + s * x) * f of a first pressure estimate.
Real cubicFinish(Real x, Real k, Real q, Real s, Real f) {
  return (k * cube(x) - q * square(x) + s * x) * f;
}

// Oxide screen of the eclogitic clinopyroxene barometers: enough Na2O, CaO
// and Al2O3 to carry a jadeite estimate.
bool eclogiteOxides(const OxideValues& o) {
  return o.Na2O > 0.01f && o.CaO > 5.0f && o.Al2O3 > 0.03f;
}

// Sodic, iron-rich, chromium-poor clinopyroxene (wt% FeO >= 4, wt% Cr2O3 <=
// 0.3, Na/Al >= 1), answered by the eclogite barometer. Na/Al is only formed
// when the oxide conditions hold; without a value (Al = 0) `valued` is false.
bool eclogiteRoute(const OxideValues& o, const CationFormula& c, bool& valued) {
  valued = true;
  if (!(o.FeO >= 4.0f && o.Cr2O3 <= 0.3f)) return false;
  const Real naAl = c.Na / c.Al;
  if (!usable(naAl)) {
    valued = false;
    return false;
  }
  return naAl >= 1.0f;
}

// Iron-rich aluminous sodic clinopyroxene (wt% FeO >= 4.6, Al2O3 >= 4.5,
// Na2O >= 2.5), answered by the high-iron jadeite computation.
bool highIronRoute(const OxideValues& o) {
  return o.FeO >= 4.6f && o.Al2O3 >= 4.5f && o.Na2O >= 2.5f;
}

// Eclogite jadeite barometer and its high-iron variant: the same oxide screen,
// G and Jd, then a first estimate with variant tail and the cubic finish.
BarometerOutcome eclogiteJadeite(RunState& s, bool highIron) {
  if (!eclogiteOxides(s.ox[Cpx])) return BarometerOutcome::NotComplete;
  const CationFormula& c = s.cat[Cpx];
  const Real T = s.T;
  const Real G = 0.75f * (c.Fe - 0.2f) + 4.0f * c.Ti + c.Cr + c.K + c.Al;
  Real Jd = 0;
  if (!jadeite(c, G, T, Jd)) return BarometerOutcome::NotComplete;
  const Real L = jadeiteL(T);
  const Real head = (1.0f - 0.215f * c.Na / c.Al + 0.012f * c.Fe / c.Na) * std::pow(T, 0.75f) * Jd *
                        0.35f / (5.0f * c.Fe + 1.0f) -
                    35.0f * (2.5f * c.Na + c.Ti + c.Al + 1.5f * s.site.Fe3_Cpx) * L;
  Real P = 0;
  if (highIron) {
    const Real x = head + (c.Na / c.Al) * T / 200.0f + 10.0f * (0.9f - c.Ca) - 1.5f;
    P = cubicFinish(x, 0.00004f, 0.0091f, 1.3936f, 1.05f);
  } else {
    const Real x = head + (c.Na / c.Al) * T / 175.0f + 15.0f * (0.9f - c.Ca);
    P = cubicFinish(x, 0.00004f, 0.0091f, 1.3936f, 1.025f);
  }
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Jadeite-in-clinopyroxene pressure of barometers 31 (h = 700, j = 0.033) and
// 32 (h = 650, j = 0.0315), without routing.
BarometerOutcome peridotiteJadeite(RunState& s, Real h, Real j) {
  const CationFormula& c = s.cat[Cpx];
  const Real T = s.T;
  if (T - 600.0f <= 0.0f) return BarometerOutcome::PressureUnchanged;
  const Real F = (T - 600.0f) * c.Fe / 800.0f;
  const Real G = std::pow((T - 600.0f) / 700.0f, 0.75f) * (c.Al - 0.01f) +
                 (c.Fe - 0.23f) * (T - 900.0f) / 10000.0f +
                 h * (4.0f * c.Ti - 0.0125f) / (T - 800.0f) + (T - 100.0f) * c.Cr / 900.0f - c.K;
  Real Jd = 0;
  if (!jadeite(c, G, T, Jd)) return BarometerOutcome::NotComplete;
  const Real L = jadeiteL(T);
  const Real P =
      j * T * Jd / (2.35f * c.Fe + F + 1.0f) -
      40.0f * (7.0f * c.Na - c.Al - 15.0f * c.Ti + 10.0f * c.Cr + c.Mg / 4.0f) * L + 7.5f * c.Si -
      20.0f * c.Na * c.Al / c.Ca * c.Mg / (c.Al - 2.0f * c.Ti + c.Na - 2.0f * s.site.Fe3_Cpx) +
      50.0f * (0.2f * c.Al + c.Na - 2.0f * c.Ti + 0.05f * c.Mg - 0.22f * c.Ca - 0.7f * c.Na / c.Ca);
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

}  // namespace

// Clinopyroxene-garnet entry without a pressure equation. Writes nothing.
BarometerOutcome barometer6(RunState& s) {
  if (present(s.cat[Cpx]) && present(s.cat[Gar])) return BarometerOutcome::NotComplete;
  return BarometerOutcome::PressureUnchanged;
}

// Ca-in-olivine barometer against clinopyroxene, branch chosen on TK. Writes P.
BarometerOutcome barometer20(RunState& s) {
  const Real caOl = s.cat[Ol].Ca;
  const Real caCpx = s.cat[Cpx].Ca;
  if (!(caOl > 1e-05f)) return BarometerOutcome::NotComplete;
  if (!(caCpx > 1e-05f)) return BarometerOutcome::NotComplete;
  const Real Dca = caOl / caCpx;
  if (!(Dca > 1e-05f)) return BarometerOutcome::NotComplete;
  const Real T = s.T;
  Real P = 0;
  if (2.827f * s.P + 1275.25f > s.TK) {
    P = (-T * std::log(Dca) - 5792.0f - 1.25f * T) / 42.5f;
  } else {
    P = (-T * std::log(Dca) - 11982.0f + 3.61f * T) / 56.2f;
  }
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Ca exchange between clinopyroxene and garnet. Writes P.
BarometerOutcome barometer21(RunState& s) {
  const Real ca = s.cat[Cpx].Ca;
  const Real xCa = s.site.XCa_Gar;
  const Real T = s.T;
  const Real K = (1.0f - ca) * xCa / ca / (1.0f - xCa);
  if (!(K > 1e-07f) || !usable(K)) return BarometerOutcome::NotComplete;
  const Real N = 0.08315f * T * std::log(K) + 3.0f * (2.0f * ca - 1.0f) * (1.322f * T + 5019.0f) +
                 7206.0f * (1.0f - 2.0f * xCa);
  const Real P = -3.0f * N / (83.65f - 36.66f * (2.0f * ca - 1.0f) + 73.11f * (1.0f - 2.0f * xCa));
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Liquid-clinopyroxene jadeite barometer (liquid in the Sp slot). Writes Sp Ti..Fe3 and P.
BarometerOutcome barometer23(RunState& s) {
  if (!(s.cat[Cpx].Si > 1e-05f)) return BarometerOutcome::NotComplete;
  if (!(s.cat[Sp].Ti > 1e-07f)) return BarometerOutcome::NotComplete;
  CationFormula& liq = s.cat[Sp];
  // Positions Ti (1) through the total (12) are summed; Ti..Fe3 (1..11) are
  // divided, Si and the total are kept.
  Real S = 0;
  for (int k = 1; k <= 12; ++k) S += liq[k];
  if (S != 0.0f) {
    if (!usable(S)) return BarometerOutcome::NotComplete;
    Real scaled[12] = {};
    for (int k = 1; k <= 11; ++k) {
      scaled[k] = liq[k] / S;
      if (!usable(scaled[k])) return BarometerOutcome::NotComplete;
    }
    for (int k = 1; k <= 11; ++k) liq[k] = scaled[k];
  }
  const Real Q = s.cat[Cpx].Na / liq.Ti / liq.Ti / liq.K / liq.Cr;
  if (!(Q > 1e-07f)) return BarometerOutcome::NotComplete;
  if (!(liq.Ti > 1e-07f)) return BarometerOutcome::NotComplete;
  const Real T = s.T;
  const Real P = std::log(Q) * (36.4f * T / 10000.0f) + 367.0f * liq.Cr * liq.K +
                 299.0f * T / 10000.0f - 54.3f;
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Cr-in-clinopyroxene barometer for garnet peridotite, capped at 81.5 kbar. Writes P.
BarometerOutcome barometer30(RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  const Real T = s.T;
  const Real crNo = c.Cr / (c.Cr + c.Al);
  if (!(crNo > 1e-07f)) return BarometerOutcome::NotComplete;
  if (!(T > 1e-07f)) return BarometerOutcome::NotComplete;
  const Real a = c.Cr - 0.81f * crNo * (c.Na + c.K);
  if (!(a > 1e-07f)) return BarometerOutcome::NotComplete;
  Real P = -(T / 126.9f) * std::log(a) + 15.483f * std::log(crNo / T) + T / 71.38f + 107.8f;
  if (!usable(P)) return BarometerOutcome::NotComplete;
  if (P >= 81.5f) P = 81.5f;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Jadeite-in-clinopyroxene barometer for peridotite, routing iron-rich sodic Cpx. Writes P.
BarometerOutcome barometer31(RunState& s) {
  bool valued = true;
  if (eclogiteRoute(s.ox[Cpx], s.cat[Cpx], valued)) return eclogiteJadeite(s, false);
  if (!valued) return BarometerOutcome::NotComplete;
  if (highIronRoute(s.ox[Cpx])) return eclogiteJadeite(s, true);
  return peridotiteJadeite(s, 700.0f, 0.033f);
}

// Revised jadeite-in-clinopyroxene barometer for peridotite, no routing. Writes P.
BarometerOutcome barometer32(RunState& s) {
  return peridotiteJadeite(s, 650.0f, 0.0315f);
}

// Jadeite-in-clinopyroxene barometer for eclogite. Writes P.
BarometerOutcome barometer33(RunState& s) { return eclogiteJadeite(s, false); }

// Jadeite-in-clinopyroxene barometer on the incoming P, routing iron-rich Cpx. Writes P.
BarometerOutcome barometer36(RunState& s) {
  const OxideValues& o = s.ox[Cpx];
  if (!eclogiteOxides(o)) return BarometerOutcome::NotComplete;
  const CationFormula& c = s.cat[Cpx];
  if (highIronRoute(o)) return eclogiteJadeite(s, true);
  bool valued = true;
  if (eclogiteRoute(o, c, valued)) return eclogiteJadeite(s, false);
  if (!valued) return BarometerOutcome::NotComplete;
  const Real T = s.T;
  const Real Pin = s.P;
  const Real F = 8.0f * c.Fe * Pin / 60.0f;
  const Real G = 0.18f * (c.Fe - 0.2f - 0.2f * c.Na) * Pin / 62.5f +
                 40.0f * (2.0f * c.Ti - 0.015f * (Pin - 5.0f)) / square(Pin) + c.Cr + c.Al;
  Real Jd = 0;
  if (!jadeite(c, G, T, Jd)) return BarometerOutcome::NotComplete;
  const Real L = jadeiteL(T);
  const Real x = (1.0f - 0.19f * c.Na / c.Al + 0.0125f * c.Fe / c.Na + 1.15f * c.Cr) *
                     std::pow(T, 0.75f) * Jd * 0.32f / ((F + 5.5f) * c.Fe + 1.0f) -
                 35.0f * (2.5f * c.Na + c.Ti + c.Al + 1.5f * s.site.Fe3_Cpx) * L +
                 (c.Na / c.Al) * T / 300.0f + 10.0f * (0.9f - c.Ca) - 4.0f * (33.2f * c.Fe - 4.0f);
  const Real y = (25.9f * c.Ca - 20.0f) * T / 2500.0f + x;
  const Real P = (0.00002f * cube(y) - 0.0036f * square(y) + 0.875f * y - 9.0f) * 1.075f;
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Ca partition between garnet and clinopyroxene, independent of T. Writes P.
BarometerOutcome barometer40(RunState& s) {
  if (!(s.ox[Cpx].CaO > 0.1f)) return BarometerOutcome::NotComplete;
  if (!(s.ox[Gar].CaO > 0.1f)) return BarometerOutcome::NotComplete;
  const CationFormula& g = s.cat[Gar];
  const Real P = 41.7f * (1.46f * g.Mn + 0.19f * g.Fe + 0.87f * g.Mg + 1.26f * g.Si +
                          std::log(g.Ca / s.cat[Cpx].Ca) - 4.48f);
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// Cr-in-clinopyroxene barometer as published (2000, eqs. 9-10), without the
// cap of barometer 30: a_CaCrTs = Cr - 0.81 Cr# (Na + K), Cr# = Cr / (Cr + Al),
// T in K. No value where Cr or a_CaCrTs is not above 0. Writes P.
BarometerOutcome barometer44(RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  const Real T = s.T;
  if (!(c.Cr > 0.0f)) return BarometerOutcome::NotComplete;
  const Real crNo = c.Cr / (c.Cr + c.Al);
  const Real aCaCrTs = c.Cr - 0.81f * crNo * (c.Na + c.K);
  if (!(aCaCrTs > 0.0f) || !(T > 0.0f)) return BarometerOutcome::NotComplete;
  const Real P =
      -(T / 126.9f) * std::log(aCaCrTs) + 15.483f * std::log(crNo / T) + T / 71.38f + 107.8f;
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

}  // namespace mantlept
