// Spinel, ilmenite and olivine thermometers: results against double-precision
// forms of the calibrations, the tests that end a combination, and the values
// the methods leave in the store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <vector>

#include "methods/thermometers/spinel_ilmenite_olivine_reference.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

namespace ref = reference;
using Method = ThermometerOutcome (*)(RunState&);

// Method N through its dispatch table, which tests the needed minerals first.
template <int N>
ThermometerOutcome dispatched(RunState& s) {
  return runThermometer(N, s);
}
using Outcome = ThermometerOutcome;

constexpr double kRel = 2e-6;
constexpr Real kTKBefore = 1234.5f;

void expectClose(double actual, double expected, double rel = kRel) {
  EXPECT_NEAR(actual, expected, rel * std::fabs(expected)) << "expected " << expected;
}

// Spinel lherzolite: orthopyroxene, olivine and Al-spinel with their site
// parameters, at 1300 K and 20 kbar.
RunState spinelLherzolite() {
  RunState s;
  CationFormula& opx = s.cat[Opx];
  opx.Si = 1.93f, opx.Ti = 0.003f, opx.Al = 0.15f, opx.Cr = 0.015f, opx.Fe = 0.18f;
  opx.Mn = 0.004f, opx.Mg = 1.68f, opx.Ca = 0.03f, opx.Na = 0.01f, opx.Sum = 4.0f;
  CationFormula& ol = s.cat[Ol];
  ol.Si = 1.0f, ol.Fe = 0.2f, ol.Mg = 1.8f, ol.Mn = 0.003f, ol.Ni = 0.007f, ol.Sum = 3.0f;
  CationFormula& sp = s.cat[Sp];
  sp.Ti = 0.005f, sp.Al = 1.6f, sp.Cr = 0.3f, sp.Fe = 0.2f, sp.Mg = 0.8f, sp.Fe3 = 0.05f;
  sp.Sum = 3.0f;
  OxideValues& olOx = s.ox[Ol];
  olOx.SiO2 = 40.8f, olOx.Al2O3 = 0.02f, olOx.Cr2O3 = 0.03f, olOx.FeO = 9.6f, olOx.MgO = 49.1f;
  olOx.CaO = 0.08f, olOx.NiO = 0.37f;
  SiteParameters& x = s.site;
  x.AlM1_Opx = 0.08f, x.XMgM1_Opx = 0.85f, x.XFeM1_Opx = 0.07f, x.XCrM1_Opx = 0.008f;
  x.XFe_Opx = 0.097f, x.XAl2_Sp = 0.64f, x.XAl_Sp = 0.8f, x.XCr_Sp = 0.15f;
  x.XFe3_Sp = 0.025f, x.XTi_Sp = 0.0025f, x.CrNo_Sp = 0.158f, x.XFe_Sp = 0.2f, x.XFe_Ol = 0.1f;
  s.T = 1300.0f, s.P = 20.0f, s.TK = kTKBefore, s.Tin = 777.0f, s.n = 7;
  return s;
}

// Kimberlite picroilmenite without olivine, at 1300 K and 40 kbar.
RunState ilmeniteAssociation() {
  RunState s;
  CationFormula& ilm = s.cat[Ilm];
  ilm.Ti = 0.9f, ilm.Cr = 0.03f, ilm.Fe = 0.7f, ilm.Mn = 0.005f, ilm.Mg = 0.35f, ilm.Fe3 = 0.1f;
  ilm.Sum = 2.085f;
  OxideValues& ox = s.ox[Ilm];
  ox.TiO2 = 50.5f, ox.Cr2O3 = 1.5f, ox.FeO = 34.0f, ox.MnO = 0.25f, ox.MgO = 10.2f;
  ox.Fe2O3 = 5.0f;
  s.site.XFe_Ol = 0.1f;
  s.T = 1300.0f, s.P = 40.0f, s.TK = kTKBefore, s.Tin = 777.0f, s.n = 7;
  return s;
}

