// Spinel, ilmenite and olivine thermometers.
//
// Several of these work without an olivine analysis: they estimate the olivine
// Fe fraction from pressure, temperature or the ilmenite composition, and some
// keep that estimate in XFe_Ol for the rest of the association.
#include <cmath>

#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

constexpr Real kPresent = 1e-07f;

// Geikielite-ilmenite-hematite-eskolaite components of the ilmenite.
struct IlmeniteComponents {
  Real cr, hm, gk, il;
};

IlmeniteComponents ilmeniteComponents(const RunState& s) {
  const CationFormula& ilm = s.cat[Ilm];
  IlmeniteComponents c{};
  c.cr = ilm.Cr / 2.0f;
  c.hm = 1.0f - ilm.Cr / 2.0f - ilm.Ti + ilm.Mn;
  c.gk = ilm.Mg;
  c.il = 1.0f - c.cr - c.hm - c.gk;
  return c;
}

// Mg-Fe exchange between ilmenite and olivine of Fe fraction xo: the
// temperature term E in kelvin. False when the equation has no value.
bool ilmeniteOlivineTerm(const RunState& s, const IlmeniteComponents& c, Real xo, Real& e) {
  const Real w = 0.011f * (c.gk - c.il) - 0.047f + 0.015f * (2.0f * xo - 1.0f);
  const Real k = (1.0f - xo) * c.il / (c.gk * xo);
  if (!usable(k) || !(k > 0.0f)) return false;
  const Real pb = 1000.0f * s.P;
  e = (3785.0f * (2.0f * xo - 1.0f) + 2830.0f * (c.gk - c.il) + w * pb - 13715.0f -
       19560.0f * c.hm - 7840.0f * c.cr + 45122.0f * c.hm * c.cr) /
      (2.231f - 8.3143f * std::log(k));
  return usable(e);
}

// Fe-Mg exchange between spinel and olivine of Fe fraction xo. Recasts the
// spinel ferric iron from its trivalent site first (kept in the store), then
// gives the quotient Q in kelvin. False when the test on KD fails or the
// equation has no value.
bool spinelOlivineExchange(RunState& s, Real xo, Real& q) {
  CationFormula& sp = s.cat[Sp];
  sp.Fe3 = 2.0f - sp.Al - sp.Cr - 2.0f * sp.Ti;
  const Real kd = sp.Fe * (1.0f - xo) / sp.Mg / xo;
  if (!usable(kd) || !(kd > kPresent)) return false;
  q = ((1.0f - 2.0f * xo) * (5000.0f + 10.8f * s.P) + 28.0f * s.P + 6530.0f -
       1960.0f * (sp.Mg - sp.Fe) * (sp.Ti + 1.0f) + 25150.0f * (sp.Ti / 2.0f + sp.Fe3) +
       18620.0f * s.site.CrNo_Sp) /
      (8.31441f * std::log(kd) + 4.705f);
  return usable(q);
}

// Al exchange between orthopyroxene M1, olivine and spinel: presence of the
// three minerals and the equilibrium quotient Qa. False when a test fails or
// Qa has no value.
bool alExchangeQuotient(const RunState& s, Real& qa) {
  if (!(s.cat[Opx].Si > kPresent) || !(s.cat[Ol].Si > kPresent) || !(s.cat[Sp].Al > kPresent)) {
    return false;
  }
  const CationFormula& ol = s.cat[Ol];
  const Real xf = ol.Fe / (ol.Mg + ol.Fe);
  qa = square(1.0f - xf) * s.site.AlM1_Opx / square(s.site.XAl2_Sp) / s.cat[Sp].Mg /
       s.site.XMgM1_Opx;
  return usable(xf, qa);
}

// Trace Al in olivine, ppm, from the olivine's wt% Al2O3.
Real olivineAlPpm(const RunState& s) { return 230000.0f * s.ox[Ol].Al2O3 / 39.0f; }

// Trace Cr in olivine, ppm, from the olivine's wt% Cr2O3.
Real olivineCrPpm(const RunState& s) { return 1040000.0f * s.ox[Ol].Cr2O3 / 152.0f; }

// Stores a finished temperature when it has a value.
ThermometerOutcome storeTK(RunState& s, Real tk) {
  if (!usable(tk)) return ThermometerOutcome::NotComplete;
  s.TK = tk;
  return ThermometerOutcome::Continue;
}

}  // namespace

// Ilmenite-olivine Mg-Fe exchange with the olivine estimated from pressure or
// from the ilmenite Fe/Mg. Writes XFe_Ol and TK.
ThermometerOutcome thermometer4(RunState& s) {
  const OxideValues& ilmOx = s.ox[Ilm];
  if (!(ilmOx.MgO > 2.0f)) return ThermometerOutcome::NotComplete;

  if (ilmOx.Cr2O3 < 2.1f) {
    s.site.XFe_Ol = 0.00075f * s.P + 0.08f;
  } else {
    const Real xo = (0.0236f * ilmOx.FeO / ilmOx.MgO + 0.0482f) * (1.65f - 0.0008f * s.T);
    if (!usable(xo)) return ThermometerOutcome::NotComplete;
    s.site.XFe_Ol = xo;
    if (!(s.site.XFe_Ol > 0.002f)) return ThermometerOutcome::NotComplete;
  }

  Real e = 0;
  if (!ilmeniteOlivineTerm(s, ilmeniteComponents(s), s.site.XFe_Ol, e)) {
    return ThermometerOutcome::NotComplete;
  }
  return storeTK(s, e + 100.0f);
}

