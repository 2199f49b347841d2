#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "methods/thermometers/garnet_exchange_reference.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

namespace ref = reference::garnet_exchange;
using Method = ThermometerOutcome (*)(RunState&);

// Method N through its dispatch table, which tests the needed minerals first.
template <int N>
ThermometerOutcome dispatched(RunState& s) {
  return runThermometer(N, s);
}
using Change = std::function<void(RunState&)>;

constexpr double kRel = 1e-5;
double d(Real x) { return static_cast<double>(x); }

// Garnet lherzolite at 40 kbar, 1300 K: garnet, both pyroxenes and olivine,
// with the site fractions the methods read worked out from the cations.
RunState lherzolite() {
  RunState s;
  s.T = 1300.0f;
  s.P = 40.0f;
  s.TK = 777.0f;
  s.Tin = 5.0f;
  s.n = 9;
  // Si Ti Al Cr Fe Mn Mg Ca Na K Ni Fe3 Sum, cations per formula unit.
  const auto fill = [&s](Slot slot, std::array<Real, CationFormula::kCount> v) {
    for (int k = 0; k < CationFormula::kCount; ++k) s.cat[slot][k] = v[k];
  };
  fill(Opx, {1.95f, 0.002f, 0.08f, 0.01f, 0.15f, 0.003f, 1.75f, 0.03f, 0.01f, 0, 0, 0, 3.985f});
  fill(Cpx, {1.98f, 0.005f, 0.10f, 0.02f, 0.12f, 0.003f, 0.95f, 0.78f, 0.05f, 0, 0, 0, 4.008f});
  fill(Ol, {1.0f, 0, 0, 0, 0.18f, 0.0015f, 1.80f, 0, 0, 0, 0.007f, 0, 2.9885f});
  fill(Gar, {2.98f, 0.01f, 1.85f, 0.12f, 0.40f, 0.015f, 1.95f, 0.62f, 0.005f, 0, 0, 0, 7.95f});
  s.ox[Gar].TiO2 = 0.2f;

  const CationFormula& g = s.cat[Gar];
  const Real x = g.Mn + g.Fe + g.Mg + g.Ca;
  s.site.XCa_Gar = g.Ca / x;
  s.site.XMg_Gar = g.Mg / x;
  s.site.XFe_Gar = g.Fe / x;
  s.site.XMn_Gar = g.Mn / x;
  s.site.XCr_Gar = g.Cr / (g.Cr + g.Al);
  s.site.FeNo_Gar = g.Fe / (g.Fe + g.Mg);
  s.site.XFe_Cpx = s.cat[Cpx].Fe / (s.cat[Cpx].Mg + s.cat[Cpx].Fe);
  s.site.XFe_Ol = s.cat[Ol].Fe / (s.cat[Ol].Mg + s.cat[Ol].Fe);
  const Real xMgOpx = 1.75f / 1.9f;
  s.site.XMgM1_Opx = xMgOpx * 0.95f;
  s.site.XFeM1_Opx = 0.95f - s.site.XMgM1_Opx;
  return s;
}

// Bit-for-bit equality of two stores (so no NaN can hide in either).
void expectSameStore(const RunState& actual, const RunState& expected, const std::string& what) {
  static_assert(sizeof(RunState) % sizeof(std::uint32_t) == 0);
  using Words = std::array<std::uint32_t, sizeof(RunState) / sizeof(std::uint32_t)>;
  const Words a = std::bit_cast<Words>(actual);
  const Words e = std::bit_cast<Words>(expected);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i], e[i]) << what << ": store word " << i << " differs";
  }
}

// Steps away from `start` one float at a time, at most `steps` each way,
// looking for a value at which `expr` is exactly zero.
bool exactZeroNear(Real& x, int steps, const std::function<Real(Real)>& expr) {
  Real up = x, down = x;
  for (int i = 0; i < steps; ++i) {
    if (expr(up) == 0.0f) return x = up, true;
    if (expr(down) == 0.0f) return x = down, true;
    up = std::nextafter(up, 10.0f);
    down = std::nextafter(down, 0.0f);
  }
  return false;
}