// Copies one written value from the state before the call into the state
// after it, so that the rest can be compared whole.
using Written = void (*)(RunState& after, const RunState& before);
constexpr Written kTK = [](RunState& a, const RunState& b) { a.TK = b.TK; };
constexpr Written kXFeOl = [](RunState& a, const RunState& b) { a.site.XFe_Ol = b.site.XFe_Ol; };
constexpr Written kFe3Sp = [](RunState& a, const RunState& b) { a.cat[Sp].Fe3 = b.cat[Sp].Fe3; };
constexpr Written kInner = [](RunState& a, const RunState& b) {
  a.Tin = b.Tin;
  a.n = b.n;
};

// Nothing but the listed values differs between the two states.
void expectOnlyWritten(const RunState& before, RunState after, std::initializer_list<Written> w) {
  for (Written restore : w) restore(after, before);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof(RunState)), 0) << "an unlisted value was written";
}

ref::IlmeniteComponents components(const RunState& s) {
  const CationFormula& c = s.cat[Ilm];
  return ref::ilmeniteComponents(c.Cr, c.Ti, c.Mn, c.Mg);
}

ref::SpinelCations spinelCations(const RunState& s) {
  const CationFormula& c = s.cat[Sp];
  return {c.Ti, c.Al, c.Cr, c.Fe, c.Mg};
}

double alExchangeQuotient(const RunState& s) {
  return ref::alExchangeQuotient(s.cat[Ol].Fe, s.cat[Ol].Mg, s.site.AlM1_Opx, s.site.XAl2_Sp,
                                 s.cat[Sp].Mg, s.site.XMgM1_Opx);
}

// --- Ilmenite-olivine thermometers -------------------------------------------

TEST(IlmeniteOlivine, MgRichIlmeniteEstimatesOlivineFromPressureOrFeMg) {
  struct Case {
    Real cr2o3, cr, t;
    double xFeOl;  // expected estimate, worked below
  };
  const RunState base = ilmeniteAssociation();
  const double byPressure = ref::olivineFromPressureIlm(40.0);
  const double feo = base.ox[Ilm].FeO, mgo = base.ox[Ilm].MgO;
  ASSERT_NEAR(byPressure, 0.11, 1e-12);
  for (const Case& c :
       {Case{1.5f, 0.03f, 1300.0f, byPressure}, Case{2.09f, 0.03f, 1300.0f, byPressure},
        Case{2.1f, 0.06f, 1300.0f, ref::olivineFromIlmeniteFeMg(feo, mgo, 1300.0)},
        Case{3.2f, 0.06f, 1300.0f, ref::olivineFromIlmeniteFeMg(feo, mgo, 1300.0)},
        Case{3.2f, 0.06f, 1964.0f, ref::olivineFromIlmeniteFeMg(feo, mgo, 1964.0)}}) {
    SCOPED_TRACE(testing::Message() << "Cr2O3 " << c.cr2o3 << ", T " << c.t);
    RunState s = base;
    s.ox[Ilm].Cr2O3 = c.cr2o3;
    s.cat[Ilm].Cr = c.cr;
    s.T = c.t;
    const RunState before = s;
    ASSERT_EQ(thermometer4(s), Outcome::Continue);
    expectClose(s.site.XFe_Ol, c.xFeOl);
    expectClose(s.TK, ref::ilmeniteOlivineTerm(components(s), c.xFeOl, 40.0) + 100.0);
    expectOnlyWritten(before, s, {kTK, kXFeOl});
  }
}