// Al exchange between orthopyroxene, olivine and spinel, iterated on its own
// temperature (shared inner pair, at most 25 steps). Writes Tin, n and TK.
ThermometerOutcome thermometer6(RunState& s) {
  Real qa = 0;
  if (!alExchangeQuotient(s, qa)) return ThermometerOutcome::NotComplete;
  const CationFormula& sp = s.cat[Sp];
  const Real xs = sp.Fe / (sp.Mg + sp.Fe);
  if (!usable(xs)) return ThermometerOutcome::NotComplete;

  const Real crNo = s.site.CrNo_Sp;
  s.n = 0;
  s.Tin = s.T;
  for (;;) {
    const Real exponent = -((4500.0f * xs + 5400.0f * crNo) * crNo / 1.987f) / s.Tin;
    if (!usable(exponent)) return ThermometerOutcome::NotComplete;
    const Real tk = 3857.0f * qa * std::exp(exponent) + s.P + 716.0f;
    if (!usable(tk)) return ThermometerOutcome::NotComplete;
    s.TK = tk;
    s.n = s.n + 1;
    if (s.n >= 25) return ThermometerOutcome::Finish;
    const Real d = std::fabs(s.TK - s.Tin);
    s.Tin = s.TK;
    if (!(d > 1.0f)) return ThermometerOutcome::Continue;
  }
}

// Al exchange between orthopyroxene, olivine and spinel in spinel
// peridotite. Writes TK.
ThermometerOutcome thermometer12(RunState& s) {
  Real qa = 0;
  if (!alExchangeQuotient(s, qa)) return ThermometerOutcome::NotComplete;
  if (!(qa > kPresent)) return ThermometerOutcome::NotComplete;
  return storeTK(s, 400.0f * (std::log(qa) + 4.59f - 1.552f * s.site.CrNo_Sp) + 273.0f);
}

// Spinel-olivine Fe-Mg exchange with the olivine estimated from spinel Fe,
// pressure and temperature. Writes Fe3(Sp) and TK.
ThermometerOutcome thermometer21(RunState& s) {
  const CationFormula& sp = s.cat[Sp];
  if (!(sp.Fe > kPresent) || !(sp.Mg > kPresent)) return ThermometerOutcome::NotComplete;

  Real xo = s.site.XFe_Sp / 4.5f - 0.00115f * (s.P - 32.0f) - 0.03f;
  xo = 0.45f * (xo - 0.075f) + 0.085f;
  xo = xo - 0.000025f * (xo - 0.01f) * (s.T - 1023.0f) + 0.05f * sp.Ti;

  Real q = 0;
  if (!spinelOlivineExchange(s, xo, q)) return ThermometerOutcome::NotComplete;
  return storeTK(s, q + s.P + 50.0f);
}

// Spinel-olivine Fe-Mg exchange with the olivine estimated from pressure;
// from 55 kbar the olivine Fe fraction is also recast for later readers.
// Writes XFe_Ol (P >= 55), Fe3(Sp) and TK.
ThermometerOutcome thermometer30(RunState& s) {
  const CationFormula& sp = s.cat[Sp];
  if (!(sp.Fe > kPresent) || !(sp.Mg > kPresent)) return ThermometerOutcome::NotComplete;

  const Real xo = 0.0005f * s.P + 0.08f;
  if (s.P >= 55.0f) s.site.XFe_Ol = 0.08f - 0.0002f * s.P;

  Real q = 0;
  if (!spinelOlivineExchange(s, xo, q)) return ThermometerOutcome::NotComplete;
  return storeTK(s, q);
}

// Orthopyroxene-spinel Cr-Al exchange. Writes TK.
ThermometerOutcome thermometer33(RunState& s) {
  const SiteParameters& x = s.site;
  const Real k = x.AlM1_Opx * x.XCr_Sp / x.XCrM1_Opx / x.XAl_Sp;
  if (!usable(k) || !(k > kPresent)) return ThermometerOutcome::NotComplete;
  const CationFormula& opx = s.cat[Opx];
  const Real tk = (5584.0f - 541.0f * x.XFe_Opx - 2406.0f * (3.0f * opx.Cr - opx.Al) +
                   1949.0f * (1.41f - x.XCr_Sp) * x.XCr_Sp + 0.00192f * s.P + 1224.0f * x.XFe_Sp +
                   878.0f * x.XFeM1_Opx + 675.0f * x.XMgM1_Opx) /
                  (std::log(k) + 4.456f - 0.233f * x.XFe_Sp);
  return storeTK(s, tk);
}

