// This test computes in double precision.
// The conductive geotherm family against published anchor values and an
// independent integration of the heat equation.
#include "geotherm/model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace mantlept::geotherm {
namespace {

double celsiusAt(const Geotherm& g, double km) { return g.temperatureAtDepth(km) - 273.0; }

TEST(GeothermModel, ReproducesTheAnchors) {
  Geotherm g40 = computeGeotherm(40.0);
  EXPECT_NEAR(celsiusAt(g40, 100.0), 836.0, 1.0);
  EXPECT_NEAR(celsiusAt(g40, 150.0), 1136.0, 1.0);
  EXPECT_NEAR(g40.lab_depth_km, 187.7, 0.2);
  Geotherm g50 = computeGeotherm(50.0);
  EXPECT_NEAR(celsiusAt(g50, 100.0), 1148.0, 1.0);
  EXPECT_NEAR(g50.lab_depth_km, 120.4, 0.2);
}

// Upper crust alone, integrated here with a fixed-point iteration per step
// and the cool upper-crust conductivity written out again.
TEST(GeothermModel, UpperCrustMatchesAnIndependentIntegration) {
  const double q0 = 60.0;
  double q = q0 * 1e-3, T = 273.0;
  const double A = 0.26 * q0 / 16.0 * 1e-6, dz = 100.0;
  for (int i = 1; i <= 100; ++i) {  // to 10 km
    double P = 2850.0 * 10.0 * i * dz * 1e-9;
    double next = T;
    for (int it = 0; it < 100; ++it) {
      double Tm = 0.5 * (T + next);
      double k = (1.496 + 398.84 / Tm + 4.573e-7 * Tm * Tm) * (1.0 + 0.0950 * P);
      next = T + (q * dz - A * dz * dz / 2.0) / k;
    }
    T = next;
    q -= A * dz;
  }
  Geotherm g = computeGeotherm(q0);
  EXPECT_NEAR(g.temperatureAtDepth(10.0), T, 0.01);
}

TEST(GeothermModel, TableLabAndDiamondWindow) {
  Geotherm g = computeGeotherm(40.0);
  ASSERT_EQ(g.rows.size(), 3001u);
  EXPECT_DOUBLE_EQ(g.rows.back().depth_km, 300.0);
  // Pressure: 2850 kg/m³ over the Moho at 39 km, 3340 below, g = 10.
  EXPECT_NEAR(pressureAtDepth(39.0), 1.1115, 1e-9);
  EXPECT_NEAR(pressureAtDepth(139.0), 1.1115 + 3.34, 1e-9);
  EXPECT_NEAR(depthAtPressure(4.4515), 139.0, 1e-9);
  // Below the LAB the geotherm is the adiabat 1300 °C + 0.3 °C/km.
  EXPECT_NEAR(celsiusAt(g, 250.0), 1375.0, 1e-9);
  EXPECT_NEAR(g.lab_T_K - 273.0, 1300.0 + 0.3 * g.lab_depth_km, 1e-9);
  // Above the LAB the conductive line is cooler than the adiabat.
  for (const GeothermRow& r : g.rows) {
    if (r.depth_km < g.lab_depth_km - 1e-9) {
      ASSERT_LE(r.T_K, adiabatK(r.depth_km)) << r.depth_km;
    }
  }
  // The window starts where P first reaches 1.94 + 0.0025 T(°C) and ends at the LAB.
  double z = g.dg_depth_km;
  EXPECT_GE(pressureAtDepth(z), 1.94 + 0.0025 * celsiusAt(g, z));
  EXPECT_LT(pressureAtDepth(z - 0.1), 1.94 + 0.0025 * celsiusAt(g, z - 0.1));
  EXPECT_NEAR(g.diamond_window_km, g.lab_depth_km - z, 1e-9);
  // A hot geotherm meets the adiabat above the graphite-diamond line: no window.
  EXPECT_EQ(computeGeotherm(50.0).diamond_window_km, 0.0);
}

// Linear interpolation of T over a key of the rows, the row found by a binary
// search: the lookup the table places must give to the last bit.
template <typename Key>
double searchedT(const Geotherm& g, double x, Key key) {
  if (x <= key(g.rows.front())) return g.rows.front().T_K;
  if (x >= key(g.rows.back())) return g.rows.back().T_K;
  auto it = std::lower_bound(g.rows.begin(), g.rows.end(), x,
                             [&](const GeothermRow& r, double v) { return key(r) < v; });
  const GeothermRow &a = *(it - 1), &b = *it;
  double span = key(b) - key(a);
  double w = span > 0.0 ? (x - key(a)) / span : 0.0;
  return a.T_K + w * (b.T_K - a.T_K);
}

TEST(GeothermModel, TablePlacesGiveTheSearchedTemperatures) {
  auto byP = [](const GeothermRow& r) { return r.P_GPa; };
  auto byDepth = [](const GeothermRow& r) { return r.depth_km; };
  for (double q0 : {kMinHeatFlow, 41.37, kMaxHeatFlow}) {
    Geotherm g = computeGeotherm(q0);
    // Every row's key, its neighbouring doubles and the middle to the next
    // row, then a sweep past both ends of the table.
    std::vector<double> depths, pressures;
    for (std::size_t i = 0; i < g.rows.size(); ++i) {
      const GeothermRow& r = g.rows[i];
      if (i > 0) {
        ASSERT_LT(g.rows[i - 1].P_GPa, r.P_GPa) << r.depth_km;
      }
      for (double d : {r.depth_km, std::nextafter(r.depth_km, -1.0),
                       std::nextafter(r.depth_km, 400.0), r.depth_km + 0.05})
        depths.push_back(d);
      for (double P : {r.P_GPa, std::nextafter(r.P_GPa, -1.0), std::nextafter(r.P_GPa, 20.0),
                       pressureAtDepth(r.depth_km + 0.05), r.P_GPa + kSlopeStepGPa,
                       r.P_GPa - kSlopeStepGPa})
        pressures.push_back(P);
    }
    for (int i = -100; i <= 3300; ++i) depths.push_back(i * 0.0997);
    for (int i = -100; i <= 1200; ++i) pressures.push_back(i * 0.00997);
    for (double d : depths) ASSERT_EQ(g.temperatureAtDepth(d), searchedT(g, d, byDepth)) << d;
    for (double P : pressures)
      ASSERT_EQ(g.temperatureAtPressure(P), searchedT(g, P, byP)) << P;
    EXPECT_TRUE(std::isnan(g.temperatureAtPressure(std::nan(""))));
  }
  // A table on another grid than the model's: the place is still the searched one.
  Geotherm coarse;
  for (int i = 0; i <= 50; ++i) coarse.rows.push_back({3.0 * i, 0.1 * i, 300.0 + 7.0 * i * i});
  for (int i = -10; i <= 600; ++i)
    ASSERT_EQ(coarse.temperatureAtPressure(i * 0.0093), searchedT(coarse, i * 0.0093, byP)) << i;
}

}  // namespace
}  // namespace mantlept::geotherm
