// This test computes in double precision.
// The chi² of points against a geotherm and the heat-flow fit.
#include "geotherm/fit.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace mantlept::geotherm {
namespace {

// A straight geotherm T = 400 °C + 150 °C/GPa · P, so that Tg and its slope
// are known exactly.
Geotherm straightGeotherm() {
  Geotherm g;
  for (int i = 0; i <= 100; ++i) {
    double P = 0.1 * i;
    g.rows.push_back({P * 30.0, P, 273.0 + 400.0 + 150.0 * P});
  }
  return g;
}

TEST(GeothermChiSquare, CorrelatedErrorsWorkedByHand) {
  Geotherm g = straightGeotherm();
  // dT = 1000 - 850 = 150; var = 40² + (150·0.2)² - 2·0.5·150·40·0.2 = 1300.
  Point a{1000.0, 3.0, 40.0, 0.2, 0.5, "a"};
  // dT = 500 - 550 = -50; var = 30² + 15² + 2·0.3·30·15 = 1395.
  Point b{500.0, 1.0, 30.0, 0.1, -0.3, "b"};
  EXPECT_NEAR(pointChiSquare(g, a), 22500.0 / 1300.0, 1e-6);
  EXPECT_NEAR(chiSquare(g, {a, b}), 22500.0 / 1300.0 + 2500.0 / 1395.0, 1e-6);
  // Fully correlated with σT = s·σP: the variance vanishes and is floored.
  Point c{1000.0, 3.0, 30.0, 0.2, 1.0, "c"};
  double x = pointChiSquare(g, c);
  EXPECT_TRUE(std::isfinite(x));
  EXPECT_GT(x, 22500.0 / 1800.0);
}

// Points scattered about the geotherm of q0 with the errors they carry, kept
// above its base where the geotherm bends onto the adiabat.
std::vector<Point> synthetic(double q0, int n, unsigned seed) {
  Geotherm g = computeGeotherm(q0);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> depthP(1.5, 4.0);
  std::normal_distribution<double> unit(0.0, 1.0);
  std::vector<Point> pts;
  for (int i = 0; i < n; ++i) {
    double P = depthP(rng);
    double T = g.temperatureAtPressure(P) - 273.0;
    pts.push_back({T + 40.0 * unit(rng), P + 0.2 * unit(rng), 40.0, 0.2, 0.0, "s"});
  }
  return pts;
}

TEST(GeothermFit, RecoversTheHeatFlowAndNarrowsWithMorePoints) {
  // The 1σ interval holds the true heat flow about two times in three.
  int covered = 0;
  const int trials = 30;
  for (int seed = 1; seed <= trials; ++seed) {
    FitResult r = fitHeatFlow(synthetic(44.0, 8, static_cast<unsigned>(seed)));
    if (r.q0_lo <= 44.0 && 44.0 <= r.q0_hi) ++covered;
    EXPECT_LT(r.q0_lo, r.q0);
    EXPECT_GT(r.q0_hi, r.q0);
    EXPECT_FALSE(r.at_edge);
    EXPECT_NEAR(r.reduced_chi2, r.chi2 / (r.n_points - 1), 1e-12);
  }
  EXPECT_GE(covered, trials / 2);
  EXPECT_LE(covered, trials * 9 / 10);

  FitResult few = fitHeatFlow(synthetic(44.0, 6, 7));
  FitResult many = fitHeatFlow(synthetic(44.0, 40, 11));
  EXPECT_NEAR(many.q0, 44.0, many.q0_hi - many.q0_lo);
  EXPECT_LT(many.q0_hi - many.q0_lo, few.q0_hi - few.q0_lo);
  // The best value is a least: 0.01 mW/m² either side is no better.
  EXPECT_LE(many.chi2, chiSquare(many.q0 - 0.01, synthetic(44.0, 40, 11)) + 1e-9);
  EXPECT_LE(many.chi2, chiSquare(many.q0 + 0.01, synthetic(44.0, 40, 11)) + 1e-9);
  // On the interval's ends chi² has risen by max(1, reduced chi²).
  auto pts = synthetic(44.0, 40, 11);
  double rise = std::max(1.0, many.reduced_chi2);
  EXPECT_NEAR(chiSquare(many.q0_lo, pts) - many.chi2, rise, 0.05 * rise);
  EXPECT_NEAR(chiSquare(many.q0_hi, pts) - many.chi2, rise, 0.05 * rise);
}

TEST(GeothermFit, PointsColderThanAnyGeothermSitOnTheEdge) {
  std::vector<Point> cold = {{250.0, 4.0, 20.0, 0.1, 0.0, "x"}, {300.0, 5.0, 20.0, 0.1, 0.0, "y"}};
  FitResult r = fitHeatFlow(cold);
  EXPECT_TRUE(r.at_edge);
  EXPECT_NEAR(r.q0, kMinHeatFlow, 0.01);
  EXPECT_NEAR(r.q0_lo, kMinHeatFlow, 1e-9);
}

}  // namespace
}  // namespace mantlept::geotherm