TEST(IlmeniteOlivine, FeRichIlmeniteWithItsCorrections) {
  struct Case {
    const char* name;
    Real ti, fe, mg, p, t;
    bool high, low;  // which correction of the result applies
  };
  for (const Case& c : {Case{"no correction", 0.9f, 0.7f, 0.35f, 40.0f, 1300.0f, false, false},
                        Case{"high", 0.85f, 0.7f, 0.4f, 40.0f, 1300.0f, true, false},
                        Case{"low", 0.85f, 0.7f, 0.2f, 20.0f, 1100.0f, false, true}}) {
    RunState s = ilmeniteAssociation();
    CationFormula& ilm = s.cat[Ilm];
    ilm.Ti = c.ti, ilm.Fe = c.fe, ilm.Mg = c.mg, ilm.Cr = 0.02f;
    s.P = c.p, s.T = c.t;
    const RunState before = s;

    const double xo =
        ref::olivineFromFirstEstimate(ref::olivineFirstEstimateFeRich(c.fe, c.mg, c.p, c.t));
    const ref::IlmeniteComponents k = components(s);
    const double e = ref::ilmeniteOlivineTerm(k, xo, c.p);
    // The case exercises the branch it is named after.
    const double p = c.p;
    const double raw = e - 10.0 * (25.0 - p) - 250.0 + 400.0 * k.hm;
    ASSERT_EQ(raw >= 1523.0 + 4.0 * (p - 40.0), c.high) << c.name;
    ASSERT_EQ(raw <= 1053.0 + 5.0 * (p - 40.0), c.low) << c.name;

    ASSERT_EQ(thermometer35(s), Outcome::Continue) << c.name;
    expectClose(s.site.XFe_Ol, xo);
    expectClose(s.TK, ref::feRichIlmeniteTemperature(e, k.hm, c.fe, c.ti, c.p));
    expectOnlyWritten(before, s, {kTK, kXFeOl});
  }
}

// The first olivine estimate of the Fe-rich ilmenite thermometer in single
// precision, only to find pressures that put it exactly on a threshold. With
// r = 0.35 and T = 1050 it reduces to -0.002*(P - 60).
Real firstEstimateSingle(Real fe, Real mg, Real t, Real p) {
  const Real r = fe / (fe + mg);
  return (r - 0.35f) / 2.25f - 0.0000255f * (t - 1050.0f) - 0.002f * (p - 60.0f);
}

// A pressure near `guess` whose first estimate equals `x` exactly.
bool findPressure(Real guess, Real x, Real& p) {
  Real up = guess, down = guess;
  for (int i = 0; i < 4000; ++i) {
    for (Real q : {up, down}) {
      if (firstEstimateSingle(0.35f, 0.65f, 1050.0f, q) == x) return p = q, true;
    }
    up = std::nextafter(up, 1e9f);
    down = std::nextafter(down, -1e9f);
  }
  return false;
}

TEST(IlmeniteOlivine, FeRichOlivineEstimateSteps) {
  // First estimate -> olivine estimate, by the rules: at or below 0.035 add
  // 0.025; then at or below 0 add 0.055; after the logarithm and the pull
  // towards 0.18, at or below 0.035 add 0.3.
  const auto afterLog = [](double x) { return 0.75 * (0.1027 * std::log(x) + 0.335) + 0.045; };
  struct Case {
    const char* name;
    Real first, p;
    double expected;
    bool exact;  // the pressure is adjusted to put the first estimate on a threshold
  };
  ASSERT_EQ(firstEstimateSingle(0.35f, 0.65f, 1050.0f, 60.0f), 0.0f);
  for (const Case& c :
       {Case{"0.035 gets 0.025", 0.035f, 42.5f, afterLog(0.06), true},
        Case{"0.05 is left alone", 0.05f, 35.0f, afterLog(0.05), false},
        Case{"-0.025 gets 0.025, then 0.055", -0.025f, 72.5f, afterLog(0.055), true},
        Case{"-0.03 gets 0.025, then 0.055", -0.03f, 75.0f, afterLog(0.05), false},
        Case{"0 ends at or below 0.035 and gets 0.3", 0.0f, 60.0f, afterLog(0.025) + 0.3, true}}) {
    Real p = c.p;
    if (c.exact) {
      ASSERT_TRUE(findPressure(c.p, c.first, p)) << c.name;
    }
    RunState s = ilmeniteAssociation();
    s.cat[Ilm].Fe = 0.35f, s.cat[Ilm].Mg = 0.65f, s.T = 1050.0f, s.P = p;
    EXPECT_EQ(thermometer35(s), Outcome::Continue) << c.name;
    expectClose(s.site.XFe_Ol, c.expected);
  }
}

// --- Spinel-olivine exchange ---------------------------------------------------

