// Recalculation of oxide analyses to cations per formula unit.
#include "minerals/formula.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace mantlept {
namespace {

// Double-precision working of the recalculation, written from the method:
// cation basis for the ferric estimate, oxygen basis for the final formula.
struct Reference {
  std::array<double, 12> ox;
  std::array<double, 13> cat;
};

constexpr std::array<double, 12> kWeight = {60.0848, 79.899, 101.961, 151.9902, 71.846, 70.9374,
                                            40.311,  56.0794, 61.979, 94.2,     74.71,  159.692};
constexpr std::array<double, 12> kOxygens = {2, 2, 3, 3, 1, 1, 1, 1, 1, 1, 1, 3};
constexpr std::array<double, 12> kCations = {1, 1, 2, 2, 1, 1, 1, 1, 2, 2, 1, 2};
constexpr std::array<double, 12> kTypeCations = {4, 4, 3, 3, 8, 1, 2, 15, 7, 5, 1};
constexpr std::array<double, 12> kTypeOxygens = {6, 6, 4, 4, 12, 1, 3, 23, 11, 8, 1};

Reference reference(std::array<double, 12> ox, int type, bool ferric) {
  double nCat = kTypeCations[type - 1], nOx = kTypeOxygens[type - 1];
  if (ferric) {
    double sum = 0;
    for (int k = 0; k < 12; ++k) sum += ox[k] / kWeight[k] * kCations[k];
    double s = sum / nCat;
    if (!(s > 1e-10)) s = 1;
    double c5 = ox[4] / kWeight[4] / s, c12 = ox[11] / kWeight[11] / s * 2, so = 0;
    for (int k = 0; k < 12; ++k) so += ox[k] / kWeight[k] / s * kOxygens[k];
    if (nOx != 1) {
      c12 = nOx - so;
      c5 = c5 - c12;
      if (!(c5 > 1e-7)) c5 = 0;
    }
    double fe2o3 = ox[4] * c12 / (c12 + c5);
    ox[4] -= fe2o3;
    ox[11] = fe2o3 * 1.1;
  }
  Reference r{ox, {}};
  double o = 0;
  for (int k = 0; k < 12; ++k) o += ox[k] / kWeight[k] * kOxygens[k];
  double t = o / nOx;
  for (int k = 0; k < 12; ++k) {
    r.cat[k] = ox[k] / kWeight[k] / t * kCations[k];
    r.cat[12] += r.cat[k];
  }
  return r;
}

OxideValues oxides(const std::array<double, 12>& v) {
  OxideValues ox;
  for (int k = 0; k < 12; ++k) ox[k] = static_cast<float>(v[k]);
  return ox;
}

void expectMatches(const Recalculation& r, const Reference& ref) {
  for (int k = 0; k < 12; ++k) {
    // The ferric split rests on a small difference of oxygen totals, which
    // single precision carries to about 1e-4 wt%.
    EXPECT_NEAR(r.ox[k], ref.ox[k], 2e-4 * std::max(1.0, std::fabs(ref.ox[k]))) << "oxide " << k;
  }
  for (int k = 0; k < 13; ++k) {
    EXPECT_NEAR(r.cat[k], ref.cat[k], 2e-5 * std::max(1.0, std::fabs(ref.cat[k]))) << "cation " << k;
  }
}

TEST(Formula, OlivineOfSilicaAndPericlaseInOneToTwo) {
  Recalculation r = recalculate(oxides({60.0848, 0, 0, 0, 0, 0, 80.622}), 3, false);
  EXPECT_NEAR(r.cat.Si, 1.0f, 1e-6f);
  EXPECT_NEAR(r.cat.Mg, 2.0f, 1e-6f);
  EXPECT_NEAR(r.cat.Sum, 3.0f, 1e-6f);
}

TEST(Formula, ScaledToOxygensNotToCations) {
  Recalculation r = recalculate(oxides({0, 0, 0, 0, 0, 0, 40.0}), 3, false);
  EXPECT_NEAR(r.cat.Mg, 4.0f, 1e-6f);
}

TEST(Formula, RealisticMineralsWithAndWithoutFerricEstimate) {
  const std::array<double, 12> opx = {57.52, 0.10, 0.82, 0.36, 4.92, 0.12, 34.61, 0.95, 0.21, 0, 0.12, 0};
  const std::array<double, 12> garnet = {42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0, 0.01, 0};
  const std::array<double, 12> spinel = {0.05, 0.10, 54.02, 13.51, 10.52, 0.11, 20.63, 0, 0, 0, 0.35, 0};
  const std::array<double, 12> ilmenite = {0.1, 50.5, 0.62, 1.21, 34.02, 0.31, 11.52, 0.02, 0, 0, 0.21, 0};
  for (bool ferric : {false, true}) {
    expectMatches(recalculate(oxides(opx), 1, ferric), reference(opx, 1, ferric));
    expectMatches(recalculate(oxides(garnet), 5, ferric), reference(garnet, 5, ferric));
    expectMatches(recalculate(oxides(spinel), 4, ferric), reference(spinel, 4, ferric));
    expectMatches(recalculate(oxides(ilmenite), 7, ferric), reference(ilmenite, 7, ferric));
  }
  // With the option off FeO and Fe2O3 stay as read.
  Recalculation r = recalculate(oxides(spinel), 4, false);
  EXPECT_EQ(r.ox.FeO, 10.52f);
  EXPECT_EQ(r.ox.Fe2O3, 0.0f);
}

TEST(Formula, FerricEstimateIsNotClampedWhenOxygensExceedTheIdeal) {
  // An olivine with excess silica: more oxygens than 4 at 3 cations.
  const std::array<double, 12> ol = {45.0, 0, 0, 0, 9.0, 0, 46.0};
  Reference ref = reference(ol, 3, true);
  ASSERT_LT(ref.ox[11], 0.0);  // negative ferric iron
  Recalculation r = recalculate(oxides(ol), 3, true);
  expectMatches(r, ref);
  EXPECT_LT(r.ox.Fe2O3, 0.0f);
  EXPECT_GT(r.ox.FeO, 9.0f);  // FeO grew by the ferric weight divided by 1.1
  EXPECT_NEAR(r.ox.FeO - 9.0f, -r.ox.Fe2O3 / 1.1f, 1e-5f);
}

TEST(Formula, FerricEstimateWithoutFeODiscardsTheLineFe2O3) {
  // An oxygen deficit at 3 cations: a positive ferric estimate, but no FeO to split.
  const std::array<double, 12> sp = {0.1, 0.2, 50.0, 15.0, 0, 0.1, 30.0, 0, 0, 0, 0, 6.0};
  Recalculation r = recalculate(oxides(sp), 4, true);
  EXPECT_EQ(r.ox.Fe2O3, 0.0f);
  EXPECT_EQ(r.ox.FeO, 0.0f);
  EXPECT_EQ(r.cat.Fe3, 0.0f);
  // An oxygen excess without FeO: the negative estimate and the ferrous rest
  // cancel (c[12] + c[5] = 0), the split has no value, and both stay as read.
  const std::array<double, 12> excess = {0.1, 0.2, 50.0, 15.0, 0, 0.1, 21.0, 0, 0, 0, 0, 6.0};
  Recalculation kept = recalculate(oxides(excess), 4, true);
  EXPECT_EQ(kept.ox.Fe2O3, 6.0f);
  EXPECT_EQ(kept.ox.FeO, 0.0f);
  EXPECT_GT(kept.cat.Fe3, 0.0f);
}

TEST(Formula, TypesWithOneOxygenSplitInTheRatioOfTheLinesOwnIron) {
  const std::array<double, 12> line = {0, 0, 0, 0, 10.0, 0, 0, 0, 0, 0, 0, 8.0};
  for (int type : {6, 11}) {
    Reference ref = reference(line, type, true);
    expectMatches(recalculate(oxides(line), type, true), ref);
    // Split by cations: Fe3/(Fe3+Fe2) of the line itself.
    double c12 = 8.0 / 159.692 * 2, c5 = 10.0 / 71.846;
    EXPECT_NEAR(ref.ox[11], 10.0 * c12 / (c12 + c5) * 1.1, 1e-9);
  }
}

TEST(Formula, AnalysisWithoutFormulaCountsAsAbsent) {
  Recalculation zero = recalculate(OxideValues{}, 5, false);
  for (int k = 0; k < 13; ++k) EXPECT_EQ(zero.cat[k], 0.0f) << k;
  Recalculation zeroFerric = recalculate(OxideValues{}, 5, true);
  for (int k = 0; k < 13; ++k) EXPECT_EQ(zeroFerric.cat[k], 0.0f) << k;
  // Types 6 and 11 without FeO and Fe2O3: no split; the values stay as read.
  const std::array<double, 12> noIron = {0, 0, 0, 0, 0, 0, 5.0};
  Recalculation r = recalculate(oxides(noIron), 6, true);
  EXPECT_EQ(r.ox.FeO, 0.0f);
  EXPECT_EQ(r.ox.Fe2O3, 0.0f);
  EXPECT_TRUE(std::isfinite(r.cat.Mg));
}

TEST(Formula, KeepsNoStateBetweenCalls) {
  OxideValues gar = oxides({42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0, 0.01, 0});
  Recalculation a = recalculate(gar, 5, true);
  recalculate(oxides({45.0, 0, 0, 0, 9.0, 0, 46.0}), 3, true);
  Recalculation b = recalculate(gar, 5, true);
  for (int k = 0; k < 13; ++k) EXPECT_EQ(a.cat[k], b.cat[k]);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(a.ox[k], b.ox[k]);
}

}  // namespace
}  // namespace mantlept
