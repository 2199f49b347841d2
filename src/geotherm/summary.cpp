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

namespace {

// a·b = p + e exactly (Dekker's product: no fused multiply-add, no overflow).
void exactProduct(double a, double b, double& p, double& e) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  auto split = [](double x, double& hi, double& lo) {
    const double c = kSplit * x;
    hi = c - (c - x);
    lo = x - hi;
  };
  double ah, al, bh, bl;
  split(a, ah, al);
  split(b, bh, bl);
  p = a * b;
  e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

}  // namespace

void appendFixedDecimals(std::string& out, double v, int decimals) {
  constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  const double x = std::fabs(v);
  if (!(x < 1e9) || decimals < 0 || decimals > 6) {  // and what is not finite
    fmt::format_to(std::back_inserter(out), "{:.{}f}", v, decimals);  // as printf
    return;
  }
  // x·10^decimals = p + e exactly, below 2^53; its nearest whole number, a
  // tie to the even one. p - floor(p) is exact, and so is frac - 0.5 for a
  // frac of 0.25 or more; below that e (under half a unit of p) cannot reach
  // the half. The sign of (frac - 0.5) + e is that of the exact sum.
  double p = 0.0, e = 0.0;
  exactProduct(x, kPowers[decimals], p, e);
  const double whole = std::floor(p);
  const double frac = p - whole;
  auto n = static_cast<std::uint64_t>(whole);
  if (frac >= 0.25) {
    const double above = (frac - 0.5) + e;
    if (above > 0.0 || (above == 0.0 && (n & 1u) != 0)) ++n;
  }
  char digits[24];
  const auto d = static_cast<std::size_t>(decimals);
  std::size_t len = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
  if (std::signbit(v)) out += '-';
  if (len <= d) {  // 0.0xy
    out += '0';
    out += '.';
    out.append(d - len, '0');
    out.append(digits, len);
    return;
  }
  out.append(digits, len - d);
  if (d == 0) return;
  out += '.';
  out.append(digits + (len - d), d);
}

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
