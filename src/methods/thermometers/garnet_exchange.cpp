// Garnet-pyroxene and garnet-olivine exchange thermometers.
#include <cmath>

#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

constexpr Real kTrace = 1e-07f;

bool present(const CationFormula& c) { return c.Si > kTrace; }

// A number whose natural logarithm exists and can be stored.
bool loggable(Real x) { return usable(x) && x > 0.0f; }

// Fe-Mg distribution coefficient between garnet and orthopyroxene.
Real kdGarnetOpx(const RunState& s) {
  return s.cat[Gar].Fe * s.cat[Opx].Mg / s.cat[Gar].Mg / s.cat[Opx].Fe;
}

// Fe-Mg distribution coefficient between garnet and clinopyroxene.
Real kdGarnetCpx(const RunState& s) {
  return s.cat[Cpx].Mg * s.cat[Gar].Fe / s.cat[Gar].Mg / s.cat[Cpx].Fe;
}

// Stores a finished temperature, or ends the combination when the quotient
// has no value (a zero denominator, an infinite logarithm).
ThermometerOutcome storeTemperature(RunState& s, Real tk) {
  if (!usable(tk)) return ThermometerOutcome::NotComplete;
  s.TK = tk;
  return ThermometerOutcome::Continue;
}

}  // namespace

// Garnet-orthopyroxene Fe-Mg exchange with Ca and Mn in garnet, for
// peridotite and pyroxenite garnets. Writes TK.
ThermometerOutcome thermometer20(RunState& s) {
  if (!(s.cat[Opx].Si > 0.001f)) return ThermometerOutcome::NotComplete;
  if (!(s.cat[Gar].Si > 0.001f)) return ThermometerOutcome::NotComplete;
  const Real kd = kdGarnetOpx(s);
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const SiteParameters& x = s.site;
  return storeTemperature(
      s, (1215.0f + 1495.0f * (x.XCa_Gar + x.XMn_Gar) + 17.4f * s.P) / (std::log(kd) + 0.732f));
}

// Mn-Mg exchange between garnet and olivine, with the olivine Mg fraction
// from the analysis or from XFe_Ol. Writes TK.
ThermometerOutcome thermometer22(RunState& s) {
  const CationFormula& ol = s.cat[Ol];
  const CationFormula& gar = s.cat[Gar];

  Real xo;
  if (ol.Mn > kTrace && ol.Fe > kTrace) {
    xo = ol.Mg / (ol.Mn + ol.Mg + ol.Fe + 1e-05f);
  } else {
    xo = 1.0f - s.site.XFe_Ol;
  }
  const Real G = gar.Mn + gar.Fe + gar.Mg + gar.Ca + 1e-05f;
  const Real g = gar.Mg / G - 0.374f;
  Real h = 460.0f * gar.Mn / G - 18.7f;
  Real o = 2153.0f * ol.Mn / (ol.Mn + ol.Mg + ol.Fe + 1e-06f) - 14.75f;
  if (o == 0.0f || g == 0.0f || h == 0.0f) return ThermometerOutcome::NotComplete;

  o = std::exp(o);
  h = std::exp(h);
  const Real f = 4.17f * square(xo) - 6.44f * xo + 3.27f;
  const Real R = cube(f) * square(h) / cube(o) / square(g);
  if (!(R > kTrace)) return ThermometerOutcome::NotComplete;
  return storeTemperature(s, 9.2f * s.P + 970.0f - 62.0f * std::log(R) + 273.0f);
}

// Fe-Mg exchange between garnet and olivine with a pressure-dependent volume
// term; estimates the olivine Fe fraction from garnet when the olivine carries
// no Fe. Writes Tin, n, XFe_Ol (estimate), Mg(Ol), Fe(Ol) and TK.
ThermometerOutcome thermometer23(RunState& s) {
  const CationFormula& gar = s.cat[Gar];
  if (!(gar.Fe > 0.0f && gar.Ca > 0.0f)) return ThermometerOutcome::NotComplete;
  s.Tin = s.T;
  s.n = 0;
  const Real P = s.P;
  const Real Tin = s.Tin;

  if (!(s.cat[Ol].Fe > kTrace)) {
    const Real estimate = 0.0045f * gar.Cr / std::pow(gar.Ca, 0.75f) +
                          0.00075f * (P - 20.0f) * s.ox[Gar].TiO2 + 0.000075f * (Tin - 1100.0f) +
                          s.site.FeNo_Gar / 2.0f - 0.0075f + 0.000375f * (P - 40.0f);
    if (!usable(estimate)) return ThermometerOutcome::NotComplete;
    s.site.XFe_Ol = estimate;
  }
  const Real xFe = s.site.XFe_Ol;
  if (!(0.04f < xFe && xFe < 0.25f)) return ThermometerOutcome::NotComplete;

  s.cat[Ol].Mg = 1.0f - xFe;
  s.cat[Ol].Fe = xFe;

  const Real u = Tin - 1073.0f;
  const Real P2 = square(P);
  const Real V = -462.5f * (P - 0.000263f * P2 - 29.76f) * (1.0191f + 0.0000287f * u) -
                 262.4f * (P - 0.00039f * P2 - 29.65f) * (1.0292f + 0.000045f * u) +
                 454.0f * (P - 0.000236f * P2 - 29.79f) * (1.02f + 0.0000284f * u) +
                 278.3f * (P - 0.00045f * P2 - 29.6f) * (1.0234f + 0.000023f * u);

  const Real kd = (1.0f - xFe) * gar.Fe / xFe / gar.Mg;
  if (!(kd > kTrace)) return ThermometerOutcome::NotComplete;
  if (!usable(kd)) return ThermometerOutcome::NotComplete;

  const SiteParameters& x = s.site;
  return storeTemperature(s, ((498.0f + 1.51f * (P - 30.0f)) * (1.0f - 2.0f * xFe) + V + 902.0f -
                              98.0f * (x.XMg_Gar - x.XFe_Gar) + 1347.0f * x.XCa_Gar) /
                                 (std::log(kd) + 0.357f));
}

