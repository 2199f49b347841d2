// Garnet, spinel, ilmenite and olivine barometers.
#include <cmath>

#include "methods/barometers/barometers.hpp"

namespace mantlept {

namespace {

constexpr BarometerOutcome kSet = BarometerOutcome::PressureSet;
constexpr BarometerOutcome kUnchanged = BarometerOutcome::PressureUnchanged;
constexpr BarometerOutcome kNotComplete = BarometerOutcome::NotComplete;

// Stores a finished pressure; a pressure without a value ends the combination
// and leaves P as it was.
BarometerOutcome finish(RunState& s, Real p) {
  if (!usable(p)) return kNotComplete;
  s.P = p;
  return kSet;
}

// Assigns an intermediate pressure that stays in P should a later test fail.
// Returns false (nothing written) when the pressure has no value.
bool assign(RunState& s, Real p) {
  if (!usable(p)) return false;
  s.P = p;
  return true;
}

// Base pressure of the Cr-in-garnet barometers, from the garnet's wt% Cr2O3
// and CaO.
Real garnetBase(const OxideValues& g) {
  return (g.Cr2O3 - 4.5f) * 10.0f / 3.0f + 40.0f - 2.0f * g.CaO;
}

// The Cr-in-garnet pressure from its first step on: a first estimate, refined
// above 40 kbar and again above 35 kbar. Each pressure it assigns stays in P
// when a later step fails.
BarometerOutcome garnetChromiumPressure(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  const CationFormula& c = s.cat[Gar];
  const Real T = s.T;

  const Real E = std::pow(2.0f * g.FeO + g.MnO + g.CaO, 0.4f);
  if (!(E > 0.0f)) return kNotComplete;

  const Real Q = (20.0f * s.site.Ex1_Gar + g.Cr2O3) * 5.25f / E + g.MgO / 20.0f + 0.5f * g.CaO +
                 22.5f * g.Na2O + 0.02f * (T - 273.0f) - g.TiO2 - 12.0f + g.FeO / 7.0f;
  Real x = 2.2f * Q + 0.006f * Q;
  Real y = -0.00007f * cube(x) + 0.0057f * square(x) + 0.85f * x;
  Real P = g.MgO / g.FeO + 5.5f * g.Na2O + y - 0.9f * (4.0f - g.Cr2O3) - 7.0f * (g.TiO2 - 0.1f) -
           2.0f * (g.FeO - 7.0f) + 100.0f * c.Ti;
  if (!assign(s, P)) return kNotComplete;
  if (P <= 10.0f) return kNotComplete;
  if (P <= 40.0f) return kSet;

  x = 2.05f * Q;
  y = -0.00007f * cube(x) + 0.0057f * square(x) + 0.87f * x;
  const Real w = g.MgO / g.FeO + 5.5f * g.Na2O + y - 0.9f * (4.0f - g.Cr2O3) -
                 10.0f * (g.TiO2 - 0.1f) - 2.0f * (g.FeO - 7.0f);
  P = (0.485f / c.Ca) * T / 1050.0f + 200.0f * c.Ti + 0.83f * w;
  if (!assign(s, P)) return kNotComplete;
  if (P <= 35.0f) return kSet;

  const Real W = g.Cr2O3 * g.FeO * g.MgO * (T - 1050.0f) / g.CaO * g.TiO2 / 7000.0f;
  const Real U = 0.000045f * (T - 790.0f) + s.site.FeNo_Gar / 2.0f - 0.022f;
  P = P + 5.0f * U * W;
  return finish(s, P);
}

}  // namespace

// Cr-in-chromite barometer (spinel Cr number, Ti), with its correction above 30 kbar. Writes P.
BarometerOutcome barometer13(RunState& s) {
  if (!(s.ox[Sp].Cr2O3 > 1e-07f)) return kNotComplete;
  const Real T = s.T;
  const Real Ti = s.cat[Sp].Ti;
  const Real x = T * s.site.CrNo_Sp / 14.75f + 5.0f * Ti;
  Real P = -0.0053f * square(x) + 0.054f * Ti * T + 1.13f * x - 1.1940999f;
  if (P >= 30.0f) P = 0.03125f * square(P) - 1.275f * P + 32.0f;
  return finish(s, P);
}

// Cr-in-chromite barometer for high-temperature chromites, with its corrections
// above 56 and 68 kbar. Writes P.
BarometerOutcome barometer14(RunState& s) {
  if (!(s.ox[Sp].Cr2O3 > 1e-07f)) return kNotComplete;
  const Real T = s.T;
  const Real Ti = s.cat[Sp].Ti;
  Real x = 0.893f * (T * s.site.CrNo_Sp / 14.0f + 0.1f * Ti);
  if (x <= 32.0f) x = 1.5f * x - 5.0f;
  Real P = -0.0053f * square(x) + 0.047250003f * Ti * T + 1.1292f * x - 1.1940999f;
  if (P >= 56.0f) P = 5.0f * (P - 56.0f) + P;
  if (P >= 68.0f) P = 2.0f * s.cat[Sp].Mg * std::log(P - 68.0f) + 68.0f;
  return finish(s, P);
}

// Cr-in-garnet barometer from the garnet alone: the orthopyroxene that would
// coexist is modelled from the garnet at T + 273 and the incoming P. Writes P.
BarometerOutcome barometer16(RunState& s) {
  const CationFormula& c = s.cat[Gar];
  if (!(c.Cr > 1e-07f) || !(c.Si > 1e-07f) || !(c.Ca > 1e-07f)) return kNotComplete;
  if (s.T <= 1e-07f) return kUnchanged;
  const Real Th = s.T + 273.0f;
  const Real Pin = s.P;

  const Real k =
      std::exp((22.86f * Pin + 1400.0f * s.site.XCa_Gar + 3740.0f) / (1.987f * Th) - 0.986f) *
      c.Mg / c.Fe;
  const Real s1 = k / (k + 1.0f);
  const Real e = std::exp(-(26.4f * Pin + 6425.0f) / Th + 1.843f);
  const Real h = c.Ca / e;
  const Real s2 = c.Ca / (std::exp(0.000738f * Th + 0.0236f * Pin - 1.27f -
                                   0.577f * c.Cr / (c.Ca + 0.02f) + 1.79f * c.Ca) *
                          h);
  const Real s3 = 0.0115f * std::exp(0.0031f * Th - 0.01f * Pin + 0.17f * e - 2.71f);
  const Real s4 = ((1.0f - s1) / 3.0f + 1.0f) * (Th - 243.0f - 15.0f * Pin) /
                      (1.04f * (Th - 243.0f - 15.0f * Pin) + 4500.0f) -
                  s3;
  const Real s5 = (1.0f - s2) * s1;
  const Real s6 = (1.0f - s4 - s3) * s1;
  if (!usable(k, s1, e, h, s2, s3, s4, s5, s6)) return kNotComplete;

  const Real sum = c.Fe + c.Mg + c.Ca;
  const Real g = c.Ca / sum;
  const Real m = c.Mg / sum;
  const Real r = c.Cr / (c.Cr + c.Al);
  const Real l = c.Al / (c.Cr + c.Al);

  const Real K = square(l) * square(r) * (m * m * m * m * m * m) /
                 (square(s6) * (s5 * s5 * s5 * s5) * square(s3));
  if (!(K > 1e-07f)) return kNotComplete;
  const Real P =
      (-1.987f * Th * std::log(K) - 14412.0f * square(g) + (l - r) * g * (49782.0f - 23.5f * Th) +
       23900.0f * square(s2) - 2873.0f - 3.94f * Th) /
      (146.0f * square(g) - 397.0f);
  return finish(s, P);
}

// Al-in-spinel barometer on the spinel's Al fraction. Writes P.
BarometerOutcome barometer17(RunState& s) {
  const Real a = s.site.XAl2_Sp;
  const Real P = -23012.0f * (std::log(a) + square(1.0f - a)) / 1000.0f + 16.0f;
  return finish(s, P);
}

// Cr-Ca-in-garnet barometer, with its logarithmic damping above 55 kbar. Writes P.
BarometerOutcome barometer18(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  if (!(g.Cr2O3 > 0.035f) || !(s.cat[Gar].Ca > 0.001f)) return kNotComplete;
  const Real T = s.T;
  const Real B = garnetBase(g);
  Real P;
  if (g.Cr2O3 > 0.94f * g.CaO + 3.0f) {
    P = B + 0.025f * (7.0f - g.CaO) * g.Cr2O3 * T / 1273.0f;
  } else {
    P = B + 0.000055f * g.MgO * g.CaO * (T - 273.0f) + 2.45f * (7.0f - g.CaO) * g.Cr2O3;
    if (P >= 55.0f) P = 9.0f * std::log(P - 55.0f) + 55.0f;
  }
  return finish(s, P);
}

// Cr-Ca-in-garnet base pressure, independent of temperature. Writes P.
BarometerOutcome barometer19(RunState& s) {
  if (!(s.cat[Gar].Al > 1e-07f)) return kNotComplete;
  return finish(s, garnetBase(s.ox[Gar]));
}

// Ca-in-olivine barometer, with separate calibrations above and below 1373 K. Writes P.
BarometerOutcome barometer22(RunState& s) {
  const Real ca = s.cat[Ol].Ca;
  if (!(ca > 1e-05f)) return kNotComplete;
  const Real T = s.T;
  const Real g = 8.315f * T * std::log(ca);
  Real P;
  if (T >= 1373.0f) {
    P = (14.4f * T - 81730.0f - g) / 432.0f;
  } else {
    P = (-g - 48400.0f - 10.2f * T) / 410.0f;
  }
  return finish(s, P);
}

// Cr-in-garnet barometer on garnet oxides; may leave its intermediate
// pressures in P when it fails. Writes P.
BarometerOutcome barometer34(RunState& s) {
  if (!(s.ox[Gar].Cr2O3 > 0.15f)) return kNotComplete;
  return garnetChromiumPressure(s);
}

// Cr-in-garnet barometer with a linear first estimate; at 55 kbar and above it
// hands over to the refined Cr-in-garnet pressure. Writes P (also on failure).
BarometerOutcome barometer35(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  if (!(g.Cr2O3 > 1e-07f)) return kNotComplete;
  const Real T = s.T;
  Real P = 0.0135f * (T - 273.0f) + 4.975f * g.Cr2O3 + 4.0f;
  if (!assign(s, P)) return kNotComplete;

  const Real E = std::pow(2.0f * g.FeO + g.MnO + g.CaO, 0.4f);
  if (!(E > 0.0f)) return kNotComplete;
  P = 1.75f * ((20.0f * s.site.Ex1_Gar + g.Cr2O3) * 5.25f / E + g.MgO / 22.0f + 0.5f * g.CaO +
               22.5f * g.Na2O + 0.02f * (T - 273.0f) - g.TiO2 - 12.0f + g.FeO / 7.0f);
  if (!assign(s, P)) return kNotComplete;
  if (P < 55.0f) return kSet;
  return garnetChromiumPressure(s);
}

// Cr-in-garnet barometer on garnet cations for Ca-rich, Cr-poor garnets; other
// garnets take the oxide Cr-in-garnet barometer. Writes P.
BarometerOutcome barometer37(RunState& s) {
  const OxideValues& g = s.ox[Gar];
  const CationFormula& c = s.cat[Gar];
  if (!(g.Al2O3 > 0.1f) || !(g.Cr2O3 > 0.15f) || !(c.Mg > 1.5f)) return kNotComplete;
  const Real T = s.T;

  const Real V = c.Cr / c.Ca / c.Fe / c.Mg / 500.0f;
  const Real crCa = c.Cr / c.Ca;
  if (!usable(crCa) || !(crCa - 0.1f > 0.001f)) return kNotComplete;
  if (!(T - 550.0f > 1e-07f)) return kNotComplete;

  const Real rootCr = std::sqrt(c.Cr);
  const Real W = 1.0f / ((std::exp(rootCr / c.Ca) - 0.3f) * c.Ca * 3875.0f / 1000.0f + 16.0f) - V;
  Real X = (W * 24.64f / rootCr) * std::pow(c.Ca, 0.2f) / 3.0f + (T - 500.0f) * c.Fe / 90.0f;
  X = X / ((T - 550.0f) / 850.0f) - 2.25f * std::log(c.Mg - 1.5f);

  // X matters only on this barometer's own path; it is checked there.
  if (g.CaO <= 4.0f || g.Cr2O3 >= 7.0f) return barometer34(s);

  if (!(T > 100.0f) || !(X > 0.01f) || !usable(X)) return kNotComplete;
  Real P = (1.46f - std::log(X / 100.0f)) * T / 97.1f - 38.4758f;
  if (P > 35.0f) {
    if (P > 80.0f) P = garnetBase(g) + g.Cr2O3 / 4.0f;
  } else {
    P = garnetBase(g) + 0.00007f * g.MgO * g.CaO * (T - 273.0f) + 2.45f * (7.0f - g.CaO) * g.Cr2O3 -
        0.5f * g.FeO;
    if (P >= 55.0f) P = 7.0f * std::log(P - 55.0f) + 55.0f;
  }
  return finish(s, P);
}

// Mg-in-ilmenite barometer on ilmenite cations; a non-positive pressure stays
// in P and ends the combination. Writes P.
BarometerOutcome barometer38(RunState& s) {
  const CationFormula& c = s.cat[Ilm];
  if (!(s.ox[Ilm].MgO > 2.0f) || !(c.Ti > 1e-07f)) return kNotComplete;
  const Real T = s.T;
  const Real P = 0.84f * (60.0f * (T / 2550.0f) * c.Ti / c.Mg - 0.35f * c.Cr * c.Mg * (T - 800.0f) -
                          1.5f * c.Mn * T + 147.2f * c.Mg - 60.4f);
  if (!assign(s, P)) return kNotComplete;
  if (!(P > 1e-07f)) return kNotComplete;
  return kSet;
}

// Ti-Mg-in-ilmenite barometer on ilmenite oxides and the incoming P; a
// non-positive pressure stays in P and ends the combination. Writes P.
BarometerOutcome barometer39(RunState& s) {
  const OxideValues& o = s.ox[Ilm];
  if (!(o.MgO > 1.5f) || !(s.cat[Ilm].Ti > 1e-07f)) return kNotComplete;
  const Real T = s.T;
  const Real x =
      (2.15f * (o.TiO2 - 23.5f) - ((T - 750.0f) / 20.0f) * s.cat[Ilm].Cr * o.MgO - 1.45f * o.MnO) *
          T / 1273.0f -
      0.01f * T / (s.P - 1.0f);
  const Real P = (60.0f - x) / 6.2f + x;
  if (!assign(s, P)) return kNotComplete;
  if (!(P > 1e-07f)) return kNotComplete;
  return kSet;
}

// Al-in-olivine barometer (olivine Al and Cr in ppm). Writes P.
BarometerOutcome barometer41(RunState& s) {
  const OxideValues& o = s.ox[Ol];
  if (!(o.Al2O3 > 1e-08f)) return kNotComplete;
  const Real a = 10000.0f * o.Al2O3;
  const Real q = 10000.0f * o.Cr2O3;
  const Real P = ((13.409f - 2.0f * std::log(a)) * s.T - 9423.0f - 1860.0f * q / (q + a)) / 55.6f;
  return finish(s, P);
}

// Cr-in-olivine barometer for spinel peridotites (olivine Al and Cr in ppm). Writes P.
BarometerOutcome barometer42(RunState& s) {
  const OxideValues& o = s.ox[Ol];
  const Real a = 10000.0f * o.Al2O3;
  const Real q = 10000.0f * o.Cr2O3;
  const Real P = ((14.53f - std::log(q)) * s.T - 13444.0f + 4678.0f * q / (q + a)) / 48.5f;
  return finish(s, P);
}

// Ca-in-olivine barometer, on olivine Ca in ppm or on the olivine/clinopyroxene
// Ca ratio; without Ca in olivine P is left as it is. Writes P.
BarometerOutcome barometer43(RunState& s) {
  if (s.ox[Ol].CaO <= 1e-08f) return kUnchanged;
  const Real T = s.T;
  const Real caCpx = s.cat[Cpx].Ca;
  Real P;
  if (caCpx < 0.8f) {
    const Real b = 10000.0f * s.ox[Ol].CaO;
    P = ((15.45f - std::log(b)) * T - 10539.0f) / 79.8f;
  } else {
    P = ((1.6f - std::log(s.cat[Ol].Ca / caCpx)) * T - 7335.0f) / 66.9f;
  }
  return finish(s, P);
}

}  // namespace mantlept
