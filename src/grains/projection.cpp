// This module computes in double precision.
#include "grains/projection.hpp"

#include <algorithm>
#include <cmath>

namespace mantlept::grains {

GeothermProjection::GeothermProjection(const geotherm::Geotherm& g) : g_(g) {
  reached_C_.reserve(g.rows.size());
  double hottest = -INFINITY;
  for (const geotherm::GeothermRow& r : g.rows) {
    hottest = std::max(hottest, r.T_K - geotherm::kZeroCelsius);
    reached_C_.push_back(hottest);
  }
}

std::optional<Projection> GeothermProjection::at(double T_C) const {
  if (reached_C_.empty() || !std::isfinite(T_C)) return std::nullopt;
  const double surface = g_.rows.front().T_K - geotherm::kZeroCelsius;
  if (T_C < surface || T_C > reached_C_.back()) return std::nullopt;
  // The first row whose temperature reaches T_C; the row above it is cooler.
  auto it = std::lower_bound(reached_C_.begin(), reached_C_.end(), T_C);
  auto i = static_cast<std::size_t>(it - reached_C_.begin());
  Projection p;
  if (i == 0) {
    p.depth_km = g_.rows.front().depth_km;
  } else {
    const geotherm::GeothermRow& a = g_.rows[i - 1];
    const geotherm::GeothermRow& b = g_.rows[i];
    const double Ta = a.T_K - geotherm::kZeroCelsius, Tb = b.T_K - geotherm::kZeroCelsius;
    p.depth_km = a.depth_km + (T_C - Ta) / (Tb - Ta) * (b.depth_km - a.depth_km);
  }
  p.P_GPa = geotherm::pressureAtDepth(p.depth_km);
  p.inDiamondWindow =
      g_.dg_depth_km > 0.0 && g_.dg_depth_km <= p.depth_km && p.depth_km < g_.lab_depth_km;
  return p;
}

}  // namespace mantlept::grains
