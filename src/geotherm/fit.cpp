// This module computes in double precision.
#include "geotherm/fit.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <thread>

namespace mantlept::geotherm {
namespace {

constexpr double kTolerance = 1e-3;  // mW/m²
constexpr double kScanStep = 1.0;    // mW/m²
// A variance may not fall below this share of its uncorrelated value: with a
// correlation near ±1 the variance along the geotherm can vanish.
constexpr double kVarianceFloor = 0.01;
// Fewer points than this are not worth a second thread in the scan.
constexpr std::size_t kThreadPoints = 4096;

// The misfit of a point (T_C ± sT_C, P ± sP_GPa, correlation rho) to a
// geotherm of temperature T_K and slope dT/dP (K/GPa) at the point's pressure.
[[gnu::always_inline]] inline double misfit(double T_K, double slope, double T_C, double sT,
                                            double sP_GPa, double rho) {
  double dT = T_C - (T_K - kZeroCelsius);
  double sP = slope * sP_GPa;
  double uncorrelated = sT * sT + sP * sP;
  double variance = uncorrelated - 2.0 * rho * sT * sP;
  variance = std::max(variance, kVarianceFloor * uncorrelated);
  if (!(variance > 0.0)) return 0.0;
  return dT * dT / variance;
}

// The points of a fit with their pressures, and the pressures of the slope's
// difference, placed in the table once: every geotherm of the fit shares its
// depths and pressures, so each chi² sum only reads the temperatures there.
// The sums are those of chiSquare(q0, points), to the last bit.
class PlacedPoints {
 public:
  PlacedPoints(const std::vector<Point>& points, const StopCheck& stopped) {
    const Geotherm table = computeGeotherm(kMinHeatFlow);
    placed_.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      pollStop(stopped, i);
      const Point& p = points[i];
      placed_.push_back({table.placeOfPressure(p.P_GPa),
                         table.placeOfPressure(p.P_GPa + kSlopeStepGPa),
                         table.placeOfPressure(p.P_GPa - kSlopeStepGPa), p.T_C, p.sigmaT_C,
                         p.sigmaP_GPa, p.rho});
    }
  }

  double chiSquare(double q0, const StopCheck& stopped) const {
    const Geotherm g = computeGeotherm(q0);
    auto T = [&g](const TablePlace& at) { return g.temperatureAt(at); };
    double sum = 0.0;
    for (std::size_t start = 0; start < placed_.size(); start += 4096) {
      pollStop(stopped, start);
      const std::size_t end = std::min(placed_.size(), start + 4096);
      for (std::size_t i = start; i < end; ++i) {
        const Placed& p = placed_[i];
        const double slope = (T(p.above) - T(p.below)) / (2.0 * kSlopeStepGPa);
        sum += misfit(T(p.here), slope, p.T_C, p.sigmaT_C, p.sigmaP_GPa, p.rho);
      }
    }
    return sum;
  }

  // chi² at every heat flow of `q0s`, each the very sum chiSquare(q0) gives:
  // the points are read once, each point's misfits to all the geotherms
  // added to their sums in point order, with the geotherms' temperatures
  // side by side in memory. The heat flows are shared out among `threads`
  // threads, each keeping whole sums, so the sums are those of one thread.
  // The stop is asked on the caller's thread, every 4096 points.
  std::vector<double> chiSquares(const std::vector<double>& q0s, const StopCheck& stopped,
                                 int threads) const {
    std::vector<double> sums(q0s.size(), 0.0);
    std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, threads)),
                                              q0s.size());
    if (placed_.size() < kThreadPoints) parts = 1;
    std::atomic<bool> halt{false};
    auto scan = [&](std::size_t part, bool caller) {
      const std::size_t from = q0s.size() * part / parts;
      const std::size_t nq = q0s.size() * (part + 1) / parts - from;
      if (nq == 0) return;
      // temps[row * nq + k]: the temperature (K) of row `row` of geotherm from + k.
      std::vector<double> temps;
      for (std::size_t k = 0; k < nq; ++k) {
        const Geotherm g = computeGeotherm(q0s[from + k]);
        if (temps.empty()) temps.resize(g.rows.size() * nq);
        for (std::size_t row = 0; row < g.rows.size(); ++row) temps[row * nq + k] = g.rows[row].T_K;
      }
      std::vector<double> own(nq, 0.0);
      for (std::size_t i = 0; i < placed_.size(); ++i) {
        if ((i & 4095u) == 0) {
          if (caller && stopped && stopped()) halt = true;
          if (halt) return;
        }
        const Placed& p = placed_[i];
        const double* hereA = &temps[p.here.a * nq];
        const double* hereB = &temps[p.here.b * nq];
        const double* aboveA = &temps[p.above.a * nq];
        const double* aboveB = &temps[p.above.b * nq];
        const double* belowA = &temps[p.below.a * nq];
        const double* belowB = &temps[p.below.b * nq];
        for (std::size_t k = 0; k < nq; ++k) {
          // As Geotherm::temperatureAt, and the sum of chiSquare.
          auto T = [k](const double* a, const double* b, double w) {
            return a[k] + w * (b[k] - a[k]);
          };
          const double slope = (T(aboveA, aboveB, p.above.w) - T(belowA, belowB, p.below.w)) /
                               (2.0 * kSlopeStepGPa);
          own[k] += misfit(T(hereA, hereB, p.here.w), slope, p.T_C, p.sigmaT_C, p.sigmaP_GPa,
                           p.rho);
        }
      }
      std::copy(own.begin(), own.end(), sums.begin() + static_cast<std::ptrdiff_t>(from));
    };
    // A part that fails (out of memory, a stop check that throws) halts the
    // others; its error goes on once every thread is joined.
    std::vector<std::exception_ptr> errors(parts);
    auto guarded = [&](std::size_t part, bool caller) {
      try {
        scan(part, caller);
      } catch (...) {
        errors[part] = std::current_exception();
        halt = true;
      }
    };
    std::vector<std::thread> helpers;
    std::size_t part = 1;
    try {
      for (; part < parts; ++part) helpers.emplace_back(guarded, part, false);
    } catch (...) {  // no thread to be had: the caller's thread takes the rest
    }
    for (std::size_t rest = part; rest < parts; ++rest) guarded(rest, true);
    guarded(0, true);
    for (std::thread& t : helpers) t.join();
    for (const std::exception_ptr& e : errors)
      if (e) std::rethrow_exception(e);
    if (halt) throw Stopped();
    return sums;
  }

 private:
  struct Placed {
    TablePlace here, above, below;
    double T_C, sigmaT_C, sigmaP_GPa, rho;
  };
  std::vector<Placed> placed_;
};

