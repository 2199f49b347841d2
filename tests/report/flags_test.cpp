// This test computes in double precision.
// The flags of one result row: each code on both sides of its limit, the
// order of the codes, the totals window, and a row with several codes.
#include "report/flags.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace mantlept {
namespace {

// A garnet lherzolite whose every analysis totals 100 wt% and whose every
// test passes: Opx with 1 wt% Al2O3, Cpx with 1 wt% Cr2O3.
Association baseAssociation() {
  Association a;
  for (Slot slot : {Opx, Cpx, Ol, Gar}) {
    a.present[slot] = true;
    a.ox[slot].SiO2 = 50.0f;
    a.ox[slot].MgO = 50.0f;
  }
  a.ox[Opx].MgO = 49.0f;
  a.ox[Opx].Al2O3 = 1.0f;
  a.ox[Cpx].MgO = 49.0f;
  a.ox[Cpx].Cr2O3 = 1.0f;
  return a;
}

// The prepared store: a clinopyroxene with a_CaCrTs well above 0.003, its
// tetrahedral site full (1.95 Si + 0.05 Al) and 2.028 cations in M1 + M2, and
// Na in both pyroxenes.
RunState baseStore() {
  RunState s;
  s.cat[Cpx].Si = 1.95f;
  s.cat[Cpx].Cr = 0.02f;
  s.cat[Cpx].Al = 0.10f;
  s.cat[Cpx].Na = 0.05f;
  s.cat[Cpx].Ti = 0.005f;
  s.cat[Cpx].Fe = 0.08f;
  s.cat[Cpx].Mn = 0.003f;
  s.cat[Cpx].Mg = 1.02f;
  s.cat[Cpx].Ca = 0.80f;
  s.cat[Opx].Na = 0.01f;
  return s;
}

// A clinopyroxene of Cr, Al, Na and K alone, Si and Mg filling both sites.
CationFormula crAlNaK(float cr, float al, float na, float k) {
  CationFormula c;
  c.Si = 2.0f;
  c.Mg = 1.95f;
  c.Cr = cr;
  c.Al = al;
  c.Na = na;
  c.K = k;
  return c;
}

CombinationOutcome outcome(float T, float P, float fO2 = 0.0f,
                           CombinationStatus status = CombinationStatus::Ok) {
  CombinationOutcome o;
  o.status = status;
  o.result = {T, P, fO2};
  return o;
}

MethodCombination pair(int thermometer, int barometer) {
  MethodCombination c;
  c.thermometer = thermometer;
  c.barometer = barometer;
  return c;
}

std::string codes(FlagSet flags) {
  std::string out;
  appendFlagCodes(out, flags);
  return out;
}

// The Na-partition temperature (degC) worked in double precision.
double naPartitionC(double naOpx, double naCpx, double P) {
  const double l = std::log(naOpx / naCpx);
  return (35000.0 + 61.5 * P) / (l * l + 19.8) - 273.0;
}

struct Case {
  const char* what;
  int thermometer, barometer, oxybarometer;
  float T, P, fO2;
  std::function<void(Association&, RunState&)> change;
  const char* expected;
};

void none(Association&, RunState&) {}

TEST(Flags, EachCodeOnBothSidesOfItsLimit) {
  const double t9 = naPartitionC(0.01, 0.05, 30.0);
  const float t9Low = static_cast<float>(t9 - 111.9);
  const float t9High = static_cast<float>(t9 + 112.1);
  const Case cases[] = {
      {"clean row", 1, 1, 0, 1000.0f, 30.0f, 0.0f, none, ""},
      // Oxide totals: inside 98.0-102.0 inclusive.
      {"Opx total 97.99", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Opx].SiO2 = 47.99f; }, "total-Opx"},
      {"Opx total 98.00", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Opx].SiO2 = 48.0f; }, ""},
      {"Cpx total 102.00", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Cpx].SiO2 = 52.0f; }, ""},
      {"Cpx total 102.01", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Cpx].SiO2 = 52.01f; }, "total-Cpx"},
      {"Ol total by its NiO", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Ol].NiO = 2.1f; }, "total-Ol"},
      {"Gt total by its Fe2O3", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) { a.ox[Gar].Fe2O3 = 2.5f; }, "total-Gt"},
      {"absent garnet not totalled", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Gar] = OxideValues{};
         a.present[Gar] = false;
       },
       ""},
      {"spinel not totalled", 1, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.present[Sp] = true;
         a.ox[Sp].Al2O3 = 50.0f;
       },
       ""},
      // Al in orthopyroxene below 0.37 wt% for the Opx Al barometers only.
      {"Al2O3 0.369, barometer 5", 1, 5, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Opx].Al2O3 = 0.369f;
         a.ox[Opx].MgO = 49.631f;
       },
       "opx-al-low"},
      {"Al2O3 0.37, barometer 29", 1, 29, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Opx].Al2O3 = 0.37f;
         a.ox[Opx].MgO = 49.63f;
       },
       ""},
      {"Al2O3 0.1, barometer 2", 1, 2, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Opx].Al2O3 = 0.1f;
         a.ox[Opx].MgO = 49.9f;
       },
       "opx-al-low"},
      {"Al2O3 0.1, barometer 6", 1, 6, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Opx].Al2O3 = 0.1f;
         a.ox[Opx].MgO = 49.9f;
       },
       ""},
      // a_CaCrTs = 0.006 - 0.81 x 0.1 x (Na + K): 0.002922 and 0.003084.
      {"a_CaCrTs 0.002922", 1, 30, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx] = crAlNaK(0.006f, 0.054f, 0.03f, 0.008f); },
       "cpx-cacrts-low"},
      {"a_CaCrTs 0.002922, barometer 44", 48, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx] = crAlNaK(0.006f, 0.054f, 0.03f, 0.008f); },
       "cpx-cacrts-low"},
      {"a_CaCrTs 0.003084, barometer 44", 48, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx] = crAlNaK(0.006f, 0.054f, 0.03f, 0.006f); },
       ""},
      {"a_CaCrTs 0.003084", 1, 30, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx] = crAlNaK(0.006f, 0.054f, 0.03f, 0.006f); },
       ""},
      {"a_CaCrTs low, barometer 31", 1, 31, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Cr = 0.001f; }, ""},
      // Cr2O3 of the clinopyroxene at least 5 wt%.
      {"Cr2O3 5.0, thermometer 38", 38, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 5.0f;
         a.ox[Cpx].MgO = 45.0f;
       },
       "cpx-cr-high"},
      {"Cr2O3 4.99, barometer 30", 1, 30, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 4.99f;
         a.ox[Cpx].MgO = 45.01f;
       },
       ""},
      {"Cr2O3 5.0, barometer 30", 1, 30, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 5.0f;
         a.ox[Cpx].MgO = 45.0f;
       },
       "cpx-cr-high"},
      {"Cr2O3 5.0, thermometer 48", 48, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 5.0f;
         a.ox[Cpx].MgO = 45.0f;
       },
       "cpx-cr-high"},
      {"Cr2O3 4.99, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 4.99f;
         a.ox[Cpx].MgO = 45.01f;
       },
       ""},
      {"Cr2O3 5.0, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 5.0f;
         a.ox[Cpx].MgO = 45.0f;
       },
       "cpx-cr-high"},
      // Site sums of the clinopyroxene on 6 oxygens, each to exceed 1.990:
      // Si 1.95 + Al_IV 0.05 = 2.0; M1 + M2 2.028 less what is taken away.
      {"M1+M2 1.991, thermometer 48", 48, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Mg = 0.983f; }, ""},
      {"M1+M2 1.989, thermometer 48", 48, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Mg = 0.981f; }, "cpx-sites"},
      {"M1+M2 1.989, thermometer 43", 43, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Mg = 0.981f; }, "cpx-sites"},
      {"M1+M2 1.989, barometer 30", 1, 30, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Mg = 0.981f; }, "cpx-sites"},
      {"M1+M2 1.989, thermometer 19", 19, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Cpx].Mg = 0.981f; }, ""},
      // Al_IV kept within Al: Si 1.90 with Al 0.10 fills 2.0, with 0.089 only 1.989.
      {"T site 2.0 from Al, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) {
         s.cat[Cpx].Si = 1.90f;
         s.cat[Cpx].Mg = 1.07f;
       },
       ""},
      {"T site 1.989, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) {
         s.cat[Cpx].Si = 1.90f;
         s.cat[Cpx].Al = 0.089f;
         s.cat[Cpx].Mg = 1.10f;
       },
       "cpx-sites"},
      {"T site 1.991, thermometer 38", 38, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) {
         s.cat[Cpx].Si = 1.90f;
         s.cat[Cpx].Al = 0.091f;
         s.cat[Cpx].Mg = 1.10f;
       },
       ""},
      // Si above 2: no Al on the tetrahedral site, all of it counted in M1 + M2.
      {"Si 2.02, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) {
         s.cat[Cpx].Si = 2.02f;
         s.cat[Cpx].Mg = 0.934f;
       },
       ""},
      {"Si 2.02, M1+M2 1.989, barometer 44", 1, 44, 0, 1000.0f, 30.0f, 0.0f,
       [](Association&, RunState& s) {
         s.cat[Cpx].Si = 2.02f;
         s.cat[Cpx].Mg = 0.931f;
       },
       "cpx-sites"},
      {"Cr2O3 6, thermometer 37", 37, 1, 0, 1000.0f, 30.0f, 0.0f,
       [](Association& a, RunState&) {
         a.ox[Cpx].Cr2O3 = 6.0f;
         a.ox[Cpx].MgO = 44.0f;
       },
       ""},
      // Temperature ranges: the thermometer's, and the barometer's where stated.
      {"T 874.9, thermometer 2", 2, 1, 0, 874.9f, 30.0f, 0.0f, none, "t-range"},
      {"T 875, thermometer 2", 2, 1, 0, 875.0f, 30.0f, 0.0f, none, ""},
      {"T 1500, thermometer 2", 2, 1, 0, 1500.0f, 30.0f, 0.0f, none, ""},
      {"T 1500.1, thermometer 2", 2, 1, 0, 1500.1f, 30.0f, 0.0f, none, "t-range"},
      {"T 899, barometer 30", 1, 30, 0, 899.0f, 30.0f, 0.0f, none, "t-range"},
      {"T 1400, barometer 30", 1, 30, 0, 1400.0f, 30.0f, 0.0f, none, ""},
      {"T 1401, barometer 30", 1, 30, 0, 1401.0f, 30.0f, 0.0f, none, "t-range"},
      {"T 599, thermometer 25", 25, 1, 0, 599.0f, 30.0f, 0.0f, none, "t-range"},
      {"T 2000, thermometer 1", 1, 1, 0, 2000.0f, 30.0f, 0.0f, none, ""},
      // Pressure ranges: the barometer's, and the thermometer's where stated.
      {"P 9.99, barometer 5", 1, 5, 0, 1000.0f, 9.99f, 0.0f, none, "p-range"},
      {"P 10, barometer 5", 1, 5, 0, 1000.0f, 10.0f, 0.0f, none, ""},
      {"P 60, barometer 5", 1, 5, 0, 1000.0f, 60.0f, 0.0f, none, ""},
      {"P 60.01, barometer 5", 1, 5, 0, 1000.0f, 60.01f, 0.0f, none, "p-range"},
      {"P 4.9, thermometer 27", 27, 1, 0, 1000.0f, 4.9f, 0.0f, none, "p-range"},
      {"P 30, thermometer 27", 27, 1, 0, 1000.0f, 30.0f, 0.0f, none, ""},
      {"P 30.1, thermometer 24", 24, 1, 0, 1000.0f, 30.1f, 0.0f, none, "p-range"},
      {"P 61, thermometer 8", 8, 1, 0, 1000.0f, 61.0f, 0.0f, none, "p-range"},
      // The oxybarometer where it gave a value.
      {"oxy 1 at 1039 degC", 1, 1, 1, 1039.0f, 20.0f, 1.5f, none, "fo2-range"},
      {"oxy 1 at 1040 degC, 27 kbar", 1, 1, 1, 1040.0f, 27.0f, 1.5f, none, ""},
      {"oxy 1 at 27.1 kbar", 1, 1, 1, 1100.0f, 27.1f, 1.5f, none, "fo2-range"},
      {"oxy 1 at 2.9 kbar", 1, 1, 1, 1100.0f, 2.9f, -0.5f, none, "fo2-range"},
      {"oxy 1 without a value", 1, 1, 1, 900.0f, 30.0f, 0.0f, none, ""},
      {"oxy 2, no range stated", 1, 1, 2, 900.0f, 30.0f, 1.5f, none, ""},
      // Two-pyroxene T against the Na-partition T at the row's P.
      {"na-test within 112", 7, 1, 0, t9Low, 30.0f, 0.0f, none, ""},
      {"na-test beyond 112", 7, 1, 0, t9High, 30.0f, 0.0f, none, "na-test"},
      {"na-test beyond 112 below", 7, 1, 0, static_cast<float>(t9 - 112.1), 30.0f, 0.0f, none,
       "na-test"},
      {"thermometer 36 not tested", 36, 1, 0, t9High, 30.0f, 0.0f, none, ""},
      {"na-test without Na in Opx", 7, 1, 0, t9High, 30.0f, 0.0f,
       [](Association&, RunState& s) { s.cat[Opx].Na = 0.0f; }, ""},
  };
  for (const Case& c : cases) {
    Association a = baseAssociation();
    RunState s = baseStore();
    c.change(a, s);
    const FlagSet flags = rowFlags(a, s, pair(c.thermometer, c.barometer), outcome(c.T, c.P, c.fO2),
                                   c.oxybarometer, TotalsWindow{});
    EXPECT_EQ(codes(flags), c.expected) << c.what;
  }
}

