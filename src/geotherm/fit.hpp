#pragma once
// This module computes in double precision.
// The surface heat flow whose geotherm best passes through a set of
// temperature-pressure estimates, weighted by their errors.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "geotherm/model.hpp"

namespace mantlept::geotherm {

// Asked every few thousand points by the long loops of a run (reading, the
// fit, the diagram); true means stop, and the loop throws Stopped. Empty:
// never stops.
using StopCheck = std::function<bool()>;

// A run abandoned because its StopCheck said stop.
struct Stopped : std::runtime_error {
  Stopped() : std::runtime_error("mantlept: stopped") {}
};

// Throws Stopped when `stopped` says stop, asking it only every 4096th `i`.
inline void pollStop(const StopCheck& stopped, std::size_t i) {
  if ((i & 4095u) == 0 && stopped && stopped()) throw Stopped();
}

struct Point {
  double T_C = 0.0;
  double P_GPa = 0.0;
  double sigmaT_C = 50.0;
  double sigmaP_GPa = 0.3;
  double rho = 0.0;  // correlation of the T and P errors
  std::string sample;
};

struct FitResult {
  double q0 = 0.0;  // mW/m²
  double q0_lo = 0.0;
  double q0_hi = 0.0;
  double chi2 = 0.0;
  double reduced_chi2 = 0.0;  // chi2 / (N - 1)
  int n_points = 0;
  bool at_edge = false;  // the best heat flow lies on the edge of the range searched
};

// One point's misfit to a geotherm: the temperature difference squared over
// its variance along the geotherm, the pressure error carried through the
// geotherm's slope at the point.
double pointChiSquare(const Geotherm& g, const Point& p);
double chiSquare(const Geotherm& g, const std::vector<Point>& points,
                 const StopCheck& stopped = {});
double chiSquare(double q0, const std::vector<Point>& points, const StopCheck& stopped = {});

// Minimises chi² over q0 in [kMinHeatFlow, kMaxHeatFlow] to 0.001 mW/m²; the
// interval is where chi² rises by max(1, reduced chi²) above its least value.
// Needs at least two points. Throws Stopped when `stopped` says stop (asked
// on the caller's thread). The coarse scan over the heat flows is shared
// among `threads` threads, each summing whole chi² sums in point order, so
// the result is the same, to the last bit, on any number of threads.
FitResult fitHeatFlow(const std::vector<Point>& points, const StopCheck& stopped = {},
                      int threads = 1);

}  // namespace mantlept::geotherm
