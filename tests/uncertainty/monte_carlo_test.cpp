// Perturbed draws of one association against the unperturbed engine.
#include "uncertainty/monte_carlo.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "methods/catalogue.hpp"
#include "solver/engine.hpp"

namespace mantlept {
namespace {

// Garnet lherzolites of examples/xenoliths.txt.
Association lherzolite(bool sheared) {
  Association a;
  a.clear();
  auto put = [&](Slot s, OxideValues v) {
    a.ox[s] = v;
    a.present[s] = true;
  };
  if (!sheared) {
    put(Opx, {57.52f, 0.10f, 0.82f, 0.36f, 4.92f, 0.12f, 34.61f, 0.95f, 0.21f, 0, 0.12f, 0});
    put(Cpx, {54.85f, 0.26f, 2.21f, 1.52f, 2.81f, 0.09f, 17.42f, 18.63f, 1.93f, 0, 0.05f, 0});
    put(Ol, {40.93f, 0, 0.02f, 0.03f, 8.31f, 0.11f, 50.24f, 0.06f, 0, 0, 0.38f, 0});
    put(Gar, {42.05f, 0.31f, 20.52f, 4.33f, 6.92f, 0.33f, 20.91f, 5.02f, 0.05f, 0, 0.01f, 0});
  } else {
    put(Opx, {57.10f, 0.22f, 0.95f, 0.30f, 5.60f, 0.13f, 33.80f, 1.45f, 0.30f, 0, 0.11f, 0});
    put(Cpx, {54.40f, 0.40f, 2.60f, 1.10f, 4.10f, 0.11f, 19.10f, 16.20f, 1.75f, 0, 0.06f, 0});
    put(Ol, {40.70f, 0.02f, 0.03f, 0.04f, 9.40f, 0.12f, 49.30f, 0.09f, 0, 0, 0.36f, 0});
    put(Gar, {41.80f, 0.75f, 19.90f, 4.10f, 7.60f, 0.30f, 20.80f, 4.90f, 0.08f, 0, 0.02f, 0});
  }
  return a;
}

RunSettings pairs(std::initializer_list<std::pair<int, int>> list, int oxybarometer) {
  RunSettings s;
  for (auto [t, p] : list)
    s.combinations.push_back({t, p, std::string(thermometerLabel(t)), std::string(barometerLabel(p))});
  s.combinationCount = static_cast<int>(s.combinations.size());
  s.oxybarometerNumber = oxybarometer;
  s.iterationLimit = 30;
  return s;
}

RunState fresh(const RunSettings& rs) {
  RunState s;
  s.startT = rs.startT;
  s.startP = rs.startP;
  return s;
}

// The unperturbed outcomes of `a` on a copy of `before`.
std::vector<CombinationOutcome> unperturbed(RunState s, const Association& a,
                                            const RunSettings& rs) {
  NullTerminal quiet;
  CombinationResults results{};
  prepareAssociation(s, a, rs.ferricOption == 2, quiet);
  std::vector<CombinationOutcome> o;
  for (int k = 0; k < rs.evaluatedCount(); ++k)
    o.push_back(evaluateCombination(s, rs, k, results, quiet));
  return o;
}

TEST(MonteCarlo, ZeroSigmaReproducesTheUnperturbedRun) {
  const RunSettings rs = pairs({{7, 5}, {5, 3}}, 5);
  // The store as left by an earlier association of the run.
  RunState before = fresh(rs);
  NullTerminal quiet;
  CombinationResults results{};
  prepareAssociation(before, lherzolite(true), false, quiet);
  for (int k = 0; k < rs.evaluatedCount(); ++k) evaluateCombination(before, rs, k, results, quiet);

  const auto expected = unperturbed(before, lherzolite(false), rs);
  std::vector<PairSpread> out;
  drawAssociation(before, lherzolite(false), rs, SigmaTable::relative(0), 9, 1, 5, out);
  ASSERT_EQ(out.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    ASSERT_EQ(expected[k].status, CombinationStatus::Ok) << k;
    EXPECT_EQ(out[k].okFraction, 1.0);
    EXPECT_EQ(out[k].T.median, static_cast<double>(expected[k].result.temperature));
    EXPECT_EQ(out[k].P.median, static_cast<double>(expected[k].result.pressure));
    EXPECT_EQ(out[k].fO2.median, static_cast<double>(expected[k].result.fO2));
    EXPECT_EQ(out[k].T.p16, out[k].T.p84);
    EXPECT_EQ(out[k].P.p16, out[k].P.p84);
    EXPECT_FALSE(out[k].hasCorr);  // no variance
  }
  // Without an oxybarometer there is no fO2 spread.
  drawAssociation(before, lherzolite(false), pairs({{7, 5}}, 0), SigmaTable::relative(0), 9, 1, 3,
                  out);
  EXPECT_TRUE(out[0].T.has);
  EXPECT_FALSE(out[0].fO2.has);
}

TEST(MonteCarlo, DrawsFollowSeedAndAssociationIndexOnly) {
  const RunSettings rs = pairs({{7, 5}}, 0);
  const Association a = lherzolite(false);
  std::vector<PairSpread> first, again, other;
  drawAssociation(fresh(rs), a, rs, defaultMicroprobe(), 11, 4, 60, first);
  drawAssociation(fresh(rs), a, rs, defaultMicroprobe(), 11, 4, 60, again);
  drawAssociation(fresh(rs), a, rs, defaultMicroprobe(), 12, 4, 60, other);
  EXPECT_EQ(first[0].T.median, again[0].T.median);
  EXPECT_EQ(first[0].P.p16, again[0].P.p16);
  EXPECT_EQ(first[0].corr, again[0].corr);
  EXPECT_NE(first[0].T.median, other[0].T.median);
  EXPECT_TRUE(first[0].hasCorr);
  EXPECT_LT(first[0].T.p16, first[0].T.median);

  // Negative draws are cut at zero: an absent oxide stays at or above 0.
  Association p;
  SigmaTable big;
  big.abs[Opx][9] = 1.0;  // K2O of the orthopyroxene, 0 wt%
  bool raised = false;
  for (std::uint64_t d = 0; d < 20; ++d) {
    perturbAssociation(a, big, 1, 0, d, p);
    EXPECT_GE(p.ox[Opx].K2O, 0.0f);
    raised = raised || p.ox[Opx].K2O > 0.0f;
    EXPECT_EQ(p.ox[Opx].SiO2, a.ox[Opx].SiO2);
  }
  EXPECT_TRUE(raised);
}

// First-order propagation: a small sigma on one oxide spreads a result by
// about |d result / d oxide| sigma, the derivative taken by central
// difference over the unperturbed engine.
TEST(MonteCarlo, SpreadFollowsTheFirstOrderPropagation) {
  const RunSettings rs = pairs({{7, 5}}, 0);
  const Association a = lherzolite(false);
  struct Case {
    Slot slot;
    int oxide;
    double sigma;
  };
  for (Case c : {Case{Cpx, 7, 0.15}, Case{Opx, 2, 0.02}}) {
    const double h = c.sigma;
    auto at = [&](double dx) {
      Association b = a;
      b.ox[c.slot][c.oxide] = static_cast<Real>(static_cast<double>(a.ox[c.slot][c.oxide]) + dx);
      auto o = unperturbed(fresh(rs), b, rs);
      return std::pair{static_cast<double>(o[0].result.temperature),
                       static_cast<double>(o[0].result.pressure)};
    };
    const auto up = at(h), down = at(-h);
    const double dT = (up.first - down.first) / (2 * h), dP = (up.second - down.second) / (2 * h);

    SigmaTable one;
    one.abs[c.slot][static_cast<std::size_t>(c.oxide)] = c.sigma;
    std::vector<PairSpread> out;
    drawAssociation(fresh(rs), a, rs, one, 3, 0, 3000, out);
    ASSERT_EQ(out[0].okFraction, 1.0);
    const double sT = (out[0].T.p84 - out[0].T.p16) / 2, sP = (out[0].P.p84 - out[0].P.p16) / 2;
    EXPECT_NEAR(sT, std::fabs(dT) * c.sigma, 0.08 * std::fabs(dT) * c.sigma + 0.5) << c.oxide;
    EXPECT_NEAR(sP, std::fabs(dP) * c.sigma, 0.08 * std::fabs(dP) * c.sigma + 0.05) << c.oxide;
  }
}

}  // namespace
}  // namespace mantlept