TEST(Flags, NaTestUsesTheRowsFinalPressure) {
  // The Na-partition T rises with P (61.5 P in its numerator): a row T that
  // agrees with it at 10 kbar fails the test at 60 kbar.
  Association a = baseAssociation();
  RunState s = baseStore();
  s.P = 60.0f;  // what a barometer left in the store must not count
  const double at10 = naPartitionC(0.01, 0.05, 10.0);
  const double at60 = naPartitionC(0.01, 0.05, 60.0);
  ASSERT_GT(at60 - at10, 112.0 + 20.0);
  const float T = static_cast<float>(at10 + 10.0);
  EXPECT_EQ(codes(rowFlags(a, s, pair(7, 1), outcome(T, 10.0f), 0, {})), "");
  EXPECT_EQ(codes(rowFlags(a, s, pair(7, 1), outcome(T, 60.0f), 0, {})), "na-test");
  EXPECT_EQ(s.P, 60.0f);  // the prepared store is left as it was
}

TEST(Flags, CodesInTheirFixedOrder) {
  EXPECT_EQ(codes(0), "");
  EXPECT_EQ(codes(~FlagSet{0}),
            "total-Opx;total-Cpx;total-Ol;total-Gt;opx-al-low;cpx-cacrts-low;cpx-cr-high;"
            "cpx-sites;t-range;p-range;fo2-range;na-test");
  EXPECT_EQ(codes(kNaTest | kTotalGt | kTRange), "total-Gt;t-range;na-test");
  EXPECT_STREQ(flagCode(kCpxCaCrTsLow), "cpx-cacrts-low");
}