// As above, also nudging `other` (another cation of the same expression)
// when no exact zero lies near `x` alone.
void exactZero(Real& x, Real& other, const std::function<Real(Real)>& expr) {
  const Real start = x;
  for (int k = 0; k < 1000; ++k) {
    x = start;
    if (exactZeroNear(x, 2000, expr)) return;
    other = std::nextafter(other, 10.0f);
  }
  ADD_FAILURE() << "no exact zero near " << start;
}

double kdoOf(const RunState& s) {
  return ref::kdGarOpx(d(s.cat[Gar].Fe), d(s.cat[Gar].Mg), d(s.cat[Opx].Fe), d(s.cat[Opx].Mg));
}
double t20Of(const RunState& s) {
  return ref::t20(d(s.site.XCa_Gar), d(s.site.XMn_Gar), d(s.P), kdoOf(s));
}
double kdcOf(const RunState& s) {
  return ref::kdGarCpx(d(s.cat[Gar].Fe), d(s.cat[Gar].Mg), d(s.cat[Cpx].Fe), d(s.cat[Cpx].Mg));
}
double r22Of(const RunState& s) {
  const CationFormula& o = s.cat[Ol];
  const CationFormula& g = s.cat[Gar];
  return ref::r22(d(o.Mn), d(o.Mg), d(o.Fe), d(s.site.XFe_Ol), d(g.Mn), d(g.Fe), d(g.Mg), d(g.Ca));
}

// Closed-formula methods: TK against the reference, and nothing but TK written.
TEST(GarnetExchangeThermometers, RealisticAssociationsGiveTheirCalibratedTemperature) {
  struct Case {
    const char* what;
    Method method;
    Change change;
    std::function<double(const RunState&)> expected;
  };
  const Change none = [](RunState&) {};
  const std::vector<Case> cases = {
      {"20 garnet-opx", thermometer20, none, t20Of},
      {"20 opx Si just above 0.001", thermometer20, [](RunState& s) { s.cat[Opx].Si = 0.0011f; },
       t20Of},
      {"22 garnet-olivine Mn-Mg", thermometer22, none,
       [](const RunState& s) { return ref::t22(d(s.P), r22Of(s)); }},
      {"22 olivine without Mn uses XFe_Ol", thermometer22,
       [](RunState& s) {
         s.cat[Ol].Mn = 0.0f;
         s.site.XFe_Ol = 0.12f;
       },
       [](const RunState& s) { return ref::t22(d(s.P), r22Of(s)); }},
      {"22 no olivine at all", thermometer22,
       [](RunState& s) {
         s.cat[Ol] = {};
         s.site.XFe_Ol = 0.1f;
       },
       [](const RunState& s) { return ref::t22(d(s.P), r22Of(s)); }},
      {"24 garnet-cpx", thermometer24, none,
       [](const RunState& s) { return ref::t24(d(s.site.XCa_Gar), d(s.P), kdcOf(s)); }},
      {"26 garnet-cpx", thermometer26, none,
       [](const RunState& s) {
         return ref::t26(d(s.site.XCa_Gar), d(s.site.XFe_Cpx), d(s.P), kdcOf(s));
       }},
      {"27 garnet-opx", thermometer27, none,
       [](const RunState& s) { return ref::t27(d(s.site.XCa_Gar), d(s.P), kdoOf(s)); }},
      {"27 makes no opx presence test", thermometer27, [](RunState& s) { s.cat[Opx].Si = 0.0f; },
       [](const RunState& s) { return ref::t27(d(s.site.XCa_Gar), d(s.P), kdoOf(s)); }},
      {"28 garnet-opx", thermometer28, none,
       [](const RunState& s) {
         return ref::t28(d(s.site.XFe_Gar), d(s.site.XMg_Gar), d(s.site.XCa_Gar), d(s.P), kdoOf(s));
       }},
      {"29 garnet-opx", thermometer29, none,
       [](const RunState& s) {
         return ref::t29(d(s.site.XFe_Gar), d(s.site.XMg_Gar), d(s.site.XCa_Gar), d(s.site.XCr_Gar),
                         d(s.site.XMgM1_Opx), d(s.site.XFeM1_Opx), d(s.cat[Opx].Al), d(s.P),
                         kdoOf(s));
       }},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    c.change(s);
    RunState expected = s;
    const double tk = c.expected(s);
    EXPECT_GT(tk, 700.0) << c.what;  // a mantle temperature, not a degenerate case
    EXPECT_LT(tk, 1900.0) << c.what;
    EXPECT_EQ(c.method(s), ThermometerOutcome::Continue) << c.what;
    EXPECT_NEAR(d(s.TK), tk, kRel * std::abs(tk)) << c.what;
    expected.TK = s.TK;
    expectSameStore(s, expected, c.what);
  }
}

