#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "methods/thermometers/nickel_garnet_reference.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

namespace ref = reference;
using Method = std::function<ThermometerOutcome(RunState&)>;

// Method N through its dispatch table, which tests the needed minerals first.
template <int N>
ThermometerOutcome dispatched(RunState& s) {
  return runThermometer(N, s);
}

constexpr double kRel = 1e-5;  // single precision, a few ulps of the inputs

// A Cr-pyrope from a garnet lherzolite with its olivine, as cations per
// formula unit (12 oxygens for garnet, 4 for olivine) and oxide wt%.
RunState peridotite() {
  RunState s;
  s.cat[Gar] = {.Si = 2.985f,
                .Ti = 0.0135f,
                .Al = 1.632f,
                .Cr = 0.281f,
                .Fe = 0.428f,
                .Mn = 0.021f,
                .Mg = 2.171f,
                .Ca = 0.404f,
                .Na = 0.0069f,
                .Ni = 0.00046f,
                .Sum = 7.9424f};
  s.ox[Gar] = {.SiO2 = 42.05f,
               .TiO2 = 0.254f,
               .Al2O3 = 19.52f,
               .Cr2O3 = 5.014f,
               .FeO = 7.21f,
               .MnO = 0.352f,
               .MgO = 20.51f,
               .CaO = 5.305f,
               .Na2O = 0.05f,
               .NiO = 0.0081f};
  s.cat[Ol] = {
      .Si = 0.995f, .Fe = 0.166f, .Mn = 0.002f, .Mg = 1.832f, .Ni = 0.0072f, .Sum = 3.0022f};
  s.ox[Ol] = {.SiO2 = 41.07f, .FeO = 8.17f, .MgO = 50.62f, .NiO = 0.368f};
  s.P = 42.5f;
  s.T = 1320.0f;
  s.TK = 1234.5f;
  return s;
}

ref::GarnetOxides oxides(const RunState& s) {
  const OxideValues& g = s.ox[Gar];
  return {g.TiO2, g.Al2O3, g.FeO, g.MnO, g.MgO, g.CaO, g.Na2O};
}

// Everything but TK must be as it was: none of these methods writes another value.
void expectNothingElseWritten(const RunState& before, const RunState& after) {
  for (int m = 0; m < kSlotCount; ++m) {
    for (int k = 0; k < OxideValues::kCount; ++k) EXPECT_EQ(before.ox[m][k], after.ox[m][k]);
    for (int k = 0; k < CationFormula::kCount; ++k) EXPECT_EQ(before.cat[m][k], after.cat[m][k]);
  }
  EXPECT_EQ(0, std::memcmp(&before.site, &after.site, sizeof(SiteParameters)));
  EXPECT_EQ(before.T, after.T);
  EXPECT_EQ(before.P, after.P);
  EXPECT_EQ(before.fO2, after.fO2);
  EXPECT_EQ(before.Tin, after.Tin);
  EXPECT_EQ(before.n, after.n);
  EXPECT_EQ(before.garnetFerricExcess, after.garnetFerricExcess);
  EXPECT_EQ(before.aFs, after.aFs);
}

// ---------------------------------------------------------------------------
// Realistic association: every method against its double-precision equation.

struct Realistic {
  int number;
  Method method;
  std::function<double(const RunState&)> expected;
};

