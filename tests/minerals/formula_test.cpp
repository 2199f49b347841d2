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

// Ideal end-members as moles of oxide per formula unit (SiO2, TiO2, Al2O3,
// Cr2O3, FeO, MnO, MgO, CaO, Na2O, K2O, NiO, Fe2O3).
using Moles = std::array<double, 12>;
constexpr Moles kDiopside = {2, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};        // CaMgSi2O6
constexpr Moles kHedenbergite = {2, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0};    // CaFeSi2O6
constexpr Moles kAegirine = {2, 0, 0, 0, 0, 0, 0, 0, 0.5, 0, 0, 0.5};    // NaFe3+Si2O6
constexpr Moles kEsseneite = {1, 0, 0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0.5};   // CaFe3+AlSiO6
constexpr Moles kPyrope = {3, 0, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0};          // Mg3Al2Si3O12
constexpr Moles kAndradite = {3, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1};       // Ca3Fe3+2Si3O12
constexpr Moles kAlmandine = {3, 0, 1, 0, 3, 0, 0, 0, 0, 0, 0, 0};       // Fe3Al2Si3O12
constexpr Moles kSpinel = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0};          // MgAl2O4
constexpr Moles kMagnetite = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};       // Fe2+Fe3+2O4
constexpr Moles kIlmenite = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};        // FeTiO3
constexpr Moles kHematite = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};        // Fe2O3 (2 cations)
constexpr Moles kForsterite = {1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};      // Mg2SiO4
constexpr Moles kFayalite = {1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};        // Fe2SiO4

struct Mixture {
  std::array<double, 12> wt;  // wt%, all iron as FeO
  double ferricRatio;         // Fe3+/Fe of the mixture
};

Mixture mix(std::initializer_list<std::pair<double, Moles>> parts) {
  Moles m{};
  for (const auto& [x, member] : parts)
    for (int k = 0; k < 12; ++k) m[k] += x * member[k];
  const double ferrous = m[4], ferric = 2 * m[11];
  Mixture out{{}, ferric / (ferrous + ferric)};
  m[4] = ferrous + ferric;  // reported as FeO, as a microprobe does
  m[11] = 0;
  double total = 0;
  for (int k = 0; k < 12; ++k) total += m[k] * kWeight[k];
  for (int k = 0; k < 12; ++k) out.wt[k] = 100.0 * m[k] * kWeight[k] / total;
  return out;
}

double ferricRatio(const CationFormula& c) {
  return static_cast<double>(c.Fe3) / static_cast<double>(c.Fe3 + c.Fe);
}

