// Al-in-orthopyroxene and orthopyroxene-garnet barometers.
#include <cmath>

#include "methods/barometers/barometers.hpp"

namespace mantlept {

namespace {

constexpr Real kTiny = 1e-07f;

// Stores a computed pressure, or ends the combination when it has no value.
BarometerOutcome setPressure(RunState& s, Real P) {
  if (!usable(P)) return BarometerOutcome::NotComplete;
  s.P = P;
  return BarometerOutcome::PressureSet;
}

// The orthopyroxene-garnet Al exchange with the M1 aluminium A worked out by
// the caller from the orthopyroxene formula.
BarometerOutcome opxGarnetM1Aluminium(RunState& s, Real A) {
  const CationFormula& opx = s.cat[Opx];
  const SiteParameters& x = s.site;
  const Real T = s.T;
  const Real Q = opx.Cr / (opx.Cr + opx.Ti + opx.Fe3 + A + x.FM1_Opx);
  const Real K = cube(1.0f - x.XCa_Gar) * square(x.XAl_Gar) / (square(x.FM2_Opx) * A * x.FM1_Opx);
  if (!(K > kTiny)) return BarometerOutcome::NotComplete;
  const Real N = -1.987f * T * std::log(K) + 9000.0f * square(x.XCa_Gar) -
                 3400.0f * (2.0f * square(x.XCr_Gar) - Q * x.XMgM1_Opx) -
                 (90853.0f - 52.1f * T) * x.XCa_Gar * x.XCr_Gar - 7590.0f * x.XCa_Gar * x.XFe_Gar +
                 5157.0f * x.XFeM1_Opx * x.XMgM1_Opx + 6047.0f - 3.23f * T;
  return setPressure(s, N * 1.0f / (178.98f * (1.0f - A) * A - 183.3f));
}

// Constants of the quadratic Al-in-orthopyroxene barometers.
struct QuadraticConstants {
  Real c0, c1, c2, c3, c4, c5, c6, c7, b0, b1, b2, b3, A;
};

constexpr QuadraticConstants kQuadratic5 = {-5510.0f, 88.91f, 80942.0f, 46.7f,   247374.0f,
                                            53379.0f, 420.4f, 565.0f,   -0.832f, 0.0000878f,
                                            13.45f,   10.5f,  0.00166f};
constexpr QuadraticConstants kQuadratic9 = {4970.0f,  84.15f, 80941.0f, 36.3f,   247368.0f,
                                            53385.0f, 335.0f, 730.0f,   -0.533f, 0.000162f,
                                            18.25f,   3.5f,   -0.00072f};

// The Al-in-orthopyroxene equilibrium with garnet, solved as a quadratic in P.
BarometerOutcome opxGarnetQuadratic(RunState& s, const QuadraticConstants& c) {
  const SiteParameters& x = s.site;
  if (!(x.AlM1_Opx > kTiny)) return BarometerOutcome::NotComplete;
  if (!(s.cat[Opx].Ca > kTiny)) return BarometerOutcome::NotComplete;
  const Real R = 8.3143f;
  const Real T = s.T;
  const Real K = cube(1.0f - x.XCa_Gar) * x.XAl_Gar * x.XAl_Gar /
                 (x.AlT_Opx * x.FM2_Opx * x.FM2_Opx * x.FM1_Opx);
  if (!(K > kTiny)) return BarometerOutcome::NotComplete;
  const Real G = -R * T * std::log(K) + c.c0 + c.c1 * T - 19.0f * std::pow(T, 1.2f) +
                 (c.c2 - c.c3 * T) * x.XFeM1_Opx * x.XMgM1_Opx + c.c4 * square(x.XCa_Gar) -
                 c.c5 * x.XCa_Gar * x.XFe_Gar - (1164000.0f - c.c6 * T) * x.XCa_Gar * x.XCr_Gar -
                 (c.c7 * T - 1250000.0f) * x.XFe_Gar * x.XCr_Gar;
  const Real B = c.b0 - c.b1 * (T - 298.0f) + 9.915f * square(x.XCa_Gar) -
                 c.b2 * x.XCa_Gar * x.XCr_Gar + c.b3 * x.XFe_Gar * x.XCr_Gar;
  const Real D = 4.0f * c.A * G / 1000.0f + square(B);
  if (!(D > kTiny)) return BarometerOutcome::NotComplete;
  return setPressure(s, (-B - std::sqrt(D)) / (2.0f * c.A));
}

// Aluminium in orthopyroxene from the Al2O3 weight fraction alone.
Real aluminaInOpxPressure(const RunState& s, Real a, Real d, Real b) {
  return (b - std::log(s.ox[Opx].Al2O3 / 100.0f)) * s.T / (-d) - a / d;
}

}  // namespace

// Fixed pressure: P stays at its incoming value.
BarometerOutcome barometer1(RunState& s) {
  (void)s;
  return BarometerOutcome::PressureUnchanged;
}

// Al-in-orthopyroxene with garnet, ideal M1 aluminium mixing (1974). Writes P.
BarometerOutcome barometer2(RunState& s) {
  const SiteParameters& x = s.site;
  const Real K = (1.0f - x.AlM1_Opx) * x.AlM1_Opx / (cube(1.0f - x.XCa_Gar) * square(x.XAl_Gar));
  if (!(K > kTiny)) return BarometerOutcome::NotComplete;
  const Real V = 4.43f * x.AlM1_Opx + 7.85f;
  const Real T = s.T;
  return setPressure(s, (0.1628f - 0.083145f * std::log(K)) * T / V - 293.4f / V +
                            10.47f * (1.0f - 2.0f * x.AlM1_Opx) * (1.0f - x.XMg_Opx));
}

// Orthopyroxene-garnet Al exchange with Cr and Ti corrected M1 aluminium (1985). Writes P.
BarometerOutcome barometer3(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  return opxGarnetM1Aluminium(s, (opx.Al - opx.Cr - 2.0f * opx.Ti + opx.Na) / 2.0f);
}

// Orthopyroxene-garnet Al barometer with Fe-Mg-Al orthopyroxene mixing (1984). Writes P.
BarometerOutcome barometer4(RunState& s) {
  const SiteParameters& x = s.site;
  const Real Al = s.cat[Opx].Al;
  const Real a = Al / 2.0f;
  const Real T = s.T;
  const Real K = cube(x.XMg_Gar) / a / (1.0f - a) / cube(1.0f - x.XFe_Opx);
  if (!(K > kTiny)) return BarometerOutcome::NotComplete;
  if (!(T > kTiny)) return BarometerOutcome::NotComplete;
  const Real b = 1.0f - a;
  return setPressure(
      s, (1.987f * T * std::log(K) + ((T - 970.0f) * 0.001507f + 0.15f) * T - 2467.0f -
          2.0f * (2458000.0f / T - 1261.0f) * square(x.XFe_Opx) -
          (1.0f - 2.0f * b * x.XMg_Opx) * b * (3525000.0f / T - 1667.0f) * x.XFe_Opx -
          2.0f * b * (4.75f * T - 6680.0f) * x.XFe_Opx +
          (b * x.XFe_Opx * x.XMg_Opx + a) * (5436.0f - 2.45f * T) +
          920.0f * b * (1.0f - Al) * x.XMg_Opx + 5700.0f * (x.XCa_Gar + x.XFe_Gar) * x.XCa_Gar) /
             206.74f);
}

// Al-in-orthopyroxene with garnet, quadratic in P (1990 calibration). Writes P.
BarometerOutcome barometer5(RunState& s) { return opxGarnetQuadratic(s, kQuadratic5); }

// Orthopyroxene-garnet Al exchange from both formulas (1985). Writes XAl_Gar, XCr_Gar and P.
BarometerOutcome barometer7(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  const CationFormula& gar = s.cat[Gar];
  const Real T = s.T;

  const Real a = opx.Al - opx.Na + opx.Cr - 2.0f * opx.Ti;
  const Real S = opx.Fe + opx.Mn + opx.Mg + opx.Ca;
  const Real XAl = (a / 2.0f) / (S + a / 2.0f);
  const Real XMg = opx.Mg / (S + XAl / 2.0f);
  const Real XFe = opx.Fe / (S + XAl / 2.0f);
  if (!usable(XAl, XMg, XFe)) return BarometerOutcome::NotComplete;

  // The garnet Al and Cr fractions of the trivalent site replace the site
  // parameters for the rest of the association.
  const Real newXAl = gar.Al / (gar.Cr + gar.Ti + gar.Al);
  const Real newXCr = gar.Cr / (gar.Cr + gar.Ti + gar.Al);
  if (!usable(newXAl, newXCr)) return BarometerOutcome::NotComplete;
  s.site.XAl_Gar = newXAl;
  s.site.XCr_Gar = newXCr;

  const SiteParameters& x = s.site;
  const Real W = ((1.0f - 2.0f * x.XMg_Gar) * x.XCa_Gar + 2.0f * (1.0f - x.XMg_Gar) * x.XMg_Gar) *
                     (3300.0f - 1.5f * T) -
                 2.0f * ((74.0f - 0.034f * T) * x.XCa_Gar - (3661.0f - 1.718f * T) * x.XFe_Gar) *
                     x.XCa_Gar * x.XFe_Gar +
                 (1.0f - 2.0f * x.XMg_Gar) * (1507.0f - 0.658f * T) * x.XFe_Gar;
  const Real N = 3.0f * x.XCa_Gar * W - 2785.0f - 1.869f * T -
                 5.88f * (T - 970.0f - T * std::log(T / 970.0f)) -
                 1.987f * T * std::log(cube(XMg) * XAl / cube(x.XMg_Gar) / square(x.XAl_Gar)) +
                 (29229.0f - 11.88f * T) * (1.0f - x.XMg_Gar) * x.XCr_Gar -
                 (25575.0f - 10.4f * T) * x.XFe_Gar * x.XCr_Gar -
                 (1.688f * T - 2372.0f) * (3.0f - 4.0f * XMg) * XFe +
                 1237.0f * (3.0f * XAl + XMg - 4.0f * XMg * XAl) +
                 6441.0f * (1.0f - 4.0f * XAl) * XFe;
  return setPressure(s, N / (329.0f - 142.0f * (square(XFe + XMg) + square(XAl))));
}

// Cr exchange between orthopyroxene and garnet (1989). Writes P.
BarometerOutcome barometer8(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  const CationFormula& gar = s.cat[Gar];
  const SiteParameters& x = s.site;
  const Real T = s.T;
  const Real g = gar.Ca / (gar.Fe + gar.Mg + gar.Ca);
  const Real m = gar.Mg / (gar.Fe + gar.Mg + gar.Ca);
  const Real r = gar.Cr / (gar.Cr + gar.Al);
  const Real l = gar.Al / (gar.Cr + gar.Al);
  if (!usable(g, m, r, l)) return BarometerOutcome::NotComplete;
  const Real K = square(l) * square(r) * (m * m * m * m * m * m) /
                 (square(opx.Cr) * (x.XMgM2_Opx * x.XMgM2_Opx * x.XMgM2_Opx * x.XMgM2_Opx) *
                  square(x.XMgM1_Opx));
  if (!(K > kTiny)) return BarometerOutcome::NotComplete;
  return setPressure(
      s, (-1.987f * T * std::log(K) - 14412.0f * square(g) + (l - r) * g * (49782.0f - 23.5f * T) +
          23900.0f * square(opx.Ca) - 2873.0f - 3.94f * T) /
             (146.0f * square(g) - 397.0f));
}

// Al-in-orthopyroxene with garnet, quadratic in P (2007 recalibration). Writes P.
BarometerOutcome barometer9(RunState& s) { return opxGarnetQuadratic(s, kQuadratic9); }

// Al2O3 in orthopyroxene coexisting with garnet (1974). Writes P.
BarometerOutcome barometer10(RunState& s) {
  if (!(s.ox[Opx].Al2O3 > kTiny)) return BarometerOutcome::NotComplete;
  if (!(s.T > kTiny)) return BarometerOutcome::NotComplete;
  return setPressure(s, aluminaInOpxPressure(s, -3736.0f, -97.1f, 1.46f));
}

// Al2O3 in orthopyroxene coexisting with garnet (1981). Writes P.
BarometerOutcome barometer11(RunState& s) {
  if (!(s.ox[Opx].Al2O3 > kTiny)) return BarometerOutcome::NotComplete;
  return setPressure(s, aluminaInOpxPressure(s, -1976.0f, -126.3f, 0.74f));
}

// Al2O3 in orthopyroxene coexisting with garnet (1980). Writes P.
BarometerOutcome barometer12(RunState& s) {
  if (!(s.ox[Opx].Al2O3 > kTiny)) return BarometerOutcome::NotComplete;
  return setPressure(s, aluminaInOpxPressure(s, -3473.0f, -94.5f, 0.94f));
}

// Orthopyroxene-garnet Al exchange, M1 aluminium with Ti added back. Writes P.
BarometerOutcome barometer29(RunState& s) {
  const CationFormula& opx = s.cat[Opx];
  return opxGarnetM1Aluminium(s, (opx.Al - opx.Cr + opx.Na + opx.Ti) / 2.0f);
}

}  // namespace mantlept