// Garnet-clinopyroxene Fe-Mg exchange with Ca in garnet. Writes TK.
ThermometerOutcome thermometer24(RunState& s) {
  const Real kd = kdGarnetCpx(s);
  if (!(kd > kTrace)) return ThermometerOutcome::NotComplete;
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const SiteParameters& x = s.site;
  return storeTemperature(
      s, (3030.0f + 3104.0f * x.XCa_Gar + 10.86f * s.P) / (std::log(kd) + 1.9034f));
}

// Garnet-clinopyroxene Fe-Mg exchange, from garnet alone when the
// clinopyroxene carries no Fe. Writes XFe_Cpx (estimate), Mg(Cpx), Fe(Cpx) and TK.
ThermometerOutcome thermometer25(RunState& s) {
  const CationFormula& gar = s.cat[Gar];
  if (!(gar.Mg > kTrace && gar.Ca > kTrace)) return ThermometerOutcome::NotComplete;
  const Real P = s.P;

  if (s.cat[Cpx].Fe <= kTrace) {
    const Real estimate = 0.0025f * gar.Fe * s.ox[Gar].TiO2 * (P - 25.0f) +
                          0.012f * gar.Cr / gar.Ca + 0.000015f * (P - 30.0f) +
                          0.0001f * (s.T - 1420.0f) + s.site.FeNo_Gar / 2.0f + 0.013f;
    if (!usable(estimate)) return ThermometerOutcome::NotComplete;
    s.site.XFe_Cpx = estimate;
    if (!(0.003f < estimate && estimate < 0.35f)) return ThermometerOutcome::NotComplete;
  }

  const Real xFe = s.site.XFe_Cpx;
  const Real mg = 2.0f * (1.0f - xFe);
  const Real fe = 2.0f * xFe;
  if (!usable(mg, fe)) return ThermometerOutcome::NotComplete;
  s.cat[Cpx].Mg = mg;
  s.cat[Cpx].Fe = fe;

  if (!(gar.Mg > kTrace && fe > kTrace && mg > kTrace)) return ThermometerOutcome::NotComplete;
  const Real kd = kdGarnetCpx(s);
  if (!(kd > kTrace)) return ThermometerOutcome::NotComplete;
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;

  const Real xCa = s.site.XCa_Gar;
  const Real quotient =
      (1879.0f + 6731.0f * xCa - 6173.0f * square(xCa) + 10.0f * P) / (std::log(kd) + 1.393f);
  return storeTemperature(s, quotient - 50.0f);
}

// Garnet-clinopyroxene Fe-Mg exchange with a quadratic garnet Ca term and the
// clinopyroxene Mg fraction. Writes TK.
ThermometerOutcome thermometer26(RunState& s) {
  const Real kd = kdGarnetCpx(s);
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const SiteParameters& x = s.site;
  return storeTemperature(s, (1987.98f + 3648.55f * x.XCa_Gar - 1629.0f * square(x.XCa_Gar) -
                              659.0f * (1.0f - x.XFe_Cpx) + 17.66f * s.P) /
                                 (std::log(kd) + 1.076f));
}

// Garnet-orthopyroxene Fe-Mg exchange with Ca in garnet. Writes TK.
ThermometerOutcome thermometer27(RunState& s) {
  if (!(s.cat[Opx].Fe > kTrace)) return ThermometerOutcome::NotComplete;
  if (!present(s.cat[Gar])) return ThermometerOutcome::NotComplete;
  if (!(s.cat[Gar].Mg > kTrace)) return ThermometerOutcome::NotComplete;
  const Real kd = kdGarnetOpx(s);
  if (!(kd > kTrace)) return ThermometerOutcome::NotComplete;
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  return storeTemperature(
      s, (3740.0f + 1400.0f * s.site.XCa_Gar + 22.86f * s.P) / (1.987f * std::log(kd) + 1.96f));
}

