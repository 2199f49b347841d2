// Fixed-temperature and two-pyroxene thermometers against double-precision
// references worked from their equations.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "methods/thermometers/thermometers.hpp"
#include "methods/thermometers/two_pyroxene_reference.hpp"

namespace mantlept {
namespace {

using Outcome = ThermometerOutcome;

constexpr Real kEntryTK = 1111.5f;  // TK left by an earlier cycle

// Garnet lherzolite: orthopyroxene and clinopyroxene of a typical xenolith.
RunState lherzolite() {
  RunState s;
  s.cat[Opx] = {1.940f, 0.004f, 0.090f, 0.012f, 0.160f, 0.003f, 1.740f,
                0.032f, 0.012f, 0.0f,   0.003f, 0.020f, 4.016f};
  s.cat[Cpx] = {1.920f, 0.012f, 0.130f, 0.025f, 0.080f, 0.002f, 0.930f,
                0.800f, 0.070f, 0.001f, 0.001f, 0.030f, 4.001f};
  s.site.XMg_Opx = 0.9158f;
  s.site.XFe_Opx = 0.0842f;
  s.site.XCa_Opx = 0.0166f;
  s.site.XMg_Cpx = 0.9208f;
  s.site.XFe_Cpx = 0.0792f;
  s.site.XCa_Cpx = 0.4420f;
  s.site.FM1_Opx = -5.0f;  // stale values that thermometer 2 must replace
  s.site.FM2_Opx = -6.0f;
  s.T = 1273.0f;
  s.P = 35.0f;
  s.TK = kEntryTK;
  return s;
}

reference::Pyroxene px(const CationFormula& c) {
  return {c.Si, c.Ti, c.Al, c.Cr, c.Fe, c.Mn, c.Mg, c.Ca, c.Na, c.K, c.Ni, c.Fe3};
}

void expectRel(double got, double want, double rel = 2e-6) {
  EXPECT_NEAR(got, want, std::fabs(want) * rel) << "want " << want;
}

TEST(FixedTemperature, DefaultStartGives1273EveryCycleAndOutOfRangeNumbersRunIt) {
  RunState s;  // default starting temperature 1000
  // 50 is beyond the commands' thermometers; 48 beyond the dialogue's catalogue.
  for (int number : {1, 1, 0, 50, catalogueThermometer(48)}) {
    s.TK = 5.0f;
    EXPECT_EQ(runThermometer(number, s), Outcome::Continue);
    EXPECT_EQ(s.TK, 1273.0f) << number;
  }
  s.startT = 850.5f;
  EXPECT_EQ(runThermometer(-3, s), Outcome::Continue);
  EXPECT_EQ(s.TK, reference::fixedTemperature(850.5));
}

TEST(TwoPyroxeneThermometers, GarnetLherzoliteMatchesReference) {
  const RunState base = lherzolite();
  const auto o = px(base.cat[Opx]);
  const auto c = px(base.cat[Cpx]);
  const auto& x = base.site;
  const double P = base.P;
  struct Case {
    int number;
    double tk;
  };
  const std::vector<Case> cases = {
      {2, reference::feMgExchange1977(o, c, x.XMg_Opx, x.XMg_Cpx).tk},
      {3, reference::enstatiteExchange1973(o, c)},
      {5, reference::caExchange1985(base.T, P, o, c, x.XFe_Cpx).tk},
      {7, reference::enstatiteSolvus1990(P, x.XCa_Cpx, x.XCa_Opx, x.XFe_Cpx, x.XFe_Opx)},
      {9, reference::sodiumPartition1990(P, o.Na, c.Na)},
      {10, reference::sodiumPartition1980(c.Na, o.Na)},
      {36, reference::enstatiteDiopside1998(P, o, c)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("thermometer " + std::to_string(k.number));
    RunState s = base;
    EXPECT_EQ(runThermometer(k.number, s), Outcome::Continue);
    EXPECT_GT(k.tk, 900.0);  // a mantle temperature, not a degenerate value
    EXPECT_LT(k.tk, 1700.0);
    expectRel(s.TK, k.tk);
  }
}

TEST(Thermometer2, OverwritesBothM1FractionsAndKeepsThemWhenTheRatioTestFails) {
  RunState s = lherzolite();
  const auto want =
      reference::feMgExchange1977(px(s.cat[Opx]), px(s.cat[Cpx]), s.site.XMg_Opx, s.site.XMg_Cpx);
  ASSERT_EQ(thermometer2(s), Outcome::Continue);
  // FM2_Opx now holds the clinopyroxene M1 value for every later method.
  expectRel(s.site.FM1_Opx, want.fm1Opx, 1e-6);
  expectRel(s.site.FM2_Opx, want.fm2Opx, 1e-6);
  EXPECT_NE(s.site.FM1_Opx, s.site.FM2_Opx);

  // aC = 0: the ratio is not above 1e-07, yet the overwrites made before stay.
  RunState f = lherzolite();
  f.site.XMg_Cpx = 0.0f;
  EXPECT_EQ(thermometer2(f), Outcome::NotComplete);
  EXPECT_EQ(f.TK, kEntryTK);
  expectRel(f.site.FM1_Opx, want.fm1Opx, 1e-6);
  expectRel(f.site.FM2_Opx, want.fm2Opx, 1e-6);
}

TEST(TwoPyroxeneThermometers, MissingPyroxeneFailsBeforeAnyWrite) {
  for (int number : {2, 3, 5, 7, 10, 36}) {
    for (Slot missing : {Opx, Cpx}) {
      SCOPED_TRACE("thermometer " + std::to_string(number) + " without slot " +
                   std::to_string(missing));
      RunState s = lherzolite();
      s.cat[missing].Si = 1e-07f;  // not above 1e-07
      s.n = 9;
      s.Tin = 42.0f;
      EXPECT_EQ(runThermometer(number, s), Outcome::NotComplete);
      EXPECT_EQ(s.TK, kEntryTK);
      EXPECT_EQ(s.site.FM1_Opx, -5.0f);
      EXPECT_EQ(s.site.FM2_Opx, -6.0f);
      EXPECT_EQ(s.n, 9);
      EXPECT_EQ(s.Tin, 42.0f);
    }
  }
}

// Listed tests that fail, and values the equations have no answer for: the
// combination ends, TK keeps its entry value and nothing non-finite is stored.
TEST(TwoPyroxeneThermometers, FailedTestsAndValuelessEquationsEndTheCombination) {
  struct Case {
    const char* what;
    int number;
    std::function<void(RunState&)> change;
  };
  const std::vector<Case> cases = {
      {"aO = 0, ratio infinite", 2, [](RunState& s) { s.site.XMg_Opx = 0.0f; }},
      {"Mg + Fe of Cpx zero", 3,
       [](RunState& s) {
         s.cat[Cpx].Mg = 0.0f;
         s.cat[Cpx].Fe = 0.0f;
       }},
      {"negative K", 3, [](RunState& s) { s.cat[Cpx].Ca = 0.95f; }},
      {"XCa_Opx = 1, R infinite", 7, [](RunState& s) { s.site.XCa_Opx = 1.0f; }},
      {"XCa_Cpx = 1, R zero", 7, [](RunState& s) { s.site.XCa_Cpx = 1.0f; }},
      {"Na(Cpx) at 1e-07", 9, [](RunState& s) { s.cat[Cpx].Na = 1e-07f; }},
      {"Na(Opx) at 1e-07", 9, [](RunState& s) { s.cat[Opx].Na = 1e-07f; }},
      {"Na(Opx) = 0, ratio infinite", 10, [](RunState& s) { s.cat[Opx].Na = 0.0f; }},
      {"Na(Cpx) = 0, ratio zero", 10, [](RunState& s) { s.cat[Cpx].Na = 0.0f; }},
      {"Cpx site product negative", 36,
       [](RunState& s) {
         s.cat[Cpx].Ca = 0.93f;
         s.cat[Cpx].Na = 0.08f;
       }},
      {"Cr + Al - Na of Cpx exactly 0", 36,
       [](RunState& s) {
         s.cat[Cpx].Cr = 0.0f;
         s.cat[Cpx].Al = 0.07f;
         s.cat[Cpx].Na = 0.07f;
       }},
      {"aO negative", 36, [](RunState& s) { s.cat[Opx].Al = 1.2f; }},
      {"AlVI of Cpx too large, aC negative", 36, [](RunState& s) { s.cat[Cpx].Al = 1.1f; }},
      {"Na(Cpx) = 1: w infinite, K infinite", 5,
       [](RunState& s) {
         s.cat[Opx].Na = 0.96f;  // cO > 1, so (1 - w)/(1 - cO) is +infinity
         s.cat[Cpx].Na = 1.0f;
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RunState s = lherzolite();
    k.change(s);
    EXPECT_EQ(runThermometer(k.number, s), Outcome::NotComplete);
    EXPECT_EQ(s.TK, kEntryTK);
    EXPECT_TRUE(usable(s.site.FM1_Opx, s.site.FM2_Opx, s.Tin));
  }
}

TEST(Thermometer9, SodiumIsItsOnlyPresenceTest) {
  RunState s = lherzolite();
  s.cat[Opx].Si = 0.0f;
  s.cat[Cpx].Si = 0.0f;
  EXPECT_EQ(thermometer9(s), Outcome::Continue);
  expectRel(s.TK, reference::sodiumPartition1990(35.0, 0.012f, 0.070f));
}

TEST(Thermometer5, SettlingInnerIterationContinuesWithItsStepCount) {
  RunState s = lherzolite();
  s.n = 30;  // left by an earlier evaluation: restarted at every entry
  s.Tin = 1.0f;
  const auto want =
      reference::caExchange1985(1273.0, 35.0, px(s.cat[Opx]), px(s.cat[Cpx]), s.site.XFe_Cpx);
  ASSERT_FALSE(want.finished);
  ASSERT_GT(want.n, 1);
  for (int evaluation = 0; evaluation < 2; ++evaluation) {
    EXPECT_EQ(thermometer5(s), Outcome::Continue);
    EXPECT_EQ(s.n, want.n);
    expectRel(s.TK, want.tk);
    expectRel(s.Tin, want.tin);
    EXPECT_LE(std::fabs(s.Tin - s.TK), 0.5f);  // the last step moved at most 1 K
  }
}

TEST(Thermometer5, UnsettledInnerIterationFinishesWithThe25thValue) {
  // Fe-rich diopside: the inner values swing about the solution and are still
  // more than 1 K apart after 25 steps.
  RunState s = lherzolite();
  s.cat[Opx].Ca = 0.03f;
  s.cat[Opx].Na = 0.01f;
  s.cat[Cpx].Ca = 0.9f;
  s.cat[Cpx].Na = 0.03f;
  s.site.XFe_Cpx = 0.3f;
  s.T = 1000.0f;
  s.P = 30.0f;
  const auto want = reference::caExchange1985(1000.0, 30.0, px(s.cat[Opx]), px(s.cat[Cpx]), 0.3);
  ASSERT_TRUE(want.finished);
  EXPECT_EQ(thermometer5(s), Outcome::Finish);
  EXPECT_EQ(s.n, 25);
  expectRel(s.TK, want.tk, 5e-6);
  // Tin is the mean after the 24th step; the 25th value does not enter it.
  expectRel(s.Tin, want.tin, 5e-6);
  EXPECT_GT(std::fabs(s.TK - s.Tin), 5.0f);
  EXPECT_EQ(s.T, 1000.0f);
}

TEST(Thermometer5, FailedKTestLeavesTheRestartedInnerPair) {
  RunState s = lherzolite();
  s.cat[Cpx].Ca = 0.99f;  // Ca/(1 - Na) above 1: w > 1, K < 0
  s.cat[Cpx].Na = 0.05f;
  s.n = 12;
  s.Tin = 3.0f;
  EXPECT_EQ(thermometer5(s), Outcome::NotComplete);
  EXPECT_EQ(s.n, 0);
  EXPECT_EQ(s.Tin, 1273.0f);
  EXPECT_EQ(s.TK, kEntryTK);
}

TEST(Thermometers14To17, TestMineralsOnlyAndKeepStoredTemperature) {
  struct Case {
    int number;
    bool opx, cpx;
    Outcome outcome;
  };
  const std::vector<Case> cases = {
      {14, true, true, Outcome::Continue},     {14, true, false, Outcome::NotComplete},
      {14, false, true, Outcome::NotComplete}, {15, true, false, Outcome::Continue},
      {15, false, true, Outcome::NotComplete}, {16, false, true, Outcome::Finish},
      {16, true, false, Outcome::NotComplete}, {17, true, false, Outcome::Finish},
      {17, false, true, Outcome::NotComplete},
  };
  for (const Case& k : cases) {
    for (Real entry : {kEntryTK, 0.0f}) {  // 0: the first evaluation of a run
      SCOPED_TRACE("thermometer " + std::to_string(k.number));
      RunState s = lherzolite();
      if (!k.opx) s.cat[Opx] = CationFormula{};
      if (!k.cpx) s.cat[Cpx] = CationFormula{};
      s.TK = entry;
      EXPECT_EQ(runThermometer(k.number, s), k.outcome);
      EXPECT_EQ(s.TK, entry);
    }
  }
}

}  // namespace
}  // namespace mantlept
