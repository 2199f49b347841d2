// The temperature-pressure iteration of one combination, its limits, the
// spinel ferric recomputation and the result screening.
#include "solver/solver.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "dialogue/program.hpp"
#include "methods/catalogue.hpp"

namespace mantlept {
namespace {

RunSettings settings(int thermometer, int barometer, int limit, float startT = 1000.0f,
                     float startP = 10.0f, int ferric = 1) {
  RunSettings s;
  s.combinationCount = 1;
  s.combinations.push_back({thermometer, barometer, std::string(thermometerLabel(thermometer)),
                            std::string(barometerLabel(barometer))});
  s.iterationLimit = limit;
  s.startT = startT;
  s.startP = startP;
  s.ferricOption = ferric;
  return s;
}

// A store whose starting point is the one of the settings.
RunState startingFrom(const RunSettings& rs) {
  RunState s;
  s.startT = rs.startT;
  s.startP = rs.startP;
  return s;
}

// Barometer 10 depends on T alone: P = (1.46 - ln(Al2O3/100)) T / 97.1 + 3736 / -97.1.
double barometer10(double t, double al2o3) {
  return (1.46 - std::log(al2o3 / 100.0)) * t / 97.1 - (-3736.0) / (-97.1);
}

TEST(Solver, FixedTemperatureWithABarometerConvergesInTwoPasses) {
  RunSettings rs = settings(1, 10, 3, 1000.0f);
  RunState s;
  s.ox[Opx].Al2O3 = 0.8f;
  StringTerminal out;
  ASSERT_TRUE(solveCombination(s, rs, rs.combinations[0], out));
  // First pass at T = 1000 (as kelvin), second at 1273 after which d = 0.
  EXPECT_NEAR(s.P, barometer10(1273.0, 0.8), 1e-3);
  EXPECT_EQ(s.TK, 1273.0f);
  EXPECT_EQ(s.T, 1273.0f);

  // A negative limit allows one pass only: P at T = 1000, T stays 1000.
  RunSettings once = settings(1, 10, -1, 1000.0f);
  RunState t;
  t.ox[Opx].Al2O3 = 0.8f;
  ASSERT_TRUE(solveCombination(t, once, once.combinations[0], out));
  EXPECT_NEAR(t.P, barometer10(1000.0, 0.8), 1e-3);
  EXPECT_EQ(t.T, 1000.0f);
}

TEST(Solver, LimitsOnTheResult) {
  struct Case {
    float startT, startP;
    float tk, p;
  } cases[] = {
      {2000.0f, 10.0f, 2173.0f, 10.0f},  // TK 2273 is limited to 2173
      {-100.0f, 10.0f, 273.0f, 10.0f},   // TK 173 is raised to 273
      {1000.0f, 250.0f, 1273.0f, 200.0f},
      {1000.0f, -5.0f, 1273.0f, -10.0f},
  };
  for (const Case& c : cases) {
    RunSettings rs = settings(1, 1, 3, c.startT, c.startP);
    RunState s = startingFrom(rs);
    StringTerminal out;
    ASSERT_TRUE(solveCombination(s, rs, rs.combinations[0], out));
    EXPECT_EQ(s.TK, c.tk) << c.startT;
    EXPECT_EQ(s.P, c.p) << c.startP;
  }
}

TEST(Solver, SpinelFerricIronRecomputedOnlyWithTheOptionOff) {
  RunSettings off = settings(1, 1, 3);
  RunState s;
  StringTerminal out;
  ASSERT_TRUE(solveCombination(s, off, off.combinations[0], out));
  // Without a spinel: Fe3 = 2, Fe3R = 2/2 and XFe = -2/-2.
  EXPECT_EQ(s.cat[Sp].Fe3, 2.0f);
  EXPECT_EQ(s.site.Fe3R_Sp, 1.0f);
  EXPECT_EQ(s.site.XFe_Sp, 1.0f);

  RunState sp;
  sp.cat[Sp].Ti = 0.01f; sp.cat[Sp].Al = 1.55f; sp.cat[Sp].Cr = 0.3f; sp.cat[Sp].Fe = 0.2f;
  sp.cat[Sp].Mn = 0.002f; sp.cat[Sp].Mg = 0.78f;
  ASSERT_TRUE(solveCombination(sp, off, off.combinations[0], out));
  double fe3 = 2 - 1.55 - 0.3 - 0.02, f2 = 0.2 - fe3;
  EXPECT_NEAR(sp.cat[Sp].Fe3, fe3, 1e-6);
  EXPECT_NEAR(sp.site.Fe3R_Sp, fe3 / (0.3 + fe3 + 0.01 + 1.55), 1e-6);
  EXPECT_NEAR(sp.site.XFe_Sp, f2 / (0.78 + 0.002 + f2), 1e-6);

  RunSettings on = settings(1, 1, 3, 1000.0f, 10.0f, 2);
  RunState kept;
  kept.site.XFe_Sp = 0.3f;
  ASSERT_TRUE(solveCombination(kept, on, on.combinations[0], out));
  EXPECT_EQ(kept.cat[Sp].Fe3, 0.0f);
  EXPECT_EQ(kept.site.XFe_Sp, 0.3f);

  // Ti(Sp) of 2: Cr + Fe3 + Ti + Al is 0, so Fe3R keeps its value (no NaN);
  // XFe = 2/2 still has one.
  RunState odd;
  odd.cat[Sp].Ti = 2.0f;
  odd.site.Fe3R_Sp = 0.25f;
  odd.site.XFe_Sp = 0.5f;
  ASSERT_TRUE(solveCombination(odd, off, off.combinations[0], out));
  EXPECT_EQ(odd.cat[Sp].Fe3, -2.0f);
  EXPECT_EQ(odd.site.Fe3R_Sp, 0.25f);
  EXPECT_EQ(odd.site.XFe_Sp, 1.0f);
  // All iron ferric and no Mg or Mn: Mg + Mn + f2 is 0, XFe keeps its value.
  RunState ferric;
  ferric.cat[Sp].Al = 1.8f;
  ferric.cat[Sp].Fe = 0.2f;
  ferric.site.XFe_Sp = 0.5f;
  ASSERT_TRUE(solveCombination(ferric, off, off.combinations[0], out));
  EXPECT_NEAR(ferric.cat[Sp].Fe3, 0.2f, 1e-6f);
  EXPECT_TRUE(std::isfinite(ferric.site.XFe_Sp));
}

TEST(Solver, NotCompleteMethodsFailTheCombination) {
  RunSettings rs = settings(1, 2, 3);  // barometer 2 needs orthopyroxene and garnet
  RunState s;
  StringTerminal out;
  EXPECT_FALSE(solveCombination(s, rs, rs.combinations[0], out));
  CombinationResults results{};
  evaluateAssociation(s, rs, "S1      ", results, out);
  EXPECT_EQ(out.text(), "S1      Not complete association\n");
  EXPECT_EQ(results[0].temperature, 2000.0f);
  EXPECT_EQ(results[0].pressure, 2000.0f);
  EXPECT_EQ(results[0].fO2, 2000.0f);
}

TEST(Screening, WindowCapAndRejection) {
  struct Case {
    float t, tk, p;
    float reportedT, reportedP;
  } cases[] = {
      {1300.0f, 1400.0f, 90.0f, 1450.0f, 81.5f},   // capped
      {1300.0f, 1400.0f, 82.0f, 1127.0f, 82.0f},   // 82 itself stands
      {350.0f, 1400.0f, 20.0f, 2000.0f, 2000.0f},  // on the window line: rejected
      {350.5f, 1400.0f, 20.0f, 1127.0f, 20.0f},
      {660.5f, 1000.0f, 60.0f, 727.0f, 60.0f},     // T > 660 at 60 kbar
      {1300.0f, 1853.0f, 30.0f, 2000.0f, 2000.0f},
      {1300.0f, 1852.0f, 30.0f, 1579.0f, 30.0f},
      {3000.0f, 1400.0f, 200.0f, 2000.0f, 2000.0f},
      {1300.0f, 1400.0f, 1.0f, 2000.0f, 2000.0f},
      {1300.0f, 0.0f, 30.0f, 2000.0f, 2000.0f},
  };
  for (const Case& c : cases) {
    RunState s;
    s.T = c.t;
    s.TK = c.tk;
    s.P = c.p;
    s.fO2 = -1.25f;
    CombinationResult r = screenResult(s);
    EXPECT_EQ(r.temperature, c.reportedT) << c.t << ' ' << c.tk << ' ' << c.p;
    EXPECT_EQ(r.pressure, c.reportedP) << c.t << ' ' << c.tk << ' ' << c.p;
    EXPECT_EQ(r.fO2, -1.25f);
    EXPECT_EQ(s.P, c.reportedP);  // the screened pressure is the run's pressure
  }
}

TEST(ResultLines, Layout) {
  MethodCombination c{7, 5, "BreyKohler90 2Px", "BreyKohle90GaOpx"};
  EXPECT_EQ(resultLine("KX-101AB", c, {1195.4f, 51.26f, -0.5f}, 2),
            "KX-101A BreyKohler90 2Px TC=1195.BreyKohle90GaOpx Pkb=51.3 FO2= -.50        acc.FE3+");
  EXPECT_EQ(resultLine("S1      ", c, {2000.0f, 2000.0f, 2000.0f}, 1),
            "S1      BreyKohler90 2Px TC=2000.BreyKohle90GaOpx Pkb=**** FO2=*****        all FE2+");
  EXPECT_EQ(failureLine("KX-101AB"), "KX-101A Not complete association");
}

}  // namespace
}  // namespace mantlept
