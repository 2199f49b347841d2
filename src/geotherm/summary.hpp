#pragma once
// This module computes in double precision.
// The summary of a geotherm fit, as `key: value` lines or JSON, and the table
// of the best geotherm with those of the ends of its heat-flow interval.
#include <ostream>
#include <string>

#include "core/number_text.hpp"
#include "geotherm/fit.hpp"
#include "geotherm/model.hpp"

namespace mantlept::geotherm {

// A number with fixed decimals, never "-0.0"; a value that is not finite is
// written as 0.
std::string fixed(double v, int decimals);

struct Summary {
  FitResult fit;
  int n_excluded = 0;
  Geotherm best;  // the geotherm of fit.q0
  Geotherm lo;    // of fit.q0_lo (the cooler one)
  Geotherm hi;    // of fit.q0_hi
};

// Fills the geotherms of a fit result.
Summary makeSummary(const FitResult& fit, int n_excluded);

enum class SummaryFormat { Text, Json };

void writeSummary(std::ostream& out, const Summary& s, SummaryFormat format);

// depth_km,P_GPa,T_C,T_C_lo,T_C_hi every kilometre from 0 to 300 km.
void writeGeothermTable(std::ostream& out, const Summary& s);

}  // namespace mantlept::geotherm