TEST(NickelGarnetThermometers, RealisticPeridotiteMatchesEquation) {
  const std::vector<Realistic> cases = {
      {31, thermometer31,
       [](const RunState& s) { return ref::niGarnetPpmTK(s.ox[Gar].NiO, s.P); }},
      {37, thermometer37, [](const RunState& s) { return ref::niInGarnetTK(s.cat[Gar].Ni); }},
      {39, thermometer39,
       [](const RunState& s) { return ref::niGarnetOlivineTK(s.ox[Gar].NiO, s.ox[Ol].NiO); }},
      {44, thermometer44,
       [](const RunState& s) {
         return ref::niMgGarnetOlivineTK(s.cat[Gar].Ni, s.cat[Gar].Mg, s.cat[Ol].Ni, s.cat[Ol].Mg);
       }},
      {40, thermometer40,
       [](const RunState& s) { return ref::garnetPolynomialCrTK(oxides(s), s.P); }},
      {41, thermometer41,
       [](const RunState& s) { return ref::garnetPolynomialMnNaTK(oxides(s), s.P); }},
      {42, thermometer42,
       [](const RunState& s) { return ref::garnetPolynomialMgTiTK(oxides(s), s.P); }},
  };
  for (const Realistic& c : cases) {
    SCOPED_TRACE("thermometer " + std::to_string(c.number));
    const RunState before = peridotite();
    RunState s = before;
    const double want = c.expected(before);
    EXPECT_EQ(c.method(s), ThermometerOutcome::Continue);
    EXPECT_NEAR(s.TK, want, std::fabs(want) * kRel);
    if (c.number == 31 || c.number == 39 || c.number == 44) {
      EXPECT_GT(want, 1100.0);  // a mantle temperature in kelvin
      EXPECT_LT(want, 1700.0);
    }
    EXPECT_NE(s.TK, before.TK);
    expectNothingElseWritten(before, s);
    // The dispatch reaches the same method.
    RunState viaTable = before;
    EXPECT_EQ(runThermometer(c.number, viaTable), ThermometerOutcome::Continue);
    EXPECT_EQ(viaTable.TK, s.TK);
  }
}

// The garnet-olivine methods on hand-worked numbers, so that a reference slip
// cannot hide a production slip.
TEST(NickelGarnetThermometers, HandWorkedValues) {
  RunState s = peridotite();
  // N = 7858 * 0.0081 = 63.6498 ppm, ln N = 4.153396; 1000/0.7210081 = 1386.947;
  // + 150*42.5/60 - 50
  ASSERT_EQ(thermometer31(s), ThermometerOutcome::Continue);
  EXPECT_NEAR(s.TK, 1386.947 + 106.25 - 50.0, 2e-2);
  // D = 0.0081/0.368 = 0.02201087, ln D = -3.816219; 8772/6.346219 = 1382.240
  ASSERT_EQ(thermometer39(s), ThermometerOutcome::Continue);
  EXPECT_NEAR(s.TK, 1382.240, 2e-2);
  // D = 0.00046/2.171/0.0072*1.832 = 0.05391269, ln D = -2.920389;
  // 10000/(5.0495 + 0.807*2.920389) = 10000/7.406254 = 1350.210
  ASSERT_EQ(thermometer44(s), ThermometerOutcome::Continue);
  EXPECT_NEAR(s.TK, 1350.210, 2e-2);
  // Ni(Gar) = 0.0003: ln(0.1) = -2.302585; 1000/(0.83 + 1.001625) = 545.9634
  s.cat[Gar].Ni = 0.0003f;
  ASSERT_EQ(thermometer37(s), ThermometerOutcome::Continue);
  EXPECT_NEAR(s.TK, 545.9634, 2e-3);
}

// ---------------------------------------------------------------------------
// Failing tests: the outcome is NotComplete and TK keeps its entry value.

struct Failing {
  std::string name;
  Method method;
  std::function<void(RunState&)> change;
};

