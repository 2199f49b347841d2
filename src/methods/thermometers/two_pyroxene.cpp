// Fixed-temperature and two-pyroxene thermometers.
#include <cmath>

#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

// Stores a finished temperature, or ends the combination when the equation has
// no value for these numbers (TK then keeps its entry value).
ThermometerOutcome store(RunState& s, Real tk,
                         ThermometerOutcome outcome = ThermometerOutcome::Continue) {
  if (!usable(tk)) return ThermometerOutcome::NotComplete;
  s.TK = tk;
  return outcome;
}

}  // namespace

// Fixed temperature: the typed starting temperature read as degrees Celsius.
// Writes TK.
ThermometerOutcome thermometer1(RunState& s) {
  s.TK = s.startT + 273.0f;
  return ThermometerOutcome::Continue;
}

// Two-pyroxene Fe-Mg exchange thermometer with the M1-site cation fractions of both
// pyroxenes (1977). Writes FM1_Opx, FM2_Opx and TK.
ThermometerOutcome thermometer2(RunState& s) {
  const CationFormula& o = s.cat[Opx];
  const CationFormula& c = s.cat[Cpx];
  const Real fm1 = 1.0f - o.Fe3 - o.Al / 2.0f - o.Ti - o.Cr;
  const Real fm2 = 1.0f - c.Fe3 - c.Al / 2.0f - c.Ti - c.Cr;
  if (!usable(fm1, fm2)) return ThermometerOutcome::NotComplete;
  s.site.FM1_Opx = fm1;
  s.site.FM2_Opx = fm2;

  const Real mO = 1.0f - o.Mn - o.Ca - o.Na;
  const Real mC = 1.0f - c.Mn - c.Ca - c.Na;
  const Real aC = s.site.XMg_Cpx * s.site.FM2_Opx * mC;
  const Real aO = mO * s.site.XMg_Opx * s.site.FM1_Opx;
  const Real ratio = aC / aO;
  if (!(ratio > 1e-07f) || !usable(ratio)) return ThermometerOutcome::NotComplete;
  return store(s, 7341.0f / (3.355f + 2.44f * (1.0f - s.site.XMg_Opx) - std::log(ratio)));
}

// Two-pyroxene enstatite exchange thermometer with ideal two-site activities (1973).
// Writes TK.
ThermometerOutcome thermometer3(RunState& s) {
  const CationFormula& o = s.cat[Opx];
  const CationFormula& c = s.cat[Cpx];
  const Real aC = (1.0f - c.Na - c.Ca - c.Mn - c.Ni) * (1.0f - c.Al - c.Ti - c.Cr - c.Fe3) *
                  square(c.Mg / (c.Mg + c.Fe));
  const Real aO = (1.0f - 0.5f * o.Al - o.Ti - o.Cr - o.Fe3) * (1.0f - o.Na - o.Ca - o.Mn - o.Ni) *
                  square(o.Mg / (o.Fe + o.Mg));
  const Real k = aC / aO;
  const Real xF = o.Fe / (o.Fe + o.Mg);
  if (!usable(k, xF) || !(k > 0.0f)) return ThermometerOutcome::NotComplete;
  return store(s, 10202.0f / (4.6f + 7.65f * xF - 3.88f * square(xF) - std::log(k)));
}

// Two-pyroxene Ca-exchange thermometer solved by an inner iteration on its own
// temperature (1985). Writes Tin, n and TK; finishes the iteration after 25 inner steps.
ThermometerOutcome thermometer5(RunState& s) {
  const CationFormula& o = s.cat[Opx];
  const CationFormula& c = s.cat[Cpx];
  const Real cO = o.Ca / (1.0f - o.Na);
  s.n = 0;
  s.Tin = s.T;
  for (;;) {
    const Real w = (s.Tin / 1000.0f - 0.77f) * s.site.XFe_Cpx + c.Ca / (1.0f - c.Na);
    const Real k = (1.0f - w) / (1.0f - cO);
    if (!(k > 1e-07f) || !usable(cO, w, k)) return ThermometerOutcome::NotComplete;
    const Real tk =
        (36273.0f + 39.9f * s.P) / (19.31f - 8.3145f * std::log(k) - 12.15f * square(w));
    if (!usable(tk)) return ThermometerOutcome::NotComplete;
    s.TK = tk;
    s.n = s.n + 1;
    if (s.n >= 25) return ThermometerOutcome::Finish;
    const Real d = std::fabs(s.TK - s.Tin);
    const Real mean = (s.Tin + s.TK) / 2.0f;
    if (!usable(d, mean)) return ThermometerOutcome::NotComplete;
    s.Tin = mean;
    if (!(d > 1.0f)) return ThermometerOutcome::Continue;
  }
}

