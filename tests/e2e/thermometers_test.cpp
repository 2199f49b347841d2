// End-to-end runs of the thermometers: every thermometer number appears in a
// combination with the fixed pressure and one barometer-thermometer pass, so
// it computes once at P = 30 kbar and T = 1300 K. The expected temperatures
// are worked in double precision from the recalculated association and the
// reference equations.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "e2e/program_run.hpp"
#include "e2e/reference_pipeline.hpp"
#include "methods/thermometers/garnet_exchange_reference.hpp"
#include "methods/thermometers/nickel_garnet_reference.hpp"
#include "methods/thermometers/single_pyroxene_reference.hpp"
#include "methods/thermometers/two_pyroxene_reference.hpp"
#include "methods/thermometers/spinel_ilmenite_olivine_reference.hpp"

namespace mantlept::e2e {
namespace {

namespace ref = mantlept::reference;
namespace gx = mantlept::reference::garnet_exchange;

constexpr double kP = 30.0;    // the fixed pressure, kbar
constexpr double kT = 1300.0;  // the starting temperature, read as kelvin by the methods

// Analyses (wt%: SiO2 TiO2 Al2O3 Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3).
// Garnet lherzolite minerals.
constexpr Oxides kOpxWt = {57.52, 0.10, 0.82, 0.36, 4.92, 0.12, 34.61, 0.95, 0.21, 0, 0.12, 0};
constexpr Oxides kCpxWt = {54.85, 0.26, 2.21, 1.52, 2.81, 0.09, 17.42, 18.63, 1.93, 0, 0.05, 0};
constexpr Oxides kOlWt = {40.93, 0, 0.02, 0.03, 8.31, 0.11, 50.24, 0.06, 0, 0, 0.38, 0};
constexpr Oxides kGarWt = {42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0, 0.01, 0};
// Spinel lherzolite minerals (total iron as FeO).
constexpr Oxides kSpOpxWt = {55.0, 0.10, 4.2, 0.45, 6.1, 0.13, 32.8, 0.85, 0.10, 0, 0.10, 0};
constexpr Oxides kSpCpxWt = {52.0, 0.45, 6.2, 0.85, 2.6, 0.08, 15.2, 20.3, 1.5, 0, 0.05, 0};
constexpr Oxides kSpOlWt = {40.8, 0, 0.03, 0.02, 9.6, 0.14, 49.2, 0.08, 0, 0, 0.38, 0};
constexpr Oxides kSpWt = {0.08, 0.12, 55.5, 11.5, 10.8, 0.10, 20.5, 0, 0, 0, 0.35, 0};
// Kimberlite picroilmenites, below and above 2.1 wt% Cr2O3.
constexpr Oxides kIlmWt = {0.05, 49.5, 0.6, 1.2, 35.0, 0.3, 12.0, 0, 0, 0, 0.2, 0};
constexpr Oxides kIlmCrWt = {0.05, 50.5, 0.5, 2.6, 31.5, 0.25, 13.5, 0, 0, 0, 0.2, 0};
// A basaltic liquid, filed in the spinel slot for the clinopyroxene-liquid thermometer.
constexpr Oxides kLiquidWt = {49.5, 1.6, 15.2, 0.05, 9.2, 0.17, 9.8, 11.3, 2.6, 0.45, 0.02, 0};

struct Mineral {
  char code;
  Oxides ox;
};
using Rock = std::vector<Mineral>;

using A = RefAssociation;

A work(const Rock& rock) {
  std::array<std::optional<Oxides>, 7> slots;
  for (const Mineral& m : rock) slots[std::string_view("EDOSGRI").find(m.code)] = m.ox;
  return referenceAssociation(slots, false);
}

// The temperature (kelvin) a thermometer leaves in TK at kP and kT, NaN when
// it fails.
using Expect = std::function<double(const A&)>;
constexpr double kFail = std::numeric_limits<double>::quiet_NaN();
Expect fixed(double tk) {
  return [tk](const A&) { return tk; };
}
const Expect kFails = fixed(kFail);

ref::Pyroxene pyroxene(const Cations& c) {
  return {c[kSi], c[kTi], c[kAl], c[kCr], c[kFe], c[kMn],
          c[kMg], c[kCa], c[kNa], c[kK],  c[kNi], c[kFe3]};
}
ref::Pyroxene opx(const A& a) { return pyroxene(a.cat[kOpx]); }
ref::Pyroxene cpx(const A& a) { return pyroxene(a.cat[kCpx]); }
// Garnet-orthopyroxene and garnet-clinopyroxene distribution coefficients.
double kdo(const A& a) {
  return gx::kdGarOpx(a.cat[kGar][kFe], a.cat[kGar][kMg], a.cat[kOpx][kFe], a.cat[kOpx][kMg]);
}
double kdc(const A& a) {
  return gx::kdGarCpx(a.cat[kGar][kFe], a.cat[kGar][kMg], a.cat[kCpx][kFe], a.cat[kCpx][kMg]);
}
ref::GarnetOxides garnetOxides(const A& a) {
  const Oxides& g = a.ox[kGar];
  return {g[kTi], g[kAl], g[kFe], g[kMn], g[kMg], g[kCa], g[kNa]};
}
ref::SpinelCations spinel(const A& a) {
  const Cations& s = a.cat[kSp];
  return {s[kTi], s[kAl], s[kCr], s[kFe], s[kMg]};
}
double alExchangeQuotient(const A& a) {
  return ref::alExchangeQuotient(a.cat[kOl][kFe], a.cat[kOl][kMg], a.site.AlM1_Opx, a.site.XAl2_Sp,
                                 a.cat[kSp][kMg], a.site.XMgM1_Opx);
}
ref::IlmeniteComponents ilmenite(const A& a) {
  const Cations& i = a.cat[kIlm];
  return ref::ilmeniteComponents(i[kCr], i[kTi], i[kMn], i[kMg]);
}

// The thermometers.
double t2(const A& a) {
  return ref::feMgExchange1977(opx(a), cpx(a), a.site.XMg_Opx, a.site.XMg_Cpx).tk;
}
double t3(const A& a) { return ref::enstatiteExchange1973(opx(a), cpx(a)); }
double t5(const A& a) {
  ref::InnerIteration it = ref::caExchange1985(kT, kP, opx(a), cpx(a), a.site.XFe_Cpx);
  return it.failed ? kFail : it.tk;
}
double t7(const A& a) {
  const RefSite& s = a.site;
  return ref::enstatiteSolvus1990(kP, s.XCa_Cpx, s.XCa_Opx, s.XFe_Cpx, s.XFe_Opx);
}
double t9(const A& a) { return ref::sodiumPartition1990(kP, a.cat[kOpx][kNa], a.cat[kCpx][kNa]); }
double t10(const A& a) { return ref::sodiumPartition1980(a.cat[kCpx][kNa], a.cat[kOpx][kNa]); }
double t36(const A& a) { return ref::enstatiteDiopside1998(kP, opx(a), cpx(a)); }
double t8(const A& a) { return ref::caInOpx1990(kP, a.cat[kOpx][kCa]); }
double t11(const A& a) { return ref::caMgCpx1986(kP, a.cat[kCpx][kCa], a.cat[kCpx][kMg]); }
double t13(const A& a) { return ref::caInOpxEnstatite(a.cat[kOpx][kCa]); }
double t18(const A& a) { return ref::caInOpx1975(a.cat[kOpx][kCa]); }
double t19(const A& a) { return ref::caMgCpx1985(a.cat[kCpx][kCa], a.cat[kCpx][kMg]); }
double t38(const A& a) { return ref::enstatiteInCpx2002(kP, cpx(a)); }
double t43(const A& a) {
  const Oxides& c = a.ox[kCpx];
  return ref::enstatiteInCpxCorrected(kP, cpx(a), c[kMg], c[kCr], c[kAl]);
}
double t32(const A& a) {
  ref::Liquid liquid;
  std::copy(a.cat[kSp].begin(), a.cat[kSp].end(), liquid.begin());
  return ref::cpxLiquid1996(cpx(a), liquid);
}
double t20(const A& a) { return gx::t20(a.site.XCa_Gar, a.site.XMn_Gar, kP, kdo(a)); }
double t22(const A& a) {
  const Cations &o = a.cat[kOl], &g = a.cat[kGar];
  return gx::t22(kP,
                 gx::r22(o[kMn], o[kMg], o[kFe], a.site.XFe_Ol, g[kMn], g[kFe], g[kMg], g[kCa]));
}
// Without an olivine analysis the olivine Fe fraction is estimated from the garnet.
double t23(const A& a) {
  const Cations& g = a.cat[kGar];
  double xo = a.cat[kOl][kFe] > 1e-07
                  ? a.site.XFe_Ol
                  : gx::xFeOlFromGarnet(g[kCr], g[kCa], kP, a.ox[kGar][kTi], kT, a.site.FeNo_Gar);
  if (!(xo > 0.04 && xo < 0.25)) return kFail;
  return gx::t23(xo, g[kFe], g[kMg], a.site.XMg_Gar, a.site.XFe_Gar, a.site.XCa_Gar, kP, kT);
}
double t24(const A& a) { return gx::t24(a.site.XCa_Gar, kP, kdc(a)); }
// Without a clinopyroxene analysis its Fe fraction is estimated from the garnet.
double t25(const A& a) {
  const Cations& g = a.cat[kGar];
  double x = a.site.XFe_Cpx;
  if (!(a.cat[kCpx][kFe] > 1e-07)) {
    x = gx::xFeCpxFromGarnet(g[kFe], a.ox[kGar][kTi], g[kCr], g[kCa], kP, kT, a.site.FeNo_Gar);
    if (!(x > 0.003 && x < 0.35)) return kFail;
  }
  return gx::t25(x, g[kFe], g[kMg], a.site.XCa_Gar, kP);
}
double t26(const A& a) { return gx::t26(a.site.XCa_Gar, a.site.XFe_Cpx, kP, kdc(a)); }
double t27(const A& a) { return gx::t27(a.site.XCa_Gar, kP, kdo(a)); }
double t28(const A& a) {
  return gx::t28(a.site.XFe_Gar, a.site.XMg_Gar, a.site.XCa_Gar, kP, kdo(a));
}
double t29(const A& a) {
  const RefSite& s = a.site;
  return gx::t29(s.XFe_Gar, s.XMg_Gar, s.XCa_Gar, s.XCr_Gar, s.XMgM1_Opx, s.XFeM1_Opx,
                 a.cat[kOpx][kAl], kP, kdo(a));
}
// The olivine Fe fraction from the pressure below 2.1 wt% Cr2O3 in ilmenite,
// from its FeO/MgO and T otherwise.
double t4(const A& a) {
  const Oxides& i = a.ox[kIlm];
  double xo = i[kCr] < 2.1 ? ref::olivineFromPressureIlm(kP)
                           : ref::olivineFromIlmeniteFeMg(i[kFe], i[kMg], kT);
  return ref::ilmeniteOlivineTerm(ilmenite(a), xo, kP) + 100.0;
}
double t35(const A& a) {
  const Cations& i = a.cat[kIlm];
  double xo =
      ref::olivineFromFirstEstimate(ref::olivineFirstEstimateFeRich(i[kFe], i[kMg], kP, kT));
  ref::IlmeniteComponents c = ilmenite(a);
  if (!(c.hm > 0 && c.il > 0)) return kFail;
  return ref::feRichIlmeniteTemperature(ref::ilmeniteOlivineTerm(c, xo, kP), c.hm, i[kFe], i[kTi],
                                        kP);
}
double t21(const A& a) {
  double xo = ref::olivineFromSpinel(a.site.XFe_Sp, a.cat[kSp][kTi], kP, kT);
  return ref::spinelOlivineQ(spinel(a), a.site.CrNo_Sp, xo, kP) + kP + 50.0;
}
double t30(const A& a) {
  return ref::spinelOlivineQ(spinel(a), a.site.CrNo_Sp, 0.0005 * kP + 0.08, kP);
}
double t34(const A& a) {
  const RefSite& s = a.site;
  return ref::spinelSiteExchangeTemperature(0.0005 * kP + 0.08, s.XFe_Sp, s.XFe3_Sp, s.XTi_Sp,
                                            s.XCr_Sp, kP);
}
double t12(const A& a) {
  return ref::alExchangeLinearTemperature(alExchangeQuotient(a), a.site.CrNo_Sp);
}
double t6(const A& a) {
  const Cations& s = a.cat[kSp];
  return ref::alExchangeIterated(alExchangeQuotient(a), s[kFe] / (s[kMg] + s[kFe]), a.site.CrNo_Sp,
                                 kP, kT)
      .tk;
}
double t33(const A& a) {
  const RefSite& s = a.site;
  return ref::opxSpinelCrAlTemperature(
      {s.AlM1_Opx, s.XCrM1_Opx, s.XFeM1_Opx, s.XMgM1_Opx, s.XFe_Opx, a.cat[kOpx][kCr],
       a.cat[kOpx][kAl], s.XCr_Sp, s.XAl_Sp, s.XFe_Sp},
      kP);
}
double t45(const A& a) { return ref::olivineCrAlTemperature(a.ox[kOl][kAl], a.ox[kOl][kCr], kP); }
double t46(const A& a) { return ref::olivineAlTemperature(a.ox[kOl][kAl], kP); }
double t47(const A& a) { return ref::olivineCaTemperature(a.ox[kOl][kCa], kP); }
double t37(const A& a) { return ref::niInGarnetTK(a.cat[kGar][kNi]); }
double t31(const A& a) { return ref::niGarnetPpmTK(a.ox[kGar][kNi], kP); }
double t39(const A& a) { return ref::niGarnetOlivineTK(a.ox[kGar][kNi], a.ox[kOl][kNi]); }
double t44(const A& a) {
  return ref::niMgGarnetOlivineTK(a.cat[kGar][kNi], a.cat[kGar][kMg], a.cat[kOl][kNi],
                                  a.cat[kOl][kMg]);
}
double t40(const A& a) { return ref::garnetPolynomialCrTK(garnetOxides(a), kP); }
double t41(const A& a) { return ref::garnetPolynomialMnNaTK(garnetOxides(a), kP); }
double t42(const A& a) { return ref::garnetPolynomialMgTiTK(garnetOxides(a), kP); }
const Expect t1 = fixed(1300.0 + 273.0);

// Thermometer labels of numbers 1 to 48, 16 characters each (48 is blank).
// clang-format off
const std::string kLabels =
    "Fixed ToC       Wells77(Cpx+Opx)WoodBanno73CpxOpTaylor 98Ilm MSt"
    "BertranMercier85Gaspar84(OpOlSp)BreyKohler90 2PxBreyKohler90 Opx"
    "BreyKohler90Na2PHervig,Smith802PFinnertyBoyd86CpSahtlebenSeckESO"
    "SahtlebenSeck EnMercier80 Cpx GFMercier80 Opx GFMercier80 Cpx SF"
    "Mercier80 Opx SFLinsleyDixon75OpLinsleyDixon85CpNimisGrutter09GO"
    "ONeilWallDhPe SpCreightonGar2008ONeilWood79 GaOlEllisGreen79CpGA"
    "Krogh 88 GaCpx  Ai 94 Ga-Cpx    Harley84 GaOpx  SenBhatach84GaOP"
    "Kosyakova85GaOpxAvchenko88 GaOpxGriffinRyan NiGaPutirka96 Cpx- L"
    "GirnisStBrHP98ESTaylorEtAl98  OSTaylorEtAl98 OI Taylor98 DiEn   "
    "GrifCoRySu89NiGaNimisTaylor02CpxCanil(NiOl)     Dremmerhof,GaTOp"
    "Dremmerhof,GaTCpDremmerhof,GaTKrNImisTayCpCor DRYaxleyONeil2008 "
    "Hoog ea10Ol CrAlHoog ea10Ol Cr  Hoog ea10Ol Ca                  ";
// clang-format on

// One program run: an association named S1 and combinations of the given
// thermometers with the fixed pressure, each with the TK it should leave.
struct Case {
  std::string what;
  Rock rock;
  std::vector<std::pair<int, Expect>> combinations;
};

// Combinations of thermometers that all fail.
std::vector<std::pair<int, Expect>> failing(std::initializer_list<int> numbers) {
  std::vector<std::pair<int, Expect>> combinations;
  for (int n : numbers) combinations.emplace_back(n, kFails);
  return combinations;
}

std::string answers(const Case& c) {
  std::string s = "rocks\nN\n" + std::to_string(c.combinations.size()) + "\n";
  for (const auto& [number, expect] : c.combinations) {
    char field[8];
    std::snprintf(field, sizeof field, "%02d01\n", number);
    s += field;
  }
  return s + "0\nout.csv\nN\n-1\n1300  30\n";
}

// The result and failure lines of a run, in order.
std::vector<std::string> resultLines(const ProgramRun& run) {
  std::vector<std::string> lines;
  for (const std::string& l : run.outLines()) {
    if (parseResultLine(l) || l.ends_with(" Not complete association")) lines.push_back(l);
  }
  return lines;
}

void check(const Case& c) {
  SCOPED_TRACE(c.what);
  std::string file;
  for (const Mineral& m : c.rock) file += analysisLine("S1", m.code, {m.ox.begin(), m.ox.end()});
  ProgramRun run = runProgram(answers(c), {{"rocks", file}});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> lines = resultLines(run);
  ASSERT_EQ(lines.size(), c.combinations.size()) << run.out;
  const A a = work(c.rock);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto& [number, expect] = c.combinations[k];
    SCOPED_TRACE("combination " + std::to_string(k + 1) + ", thermometer " +
                 std::to_string(number));
    const double tk = expect(a);
    if (std::isnan(tk)) {
      EXPECT_EQ(lines[k], "S1      Not complete association");
      continue;
    }
    std::optional<ResultLine> r = parseResultLine(lines[k]);
    ASSERT_TRUE(r) << lines[k];
    EXPECT_EQ(r->name, "S1     ");
    if (number >= 1 && number <= 48) {  // number 0 has no label of its own
      EXPECT_EQ(r->thermometerLabel, kLabels.substr(16 * (number - 1), 16));
    }
    EXPECT_EQ(r->barometerLabel, "Fixed Pressure  ");
    EXPECT_EQ(r->fO2, "  .00");
    EXPECT_EQ(r->ferricTag, "all FE2+");
    // The limits after the iteration, then the screening at T = 1300 K and P = 30 kbar.
    const double limited = std::clamp(tk, 273.0, 2173.0);
    if (limited < 1853.0) {
      EXPECT_NEAR(*fieldValue(r->temperature), limited - 273.0, 1.0) << lines[k];
      EXPECT_EQ(r->pressure, "30.0");
    } else {
      EXPECT_EQ(r->temperature, "2000.");
      EXPECT_EQ(r->pressure, "****");
    }
  }
}

const Rock kLherzolite = {{'E', kOpxWt}, {'D', kCpxWt}, {'O', kOlWt}, {'G', kGarWt}};
const Rock kSpinelLherzolite = {{'E', kSpOpxWt}, {'D', kSpCpxWt}, {'O', kSpOlWt}, {'S', kSpWt}};

TEST(ThermometerRuns, EveryNumberComputesOnItsAssociation) {
  const Rock ilmenite = {{'O', kOlWt}, {'I', kIlmWt}};
  const Rock liquid = {{'D', kCpxWt}, {'S', kLiquidWt}};
  const std::vector<std::tuple<int, Rock, Expect>> table = {
      {0, kLherzolite, t1},         {1, kLherzolite, t1},   {2, kLherzolite, t2},
      {3, kLherzolite, t3},         {4, ilmenite, t4},      {5, kLherzolite, t5},
      {6, kSpinelLherzolite, t6},   {7, kLherzolite, t7},   {8, kLherzolite, t8},
      {9, kLherzolite, t9},         {10, kLherzolite, t10}, {11, kLherzolite, t11},
      {12, kSpinelLherzolite, t12}, {13, kLherzolite, t13}, {18, kLherzolite, t18},
      {19, kLherzolite, t19},       {20, kLherzolite, t20}, {21, kSpinelLherzolite, t21},
      {22, kLherzolite, t22},       {23, kLherzolite, t23}, {24, kLherzolite, t24},
      {25, kLherzolite, t25},       {26, kLherzolite, t26}, {27, kLherzolite, t27},
      {28, kLherzolite, t28},       {29, kLherzolite, t29}, {30, kSpinelLherzolite, t30},
      {31, kLherzolite, t31},       {32, liquid, t32},      {33, kSpinelLherzolite, t33},
      {34, kSpinelLherzolite, t34}, {35, ilmenite, t35},    {36, kLherzolite, t36},
      {37, kLherzolite, t37},       {38, kLherzolite, t38}, {39, kLherzolite, t39},
      {40, kLherzolite, t40},       {41, kLherzolite, t41}, {42, kLherzolite, t42},
      {43, kLherzolite, t43},       {44, kLherzolite, t44}, {45, kLherzolite, t45},
      {46, kLherzolite, t46},       {47, kLherzolite, t47}, {48, kLherzolite, t1},
  };
  // 42 runs
  // first in its run: its plausibility test reads T (1300 K), not the stored TK (0).
  // Every number from 0 to 48 except the stored-temperature ones (next test).
  std::vector<int> numbers, wanted;
  for (const auto& row : table) numbers.push_back(std::get<0>(row));
  for (int n = 0; n <= 48; ++n) {
    if (n < 14 || n > 17) wanted.push_back(n);
  }
  ASSERT_EQ(numbers, wanted);
  // The Ni thermometers give mantle temperatures, inside the screening window,
  // on the garnet lherzolite.
  for (auto* t : {t31, t39, t44}) {
    EXPECT_GT(t(work(kLherzolite)), 1100.0);
    EXPECT_LT(t(work(kLherzolite)), 1700.0);
  }
  for (const auto& [number, rock, expect] : table) {
    check({"thermometer " + std::to_string(number), rock, {{number, expect}}});
  }
}

// Thermometers 14 to 17 compute nothing: they return the TK that the previous
// combination left after the limits and the screening (0 at program start,
// limited to 273 K).
TEST(ThermometerRuns, StoredTemperatureThermometersReturnThePreviousResult) {
  check({"14 first in a run", kLherzolite, {{14, fixed(0.0)}}});
  for (int number : {14, 15, 16, 17}) {
    check({"thermometer " + std::to_string(number) + " after 1 and after 7",
           kLherzolite,
           {{1, t1}, {number, t1}, {7, t7}, {number, t7}}});
  }
  // Presence tests: 14 needs both pyroxenes, 15 and 17 orthopyroxene, 16 clinopyroxene.
  const Rock noOpx = {{'D', kCpxWt}, {'O', kOlWt}, {'G', kGarWt}};
  const Rock noCpx = {{'E', kOpxWt}, {'O', kOlWt}, {'G', kGarWt}};
  check({"without orthopyroxene",
         noOpx,
         {{1, t1}, {14, kFails}, {15, kFails}, {16, t1}, {17, kFails}}});
  check(
      {"without clinopyroxene", noCpx, {{1, t1}, {14, kFails}, {15, t1}, {16, kFails}, {17, t1}}});
}

// Olivine and clinopyroxene estimated from the garnet, the second ilmenite
// branch, compositions outside the usual ranges that bring the
// clinopyroxene-liquid result into the screening window, Ni partitions far
// from the mantle ones, and associations that fail a method's tests.
TEST(ThermometerRuns, EstimatesFailuresAndOtherCompositions) {
  Oxides noNaOpx = kOpxWt, noMnGar = kGarWt, lowCrGar = kGarWt, niGar = kGarWt, niOl = kOlWt;
  noNaOpx[kNa] = 0;
  noMnGar[kMn] = 0;
  lowCrGar[kCr] = 0.35;
  niGar[kNi] = 0.05;
  niOl[kNi] = 0.05;
  // A liquid layout with large Cr2O3, Na2O and K2O and as much MnO as CaO.
  const Oxides layout = {45.0, 1.6, 14.0, 10.0, 5.0, 5.0, 5.0, 5.0, 10.0, 10.0, 0, 0};
  const Rock noOl = {{'E', kOpxWt}, {'D', kCpxWt}, {'G', kGarWt}};
  const Rock noCpx = {{'E', kOpxWt}, {'O', kOlWt}, {'G', kGarWt}};
  const std::vector<Case> cases = {
      {"olivine Fe fraction from the garnet", noOl, {{23, t23}}},
      {"clinopyroxene Fe fraction from the garnet", noCpx, {{25, t25}}},
      {"ilmenite with 2.1 wt% Cr2O3 or more", {{'I', kIlmCrWt}}, {{4, t4}, {35, t35}}},
      {"clinopyroxene with a basaltic liquid: above the window",
       {{'D', kCpxWt}, {'S', kLiquidWt}},
       {{32, t32}}},
      {"clinopyroxene with a liquid layout inside the window",
       {{'D', kCpxWt}, {'S', layout}},
       {{32, t32}}},
      {"Ni thermometers with garnet as rich in Ni as olivine: above the window",
       {{'O', niOl}, {'G', niGar}},
       {{44, t44}, {39, t39}, {37, t37}}},
      {"two-pyroxene and clinopyroxene methods without clinopyroxene", noCpx,
       failing({2, 3, 5, 7, 10, 36, 11, 19, 38, 24, 26})},
      {"orthopyroxene without Na", {{'E', noNaOpx}, {'D', kCpxWt}}, {{9, kFails}, {8, t8}}},
      {"garnet methods without garnet",
       {{'E', kOpxWt}, {'D', kCpxWt}, {'O', kOlWt}},
       failing({20, 22, 23, 27, 28, 29, 31, 37, 40, 44})},
      {"olivine, spinel and ilmenite methods without these minerals",
       {{'E', kOpxWt}, {'D', kCpxWt}, {'G', kGarWt}},
       failing({6, 12, 21, 30, 33, 34, 45, 47, 4, 35, 39})},
      {"garnet without MnO", {{'G', noMnGar}}, {{41, kFails}, {31, kFails}, {42, t42}}},
      {"garnet with 0.35 wt% Cr2O3", {{'G', lowCrGar}}, {{40, kFails}, {41, t41}}},
  };
  for (const Case& c : cases) check(c);
}

}  // namespace
}  // namespace mantlept::e2e