TEST(NickelGarnetThermometers, FailingTestsLeaveTheStoreAlone) {
  const std::vector<Failing> cases = {
      // Thermometer 31: its chain of garnet cation tests, each strict.
      {"31 Si(Gar) at 1e-07", dispatched<31>, [](RunState& s) { s.cat[Gar].Si = 1e-07f; }},
      {"31 Mn(Gar) zero", thermometer31, [](RunState& s) { s.cat[Gar].Mn = 0.0f; }},
      {"31 Ti(Gar) at 1e-07", thermometer31, [](RunState& s) { s.cat[Gar].Ti = 1e-07f; }},
      {"31 Mg(Gar) zero", thermometer31, [](RunState& s) { s.cat[Gar].Mg = 0.0f; }},
      {"31 Al(Gar) zero", thermometer31, [](RunState& s) { s.cat[Gar].Al = 0.0f; }},
      {"31 Na(Gar) at 1e-07", thermometer31, [](RunState& s) { s.cat[Gar].Na = 1e-07f; }},
      // ... then the garnet NiO (wt%) that gives its ppm Ni.
      {"31 NiO(Gar) zero", thermometer31, [](RunState& s) { s.ox[Gar].NiO = 0.0f; }},
      {"31 NiO(Gar) at 1e-07", thermometer31, [](RunState& s) { s.ox[Gar].NiO = 1e-07f; }},
      // Thermometer 37: garnet presence, then its Ni.
      {"37 no garnet", dispatched<37>, [](RunState& s) { s.cat[Gar].Si = 1e-07f; }},
      {"37 Ni(Gar) at 1e-07", thermometer37, [](RunState& s) { s.cat[Gar].Ni = 1e-07f; }},
      // Thermometer 39: olivine presence, Ni(Gar), then the olivine NiO (wt%).
      {"39 no olivine", dispatched<39>, [](RunState& s) { s.cat[Ol].Si = 1e-07f; }},
      {"39 Ni(Gar) at 1e-07", thermometer39, [](RunState& s) { s.cat[Gar].Ni = 1e-07f; }},
      {"39 NiO(Ol) zero", thermometer39, [](RunState& s) { s.ox[Ol].NiO = 0.0f; }},
      {"39 NiO(Ol) at 1e-07", thermometer39, [](RunState& s) { s.ox[Ol].NiO = 1e-07f; }},
      {"39 NiO(Gar) zero, ln 0", thermometer39, [](RunState& s) { s.ox[Gar].NiO = 0.0f; }},
      // Thermometer 44: tests on the raw NiO; zero divisors and ln 0 in D.
      {"44 NiO(Gar) at 1e-07", thermometer44, [](RunState& s) { s.ox[Gar].NiO = 1e-07f; }},
      {"44 NiO(Ol) zero", thermometer44, [](RunState& s) { s.ox[Ol].NiO = 0.0f; }},
      {"44 Mg(Ol) zero", thermometer44, [](RunState& s) { s.cat[Ol].Mg = 0.0f; }},
      {"44 Ni(Gar) cation zero", thermometer44, [](RunState& s) { s.cat[Gar].Ni = 0.0f; }},
      {"44 Ni(Ol) cation zero", thermometer44, [](RunState& s) { s.cat[Ol].Ni = 0.0f; }},
      {"44 Mg(Gar) zero", thermometer44, [](RunState& s) { s.cat[Gar].Mg = 0.0f; }},
      // Thermometer 40: Ca, Fe; Ti; Cr2O3 above 0.35; P and Al; R; ln(MgO*R).
      {"40 CaO at 1e-07", thermometer40, [](RunState& s) { s.ox[Gar].CaO = 1e-07f; }},
      {"40 FeO zero", thermometer40, [](RunState& s) { s.ox[Gar].FeO = 0.0f; }},
      {"40 TiO2 at 1e-07", thermometer40, [](RunState& s) { s.ox[Gar].TiO2 = 1e-07f; }},
      {"40 Cr2O3 at 0.35", thermometer40, [](RunState& s) { s.ox[Gar].Cr2O3 = 0.35f; }},
      {"40 P zero", thermometer40, [](RunState& s) { s.P = 0.0f; }},
      {"40 P negative", thermometer40, [](RunState& s) { s.P = -5.0f; }},
      {"40 Al2O3 zero", thermometer40, [](RunState& s) { s.ox[Gar].Al2O3 = 0.0f; }},
      {"40 R at most 1e-15", thermometer40,
       [](RunState& s) {
         s.ox[Gar].TiO2 = 1e-06f;
         s.ox[Gar].FeO = 1e+04f;
         s.ox[Gar].Al2O3 = 1e+03f;
       }},
      {"40 MgO zero, ln 0", thermometer40, [](RunState& s) { s.ox[Gar].MgO = 0.0f; }},
      {"40 S zero", thermometer40, [](RunState& s) { s.ox[Gar].MgO = -s.ox[Gar].CaO; }},
      // Thermometer 41: Ca, Fe; Na, Ti; P, Al; R (MnO = 0 fails here).
      {"41 CaO zero", thermometer41, [](RunState& s) { s.ox[Gar].CaO = 0.0f; }},
      {"41 FeO at 1e-07", thermometer41, [](RunState& s) { s.ox[Gar].FeO = 1e-07f; }},
      {"41 Na2O at 1e-07", thermometer41, [](RunState& s) { s.ox[Gar].Na2O = 1e-07f; }},
      {"41 TiO2 zero", thermometer41, [](RunState& s) { s.ox[Gar].TiO2 = 0.0f; }},
      {"41 P zero", thermometer41, [](RunState& s) { s.P = 0.0f; }},
      {"41 P negative", thermometer41, [](RunState& s) { s.P = -1.0f; }},
      {"41 Al2O3 at 1e-07", thermometer41, [](RunState& s) { s.ox[Gar].Al2O3 = 1e-07f; }},
      {"41 MnO zero", thermometer41, [](RunState& s) { s.ox[Gar].MnO = 0.0f; }},
      // Thermometer 42: the tests of 41, R above 1e-10, T strictly in (200, 2000).
      {"42 Na2O zero", thermometer42, [](RunState& s) { s.ox[Gar].Na2O = 0.0f; }},
      {"42 P zero", thermometer42, [](RunState& s) { s.P = 0.0f; }},
      {"42 P negative", thermometer42, [](RunState& s) { s.P = -30.0f; }},
      {"42 MgO zero, R = 0", thermometer42, [](RunState& s) { s.ox[Gar].MgO = 0.0f; }},
      {"42 MgO negative", thermometer42, [](RunState& s) { s.ox[Gar].MgO = -1.0f; }},
      {"42 T at 200", thermometer42, [](RunState& s) { s.T = 200.0f; }},
      {"42 T at 2000", thermometer42, [](RunState& s) { s.T = 2000.0f; }},
      {"42 T zero, TK plausible", thermometer42,
       [](RunState& s) {
         s.T = 0.0f;
         s.TK = 1300.0f;
       }},
  };
  for (const Failing& c : cases) {
    SCOPED_TRACE(c.name);
    RunState before = peridotite();
    c.change(before);
    RunState s = before;
    EXPECT_EQ(c.method(s), ThermometerOutcome::NotComplete);
    EXPECT_EQ(s.TK, before.TK);
    expectNothingElseWritten(before, s);
  }
}