// Garnet-orthopyroxene Fe-Mg exchange with garnet Fe-Mg and Ca
// non-ideality. Writes TK.
ThermometerOutcome thermometer28(RunState& s) {
  const Real kd = kdGarnetOpx(s);
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const SiteParameters& x = s.site;
  return storeTemperature(
      s, (2713.0f + 195.0f * (x.XFe_Gar - x.XMg_Gar) + 3300.0f * x.XCa_Gar + 22.0f * s.P) /
             (1.987f * std::log(kd) + 1.5f * x.XCa_Gar + 0.787f));
}

// Garnet-orthopyroxene Fe-Mg exchange with multi-site garnet mixing and the
// orthopyroxene M1 Mg-Fe difference. Writes TK.
ThermometerOutcome thermometer29(RunState& s) {
  const SiteParameters& x = s.site;
  const Real Dm = x.XMgM1_Opx - x.XFeM1_Opx;
  const Real N = (1507.0f * (x.XFe_Gar - x.XMg_Gar) + 6600.0f * x.XMg_Gar + 7322.0f * x.XFe_Gar +
                  3226.0f * x.XCa_Gar) *
                     x.XCa_Gar +
                 1218.0f * x.XCr_Gar + 0.0339f * s.P + 4776.0f - 2372.0f * Dm - s.cat[Opx].Al;
  const Real kd = kdGarnetOpx(s);
  if (!(kd > kTrace)) return ThermometerOutcome::NotComplete;
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const Real D = (0.658f * (x.XFe_Gar - x.XMg_Gar) + 3.0f * x.XMg_Gar + 3.44f * x.XFe_Gar +
                  1.466f * x.XCa_Gar) *
                     x.XCa_Gar +
                 1.987f * std::log(kd) + 0.49f * x.XCr_Gar + 2.654f - 1.69f * Dm;
  return storeTemperature(s, N / D);
}

// Garnet-clinopyroxene Fe-Mg exchange for eclogites (2009): garnet fractions
// of Mg, Fe2+, Ca and Mn over their sum, the clinopyroxene's Mg and Fe2+ over
// Al + Fe + Mg; the quotient is the temperature in K. Writes TK.
ThermometerOutcome thermometer49(RunState& s) {
  const CationFormula& gar = s.cat[Gar];
  const CationFormula& cpx = s.cat[Cpx];
  const Real divalent = gar.Fe + gar.Mn + gar.Mg + gar.Ca;
  const Real cpxSum = cpx.Al + cpx.Fe + cpx.Mg;
  if (!(divalent > 0.0f) || !(cpxSum > 0.0f)) return ThermometerOutcome::NotComplete;
  const Real Xprp = gar.Mg / divalent;
  const Real Xalm = gar.Fe / divalent;
  const Real Xgrs = gar.Ca / divalent;
  const Real Xsps = gar.Mn / divalent;
  const Real XMg_cpx = cpx.Mg / cpxSum;
  const Real XFe_cpx = cpx.Fe / cpxSum;
  const Real kd = (gar.Fe / gar.Mg) / (cpx.Fe / cpx.Mg);
  if (!loggable(kd)) return ThermometerOutcome::NotComplete;
  const Real P = s.P;
  const Real A = 0.5f * Xgrs * (Xprp - Xalm - Xsps);
  const Real B = 0.5f * Xgrs * (Xprp - Xalm + Xsps);
  const Real C = 0.5f * (Xgrs + Xsps) * (Xprp - Xalm);
  const Real numerator =
      2784.0f + 14.52f * P + (2601.0f + 1.44f * P) * (2.0f * Xgrs * Xprp - A) +
      (1183.0f + 6.98f * P) * (Xgrs * Xgrs - A) - 105.0f * (2.0f * Xgrs * Xalm + B) +
      (814.6f + 3.61f * P) * (Xgrs * Xgrs + B) -
      (254.6f + 8.42f * P) * (2.0f * Xprp * Xalm - Xalm * Xalm + C) -
      83.6f * (Xprp * Xprp - 2.0f * Xprp * Xalm + C) + 1388.0f * Xsps -
      462.0f * (XMg_cpx - XFe_cpx);
  const Real denominator = std::log(kd) + 1.431f +
                           0.695f * (2.0f * Xgrs * Xprp + Xgrs * Xgrs - 2.0f * A) +
                           0.203f * (Xgrs * Xgrs - 2.0f * Xgrs * Xalm) + 0.922f * Xsps;
  return storeTemperature(s, numerator / denominator);
}

}  // namespace mantlept