// Every failing test, and every quotient without a value, ends the
// combination with the store untouched and TK kept.
TEST(GarnetExchangeThermometers, FailuresLeaveTheStoreUntouched) {
  // Exact zeros of the Mn-Mg exponents, found for the current float values.
  const Change oZero = [](RunState& s) {
    s.cat[Gar].Mn = 0.09f;  // R would pass its bound if the zero went unnoticed
    CationFormula& o = s.cat[Ol];
    o.Mn = 0.013658f;
    exactZero(o.Mn, o.Fe,
              [&o](Real mn) { return 2153.0f * mn / (mn + o.Mg + o.Fe + 1e-06f) - 14.75f; });
  };
  const Change gZero = [](RunState& s) {
    CationFormula& g = s.cat[Gar];
    g.Fe = 1.2f;
    g.Mg = 1.0963f;
    exactZero(g.Mg, g.Ca,
              [&g](Real mg) { return mg / (g.Mn + g.Fe + mg + g.Ca + 1e-05f) - 0.374f; });
  };
  const Change hZero = [](RunState& s) {
    CationFormula& g = s.cat[Gar];
    g.Mn = 0.125855f;
    exactZero(g.Mn, g.Ca,
              [&g](Real mn) { return 460.0f * mn / (mn + g.Fe + g.Mg + g.Ca + 1e-05f) - 18.7f; });
  };
  struct Case {
    const char* what;
    Method method;
    Change change;
  };
  const std::vector<Case> cases = {
      {"20 opx Si 0.0005 counts as absent", thermometer20,
       [](RunState& s) { s.cat[Opx].Si = 0.0005f; }},
      {"20 opx Si exactly 0.001", thermometer20, [](RunState& s) { s.cat[Opx].Si = 0.001f; }},
      {"20 garnet Si exactly 0.001", thermometer20, [](RunState& s) { s.cat[Gar].Si = 0.001f; }},
      {"20 no Mg in garnet", thermometer20, [](RunState& s) { s.cat[Gar].Mg = 0.0f; }},
      {"20 no Fe in opx", thermometer20, [](RunState& s) { s.cat[Opx].Fe = 0.0f; }},
      {"20 no Fe in garnet", thermometer20, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"22 no garnet", dispatched<22>, [](RunState& s) { s.cat[Gar] = {}; }},
      {"22 olivine exponent exactly zero", thermometer22, oZero},
      {"22 garnet Mg term exactly zero", thermometer22, gZero},
      {"22 garnet Mn exponent exactly zero", thermometer22, hZero},
      {"22 R below 1e-07", thermometer22,
       [](RunState& s) {
         s.cat[Ol].Mn = 0.02f;
         s.cat[Gar].Mn = 0.0f;
       }},
      {"22 Mn-rich garnet overflows R", thermometer22, [](RunState& s) { s.cat[Gar].Mn = 1.5f; }},
      {"23 no Fe in garnet", thermometer23, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"23 no Ca in garnet", thermometer23, [](RunState& s) { s.cat[Gar].Ca = 0.0f; }},
      {"24 no cpx", dispatched<24>, [](RunState& s) { s.cat[Cpx] = {}; }},
      {"24 no garnet", dispatched<24>, [](RunState& s) { s.cat[Gar].Si = 1e-07f; }},
      {"24 KDc zero", thermometer24, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"24 Fe-free cpx", thermometer24, [](RunState& s) { s.cat[Cpx].Fe = 0.0f; }},
      {"24 no Mg in garnet", thermometer24, [](RunState& s) { s.cat[Gar].Mg = 0.0f; }},
      {"25 Mg(Gar) exactly 1e-07", thermometer25, [](RunState& s) { s.cat[Gar].Mg = 1e-07f; }},
      {"25 Ca(Gar) exactly 1e-07", thermometer25, [](RunState& s) { s.cat[Gar].Ca = 1e-07f; }},
      {"26 no cpx", dispatched<26>, [](RunState& s) { s.cat[Cpx].Si = 0.0f; }},
      {"26 no garnet", dispatched<26>, [](RunState& s) { s.cat[Gar] = {}; }},
      {"26 Fe-free cpx", thermometer26, [](RunState& s) { s.cat[Cpx].Fe = 0.0f; }},
      {"26 no Fe in garnet", thermometer26, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"27 Fe(Opx) exactly 1e-07", thermometer27, [](RunState& s) { s.cat[Opx].Fe = 1e-07f; }},
      {"27 no garnet", thermometer27, [](RunState& s) { s.cat[Gar].Si = 0.0f; }},
      {"27 Mg(Gar) exactly 1e-07", thermometer27, [](RunState& s) { s.cat[Gar].Mg = 1e-07f; }},
      {"27 KDo zero", thermometer27, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"28 no opx", dispatched<28>, [](RunState& s) { s.cat[Opx] = {}; }},
      {"28 no garnet", dispatched<28>, [](RunState& s) { s.cat[Gar] = {}; }},
      {"28 no Fe in opx", thermometer28, [](RunState& s) { s.cat[Opx].Fe = 0.0f; }},
      {"28 no Mg in opx", thermometer28, [](RunState& s) { s.cat[Opx].Mg = 0.0f; }},
      {"29 no opx", dispatched<29>, [](RunState& s) { s.cat[Opx].Si = 0.0f; }},
      {"29 no garnet", dispatched<29>, [](RunState& s) { s.cat[Gar] = {}; }},
      {"29 KDo zero", thermometer29, [](RunState& s) { s.cat[Gar].Fe = 0.0f; }},
      {"29 no Fe in opx", thermometer29, [](RunState& s) { s.cat[Opx].Fe = 0.0f; }},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    c.change(s);
    const RunState before = s;
    EXPECT_EQ(c.method(s), ThermometerOutcome::NotComplete) << c.what;
    expectSameStore(s, before, c.what);
  }
  // The R case fails on the calibration's own bound, not on an overflow.
  RunState s = lherzolite();
  s.cat[Ol].Mn = 0.02f;
  s.cat[Gar].Mn = 0.0f;
  EXPECT_LT(r22Of(s), 1e-07);
  EXPECT_GT(r22Of(s), 0.0);
}

