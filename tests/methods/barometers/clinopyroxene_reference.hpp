#pragma once
// Double-precision reference forms of the clinopyroxene barometers, written
// from the equations on plain numbers, for comparison with the single-
// precision methods. Each returns the outcome kind and, when set, the
// pressure in kbar; "unchanged" returns the incoming pressure.
#include <array>
#include <cmath>

namespace mantlept::reference {

enum class Kind { Set, Unchanged, NotComplete };

struct CpxPressure {
  Kind kind;
  double P;
};

// Test thresholds are single-precision constants: compare with their float
// values (1e-07f lies above the double 1e-07).
constexpr double f32(double x) { return static_cast<double>(static_cast<float>(x)); }

inline CpxPressure set(double P) {
  return std::isfinite(P) ? CpxPressure{Kind::Set, P} : CpxPressure{Kind::NotComplete, 0.0};
}
inline CpxPressure notComplete() { return {Kind::NotComplete, 0.0}; }

// Clinopyroxene cations per formula unit used by the jadeite barometers, with
// the ferric iron Fe3_Cpx of the site parameters.
struct CpxCations {
  double Si, Ti, Al, Cr, Fe, Mg, Ca, Na, K, Fe3Cpx;
};

// Clinopyroxene oxides (wt%) that route and screen the jadeite barometers.
struct CpxOxides {
  double Al2O3, Cr2O3, FeO, CaO, Na2O;
};

// Barometer 6 computes nothing.
inline CpxPressure barometer6(double siCpx, double siGar, double Pin) {
  if (siCpx > f32(1e-07) && siGar > f32(1e-07)) return notComplete();
  return {Kind::Unchanged, Pin};
}

// Ca in olivine over Ca in clinopyroxene; TK chooses the branch, T enters it.
inline CpxPressure barometer20(double caOl, double caCpx, double T, double Pin, double TK) {
  if (!(caOl > f32(1e-05)) || !(caCpx > f32(1e-05))) return notComplete();
  const double D = caOl / caCpx;
  if (!(D > f32(1e-05))) return notComplete();
  if (2.827 * Pin + 1275.25 > TK) return set((-(T * std::log(D)) - 5792.0 - 1.25 * T) / 42.5);
  return set((-(T * std::log(D)) - 11982.0 + 3.61 * T) / 56.2);
}

// Ca exchange between clinopyroxene and garnet.
inline CpxPressure barometer21(double siCpx, double siGar, double caCpx, double xCaGar, double T) {
  if (!(siCpx > f32(1e-07)) || !(siGar > f32(1e-07))) return notComplete();
  const double K = (1.0 - caCpx) * xCaGar / caCpx / (1.0 - xCaGar);
  if (!(K > f32(1e-07)) || !std::isfinite(K)) return notComplete();
  const double w = 2.0 * caCpx - 1.0;
  const double v = 1.0 - 2.0 * xCaGar;
  const double N = 0.08315 * T * std::log(K) + 3.0 * w * (1.322 * T + 5019.0) + 7206.0 * v;
  return set(-3.0 * N / (83.65 - 36.66 * w + 73.11 * v));
}

// One rescaling of the liquid cation formula: positions Ti..Fe3 (1..11) over
// the sum of positions Ti..total (1..12); Si and the total are kept.
inline std::array<double, 13> rescaleLiquid(std::array<double, 13> c) {
  double S = 0.0;
  for (int k = 1; k <= 12; ++k) S += c[k];
  if (S != 0.0)
    for (int k = 1; k <= 11; ++k) c[k] /= S;
  return c;
}

// Liquid-clinopyroxene pressure from the rescaled liquid values Ti, K, Cr.
inline CpxPressure barometer23(double naCpx, double ti, double k, double cr, double T) {
  const double Q = naCpx / (ti * ti * k * cr);
  if (!(Q > f32(1e-07)) || !(ti > f32(1e-07))) return notComplete();
  return set(std::log(Q) * (36.4 * T / 10000.0) + 367.0 * cr * k + 299.0 * T / 10000.0 - 54.3);
}

// Cr-in-clinopyroxene, capped at 81.5 kbar.
inline CpxPressure barometer30(double si, double cr, double al, double na, double k, double T) {
  if (!(si > f32(1e-07))) return notComplete();
  const double crNo = cr / (cr + al);
  if (!(crNo > f32(1e-07)) || !(T > f32(1e-07))) return notComplete();
  const double a = cr - 0.81 * crNo * (na + k);
  if (!(a > f32(1e-07))) return notComplete();
  const double P = -(T / 126.9) * std::log(a) + 15.483 * std::log(crNo / T) + T / 71.38 + 107.8;
  if (!std::isfinite(P)) return notComplete();
  return {Kind::Set, P >= f32(81.5) ? 81.5 : P};
}

// Jadeite component (Na / G) * Mg / Ca, with NaN standing for a failed guard.
inline double jadeite(const CpxCations& c, double G, double T) {
  if (!(c.Na > f32(1e-07)) || !(G > f32(1e-07)) || !(T > f32(1e-07))) return NAN;
  if (!std::isfinite(G)) return NAN;
  return c.Na / G * c.Mg / c.Ca;
}

inline double cubicFinish(double x, double k, double q, double s, double f) {
  return (k * x * x * x - q * x * x + s * x) * f;
}

inline bool eclogiteOxides(const CpxOxides& o) {
  return o.Na2O > f32(0.01) && o.CaO > f32(5.0) && o.Al2O3 > f32(0.03);
}

// Eclogite jadeite barometer (highIron false) and its high-iron variant.
inline CpxPressure eclogiteJadeite(const CpxOxides& o, const CpxCations& c, double T, bool highIron) {
  if (!eclogiteOxides(o)) return notComplete();
  const double G = 0.75 * (c.Fe - 0.2) + 4.0 * c.Ti + c.Cr + c.K + c.Al;
  const double Jd = jadeite(c, G, T);
  if (!std::isfinite(Jd)) return notComplete();
  const double L = std::log(1273.0 / T);
  const double head = (1.0 - 0.215 * c.Na / c.Al + 0.012 * c.Fe / c.Na) * std::pow(T, 0.75) * Jd *
                          0.35 / (5.0 * c.Fe + 1.0) -
                      35.0 * (2.5 * c.Na + c.Ti + c.Al + 1.5 * c.Fe3Cpx) * L;
  if (highIron) {
    const double x = head + (c.Na / c.Al) * T / 200.0 + 10.0 * (0.9 - c.Ca) - 1.5;
    return set(cubicFinish(x, 0.00004, 0.0091, 1.3936, 1.05));
  }
  const double x = head + (c.Na / c.Al) * T / 175.0 + 15.0 * (0.9 - c.Ca);
  return set(cubicFinish(x, 0.00004, 0.0091, 1.3936, 1.025));
}

// Peridotite jadeite barometer without routing (31: h 700, j 0.033; 32: h
// 650, j 0.0315).
inline CpxPressure peridotiteJadeite(const CpxCations& c, double T, double Pin, double h, double j) {
  if (T - 600.0 <= 0.0) return {Kind::Unchanged, Pin};
  const double F = (T - 600.0) * c.Fe / 800.0;
  const double G = std::pow((T - 600.0) / 700.0, 0.75) * (c.Al - 0.01) +
                   (c.Fe - 0.23) * (T - 900.0) / 10000.0 + h * (4.0 * c.Ti - 0.0125) / (T - 800.0) +
                   (T - 100.0) * c.Cr / 900.0 - c.K;
  const double Jd = jadeite(c, G, T);
  if (!std::isfinite(Jd)) return notComplete();
  const double L = std::log(1273.0 / T);
  return set(j * T * Jd / (2.35 * c.Fe + F + 1.0) -
             40.0 * (7.0 * c.Na - c.Al - 15.0 * c.Ti + 10.0 * c.Cr + c.Mg / 4.0) * L + 7.5 * c.Si -
             20.0 * c.Na * c.Al / c.Ca * c.Mg / (c.Al - 2.0 * c.Ti + c.Na - 2.0 * c.Fe3Cpx) +
             50.0 *
                 (0.2 * c.Al + c.Na - 2.0 * c.Ti + 0.05 * c.Mg - 0.22 * c.Ca - 0.7 * c.Na / c.Ca));
}

inline bool eclogiteRoute(const CpxOxides& o, const CpxCations& c) {
  return o.FeO >= f32(4.0) && o.Cr2O3 <= f32(0.3) && c.Na / c.Al >= f32(1.0);
}
inline bool highIronRoute(const CpxOxides& o) {
  return o.FeO >= f32(4.6) && o.Al2O3 >= f32(4.5) && o.Na2O >= f32(2.5);
}

inline CpxPressure barometer31(const CpxOxides& o, const CpxCations& c, double T, double Pin) {
  if (!(c.Si > f32(1e-07))) return notComplete();
  if (eclogiteRoute(o, c)) return eclogiteJadeite(o, c, T, false);
  if (highIronRoute(o)) return eclogiteJadeite(o, c, T, true);
  return peridotiteJadeite(c, T, Pin, 700.0, 0.033);
}

inline CpxPressure barometer32(const CpxCations& c, double T, double Pin) {
  if (!(c.Si > f32(1e-07))) return notComplete();
  return peridotiteJadeite(c, T, Pin, 650.0, 0.0315);
}

inline CpxPressure barometer33(const CpxOxides& o, const CpxCations& c, double T) {
  return eclogiteJadeite(o, c, T, false);
}

// Jadeite barometer on the incoming pressure Pin.
inline CpxPressure barometer36(const CpxOxides& o, const CpxCations& c, double T, double Pin) {
  if (!eclogiteOxides(o)) return notComplete();
  if (highIronRoute(o)) return eclogiteJadeite(o, c, T, true);
  if (eclogiteRoute(o, c)) return eclogiteJadeite(o, c, T, false);
  const double F = 8.0 * c.Fe * Pin / 60.0;
  const double G = 0.18 * (c.Fe - 0.2 - 0.2 * c.Na) * Pin / 62.5 +
                   40.0 * (2.0 * c.Ti - 0.015 * (Pin - 5.0)) / (Pin * Pin) + c.Cr + c.Al;
  const double Jd = jadeite(c, G, T);
  if (!std::isfinite(Jd)) return notComplete();
  const double L = std::log(1273.0 / T);
  const double x = (1.0 - 0.19 * c.Na / c.Al + 0.0125 * c.Fe / c.Na + 1.15 * c.Cr) *
                       std::pow(T, 0.75) * Jd * 0.32 / ((F + 5.5) * c.Fe + 1.0) -
                   35.0 * (2.5 * c.Na + c.Ti + c.Al + 1.5 * c.Fe3Cpx) * L +
                   (c.Na / c.Al) * T / 300.0 + 10.0 * (0.9 - c.Ca) - 4.0 * (33.2 * c.Fe - 4.0);
  const double y = (25.9 * c.Ca - 20.0) * T / 2500.0 + x;
  return set((0.00002 * y * y * y - 0.0036 * y * y + 0.875 * y - 9.0) * 1.075);
}

// Ca partition between garnet and clinopyroxene (garnet cations Mn, Fe, Mg,
// Si, Ca; clinopyroxene Ca).
inline CpxPressure barometer40(double caoCpx, double caoGar, double mnGar, double feGar, double mgGar,
                            double siGar, double caGar, double caCpx) {
  if (!(caoCpx > f32(0.1)) || !(caoGar > f32(0.1))) return notComplete();
  return set(41.7 * (1.46 * mnGar + 0.19 * feGar + 0.87 * mgGar + 1.26 * siGar +
                     std::log(caGar / caCpx) - 4.48));
}

}  // namespace mantlept::reference