// Golden-section search for the least chi² in [a, b].
double goldenMinimum(double a, double b, const PlacedPoints& points,
                     const StopCheck& stopped) {
  const double r = (std::sqrt(5.0) - 1.0) / 2.0;
  double c = b - r * (b - a);
  double d = a + r * (b - a);
  double fc = points.chiSquare(c, stopped);
  double fd = points.chiSquare(d, stopped);
  while (b - a > kTolerance) {
    if (fc <= fd) {
      b = d;
      d = c;
      fd = fc;
      c = b - r * (b - a);
      fc = points.chiSquare(c, stopped);
    } else {
      a = c;
      c = d;
      fc = fd;
      d = a + r * (b - a);
      fd = points.chiSquare(d, stopped);
    }
  }
  return 0.5 * (a + b);
}

// Walks from `from` towards `edge` until chi² reaches `target`, then bisects
// the crossing to the tolerance; the edge itself when chi² stays below.
double crossing(double from, double edge, double target, const PlacedPoints& points,
                const StopCheck& stopped) {
  double dir = edge > from ? 1.0 : -1.0;
  double inside = from;
  for (;;) {
    double next = inside + dir * kScanStep;
    if ((next - edge) * dir >= 0.0) next = edge;
    if (points.chiSquare(next, stopped) >= target) {
      double outside = next;
      while (std::fabs(outside - inside) > kTolerance) {
        double mid = 0.5 * (inside + outside);
        (points.chiSquare(mid, stopped) >= target ? outside : inside) = mid;
      }
      return 0.5 * (inside + outside);
    }
    if (next == edge) return edge;
    inside = next;
  }
}

}  // namespace

double pointChiSquare(const Geotherm& g, const Point& p) {
  return misfit(g.temperatureAtPressure(p.P_GPa), g.slopeAtPressure(p.P_GPa), p.T_C, p.sigmaT_C,
                p.sigmaP_GPa, p.rho);
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

FitResult fitHeatFlow(const std::vector<Point>& points, const StopCheck& stopped, int threads) {
  FitResult r;
  r.n_points = static_cast<int>(points.size());
  if (points.empty()) return r;
  const PlacedPoints placed(points, stopped);

  // Coarse scan, then a golden-section search in the bracket around the least value.
  std::vector<double> grid{kMinHeatFlow};
  for (double q = kMinHeatFlow + kScanStep; q <= kMaxHeatFlow + 1e-9; q += kScanStep)
    grid.push_back(q);
  const std::vector<double> scanned = placed.chiSquares(grid, stopped, threads);
  double best = grid[0];
  double bestChi2 = scanned[0];
  for (std::size_t k = 1; k < grid.size(); ++k) {
    if (scanned[k] < bestChi2) {
      bestChi2 = scanned[k];
      best = grid[k];
    }
  }
  double lo = std::max(kMinHeatFlow, best - kScanStep);
  double hi = std::min(kMaxHeatFlow, best + kScanStep);
  r.q0 = goldenMinimum(lo, hi, placed, stopped);
  r.chi2 = placed.chiSquare(r.q0, stopped);
  if (bestChi2 < r.chi2) {  // the grid value itself (an edge) is better
    r.q0 = best;
    r.chi2 = bestChi2;
  }
  r.at_edge = r.q0 - kMinHeatFlow < 10.0 * kTolerance || kMaxHeatFlow - r.q0 < 10.0 * kTolerance;
  r.reduced_chi2 = r.n_points > 1 ? r.chi2 / (r.n_points - 1) : r.chi2;

  double target = r.chi2 + std::max(1.0, r.reduced_chi2);
  r.q0_lo = crossing(r.q0, kMinHeatFlow, target, placed, stopped);
  r.q0_hi = crossing(r.q0, kMaxHeatFlow, target, placed, stopped);
  return r;
}

}  // namespace mantlept::geotherm
