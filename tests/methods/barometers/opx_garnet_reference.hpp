#pragma once
// Double-precision reference forms of the orthopyroxene-garnet and
// Al-in-orthopyroxene barometers, written from their equations and taking
// plain numbers. They do not check presence or positivity guards; callers
// that need a guard quantity use the separate K, D helpers.
#include <cmath>

namespace mantlept::reference {

// Cation values per formula unit of one analysis.
struct Cations {
  double Si = 0, Ti = 0, Al = 0, Cr = 0, Fe = 0, Mn = 0, Mg = 0, Ca = 0, Na = 0, Fe3 = 0;
};

// Orthopyroxene site parameters.
struct OpxSites {
  double XMg = 0, XFe = 0, AlM1 = 0, AlT = 0, FM1 = 0, FM2 = 0, XMgM1 = 0, XMgM2 = 0, XFeM1 = 0;
};

// Garnet site parameters.
struct GarnetSites {
  double XCa = 0, XAl = 0, XCr = 0, XFe = 0, XMg = 0;
};

inline double pow2(double x) { return x * x; }
inline double pow3(double x) { return x * x * x; }

// Ideal M1 aluminium barometer: equilibrium constant.
inline double wood74K(const OpxSites& o, const GarnetSites& g) {
  return (1.0 - o.AlM1) * o.AlM1 / (pow3(1.0 - g.XCa) * pow2(g.XAl));
}

inline double wood74P(double T, const OpxSites& o, const GarnetSites& g) {
  const double K = wood74K(o, g);
  const double V = 4.43 * o.AlM1 + 7.85;
  return (0.1628 - 0.083145 * std::log(K)) * T / V - 293.4 / V +
         10.47 * (1.0 - 2.0 * o.AlM1) * (1.0 - o.XMg);
}

// M1 aluminium of the two corrected Al exchange barometers.
inline double m1AluminiumCrTi(const Cations& opx) {
  return (opx.Al - opx.Cr - 2.0 * opx.Ti + opx.Na) / 2.0;
}
inline double m1AluminiumCorrected(const Cations& opx) {
  return (opx.Al - opx.Cr + opx.Na + opx.Ti) / 2.0;
}

inline double m1AluminiumK(double A, const OpxSites& o, const GarnetSites& g) {
  return pow3(1.0 - g.XCa) * pow2(g.XAl) / (pow2(o.FM2) * A * o.FM1);
}

inline double m1AluminiumP(double T, double A, const Cations& opx, const OpxSites& o,
                           const GarnetSites& g) {
  const double Q = opx.Cr / (opx.Cr + opx.Ti + opx.Fe3 + A + o.FM1);
  const double K = m1AluminiumK(A, o, g);
  const double N = -1.987 * T * std::log(K) + 9000.0 * pow2(g.XCa) -
                   3400.0 * (2.0 * pow2(g.XCr) - Q * o.XMgM1) -
                   (90853.0 - 52.1 * T) * g.XCa * g.XCr - 7590.0 * g.XCa * g.XFe +
                   5157.0 * o.XFeM1 * o.XMgM1 + 6047.0 - 3.23 * T;
  return N / (178.98 * (1.0 - A) * A - 183.3);
}

// Fe-Mg-Al orthopyroxene barometer with garnet.
inline double harley84K(const Cations& opx, const OpxSites& o, const GarnetSites& g) {
  const double a = opx.Al / 2.0;
  return pow3(g.XMg) / a / (1.0 - a) / pow3(1.0 - o.XFe);
}

inline double harley84P(double T, const Cations& opx, const OpxSites& o, const GarnetSites& g) {
  const double a = opx.Al / 2.0;
  const double K = harley84K(opx, o, g);
  const double sum =
      1.987 * T * std::log(K) + ((T - 970.0) * 0.001507 + 0.15) * T - 2467.0 -
      2.0 * (2458000.0 / T - 1261.0) * pow2(o.XFe) -
      (1.0 - 2.0 * (1.0 - a) * o.XMg) * (1.0 - a) * (3525000.0 / T - 1667.0) * o.XFe -
      2.0 * (1.0 - a) * (4.75 * T - 6680.0) * o.XFe +
      ((1.0 - a) * o.XFe * o.XMg + a) * (5436.0 - 2.45 * T) +
      920.0 * (1.0 - a) * (1.0 - opx.Al) * o.XMg + 5700.0 * (g.XCa + g.XFe) * g.XCa;
  return sum / 206.74;
}

// The two quadratic-in-P Al-in-orthopyroxene barometers.
struct QuadraticConstants {
  double c0, c1, c2, c3, c4, c5, c6, c7, b0, b1, b2, b3, A;
};
inline constexpr QuadraticConstants kQuadratic1990 = {-5510.0, 88.91, 80942.0, 46.7,   247374.0,
                                                      53379.0, 420.4, 565.0,   -0.832, 0.0000878,
                                                      13.45,   10.5,  0.00166};
inline constexpr QuadraticConstants kQuadratic2007 = {4970.0,  84.15, 80941.0, 36.3,   247368.0,
                                                      53385.0, 335.0, 730.0,   -0.533, 0.000162,
                                                      18.25,   3.5,   -0.00072};

inline double quadraticK(const OpxSites& o, const GarnetSites& g) {
  return pow3(1.0 - g.XCa) * g.XAl * g.XAl / (o.AlT * o.FM2 * o.FM2 * o.FM1);
}

inline double quadraticB(double T, const QuadraticConstants& c, const GarnetSites& g) {
  return c.b0 - c.b1 * (T - 298.0) + 9.915 * pow2(g.XCa) - c.b2 * g.XCa * g.XCr +
         c.b3 * g.XFe * g.XCr;
}

inline double quadraticD(double T, const QuadraticConstants& c, const OpxSites& o,
                         const GarnetSites& g) {
  const double R = 8.3143;
  const double K = quadraticK(o, g);
  const double G = -R * T * std::log(K) + c.c0 + c.c1 * T - 19.0 * std::pow(T, 1.2) +
                   (c.c2 - c.c3 * T) * o.XFeM1 * o.XMgM1 + c.c4 * pow2(g.XCa) -
                   c.c5 * g.XCa * g.XFe - (1164000.0 - c.c6 * T) * g.XCa * g.XCr -
                   (c.c7 * T - 1250000.0) * g.XFe * g.XCr;
  return 4.0 * c.A * G / 1000.0 + pow2(quadraticB(T, c, g));
}

inline double quadraticP(double T, const QuadraticConstants& c, const OpxSites& o,
                         const GarnetSites& g) {
  return (-quadraticB(T, c, g) - std::sqrt(quadraticD(T, c, o, g))) / (2.0 * c.A);
}

// Garnet trivalent-site fractions that the formula-based Al exchange
// barometer puts in place of XAl_Gar and XCr_Gar.
inline double garnetXAl(const Cations& gar) { return gar.Al / (gar.Cr + gar.Ti + gar.Al); }
inline double garnetXCr(const Cations& gar) { return gar.Cr / (gar.Cr + gar.Ti + gar.Al); }

// Formula-based Al exchange barometer; g must already hold the garnet
// fractions above.
inline double formulaAlExchangeP(double T, const Cations& opx, const GarnetSites& g) {
  const double a = opx.Al - opx.Na + opx.Cr - 2.0 * opx.Ti;
  const double S = opx.Fe + opx.Mn + opx.Mg + opx.Ca;
  const double XAl = (a / 2.0) / (S + a / 2.0);
  const double XMg = opx.Mg / (S + XAl / 2.0);
  const double XFe = opx.Fe / (S + XAl / 2.0);
  const double W =
      ((1.0 - 2.0 * g.XMg) * g.XCa + 2.0 * (1.0 - g.XMg) * g.XMg) * (3300.0 - 1.5 * T) -
      2.0 * ((74.0 - 0.034 * T) * g.XCa - (3661.0 - 1.718 * T) * g.XFe) * g.XCa * g.XFe +
      (1.0 - 2.0 * g.XMg) * (1507.0 - 0.658 * T) * g.XFe;
  const double N =
      3.0 * g.XCa * W - 2785.0 - 1.869 * T - 5.88 * (T - 970.0 - T * std::log(T / 970.0)) -
      1.987 * T * std::log(pow3(XMg) * XAl / pow3(g.XMg) / pow2(g.XAl)) +
      (29229.0 - 11.88 * T) * (1.0 - g.XMg) * g.XCr - (25575.0 - 10.4 * T) * g.XFe * g.XCr -
      (1.688 * T - 2372.0) * (3.0 - 4.0 * XMg) * XFe +
      1237.0 * (3.0 * XAl + XMg - 4.0 * XMg * XAl) + 6441.0 * (1.0 - 4.0 * XAl) * XFe;
  return N / (329.0 - 142.0 * (pow2(XFe + XMg) + pow2(XAl)));
}

// Cr exchange between orthopyroxene and garnet.
inline double crExchangeK(const Cations& opx, const Cations& gar, const OpxSites& o) {
  const double m = gar.Mg / (gar.Fe + gar.Mg + gar.Ca);
  const double r = gar.Cr / (gar.Cr + gar.Al);
  const double l = gar.Al / (gar.Cr + gar.Al);
  return pow2(l) * pow2(r) * std::pow(m, 6) / (pow2(opx.Cr) * std::pow(o.XMgM2, 4) * pow2(o.XMgM1));
}

inline double crExchangeP(double T, const Cations& opx, const Cations& gar, const OpxSites& o) {
  const double g = gar.Ca / (gar.Fe + gar.Mg + gar.Ca);
  const double r = gar.Cr / (gar.Cr + gar.Al);
  const double l = gar.Al / (gar.Cr + gar.Al);
  const double K = crExchangeK(opx, gar, o);
  return (-1.987 * T * std::log(K) - 14412.0 * pow2(g) + (l - r) * g * (49782.0 - 23.5 * T) +
          23900.0 * pow2(opx.Ca) - 2873.0 - 3.94 * T) /
         (146.0 * pow2(g) - 397.0);
}

// Al2O3-in-orthopyroxene barometers: P = (b - ln(wt%/100)) T / (-d) - a / d.
struct AluminaConstants {
  double a, d, b;
};
inline constexpr AluminaConstants kAlumina1974 = {-3736.0, -97.1, 1.46};
inline constexpr AluminaConstants kAlumina1981 = {-1976.0, -126.3, 0.74};
inline constexpr AluminaConstants kAlumina1980 = {-3473.0, -94.5, 0.94};

inline double aluminaP(double T, double wtAl2O3, const AluminaConstants& c) {
  return (c.b - std::log(wtAl2O3 / 100.0)) * T / (-c.d) - c.a / c.d;
}

}  // namespace mantlept::reference