// ---------------------------------------------------------------------------
// Boundaries and tests not made: the method computes.

struct Passing {
  std::string name;
  Method method;
  std::function<void(RunState&)> change;
  std::function<double(const RunState&)> expected;
};

TEST(NickelGarnetThermometers, BoundariesAndUntestedValuesCompute) {
  const auto t37 = [](const RunState& s) { return ref::niInGarnetTK(s.cat[Gar].Ni); };
  const auto t39 = [](const RunState& s) {
    return ref::niGarnetOlivineTK(s.ox[Gar].NiO, s.ox[Ol].NiO);
  };
  const auto t44 = [](const RunState& s) {
    return ref::niMgGarnetOlivineTK(s.cat[Gar].Ni, s.cat[Gar].Mg, s.cat[Ol].Ni, s.cat[Ol].Mg);
  };
  const auto t40 = [](const RunState& s) { return ref::garnetPolynomialCrTK(oxides(s), s.P); };
  const auto t41 = [](const RunState& s) { return ref::garnetPolynomialMnNaTK(oxides(s), s.P); };
  const auto t42 = [](const RunState& s) { return ref::garnetPolynomialMgTiTK(oxides(s), s.P); };
  const std::vector<Passing> cases = {
      {"37 Ni(Gar) just above 1e-07", thermometer37, [](RunState& s) { s.cat[Gar].Ni = 2e-07f; },
       t37},
      {"39 Ni(Ol) cation not read: tiny", thermometer39, [](RunState& s) { s.cat[Ol].Ni = 1e-09f; },
       t39},
      {"39 garnet Si not tested", thermometer39, [](RunState& s) { s.cat[Gar].Si = 0.0f; }, t39},
      {"44 no Si tests", thermometer44,
       [](RunState& s) {
         s.cat[Gar].Si = 0.0f;
         s.cat[Ol].Si = 0.0f;
       },
       t44},
      {"44 tests on NiO only: tiny Ni cations", thermometer44,
       [](RunState& s) {
         s.cat[Gar].Ni = 1e-09f;
         s.cat[Ol].Ni = 1e-08f;
       },
       t44},
      {"40 Cr2O3 0.36", thermometer40, [](RunState& s) { s.ox[Gar].Cr2O3 = 0.36f; }, t40},
      {"40 low pressure", thermometer40, [](RunState& s) { s.P = 15.0f; }, t40},
      {"40 Na2O and MnO not tested", thermometer40,
       [](RunState& s) {
         s.ox[Gar].Na2O = 0.0f;
         s.ox[Gar].MnO = 0.0f;
       },
       t40},
      {"41 high pressure, low Ti", thermometer41,
       [](RunState& s) {
         s.P = 65.0f;
         s.ox[Gar].TiO2 = 0.05f;
       },
       t41},
      {"41 A below 1223", thermometer41, [](RunState& s) { s.P = 20.0f; }, t41},
      {"41 Cr2O3 not tested", thermometer41, [](RunState& s) { s.ox[Gar].Cr2O3 = 0.0f; }, t41},
      {"42 T just above 200", thermometer42, [](RunState& s) { s.T = 200.5f; }, t42},
      {"42 T just below 2000", thermometer42, [](RunState& s) { s.T = 1999.5f; }, t42},
      {"42 stored TK not read", thermometer42, [](RunState& s) { s.TK = 0.0f; }, t42},
      {"42 Tb below 1223", thermometer42, [](RunState& s) { s.P = 25.0f; }, t42},
      {"42 MnO not tested", thermometer42, [](RunState& s) { s.ox[Gar].MnO = 0.0f; }, t42},
  };
  for (const Passing& c : cases) {
    SCOPED_TRACE(c.name);
    RunState s = peridotite();
    c.change(s);
    const RunState before = s;
    const double want = c.expected(before);
    EXPECT_EQ(c.method(s), ThermometerOutcome::Continue);
    EXPECT_NEAR(s.TK, want, std::fabs(want) * kRel);
    expectNothingElseWritten(before, s);
  }
}

