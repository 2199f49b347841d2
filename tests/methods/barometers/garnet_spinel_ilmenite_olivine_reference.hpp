#pragma once
// Double-precision reference values of the garnet, spinel, ilmenite and olivine
// barometers, worked from the calibration equations on plain numbers. They
// share nothing with the program's single-precision code.
#include <cmath>

namespace mantlept::reference {

// What a barometer leaves behind: whether it completed, and the pressure then
// in P (the incoming one when nothing was assigned).
struct Pressure {
  bool complete;
  double P;
};

// Cr-in-chromite, first estimate and the correction at 30 kbar and above.
inline double chromiteFirstP(double T, double crNo, double ti) {
  const double x = T * crNo / 14.75 + 5.0 * ti;
  return -0.0053 * x * x + 0.054 * ti * T + 1.13 * x - 1.1940999;
}
inline double chromiteCorrection(double P) { return 0.03125 * P * P - 1.275 * P + 32.0; }
inline double chromiteP(double T, double crNo, double ti) {
  const double P = chromiteFirstP(T, crNo, ti);
  return P >= 30.0 ? chromiteCorrection(P) : P;
}

// High-temperature chromite barometer: x before its low-x rescaling, and the
// pressure from the (rescaled) x.
inline double hotChromiteX(double T, double crNo, double ti) {
  return 0.893 * (T * crNo / 14.0 + 0.1 * ti);
}
inline double hotChromitePFromX(double x, double T, double ti, double mg) {
  double P = -0.0053 * x * x + 0.047250003 * ti * T + 1.1292 * x - 1.1940999;
  if (P >= 56.0) P = 6.0 * P - 280.0;
  if (P >= 68.0) P = 68.0 + 2.0 * mg * std::log(P - 68.0);
  return P;
}
inline double hotChromiteP(double T, double crNo, double ti, double mg) {
  double x = hotChromiteX(T, crNo, ti);
  if (x <= 32.0) x = 1.5 * x - 5.0;
  return hotChromitePFromX(x, T, ti, mg);
}

// Garnet cations used by the single-garnet Cr barometer.
struct GarnetCations {
  double Al, Cr, Fe, Mg, Ca;
};

// Cr-in-garnet pressure from the garnet alone, with the modelled coexisting
// orthopyroxene at theta = T + 273 and the incoming pressure.
inline double garnetOnlyCrP(const GarnetCations& c, double xCaGar, double T, double Pin) {
  const double th = T + 273.0;
  const double k =
      std::exp((22.86 * Pin + 1400.0 * xCaGar + 3740.0) / (1.987 * th) - 0.986) * c.Mg / c.Fe;
  const double s1 = k / (1.0 + k);
  const double e = std::exp(1.843 - (26.4 * Pin + 6425.0) / th);
  const double h = c.Ca / e;
  const double s2 = c.Ca / (h * std::exp(0.000738 * th + 0.0236 * Pin - 1.27 -
                                         0.577 * c.Cr / (c.Ca + 0.02) + 1.79 * c.Ca));
  const double s3 = 0.0115 * std::exp(0.0031 * th - 0.01 * Pin + 0.17 * e - 2.71);
  const double d = th - 243.0 - 15.0 * Pin;
  const double s4 = (1.0 + (1.0 - s1) / 3.0) * d / (1.04 * d + 4500.0) - s3;
  const double s5 = s1 * (1.0 - s2);
  const double s6 = s1 * (1.0 - s4 - s3);
  const double sum = c.Fe + c.Mg + c.Ca;
  const double g = c.Ca / sum, m = c.Mg / sum;
  const double r = c.Cr / (c.Cr + c.Al), l = c.Al / (c.Cr + c.Al);
  const double K =
      std::pow(l * r, 2) * std::pow(m, 6) / (std::pow(s6, 2) * std::pow(s5, 4) * std::pow(s3, 2));
  return (-1.987 * th * std::log(K) - 14412.0 * g * g + (l - r) * g * (49782.0 - 23.5 * th) +
          23900.0 * s2 * s2 - 2873.0 - 3.94 * th) /
         (146.0 * g * g - 397.0);
}

// Al-in-spinel barometer.
inline double spinelAlP(double xAl2) {
  return 16.0 - 23.012 * (std::log(xAl2) + (1.0 - xAl2) * (1.0 - xAl2));
}

// The garnet analysis read by the Cr-in-garnet barometers: oxide wt%, the
// cations they use and two garnet site parameters.
struct Garnet {
  double Cr2O3, CaO, MgO, FeO, MnO, Na2O, TiO2, Al2O3;
  double Ti, Ca, Cr, Fe, Mg;
  double Ex1, FeNo;
};

inline double garnetBase(const Garnet& g) {
  return 40.0 + (g.Cr2O3 - 4.5) * 10.0 / 3.0 - 2.0 * g.CaO;
}

// Cr-Ca-in-garnet barometer: the Cr-rich and the ordinary expression.
inline double crCaGarnetHigh(const Garnet& g, double T) {
  return garnetBase(g) + 0.025 * (7.0 - g.CaO) * g.Cr2O3 * T / 1273.0;
}
inline double crCaGarnetLow(const Garnet& g, double T) {
  const double P =
      garnetBase(g) + 0.000055 * g.MgO * g.CaO * (T - 273.0) + 2.45 * (7.0 - g.CaO) * g.Cr2O3;
  return P >= 55.0 ? 55.0 + 9.0 * std::log(P - 55.0) : P;
}
inline double crCaGarnetP(const Garnet& g, double T) {
  return g.Cr2O3 > 0.94 * g.CaO + 3.0 ? crCaGarnetHigh(g, T) : crCaGarnetLow(g, T);
}

// Oxide Cr-in-garnet barometer from its first step on. `Pin` is what P held
// before this barometer assigned anything.
inline double garnetCrQ(const Garnet& g, double T) {
  const double E = std::pow(2.0 * g.FeO + g.MnO + g.CaO, 0.4);
  return (20.0 * g.Ex1 + g.Cr2O3) * 5.25 / E + g.MgO / 20.0 + 0.5 * g.CaO + 22.5 * g.Na2O +
         0.02 * (T - 273.0) - g.TiO2 - 12.0 + g.FeO / 7.0;
}
inline double garnetCrFirstP(const Garnet& g, double T) {
  const double x = 2.206 * garnetCrQ(g, T);
  const double y = 0.85 * x + 0.0057 * x * x - 0.00007 * x * x * x;
  return g.MgO / g.FeO + 5.5 * g.Na2O + y - 0.9 * (4.0 - g.Cr2O3) - 7.0 * (g.TiO2 - 0.1) -
         2.0 * (g.FeO - 7.0) + 100.0 * g.Ti;
}
inline double garnetCrSecondP(const Garnet& g, double T) {
  const double x = 2.05 * garnetCrQ(g, T);
  const double y = 0.87 * x + 0.0057 * x * x - 0.00007 * x * x * x;
  const double w = g.MgO / g.FeO + 5.5 * g.Na2O + y - 0.9 * (4.0 - g.Cr2O3) -
                   10.0 * (g.TiO2 - 0.1) - 2.0 * (g.FeO - 7.0);
  return 0.485 / g.Ca * T / 1050.0 + 200.0 * g.Ti + 0.83 * w;
}
inline Pressure garnetCrSteps(const Garnet& g, double T) {
  const double p1 = garnetCrFirstP(g, T);
  if (p1 <= 10.0) return {false, p1};
  if (p1 <= 40.0) return {true, p1};
  const double p2 = garnetCrSecondP(g, T);
  if (p2 <= 35.0) return {true, p2};
  const double W = g.Cr2O3 * g.FeO * g.MgO * g.TiO2 * (T - 1050.0) / (g.CaO * 7000.0);
  const double U = 0.000045 * (T - 790.0) + g.FeNo / 2.0 - 0.022;
  return {true, p2 + 5.0 * U * W};
}
inline Pressure garnetCrP(const Garnet& g, double T, double Pin) {
  if (!(g.Cr2O3 > 0.15)) return {false, Pin};
  return garnetCrSteps(g, T);
}

// Linear Cr-in-garnet estimate and its refinement (before the hand-over at 55).
inline double garnetCrLinearP(const Garnet& g, double T) {
  return 4.0 + 0.0135 * (T - 273.0) + 4.975 * g.Cr2O3;
}
inline double garnetCrRefinedP(const Garnet& g, double T) {
  const double E = std::pow(2.0 * g.FeO + g.MnO + g.CaO, 0.4);
  return 1.75 * ((20.0 * g.Ex1 + g.Cr2O3) * 5.25 / E + g.MgO / 22.0 + 0.5 * g.CaO + 22.5 * g.Na2O +
                 0.02 * (T - 273.0) - g.TiO2 - 12.0 + g.FeO / 7.0);
}
inline Pressure garnetCrLinearThenRefined(const Garnet& g, double T, double Pin) {
  if (!(g.Cr2O3 > 0.0)) return {false, Pin};
  if (!(2.0 * g.FeO + g.MnO + g.CaO > 0.0)) return {false, garnetCrLinearP(g, T)};
  const double p = garnetCrRefinedP(g, T);
  return p < 55.0 ? Pressure{true, p} : garnetCrSteps(g, T);
}

// Cation Cr-in-garnet barometer: X and its pressure before the branches.
inline double garnetCationX(const Garnet& g, double T) {
  const double V = g.Cr / (g.Ca * g.Fe * g.Mg * 500.0);
  const double W = 1.0 / (16.0 + 3.875 * g.Ca * (std::exp(std::sqrt(g.Cr) / g.Ca) - 0.3)) - V;
  const double X =
      W * 24.64 * std::pow(g.Ca, 0.2) / (3.0 * std::sqrt(g.Cr)) + (T - 500.0) * g.Fe / 90.0;
  return X * 850.0 / (T - 550.0) - 2.25 * std::log(g.Mg - 1.5);
}
inline double garnetCationFirstP(const Garnet& g, double T) {
  return (1.46 - std::log(garnetCationX(g, T) / 100.0)) * T / 97.1 - 38.4758;
}
inline double garnetCationLowP(const Garnet& g, double T) {
  const double P = garnetBase(g) + 0.00007 * g.MgO * g.CaO * (T - 273.0) +
                   2.45 * (7.0 - g.CaO) * g.Cr2O3 - 0.5 * g.FeO;
  return P >= 55.0 ? 55.0 + 7.0 * std::log(P - 55.0) : P;
}
inline Pressure garnetCationP(const Garnet& g, double T, double Pin) {
  if (!(g.Al2O3 > 0.1 && g.Cr2O3 > 0.15 && g.Mg > 1.5)) return {false, Pin};
  if (!(g.Cr / g.Ca - 0.1 > 0.001) || !(T > 550.0)) return {false, Pin};
  if (g.CaO <= 4.0 || g.Cr2O3 >= 7.0) return garnetCrP(g, T, Pin);
  if (!(garnetCationX(g, T) > 0.01)) return {false, Pin};
  const double P = garnetCationFirstP(g, T);
  if (P > 80.0) return {true, garnetBase(g) + g.Cr2O3 / 4.0};
  if (P > 35.0) return {true, P};
  return {true, garnetCationLowP(g, T)};
}

// Ilmenite barometers: on cations, and on oxides with the incoming pressure.
inline Pressure ilmeniteCationP(double mgo, double ti, double mg, double cr, double mn, double T,
                                double Pin) {
  if (!(mgo > 2.0 && ti > 0.0)) return {false, Pin};
  const double P = 0.84 * (60.0 * T * ti / (2550.0 * mg) - 0.35 * cr * mg * (T - 800.0) -
                           1.5 * mn * T + 147.2 * mg - 60.4);
  return {P > 1e-07, P};
}
inline Pressure ilmeniteOxideP(double tio2, double mgo, double mno, double ti, double cr, double T,
                               double Pin) {
  if (!(mgo > 1.5 && ti > 0.0)) return {false, Pin};
  const double x =
      (2.15 * (tio2 - 23.5) - (T - 750.0) / 20.0 * cr * mgo - 1.45 * mno) * T / 1273.0 -
      0.01 * T / (Pin - 1.0);
  const double P = x + (60.0 - x) / 6.2;
  return {P > 1e-07, P};
}

// Ca-in-olivine barometer: the high- and low-temperature calibrations.
inline double caOlivineHighT(double caOl, double T) {
  return (14.4 * T - 81730.0 - 8.315 * T * std::log(caOl)) / 432.0;
}
inline double caOlivineLowT(double caOl, double T) {
  return -(8.315 * T * std::log(caOl) + 48400.0 + 10.2 * T) / 410.0;
}
inline double caOlivineP(double caOl, double T) {
  return T >= 1373.0 ? caOlivineHighT(caOl, T) : caOlivineLowT(caOl, T);
}

// Trace elements in olivine (arguments in wt%, used as ppm).
inline double alOlivineP(double al2o3, double cr2o3, double T) {
  const double a = 1e4 * al2o3, q = 1e4 * cr2o3;
  return ((13.409 - 2.0 * std::log(a)) * T - 9423.0 - 1860.0 * q / (q + a)) / 55.6;
}
inline double crOlivineP(double al2o3, double cr2o3, double T) {
  const double a = 1e4 * al2o3, q = 1e4 * cr2o3;
  return ((14.53 - std::log(q)) * T - 13444.0 + 4678.0 * q / (q + a)) / 48.5;
}
inline double caOlivinePpmP(double cao, double T) {
  return ((15.45 - std::log(1e4 * cao)) * T - 10539.0) / 79.8;
}
inline double caOlivineRatioP(double caOl, double caCpx, double T) {
  return ((1.6 - std::log(caOl / caCpx)) * T - 7335.0) / 66.9;
}

}  // namespace mantlept::reference
