#pragma once
// This module computes in double precision.
// The surface heat flow whose geotherm best passes through a set of
// temperature-pressure estimates, weighted by their errors.
#include <string>
#include <vector>

#include "geotherm/model.hpp"

namespace mantlept::geotherm {

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
double chiSquare(const Geotherm& g, const std::vector<Point>& points);
double chiSquare(double q0, const std::vector<Point>& points);

// Minimises chi² over q0 in [kMinHeatFlow, kMaxHeatFlow] to 0.001 mW/m²; the
// interval is where chi² rises by max(1, reduced chi²) above its least value.
// Needs at least two points.
FitResult fitHeatFlow(const std::vector<Point>& points);

}  // namespace mantlept::geotherm