// Thermometer 31 reads the garnet beyond its tests only through its NiO, and
// adds 10 K per kbar from 60 kbar on.
TEST(NickelGarnetThermometers, NiGarnetPpmPressureTerms) {
  struct Case {
    float P;
    double extra;  // the 10*(P - 60) part, by hand
  };
  const Case cases[] = {{0.0f, 0.0}, {30.0f, 0.0}, {59.5f, 0.0}, {60.0f, 0.0}, {72.0f, 120.0}};
  RunState other = peridotite();
  other.cat[Gar].Mg = 1.2f;
  other.cat[Gar].Ni = 0.0f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.P);
    RunState a = peridotite();
    RunState b = other;
    a.P = c.P;
    b.P = c.P;
    ASSERT_EQ(thermometer31(a), ThermometerOutcome::Continue);
    ASSERT_EQ(thermometer31(b), ThermometerOutcome::Continue);
    EXPECT_EQ(a.TK, b.TK);
    EXPECT_NEAR(a.TK, ref::niGarnetPpmTK(0.0081, c.P), 2e-2);
    EXPECT_NEAR(a.TK, 1386.947 + 2.5 * static_cast<double>(c.P) - 50.0 + c.extra, 2e-2);
  }
}

}  // namespace
}  // namespace mantlept
