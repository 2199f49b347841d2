// Single-pyroxene and clinopyroxene-liquid thermometers against double-precision
// references worked from their equations.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "methods/thermometers/single_pyroxene_reference.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

using Outcome = ThermometerOutcome;

constexpr Real kEntryTK = 1111.5f;  // TK left by an earlier cycle

// Spinel lherzolite pyroxenes, the clinopyroxene with its oxide analysis.
RunState lherzolite() {
  RunState s;
  s.cat[Opx] = {1.940f, 0.004f, 0.090f, 0.012f, 0.160f, 0.003f, 1.740f,
                0.032f, 0.012f, 0.0f,   0.003f, 0.020f, 4.016f};
  s.cat[Cpx] = {1.920f, 0.012f, 0.130f, 0.025f, 0.080f, 0.002f, 0.930f,
                0.800f, 0.070f, 0.001f, 0.001f, 0.030f, 4.001f};
  s.ox[Cpx].MgO = 17.0f;
  s.ox[Cpx].Cr2O3 = 0.85f;
  s.ox[Cpx].Al2O3 = 3.0f;
  s.P = 35.0f;
  s.T = 1273.0f;
  s.TK = kEntryTK;
  return s;
}

// Clinopyroxene with a basaltic liquid, the liquid held in the spinel slot.
RunState clinopyroxeneWithLiquid() {
  RunState s;
  s.cat[Cpx] = {1.900f, 0.010f, 0.150f, 0.010f, 0.150f, 0.004f, 0.850f,
                0.800f, 0.040f, 0.0f,   0.001f, 0.020f, 4.000f};
  s.cat[Sp] = {0.800f, 0.020f, 0.300f, 0.050f, 0.150f, 0.100f, 0.250f,
               0.200f, 0.060f, 0.030f, 0.001f, 0.020f, 2.000f};
  s.P = 10.0f;
  s.TK = kEntryTK;
  return s;
}

reference::Pyroxene px(const CationFormula& c) {
  return {c.Si, c.Ti, c.Al, c.Cr, c.Fe, c.Mn, c.Mg, c.Ca, c.Na, c.K, c.Ni, c.Fe3};
}

reference::Liquid liquid(const CationFormula& c) {
  reference::Liquid l{};
  for (int k = 0; k < CationFormula::kCount; ++k) l[static_cast<std::size_t>(k)] = c[k];
  return l;
}

void expectRel(double got, double want, double rel = 2e-6) {
  EXPECT_NEAR(got, want, std::fabs(want) * rel) << "want " << want;
}