// Two-pyroxene enstatite-solvus thermometer with an Fe correction (1990). Writes TK.
ThermometerOutcome thermometer7(RunState& s) {
  const Real r = (1.0f - s.site.XCa_Cpx) / (1.0f - s.site.XCa_Opx);
  if (!(r > 1e-07f) || !usable(r)) return ThermometerOutcome::NotComplete;
  const Real lnR = std::log(r);
  return store(s, (23664.0f + (24.9f + 126.3f * s.site.XFe_Cpx) * s.P) /
                      (13.38f + square(lnR) + 11.59f * s.site.XFe_Opx));
}

// Na partitioning between orthopyroxene and clinopyroxene (1990). Writes TK.
ThermometerOutcome thermometer9(RunState& s) {
  const Real naC = s.cat[Cpx].Na;
  const Real naO = s.cat[Opx].Na;
  if (!(naC > 1e-07f) || !(naO > 1e-07f)) return ThermometerOutcome::NotComplete;
  const Real ratio = naO / naC;
  if (!usable(ratio)) return ThermometerOutcome::NotComplete;
  return store(s, (35000.0f + 61.5f * s.P) / (square(std::log(ratio)) + 19.8f));
}

// Na partitioning between clinopyroxene and orthopyroxene, pressure-free (1980).
// Writes TK.
ThermometerOutcome thermometer10(RunState& s) {
  const Real ratio = s.cat[Cpx].Na / s.cat[Opx].Na;
  if (!(ratio > 1e-07f) || !usable(ratio)) return ThermometerOutcome::NotComplete;
  return store(s, 7525.0f / (std::log(ratio) + 3.16f));
}

// Thermometers 14 to 17 belong to the 1980 single-pyroxene thermobarometers whose
// temperature comes out with their barometer: the dispatcher tests their minerals, and TK
// keeps the value it has on entry (the previous cycle's, or the last combination's).

// Clinopyroxene form that goes on iterating with its barometer. Writes nothing.
ThermometerOutcome thermometer14(RunState&) {
  return ThermometerOutcome::Continue;
}

// Orthopyroxene form that goes on iterating with its barometer. Writes nothing.
ThermometerOutcome thermometer15(RunState&) {
  return ThermometerOutcome::Continue;
}

// Clinopyroxene form that ends the iteration at once. Writes nothing.
ThermometerOutcome thermometer16(RunState&) {
  return ThermometerOutcome::Finish;
}

// Orthopyroxene form that ends the iteration at once. Writes nothing.
ThermometerOutcome thermometer17(RunState&) {
  return ThermometerOutcome::Finish;
}

// Enstatite-diopside two-pyroxene thermometer with tetrahedral Al in both
// pyroxenes (1998), with the squared logarithm of the enstatite activity ratio;
// the quotient is kelvin. Writes TK.
ThermometerOutcome thermometer36(RunState& s) {
  const CationFormula& o = s.cat[Opx];
  const CationFormula& c = s.cat[Cpx];
  const Real m1 = (1.0f - 0.5f * (c.Na + c.Cr + c.K + c.Al)) * (1.0f - c.Ca - c.Na - c.K);
  if (!(m1 > 0.0f)) return ThermometerOutcome::NotComplete;
  const Real excess = c.Cr + c.Al - c.Na;
  if (!(excess > 0.0f)) return ThermometerOutcome::NotComplete;

  const Real alIVo = 2.0f - o.Si;
  const Real alIVc = 2.0f - c.Si;
  const Real alVIo = o.Al - alIVo;
  const Real alVIc = c.Al - alIVc;
  const Real aO = (1.0f - alVIo - o.Cr - o.Ti) * (1.0f - o.Ca - o.Na) * square(1.0f - alIVo / 2.0f);
  const Real aC = (1.0f - alVIc - c.Cr - c.Ti) * (1.0f - c.Ca - c.Na) * square(1.0f - alIVc / 2.0f);
  if (!(aO > 1e-07f) || !(aC > 1e-07f)) return ThermometerOutcome::NotComplete;
  if (!usable(aO, aC)) return ThermometerOutcome::NotComplete;
  const Real l = std::log(aO) - std::log(aC);
  const Real denom = 15.67f + 3.69f * c.Fe + 14.37f * c.Ti - 3.25f * (c.Cr + c.Al - c.Na) + l * l;
  return store(s, (678.0f * s.P / 10.0f + 24787.0f) / denom);
}

}  // namespace mantlept
