// Percentiles, correlation and the random streams of the perturbed draws.
#include "uncertainty/statistics.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "uncertainty/random.hpp"

namespace mantlept {
namespace {

TEST(Statistics, PercentilesInterpolateBetweenOrderStatistics) {
  // Sorted 1 1 3 4 5: median at position 2; p16 at 0.64 (between 1 and 1);
  // p84 at 3.36, between 4 and 5.
  std::vector<double> v = {3, 1, 4, 1, 5};
  Percentiles p = centralPercentiles(v);
  EXPECT_DOUBLE_EQ(p.median, 3.0);
  EXPECT_DOUBLE_EQ(p.p16, 1.0);
  EXPECT_DOUBLE_EQ(p.p84, 4.36);
  const double two[] = {10, 20};
  EXPECT_DOUBLE_EQ(percentileSorted(two, 0.16), 11.6);

  const double one[] = {7.0};
  EXPECT_DOUBLE_EQ(percentileSorted(one, 0.16), 7.0);
  EXPECT_TRUE(std::isnan(percentileSorted({}, 0.5)));
}

TEST(Statistics, PearsonCorrelation) {
  const double x[] = {1, 2, 3, 4}, y[] = {1, 3, 2, 4}, down[] = {8, 6, 4, 2}, flat[] = {2, 2, 2, 2};
  // Deviations -1.5 -0.5 0.5 1.5 and -1.5 0.5 -0.5 1.5: 4 / sqrt(5 * 5).
  EXPECT_NEAR(*pearson(x, y), 0.8, 1e-15);
  EXPECT_NEAR(*pearson(x, down), -1.0, 1e-15);
  EXPECT_FALSE(pearson(x, flat));
  EXPECT_FALSE(pearson(std::span(x, 1), std::span(y, 1)));
}

TEST(Random, StreamsFollowTheTripleAndAreStandardNormal) {
  DrawRandom a(42, 3, 7), b(42, 3, 7), c(42, 3, 8), d(43, 3, 7), e(42, 4, 7);
  const double first = a.normal();
  EXPECT_EQ(first, b.normal());
  EXPECT_NE(first, c.normal());
  EXPECT_NE(first, d.normal());
  EXPECT_NE(first, e.normal());

  // Mean and variance of 40000 values (standard errors 0.005 and 0.007).
  double sum = 0, squares = 0;
  for (std::uint64_t draw = 0; draw < 10000; ++draw) {
    DrawRandom r(1, 0, draw);
    for (int k = 0; k < 4; ++k) {
      const double z = r.normal();
      sum += z;
      squares += z * z;
    }
  }
  EXPECT_NEAR(sum / 40000, 0.0, 0.025);
  EXPECT_NEAR(squares / 40000, 1.0, 0.035);
}

}  // namespace
}  // namespace mantlept
