// This module computes in double precision.
#include "geotherm/summary.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

namespace mantlept::geotherm {

std::string fixed(double v, int decimals) {
  if (!std::isfinite(v)) v = 0.0;
  std::string s;
  appendFixedDecimals(s, v, decimals);
  // No "-0.0".
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return s;
}

Summary makeSummary(const FitResult& fit, int n_excluded) {
  Summary s;
  s.fit = fit;
  s.n_excluded = n_excluded;
  s.best = computeGeotherm(fit.q0);
  s.lo = fit.q0_lo == fit.q0 ? s.best : computeGeotherm(fit.q0_lo);
  s.hi = fit.q0_hi == fit.q0 ? s.best : computeGeotherm(fit.q0_hi);
  return s;
}

void writeSummary(std::ostream& out, const Summary& s, SummaryFormat format) {
  const FitResult& f = s.fit;
  const std::vector<std::pair<const char*, std::string>> fields = {
      {"q0", fixed(f.q0, 3)},
      {"q0_lo", fixed(f.q0_lo, 3)},
      {"q0_hi", fixed(f.q0_hi, 3)},
      {"chi2", fixed(f.chi2, 3)},
      {"reduced_chi2", fixed(f.reduced_chi2, 3)},
      {"n_points", std::to_string(f.n_points)},
      {"n_excluded", std::to_string(s.n_excluded)},
      {"moho_T_C", fixed(s.best.moho_T_K - kZeroCelsius, 1)},
      {"lab_depth_km", fixed(s.best.lab_depth_km, 1)},
      // A higher heat flow gives a shallower base of the lithosphere.
      {"lab_depth_km_min", fixed(s.hi.lab_depth_km, 1)},
      {"lab_depth_km_max", fixed(s.lo.lab_depth_km, 1)},
      {"lab_P_GPa", fixed(s.best.lab_P_GPa, 3)},
      {"lab_T_C", fixed(s.best.lab_T_K - kZeroCelsius, 1)},
      {"dg_depth_km", fixed(s.best.dg_depth_km, 1)},
      {"diamond_window_km", fixed(s.best.diamond_window_km, 1)},
  };
  if (format == SummaryFormat::Json) {
    out << "{";
    for (std::size_t i = 0; i < fields.size(); ++i)
      out << (i ? ", " : "") << '"' << fields[i].first << "\": " << fields[i].second;
    out << ", \"edge_warning\": " << (f.at_edge ? "true" : "false") << "}\n";
  } else {
    for (const auto& [key, value] : fields) out << key << ": " << value << '\n';
    out << "edge_warning: " << (f.at_edge ? "true" : "false") << '\n';
  }
}

void writeGeothermTable(std::ostream& out, const Summary& s) {
  out << "depth_km,P_GPa,T_C,T_C_lo,T_C_hi\n";
  for (int km = 0; km <= static_cast<int>(kMaxDepthKm); ++km) {
    double z = km;
    out << km << ',' << fixed(pressureAtDepth(z), 4) << ','
        << fixed(s.best.temperatureAtDepth(z) - kZeroCelsius, 1) << ','
        << fixed(s.lo.temperatureAtDepth(z) - kZeroCelsius, 1) << ','
        << fixed(s.hi.temperatureAtDepth(z) - kZeroCelsius, 1) << '\n';
  }
}

}  // namespace mantlept::geotherm
