#pragma once
// This module computes in double precision.
// The depth at which a geotherm reaches a grain's temperature, from the
// geotherm's 0.1 km table computed once for the whole population.
#include <optional>
#include <vector>

#include "geotherm/model.hpp"

namespace mantlept::grains {

struct Projection {
  double depth_km = 0.0;
  double P_GPa = 0.0;
  bool inDiamondWindow = false;  // dg_depth_km <= depth < lab_depth_km
};

class GeothermProjection {
 public:
  explicit GeothermProjection(const geotherm::Geotherm& g);

  // The first depth at which the geotherm (conductive, then the adiabat below
  // the LAB) reaches T_C, linear between the table's steps; empty outside the
  // geotherm's 0-300 km range of temperatures.
  std::optional<Projection> at(double T_C) const;

  const geotherm::Geotherm& geotherm() const { return g_; }

 private:
  const geotherm::Geotherm& g_;
  std::vector<double> reached_C_;  // the hottest temperature met down to each row (°C)
};

}  // namespace mantlept::grains
