#pragma once
// Double-precision reference forms of the spinel, ilmenite and olivine
// thermometers, written from the calibration equations on plain numbers.
// Temperatures in kelvin, pressures in kbar.
#include <cmath>

namespace mantlept::reference {

// Ilmenite components from the ilmenite cations.
struct IlmeniteComponents {
  double cr, hm, gk, il;
};

inline IlmeniteComponents ilmeniteComponents(double crIlm, double tiIlm, double mnIlm,
                                             double mgIlm) {
  IlmeniteComponents c{};
  c.cr = crIlm / 2.0;
  c.hm = 1.0 - crIlm / 2.0 - tiIlm + mnIlm;
  c.gk = mgIlm;
  c.il = 1.0 - c.cr - c.hm - c.gk;
  return c;
}

// Ilmenite-olivine exchange temperature term E for olivine Fe fraction xo.
inline double ilmeniteOlivineTerm(const IlmeniteComponents& c, double xo, double p) {
  const double w = 0.011 * (c.gk - c.il) - 0.047 + 0.015 * (2.0 * xo - 1.0);
  const double k = (1.0 - xo) * c.il / (c.gk * xo);
  const double pb = 1000.0 * p;
  return (3785.0 * (2.0 * xo - 1.0) + 2830.0 * (c.gk - c.il) + w * pb - 13715.0 - 19560.0 * c.hm -
          7840.0 * c.cr + 45122.0 * c.hm * c.cr) /
         (2.231 - 8.3143 * std::log(k));
}

// Olivine Fe fraction of the Mg-rich ilmenite thermometer from pressure
// (ilmenite with less than 2.1 wt% Cr2O3).
inline double olivineFromPressureIlm(double p) { return 0.00075 * p + 0.08; }

// The same from the ilmenite FeO/MgO and temperature (2.1 wt% Cr2O3 or more).
inline double olivineFromIlmeniteFeMg(double feoIlm, double mgoIlm, double t) {
  return (0.0236 * feoIlm / mgoIlm + 0.0482) * (1.65 - 0.0008 * t);
}

// First olivine estimate of the Fe-rich ilmenite thermometer.
inline double olivineFirstEstimateFeRich(double feIlm, double mgIlm, double p, double t) {
  const double r = feIlm / (feIlm + mgIlm);
  return (r - 0.35) / 2.25 - 0.0000255 * (t - 1050.0) - 0.002 * (p - 60.0);
}

// The rest of the Fe-rich ilmenite olivine estimate, from a first estimate.
inline double olivineFromFirstEstimate(double x) {
  if (x <= 0.035) x += 0.025;
  if (x <= 0.0) x += 0.055;
  x = 0.1027 * std::log(x) + 0.335;
  x = x + 0.25 * (0.18 - x);
  if (x <= 0.035) x += 0.3;
  return x;
}

// Fe-rich ilmenite temperature from E and the corrections.
inline double feRichIlmeniteTemperature(double e, double hm, double feIlm, double tiIlm, double p) {
  double tk = e - 10.0 * (25.0 - p) - 250.0 + 400.0 * hm;
  if (tk >= 1523.0 + 4.0 * (p - 40.0)) tk -= 100.0 * feIlm;
  if (tk <= 1053.0 + 5.0 * (p - 40.0)) tk += 100.0 * tiIlm;
  return 0.945 * tk;
}

// Spinel ferric iron recast from the trivalent site.
inline double spinelFerric(double alSp, double crSp, double tiSp) {
  return 2.0 - alSp - crSp - 2.0 * tiSp;
}

// Spinel cations used by the spinel-olivine exchange.
struct SpinelCations {
  double ti, al, cr, fe, mg;
};

// Spinel-olivine exchange quotient Q (uses the recast ferric iron).
inline double spinelOlivineQ(const SpinelCations& sp, double crNo, double xo, double p) {
  const double fe3 = spinelFerric(sp.al, sp.cr, sp.ti);
  const double kd = sp.fe * (1.0 - xo) / sp.mg / xo;
  return ((1.0 - 2.0 * xo) * (5000.0 + 10.8 * p) + 28.0 * p + 6530.0 -
          1960.0 * (sp.mg - sp.fe) * (sp.ti + 1.0) + 25150.0 * (sp.ti / 2.0 + fe3) +
          18620.0 * crNo) /
         (8.31441 * std::log(kd) + 4.705);
}

// Olivine estimate of the spinel-olivine thermometer that starts from XFe_Sp.
inline double olivineFromSpinel(double xFeSp, double tiSp, double p, double t) {
  double xo = xFeSp / 4.5 - 0.00115 * (p - 32.0) - 0.03;
  xo = 0.45 * (xo - 0.075) + 0.085;
  return xo - 0.000025 * (xo - 0.01) * (t - 1023.0) + 0.05 * tiSp;
}

// Spinel-olivine exchange from spinel site fractions, olivine from pressure.
inline double spinelSiteExchangeTemperature(double xFeOl, double xFeSp, double xFe3Sp, double xTiSp,
                                            double xCrSp, double p) {
  const double k = (1.0 - xFeOl) * xFeSp / xFeOl / (1.0 - xFeSp);
  const double pb = 1000.0 * p;
  return ((1.0 - 2.0 * xFeOl) * (7000.0 + 0.011 * pb) + 0.022 * pb + 15180.0 -
          2515.0 * (1.0 - 2.0 * xFeSp) + 20390.0 * (xFe3Sp + xTiSp) + 15550.0 * xCrSp) /
             (8.3143 * std::log(k) + 9.953) -
         100.0;
}

// Al-exchange quotient Qa of orthopyroxene M1, olivine and spinel.
inline double alExchangeQuotient(double feOl, double mgOl, double alM1Opx, double xAl2Sp,
                                 double mgSp, double xMgM1Opx) {
  const double xf = feOl / (mgOl + feOl);
  return (1.0 - xf) * (1.0 - xf) * alM1Opx / (xAl2Sp * xAl2Sp) / mgSp / xMgM1Opx;
}

inline double alExchangeLinearTemperature(double qa, double crNo) {
  return 400.0 * (std::log(qa) + 4.59 - 1.552 * crNo) + 273.0;
}

// Al-exchange temperature iterated on its own inner temperature.
struct AlExchangeIteration {
  double tk;    // last temperature
  double tin;   // inner temperature left behind
  int n;        // steps taken
  bool finish;  // ran out of steps
};

inline AlExchangeIteration alExchangeIterated(double qa, double xs, double crNo, double p, double t) {
  AlExchangeIteration it{0.0, t, 0, false};
  for (;;) {
    it.tk = 3857.0 * qa * std::exp(-((4500.0 * xs + 5400.0 * crNo) * crNo / 1.987) / it.tin) + p +
            716.0;
    ++it.n;
    if (it.n >= 25) {
      it.finish = true;
      return it;
    }
    const double d = std::fabs(it.tk - it.tin);
    it.tin = it.tk;
    if (d <= 1.0) return it;
  }
}

// Orthopyroxene-spinel Cr-Al exchange.
struct CrAlInputs {
  double alM1Opx, xCrM1Opx, xFeM1Opx, xMgM1Opx, xFeOpx, crOpx, alOpx;
  double xCrSp, xAlSp, xFeSp;
};

inline double opxSpinelCrAlTemperature(const CrAlInputs& v, double p) {
  const double k = v.alM1Opx * v.xCrSp / v.xCrM1Opx / v.xAlSp;
  return (5584.0 - 541.0 * v.xFeOpx - 2406.0 * (3.0 * v.crOpx - v.alOpx) +
          1949.0 * (1.41 - v.xCrSp) * v.xCrSp + 0.00192 * p + 1224.0 * v.xFeSp +
          878.0 * v.xFeM1Opx + 675.0 * v.xMgM1Opx) /
         (std::log(k) + 4.456 - 0.233 * v.xFeSp);
}

// Trace elements in olivine, ppm, from oxide wt%.
inline double olivineAlPpm(double al2o3) { return 230000.0 * al2o3 / 39.0; }
inline double olivineCrPpm(double cr2o3) { return 1040000.0 * cr2o3 / 152.0; }

inline double olivineCrAlTemperature(double al2o3, double cr2o3, double p) {
  const double al = olivineAlPpm(al2o3);
  const double cr = olivineCrPpm(cr2o3);
  return (9423.0 + 51.4 * p + 1860.0 * cr / (cr + al)) / (13.409 - std::log(al));
}

inline double olivineAlTemperature(double al2o3, double p) {
  return (11959.0 + 55.6 * p) / (14.53 - std::log(olivineAlPpm(al2o3)));
}

inline double olivineCaTemperature(double cao, double p) {
  return (10539.0 + 79.8 * p) / (15.45 - std::log(10000.0 * cao));
}

}  // namespace mantlept::reference
