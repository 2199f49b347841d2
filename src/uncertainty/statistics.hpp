// Double precision: statistics of repeated results, not method arithmetic.
#pragma once
// Order statistics and correlation of samples of results.
#include <optional>
#include <span>
#include <vector>

namespace mantlept {

// Percentile q (0..1) of values sorted ascending: linear interpolation between
// the order statistics around position (n - 1) q. NaN for no values.
double percentileSorted(std::span<const double> sorted, double q);

// Median, 16th and 84th percentile of values (sorted in place).
struct Percentiles {
  double median = 0, p16 = 0, p84 = 0;
};
Percentiles centralPercentiles(std::vector<double>& values);

// Pearson correlation of x and y (same length); none for fewer than two pairs
// or when either has zero variance.
std::optional<double> pearson(std::span<const double> x, std::span<const double> y);

}  // namespace mantlept
