#pragma once
// Double-precision reference values of the fixed-temperature and two-pyroxene
// thermometers, worked straight from their equations. They take plain numbers and
// never call the program's own code.
#include <cmath>

namespace mantlept::reference {

// Cations per formula unit of one pyroxene analysis.
struct Pyroxene {
  double Si = 0, Ti = 0, Al = 0, Cr = 0, Fe = 0, Mn = 0, Mg = 0, Ca = 0, Na = 0, K = 0, Ni = 0,
         Fe3 = 0;
};

// Thermometer 1: the starting temperature in kelvin.
inline double fixedTemperature(double startT) { return startT + 273.0; }

// Thermometer 2: the M1 fractions it stores for both pyroxenes, and the temperature.
struct FeMgExchange {
  double fm1Opx, fm2Opx, tk;
};
inline FeMgExchange feMgExchange1977(const Pyroxene& opx, const Pyroxene& cpx, double xMgOpx,
                                     double xMgCpx) {
  const double fm1 = 1.0 - opx.Fe3 - opx.Al / 2.0 - opx.Ti - opx.Cr;
  const double fm2 = 1.0 - cpx.Fe3 - cpx.Al / 2.0 - cpx.Ti - cpx.Cr;
  const double mO = 1.0 - opx.Mn - opx.Ca - opx.Na;
  const double mC = 1.0 - cpx.Mn - cpx.Ca - cpx.Na;
  const double aC = xMgCpx * fm2 * mC;
  const double aO = mO * xMgOpx * fm1;
  return {fm1, fm2, 7341.0 / (3.355 + 2.44 * (1.0 - xMgOpx) - std::log(aC / aO))};
}

// Thermometer 3.
inline double enstatiteExchange1973(const Pyroxene& opx, const Pyroxene& cpx) {
  const double mgC = cpx.Mg / (cpx.Mg + cpx.Fe);
  const double mgO = opx.Mg / (opx.Fe + opx.Mg);
  const double aC = (1.0 - cpx.Na - cpx.Ca - cpx.Mn - cpx.Ni) *
                    (1.0 - cpx.Al - cpx.Ti - cpx.Cr - cpx.Fe3) * mgC * mgC;
  const double aO = (1.0 - 0.5 * opx.Al - opx.Ti - opx.Cr - opx.Fe3) *
                    (1.0 - opx.Na - opx.Ca - opx.Mn - opx.Ni) * mgO * mgO;
  const double xF = opx.Fe / (opx.Fe + opx.Mg);
  return 10202.0 / (4.6 + 7.65 * xF - 3.88 * xF * xF - std::log(aC / aO));
}

// Thermometer 5: the inner iteration from Tin = T, with its final state.
struct InnerIteration {
  bool failed = false;    // K not above 1e-07 at some inner step
  bool finished = false;  // 25 inner steps reached
  double tk = 0, tin = 0;
  int n = 0;
};
inline InnerIteration caExchange1985(double T, double P, const Pyroxene& opx, const Pyroxene& cpx,
                                     double xFeCpx) {
  InnerIteration it;
  const double cO = opx.Ca / (1.0 - opx.Na);
  it.tin = T;
  for (;;) {
    const double w = (it.tin / 1000.0 - 0.77) * xFeCpx + cpx.Ca / (1.0 - cpx.Na);
    const double K = (1.0 - w) / (1.0 - cO);
    if (!(K > 1e-07)) {
      it.failed = true;
      return it;
    }
    it.tk = (36273.0 + 39.9 * P) / (19.31 - 8.3145 * std::log(K) - 12.15 * w * w);
    it.n += 1;
    if (it.n >= 25) {
      it.finished = true;
      return it;
    }
    const double d = std::fabs(it.tk - it.tin);
    it.tin = (it.tin + it.tk) / 2.0;
    if (!(d > 1.0)) return it;
  }
}

// Thermometer 7.
inline double enstatiteSolvus1990(double P, double xCaCpx, double xCaOpx, double xFeCpx,
                                  double xFeOpx) {
  const double lnR = std::log((1.0 - xCaCpx) / (1.0 - xCaOpx));
  return (23664.0 + (24.9 + 126.3 * xFeCpx) * P) / (13.38 + lnR * lnR + 11.59 * xFeOpx);
}

// Thermometer 9.
inline double sodiumPartition1990(double P, double naOpx, double naCpx) {
  const double l = std::log(naOpx / naCpx);
  return (35000.0 + 61.5 * P) / (l * l + 19.8);
}

// Thermometer 10.
inline double sodiumPartition1980(double naCpx, double naOpx) {
  return 7525.0 / (std::log(naCpx / naOpx) + 3.16);
}

// Thermometer 36, in kelvin.
inline double enstatiteDiopside1998(double P, const Pyroxene& opx, const Pyroxene& cpx) {
  const double alIVo = 2.0 - opx.Si;
  const double alIVc = 2.0 - cpx.Si;
  const double alVIo = opx.Al - alIVo;
  const double alVIc = cpx.Al - alIVc;
  const double tO = 1.0 - alIVo / 2.0;
  const double tC = 1.0 - alIVc / 2.0;
  const double aO = (1.0 - alVIo - opx.Cr - opx.Ti) * (1.0 - opx.Ca - opx.Na) * tO * tO;
  const double aC = (1.0 - alVIc - cpx.Cr - cpx.Ti) * (1.0 - cpx.Ca - cpx.Na) * tC * tC;
  const double L = std::log(aO) - std::log(aC);
  return (678.0 * P / 10.0 + 24787.0) /
         (15.67 + 3.69 * cpx.Fe + 14.37 * cpx.Ti - 3.25 * (cpx.Cr + cpx.Al - cpx.Na) + L * L);
}

}  // namespace mantlept::reference