// Garnet-olivine: the inner pair, the olivine window, the estimate from garnet
// and the olivine overwrite, each with what is left behind.
TEST(GarnetExchangeThermometers, GarnetOlivineWritesAndWindow) {
  struct Case {
    const char* what;
    Change change;
    bool completes;
    bool estimated;    // XFe_Ol comes from garnet
    bool overwritten;  // Mg(Ol), Fe(Ol) replaced
  };
  const std::vector<Case> cases = {
      {"measured olivine", [](RunState&) {}, true, false, true},
      {"XFe_Ol exactly 0.04", [](RunState& s) { s.site.XFe_Ol = 0.04f; }, false, false, false},
      {"XFe_Ol 0.0401", [](RunState& s) { s.site.XFe_Ol = 0.0401f; }, true, false, true},
      {"XFe_Ol exactly 0.25", [](RunState& s) { s.site.XFe_Ol = 0.25f; }, false, false, false},
      {"XFe_Ol 0.2499", [](RunState& s) { s.site.XFe_Ol = 0.2499f; }, true, false, true},
      {"Fe(Ol) exactly 1e-07 is estimated", [](RunState& s) { s.cat[Ol].Fe = 1e-07f; }, true, true,
       true},
      {"no olivine", [](RunState& s) { s.cat[Ol] = {}; }, true, true, true},
      {"estimate above the window",
       [](RunState& s) {
         s.cat[Ol] = {};
         s.site.FeNo_Gar = 0.6f;
       },
       false, true, false},
      {"no Mg in garnet after the overwrite", [](RunState& s) { s.cat[Gar].Mg = 0.0f; }, false,
       false, true},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    c.change(s);
    RunState expected = s;
    expected.Tin = s.T;
    expected.n = 0;
    const double P = d(s.P);
    const double tin = d(s.T);
    double xFe = d(s.site.XFe_Ol);
    if (c.estimated) {
      xFe = ref::xFeOlFromGarnet(d(s.cat[Gar].Cr), d(s.cat[Gar].Ca), P, d(s.ox[Gar].TiO2), tin,
                                 d(s.site.FeNo_Gar));
    }
    const ThermometerOutcome outcome = thermometer23(s);
    EXPECT_EQ(outcome, c.completes ? ThermometerOutcome::Continue : ThermometerOutcome::NotComplete)
        << c.what;
    if (c.estimated) {
      EXPECT_NEAR(d(s.site.XFe_Ol), xFe, 1e-6) << c.what;
      expected.site.XFe_Ol = s.site.XFe_Ol;
    }
    if (c.overwritten) {
      expected.cat[Ol].Mg = 1.0f - s.site.XFe_Ol;
      expected.cat[Ol].Fe = s.site.XFe_Ol;
    }
    if (c.completes) {
      const double tk = ref::t23(xFe, d(s.cat[Gar].Fe), d(s.cat[Gar].Mg), d(s.site.XMg_Gar),
                                 d(s.site.XFe_Gar), d(s.site.XCa_Gar), P, tin);
      EXPECT_NEAR(d(s.TK), tk, kRel * std::abs(tk)) << c.what;
      expected.TK = s.TK;
    }
    expectSameStore(s, expected, c.what);
  }
}

