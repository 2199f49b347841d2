// This test computes in double precision.
// The chi² of points against a geotherm and the heat-flow fit, and the stop
// checks of the long loops of a run.
#include "geotherm/fit.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <tuple>

#include "geotherm/diagram.hpp"
#include "geotherm/points.hpp"
#include "geotherm/summary.hpp"

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
  // The fit places its points in the table once; its chi² is the one the
  // points give looked up one by one, to the last bit, here with points past
  // both ends of the table too.
  pts.push_back({600.0, -0.5, 40.0, 0.2, 0.3, "above"});
  pts.push_back({1500.0, 9.9, 40.0, 0.2, -0.2, "below"});
  FitResult ends = fitHeatFlow(pts);
  EXPECT_EQ(ends.chi2, chiSquare(ends.q0, pts));
}

// The misfits of a large fit are shared among threads: every thread count
// gives the same fit to the last bit, and a best value on the scan's grid
// (here both ends, the first and the last of its heat flows) has the chi²
// of chiSquare itself.
TEST(GeothermFit, TheSameOnEveryThreadCount) {
  const std::vector<Point> pts = synthetic(61.0, 9000, 21);
  // Colder than the coolest geotherm, and hotter than the hottest at
  // crustal pressures (where no geotherm has met the adiabat).
  const Geotherm hottest = computeGeotherm(kMaxHeatFlow);
  std::vector<Point> cold, hot;
  for (int i = 0; i < 6000; ++i) {
    const double P = 2.0 + 0.0003 * i, shallow = 0.5 + 0.00005 * i;
    cold.push_back({200.0 + 0.01 * i, P, 30.0, 0.1, 0.0, "cold"});
    hot.push_back({hottest.temperatureAtPressure(shallow) - 273.0 + 150.0, shallow, 30.0, 0.1,
                   0.0, "hot"});
  }
  for (const auto* points : std::vector<const std::vector<Point>*>{&pts, &cold, &hot}) {
    const FitResult one = fitHeatFlow(*points, {}, 1);
    for (int threads : {2, 3}) {
      const FitResult many = fitHeatFlow(*points, {}, threads);
      EXPECT_EQ(std::tie(many.q0, many.chi2, many.q0_lo, many.q0_hi, many.at_edge),
                std::tie(one.q0, one.chi2, one.q0_lo, one.q0_hi, one.at_edge));
    }
    EXPECT_EQ(one.chi2, chiSquare(one.q0, *points));
  }
  EXPECT_EQ(fitHeatFlow(cold, {}, 2).q0, kMinHeatFlow);
  EXPECT_EQ(fitHeatFlow(hot, {}, 2).q0, kMaxHeatFlow);
  EXPECT_NEAR(fitHeatFlow(pts, {}, 2).q0, 61.0, 1.0);
  // A stop while the threads scan ends the fit.
  int asks = 0;
  EXPECT_THROW(fitHeatFlow(pts, [&asks] { return ++asks >= 4; }, 2), Stopped);
}

TEST(GeothermFit, PointsColderThanAnyGeothermSitOnTheEdge) {
  std::vector<Point> cold = {{250.0, 4.0, 20.0, 0.1, 0.0, "x"}, {300.0, 5.0, 20.0, 0.1, 0.0, "y"}};
  FitResult r = fitHeatFlow(cold);
  EXPECT_TRUE(r.at_edge);
  EXPECT_NEAR(r.q0, kMinHeatFlow, 0.01);
  EXPECT_NEAR(r.q0_lo, kMinHeatFlow, 1e-9);
}

// A stop check that counts how often it is asked and says stop from the
// `stopAt`-th ask on (0: never).
struct CountingStop {
  int asks = 0;
  int stopAt = 0;
  StopCheck check() {
    return [this] { return ++asks == stopAt || (stopAt > 0 && asks > stopAt); };
  }
};

// Every long loop asks its check every 4096 points (or rows), and throws
// Stopped at the first ask that says stop, leaving the rest undone.
TEST(GeothermStop, LongLoopsAskEvery4096PointsAndStopAtOnce) {
  const std::vector<Point> pts = synthetic(44.0, 10000, 3);  // asked at 0, 4096 and 8192
  const Geotherm g = computeGeotherm(44.0);
  const Summary summary = makeSummary(fitHeatFlow(synthetic(44.0, 40, 5)), 0);
  const std::string table = (std::filesystem::path(::testing::TempDir()) / "stop_pts.csv").string();
  {
    std::ofstream f(table);
    f << "T_C,P_GPa\n";
    for (int i = 0; i < 10000; ++i) f << 900 + i % 300 << ",3.5\n";
  }
  struct Case {
    const char* what;
    std::function<void(const StopCheck&)> run;
    int asksOfOneRun;  // never stopped
  };
  const std::vector<Case> cases = {
      {"chi2 of one geotherm", [&](const StopCheck& c) { chiSquare(g, pts, c); }, 3},
      {"diagram",
       [&](const StopCheck& c) {
         std::ostringstream svg;
         writeDiagram(svg, summary, pts, true, {}, c);
       },
       3},
      // The rows as read (asked before rows 4096 and 8192: counting from 1), then
      // the points made of them (at 0, 4096 and 8192).
      {"points",
       [&](const StopCheck& c) {
         std::ostringstream notes;
         PointsOptions o;
         o.path = table;
         readPoints(o, notes, c);
       },
       5},
  };
  for (const Case& c : cases) {
    CountingStop never;
    c.run(never.check());
    EXPECT_EQ(never.asks, c.asksOfOneRun) << c.what;
    CountingStop second{0, 2};
    EXPECT_THROW(c.run(second.check()), Stopped) << c.what;
    EXPECT_EQ(second.asks, 2) << c.what;
  }

  // The fit asks three times as it places the points, three times for the
  // scan's 96 chi² sums worked out together, and three times for each of its
  // more than 30 sums after; it gives the same heat flow as without a check,
  // and stops at once.
  CountingStop never;
  const FitResult checked = fitHeatFlow(pts, never.check());
  EXPECT_GT(never.asks, 100);
  EXPECT_EQ(never.asks % 3, 0);
  EXPECT_EQ(checked.q0, fitHeatFlow(pts).q0);
  for (int at : {1, 5, 60, never.asks}) {
    CountingStop stop{0, at};
    EXPECT_THROW(fitHeatFlow(pts, stop.check()), Stopped) << at;
    EXPECT_EQ(stop.asks, at);
  }
}

}  // namespace
}  // namespace mantlept::geotherm
