// This module computes in double precision.
#include "geotherm/fit.hpp"

#include <algorithm>
#include <cmath>

namespace mantlept::geotherm {
namespace {

constexpr double kTolerance = 1e-3;  // mW/m²
constexpr double kScanStep = 1.0;    // mW/m²
// A variance may not fall below this share of its uncorrelated value: with a
// correlation near ±1 the variance along the geotherm can vanish.
constexpr double kVarianceFloor = 0.01;

// Golden-section search for the least chi² in [a, b].
double goldenMinimum(double a, double b, const std::vector<Point>& points,
                     const StopCheck& stopped) {
  const double r = (std::sqrt(5.0) - 1.0) / 2.0;
  double c = b - r * (b - a);
  double d = a + r * (b - a);
  double fc = chiSquare(c, points, stopped);
  double fd = chiSquare(d, points, stopped);
  while (b - a > kTolerance) {
    if (fc <= fd) {
      b = d;
      d = c;
      fd = fc;
      c = b - r * (b - a);
      fc = chiSquare(c, points, stopped);
    } else {
      a = c;
      c = d;
      fc = fd;
      d = a + r * (b - a);
      fd = chiSquare(d, points, stopped);
    }
  }
  return 0.5 * (a + b);
}

// Walks from `from` towards `edge` until chi² reaches `target`, then bisects
// the crossing to the tolerance; the edge itself when chi² stays below.
double crossing(double from, double edge, double target, const std::vector<Point>& points,
                const StopCheck& stopped) {
  double dir = edge > from ? 1.0 : -1.0;
  double inside = from;
  for (;;) {
    double next = inside + dir * kScanStep;
    if ((next - edge) * dir >= 0.0) next = edge;
    if (chiSquare(next, points, stopped) >= target) {
      double outside = next;
      while (std::fabs(outside - inside) > kTolerance) {
        double mid = 0.5 * (inside + outside);
        (chiSquare(mid, points, stopped) >= target ? outside : inside) = mid;
      }
      return 0.5 * (inside + outside);
    }
    if (next == edge) return edge;
    inside = next;
  }
}

}  // namespace

double pointChiSquare(const Geotherm& g, const Point& p) {
  double dT = p.T_C - (g.temperatureAtPressure(p.P_GPa) - kZeroCelsius);
  double s = g.slopeAtPressure(p.P_GPa);
  double sT = p.sigmaT_C;
  double sP = s * p.sigmaP_GPa;
  double uncorrelated = sT * sT + sP * sP;
  double variance = uncorrelated - 2.0 * p.rho * sT * sP;
  variance = std::max(variance, kVarianceFloor * uncorrelated);
  if (!(variance > 0.0)) return 0.0;
  return dT * dT / variance;
}

double chiSquare(const Geotherm& g, const std::vector<Point>& points, const StopCheck& stopped) {
  double sum = 0.0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    pollStop(stopped, i);
    sum += pointChiSquare(g, points[i]);
  }
  return sum;
}

double chiSquare(double q0, const std::vector<Point>& points, const StopCheck& stopped) {
  return chiSquare(computeGeotherm(q0), points, stopped);
}

FitResult fitHeatFlow(const std::vector<Point>& points, const StopCheck& stopped) {
  FitResult r;
  r.n_points = static_cast<int>(points.size());
  if (points.empty()) return r;

  // Coarse scan, then a golden-section search in the bracket around the least value.
  double best = kMinHeatFlow;
  double bestChi2 = chiSquare(best, points, stopped);
  for (double q = kMinHeatFlow + kScanStep; q <= kMaxHeatFlow + 1e-9; q += kScanStep) {
    double c = chiSquare(q, points, stopped);
    if (c < bestChi2) {
      bestChi2 = c;
      best = q;
    }
  }
  double lo = std::max(kMinHeatFlow, best - kScanStep);
  double hi = std::min(kMaxHeatFlow, best + kScanStep);
  r.q0 = goldenMinimum(lo, hi, points, stopped);
  r.chi2 = chiSquare(r.q0, points, stopped);
  if (bestChi2 < r.chi2) {  // the grid value itself (an edge) is better
    r.q0 = best;
    r.chi2 = bestChi2;
  }
  r.at_edge = r.q0 - kMinHeatFlow < 10.0 * kTolerance || kMaxHeatFlow - r.q0 < 10.0 * kTolerance;
  r.reduced_chi2 = r.n_points > 1 ? r.chi2 / (r.n_points - 1) : r.chi2;

  double target = r.chi2 + std::max(1.0, r.reduced_chi2);
  r.q0_lo = crossing(r.q0, kMinHeatFlow, target, points, stopped);
  r.q0_hi = crossing(r.q0, kMaxHeatFlow, target, points, stopped);
  return r;
}

}  // namespace mantlept::geotherm