// Spinel-olivine Fe-Mg exchange from the spinel site fractions, with the
// olivine estimated from pressure. Writes XFe_Ol and TK.
ThermometerOutcome thermometer34(RunState& s) {
  if (!(s.cat[Sp].Cr > 0.0f)) return ThermometerOutcome::NotComplete;
  SiteParameters& x = s.site;
  x.XFe_Ol = 0.0005f * s.P + 0.08f;
  if (!(x.XFe_Ol > kPresent) || !(1.0f - x.XFe_Ol > kPresent)) {
    return ThermometerOutcome::NotComplete;
  }
  const Real k = (1.0f - x.XFe_Ol) * x.XFe_Sp / x.XFe_Ol / (1.0f - x.XFe_Sp);
  if (!usable(k) || !(k > kPresent)) return ThermometerOutcome::NotComplete;
  const Real pb = 1000.0f * s.P;
  const Real tk = ((1.0f - 2.0f * x.XFe_Ol) * (7000.0f + 0.011f * pb) + 0.022f * pb + 15180.0f -
                   2515.0f * (1.0f - 2.0f * x.XFe_Sp) + 20390.0f * (x.XFe3_Sp + x.XTi_Sp) +
                   15550.0f * x.XCr_Sp) /
                      (8.3143f * std::log(k) + 9.953f) -
                  100.0f;
  return storeTK(s, tk);
}

// Ilmenite-olivine Mg-Fe exchange for Fe-rich ilmenite, with the olivine
// estimated from the ilmenite Fe/Mg, temperature and pressure and the result
// corrected at high and low temperature. Writes XFe_Ol and TK.
ThermometerOutcome thermometer35(RunState& s) {
  const CationFormula& ilm = s.cat[Ilm];
  const OxideValues& ilmOx = s.ox[Ilm];
  if (!(ilmOx.MgO < 16.0f) || !(ilmOx.FeO > 27.4f)) {
    return ThermometerOutcome::NotComplete;
  }

  // Every step of the olivine estimate stands in XFe_Ol.
  Real& x = s.site.XFe_Ol;
  const Real r = ilm.Fe / (ilm.Fe + ilm.Mg);
  const Real first = (r - 0.35f) / 2.25f - 0.0000255f * (s.T - 1050.0f) - 0.002f * (s.P - 60.0f);
  if (!usable(first)) return ThermometerOutcome::NotComplete;
  x = first;
  if (x <= 0.035f) x = x + 0.025f;
  if (x <= 0.0f) x = x + 0.055f;
  if (!(x > 0.0f)) return ThermometerOutcome::NotComplete;
  x = 0.1027f * std::log(x) + 0.335f;
  x = x + 0.25f * (0.18f - x);
  if (x <= 0.035f) x = x + 0.3f;

  const IlmeniteComponents c = ilmeniteComponents(s);
  if (!(c.hm > 0.0f) || !(c.il > 0.0f)) return ThermometerOutcome::NotComplete;
  Real e = 0;
  if (!ilmeniteOlivineTerm(s, c, s.site.XFe_Ol, e)) return ThermometerOutcome::NotComplete;

  Real tk = e - 10.0f * (25.0f - s.P) - 250.0f + 400.0f * c.hm;
  if (tk >= 1523.0f + 4.0f * (s.P - 40.0f)) tk = tk - 100.0f * ilm.Fe;
  if (tk <= 1053.0f + 5.0f * (s.P - 40.0f)) tk = tk + 100.0f * ilm.Ti;
  tk = 0.945f * tk;
  return storeTK(s, tk);
}

// Cr-Al partitioning in olivine (trace Al and Cr). Writes TK.
ThermometerOutcome thermometer45(RunState& s) {
  if (!(s.ox[Ol].Al2O3 > 1e-08f) || !(s.ox[Ol].Cr2O3 > 1e-08f)) {
    return ThermometerOutcome::NotComplete;
  }
  const Real al = olivineAlPpm(s);
  const Real cr = olivineCrPpm(s);
  return storeTK(s, (9423.0f + 51.4f * s.P + 1860.0f * cr / (cr + al)) / (13.409f - std::log(al)));
}

// Trace Al in olivine. Writes TK.
ThermometerOutcome thermometer46(RunState& s) {
  if (!(s.ox[Ol].Al2O3 > 1e-07f)) return ThermometerOutcome::NotComplete;
  return storeTK(s, (11959.0f + 55.6f * s.P) / (14.53f - std::log(olivineAlPpm(s))));
}

// Trace Ca in olivine. Writes TK.
ThermometerOutcome thermometer47(RunState& s) {
  if (!(s.ox[Ol].CaO > 1e-08f)) return ThermometerOutcome::NotComplete;
  return storeTK(s, (10539.0f + 79.8f * s.P) / (15.45f - std::log(10000.0f * s.ox[Ol].CaO)));
}

}  // namespace mantlept