TEST(SpinelOlivine, ExchangeFromSpinelEstimateAndFromPressure) {
  // Both recast Fe3(Sp) and share one quotient Q; the spinel-based estimate
  // adds P + 50.
  const RunState base = spinelLherzolite();
  const double fe3 = ref::spinelFerric(base.cat[Sp].Al, base.cat[Sp].Cr, base.cat[Sp].Ti);
  {
    RunState s = base;
    ASSERT_EQ(thermometer21(s), Outcome::Continue);
    const double xo = ref::olivineFromSpinel(s.site.XFe_Sp, s.cat[Sp].Ti, 20.0, 1300.0);
    expectClose(s.TK, ref::spinelOlivineQ(spinelCations(base), s.site.CrNo_Sp, xo, 20.0) + 70.0);
    expectClose(s.cat[Sp].Fe3, fe3);
    expectOnlyWritten(base, s, {kTK, kFe3Sp});
  }
  for (Real p : {20.0f, 54.9f}) {
    RunState s = base;
    s.P = p;
    const RunState before = s;
    ASSERT_EQ(thermometer30(s), Outcome::Continue);
    const double xo = 0.0005 * double(p) + 0.08;
    expectClose(s.TK, ref::spinelOlivineQ(spinelCations(base), s.site.CrNo_Sp, xo, p));
    expectClose(s.cat[Sp].Fe3, fe3);
    expectOnlyWritten(before, s, {kTK, kFe3Sp});  // XFe_Ol left alone below 55 kbar
  }
  {
    RunState s = base;
    s.P = 55.0f;
    const RunState before = s;
    ASSERT_EQ(thermometer30(s), Outcome::Continue);
    expectClose(s.site.XFe_Ol, 0.069);
    expectClose(s.TK, ref::spinelOlivineQ(spinelCations(base), s.site.CrNo_Sp, 0.1075, 55.0));
    expectOnlyWritten(before, s, {kTK, kFe3Sp, kXFeOl});
  }
}

TEST(SpinelOlivine, SiteFractionExchangeWithOlivineFromPressure) {
  for (Real p : {15.0f, 30.0f}) {
    RunState s = spinelLherzolite();
    s.P = p;
    const RunState before = s;
    ASSERT_EQ(thermometer34(s), Outcome::Continue);
    const double xo = 0.0005 * double(p) + 0.08;
    const SiteParameters& x = before.site;
    expectClose(s.site.XFe_Ol, xo);
    expectClose(s.TK,
                ref::spinelSiteExchangeTemperature(xo, x.XFe_Sp, x.XFe3_Sp, x.XTi_Sp, x.XCr_Sp, p));
    expectOnlyWritten(before, s, {kTK, kXFeOl});
  }
}

// --- Al exchange, Cr-Al exchange and trace elements -----------------------------

TEST(AlExchange, LinearForm) {
  RunState s = spinelLherzolite();
  const RunState before = s;
  ASSERT_EQ(thermometer12(s), Outcome::Continue);
  expectClose(s.TK, ref::alExchangeLinearTemperature(alExchangeQuotient(before), 0.158f));
  expectOnlyWritten(before, s, {kTK});
}

TEST(AlExchange, InnerIterationSettlesOrRunsOut) {
  struct Case {
    const char* name;
    Real alM1, crNo, t;
    Outcome outcome;
  };
  for (const Case& c : {Case{"settles", 0.08f, 0.158f, 1300.0f, Outcome::Continue},
                        Case{"runs out after 25 steps", 0.4f, 0.9f, 1000.0f, Outcome::Finish}}) {
    RunState s = spinelLherzolite();
    s.site.AlM1_Opx = c.alM1, s.site.CrNo_Sp = c.crNo, s.T = c.t;
    const RunState before = s;
    const double fe = s.cat[Sp].Fe, mg = s.cat[Sp].Mg;
    const ref::AlExchangeIteration it =
        ref::alExchangeIterated(alExchangeQuotient(s), fe / (mg + fe), c.crNo, 20.0, c.t);
    ASSERT_EQ(it.finish, c.outcome == Outcome::Finish) << c.name;
    EXPECT_EQ(thermometer6(s), c.outcome) << c.name;
    EXPECT_EQ(s.n, it.n) << c.name;
    expectClose(s.TK, it.tk);
    expectClose(s.Tin, it.tin);
    EXPECT_EQ(s.T, c.t);
    expectOnlyWritten(before, s, {kTK, kInner});
  }
}

