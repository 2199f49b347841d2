// Single-pyroxene and clinopyroxene-liquid thermometers.
#include <array>
#include <cmath>

#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

// Stores a finished temperature, or ends the combination when the equation has
// no value for these numbers (TK then keeps its entry value).
ThermometerOutcome store(RunState& s, Real tk) {
  if (!usable(tk)) return ThermometerOutcome::NotComplete;
  s.TK = tk;
  return ThermometerOutcome::Continue;
}

// Enstatite-in-clinopyroxene measure shared by the Ca/Mg thermometers:
// y = 1 - 2 Ca / (Mg + Ca).
Real enstatiteMeasure(const CationFormula& c) { return 1.0f - 2.0f * c.Ca / (c.Mg + c.Ca); }

// Base temperature Tb of the enstatite-in-clinopyroxene thermometers, or NaN when
// the clinopyroxene gives none (its site product a not above 1e-07, a zero divisor).
Real clinopyroxeneBaseTemperature(const RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  const Real a = (1.0f - 0.5f * (c.Na + c.Cr + c.K + c.Al)) * (1.0f - c.Ca - c.Na - c.K);
  if (!(a > 1e-07f)) return NAN;
  const Real lnA = std::log(a);
  return (23166.0f + 39.28f * s.P) /
         (13.25f + 15.35f * c.Ti + 4.5f * c.Fe - 1.55f * (c.Cr + c.Al - c.Na - c.K) + square(lnA));
}

}  // namespace

// Ca-in-orthopyroxene thermometer (1990). Writes TK.
ThermometerOutcome thermometer8(RunState& s) {
  const Real ca = s.cat[Opx].Ca;
  if (!(ca > 1e-07f)) return ThermometerOutcome::NotComplete;
  return store(s, (6425.0f + 26.4f * s.P) / (1.843f - std::log(ca)));
}

// Ca/Mg-in-clinopyroxene thermometer with pressure (1986); the clinopyroxene counts
// as present by its Ca alone. Writes TK.
ThermometerOutcome thermometer11(RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  if (!(c.Ca > 1e-07f)) return ThermometerOutcome::NotComplete;
  const Real y = enstatiteMeasure(c);
  if (!(y > 1e-07f) || !usable(y)) return ThermometerOutcome::NotComplete;
  return store(s, (2116.0f + 0.63f * s.P) * std::pow(y, 0.21052632f));
}

// Ca-in-orthopyroxene (enstatite) thermometer, pressure-free. Writes TK.
ThermometerOutcome thermometer13(RunState& s) {
  const Real z = 200.0f * s.cat[Opx].Ca;
  return store(s, 812.0f + 163.1f * z - 10.3f * square(z));
}

// Ca-in-orthopyroxene thermometer, pressure-free (1975). Writes TK.
ThermometerOutcome thermometer18(RunState& s) {
  const Real ca = s.cat[Opx].Ca;
  return store(s, 1085.0f + 8155.0f * ca - 3250.0f * square(ca));
}

// Ca/Mg-in-clinopyroxene thermometer, pressure-free (1985). Writes TK.
ThermometerOutcome thermometer19(RunState& s) {
  const Real y = enstatiteMeasure(s.cat[Cpx]);
  if (!(y > 1e-07f) || !usable(y)) return ThermometerOutcome::NotComplete;
  return store(s, 2042.0f * std::pow(y, 0.1862f));
}

// Clinopyroxene-liquid thermometer (1996), the liquid standing in the spinel slot.
// Writes Ti..Fe3 of the spinel slot (divided by the slot's sum) and TK.
ThermometerOutcome thermometer32(RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  CationFormula& liq = s.cat[Sp];
  if (!(c.Si > 1e-07f) || !(liq.Ti > 1e-07f)) return ThermometerOutcome::NotComplete;

  // The liquid is rescaled in place by the sum of its values Ti .. cation total
  // (the total itself stays); repeated evaluations rescale it again.
  Real sum = 0.0f;
  for (int k = 1; k <= 12; ++k) sum += liq[k];
  if (sum != 0.0f) {
    std::array<Real, 11> scaled{};
    for (int k = 1; k <= 11; ++k) {
      scaled[static_cast<std::size_t>(k - 1)] = liq[k] / sum;
      if (!usable(scaled[static_cast<std::size_t>(k - 1)])) return ThermometerOutcome::NotComplete;
    }
    for (int k = 1; k <= 11; ++k) liq[k] = scaled[static_cast<std::size_t>(k - 1)];
  }

  // Clinopyroxene components.
  const Real alIV = 2.0f - c.Si;
  const Real alVI = c.Al - alIV;
  const Real jd = c.Na;
  const Real caTs = alVI - jd + c.Cr;
  const Real caTi = (alIV - caTs) / 2.0f;
  const Real diHd = c.Ca - caTi - caTs;
  if (!(liq.K > 1e-07f) || !(liq.Cr > 1e-07f) || !(diHd > 1e-07f)) {
    return ThermometerOutcome::NotComplete;
  }

  const Real q = (liq.Mn + liq.Ca) * c.Na * liq.Na / diHd / liq.K / liq.Cr;
  const Real m = liq.Ca / (liq.Mn + liq.Ca);
  if (!(q > 1e-07f) || !(m > 1e-07f) || !(liq.Na > 1e-07f)) return ThermometerOutcome::NotComplete;
  if (!usable(q, m)) return ThermometerOutcome::NotComplete;
  return store(
      s, 10000.0f / (6.73f - 0.26f * std::log(q) - 0.86f * std::log(m) + 0.52f * std::log(liq.Na)));
}

// Enstatite-in-clinopyroxene thermometer (2002). Writes TK.
ThermometerOutcome thermometer38(RunState& s) {
  const Real tb = clinopyroxeneBaseTemperature(s);
  if (!usable(tb)) return ThermometerOutcome::NotComplete;
  return store(s, -1e-06f * square(tb) + 0.9575f * tb + 107.01f);
}

// Enstatite-in-clinopyroxene thermometer with a Cr, Al and Mg oxide correction and
// a pressure term for low results. Writes TK.
ThermometerOutcome thermometer43(RunState& s) {
  const Real tb = clinopyroxeneBaseTemperature(s);
  if (!usable(tb)) return ThermometerOutcome::NotComplete;
  const OxideValues& o = s.ox[Cpx];
  Real tk =
      3.0f * (o.MgO + o.Cr2O3) + 33.0f * (o.Cr2O3 + o.Al2O3) - 1e-06f * square(tb) + 0.9575f * tb;
  if (tk <= 800.0f) tk = tk + 10.0f * (s.P - 20.0f);
  return store(s, tk);
}

// Enstatite-in-clinopyroxene thermometer as published (2000, eq. 17), without
// the later correction of thermometer 38: cations of the Cpx on 6 oxygens,
// total iron, K counted with Na. Writes TK.
ThermometerOutcome thermometer48(RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  const Real fe = c.Fe + c.Fe3;
  const Real aEn = (1.0f - c.Ca - c.Na - c.K) * (1.0f - (c.Al + c.Cr + c.Na + c.K) / 2.0f);
  if (!(aEn > 0.0f)) return ThermometerOutcome::NotComplete;
  const Real lnEn = std::log(aEn);
  return store(s, (23166.0f + 39.28f * s.P) /
                      (13.25f + 15.35f * c.Ti + 4.50f * fe - 1.55f * (c.Al + c.Cr - c.Na - c.K) +
                       lnEn * lnEn));
}

}  // namespace mantlept