// Garnet-clinopyroxene from garnet alone: the estimate, its window, the
// clinopyroxene overwrite in every case, and no dependence on the inner counter.
TEST(GarnetExchangeThermometers, GarnetClinopyroxeneWritesAndWindow) {
  struct Case {
    const char* what;
    Change change;
    bool completes;
    bool estimated;    // XFe_Cpx comes from garnet
    bool overwritten;  // Mg(Cpx), Fe(Cpx) replaced
  };
  const std::vector<Case> cases = {
      {"measured cpx", [](RunState&) {}, true, false, true},
      {"no cpx", [](RunState& s) { s.cat[Cpx] = {}; }, true, true, true},
      {"no cpx, inner counter at 7",
       [](RunState& s) {
         s.cat[Cpx] = {};
         s.n = 7;
       },
       true, true, true},
      {"Fe(Cpx) exactly 1e-07", [](RunState& s) { s.cat[Cpx].Fe = 1e-07f; }, true, true, true},
      {"estimate below the window",
       [](RunState& s) {
         s.cat[Cpx] = {};
         s.T = 400.0f;  // a small positive estimate, under 0.003
       },
       false, true, false},
      {"estimate above the window",
       [](RunState& s) {
         s.cat[Cpx] = {};
         s.site.FeNo_Gar = 0.7f;
       },
       false, true, false},
      {"Mg-free cpx",
       [](RunState& s) {
         s.cat[Cpx].Mg = 0.0f;
         s.site.XFe_Cpx = 1.0f;
       },
       false, false, true},
      {"no Fe in garnet", [](RunState& s) { s.cat[Gar].Fe = 0.0f; }, false, false, true},
  };
  for (const Case& c : cases) {
    RunState s = lherzolite();
    c.change(s);
    RunState expected = s;
    const double P = d(s.P);
    double xFe = d(s.site.XFe_Cpx);
    if (c.estimated) {
      xFe = ref::xFeCpxFromGarnet(d(s.cat[Gar].Fe), d(s.ox[Gar].TiO2), d(s.cat[Gar].Cr),
                                  d(s.cat[Gar].Ca), P, d(s.T), d(s.site.FeNo_Gar));
    }
    const ThermometerOutcome outcome = thermometer25(s);
    EXPECT_EQ(outcome, c.completes ? ThermometerOutcome::Continue : ThermometerOutcome::NotComplete)
        << c.what;
    if (c.estimated) {
      EXPECT_NEAR(d(s.site.XFe_Cpx), xFe, 1e-6) << c.what;
      expected.site.XFe_Cpx = s.site.XFe_Cpx;
    }
    if (c.overwritten) {
      expected.cat[Cpx].Mg = 2.0f * (1.0f - s.site.XFe_Cpx);
      expected.cat[Cpx].Fe = 2.0f * s.site.XFe_Cpx;
    }
    if (c.completes) {
      const double tk = ref::t25(xFe, d(s.cat[Gar].Fe), d(s.cat[Gar].Mg), d(s.site.XCa_Gar), P);
      EXPECT_NEAR(d(s.TK), tk, kRel * std::abs(tk)) << c.what;
      expected.TK = s.TK;
    }
    expectSameStore(s, expected, c.what);
  }
  // The low case lies between zero and the bound, not below zero.
  const RunState s = lherzolite();
  const double low = ref::xFeCpxFromGarnet(d(s.cat[Gar].Fe), d(s.ox[Gar].TiO2), d(s.cat[Gar].Cr),
                                           d(s.cat[Gar].Ca), d(s.P), 400.0, d(s.site.FeNo_Gar));
  EXPECT_GT(low, 0.0);
  EXPECT_LT(low, 0.003);
}