TEST(OpxSpinelCrAl, Realistic) {
  RunState s = spinelLherzolite();
  const RunState before = s;
  ASSERT_EQ(thermometer33(s), Outcome::Continue);
  const SiteParameters& x = before.site;
  const ref::CrAlInputs in{
      x.AlM1_Opx,         x.XCrM1_Opx,        x.XFeM1_Opx, x.XMgM1_Opx, x.XFe_Opx,
      before.cat[Opx].Cr, before.cat[Opx].Al, x.XCr_Sp,    x.XAl_Sp,    x.XFe_Sp};
  expectClose(s.TK, ref::opxSpinelCrAlTemperature(in, 20.0));
  expectOnlyWritten(before, s, {kTK});
}

TEST(OlivineTraceElements, CrAlAndCa) {
  RunState s = spinelLherzolite();
  const RunState before = s;
  const Real al2o3 = before.ox[Ol].Al2O3, cr2o3 = before.ox[Ol].Cr2O3, cao = before.ox[Ol].CaO;

  ASSERT_EQ(thermometer45(s), Outcome::Continue);
  expectClose(s.TK, ref::olivineCrAlTemperature(al2o3, cr2o3, 20.0));
  expectOnlyWritten(before, s, {kTK});

  ASSERT_EQ(thermometer46(s), Outcome::Continue);
  expectClose(s.TK, ref::olivineAlTemperature(al2o3, 20.0));

  s.ox[Ol].Cr2O3 = 0.0f;  // Al alone needs no Cr
  ASSERT_EQ(thermometer46(s), Outcome::Continue);
  expectClose(s.TK, ref::olivineAlTemperature(al2o3, 20.0));

  ASSERT_EQ(thermometer47(s), Outcome::Continue);
  expectClose(s.TK, ref::olivineCaTemperature(cao, 20.0));
}

// --- Failures -----------------------------------------------------------------

