// This module computes in double precision.
#include "geotherm/model.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace mantlept::geotherm {
namespace {

constexpr double kGravity = 10.0;         // m/s²
constexpr double kCrustDensity = 2850.0;  // kg/m³
constexpr double kMantleDensity = 3340.0;
constexpr double kUpperCrustBaseKm = 16.0;
constexpr double kMiddleCrustBaseKm = 24.0;
constexpr double kCrustHotK = 844.0;  // above it the crust conducts by the second set
constexpr double kAdiabatSurfaceC = 1300.0;
constexpr double kAdiabatGradientCPerKm = 0.3;
constexpr double kSurfaceK = kZeroCelsius;
constexpr double kNewtonToleranceK = 1e-3;
constexpr int kNewtonIterations = 50;

// k = (k0 + k1/T + k2 T²)(1 + k3 P)
struct Conductivity {
  double k0, k1, k2, k3;
  double at(double T, double P) const { return (k0 + k1 / T + k2 * T * T) * (1.0 + k3 * P); }
  double dT(double T, double P) const { return (-k1 / (T * T) + 2.0 * k2 * T) * (1.0 + k3 * P); }
};

constexpr Conductivity kUpperCrustCool{1.496, 398.84, 4.573e-7, 0.0950};
constexpr Conductivity kMiddleCrustCool{1.733, 194.59, 2.906e-7, 0.0788};
constexpr Conductivity kLowerCrustCool{1.723, 219.88, 1.705e-7, 0.0520};
constexpr Conductivity kUpperCrustHot{2.964, -495.29, 0.866e-7, 0.0692};
constexpr Conductivity kMiddleCrustHot{2.717, -398.93, 0.032e-7, 0.0652};
constexpr Conductivity kLowerCrustHot{2.320, -96.98, -0.981e-7, 0.0463};
constexpr Conductivity kSpinelPeridotite{2.271, 681.12, -1.259e-7, 0.0399};
constexpr Conductivity kGarnetPeridotite{2.371, 669.40, -1.288e-7, 0.0384};

const Conductivity& conductivityLaw(double depth_km, double T_K, double P_GPa) {
  bool hot = T_K > kCrustHotK;
  if (depth_km < kUpperCrustBaseKm) return hot ? kUpperCrustHot : kUpperCrustCool;
  if (depth_km < kMiddleCrustBaseKm) return hot ? kMiddleCrustHot : kMiddleCrustCool;
  if (depth_km < kMohoKm) return hot ? kLowerCrustHot : kLowerCrustCool;
  return P_GPa < spinelGarnetP(T_K) ? kSpinelPeridotite : kGarnetPeridotite;
}

// Solves T1 = T0 + c / k((T0 + T1)/2, P1) for T1 by Newton's method; the
// layer of the step is the one at its middle depth.
double stepTemperature(double T0, double c, double midDepth_km, double P1) {
  double T1 = T0 + c / conductivityLaw(midDepth_km, T0, P1).at(T0, P1);
  for (int i = 0; i < kNewtonIterations; ++i) {
    double Tm = 0.5 * (T0 + T1);
    const Conductivity& law = conductivityLaw(midDepth_km, Tm, P1);
    double k = law.at(Tm, P1);
    double f = T1 - T0 - c / k;
    double df = 1.0 + c / (k * k) * law.dT(Tm, P1) * 0.5;
    double next = T1 - f / (df > 0.1 ? df : 1.0);
    bool done = std::fabs(next - T1) < kNewtonToleranceK;
    T1 = next;
    if (done) break;
  }
  return T1;
}

// The first row whose key is not below x, as std::lower_bound finds it, for an
// x strictly between the keys of the first and the last row. The rows lie
// every kDepthStepKm, so `guess` (the row from x's depth) is that row or next
// to it; it is corrected a row at a time, and a binary search takes over
// should it be further off.
template <typename Key>
std::size_t firstRowNotBelow(const std::vector<GeothermRow>& rows, double x, Key key,
                             double guess) {
  const std::size_t last = rows.size() - 1;
  auto i = static_cast<std::size_t>(std::clamp(guess, 1.0, static_cast<double>(last)));
  for (int step = 0; step < 2; ++step) {
    if (key(rows[i]) < x)
      ++i;
    else if (key(rows[i - 1]) >= x)
      --i;
    else
      return i;
  }
  if (key(rows[i]) >= x && key(rows[i - 1]) < x) return i;
  auto it = std::lower_bound(rows.begin(), rows.end(), x,
                             [&](const GeothermRow& r, double v) { return key(r) < v; });
  return static_cast<std::size_t>(it - rows.begin());
}

// The place of x in the increasing `key` of the rows, linear between two rows
// and clamped to the ends; `depthOf` gives the depth (km) of a key.
template <typename Key, typename Depth>
TablePlace placeIn(const std::vector<GeothermRow>& rows, double x, Key key, Depth depthOf) {
  TablePlace p;
  if (rows.empty()) return p;
  if (std::isnan(x)) {
    p.w = x;
    return p;
  }
  if (x <= key(rows.front())) return p;
  if (x >= key(rows.back())) {
    p.a = p.b = static_cast<std::uint32_t>(rows.size() - 1);
    return p;
  }
  p.b = static_cast<std::uint32_t>(
      firstRowNotBelow(rows, x, key, std::ceil(depthOf(x) / kDepthStepKm)));
  p.a = p.b - 1;
  double span = key(rows[p.b]) - key(rows[p.a]);
  p.w = span > 0.0 ? (x - key(rows[p.a])) / span : 0.0;
  return p;
}

}  // namespace