TEST(Flags, RowWithSeveralCodes) {
  // Cr-rich clinopyroxene with little Cr-Tschermak, a low Opx total, and a
  // result hotter than the barometer's calibration and deeper than both.
  Association a = baseAssociation();
  a.ox[Cpx].Cr2O3 = 5.5f;
  a.ox[Cpx].MgO = 44.5f;
  a.ox[Opx].SiO2 = 45.0f;
  RunState s = baseStore();
  s.cat[Cpx].Cr = 0.002f;
  EXPECT_EQ(codes(rowFlags(a, s, pair(38, 30), outcome(1450.0f, 65.0f, 2.0f), 1, {})),
            "total-Opx;cpx-cacrts-low;cpx-cr-high;t-range;p-range;fo2-range");
}

TEST(Flags, OnlyRowsWithATemperature) {
  Association a = baseAssociation();
  a.ox[Opx].SiO2 = 10.0f;
  RunState s = baseStore();
  struct StatusCase {
    CombinationStatus status;
    const char* expected;
  };
  for (StatusCase c : {StatusCase{CombinationStatus::Ok, "total-Opx;t-range"},
                       StatusCase{CombinationStatus::Capped, "total-Opx;t-range"},
                       StatusCase{CombinationStatus::Rejected, ""},
                       StatusCase{CombinationStatus::Incomplete, ""}}) {
    EXPECT_EQ(codes(rowFlags(a, s, pair(2, 1), outcome(800.0f, 30.0f, 0.0f, c.status), 0, {})),
              c.expected);
  }
}

