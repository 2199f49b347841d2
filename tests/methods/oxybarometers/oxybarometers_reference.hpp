#pragma once
// Double-precision reference values of the oxybarometers, worked from the
// equations of each calibration independently of the program's code. They
// take plain numbers; T in kelvin, P in kbar. Unmet preconditions give 0 and
// values outside the windows of the single-mineral methods give 2000.
#include <cmath>

namespace mantlept::oxyref {

// Cation values of one mineral, per formula unit.
struct Cations {
  double Si = 0, Ti = 0, Al = 0, Cr = 0, Fe = 0, Mn = 0, Mg = 0, Ca = 0, Na = 0, K = 0, Ni = 0,
         Fe3 = 0, Sum = 0;
};

inline double sq(double x) { return x * x; }

// Orthopyroxene Mg fraction in exchange with olivine of Fe fraction xFeOl.
inline double opxMgFraction(double T, double P, double xFeOl) {
  const double PP = 1000.0 * P;
  const double k = 0.0027 * PP / T + (134.0 / T - 0.078);
  const double q = (1.0 - xFeOl) / xFeOl;
  return std::exp(k) * q / (std::exp(k) * q + 1.0);
}

// log10 of the silica activity, with divisor L.
inline double silicaLog(double T, double P, double xFeOl, double L) {
  const double PP = 1000.0 * P;
  const double m = opxMgFraction(T, P, xFeOl);
  return 2.0 * std::log(m) / L + (-(15.68 / T) - 0.165 - (PP / T) * 0.0087) -
         2.0 * std::log(1.0 - xFeOl) / L - sq(xFeOl) * (1413.0 / T);
}

// Olivine Fe fraction estimated from the spinel Fe fraction.
inline double olivineFromSpinel(double T, double P, double xFeSp) {
  double x = xFeSp / 4.5 - (P - 32.0) * 0.00115 - 0.03;
  if (x >= 0.16) x = 0.0;
  x = (x - 0.075) * 0.45 + 0.085;
  return x - (T - 800.0) * (x - 0.06) * 0.000275 + 0.01;
}

inline double oxy1(double T, double P, double xFeOl, double fe3RSp, double xFeSp, double xAl2Sp) {
  if (!(xFeOl > 1e-7 && fe3RSp > 1e-7 && xFeSp > 1e-7)) return 0.0;
  return 2505.0 / T + 0.27 - 40.0 * P / T - 6.0 * std::log(xFeOl) / 2.3 -
         3200.0 * sq(1.0 - xFeOl) / T + 2.0 * std::log(xFeSp) / 2.3 +
         4.0 * std::log(fe3RSp) / 2.3 + 2630.0 * sq(xAl2Sp) / T;
}

inline double oxy2(double T, double P, double xFeOl, double xFeM1Opx, double xFeM2Opx,
                   const Cations& sp) {
  const double G = (346.0 * sp.Mg * sp.Cr + 653.0 * sp.Mg * sp.Al + 199.0 * sp.Cr * sp.Al +
                    299.0 * sq(sp.Cr) + 406.0 * sq(sp.Al)) / T +
                   std::log(sq(sp.Fe3) * sp.Fe / 4.0) / 2.3;
  return 220.0 / T + 0.35 - 36.9 * P / T - 12.0 * std::log(xFeOl) / 2.3 -
         2620.0 * sq(1.0 - xFeOl) / T + 3.0 * std::log(xFeM2Opx * xFeM1Opx) / 2.3 + 2.0 * G;
}

// Olivine-spinel value for an olivine Fe fraction already settled (measured or
// estimated); guards of the silica steps included.
inline double oxy3(double T, double P, double xFeOl, double xFe3Sp, double xFeSp, double xAlSp,
                   double xTiSp) {
  const double PP = 1000.0 * P;
  if (!(opxMgFraction(T, P, xFeOl) > 1e-7 && 1.0 - xFeOl > 1e-7 && xFe3Sp > 1e-7)) return 0.0;
  if (!(xFeOl > 1e-7 && xFeSp > 1e-7)) return 0.0;
  const double V = 4.426 - 1895.0 / T - (PP / T) * 0.037 + 3.0 * silicaLog(T, P, xFeOl, 2.303) -
                   6.0 * std::log(xFeOl) / 2.303 - sq(1.0 - xFeOl) * (4239.0 / T) +
                   4.0 * std::log(xFe3Sp) / 2.303 + 2.0 * std::log(xFeSp) / 2.303 +
                   sq(xAlSp) * (4270.0 / T) + sq(xTiSp) * (4626.0 / T);
  return (V + 0.7) / 1.25 - 0.015 * P;
}

// Olivine-ilmenite value for an olivine Fe fraction already settled.
inline double oxy4(double T, double P, double xFeOl, const Cations& ilm) {
  const double xcr = ilm.Cr / 2.0;
  const double xhem = 1.0 - ilm.Cr / 2.0 - ilm.Ti;
  const double xgk = ilm.Mg;
  const double xilm = 1.0 - xcr - xhem - xgk;
  if (!(xhem > 0.0 && xFeOl > 0.0)) return 0.0;
  const double V = 2.0 * std::log(xhem) / 2.3 + (1611.0 / T + 1.123 - P * 0.057 / T) +
                   2.0 * silicaLog(T, P, xFeOl, 2.3) - (2098.0 / T) * xilm * xgk -
                   (3876.0 / T) * xcr + (3410.0 / T) * xhem - 4.0 * std::log(xFeOl) / 2.3 -
                   (2826.0 / T) * (1.0 - xFeOl) - 1.65;
  return 0.9 * V;
}

struct Oxy5 {
  double value = 0;  // oxygen-fugacity value
  double e = 0;      // garnet ferric excess
  double aFs = 0;    // ferrosilite activity used (the kept one when not set)
};

// Garnet-olivine-orthopyroxene oxybarometer; flagged = clinopyroxene Fe below
// zero; keptAFs is the activity left by an earlier evaluation.
inline Oxy5 oxy5(double T, double P, const Cations& gar, double olFe, const Cations& opx,
                 double feNoGar, bool flagged, double keptAFs) {
  Oxy5 r;
  const double Tk = T + 273.0;
  r.e = gar.Mn + gar.Fe + gar.Mg + gar.Ca - 3.0;
  if (!flagged && r.e <= -0.001) r.e = 0.0;
  const double f = gar.Fe - r.e;
  const double Y = gar.Cr + gar.Al + r.e;
  const double xAnd = r.e / Y, xCr = gar.Cr / Y;
  const double Z = gar.Mg + gar.Ca + f;
  const double xFe = f / Z, xCa = gar.Ca / Z, xMg = gar.Mg / Z;
  const double W = 40200.0 - P * 70.0;
  const double G =
      (((1.0 - xAnd) * xMg - (xMg + xCa) * (1.0 - xAnd)) * W + (xFe - xMg + 1.0) * xCr * 50002.0) /
      8.31 / Tk;
  const double aGar = std::exp(G) * sq(xAnd) * xFe * xFe * xFe;
  double xo = olFe / 2.0;
  if (flagged && xo < 0.05) {
    xo = (gar.Cr * 0.12 / gar.Ca + (T - 1020.0) * 0.00001 + P * 0.000015 + feNoGar / 2.0 +
          0.045) * 0.2 + 0.07;
  }
  const double aFa = std::exp(sq(1.0 - xo) * 3700.0 / 8.31 / Tk) * xo;
  r.aFs = flagged ? xo : keptAFs;
  if (opx.Fe > 1e-7) {
    const double rr = opx.Fe / (opx.Fe + opx.Mg);
    r.aFs = ((1.0 - (opx.Cr + opx.Al) * 0.5 - opx.Ti) * rr + (1.0 - opx.Ca - opx.Na - opx.Mn) * rr) /
            2.0;
  }
  const double B = Tk * 0.00484 + 82.75 - 30681.0 / Tk - std::log10(Tk) * 24.45 - P * 0.002 +
                   P * 94.0 / Tk;
  const double K = 9.79 - 20400.0 / Tk - P * 45.0 / Tk;
  if (!(aGar > 1e-7 && aFa > 1e-7 && r.aFs > 1e-7)) return r;
  const double sum =
      2.0 * std::log10(aGar) + K - 8.0 * std::log10(aFa) - 2.0 * std::log10(r.aFs) - B;
  r.value = flagged ? sum * 0.45 - 1.2 : (sum + 0.9) / 0.5;
  return r;
}

// The clinopyroxene ferric estimate of the single-clinopyroxene method.
inline double cpxFerric(const Cations& cpx) { return cpx.Mg + cpx.Fe + cpx.Mn + cpx.Ca + cpx.Ni - 2.0; }

inline double oxy6(double T, double P, const Cations& cpx) {
  const double f = cpxFerric(cpx);
  double v = 1752.2 * f * f * f - 523.24 * sq(f) + 63.373 * f - 2.9604;
  v = (T - 500.0) * f / 350.0 + v - 0.0012 * sq(P);
  if (!(P > 1e-7)) return 0.0;
  v = std::pow(P, 0.6) * v * 0.0045 - P * f * 0.001;
  return (-6.0 < v && v < 2.0) ? v : 2000.0;
}

inline double oxy7(double T, double P, double xFeOpx, const Cations& opx) {
  double f = opx.Na + 4.0 - 2.0 * opx.Si - opx.Ti - opx.Al - opx.Cr + 0.03;
  if (f > 0.0) f = opx.Fe + opx.Mn + opx.Mg + opx.Ca - 1.97;
  double v = sq(15.0 * xFeOpx) * f * 23.882 - 1.8805;
  v = ((T - 400.0) / 1000.0) * (20.0 * xFeOpx) + v - 0.0175 * P;
  v = (sq(15.0 * xFeOpx) * v - 0.9 * P / 60.0) * 0.9;
  v = (v - 0.5) * 0.75;
  return (-6.0 < v && v < 1.5) ? v : 2000.0;
}

// The garnet ferric excess of the single-garnet method.
inline double garnetExcess8(const Cations& g) {
  return (g.Mn + g.Fe + g.Mg + g.Ca - 1.0 - g.Cr - g.Al - 8.0 + g.Sum) / 3.0;
}

inline double oxy8(double T, double P, const Cations& gar) {
  const double r = garnetExcess8(gar) / gar.Fe;
  double v = 2030.2 * r * r * r - 1011.4 * sq(r) + 190.89 * r - 12.644;
  v = v - 0.00375 * sq(P) + (T - 500.0) / 2000.0;
  v = v / (220.0 - P) * 40.0;
  return (-6.0 < v && v < 1.0) ? v : 2000.0;
}

inline double oxy9(double T, double P, double xFeOl) {
  if (!(opxMgFraction(T, P, xFeOl) > 1e-7 && 1.0 - xFeOl > 1e-7)) return 0.0;
  return std::pow(10.0, silicaLog(T, P, xFeOl, 2.3));
}

}  // namespace mantlept::oxyref