// A later garnet-clinopyroxene method of the same association reads the
// clinopyroxene that the garnet-only estimate left behind.
TEST(GarnetExchangeThermometers, EstimatedClinopyroxeneFeedsTheNextMethod) {
  RunState s = lherzolite();
  s.cat[Cpx].Fe = 0.0f;  // Fe-free clinopyroxene: no KDc of its own
  s.site.XFe_Cpx = 0.0f;
  ASSERT_EQ(thermometer25(s), ThermometerOutcome::Continue);
  const double x = ref::xFeCpxFromGarnet(d(s.cat[Gar].Fe), d(s.ox[Gar].TiO2), d(s.cat[Gar].Cr),
                                         d(s.cat[Gar].Ca), d(s.P), d(s.T), d(s.site.FeNo_Gar));
  const double kdc = ref::kdGarCpx(d(s.cat[Gar].Fe), d(s.cat[Gar].Mg), 2.0 * x, 2.0 * (1.0 - x));
  const double tk = ref::t26(d(s.site.XCa_Gar), x, d(s.P), kdc);
  ASSERT_EQ(thermometer26(s), ThermometerOutcome::Continue);
  EXPECT_NEAR(d(s.TK), tk, kRel * std::abs(tk));
}

}  // namespace
}  // namespace mantlept
