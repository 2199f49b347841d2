#pragma once
// Double-precision reference values of the single-pyroxene and
// clinopyroxene-liquid thermometers, worked straight from their equations. They
// take plain numbers and never call the program's own code.
#include <array>
#include <cmath>

#include "methods/thermometers/two_pyroxene_reference.hpp"

namespace mantlept::reference {

// Thermometer 8.
inline double caInOpx1990(double P, double caOpx) {
  return (6425.0 + 26.4 * P) / (1.843 - std::log(caOpx));
}

// y = 1 - 2 Ca / (Mg + Ca) of clinopyroxene, read by thermometers 11 and 19.
inline double enstatiteMeasure(double caCpx, double mgCpx) {
  return 1.0 - 2.0 * caCpx / (mgCpx + caCpx);
}

// Thermometer 11.
inline double caMgCpx1986(double P, double caCpx, double mgCpx) {
  return (2116.0 + 0.63 * P) * std::pow(enstatiteMeasure(caCpx, mgCpx), 0.21052632);
}

// Thermometer 13.
inline double caInOpxEnstatite(double caOpx) {
  const double z = 200.0 * caOpx;
  return 812.0 + 163.1 * z - 10.3 * z * z;
}

// Thermometer 18.
inline double caInOpx1975(double caOpx) { return 1085.0 + 8155.0 * caOpx - 3250.0 * caOpx * caOpx; }

// Thermometer 19.
inline double caMgCpx1985(double caCpx, double mgCpx) {
  return 2042.0 * std::pow(enstatiteMeasure(caCpx, mgCpx), 0.1862);
}

// Base temperature Tb of thermometers 38 and 43.
inline double cpxBaseTemperature(double P, const Pyroxene& c) {
  const double a = (1.0 - 0.5 * (c.Na + c.Cr + c.K + c.Al)) * (1.0 - c.Ca - c.Na - c.K);
  const double la = std::log(a);
  return (23166.0 + 39.28 * P) /
         (13.25 + 15.35 * c.Ti + 4.5 * c.Fe - 1.55 * (c.Cr + c.Al - c.Na - c.K) + la * la);
}

// Thermometer 38.
inline double enstatiteInCpx2002(double P, const Pyroxene& c) {
  const double tb = cpxBaseTemperature(P, c);
  return -1e-06 * tb * tb + 0.9575 * tb + 107.01;
}

// Thermometer 43, from the clinopyroxene's wt% MgO, Cr2O3 and Al2O3.
inline double enstatiteInCpxCorrected(double P, const Pyroxene& c, double mgo, double cr2o3,
                                      double al2o3) {
  const double tb = cpxBaseTemperature(P, c);
  double tk = 3.0 * (mgo + cr2o3) + 33.0 * (cr2o3 + al2o3) - 1e-06 * tb * tb + 0.9575 * tb;
  if (tk <= 800.0) tk += 10.0 * (P - 20.0);
  return tk;
}

// A liquid analysis held in the spinel slot: Si, Ti, ..., Fe3, cation total.
using Liquid = std::array<double, 13>;

// Divides positions Ti .. Fe3 by the sum of positions Ti .. total (unless 0).
inline void rescaleLiquid(Liquid& liq) {
  double sum = 0.0;
  for (int k = 1; k <= 12; ++k) sum += liq[static_cast<std::size_t>(k)];
  if (sum == 0.0) return;
  for (int k = 1; k <= 11; ++k) liq[static_cast<std::size_t>(k)] /= sum;
}

// Thermometer 32: rescales the liquid in place, then the temperature.
inline double cpxLiquid1996(const Pyroxene& c, Liquid& liq) {
  rescaleLiquid(liq);
  const double mn = liq[5], ca = liq[7], na = liq[8], k = liq[9], cr = liq[3];
  const double alIV = 2.0 - c.Si;
  const double alVI = c.Al - alIV;
  const double caTs = alVI - c.Na + c.Cr;
  const double caTi = (alIV - caTs) / 2.0;
  const double diHd = c.Ca - caTi - caTs;
  const double q = (mn + ca) * c.Na * na / diHd / k / cr;
  const double m = ca / (mn + ca);
  return 10000.0 / (6.73 - 0.26 * std::log(q) - 0.86 * std::log(m) + 0.52 * std::log(na));
}

}  // namespace mantlept::reference
