// This test computes in double precision.
// The methods numbered after the catalogue (thermometers 48 and 49, barometer
// 44) against their equations worked in double precision: a Cr-diopside of a
// garnet peridotite (Tappe et al. 2021, CIM15-001) and an eclogite pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "core/terminal.hpp"
#include "methods/barometers/barometers.hpp"
#include "methods/calibration_ranges.hpp"
#include "methods/catalogue.hpp"
#include "methods/method_needs.hpp"
#include "methods/thermometers/thermometers.hpp"
#include "minerals/formula.hpp"
#include "solver/solver.hpp"

namespace mantlept {
namespace {

// SiO2 TiO2 Al2O3 Cr2O3 FeO(total) MnO MgO CaO Na2O K2O NiO Fe2O3, wt%.
constexpr OxideValues kCrDiopside = {55.01f, 0.57f, 2.36f, 1.12f, 3.48f, 0.12f,
                                     19.7f,  15.64f, 1.9f, 0.0f,  0.08f, 0.0f};
// An eclogite garnet and its omphacite (typical xenolith compositions).
constexpr OxideValues kEclogiteGarnet = {39.8f, 0.35f, 22.3f, 0.08f, 15.9f, 0.35f,
                                         13.1f, 7.6f,  0.12f, 0.0f,  0.0f,  0.0f};
constexpr OxideValues kOmphacite = {55.4f, 0.4f,  9.8f, 0.05f, 4.6f, 0.05f,
                                    9.6f,  14.2f, 5.1f, 0.05f, 0.0f, 0.0f};

void file(RunState& s, Slot slot, const OxideValues& ox) {
  const Recalculation r = recalculate(ox, slot + 1, false);
  s.ox[slot] = r.ox;
  s.cat[slot] = r.cat;
}

RunState crDiopside() {
  RunState s;
  file(s, Cpx, kCrDiopside);
  return s;
}

RunState eclogite() {
  RunState s;
  file(s, Gar, kEclogiteGarnet);
  file(s, Cpx, kOmphacite);
  return s;
}

// Cations of a formula in double precision.
struct Cations {
  double Si, Ti, Al, Cr, Fe, Mn, Mg, Ca, Na, K, Fe3;
};
Cations d(const CationFormula& c) {
  return {c.Si, c.Ti, c.Al, c.Cr, c.Fe, c.Mn, c.Mg, c.Ca, c.Na, c.K, c.Fe3};
}

// Nimis and Taylor (2000) eq. 17, T in K.
double enstatiteInCpxK(double P, const Cations& c) {
  const double aEn = (1.0 - c.Ca - c.Na - c.K) * (1.0 - (c.Al + c.Cr + c.Na + c.K) / 2.0);
  const double l = std::log(aEn);
  return (23166.0 + 39.28 * P) /
         (13.25 + 15.35 * c.Ti + 4.50 * (c.Fe + c.Fe3) - 1.55 * (c.Al + c.Cr - c.Na - c.K) + l * l);
}

// Nimis and Taylor (2000) eqs. 9-10, P in kbar, T in K.
double crInCpxKbar(double T, const Cations& c) {
  const double crNo = c.Cr / (c.Cr + c.Al);
  const double a = c.Cr - 0.81 * crNo * (c.Na + c.K);
  return -(T / 126.9) * std::log(a) + 15.483 * std::log(crNo / T) + T / 71.38 + 107.8;
}

// Nakamura (2009) garnet-clinopyroxene Fe-Mg exchange, T in K.
double nakamuraK(double P, const Cations& g, const Cations& c) {
  const double sum = g.Fe + g.Mn + g.Mg + g.Ca;
  const double prp = g.Mg / sum, alm = g.Fe / sum, grs = g.Ca / sum, sps = g.Mn / sum;
  const double xMg = c.Mg / (c.Al + c.Fe + c.Mg), xFe = c.Fe / (c.Al + c.Fe + c.Mg);
  const double kd = (g.Fe / g.Mg) / (c.Fe / c.Mg);
  const double A = 0.5 * grs * (prp - alm - sps);
  const double B = 0.5 * grs * (prp - alm + sps);
  const double C = 0.5 * (grs + sps) * (prp - alm);
  const double top = 2784 + 14.52 * P + (2601 + 1.44 * P) * (2 * grs * prp - A) +
                     (1183 + 6.98 * P) * (grs * grs - A) - 105 * (2 * grs * alm + B) +
                     (814.6 + 3.61 * P) * (grs * grs + B) -
                     (254.6 + 8.42 * P) * (2 * prp * alm - alm * alm + C) -
                     83.6 * (prp * prp - 2 * prp * alm + C) + 1388 * sps - 462 * (xMg - xFe);
  const double bottom = std::log(kd) + 1.431 + 0.695 * (2 * grs * prp + grs * grs - 2 * A) +
                        0.203 * (grs * grs - 2 * grs * alm) + 0.922 * sps;
  return top / bottom;
}

TEST(BeyondCatalogue, CrDiopsideAgainstThePublishedEquations) {
  const Cations c = d(crDiopside().cat[Cpx]);
  for (double P : {20.0, 45.0, 60.0}) {
    RunState s = crDiopside();
    s.P = static_cast<float>(P);
    ASSERT_EQ(runThermometer(48, s), ThermometerOutcome::Continue);
    const double want = enstatiteInCpxK(P, c);
    EXPECT_GT(want, 1100.0);
    EXPECT_LT(want, 1800.0);
    EXPECT_NEAR(s.TK, want, want * 2e-6) << P;
  }
  for (double T : {1173.0, 1473.0, 1673.0}) {
    RunState s = crDiopside();
    s.T = static_cast<float>(T);
    ASSERT_EQ(runBarometer(44, s), BarometerOutcome::PressureSet);
    const double want = crInCpxKbar(T, c);
    EXPECT_GT(want, 10.0);
    EXPECT_NEAR(s.P, want, 2e-3) << T;
  }
}

TEST(BeyondCatalogue, NoCorrectionAndNoCapUnlikeThermometer38AndBarometer30) {
  // Thermometer 38 adds -1e-6 T^2 - 0.0425 T + 107.01 to the same base value.
  RunState s48 = crDiopside(), s38 = crDiopside();
  s48.P = s38.P = 45.0f;
  ASSERT_EQ(runThermometer(48, s48), ThermometerOutcome::Continue);
  ASSERT_EQ(runThermometer(38, s38), ThermometerOutcome::Continue);
  const double tb = s48.TK;
  EXPECT_NEAR(s38.TK - s48.TK, -1e-06 * tb * tb - 0.0425 * tb + 107.01, 0.02);
  // Hot enough for P above 81.5 kbar: barometer 30 caps it, 44 does not.
  const double T = 2300.0;
  const double want = crInCpxKbar(T, d(crDiopside().cat[Cpx]));
  ASSERT_GT(want, 81.5);
  RunState s44 = crDiopside(), s30 = crDiopside();
  s44.T = s30.T = static_cast<float>(T);
  ASSERT_EQ(runBarometer(44, s44), BarometerOutcome::PressureSet);
  ASSERT_EQ(runBarometer(30, s30), BarometerOutcome::PressureSet);
  EXPECT_NEAR(s44.P, want, 2e-3);
  EXPECT_EQ(s30.P, 81.5f);
}

TEST(BeyondCatalogue, PotassiumCountsWithSodium) {
  RunState withK = crDiopside();
  withK.cat[Cpx].Na -= 0.02f;
  withK.cat[Cpx].K += 0.02f;
  RunState base = crDiopside();
  base.P = withK.P = 40.0f;
  base.T = withK.T = 1400.0f;
  ASSERT_EQ(runThermometer(48, base), ThermometerOutcome::Continue);
  ASSERT_EQ(runThermometer(48, withK), ThermometerOutcome::Continue);
  EXPECT_NEAR(withK.TK, base.TK, 1e-3);
  ASSERT_EQ(runBarometer(44, base), BarometerOutcome::PressureSet);
  ASSERT_EQ(runBarometer(44, withK), BarometerOutcome::PressureSet);
  EXPECT_NEAR(withK.P, base.P, 1e-3);
}

TEST(BeyondCatalogue, EclogitePairAgainstThePublishedEquation) {
  const RunState e = eclogite();
  for (double P : {15.0, 30.0, 50.0}) {
    RunState s = e;
    s.P = static_cast<float>(P);
    ASSERT_EQ(runThermometer(49, s), ThermometerOutcome::Continue);
    const double want = nakamuraK(P, d(e.cat[Gar]), d(e.cat[Cpx]));
    EXPECT_GT(want - 273.0, 700.0);
    EXPECT_LT(want - 273.0, 1400.0);
    EXPECT_NEAR(s.TK, want, want * 5e-6) << P;
  }
}

TEST(BeyondCatalogue, WithoutAValueTheCombinationEnds) {
  struct Case {
    const char* what;
    int thermometer, barometer;  // 0: not this kind
    std::function<RunState()> store;
  };
  const Case cases[] = {
      {"44 without Cr", 0, 44,
       [] {
         RunState s = crDiopside();
         s.cat[Cpx].Cr = 0.0f;
         return s;
       }},
      {"44 with a_CaCrTs below 0", 0, 44,
       [] {
         RunState s = crDiopside();
         s.cat[Cpx].Na = 0.5f;
         return s;
       }},
      {"44 without clinopyroxene", 0, 44, [] { return RunState{}; }},
      {"48 with a_En not above 0", 48, 0,
       [] {
         RunState s = crDiopside();
         s.cat[Cpx].Ca = 0.96f;  // 1 - Ca - Na - K below 0
         s.cat[Cpx].Na = 0.05f;
         return s;
       }},
      {"49 without garnet", 49, 0,
       [] {
         RunState s = eclogite();
         s.cat[Gar] = CationFormula{};
         return s;
       }},
      {"49 without Fe in the clinopyroxene", 49, 0,
       [] {
         RunState s = eclogite();
         s.cat[Cpx].Fe = 0.0f;
         return s;
       }},
  };
  for (const Case& c : cases) {
    RunState s = c.store();
    s.T = 1400.0f;
    s.P = 33.0f;
    s.TK = 1234.0f;
    if (c.barometer != 0) {
      EXPECT_EQ(runBarometer(c.barometer, s), BarometerOutcome::NotComplete) << c.what;
    } else {
      EXPECT_EQ(runThermometer(c.thermometer, s), ThermometerOutcome::NotComplete) << c.what;
    }
    EXPECT_EQ(s.P, 33.0f) << c.what;
    EXPECT_EQ(s.TK, 1234.0f) << c.what;
  }
}

// The alternating iteration worked in double: barometer 44 at T, thermometer
// 48 at that P, until two temperatures agree within 1 K or the pass limit.
TEST(BeyondCatalogue, PairSolvedByTheAlternatingIteration) {
  const Cations c = d(crDiopside().cat[Cpx]);
  RunSettings settings;
  settings.iterationLimit = 30;
  MethodCombination pair{48, 44, "", ""};
  RunState s = crDiopside();
  s.startT = 1273.0f;
  s.startP = 10.0f;
  NullTerminal quiet;
  IterationInfo info;
  ASSERT_TRUE(solveCombination(s, settings, pair, quiet, &info));
  double T = 1273.0, P = 0.0, TK = 0.0;
  int passes = 0;
  for (;;) {
    P = crInCpxKbar(T, c);
    TK = enstatiteInCpxK(P, c);
    ++passes;
    const double step = std::fabs(TK - T);
    T = TK;
    if (step <= 1.0 || passes == 30) break;
  }
  EXPECT_TRUE(info.converged);
  EXPECT_EQ(info.passes, passes);
  EXPECT_NEAR(s.TK, TK, 1e-2);
  EXPECT_NEAR(s.P, P, 1e-3);
}

TEST(BeyondCatalogue, CommandsListThemAndTheDialogueDoesNot) {
  struct Listed {
    MethodKind kind;
    int number;
    const char* label;
    const char* needs;
  };
  for (const Listed& m : {Listed{MethodKind::Thermometer, 48, "NimisTaylor2000T", "Cpx"},
                          Listed{MethodKind::Thermometer, 49, "Nakamura2009GCpx", "Cpx + Gt"},
                          Listed{MethodKind::Barometer, 44, "NimisTaylor2000P", "Cpx"}}) {
    const std::optional<MethodInfo> info = methodInfo(m.kind, m.number);
    ASSERT_TRUE(info) << m.number;
    EXPECT_EQ(info->label, m.label);
    EXPECT_EQ(mineralNames(info->needs), m.needs);
  }
  EXPECT_EQ(commandThermometerLabel(48).size(), 16u);
  EXPECT_EQ(commandThermometerLabel(49).size(), 16u);
  EXPECT_EQ(commandBarometerLabel(44).size(), 16u);
  EXPECT_EQ(commandThermometerLabel(50), std::string(16, ' '));
  EXPECT_EQ(commandThermometerLabel(7), thermometerLabel(7));
  // The dialogue's catalogue keeps its blank slots and runs its defaults.
  EXPECT_EQ(thermometerLabel(48), std::string(16, ' '));
  EXPECT_EQ(barometerLabel(44), std::string(16, ' '));
  EXPECT_EQ(catalogueThermometer(48), 1);
  EXPECT_EQ(catalogueBarometer(44), 2);
  // Calibration ranges where the paper states them.
  const CalibrationRange* t48 = calibrationRange(MethodKind::Thermometer, 48);
  const CalibrationRange* p44 = calibrationRange(MethodKind::Barometer, 44);
  ASSERT_TRUE(t48 && p44);
  EXPECT_EQ(calibrationText(*t48), "T 850-1500 degC, P 0-60 kbar (Nimis and Taylor 2000, abstract)");
  EXPECT_EQ(calibrationText(*p44), "T 900-1400 degC, P 20-60 kbar (Nimis and Taylor 2000, p. 544)");
  EXPECT_EQ(calibrationRange(MethodKind::Thermometer, 49), nullptr);
}

TEST(BeyondCatalogue, DialogueSettingsComputeTheCatalogueDefaults) {
  // The same numbers through the dialogue's resolution: thermometer 1 and
  // barometer 2 (which needs orthopyroxene and garnet, absent here).
  RunSettings dialogue;
  dialogue.beyondCatalogue = false;
  dialogue.iterationLimit = 3;
  RunState s = crDiopside();
  s.startT = 1273.0f;
  NullTerminal quiet;
  EXPECT_FALSE(solveCombination(s, dialogue, MethodCombination{48, 44, "", ""}, quiet));
  RunState t = crDiopside();
  t.startT = 1273.0f;
  t.startP = 30.0f;
  ASSERT_TRUE(solveCombination(t, dialogue, MethodCombination{48, 1, "", ""}, quiet));
  EXPECT_EQ(t.TK, 1273.0f + 273.0f);  // thermometer 1: the starting temperature in degC
}

TEST(BeyondCatalogue, ClinopyroxeneSiteSums) {
  const RunState s = crDiopside();
  const CationFormula& f = s.cat[Cpx];
  const Cations c = d(f);
  const ClinopyroxeneSites sites = clinopyroxeneSites(f);
  const double alIV = std::min(std::max(2.0 - c.Si, 0.0), c.Al);
  EXPECT_NEAR(sites.tetrahedral, c.Si + alIV, 1e-6);
  const double others = f.Ti + f.Al + f.Cr + f.Fe + f.Fe3 + f.Mn + f.Mg + f.Ca + f.Na + f.K + f.Ni;
  EXPECT_NEAR(sites.octahedral, others - alIV, 1e-5);
  // Four cations on six oxygens less a little Fe3+ by charge: both near 2.
  EXPECT_NEAR(sites.tetrahedral + sites.octahedral, 4.0, 0.03);
}

}  // namespace
}  // namespace mantlept
