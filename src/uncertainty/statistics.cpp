// Double precision: statistics of repeated results, not method arithmetic.
#include "uncertainty/statistics.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mantlept {

double percentileSorted(std::span<const double> sorted, double q) {
  if (sorted.empty()) return std::numeric_limits<double>::quiet_NaN();
  const double pos = static_cast<double>(sorted.size() - 1) * std::clamp(q, 0.0, 1.0);
  const auto lo = static_cast<std::size_t>(std::floor(pos));
  const std::size_t hi = std::min(lo + 1, sorted.size() - 1);
  const double f = pos - static_cast<double>(lo);
  return sorted[lo] + f * (sorted[hi] - sorted[lo]);
}

Percentiles centralPercentiles(std::vector<double>& values) {
  std::sort(values.begin(), values.end());
  return {percentileSorted(values, 0.5), percentileSorted(values, 0.16),
          percentileSorted(values, 0.84)};
}

std::optional<double> pearson(std::span<const double> x, std::span<const double> y) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n < 2) return std::nullopt;
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x[i] - mx, dy = y[i] - my;
    sxy += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }
  if (!(sxx > 0) || !(syy > 0)) return std::nullopt;
  return std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
}

}  // namespace mantlept