TEST(SinglePyroxeneThermometers, LherzoliteMatchesReference) {
  const RunState base = lherzolite();
  const auto c = px(base.cat[Cpx]);
  const double caO = base.cat[Opx].Ca;
  const double P = base.P;
  // A cooler, Ca-rich diopside whose corrected value falls at or below 800.
  RunState cool = base;
  cool.cat[Cpx].Ca = 0.970f;
  cool.cat[Cpx].Na = 0.020f;
  cool.cat[Cpx].Al = 0.030f;
  cool.cat[Cpx].Cr = 0.005f;
  cool.ox[Cpx].Cr2O3 = 0.1f;
  cool.ox[Cpx].Al2O3 = 0.5f;
  const auto cc = px(cool.cat[Cpx]);
  struct Case {
    const char* what;
    int number;
    const RunState& s;
    double tk;
  };
  const std::vector<Case> cases = {
      {"Ca in Opx", 8, base, reference::caInOpx1990(P, caO)},
      {"Ca/Mg in Cpx with P", 11, base, reference::caMgCpx1986(P, c.Ca, c.Mg)},
      {"Ca in Opx, enstatite", 13, base, reference::caInOpxEnstatite(caO)},
      {"Ca in Opx, quadratic", 18, base, reference::caInOpx1975(caO)},
      {"Ca/Mg in Cpx", 19, base, reference::caMgCpx1985(c.Ca, c.Mg)},
      {"En in Cpx", 38, base, reference::enstatiteInCpx2002(P, c)},
      {"En in Cpx corrected", 43, base,
       reference::enstatiteInCpxCorrected(P, c, 17.0f, 0.85f, 3.0f)},
      {"En in Cpx corrected, pressure term", 43, cool,
       reference::enstatiteInCpxCorrected(P, cc, 17.0f, 0.1f, 0.5f)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RunState s = k.s;
    EXPECT_EQ(runThermometer(k.number, s), Outcome::Continue);
    EXPECT_GT(k.tk, 850.0);  // a mantle temperature, not a degenerate value
    EXPECT_LT(k.tk, 1700.0);
    expectRel(s.TK, k.tk);
  }
  // The cool case takes the pressure branch: its uncorrected value is below 800.
  const double tb = reference::cpxBaseTemperature(P, cc);
  const double cr2o3 = cool.ox[Cpx].Cr2O3;
  EXPECT_LT(3.0 * (17.0 + cr2o3) + 33.0 * (cr2o3 + 0.5) - 1e-06 * tb * tb + 0.9575 * tb, 780.0);
}

TEST(SinglePyroxeneThermometers, PresenceAndTraceTestsFailWithoutWriting) {
  struct Case {
    const char* what;
    int number;
    std::function<void(RunState&)> change;
  };
  const std::vector<Case> cases = {
      {"no Opx", 8, [](RunState& s) { s.cat[Opx] = CationFormula{}; }},
      {"Ca(Opx) at 1e-07", 8, [](RunState& s) { s.cat[Opx].Ca = 1e-07f; }},
      {"no Cpx", 11, [](RunState& s) { s.cat[Cpx] = CationFormula{}; }},
      {"Ca(Cpx) = Mg(Cpx): y = 0", 11, [](RunState& s) { s.cat[Cpx].Mg = s.cat[Cpx].Ca; }},
      {"no Opx", 13, [](RunState& s) { s.cat[Opx] = CationFormula{}; }},
      {"no Opx", 18, [](RunState& s) { s.cat[Opx].Si = 1e-07f; }},
      {"no Cpx", 19, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; }},
      {"Ca(Cpx) = Mg(Cpx): y = 0", 19, [](RunState& s) { s.cat[Cpx].Mg = s.cat[Cpx].Ca; }},
      {"Ca(Cpx) above Mg(Cpx): y < 0", 19, [](RunState& s) { s.cat[Cpx].Mg = 0.5f; }},
      {"no Cpx", 38, [](RunState& s) { s.cat[Cpx] = CationFormula{}; }},
      {"M2 term negative", 38, [](RunState& s) { s.cat[Cpx].Ca = 0.93f; }},
      {"no Cpx", 43, [](RunState& s) { s.cat[Cpx].Si = 0.0f; }},
      {"M2 term negative", 43, [](RunState& s) { s.cat[Cpx].Ca = 0.93f; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("thermometer " + std::to_string(k.number) + ": " + k.what);
    RunState s = lherzolite();
    k.change(s);
    EXPECT_EQ(runThermometer(k.number, s), Outcome::NotComplete);
    EXPECT_EQ(s.TK, kEntryTK);
  }
}

TEST(SinglePyroxeneThermometers, CaInCpxCountsAsPresenceForThermometer11) {
  RunState s = lherzolite();
  s.cat[Cpx].Si = 0.0f;
  EXPECT_EQ(thermometer11(s), Outcome::Continue);
  expectRel(s.TK, reference::caMgCpx1986(35.0, 0.800f, 0.930f));
}

TEST(SinglePyroxeneThermometers, CaFreeOrthopyroxeneGives812) {
  RunState s = lherzolite();
  s.cat[Opx].Ca = 0.0f;
  EXPECT_EQ(thermometer13(s), Outcome::Continue);
  EXPECT_EQ(s.TK, 812.0f);
}

TEST(SinglePyroxeneThermometers, Thermometer43AddsPressureTermAtExactly800Only) {
  // A huge Ti(Cpx) drives Tb to ~1e-6, below the rounding step of 800, so the
  // value is the oxide terms alone: 3*MgO + 33*Al2O3 with Al2O3 = 24 gives 792
  // and MgO the float nearest 8/3 (or 8.5/3), whose triple rounds to 8 (8.5).
  struct Case {
    Real mgo;
    Real uncorrected;
    Real want;
  };
  for (const Case& k : {Case{8.0f / 3.0f, 800.0f, 800.0f + 10.0f * (30.0f - 20.0f)},
                        Case{8.5f / 3.0f, 800.5f, 800.5f}}) {
    RunState s = lherzolite();
    s.P = 30.0f;
    s.cat[Cpx].Ti = 1e9f;
    s.ox[Cpx].MgO = k.mgo;
    s.ox[Cpx].Cr2O3 = 0.0f;
    s.ox[Cpx].Al2O3 = 24.0f;
    ASSERT_EQ(3.0f * k.mgo + 33.0f * 24.0f, k.uncorrected);
    EXPECT_EQ(thermometer43(s), Outcome::Continue);
    EXPECT_EQ(s.TK, k.want);
  }
}

TEST(CpxLiquidThermometer, RescalesTheLiquidAtEveryEvaluation) {
  RunState s = clinopyroxeneWithLiquid();
  const auto c = px(s.cat[Cpx]);
  reference::Liquid liq = liquid(s.cat[Sp]);
  const double first = reference::cpxLiquid1996(c, liq);
  EXPECT_EQ(thermometer32(s), Outcome::Continue);
  expectRel(s.TK, first);
  for (int k = 1; k <= 11; ++k) expectRel(s.cat[Sp][k], liq[static_cast<std::size_t>(k)]);
  EXPECT_EQ(s.cat[Sp].Si, 0.800f);
  EXPECT_EQ(s.cat[Sp].Sum, 2.000f);
  EXPECT_LT(s.cat[Sp].Ti, 0.02f / 3.0f);

  // Same pressure, smaller liquid values: a different temperature.
  const double second = reference::cpxLiquid1996(c, liq);
  EXPECT_EQ(thermometer32(s), Outcome::Continue);
  expectRel(s.TK, second);
  for (int k = 1; k <= 11; ++k) expectRel(s.cat[Sp][k], liq[static_cast<std::size_t>(k)]);
  EXPECT_GT(std::fabs(first - second), 10.0);
}

TEST(CpxLiquidThermometer, FailedTestsKeepWhatTheRescalingWrote) {
  struct Case {
    const char* what;
    std::function<void(RunState&)> change;
    bool rescaled;
  };
  const std::vector<Case> cases = {
      {"no Cpx", [](RunState& s) { s.cat[Cpx].Si = 1e-07f; }, false},
      {"Ti of the liquid at 1e-07", [](RunState& s) { s.cat[Sp].Ti = 1e-07f; }, false},
      {"K above 1e-07 only before rescaling", [](RunState& s) { s.cat[Sp].K = 2e-07f; }, true},
      {"no Cr in the liquid", [](RunState& s) { s.cat[Sp].Cr = 0.0f; }, true},
      {"DiHd not above 1e-07", [](RunState& s) { s.cat[Cpx].Ca = 0.05f; }, true},
      {"no Na in Cpx: Q = 0", [](RunState& s) { s.cat[Cpx].Na = 0.0f; }, true},
      {"no Ca in the liquid: M = 0", [](RunState& s) { s.cat[Sp].Ca = 0.0f; }, true},
      {"no Na in the liquid", [](RunState& s) { s.cat[Sp].Na = 0.0f; }, true},
      {"values summing to 0: nothing divided",
       [](RunState& s) {
         s.cat[Sp] = CationFormula{};
         s.cat[Sp].Ti = 0.5f;
         s.cat[Sp].Al = -0.5f;
       },
       false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    RunState s = clinopyroxeneWithLiquid();
    k.change(s);
    reference::Liquid want = liquid(s.cat[Sp]);
    if (k.rescaled) reference::rescaleLiquid(want);
    const CationFormula before = s.cat[Sp];
    EXPECT_EQ(thermometer32(s), Outcome::NotComplete);
    EXPECT_EQ(s.TK, kEntryTK);
    for (int e = 0; e < CationFormula::kCount; ++e) {
      if (k.rescaled) {
        EXPECT_NEAR(s.cat[Sp][e], want[static_cast<std::size_t>(e)],
                    std::fabs(want[static_cast<std::size_t>(e)]) * 2e-6)
            << e;
      } else {
        EXPECT_EQ(s.cat[Sp][e], before[e]) << e;
      }
    }
  }
}

}  // namespace
}  // namespace mantlept
