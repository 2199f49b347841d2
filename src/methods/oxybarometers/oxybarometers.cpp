// Oxygen-fugacity and silica-activity equations.
//
// Every oxybarometer leaves its value in s.fO2: 0 when its minerals are
// missing or its equation has no value for the numbers given, 2000 when a
// single-mineral value leaves its window. Nothing non-finite ever reaches the
// store: each value is checked before it is written.
#include <cstdio>
#include <optional>
#include <string>

#include "methods/oxybarometers/oxybarometers.hpp"

namespace mantlept {

namespace {

constexpr Real kTiny = 1e-07f;

// The no-result value 0.
OxybarometerOutcome noValue(RunState& s) {
  s.fO2 = 0.0f;
  return OxybarometerOutcome::Value;
}

// Stores v, or the no-result value 0 when v cannot be stored.
OxybarometerOutcome setValue(RunState& s, Real v) {
  s.fO2 = usable(v) ? v : 0.0f;
  return OxybarometerOutcome::Value;
}

// Stores v when it lies strictly inside (lo, hi), the marker 2000 otherwise;
// a value that cannot be computed gives 0.
OxybarometerOutcome setWindowed(RunState& s, Real v, Real lo, Real hi) {
  if (!usable(v)) return noValue(s);
  s.fO2 = (lo < v && v < hi) ? v : 2000.0f;
  return OxybarometerOutcome::Value;
}

// Orthopyroxene Mg fraction in Fe-Mg exchange with the olivine of XFe_Ol, at
// the current temperature and pressure; empty when it has no value.
std::optional<Real> opxMgFraction(const RunState& s) {
  const Real T = s.T;
  const Real PP = 1000.0f * s.P;
  const Real x = s.site.XFe_Ol;
  const Real k = 0.0027f * PP / T + (134.0f / T - 0.078f);
  const Real q = (1.0f - x) / x;
  const Real m = std::exp(k) * q / (std::exp(k) * q + 1.0f);
  if (!usable(k, q, m)) return std::nullopt;
  return m;
}

// Decimal logarithm of the silica activity from the exchange fraction m, with
// the caller's divisor L (the natural-to-decimal logarithm factor).
Real silicaActivityLog(const RunState& s, Real m, Real L) {
  const Real T = s.T;
  const Real PP = 1000.0f * s.P;
  const Real x = s.site.XFe_Ol;
  return 2.0f * std::log(m) / L + (-(15.68f / T) - 0.165f - (PP / T) * 0.0087f) -
         2.0f * std::log(1.0f - x) / L - square(x) * (1413.0f / T);
}

// Olivine Fe fraction estimated from the spinel (olivine-spinel method).
Real olivineFromSpinel(const RunState& s) {
  Real x = s.site.XFe_Sp / 4.5f - (s.P - 32.0f) * 0.00115f - 0.03f;
  if (x >= 0.16f) x = 0.0f;
  x = (x - 0.075f) * 0.45f + 0.085f;
  x = x - (s.T - 800.0f) * (x - 0.06f) * 0.000275f + 0.01f;
  return x;
}

// Ferrosilite activity of the orthopyroxene.
Real ferrosiliteActivity(const CationFormula& opx) {
  const Real r = opx.Fe / (opx.Fe + opx.Mg);
  return ((1.0f - (opx.Cr + opx.Al) * 0.5f - opx.Ti) * r +
          (1.0f - opx.Ca - opx.Na - opx.Mn) * r) /
         2.0f;
}

}  // namespace

// Olivine-spinel oxybarometer, log fO2 relative to FMQ. Writes fO2.
OxybarometerOutcome oxybarometer1(RunState& s, Terminal& out) {
  (void)out;
  const SiteParameters& p = s.site;
  if (!(p.XFe_Ol > kTiny)) return noValue(s);
  if (!(p.Fe3R_Sp > kTiny)) return noValue(s);
  if (!(p.XFe_Sp > kTiny)) return noValue(s);
  const Real T = s.T;
  const Real P = s.P;
  const Real v = 2505.0f / T + 0.27f - 40.0f * P / T - 6.0f * std::log(p.XFe_Ol) / 2.3f -
                 3200.0f * square(1.0f - p.XFe_Ol) / T + 2.0f * std::log(p.XFe_Sp) / 2.3f +
                 4.0f * std::log(p.Fe3R_Sp) / 2.3f + 2630.0f * square(p.XAl2_Sp) / T;
  return setValue(s, v);
}

// Orthopyroxene-olivine-spinel oxybarometer, log fO2 relative to FMQ. Writes fO2.
OxybarometerOutcome oxybarometer2(RunState& s, Terminal& out) {
  (void)out;
  const CationFormula& sp = s.cat[Sp];
  if (!(s.cat[Opx].Si > kTiny) || !(s.cat[Ol].Si > kTiny) || !(sp.Al > kTiny) ||
      !(sp.Fe3 > kTiny)) {
    return noValue(s);
  }
  const SiteParameters& p = s.site;
  const Real T = s.T;
  const Real P = s.P;
  const Real G = (346.0f * sp.Mg * sp.Cr + 653.0f * sp.Mg * sp.Al + 199.0f * sp.Cr * sp.Al +
                  299.0f * square(sp.Cr) + 406.0f * square(sp.Al)) *
                     (1.0f / T) +
                 std::log(square(sp.Fe3) * sp.Fe / 4.0f) / 2.3f;
  const Real v = 220.0f / T + 0.35f - 36.9f * P / T - 12.0f * std::log(p.XFe_Ol) / 2.3f -
                 2620.0f * square(1.0f - p.XFe_Ol) / T +
                 3.0f * std::log(p.XFeM2_Opx * p.XFeM1_Opx) / 2.3f + 2.0f * G;
  return setValue(s, v);
}

// Olivine-spinel oxybarometer with silica activity. Writes fO2, and XFe_Ol when absent.
OxybarometerOutcome oxybarometer3(RunState& s, Terminal& out) {
  (void)out;
  if (!(s.cat[Sp].Al > kTiny) || !(s.T > kTiny)) return noValue(s);
  SiteParameters& p = s.site;
  if (p.XFe_Ol < kTiny) {
    const Real x = olivineFromSpinel(s);
    if (!usable(x)) return noValue(s);
    p.XFe_Ol = x;
  }
  const std::optional<Real> m = opxMgFraction(s);
  if (!m) return noValue(s);
  if (!(*m > kTiny) || !(1.0f - p.XFe_Ol > kTiny) || !(p.XFe3_Sp > kTiny)) return noValue(s);
  const Real S = silicaActivityLog(s, *m, 2.303f);
  if (!(p.XFe_Ol > kTiny) || !(p.XFe_Sp > kTiny)) return noValue(s);
  const Real T = s.T;
  const Real PP = 1000.0f * s.P;
  const Real V = 4.426f - 1895.0f / T - (PP / T) * 0.037f + 3.0f * S -
                 6.0f * std::log(p.XFe_Ol) / 2.303f - square(1.0f - p.XFe_Ol) * (4239.0f / T) +
                 4.0f * std::log(p.XFe3_Sp) / 2.303f + 2.0f * std::log(p.XFe_Sp) / 2.303f +
                 square(p.XAl_Sp) * (4270.0f / T) + square(p.XTi_Sp) * (4626.0f / T);
  return setValue(s, (V + 0.7f) / 1.25f - 0.015f * s.P);
}

// Olivine-ilmenite oxybarometer with silica activity. Writes fO2, and XFe_Ol when poor.
OxybarometerOutcome oxybarometer4(RunState& s, Terminal& out) {
  const CationFormula& ilm = s.cat[Ilm];
  if (!(ilm.Ti > kTiny) || !(s.T > kTiny)) return noValue(s);
  const OxideValues& ilmOx = s.ox[Ilm];
  if (ilmOx.MgO >= 16.0f || ilmOx.FeO <= 27.4f || ilmOx.TiO2 >= 54.2f) {
    return OxybarometerOutcome::NotComplete;
  }
  SiteParameters& p = s.site;
  if (p.XFe_Ol < 0.01f) {
    // Both pressure ranges take the olivine from the pressure alone; from
    // 30 kbar on, an ilmenite-based estimate would be replaced by this one at
    // once, so it is not formed.
    const Real x = s.P < 30.0f ? s.P * 0.00025f + 0.11f : s.P * 0.00025f + 0.12f;
    if (!usable(x)) return noValue(s);
    p.XFe_Ol = x;
  }
  const std::optional<Real> m = opxMgFraction(s);
  if (!m) return noValue(s);
  char text[40];
  std::snprintf(text, sizeof text, " %.7g", static_cast<double>(*m));
  out.line(text);
  if (!(*m > 0.0f) || !(1.0f - p.XFe_Ol > 0.0f)) return noValue(s);
  const Real S = silicaActivityLog(s, *m, 2.3f);

  const Real Xcr = ilm.Cr / 2.0f;
  const Real Xhem = 1.0f - ilm.Cr / 2.0f - ilm.Ti;  // hematite
  const Real Xgk = ilm.Mg;                          // geikielite
  const Real Xilm = 1.0f - Xcr - Xhem - Xgk;        // ilmenite
  if (!(Xhem > 0.0f) || !(p.XFe_Ol > 0.0f)) return noValue(s);

  const Real T = s.T;
  const Real P = s.P;
  const Real V = 2.0f * std::log(Xhem) / 2.3f + (1611.0f / T + 1.123f - P * 0.057f / T) +
                 2.0f * S - (2098.0f / T) * Xilm * Xgk - (3876.0f / T) * Xcr +
                 (3410.0f / T) * Xhem - 4.0f * std::log(p.XFe_Ol) / 2.3f -
                 (2826.0f / T) * (1.0f - p.XFe_Ol) - 1.65f;
  return setValue(s, 0.9f * V);
}

// Garnet-olivine-orthopyroxene oxybarometer. Writes fO2, garnetFerricExcess and aFs.
OxybarometerOutcome oxybarometer5(RunState& s, Terminal& out) {
  (void)out;
  const CationFormula& gar = s.cat[Gar];
  if (!(gar.Fe > kTiny) || !(s.T > kTiny)) return noValue(s);
  const bool variantB = s.cat[Cpx].Fe < 0.0f;
  const Real T = s.T;
  const Real P = s.P;
  const Real Tk = T + 273.0f;

  // Garnet ferric excess; only the ordinary variant clamps a deficit.
  Real e = gar.Mn + gar.Fe + gar.Mg + gar.Ca - 3.0f;
  if (!variantB && e <= -0.001f) e = 0.0f;
  if (!usable(e)) return noValue(s);
  s.garnetFerricExcess = e;

  // Andradite and almandine activity of the garnet.
  const Real f = gar.Fe - e;
  const Real Y = gar.Cr + gar.Al + e;
  const Real XAnd = e / Y;
  const Real XCr = gar.Cr / Y;
  const Real Z = gar.Mg + gar.Ca + f;
  const Real XFe = f / Z;
  const Real XCa = gar.Ca / Z;
  const Real XMg = gar.Mg / Z;
  if (!usable(XAnd, XCr, XFe, XCa, XMg)) return noValue(s);
  const Real W = 40200.0f - P * 70.0f;
  const Real G = (((1.0f - XAnd) * XMg - (XMg + XCa) * (1.0f - XAnd)) * W +
                  (XFe - XMg + 1.0f) * XCr * 50002.0f) /
                 8.31f / Tk;
  const Real aGar = std::exp(G) * square(XAnd) * cube(XFe);
  if (!usable(G, aGar)) return noValue(s);

  // Fayalite activity of the olivine.
  Real xo = s.cat[Ol].Fe / 2.0f;
  if (variantB && xo < 0.05f) {
    xo = (gar.Cr * 0.12f / gar.Ca + (T - 1020.0f) * 0.00001f + P * 0.000015f +
          s.site.FeNo_Gar / 2.0f + 0.045f) *
             0.2f +
         0.07f;
  }
  const Real aFa = std::exp(square(1.0f - xo) * 3700.0f / 8.31f / Tk) * xo;
  if (!usable(xo, aFa)) return noValue(s);

  // Ferrosilite activity: from the orthopyroxene when there is one; otherwise
  // the olivine estimate (flagged variant) or the value kept from the last
  // evaluation that set it.
  if (s.cat[Opx].Fe > kTiny) {
    const Real aFs = ferrosiliteActivity(s.cat[Opx]);
    if (!usable(aFs)) return noValue(s);
    s.aFs = aFs;
  } else if (variantB) {
    s.aFs = xo;
  }
  const Real aFs = s.aFs;

  // FMQ buffer and the equilibrium constant.
  const Real B = Tk * 0.00484f + 82.75f - (1.0f / Tk) * 30681.0f - log10Real(Tk) * 24.45f -
                 P * 0.002f + P * 94.0f / Tk;
  const Real K = 9.79f - 20400.0f / Tk - P * 45.0f / Tk;
  if (!(aGar > kTiny) || !(aFa > kTiny) || !(aFs > kTiny)) return noValue(s);

  const Real sum = 2.0f * log10Real(aGar) + K - 8.0f * log10Real(aFa) -
                   2.0f * log10Real(aFs) - B;
  if (variantB) return setValue(s, sum * 0.45f - 1.2f);
  return setValue(s, (sum + 0.9f) / 0.5f);
}

// Single-clinopyroxene oxybarometer, window -6..2. Writes fO2 and Fe3_Cpx.
OxybarometerOutcome oxybarometer6(RunState& s, Terminal& out) {
  (void)out;
  const CationFormula& cpx = s.cat[Cpx];
  if (!(cpx.Fe > kTiny) || !(s.T > kTiny)) return noValue(s);
  const Real f = cpx.Mg + cpx.Fe + cpx.Mn + cpx.Ca + cpx.Ni - 2.0f;
  if (!usable(f)) return noValue(s);
  s.site.Fe3_Cpx = f;
  const Real T = s.T;
  const Real P = s.P;
  Real v = 1752.2f * cube(f) - 523.24f * square(f) + 63.373f * f - 2.9604f;
  v = (T - 500.0f) * f / 350.0f + v - 0.0012f * square(P);
  if (!(P > kTiny)) return noValue(s);
  v = std::pow(P, 0.6f) * v * 0.0045f - P * f * 0.001f;
  return setWindowed(s, v, -6.0f, 2.0f);
}

// Single-orthopyroxene oxybarometer, window -6..1.5. Writes fO2.
OxybarometerOutcome oxybarometer7(RunState& s, Terminal& out) {
  (void)out;
  const CationFormula& opx = s.cat[Opx];
  if (!(opx.Fe > kTiny) || !(s.T > kTiny)) return noValue(s);
  const Real T = s.T;
  const Real P = s.P;
  const Real x = s.site.XFe_Opx;
  Real f = opx.Na + 4.0f - 2.0f * opx.Si - opx.Ti - opx.Al - opx.Cr + 0.03f;
  if (f > 0.0f) f = opx.Fe + opx.Mn + opx.Mg + opx.Ca - 1.97f;
  Real v = square(15.0f * x) * f * 23.882f - 1.8805f;
  v = ((T - 400.0f) / 1000.0f) * (20.0f * x) + v - 0.0175f * P;
  v = (square(15.0f * x) * v - 0.9f * P / 60.0f) * 0.9f;
  v = (v - 0.5f) * 0.75f;
  return setWindowed(s, v, -6.0f, 1.5f);
}

// Single-garnet oxybarometer, window -6..1. Writes fO2 and garnetFerricExcess.
OxybarometerOutcome oxybarometer8(RunState& s, Terminal& out) {
  (void)out;
  const CationFormula& gar = s.cat[Gar];
  const Real e =
      (gar.Mn + gar.Fe + gar.Mg + gar.Ca - 1.0f - gar.Cr - gar.Al - 8.0f + gar.Sum) / 3.0f;
  if (!usable(e)) return noValue(s);
  s.garnetFerricExcess = e;
  const Real r = e / gar.Fe;
  if (!usable(r)) return noValue(s);
  const Real T = s.T;
  const Real P = s.P;
  Real v = 2030.2f * cube(r) - 1011.4f * square(r) + 190.89f * r - 12.644f;
  v = v - 0.00375f * square(P) + (T - 500.0f) / 2000.0f;
  v = v / (220.0f - P) * 40.0f;
  return setWindowed(s, v, -6.0f, 1.0f);
}

// Silica activity from olivine-orthopyroxene exchange. Writes fO2 (the activity).
OxybarometerOutcome oxybarometer9(RunState& s, Terminal& out) {
  (void)out;
  if (!(s.cat[Ol].Si > kTiny) || !(s.T > kTiny)) return noValue(s);
  const std::optional<Real> m = opxMgFraction(s);
  if (!m) return noValue(s);
  if (!(*m > kTiny) || !(1.0f - s.site.XFe_Ol > kTiny)) return noValue(s);
  const Real S = silicaActivityLog(s, *m, 2.3f);
  return setValue(s, std::pow(10.0f, S));
}

}  // namespace mantlept
