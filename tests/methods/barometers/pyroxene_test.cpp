// Two-pyroxene calcium and single-pyroxene barometers against their
// double-precision reference forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "methods/barometers/barometers.hpp"
#include "methods/barometers/pyroxene_reference.hpp"

namespace mantlept {
namespace {

namespace ref = reference;

double d(float x) { return static_cast<double>(x); }

ref::PyroxeneCations cations(const CationFormula& c) {
  return {d(c.Si), d(c.Ti), d(c.Al), d(c.Cr), d(c.Fe), d(c.Mn), d(c.Mg), d(c.Ca), d(c.Na)};
}

// Pyroxenes of a garnet lherzolite near 1100 C.
RunState garnetLherzolite() {
  RunState s;
  s.cat[Opx] = {.Si = 1.94f,
                .Ti = 0.003f,
                .Al = 0.10f,
                .Cr = 0.012f,
                .Fe = 0.17f,
                .Mn = 0.003f,
                .Mg = 1.72f,
                .Ca = 0.04f,
                .Na = 0.02f};
  s.cat[Cpx] = {.Si = 1.98f,
                .Ti = 0.004f,
                .Al = 0.12f,
                .Cr = 0.025f,
                .Fe = 0.08f,
                .Mn = 0.002f,
                .Mg = 0.95f,
                .Ca = 0.74f,
                .Na = 0.07f};
  s.site.XCa_Opx = 0.02f;
  s.site.XCa_Cpx = 0.40f;
  s.T = 1373.0f;
  s.P = 40.0f;
  return s;
}

// Pyroxenes of a hot, aluminous spinel lherzolite.
RunState spinelLherzolite() {
  RunState s;
  s.cat[Opx] = {.Si = 1.88f,
                .Ti = 0.005f,
                .Al = 0.20f,
                .Cr = 0.012f,
                .Fe = 0.18f,
                .Mn = 0.003f,
                .Mg = 1.68f,
                .Ca = 0.06f,
                .Na = 0.015f};
  s.cat[Cpx] = {.Si = 1.90f,
                .Ti = 0.01f,
                .Al = 0.26f,
                .Cr = 0.03f,
                .Fe = 0.09f,
                .Mn = 0.002f,
                .Mg = 0.88f,
                .Ca = 0.80f,
                .Na = 0.08f};
  s.site.XCa_Opx = 0.03f;
  s.site.XCa_Cpx = 0.45f;
  s.T = 1323.0f;
  s.P = 15.0f;
  return s;
}

// Hotter garnet lherzolite with subcalcic clinopyroxene.
RunState subcalcicLherzolite() {
  RunState s = garnetLherzolite();
  s.cat[Cpx].Ca = 0.53f;
  s.cat[Cpx].Mg = 1.10f;
  s.cat[Opx].Ca = 0.06f;
  s.T = 1573.0f;
  return s;
}

// Everything of the store except P is byte-for-byte the same.
bool onlyPressureDiffers(const RunState& a, const RunState& b) {
  RunState x = a;
  RunState y = b;
  x.P = y.P = 0.0f;
  return std::memcmp(&x, &y, sizeof(RunState)) == 0;
}

bool unchanged(const RunState& a, const RunState& b) {
  return std::memcmp(&a, &b, sizeof(RunState)) == 0;
}

void expectClose(float actual, double expected, double rel = 2e-5) {
  ASSERT_TRUE(std::isfinite(expected));
  EXPECT_NEAR(d(actual), expected, rel * std::max(1.0, std::fabs(expected)));
}

TEST(PyroxeneBarometers, TwoPyroxeneCalciumMatchesReference) {
  // The garnet lherzolite takes the first expression, the spinel one the second.
  const std::pair<RunState, bool> cases[] = {{garnetLherzolite(), true},
                                             {spinelLherzolite(), false}};
  for (const auto& [before, firstExpression] : cases) {
    const ref::TwoPyroxeneCalcium r =
        ref::twoPyroxeneCalcium(cations(before.cat[Opx]), cations(before.cat[Cpx]));
    ASSERT_EQ(r.firstP > 5.0, firstExpression);
    RunState s = before;
    ASSERT_EQ(runBarometer(15, s), BarometerOutcome::PressureSet);
    expectClose(s.P, r.P);
    expectClose(s.site.XCa_Opx, r.XCaOpx, 1e-6);
    expectClose(s.site.XCa_Cpx, r.XCaCpx, 1e-6);
    // Nothing else is written, and a second run gives the same values again.
    RunState again = s;
    ASSERT_EQ(barometer15(again), BarometerOutcome::PressureSet);
    EXPECT_TRUE(unchanged(s, again));
    s.site.XCa_Opx = before.site.XCa_Opx;
    s.site.XCa_Cpx = before.site.XCa_Cpx;
    EXPECT_TRUE(onlyPressureDiffers(before, s));
  }
}

TEST(PyroxeneBarometers, TwoPyroxeneCalciumAtFiveKbarUsesSecondExpression) {
  // Without sodium and with no Ca in Cpx, R is Ca(Opx) itself.
  const float atFive = 0.452422947f;
  const float aboveFive = std::nextafter(atFive, 0.0f);
  ASSERT_EQ(10.0f * (1.279f / (atFive + 0.006f) - 2.29f), 5.0f);
  ASSERT_GT(10.0f * (1.279f / (aboveFive + 0.006f) - 2.29f), 5.0f);
  const std::pair<float, double> cases[] = {
      {atFive, 10.0 * (1.073 / (d(atFive) + 0.028) - 1.65)},
      {aboveFive, 10.0 * (1.279 / (d(aboveFive) + 0.006) - 2.29)},
  };
  for (const auto& [R, expected] : cases) {
    RunState s = garnetLherzolite();
    s.cat[Opx].Na = s.cat[Cpx].Na = s.cat[Cpx].Ca = 0.0f;
    s.cat[Opx].Ca = R;
    ASSERT_EQ(barometer15(s), BarometerOutcome::PressureSet);
    expectClose(s.P, expected);
  }
}

TEST(PyroxeneBarometers, TwoPyroxeneCalciumWithoutValue) {
  // Na(Opx) = 1: no sodium-corrected fractions, nothing written.
  RunState start = garnetLherzolite();
  start.cat[Opx].Na = 1.0f;
  RunState s = start;
  EXPECT_EQ(barometer15(s), BarometerOutcome::NotComplete);
  EXPECT_TRUE(unchanged(start, s));
  // XCa_Cpx = 1: the fractions are written, R has no value, P stays.
  s = garnetLherzolite();
  s.cat[Opx].Na = s.cat[Cpx].Na = 0.0f;
  s.cat[Cpx].Ca = 1.0f;
  EXPECT_EQ(barometer15(s), BarometerOutcome::NotComplete);
  EXPECT_EQ(s.site.XCa_Opx, 0.04f);
  EXPECT_EQ(s.site.XCa_Cpx, 1.0f);
  EXPECT_EQ(s.P, 40.0f);
}

struct FamilyCase {
  int number;
  std::function<ref::SinglePyroxene(const RunState&)> expected;
};

const std::vector<FamilyCase>& familyCases() {
  static const std::vector<FamilyCase> cases = {
      {24, [](const RunState& s) { return ref::cpxGarnetFacies(cations(s.cat[Cpx])); }},
      {25, [](const RunState& s) { return ref::cpxGarnetFacies(cations(s.cat[Cpx])); }},
      {26, [](const RunState& s) { return ref::opxGarnetFacies(cations(s.cat[Opx])); }},
      {27, [](const RunState& s) { return ref::cpxSpinelFacies(cations(s.cat[Cpx])); }},
      {28, [](const RunState& s) { return ref::opxSpinelFacies(cations(s.cat[Opx])); }},
  };
  return cases;
}

TEST(PyroxeneBarometers, SinglePyroxeneFamilyMatchesReference) {
  for (const RunState& before : {garnetLherzolite(), spinelLherzolite(), subcalcicLherzolite()}) {
    for (const FamilyCase& c : familyCases()) {
      SCOPED_TRACE(c.number);
      const ref::SinglePyroxene v = c.expected(before);
      ASSERT_GT(v.K1, 1e-07);
      ASSERT_GT(v.K2, 1e-07);
      RunState s = before;
      ASSERT_EQ(runBarometer(c.number, s), BarometerOutcome::PressureSet);
      // Some constants carry digits worth only a few parts per million of P.
      expectClose(s.P, v.P, 3e-6);
      EXPECT_TRUE(onlyPressureDiffers(before, s));
    }
  }
  // The associations cover both K1 branches of 25 and of 26.
  EXPECT_GT(ref::cpxGarnetFacies(cations(garnetLherzolite().cat[Cpx])).XCa, 0.322);
  EXPECT_LE(ref::cpxGarnetFacies(cations(subcalcicLherzolite().cat[Cpx])).XCa, 0.322);
  const auto lowK1 = [](const RunState& s) {
    const double XCa = ref::opxGarnetFacies(cations(s.cat[Opx])).XCa;
    return 11.976 * XCa / (1.0 - 2.0 * XCa);
  };
  EXPECT_LT(lowK1(garnetLherzolite()), 0.3785);
  EXPECT_GT(lowK1(spinelLherzolite()), 0.3785);
}

TEST(PyroxeneBarometers, OrthopyroxeneGarnetFaciesSwitchesAtItsThreshold) {
  // Mg = 1 and Ca = c give XCa = c / (1 + c); this c puts K1 exactly on 0.3785.
  RunState s = garnetLherzolite();
  CationFormula& o = s.cat[Opx];
  o.Fe = o.Mn = 0.0f;
  o.Mg = 1.0f;
  o.Ca = 0.0306366142f;
  const float XCa = o.Ca / (o.Fe + o.Mn + o.Mg + o.Ca);
  ASSERT_EQ(11.976f * XCa / (1.0f - 2.0f * XCa), 0.3785f);
  const ref::SinglePyroxene high = ref::opxGarnetFacies(cations(o), ref::K1Branch::High);
  ASSERT_EQ(barometer26(s), BarometerOutcome::PressureSet);
  expectClose(s.P, high.P);
  EXPECT_GT(std::fabs(ref::opxGarnetFacies(cations(o), ref::K1Branch::Low).P - high.P), 0.1);
}

TEST(PyroxeneBarometers, SinglePyroxeneGuards) {
  struct Guard {
    const char* what;
    std::vector<int> numbers;
    std::function<void(RunState&)> change;
  };
  const std::vector<Guard> guards = {
      {"no clinopyroxene", {15, 24, 25, 27}, [](RunState& s) { s.cat[Cpx] = {}; }},
      {"no orthopyroxene", {15, 26, 28}, [](RunState& s) { s.cat[Opx] = {}; }},
      {"Cpx Si at the threshold", {15, 24, 25, 27}, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; }},
      {"Opx Si at the threshold", {15, 26, 28}, [](RunState& s) { s.cat[Opx].Si = 1e-07f; }},
      {"Cpx Al at the threshold", {24}, [](RunState& s) { s.cat[Cpx].Al = 1e-07f; }},
      {"Cpx without Cr", {24}, [](RunState& s) { s.cat[Cpx].Cr = 0.0f; }},
      {"Cpx Fe at the threshold", {24}, [](RunState& s) { s.cat[Cpx].Fe = 1e-07f; }},
      {"Ca half of the Cpx denominator gives K1 = 0",
       {24, 25, 27},
       [](RunState& s) {
         CationFormula& c = s.cat[Cpx];
         c.Na = 0.0f;
         c.Mn = 0.0f;
         c.Fe = 0.25f;
         c.Mg = 0.75f;
         c.Ca = 1.0f;
       }},
      {"Ca half of the Opx denominator gives an infinite K1",
       {26, 28},
       [](RunState& s) {
         CationFormula& o = s.cat[Opx];
         o.Mn = 0.0f;
         o.Fe = 0.25f;
         o.Mg = 0.75f;
         o.Ca = 1.0f;
       }},
      {"A = 0 gives K2 = 0", {26, 28}, [](RunState& s) { s.cat[Opx].Al = s.cat[Opx].Na; }},
      {"A = 0 gives K2 = 0", {27}, [](RunState& s) { s.cat[Cpx].Al = s.cat[Cpx].Na; }},
      {"A = 0 gives K2 = 0", {24, 25}, [](RunState& s) { s.cat[Cpx].Al = 0.57f * s.cat[Cpx].Na; }},
  };
  for (const Guard& g : guards) {
    SCOPED_TRACE(g.what);
    RunState start = garnetLherzolite();
    g.change(start);
    for (int number : g.numbers) {
      RunState s = start;
      EXPECT_EQ(runBarometer(number, s), BarometerOutcome::NotComplete) << number;
      EXPECT_TRUE(unchanged(start, s)) << number;
    }
  }
  // The three Cpx checks of 24 stop it where 25 alone goes on.
  RunState noCr = garnetLherzolite();
  noCr.cat[Cpx].Cr = 0.0f;
  EXPECT_EQ(barometer25(noCr), BarometerOutcome::PressureSet);
}

}  // namespace
}  // namespace mantlept
