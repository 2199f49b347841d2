// Perturbed draws of one association against the unperturbed engine.
#include "uncertainty/monte_carlo.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "methods/catalogue.hpp"
#include "solver/engine.hpp"

namespace mantlept {
namespace {

// The garnet lherzolite KX-101 of examples/xenoliths.txt.
Association lherzolite() {
  Association a;
  a.clear();
  a.ox[Opx] = {57.52f, 0.10f, 0.82f, 0.36f, 4.92f, 0.12f, 34.61f, 0.95f, 0.21f, 0, 0.12f, 0};
  a.ox[Cpx] = {54.85f, 0.26f, 2.21f, 1.52f, 2.81f, 0.09f, 17.42f, 18.63f, 1.93f, 0, 0.05f, 0};
  a.ox[Ol] = {40.93f, 0, 0.02f, 0.03f, 8.31f, 0.11f, 50.24f, 0.06f, 0, 0, 0.38f, 0};
  a.ox[Gar] = {42.05f, 0.31f, 20.52f, 4.33f, 6.92f, 0.33f, 20.91f, 5.02f, 0.05f, 0, 0.01f, 0};
  for (Slot s : {Opx, Cpx, Ol, Gar}) a.present[s] = true;
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

// The unperturbed outcomes of `a`, evaluated on `s`.
std::vector<CombinationOutcome> evaluate(RunState& s, const Association& a, const RunSettings& rs) {
  NullTerminal quiet;
  CombinationResults results{};
  prepareAssociation(s, a, rs.ferricRule(), quiet);
  std::vector<CombinationOutcome> o;
  for (int k = 0; k < rs.evaluatedCount(); ++k)
    o.push_back(evaluateCombination(s, rs, k, results, quiet));
  return o;
}

// With no noise every draw is the sample evaluated alone, pair by pair: the
// same numbers whatever the store of an earlier sample held.
TEST(MonteCarlo, ZeroSigmaReproducesEachPairAlone) {
  const RunSettings rs = pairs({{7, 5}, {5, 3}}, 5);
  std::vector<CombinationOutcome> expected;
  for (const MethodCombination& c : rs.combinations) {
    RunState fresh;  // a store no other sample or pair has touched
    expected.push_back(evaluate(fresh, lherzolite(), pairs({{c.thermometer, c.barometer}}, 5))[0]);
  }

  std::vector<PairSpread> out;
  ASSERT_TRUE(drawAssociation(lherzolite(), rs, SigmaTable::relative(0), 9, 1, 5, out));
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
  drawAssociation(lherzolite(), pairs({{7, 5}}, 0), SigmaTable::relative(0), 9, 1, 3, out);
  EXPECT_TRUE(out[0].T.has);
  EXPECT_FALSE(out[0].fO2.has);  // no oxybarometer chosen

  int asked = 0;
  EXPECT_FALSE(drawAssociation(lherzolite(), rs, SigmaTable::relative(0), 9, 1, 50, out,
                               [&asked] { return ++asked > 3; }));
  EXPECT_EQ(asked, 4);  // asked before each draw, stopped before the fourth
}

TEST(MonteCarlo, DrawsFollowSeedAndIndexAndStayNonNegative) {
  const RunSettings rs = pairs({{7, 5}}, 0);
  const Association a = lherzolite();
  std::vector<PairSpread> first, again, other;
  drawAssociation(a, rs, defaultMicroprobe(), 11, 4, 60, first);
  drawAssociation(a, rs, defaultMicroprobe(), 11, 4, 60, again);
  drawAssociation(a, rs, defaultMicroprobe(), 12, 4, 60, other);
  EXPECT_EQ(first[0].T.median, again[0].T.median);
  EXPECT_EQ(first[0].corr, again[0].corr);
  EXPECT_NE(first[0].T.median, other[0].T.median);
  EXPECT_TRUE(first[0].hasCorr);
  EXPECT_LT(first[0].T.p16, first[0].T.median);

  SigmaTable big;
  big.abs[Opx][9] = 1.0;  // K2O of the orthopyroxene is 0 wt%: half the draws are cut to 0
  Association p;
  int raised = 0;
  for (std::uint64_t d = 0; d < 20; ++d) {
    perturbAssociation(a, big, 1, 0, d, p);
    EXPECT_GE(p.ox[Opx].K2O, 0.0f);
    raised += p.ox[Opx].K2O > 0.0f;
    EXPECT_EQ(p.ox[Opx].SiO2, a.ox[Opx].SiO2);
  }
  EXPECT_GT(raised, 0);
  EXPECT_LT(raised, 20);
}

// A small sigma on one oxide spreads a result by about |d result / d oxide|
// sigma, the derivative by central difference over the unperturbed engine.
TEST(MonteCarlo, SpreadFollowsTheFirstOrderPropagation) {
  const RunSettings rs = pairs({{7, 5}}, 0);
  const Association a = lherzolite();
  for (auto [slot, oxide, sigma] : {std::tuple{Cpx, 7, 0.15}, std::tuple{Opx, 2, 0.02}}) {
    auto at = [&, slot = slot, oxide = oxide](double dx) {
      Association b = a;
      b.ox[slot][oxide] = static_cast<Real>(static_cast<double>(a.ox[slot][oxide]) + dx);
      RunState s;
      const CombinationResult r = evaluate(s, b, rs)[0].result;
      return std::pair{static_cast<double>(r.temperature), static_cast<double>(r.pressure)};
    };
    const auto up = at(sigma), down = at(-sigma);
    const double sT = std::fabs(up.first - down.first) / 2, sP = std::fabs(up.second - down.second) / 2;

    SigmaTable one;
    one.abs[slot][static_cast<std::size_t>(oxide)] = sigma;
    std::vector<PairSpread> out;
    drawAssociation(a, rs, one, 3, 0, 3000, out);
    ASSERT_EQ(out[0].okFraction, 1.0);
    EXPECT_NEAR((out[0].T.p84 - out[0].T.p16) / 2, sT, 0.08 * sT + 0.5) << oxide;
    EXPECT_NEAR((out[0].P.p84 - out[0].P.p16) / 2, sP, 0.08 * sP + 0.05) << oxide;
  }
}

}  // namespace
}  // namespace mantlept