double pressureAtDepth(double depth_km) {
  double crust = std::min(depth_km, kMohoKm);
  double mantle = std::max(depth_km - kMohoKm, 0.0);
  return (kCrustDensity * crust + kMantleDensity * mantle) * 1000.0 * kGravity * 1e-9;
}

double depthAtPressure(double P_GPa) {
  double mohoP = pressureAtDepth(kMohoKm);
  if (P_GPa <= mohoP) return P_GPa / (kCrustDensity * 1000.0 * kGravity * 1e-9);
  return kMohoKm + (P_GPa - mohoP) / (kMantleDensity * 1000.0 * kGravity * 1e-9);
}

double adiabatK(double depth_km) {
  return kAdiabatSurfaceC + kAdiabatGradientCPerKm * depth_km + kZeroCelsius;
}

double graphiteDiamondP(double T_C) { return 1.94 + 0.0025 * T_C; }

double spinelGarnetP(double T_K) { return 1.4209 + std::exp(3.9073e-3 * T_K - 6.8041); }

double conductivity(double depth_km, double T_K, double P_GPa) {
  return conductivityLaw(depth_km, T_K, P_GPa).at(T_K, P_GPa);
}

double heatProduction(double depth_km, double q0_mW) {
  if (depth_km < kUpperCrustBaseKm) return 0.26 * q0_mW / 16.0;
  if (depth_km < kMohoKm) return 0.4;
  return 0.02;
}

Geotherm computeGeotherm(double q0_mW) {
  Geotherm g;
  g.q0 = q0_mW;
  const int steps = static_cast<int>(std::lround(kMaxDepthKm / kDepthStepKm));
  const double dz = kDepthStepKm * 1000.0;
  g.rows.reserve(static_cast<std::size_t>(steps) + 1);
  g.rows.push_back({0.0, 0.0, kSurfaceK});

  double q = q0_mW * 1e-3;  // W/m² at the top of the step
  double T = kSurfaceK;
  bool adiabatic = false;
  for (int i = 0; i < steps; ++i) {
    double bottom = (i + 1) * kDepthStepKm;
    double mid = (i + 0.5) * kDepthStepKm;
    double P1 = pressureAtDepth(bottom);
    double next;
    if (adiabatic) {
      next = adiabatK(bottom);
    } else {
      double A = heatProduction(mid, q0_mW) * 1e-6;
      next = stepTemperature(T, q * dz - A * dz * dz / 2.0, mid, P1);
      q -= A * dz;
      // The base of the lithosphere: the first depth of the table at which
      // the conductive line is hotter than the adiabat.
      if (next > adiabatK(bottom)) {
        adiabatic = true;
        g.lab_found = true;
        g.lab_depth_km = bottom;
        next = adiabatK(bottom);
      }
    }
    T = next;
    g.rows.push_back({bottom, P1, T});
  }
  if (!g.lab_found) g.lab_depth_km = kMaxDepthKm;
  g.lab_P_GPa = pressureAtDepth(g.lab_depth_km);
  g.lab_T_K = g.temperatureAtDepth(g.lab_depth_km);
  g.moho_T_K = g.temperatureAtDepth(kMohoKm);

  // First depth of the table at which the geotherm lies in the diamond field.
  for (const GeothermRow& r : g.rows) {
    if (r.P_GPa >= graphiteDiamondP(r.T_K - kZeroCelsius)) {
      g.dg_depth_km = r.depth_km;
      break;
    }
  }
  if (g.dg_depth_km > 0.0 && g.dg_depth_km < g.lab_depth_km)
    g.diamond_window_km = g.lab_depth_km - g.dg_depth_km;
  return g;
}

TablePlace Geotherm::placeOfPressure(double P_GPa) const {
  return placeIn(rows, P_GPa, [](const GeothermRow& r) { return r.P_GPa; }, depthAtPressure);
}

TablePlace Geotherm::placeOfDepth(double depth_km) const {
  return placeIn(rows, depth_km, [](const GeothermRow& r) { return r.depth_km; },
                 [](double km) { return km; });
}

double Geotherm::temperatureAtPressure(double P_GPa) const {
  return temperatureAt(placeOfPressure(P_GPa));
}

double Geotherm::temperatureAtDepth(double depth_km) const {
  return temperatureAt(placeOfDepth(depth_km));
}

double Geotherm::slopeAtPressure(double P_GPa) const {
  constexpr double h = kSlopeStepGPa;
  return (temperatureAtPressure(P_GPa + h) - temperatureAtPressure(P_GPa - h)) / (2.0 * h);
}

}  // namespace mantlept::geotherm
