// Oxybarometers against double-precision reference values, their guards,
// windows and the shared values they leave in the store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/oxybarometers/oxybarometers_reference.hpp"

namespace mantlept {
namespace {

using oxyref::Cations;

Cations toRef(const CationFormula& c) {
  return {c.Si, c.Ti, c.Al, c.Cr, c.Fe, c.Mn, c.Mg, c.Ca, c.Na, c.K, c.Ni, c.Fe3, c.Sum};
}

void expectClose(double actual, double expected, const std::string& what) {
  EXPECT_NEAR(actual, expected, 1e-4 * std::max(0.1, std::fabs(expected))) << what;
}

// True when the two stores differ at most in the oxygen-fugacity value.
bool sameBesideFO2(RunState a, const RunState& b) {
  a.fO2 = b.fO2;
  return std::memcmp(&a, &b, sizeof(RunState)) == 0;
}

// A garnet-spinel lherzolite with a little ilmenite, at 1273 K and 20 kbar.
RunState lherzolite() {
  RunState s;
  s.T = 1273.0f;
  s.P = 20.0f;
  s.cat[Opx] = {1.92f, 0.005f, 0.12f, 0.02f, 0.16f, 0.003f, 1.72f, 0.04f, 0.01f, 0, 0, 0, 4.0f};
  s.cat[Cpx] = {1.90f, 0.01f, 0.15f, 0.03f, 0.09f, 0.002f, 0.95f, 0.80f, 0.10f, 0, 0.001f, 0,
                4.03f};
  s.cat[Ol] = {1.0f, 0, 0, 0, 0.18f, 0.003f, 1.81f, 0, 0, 0, 0.007f, 0, 3.0f};
  s.cat[Sp] = {0, 0.005f, 1.36f, 0.50f, 0.22f, 0.002f, 0.78f, 0, 0, 0, 0.003f, 0.08f, 2.95f};
  s.cat[Gar] = {2.98f, 0.01f, 1.85f, 0.12f, 0.35f, 0.015f, 1.95f, 0.75f, 0, 0, 0, 0, 8.0f};
  s.cat[Ilm] = {0, 0.90f, 0, 0.01f, 0.62f, 0.005f, 0.35f, 0, 0, 0, 0, 0.10f, 2.0f};
  s.ox[Ilm].MgO = 10.0f;
  s.ox[Ilm].FeO = 33.0f;
  s.ox[Ilm].TiO2 = 50.0f;
  SiteParameters& p = s.site;
  p.XFe_Opx = 0.16f / 1.88f;
  p.XFeM1_Opx = 0.08f;
  p.XFeM2_Opx = 0.095f;
  p.XFe_Ol = 0.18f / 1.99f;
  p.XFe_Sp = 0.22f;
  p.Fe3R_Sp = 0.04f;
  p.XAl2_Sp = 0.68f;
  p.XFe3_Sp = 0.04f;
  p.XAl_Sp = 0.68f;
  p.XTi_Sp = 0.01f;
  p.FeNo_Gar = 0.35f / 2.30f;
  return s;
}

double reference(int number, const RunState& s) {
  const SiteParameters& p = s.site;
  const double T = s.T, P = s.P;
  switch (number) {
    case 1: return oxyref::oxy1(T, P, p.XFe_Ol, p.Fe3R_Sp, p.XFe_Sp, p.XAl2_Sp);
    case 2: return oxyref::oxy2(T, P, p.XFe_Ol, p.XFeM1_Opx, p.XFeM2_Opx, toRef(s.cat[Sp]));
    case 3: return oxyref::oxy3(T, P, p.XFe_Ol, p.XFe3_Sp, p.XFe_Sp, p.XAl_Sp, p.XTi_Sp);
    case 4: return oxyref::oxy4(T, P, p.XFe_Ol, toRef(s.cat[Ilm]));
    case 5:
      return oxyref::oxy5(T, P, toRef(s.cat[Gar]), s.cat[Ol].Fe, toRef(s.cat[Opx]), p.FeNo_Gar,
                          s.cat[Cpx].Fe < 0.0f, s.aFs).value;
    case 6: return oxyref::oxy6(T, P, toRef(s.cat[Cpx]));
    case 7: return oxyref::oxy7(T, P, p.XFe_Opx, toRef(s.cat[Opx]));
    case 8: return oxyref::oxy8(T, P, toRef(s.cat[Gar]));
    default: return oxyref::oxy9(T, P, p.XFe_Ol);
  }
}

TEST(Oxybarometers, RealisticAssociationMatchesReference) {
  for (int number = 1; number <= 9; ++number) {
    RunState s = lherzolite();
    const double expected = reference(number, s);
    ASSERT_NE(expected, 0.0) << number;
    ASSERT_NE(expected, 2000.0) << number;
    StringTerminal out;
    EXPECT_EQ(runOxybarometer(number, s, out), OxybarometerOutcome::Value) << number;
    expectClose(s.fO2, expected, "oxybarometer " + std::to_string(number));
  }
}

TEST(Oxybarometers, NumbersOutsideTheRangeRunOxybarometer1) {
  RunState one = lherzolite();
  StringTerminal out;
  runOxybarometer(1, one, out);
  for (int number : {12, -3, 10}) {
    RunState s = lherzolite();
    EXPECT_EQ(runOxybarometer(number, s, out), OxybarometerOutcome::Value);
    EXPECT_EQ(s.fO2, one.fO2) << number;
  }
}

TEST(Oxybarometers, UnmetPreconditionsAndUnguardedDivisionsGiveZero) {
  struct Case {
    int number;
    const char* what;
    void (*spoil)(RunState&);
  };
  const Case cases[] = {
      {1, "no spinel", [](RunState& s) { s.site.XFe_Sp = 0; s.site.Fe3R_Sp = 0; }},
      {1, "XFe_Ol exactly 1e-07", [](RunState& s) { s.site.XFe_Ol = 1e-07f; }},
      {1, "T zero", [](RunState& s) { s.T = 0; }},
      {2, "no olivine", [](RunState& s) { s.cat[Ol].Si = 0; }},
      {2, "spinel Fe3 exactly 1e-07", [](RunState& s) { s.cat[Sp].Fe3 = 1e-07f; }},
      {2, "spinel without Fe2+", [](RunState& s) { s.cat[Sp].Fe = 0; }},
      {3, "no spinel", [](RunState& s) { s.cat[Sp].Al = 0; }},
      {3, "XFe3_Sp zero", [](RunState& s) { s.site.XFe3_Sp = 0; }},
      {3, "T exactly 1e-07", [](RunState& s) { s.T = 1e-07f; }},
      {4, "no ilmenite", [](RunState& s) { s.cat[Ilm].Ti = 0; }},
      {4, "no hematite", [](RunState& s) { s.cat[Ilm].Ti = 1.0f; }},
      {5, "no garnet", [](RunState& s) { s.cat[Gar].Fe = 0; }},
      {5, "garnet without ferric excess", [](RunState& s) { s.cat[Gar].Ca = 0.6f; }},
      {6, "P exactly 1e-07", [](RunState& s) { s.P = 1e-07f; }},
      {6, "no clinopyroxene", [](RunState& s) { s.cat[Cpx].Fe = 0; }},
      {7, "no orthopyroxene", [](RunState& s) { s.cat[Opx].Fe = 0; }},
      {8, "no garnet", [](RunState& s) { s.cat[Gar] = CationFormula{}; }},
      {8, "P of 220 kbar", [](RunState& s) { s.P = 220.0f; }},
      {9, "no olivine", [](RunState& s) { s.cat[Ol].Si = 0; }},
      {9, "olivine without Fe", [](RunState& s) { s.site.XFe_Ol = 0; }},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    c.spoil(s);
    s.fO2 = 5.0f;
    StringTerminal out;
    EXPECT_EQ(runOxybarometer(c.number, s, out), OxybarometerOutcome::Value) << c.what;
    EXPECT_EQ(s.fO2, 0.0f) << c.number << ": " << c.what;
    EXPECT_TRUE(usable(s.site.XFe_Ol, s.site.Fe3_Cpx, s.garnetFerricExcess, s.aFs)) << c.what;
  }
}

TEST(Oxybarometers, MethodsWithoutSharedWritesChangeOnlyTheValue) {
  for (int number : {1, 2, 7, 9}) {
    RunState s = lherzolite();
    const RunState before = s;
    StringTerminal out;
    runOxybarometer(number, s, out);
    EXPECT_TRUE(sameBesideFO2(s, before)) << number;
    EXPECT_TRUE(out.text().empty()) << number;
  }
}

TEST(Oxybarometers, SpinelEstimateOfOlivineStaysForLaterCombinations) {
  RunState s = lherzolite();
  s.site.XFe_Ol = 0;  // no olivine
  const RunState before = s;
  const double estimate = oxyref::olivineFromSpinel(s.T, s.P, s.site.XFe_Sp);
  StringTerminal out;
  oxybarometer3(s, out);
  expectClose(s.site.XFe_Ol, estimate, "estimate");
  expectClose(s.fO2, reference(3, s), "value with the estimate");
  RunState only = s;
  only.site.XFe_Ol = before.site.XFe_Ol;
  EXPECT_TRUE(sameBesideFO2(only, before));

  // A later combination at another temperature keeps the first estimate.
  const Real first = s.site.XFe_Ol;
  s.T = 1400.0f;
  oxybarometer3(s, out);
  EXPECT_EQ(s.site.XFe_Ol, first);
  expectClose(s.fO2, reference(3, s), "second combination");

  // A measured olivine is never replaced; a rich spinel gives the x = 0 branch.
  RunState measured = lherzolite();
  oxybarometer3(measured, out);
  EXPECT_EQ(measured.site.XFe_Ol, lherzolite().site.XFe_Ol);
  RunState rich = lherzolite();
  rich.site.XFe_Ol = 0;
  rich.site.XFe_Sp = 0.95f;
  oxybarometer3(rich, out);
  const double x = (0.0 - 0.075) * 0.45 + 0.085;  // first estimate 0.195 reset to 0
  EXPECT_NEAR(rich.site.XFe_Ol, x - 473.0 * (x - 0.06) * 0.000275 + 0.01, 1e-6);
}

TEST(Oxybarometers, IlmeniteCompositionLimitsEndTheCombination) {
  struct Case {
    Real MgO, FeO, TiO2;
    bool complete;
  };
  const Case cases[] = {
      {16.0f, 33.0f, 50.0f, false}, {10.0f, 27.4f, 50.0f, false}, {10.0f, 33.0f, 54.2f, false},
      {15.9f, 30.0f, 50.0f, true},  {10.0f, 27.5f, 54.1f, true},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    s.ox[Ilm].MgO = c.MgO;
    s.ox[Ilm].FeO = c.FeO;
    s.ox[Ilm].TiO2 = c.TiO2;
    s.fO2 = 7.0f;
    const RunState before = s;
    StringTerminal out;
    const OxybarometerOutcome outcome = oxybarometer4(s, out);
    if (c.complete) {
      EXPECT_EQ(outcome, OxybarometerOutcome::Value) << c.MgO;
      expectClose(s.fO2, reference(4, s), "ilmenite inside its range");
      // One extra line: a blank, then m.
      const std::string& text = out.text();
      ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
      EXPECT_EQ(text[0], ' ');
      const double m = std::strtod(text.c_str(), nullptr);
      EXPECT_NEAR(m, oxyref::opxMgFraction(s.T, s.P, s.site.XFe_Ol), 2e-6);
    } else {
      EXPECT_EQ(outcome, OxybarometerOutcome::NotComplete) << c.MgO << " " << c.FeO;
      EXPECT_TRUE(out.text().empty());
      EXPECT_TRUE(std::memcmp(&s, &before, sizeof s) == 0);
    }
  }
}

TEST(Oxybarometers, IlmeniteMethodEstimatesPoorOlivineFromPressure) {
  struct Case {
    Real XFe_Ol, P;
    double expected;
  };
  const Case cases[] = {
      {0.0f, 20.0f, 20 * 0.00025 + 0.11},
      {0.0099f, 29.9f, 29.9 * 0.00025 + 0.11},
      {0.0f, 30.0f, 30 * 0.00025 + 0.12},
      {0.005f, 45.0f, 45 * 0.00025 + 0.12},
      {0.01f, 20.0f, 0.01},  // not poor: kept
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    s.site.XFe_Ol = c.XFe_Ol;
    s.P = c.P;
    StringTerminal out;
    EXPECT_EQ(oxybarometer4(s, out), OxybarometerOutcome::Value);
    EXPECT_NEAR(s.site.XFe_Ol, c.expected, 1e-7) << c.P;
    expectClose(s.fO2, reference(4, s), "estimated olivine");
  }
}

TEST(Oxybarometers, GarnetOlivineOrthopyroxeneVariantsAndKeptFerrosilite) {
  StringTerminal out;
  // Variant A with Fe(Cpx) = 0 (no clinopyroxene): the ferric excess and the
  // orthopyroxene ferrosilite activity are written.
  RunState a = lherzolite();
  a.cat[Cpx] = CationFormula{};
  const oxyref::Oxy5 ra = oxyref::oxy5(a.T, a.P, toRef(a.cat[Gar]), a.cat[Ol].Fe,
                                       toRef(a.cat[Opx]), a.site.FeNo_Gar, false, 0.0);
  oxybarometer5(a, out);
  expectClose(a.fO2, ra.value, "variant A");
  expectClose(a.garnetFerricExcess, ra.e, "excess");
  expectClose(a.aFs, ra.aFs, "aFs from opx");

  // Without orthopyroxene the kept activity is used; none kept gives 0.
  RunState kept = a;
  kept.cat[Opx] = CationFormula{};
  oxybarometer5(kept, out);
  expectClose(kept.fO2, ra.value, "kept aFs");
  RunState fresh = lherzolite();
  fresh.cat[Opx] = CationFormula{};
  oxybarometer5(fresh, out);
  EXPECT_EQ(fresh.fO2, 0.0f);
  EXPECT_EQ(fresh.aFs, 0.0f);
  expectClose(fresh.garnetFerricExcess, ra.e, "excess written before the aFs test");

  // Variant B (flagged clinopyroxene), no olivine and no orthopyroxene: the
  // olivine estimate serves as ferrosilite activity; a garnet deficit stays.
  RunState b = lherzolite();
  b.cat[Cpx].Fe = -1.0f;
  b.cat[Ol] = CationFormula{};
  b.cat[Opx] = CationFormula{};
  b.cat[Gar].Mn = 0.005f;  // excess -0.005: not clamped in this variant
  b.cat[Gar].Ca = 0.69f;
  const oxyref::Oxy5 rb = oxyref::oxy5(b.T, b.P, toRef(b.cat[Gar]), 0.0, Cations{},
                                       b.site.FeNo_Gar, true, 0.0);
  ASSERT_LT(rb.e, -0.001);
  oxybarometer5(b, out);
  expectClose(b.fO2, rb.value, "variant B with a garnet deficit");
  expectClose(b.garnetFerricExcess, rb.e, "unclamped excess");

  RunState b2 = lherzolite();
  b2.cat[Cpx].Fe = -1.0f;
  b2.cat[Ol] = CationFormula{};
  b2.cat[Opx] = CationFormula{};
  const oxyref::Oxy5 rb2 = oxyref::oxy5(b2.T, b2.P, toRef(b2.cat[Gar]), 0.0, Cations{},
                                        b2.site.FeNo_Gar, true, 0.0);
  ASSERT_NE(rb2.value, 0.0);
  oxybarometer5(b2, out);
  expectClose(b2.fO2, rb2.value, "variant B");
  expectClose(b2.aFs, rb2.aFs, "aFs from the olivine estimate");
  EXPECT_TRUE(out.text().empty());
}

// The single-clinopyroxene value in single precision, step by step as the
// calibration is written, to find temperatures that land on a window edge.
float cpxValueFloat(float T, float P, float f) {
  float v = 1752.2f * (f * f * f) - 523.24f * (f * f) + 63.373f * f - 2.9604f;
  v = (T - 500.0f) * f / 350.0f + v - 0.0012f * (P * P);
  return std::pow(P, 0.6f) * v * 0.0045f - P * f * 0.001f;
}

TEST(Oxybarometers, SingleMineralWindowsGiveTheMarker) {
  StringTerminal out;
  // f = +0.5 and -0.5 exactly; search the float temperature giving 2 or -6.
  struct Edge {
    Real Ca, target;
  };
  for (const Edge& edge : {Edge{1.0f, 2.0f}, Edge{0.0f, -6.0f}}) {
    RunState s = lherzolite();
    s.cat[Cpx] = CationFormula{};
    s.cat[Cpx].Mg = 1.0f;
    s.cat[Cpx].Fe = 0.5f;
    s.cat[Cpx].Ca = edge.Ca;
    s.P = 1.0f;
    const Real f = edge.Ca - 0.5f;
    float lo = 1.0f, hi = 3.0e6f;  // the value is monotonic in T
    const bool rising = cpxValueFloat(hi, 1.0f, f) > cpxValueFloat(lo, 1.0f, f);
    for (int i = 0; i < 200; ++i) {
      const float mid = lo + (hi - lo) / 2.0f;
      if ((cpxValueFloat(mid, 1.0f, f) < edge.target) == rising) lo = mid; else hi = mid;
    }
    // First value at or past the edge, then a few steps around it.
    float T = rising ? hi : lo;
    for (int i = 0; i < 50; ++i) T = std::nextafter(T, 0.0f);
    for (int i = 0; i < 100 && cpxValueFloat(T, 1.0f, f) != edge.target; ++i) {
      T = std::nextafter(T, 1e7f);
    }
    ASSERT_EQ(cpxValueFloat(T, 1.0f, f), edge.target) << "no temperature on the edge";
    s.T = T;
    oxybarometer6(s, out);
    EXPECT_EQ(s.fO2, 2000.0f) << edge.target;
    EXPECT_EQ(s.site.Fe3_Cpx, f);
    // Just inside the window the value itself stands.
    const float inward = (edge.target > 0.0f) == rising ? 0.0f : 1e7f;
    while (cpxValueFloat(s.T, 1.0f, f) == edge.target) s.T = std::nextafter(s.T, inward);
    oxybarometer6(s, out);
    EXPECT_EQ(s.fO2, cpxValueFloat(s.T, 1.0f, f));
    EXPECT_GT(s.fO2, -6.0f);
    EXPECT_LT(s.fO2, 2.0f);
  }

  // Values pushed beyond the windows of the orthopyroxene and garnet methods.
  RunState hotOpx = lherzolite();
  hotOpx.site.XFe_Opx = 0.3f;
  hotOpx.T = 3000.0f;
  ASSERT_EQ(reference(7, hotOpx), 2000.0);
  oxybarometer7(hotOpx, out);
  EXPECT_EQ(hotOpx.fO2, 2000.0f);
  RunState ferricGar = lherzolite();
  ferricGar.cat[Gar].Sum = 8.3f;
  ASSERT_EQ(reference(8, ferricGar), 2000.0);
  oxybarometer8(ferricGar, out);
  EXPECT_EQ(ferricGar.fO2, 2000.0f);
}

TEST(Oxybarometers, SingleMineralSharedWrites) {
  StringTerminal out;
  // Clinopyroxene: Fe3_Cpx is replaced, also when the pressure gives no value.
  for (Real P : {20.0f, 0.0f}) {
    RunState s = lherzolite();
    s.P = P;
    s.site.Fe3_Cpx = 0.02f;
    const RunState before = s;
    oxybarometer6(s, out);
    expectClose(s.site.Fe3_Cpx, oxyref::cpxFerric(toRef(s.cat[Cpx])), "Fe3_Cpx");
    RunState only = s;
    only.site.Fe3_Cpx = before.site.Fe3_Cpx;
    EXPECT_TRUE(sameBesideFO2(only, before));
  }
  // Garnet: the ferric excess is written, even without garnet (no Fe to divide by).
  for (bool withGarnet : {true, false}) {
    RunState s = lherzolite();
    if (!withGarnet) s.cat[Gar] = CationFormula{};
    const RunState before = s;
    oxybarometer8(s, out);
    expectClose(s.garnetFerricExcess, oxyref::garnetExcess8(toRef(s.cat[Gar])), "excess");
    RunState only = s;
    only.garnetFerricExcess = before.garnetFerricExcess;
    EXPECT_TRUE(sameBesideFO2(only, before));
  }
}

}  // namespace
}  // namespace mantlept