TEST(Flags, TotalsWindowCanBeMovedOrDropped) {
  Association a = baseAssociation();
  a.ox[Ol].SiO2 = 50.6f;   // Ol totals 100.6
  a.ox[Gar].SiO2 = 46.0f;  // Gt totals 96
  EXPECT_EQ(codes(totalFlags(a, TotalsWindow{})), "total-Gt");
  EXPECT_EQ(codes(totalFlags(a, TotalsWindow{true, 99.5, 100.5})), "total-Ol;total-Gt");
  EXPECT_EQ(codes(totalFlags(a, TotalsWindow{true, 95.0, 101.0})), "");
  EXPECT_EQ(codes(totalFlags(a, TotalsWindow{false, 98.0, 102.0})), "");
  EXPECT_NEAR(oxideTotal(a.ox[Ol]), 100.6, 1e-5);
}

TEST(Flags, CaCrTschermakActivityOnSixOxygens) {
  CationFormula c;
  c.Cr = 0.031f;
  c.Al = 0.27f;
  c.Na = 0.11f;
  c.K = 0.004f;
  const double expected = 0.031 - 0.81 * 0.031 / (0.031 + 0.27) * (0.11 + 0.004);
  EXPECT_NEAR(activityCaCrTs(c), expected, 1e-6);
}

}  // namespace
}  // namespace mantlept
