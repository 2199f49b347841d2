#pragma once
// This module computes in double precision.
// The pressure-temperature diagram of a geotherm and the estimates it was
// fitted to, as SVG 1.1 text sized for a journal column.
#include <ostream>
#include <vector>

#include "geotherm/fit.hpp"
#include "geotherm/summary.hpp"

namespace mantlept::geotherm {

// With `fitted` the interval q0_lo..q0_hi is shaded; without it the one
// geotherm of s.fit.q0 is drawn, and the points carry their chi². `leftOut`
// are estimates that were not fitted (grains screened out), drawn in grey
// behind the others. Throws Stopped when `stopped` says stop.
void writeDiagram(std::ostream& out, const Summary& s, const std::vector<Point>& points,
                  bool fitted, const std::vector<Point>& leftOut = {},
                  const StopCheck& stopped = {});

}  // namespace mantlept::geotherm