// A failed test ends the method: TK keeps its value, values written before
// the test (olivine estimate, recast spinel ferric iron) stay, nothing else
// is written and nothing non-finite reaches the store.
TEST(Failures, TestsAndValuelessEquations) {
  constexpr double kNone = -1e30;  // the value is not written
  struct Case {
    const char* name;
    Method method;
    RunState (*association)();
    void (*change)(RunState&);
    double xFeOl = kNone, fe3Sp = kNone;
  };
  RunState (*const ilm)() = ilmeniteAssociation;
  RunState (*const sp)() = spinelLherzolite;
  // Olivine estimates of the Fe-rich ilmenite thermometer (Fe 0.7, Mg 0.35, 1300 K).
  const double firstAt200 = ref::olivineFirstEstimateFeRich(0.7f, 0.35f, 200.0, 1300.0);
  const double at40 =
      ref::olivineFromFirstEstimate(ref::olivineFirstEstimateFeRich(0.7f, 0.35f, 40.0, 1300.0));
  const double at40Mg075 =
      ref::olivineFromFirstEstimate(ref::olivineFirstEstimateFeRich(0.7f, 0.75f, 40.0, 1300.0));
  ASSERT_LT(firstAt200 + 0.08, 0.0);
  const double fe3 = ref::spinelFerric(1.6f, 0.3f, 0.005f);

  const std::vector<Case> cases = {
      // Minerals and composition tests.
      {"4 Ti(Ilm)", dispatched<4>, ilm, [](RunState& s) { s.cat[Ilm].Ti = 1e-07f; }},
      {"4 MgO(Ilm) 2", thermometer4, ilm, [](RunState& s) { s.ox[Ilm].MgO = 2.0f; }},
      {"35 Ti(Ilm)", dispatched<35>, ilm, [](RunState& s) { s.cat[Ilm].Ti = 0.0f; }},
      {"35 MgO(Ilm) 16", thermometer35, ilm, [](RunState& s) { s.ox[Ilm].MgO = 16.0f; }},
      {"35 FeO(Ilm) 27.4", thermometer35, ilm, [](RunState& s) { s.ox[Ilm].FeO = 27.4f; }},
      {"21 Fe(Sp)", thermometer21, sp, [](RunState& s) { s.cat[Sp].Fe = 1e-07f; }},
      {"21 Mg(Sp)", thermometer21, sp, [](RunState& s) { s.cat[Sp].Mg = 0.0f; }},
      {"30 Fe(Sp)", thermometer30, sp, [](RunState& s) { s.cat[Sp].Fe = 0.0f, s.P = 60.0f; }},
      {"30 Mg(Sp)", thermometer30, sp, [](RunState& s) { s.cat[Sp].Mg = 1e-07f, s.P = 60.0f; }},
      {"34 Cr(Sp)", thermometer34, sp, [](RunState& s) { s.cat[Sp].Cr = 0.0f; }},
      {"12 Opx", thermometer12, sp, [](RunState& s) { s.cat[Opx].Si = 1e-07f; }},
      {"12 Ol", thermometer12, sp, [](RunState& s) { s.cat[Ol].Si = 0.0f; }},
      {"12 Al(Sp)", thermometer12, sp, [](RunState& s) { s.cat[Sp].Al = 1e-07f; }},
      {"12 Qa 0", thermometer12, sp, [](RunState& s) { s.site.AlM1_Opx = 0.0f; }},
      {"6 Opx", thermometer6, sp, [](RunState& s) { s.cat[Opx].Si = 0.0f; }},
      {"6 Ol", thermometer6, sp, [](RunState& s) { s.cat[Ol].Si = 1e-07f; }},
      {"6 Al(Sp)", thermometer6, sp, [](RunState& s) { s.cat[Sp].Al = 0.0f; }},
      {"33 Opx", dispatched<33>, sp, [](RunState& s) { s.cat[Opx].Si = 1e-07f; }},
      {"33 Al(Sp)", dispatched<33>, sp, [](RunState& s) { s.cat[Sp].Al = 1e-07f; }},
      {"33 K 0", thermometer33, sp, [](RunState& s) { s.site.XCr_Sp = 0.0f; }},
      {"45 Al", thermometer45, sp, [](RunState& s) { s.ox[Ol].Al2O3 = 1e-08f; }},
      {"45 Cr", thermometer45, sp, [](RunState& s) { s.ox[Ol].Cr2O3 = 0.0f; }},
      {"46 Al2O3 1e-07", thermometer46, sp, [](RunState& s) { s.ox[Ol].Al2O3 = 1e-07f; }},
      {"47 Ca", thermometer47, sp, [](RunState& s) { s.ox[Ol].CaO = 1e-08f; }},
      // Tests and valueless equations after the olivine or spinel writes.
      {"4 ratio estimate not above 0.002", thermometer4, ilm,
       [](RunState& s) { s.ox[Ilm].Cr2O3 = 2.5f, s.T = 2100.0f; },
       ref::olivineFromIlmeniteFeMg(34.0f, 10.2f, 2100.0)},
      {"4 olivine Fe fraction above 1", thermometer4, ilm, [](RunState& s) { s.P = 1500.0f; },
       1.205},
      {"4 no Mg cations in ilmenite", thermometer4, ilm, [](RunState& s) { s.cat[Ilm].Mg = 0.0f; },
       0.11},
      {"35 logarithm of a negative estimate", thermometer35, ilm, [](RunState& s) { s.P = 200.0f; },
       firstAt200 + 0.025 + 0.055},
      {"35 no hematite", thermometer35, ilm,
       [](RunState& s) { s.cat[Ilm].Ti = 1.0f, s.cat[Ilm].Cr = 0.0f, s.cat[Ilm].Mn = 0.0f; }, at40},
      {"35 no ilmenite", thermometer35, ilm,
       [](RunState& s) {
         s.cat[Ilm].Mg = 0.75f, s.cat[Ilm].Ti = 0.75f, s.cat[Ilm].Cr = 0.0f, s.cat[Ilm].Mn = 0.0f;
       },
       at40Mg075},
      {"21 olivine estimate above 1", thermometer21, sp, [](RunState& s) { s.site.XFe_Sp = 20.0f; },
       kNone, fe3},
      {"30 olivine estimate above 1", thermometer30, sp, [](RunState& s) { s.P = 2000.0f; },
       0.08 - 0.4, fe3},
      {"34 XFe_Ol not above 1e-07", thermometer34, sp, [](RunState& s) { s.P = -170.0f; }, -0.005},
      {"34 1 - XFe_Ol not above 1e-07", thermometer34, sp, [](RunState& s) { s.P = 1900.0f; },
       1.03},
      {"34 all-ferrous spinel", thermometer34, sp, [](RunState& s) { s.site.XFe_Sp = 1.0f; }, 0.09},
      {"12 XAl2_Sp 0", thermometer12, sp, [](RunState& s) { s.site.XAl2_Sp = 0.0f; }},
      {"6 XAl2_Sp 0", thermometer6, sp, [](RunState& s) { s.site.XAl2_Sp = 0.0f; }},
      {"33 XCrM1_Opx 0", thermometer33, sp, [](RunState& s) { s.site.XCrM1_Opx = 0.0f; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunState s = c.association();
    c.change(s);
    const RunState before = s;
    EXPECT_EQ(c.method(s), Outcome::NotComplete);
    EXPECT_TRUE(usable(s.site.XFe_Ol, s.cat[Sp].Fe3));
    std::vector<Written> written;
    if (c.xFeOl != kNone) {
      EXPECT_NEAR(s.site.XFe_Ol, c.xFeOl, 1e-6);
      written.push_back(kXFeOl);
    }
    if (c.fe3Sp != kNone) {
      EXPECT_NEAR(s.cat[Sp].Fe3, c.fe3Sp, 1e-6);
      written.push_back(kFe3Sp);
    }
    RunState masked = s;
    for (Written restore : written) restore(masked, before);
    EXPECT_EQ(std::memcmp(&before, &masked, sizeof(RunState)), 0) << "unlisted write";
  }
}

// The inner iteration needs a non-zero inner temperature; the pair is set
// before the first step.
TEST(Failures, InnerTemperatureZero) {
  RunState s = spinelLherzolite();
  s.T = 0.0f;
  const RunState before = s;
  EXPECT_EQ(thermometer6(s), Outcome::NotComplete);
  EXPECT_EQ(s.n, 0);
  EXPECT_EQ(s.Tin, 0.0f);
  expectOnlyWritten(before, s, {kInner});
}

// A wt% near `guess` whose trace content, converted in single precision as
// the thermometer does, has a logarithm exactly equal to `zero`.
Real findOxideOnLog(Real guess, Real zero, Real (*content)(Real)) {
  Real up = guess, down = guess;
  for (int i = 0; i < 4000; ++i) {
    for (Real w : {up, down}) {
      if (std::log(content(w)) == zero) return w;
    }
    up = std::nextafter(up, 1e9f);
    down = std::nextafter(down, 0.0f);
  }
  return 0.0f;
}

TEST(Failures, TraceElementDivisorZero) {
  struct Case {
    const char* name;
    Method method;
    Real zero;
    bool calcium;
  };
  const auto aluminium = [](Real w) { return 230000.0f * w / 39.0f; };
  const auto calcium = [](Real w) { return 10000.0f * w; };
  for (const Case& c :
       {Case{"45", thermometer45, 13.409f, false}, Case{"46", thermometer46, 14.53f, false},
        Case{"47", thermometer47, 15.45f, true}}) {
    const double perPpm = c.calcium ? 1e-4 : 39.0 / 230000.0;
    const Real guess = Real(std::exp(double(c.zero)) * perPpm);
    const Real w = findOxideOnLog(guess, c.zero, c.calcium ? +calcium : +aluminium);
    ASSERT_GT(w, 0.0f) << c.name;
    RunState s = spinelLherzolite();
    (c.calcium ? s.ox[Ol].CaO : s.ox[Ol].Al2O3) = w;
    const RunState before = s;
    EXPECT_EQ(c.method(s), Outcome::NotComplete) << c.name;
    expectOnlyWritten(before, s, {});
  }
}

}  // namespace
}  // namespace mantlept
