// Clinopyroxene, clinopyroxene-garnet and olivine-clinopyroxene barometers
// against double-precision reference forms of their equations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "methods/barometers/barometers.hpp"
#include "methods/barometers/clinopyroxene_reference.hpp"

namespace mantlept {
namespace {

namespace ref = reference;
using Kind = ref::Kind;

double d(Real x) { return static_cast<double>(x); }

// Garnet-peridotite clinopyroxene (6 oxygens) with garnet and olivine.
RunState peridotite() {
  RunState s;
  s.cat[Cpx] = {1.98f, 0.005f, 0.10f,  0.030f, 0.10f, 0.003f, 0.95f,
                0.75f, 0.10f,  0.002f, 0.0f,   0.0f,  4.02f};
  s.ox[Cpx] = {54.5f, 0.2f, 2.4f, 1.1f, 3.3f, 0.1f, 17.5f, 19.2f, 1.45f, 0.04f, 0.0f, 0.0f};
  s.site.Fe3_Cpx = 0.02f;
  s.cat[Gar] = {2.98f, 0.01f, 1.85f, 0.12f, 0.40f, 0.015f, 2.05f,
                0.45f, 0.01f, 0.0f,  0.0f,  0.0f,  7.885f};
  s.ox[Gar] = {42.0f, 0.2f, 20.0f, 2.0f, 6.8f, 0.3f, 21.0f, 5.4f, 0.05f, 0.0f, 0.0f, 0.0f};
  s.site.XCa_Gar = 0.14f;
  s.cat[Ol].Si = 0.995f;
  s.cat[Ol].Ca = 0.0018f;
  s.T = 1400.0f;
  s.P = 30.0f;
  s.TK = 1380.0f;
  return s;
}

// Omphacite of an eclogite: iron-rich, aluminous, sodic.
RunState eclogite() {
  RunState s;
  s.cat[Cpx] = {1.97f, 0.01f, 0.40f,  0.002f, 0.15f, 0.002f, 0.55f,
                0.60f, 0.38f, 0.001f, 0.0f,   0.0f,  4.065f};
  s.ox[Cpx] = {55.0f, 0.4f, 9.5f, 0.05f, 4.9f, 0.06f, 10.0f, 15.0f, 5.4f, 0.02f, 0.0f, 0.0f};
  s.site.Fe3_Cpx = 0.05f;
  s.T = 1100.0f;
  s.P = 25.0f;
  return s;
}

ref::CpxCations cations(const RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  return {d(c.Si), d(c.Ti), d(c.Al), d(c.Cr), d(c.Fe),
          d(c.Mg), d(c.Ca), d(c.Na), d(c.K),  d(s.site.Fe3_Cpx)};
}
ref::CpxOxides oxides(const RunState& s) {
  const OxideValues& o = s.ox[Cpx];
  return {d(o.Al2O3), d(o.Cr2O3), d(o.FeO), d(o.CaO), d(o.Na2O)};
}

BarometerOutcome kindOf(Kind k) {
  switch (k) {
    case Kind::Set:
      return BarometerOutcome::PressureSet;
    case Kind::Unchanged:
      return BarometerOutcome::PressureUnchanged;
    default:
      return BarometerOutcome::NotComplete;
  }
}

// True when the two stores differ at most in P.
bool sameExceptP(const RunState& a, const RunState& b) {
  for (int m = 0; m < kSlotCount; ++m) {
    for (int k = 0; k < CationFormula::kCount; ++k)
      if (a.cat[m][k] != b.cat[m][k]) return false;
    for (int k = 0; k < OxideValues::kCount; ++k)
      if (a.ox[m][k] != b.ox[m][k]) return false;
  }
  return std::memcmp(&a.site, &b.site, sizeof a.site) == 0 && a.T == b.T && a.TK == b.TK &&
         a.fO2 == b.fO2 && a.Tin == b.Tin && a.n == b.n;
}

// Runs barometer `number` and checks outcome, P and that nothing else moved.
void expectBarometer(int number, RunState s, const ref::CpxPressure& expected) {
  const RunState before = s;
  EXPECT_EQ(runBarometer(number, s), kindOf(expected.kind)) << "barometer " << number;
  if (expected.kind == Kind::Set) {
    EXPECT_NEAR(d(s.P), expected.P, 1e-5 * std::max(1.0, std::fabs(expected.P)))
        << "barometer " << number;
  } else {
    EXPECT_EQ(s.P, before.P) << "barometer " << number;
  }
  if (number != 23) {
    EXPECT_TRUE(sameExceptP(before, s)) << "barometer " << number;
  }
}

ref::CpxPressure ref20(const RunState& s) {
  return ref::barometer20(d(s.cat[Ol].Ca), d(s.cat[Cpx].Ca), d(s.T), d(s.P), d(s.TK));
}
ref::CpxPressure ref21(const RunState& s) {
  return ref::barometer21(d(s.cat[Cpx].Si), d(s.cat[Gar].Si), d(s.cat[Cpx].Ca), d(s.site.XCa_Gar),
                          d(s.T));
}
ref::CpxPressure ref30(const RunState& s) {
  const CationFormula& c = s.cat[Cpx];
  return ref::barometer30(d(c.Si), d(c.Cr), d(c.Al), d(c.Na), d(c.K), d(s.T));
}
ref::CpxPressure ref40(const RunState& s) {
  const CationFormula& g = s.cat[Gar];
  return ref::barometer40(d(s.ox[Cpx].CaO), d(s.ox[Gar].CaO), d(g.Mn), d(g.Fe), d(g.Mg), d(g.Si),
                          d(g.Ca), d(s.cat[Cpx].Ca));
}

TEST(ClinopyroxeneBarometers, RealisticAssociationsMatchTheEquations) {
  const RunState p = peridotite();
  const RunState e = eclogite();
  // Subcalcic clinopyroxene where the Ca terms of barometer 21 nearly cancel
  // and its ln K term carries the pressure.
  RunState sub = peridotite();
  sub.cat[Cpx].Ca = 0.36f;
  sub.site.XCa_Gar = 0.1f;
  struct Case {
    int number;
    RunState s;
    ref::CpxPressure expected;
  };
  const std::vector<Case> cases = {
      {20, p, ref20(p)},
      {21, p, ref21(p)},
      {21, sub, ref21(sub)},
      {30, p, ref30(p)},
      {31, p, ref::barometer31(oxides(p), cations(p), d(p.T), d(p.P))},
      {32, p, ref::barometer32(cations(p), d(p.T), d(p.P))},
      {36, p, ref::barometer36(oxides(p), cations(p), d(p.T), d(p.P))},
      {40, p, ref40(p)},
      {33, e, ref::barometer33(oxides(e), cations(e), d(e.T))},
      {31, e, ref::eclogiteJadeite(oxides(e), cations(e), d(e.T), true)},
      {36, e, ref::eclogiteJadeite(oxides(e), cations(e), d(e.T), true)},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.expected.kind, Kind::Set) << c.number;
    expectBarometer(c.number, c.s, c.expected);
  }
  // The two peridotite jadeite calibrations and the two eclogite variants differ.
  EXPECT_GT(std::fabs(cases[4].expected.P - cases[5].expected.P), 0.1);
  EXPECT_GT(std::fabs(cases[8].expected.P - cases[9].expected.P), 0.1);
}

TEST(ClinopyroxeneBarometers, PresenceAndGuardFailuresKeepP) {
  auto with = [](RunState s, auto change) {
    change(s);
    return s;
  };
  const RunState p = peridotite();
  const RunState e = eclogite();
  struct Case {
    const char* what;
    int number;
    RunState s;
  };
  const std::vector<Case> cases = {
      {"6 both present", 6, p},
      {"20 Ca(Ol) at 1e-05", 20, with(p, [](RunState& s) { s.cat[Ol].Ca = 1e-05f; })},
      {"20 Ca(Cpx) at 1e-05", 20, with(p, [](RunState& s) { s.cat[Cpx].Ca = 1e-05f; })},
      {"20 Dca below 1e-05", 20,
       with(p, [](RunState& s) { s.cat[Ol].Ca = 2e-05f, s.cat[Cpx].Ca = 4.0f; })},
      {"21 no garnet", 21, with(p, [](RunState& s) { s.cat[Gar].Si = 1e-07f; })},
      {"21 no Cpx", 21, with(p, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; })},
      {"21 K zero", 21, with(p, [](RunState& s) { s.site.XCa_Gar = 0.0f; })},
      {"21 Ca(Cpx) zero", 21, with(p, [](RunState& s) { s.cat[Cpx].Ca = 0.0f; })},
      {"30 no Cpx", 30, with(p, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; })},
      {"30 no Cr", 30, with(p, [](RunState& s) { s.cat[Cpx].Cr = 0.0f; })},
      {"30 Cr+Al zero", 30,
       with(p, [](RunState& s) { s.cat[Cpx].Cr = 0.0f, s.cat[Cpx].Al = 0.0f; })},
      {"30 T zero", 30, with(p, [](RunState& s) { s.T = 0.0f; })},
      {"30 a not positive", 30, with(p, [](RunState& s) { s.cat[Cpx].Na = 0.2f; })},
      {"31 no Cpx", 31, with(p, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; })},
      {"32 no Cpx", 32, with(p, [](RunState& s) { s.cat[Cpx].Si = 1e-07f; })},
      {"31 T at 800", 31, with(p, [](RunState& s) { s.T = 800.0f; })},
      {"32 Na at 1e-07", 32, with(p, [](RunState& s) { s.cat[Cpx].Na = 1e-07f; })},
      {"32 G not positive", 32, with(p, [](RunState& s) { s.cat[Cpx].K = 0.5f; })},
      {"32 Ca zero", 32, with(p, [](RunState& s) { s.cat[Cpx].Ca = 0.0f; })},
      {"33 Na2O at 0.01", 33, with(e, [](RunState& s) { s.ox[Cpx].Na2O = 0.01f; })},
      {"33 CaO at 5", 33, with(e, [](RunState& s) { s.ox[Cpx].CaO = 5.0f; })},
      {"33 Al2O3 at 0.03", 33, with(e, [](RunState& s) { s.ox[Cpx].Al2O3 = 0.03f; })},
      {"33 T zero", 33, with(e, [](RunState& s) { s.T = 0.0f; })},
      {"33 Al zero", 33, with(e, [](RunState& s) { s.cat[Cpx].Al = 0.0f; })},
      {"33 5Fe+1 zero", 33, with(e, [](RunState& s) { s.cat[Cpx].Fe = -0.2f; })},
      {"31 eclogite route, Al zero", 31,
       with(e, [](RunState& s) { s.ox[Cpx].Cr2O3 = 0.0f, s.cat[Cpx].Al = 0.0f; })},
      {"36 CaO at 5", 36, with(p, [](RunState& s) { s.ox[Cpx].CaO = 5.0f; })},
      {"36 incoming P zero", 36, with(p, [](RunState& s) { s.P = 0.0f; })},
      {"40 CaO(Cpx) at 0.1", 40, with(p, [](RunState& s) { s.ox[Cpx].CaO = 0.1f; })},
      {"40 CaO(Gar) at 0.1", 40, with(p, [](RunState& s) { s.ox[Gar].CaO = 0.1f; })},
      {"40 Ca(Cpx) cation zero", 40, with(p, [](RunState& s) { s.cat[Cpx].Ca = 0.0f; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectBarometer(c.number, c.s, ref::notComplete());
  }
}

TEST(ClinopyroxeneBarometers, Barometer6ComputesNoPressure) {
  struct Case {
    Real siCpx, siGar;
    Kind kind;
  };
  for (const Case& c : {Case{1.98f, 2.98f, Kind::NotComplete}, Case{0.0f, 2.98f, Kind::Unchanged},
                        Case{1.98f, 0.0f, Kind::Unchanged}, Case{1e-07f, 1e-07f, Kind::Unchanged},
                        Case{0.0f, 0.0f, Kind::Unchanged}}) {
    RunState s = peridotite();
    s.cat[Cpx].Si = c.siCpx;
    s.cat[Gar].Si = c.siGar;
    ASSERT_EQ(ref::barometer6(d(c.siCpx), d(c.siGar), d(s.P)).kind, c.kind);
    expectBarometer(6, s, ref::barometer6(d(c.siCpx), d(c.siGar), d(s.P)));
  }
}

TEST(ClinopyroxeneBarometers, Barometer20SwitchesOnStoredThermometerResult) {
  // The switch reads TK; T only enters the equations. At equality the second
  // (11982) expression applies.
  struct Case {
    Real P, TK;
    bool first;
  };
  const Real edge = 2.827f * 10.0f + 1275.25f;
  for (const Case& c : {Case{0.0f, 1275.25f, false}, Case{10.0f, edge, false},
                        Case{10.0f, std::nextafter(edge, 2000.0f), false},
                        Case{10.0f, std::nextafter(edge, 0.0f), true}, Case{30.0f, 0.0f, true},
                        Case{30.0f, 1600.0f, false}}) {
    RunState s = peridotite();
    s.P = c.P;
    s.TK = c.TK;
    const double D = d(s.cat[Ol].Ca) / d(s.cat[Cpx].Ca);
    const double T = d(s.T);
    const double byHand = c.first ? (-T * std::log(D) - 5792.0 - 1.25 * T) / 42.5
                                  : (-T * std::log(D) - 11982.0 + 3.61 * T) / 56.2;
    const ref::CpxPressure r = ref20(s);
    ASSERT_NEAR(r.P, byHand, 1e-9);
    expectBarometer(20, s, r);
  }
}

TEST(ClinopyroxeneBarometers, Barometer23RescalesTheLiquidAtEveryCall) {
  RunState s = peridotite();
  s.cat[Sp] = {0.45f, 0.015f, 0.16f, 0.004f,  0.08f, 0.002f, 0.14f,
               0.10f, 0.05f,  0.01f, 0.0005f, 0.01f, 1.0215f};
  std::array<double, 13> liq{};
  for (int k = 0; k < 13; ++k) liq[k] = d(s.cat[Sp][k]);
  Real previousP = 0;
  for (int call = 1; call <= 2; ++call) {
    SCOPED_TRACE(call);
    liq = ref::rescaleLiquid(liq);
    const ref::CpxPressure r = ref::barometer23(d(s.cat[Cpx].Na), liq[1], liq[9], liq[3], d(s.T));
    ASSERT_EQ(r.kind, Kind::Set);
    expectBarometer(23, s, r);
    ASSERT_EQ(runBarometer(23, s), BarometerOutcome::PressureSet);
    for (int k = 0; k < 13; ++k) EXPECT_NEAR(d(s.cat[Sp][k]), liq[k], 1e-6 * liq[k]) << k;
    EXPECT_EQ(s.cat[Sp].Si, 0.45f);
    EXPECT_EQ(s.cat[Sp].Sum, 1.0215f);
    if (call == 2) {
      EXPECT_GT(std::fabs(s.P - previousP), 0.01f);
    }
    previousP = s.P;
  }
}

TEST(ClinopyroxeneBarometers, Barometer23EdgeCases) {
  const CationFormula liquid = {0.5f, 0.25f, 0.0f,  0.5f, 0.0f, 0.0f, 0.0f,
                                0.0f, 0.0f,  0.25f, 0.0f, 0.0f, -1.0f};
  {  // A zero sum leaves the liquid as it is.
    RunState s = peridotite();
    s.cat[Sp] = liquid;
    expectBarometer(23, s, ref::barometer23(d(s.cat[Cpx].Na), 0.25, 0.25, 0.5, d(s.T)));
    EXPECT_EQ(runBarometer(23, s), BarometerOutcome::PressureSet);
    for (int k = 0; k < 13; ++k) EXPECT_EQ(s.cat[Sp][k], liquid[k]) << k;
  }
  {  // Cpx is tested at 1e-05, the liquid's Ti at 1e-07: nothing is rescaled.
    for (auto [siCpx, ti] : {std::pair{1e-05f, 0.25f}, std::pair{1.98f, 1e-07f}}) {
      RunState s = peridotite();
      s.cat[Sp] = liquid;
      s.cat[Sp].Sum = 2.0f;
      s.cat[Cpx].Si = siCpx;
      s.cat[Sp].Ti = ti;
      const RunState before = s;
      EXPECT_EQ(runBarometer(23, s), BarometerOutcome::NotComplete);
      EXPECT_TRUE(sameExceptP(before, s));
      EXPECT_EQ(s.P, before.P);
    }
  }
  {  // A failed Q test after the rescaling keeps the rescaled liquid, not P.
    RunState s = peridotite();
    s.cat[Sp] = liquid;
    s.cat[Sp].K = -0.25f;
    s.cat[Sp].Sum = 2.0f;  // S = 2.5
    EXPECT_EQ(runBarometer(23, s), BarometerOutcome::NotComplete);
    EXPECT_EQ(s.P, 30.0f);
    EXPECT_NEAR(s.cat[Sp].Ti, 0.1f, 1e-7f);
    EXPECT_NEAR(s.cat[Sp].Cr, 0.2f, 1e-7f);
    EXPECT_EQ(s.cat[Sp].Sum, 2.0f);
  }
  {  // An overflowing sum has no value: nothing is written.
    RunState s = peridotite();
    s.cat[Sp] = liquid;
    s.cat[Sp].Al = 3e38f;
    s.cat[Sp].Fe = 3e38f;
    const RunState before = s;
    EXPECT_EQ(runBarometer(23, s), BarometerOutcome::NotComplete);
    EXPECT_TRUE(sameExceptP(before, s));
  }
}

TEST(ClinopyroxeneBarometers, Barometer30IsCappedAt81Point5) {
  for (Real na : {0.10f, 0.15f, 0.155f}) {
    RunState s = peridotite();
    s.T = 1700.0f;
    s.cat[Cpx].Na = na;
    const ref::CpxPressure r = ref30(s);
    expectBarometer(30, s, r);
    EXPECT_LE(r.P, 81.5);
    if (na == 0.155f) {
      EXPECT_EQ(r.P, 81.5);
    }
  }
}

TEST(ClinopyroxeneBarometers, JadeiteRoutingAndTemperatureFloor) {
  // Unrouted peridotite clinopyroxene at exactly 600 K keeps P in 31 and 32.
  for (int number : {31, 32}) {
    RunState s = peridotite();
    s.T = 600.0f;
    expectBarometer(number, s, {Kind::Unchanged, 30.0});
  }
  // The routing boundary association: 31 takes the eclogite computation,
  // 36 the high-iron one.
  RunState b = eclogite();
  b.ox[Cpx].FeO = 4.6f;
  b.ox[Cpx].Al2O3 = 4.5f;
  b.ox[Cpx].Na2O = 2.5f;
  b.ox[Cpx].Cr2O3 = 0.2f;
  b.ox[Cpx].CaO = 12.0f;
  b.cat[Cpx].Na = 0.24f;
  b.cat[Cpx].Al = 0.20f;
  const ref::CpxPressure ecl = ref::eclogiteJadeite(oxides(b), cations(b), d(b.T), false);
  const ref::CpxPressure hi = ref::eclogiteJadeite(oxides(b), cations(b), d(b.T), true);
  ASSERT_GT(std::fabs(ecl.P - hi.P), 0.1);
  expectBarometer(31, b, ecl);
  expectBarometer(33, b, ecl);
  expectBarometer(36, b, hi);
  // The eclogite route ignores the incoming P, even a zero one.
  RunState b0 = b;
  b0.ox[Cpx].Na2O = 2.4f;
  b0.P = 0.0f;
  expectBarometer(36, b0, ref::eclogiteJadeite(oxides(b0), cations(b0), d(b0.T), false));
  // Below 2.5 wt% Na2O barometer 36 never takes the high-iron computation,
  // whatever else the analysis holds.
  RunState n = eclogite();
  n.ox[Cpx].Na2O = 2.4f;
  n.cat[Cpx].Na = 0.18f;
  const ref::CpxPressure r36 = ref::barometer36(oxides(n), cations(n), d(n.T), d(n.P));
  ASSERT_GT(std::fabs(r36.P - ref::eclogiteJadeite(oxides(n), cations(n), d(n.T), true).P), 0.1);
  expectBarometer(36, n, r36);
  // Barometer 32 has no routing: the omphacite goes through the peridotite form.
  const RunState e = eclogite();
  expectBarometer(32, e, ref::barometer32(cations(e), d(e.T), d(e.P)));
}

}  // namespace
}  // namespace mantlept