TEST(Formula, ChargeBalanceRecoversTheFerricIronOfIdealMixtures) {
  struct Case {
    const char* name;
    int type;
    Mixture m;
  };
  const Case cases[] = {
      {"cpx Di70 Hd10 Ae20", 2, mix({{0.7, kDiopside}, {0.1, kHedenbergite}, {0.2, kAegirine}})},
      {"cpx Di50 Hd20 Ess30", 2, mix({{0.5, kDiopside}, {0.2, kHedenbergite}, {0.3, kEsseneite}})},
      {"opx basis, aegirine", 1, mix({{1.0, kAegirine}})},
      {"garnet Prp60 Alm20 Adr20", 5, mix({{0.6, kPyrope}, {0.2, kAlmandine}, {0.2, kAndradite}})},
      {"spinel Sp80 Mt20", 4, mix({{0.8, kSpinel}, {0.2, kMagnetite}})},
      {"ilmenite Ilm90 Hem10", 7, mix({{0.9, kIlmenite}, {0.1, kHematite}})},
      {"olivine Fo90", 3, mix({{0.9, kForsterite}, {0.1, kFayalite}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Recalculation r = recalculate(oxides(c.m.wt), c.type, FerricRule::ChargeBalance);
    EXPECT_NEAR(ferricRatio(r.cat), c.m.ferricRatio, 1e-4);
    // Balanced: the ideal cations on the ideal oxygens.
    EXPECT_NEAR(r.cat.Sum, kTypeCations[c.type - 1], 1e-4);
    // The FeO weight moved, as Fe2O3 at 1.1113 its weight.
    const double moved = c.m.wt[4] - static_cast<double>(r.ox.FeO);
    EXPECT_NEAR(r.ox.Fe2O3, 1.1113 * moved, 1e-4);
    EXPECT_NEAR(moved / c.m.wt[4], c.m.ferricRatio, 1e-4);
  }
}

TEST(Formula, TheDialoguesEstimateIsHalfTheChargeBalance) {
  // Fe3+/Fe 2/3: one ferric cation per missing oxygen finds 1/3.
  const Mixture m = mix({{0.7, kDiopside}, {0.1, kHedenbergite}, {0.2, kAegirine}});
  ASSERT_NEAR(m.ferricRatio, 2.0 / 3.0, 1e-12);
  const Recalculation dialogue = recalculate(oxides(m.wt), 2, FerricRule::Dialogue);
  const Recalculation balance = recalculate(oxides(m.wt), 2, FerricRule::ChargeBalance);
  // A third of the iron weight moved, then carried as Fe2O3 at 1.1 its
  // weight (not 1.1113), which leaves the formula's Fe3+/Fe a little under.
  EXPECT_NEAR((m.wt[4] - static_cast<double>(dialogue.ox.FeO)) / m.wt[4], 1.0 / 3.0, 1e-4);
  EXPECT_NEAR(ferricRatio(dialogue.cat), 1.0 / 3.0, 3e-3);
  EXPECT_NEAR(balance.cat.Fe3, 0.2, 1e-4);
  // The dialogue's own arithmetic is unchanged (worked above in double).
  expectMatches(dialogue, reference(m.wt, 2, true));
}

TEST(Formula, ChargeBalanceKeepsFerricIronWithinTheIron) {
  struct Case {
    const char* name;
    std::array<double, 12> wt;
    double ferricRatio;  // 0: all ferrous; 1: all ferric
  };
  // Cations in excess of what all the iron can balance (MgO added to a
  // diopside with a little FeO): all its iron ferric, no more. Silica in
  // excess (an oxygen surplus): none ferric.
  const Case cases[] = {
      {"cation excess", {55.0, 0, 0, 0, 0.5, 0, 26.0, 25.0}, 1.0},
      {"oxygen excess", {60.0, 0, 0, 0, 3.0, 0, 17.0, 25.0}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Recalculation r = recalculate(oxides(c.wt), 2, FerricRule::ChargeBalance);
    EXPECT_NEAR(ferricRatio(r.cat), c.ferricRatio, 1e-6);
    EXPECT_NEAR(r.ox.FeO + r.ox.Fe2O3 / 1.1113f, c.wt[4], 1e-4);
  }
}

TEST(Formula, ChargeBalanceCountsAnAnalysedFe2O3AsIron) {
  // The same garnet with part of its iron reported as Fe2O3 (at the weight
  // ratio 1.1113) gives the same formula as with all of it as FeO.
  const Mixture m = mix({{0.6, kPyrope}, {0.2, kAlmandine}, {0.2, kAndradite}});
  std::array<double, 12> split = m.wt;
  split[4] = m.wt[4] * 0.4;
  split[11] = m.wt[4] * 0.6 * 1.1113;
  const Recalculation a = recalculate(oxides(m.wt), 5, FerricRule::ChargeBalance);
  const Recalculation b = recalculate(oxides(split), 5, FerricRule::ChargeBalance);
  for (int k = 0; k < CationFormula::kCount; ++k) EXPECT_NEAR(a.cat[k], b.cat[k], 2e-5) << k;
  // And no estimate leaves the analysis as it is.
  const Recalculation none = recalculate(oxides(split), 5, FerricRule::None);
  EXPECT_EQ(none.ox.Fe2O3, static_cast<float>(split[11]));
}

}  // namespace
}  // namespace mantlept
