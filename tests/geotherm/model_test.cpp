// This test computes in double precision.
// The conductive geotherm family against published anchor values and an
// independent integration of the heat equation.
#include "geotherm/model.hpp"

#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace mantlept::geotherm
