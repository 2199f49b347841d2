#pragma once
// Double-precision reference forms of the garnet-pyroxene and garnet-olivine
// exchange thermometers, written from the calibration equations and taking
// plain numbers, for comparison with the single-precision methods.
#include <cmath>

namespace mantlept::reference::garnet_exchange {

// Fe-Mg distribution coefficient garnet-orthopyroxene.
inline double kdGarOpx(double feGar, double mgGar, double feOpx, double mgOpx) {
  return (feGar / mgGar) / (feOpx / mgOpx);
}

// Fe-Mg distribution coefficient garnet-clinopyroxene.
inline double kdGarCpx(double feGar, double mgGar, double feCpx, double mgCpx) {
  return (feGar / mgGar) / (feCpx / mgCpx);
}

inline double t20(double xCaGar, double xMnGar, double P, double kdo) {
  return (1215.0 + 1495.0 * (xCaGar + xMnGar) + 17.4 * P) / (std::log(kdo) + 0.732);
}

inline double t24(double xCaGar, double P, double kdc) {
  return (3030.0 + 3104.0 * xCaGar + 10.86 * P) / (std::log(kdc) + 1.9034);
}

inline double t26(double xCaGar, double xFeCpx, double P, double kdc) {
  return (1987.98 + 3648.55 * xCaGar - 1629.0 * xCaGar * xCaGar - 659.0 * (1.0 - xFeCpx) +
          17.66 * P) /
         (std::log(kdc) + 1.076);
}

inline double t27(double xCaGar, double P, double kdo) {
  return (3740.0 + 1400.0 * xCaGar + 22.86 * P) / (1.987 * std::log(kdo) + 1.96);
}

inline double t28(double xFeGar, double xMgGar, double xCaGar, double P, double kdo) {
  return (2713.0 + 195.0 * (xFeGar - xMgGar) + 3300.0 * xCaGar + 22.0 * P) /
         (1.987 * std::log(kdo) + 1.5 * xCaGar + 0.787);
}

inline double t29(double xFeGar, double xMgGar, double xCaGar, double xCrGar, double xMgM1Opx,
                  double xFeM1Opx, double alOpx, double P, double kdo) {
  const double dm = xMgM1Opx - xFeM1Opx;
  const double mix = xFeGar - xMgGar;
  const double numerator =
      xCaGar * (1507.0 * mix + 6600.0 * xMgGar + 7322.0 * xFeGar + 3226.0 * xCaGar) +
      1218.0 * xCrGar + 0.0339 * P + 4776.0 - 2372.0 * dm - alOpx;
  const double denominator =
      xCaGar * (0.658 * mix + 3.0 * xMgGar + 3.44 * xFeGar + 1.466 * xCaGar) +
      1.987 * std::log(kdo) + 0.49 * xCrGar + 2.654 - 1.69 * dm;
  return numerator / denominator;
}

// Mn-Mg garnet-olivine: the ratio R whose logarithm enters the temperature.
// Olivine and garnet cations as analysed; xFeOl is the stored olivine Fe
// fraction used when the olivine lacks Mn or Fe.
inline double r22(double mnOl, double mgOl, double feOl, double xFeOl, double mnGar, double feGar,
                  double mgGar, double caGar) {
  const double xo =
      (mnOl > 1e-07 && feOl > 1e-07) ? mgOl / (mnOl + mgOl + feOl + 1e-05) : 1.0 - xFeOl;
  const double sumGar = mnGar + feGar + mgGar + caGar + 1e-05;
  const double g = mgGar / sumGar - 0.374;
  const double lnH = 460.0 * mnGar / sumGar - 18.7;
  const double lnO = 2153.0 * mnOl / (mnOl + mgOl + feOl + 1e-06) - 14.75;
  const double f = 4.17 * xo * xo - 6.44 * xo + 3.27;
  // f^3 h^2 / o^3 / g^2 with h and o given by their logarithms.
  return std::pow(f, 3) * std::exp(2.0 * lnH - 3.0 * lnO) / (g * g);
}

inline double t22(double P, double r) { return 9.2 * P + 970.0 - 62.0 * std::log(r) + 273.0; }

// Olivine Fe fraction estimated from garnet at inner temperature tin.
inline double xFeOlFromGarnet(double crGar, double caGar, double P, double tio2Gar, double tin,
                              double feNoGar) {
  return 0.0045 * crGar / std::pow(caGar, 0.75) + 0.00075 * (P - 20.0) * tio2Gar +
         0.000075 * (tin - 1100.0) + feNoGar / 2.0 - 0.0075 + 0.000375 * (P - 40.0);
}

// Fe-Mg garnet-olivine with its volume term; xFeOl is the olivine Fe
// fraction after any estimate, tin the inner temperature (the incoming T).
inline double t23(double xFeOl, double feGar, double mgGar, double xMgGar, double xFeGar,
                  double xCaGar, double P, double tin) {
  const double u = tin - 1073.0;
  auto volume = [P, u](double w, double a, double b, double c, double d) {
    return w * (P - a * P * P - b) * (c + d * u);
  };
  const double V = volume(-462.5, 0.000263, 29.76, 1.0191, 0.0000287) +
                   volume(-262.4, 0.00039, 29.65, 1.0292, 0.000045) +
                   volume(454.0, 0.000236, 29.79, 1.02, 0.0000284) +
                   volume(278.3, 0.00045, 29.6, 1.0234, 0.000023);
  const double kd = ((1.0 - xFeOl) / xFeOl) * (feGar / mgGar);
  return ((498.0 + 1.51 * (P - 30.0)) * (1.0 - 2.0 * xFeOl) + V + 902.0 - 98.0 * (xMgGar - xFeGar) +
          1347.0 * xCaGar) /
         (std::log(kd) + 0.357);
}

// Clinopyroxene Fe fraction estimated from garnet at temperature T.
inline double xFeCpxFromGarnet(double feGar, double tio2Gar, double crGar, double caGar, double P,
                               double T, double feNoGar) {
  return 0.0025 * feGar * tio2Gar * (P - 25.0) + 0.012 * crGar / caGar + 0.000015 * (P - 30.0) +
         0.0001 * (T - 1420.0) + feNoGar / 2.0 + 0.013;
}

// Fe-Mg garnet-clinopyroxene from the clinopyroxene Fe fraction: the
// clinopyroxene is taken as Mg = 2(1 - xFeCpx), Fe = 2 xFeCpx.
inline double t25(double xFeCpx, double feGar, double mgGar, double xCaGar, double P) {
  const double kd = kdGarCpx(feGar, mgGar, 2.0 * xFeCpx, 2.0 * (1.0 - xFeCpx));
  return (1879.0 + 6731.0 * xCaGar - 6173.0 * xCaGar * xCaGar + 10.0 * P) / (std::log(kd) + 1.393) -
         50.0;
}

}  // namespace mantlept::reference::garnet_exchange
