#pragma once
// Double-precision reference equations of the nickel and single-garnet
// thermometers, written from the equations alone (no production code). They
// take plain numbers and return the temperature in kelvin that the method keeps
// as TK; the tests of each method are checked separately.
#include <cmath>

namespace mantlept::reference {

// Ni-in-garnet on the garnet Ni in ppm (7858 ppm per wt% NiO), with its
// pressure terms.
inline double niGarnetPpmTK(double nioGar, double P) {
  const double N = 7858.0 * nioGar;
  double tk = 1000.0 / (1.506 - 0.189 * std::log(N)) + 150.0 * P / 60.0 - 50.0;
  if (P >= 60.0) tk += 10.0 * (P - 60.0);
  return tk;
}

// Ni-in-garnet on the Ni cation amount of garnet.
inline double niInGarnetTK(double niGar) {
  return 1000.0 / (0.83 - 0.435 * std::log(1000.0 * niGar / 3.0));
}

// Garnet/olivine NiO partition (wt%).
inline double niGarnetOlivineTK(double nioGar, double nioOl) {
  return 8772.0 / (2.53 - std::log(nioGar / nioOl));
}

// Garnet/olivine Ni-Mg exchange on cations: D = (Ni/Mg of garnet) / (Ni/Mg of olivine).
inline double niMgGarnetOlivineTK(double niGar, double mgGar, double niOl, double mgOl) {
  const double D = (niGar / mgGar) / (niOl / mgOl);
  return 10000.0 / (5.0495 - 0.807 * std::log(D));
}

// The three garnet-only polynomials, on raw garnet oxide wt% and P in kbar.
struct GarnetOxides {
  double TiO2, Al2O3, FeO, MnO, MgO, CaO, Na2O;
};

inline double garnetPolynomialCrTK(const GarnetOxides& g, double P) {
  const double S = g.MgO + g.CaO;
  const double R = g.TiO2 / (g.FeO * g.Al2O3 * S * S);
  const double y = std::log(g.MgO * R) / P;
  const double Tb = 5272.5 * y * y * y + 10265.0 * y * y + 6472.0 * y + 2053.8;
  return (Tb - 725.0) * 1.15 + 925.0;
}

inline double garnetPolynomialMnNaTK(const GarnetOxides& g, double P) {
  const double S = g.MgO + g.CaO;
  const double R = g.MnO * g.Na2O * g.TiO2 / (g.FeO * g.Al2O3 * S);
  const double y = std::log(R) / P;
  const double Tb = 362.05 * y * y * y + 1880.4 * y * y + 2659.6 * y + 1695.5;
  const double A = (Tb - 800.0) * 1.35 + 1023.0;
  return A - (A - 1500.0) * 100.0 / 675.0 + 10.0 * g.TiO2 + 200.0 * std::fabs(1223.0 - A) / A;
}

inline double garnetPolynomialMgTiTK(const GarnetOxides& g, double P) {
  const double S = g.MgO + g.CaO;
  const double R = std::sqrt(g.MgO) * g.TiO2 / (g.FeO * S * g.Al2O3);
  const double y = std::log(R) / P;
  const double Tb = 3138.0 * y * y + 3607.0 * y + 1973.0;
  return Tb - (Tb - 1750.0) * 100.0 / 700.0 + 5.0 * g.TiO2 - 75.0 +
         200.0 * std::fabs(1223.0 - Tb) / Tb;
}

}  // namespace mantlept::reference
