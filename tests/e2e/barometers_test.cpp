// End-to-end runs of the barometers. Every barometer number is paired with the
// fixed temperature (thermometer 1) and an iteration limit of -1, so that its
// pressure is computed once at T = 1300 K with the incoming P = 30 kbar; the
// result line is compared with the double-precision reference of the method,
// fed by the double-precision working of the association.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "e2e/program_run.hpp"
#include "e2e/reference_pipeline.hpp"
#include "methods/barometers/opx_garnet_reference.hpp"
#include "methods/barometers/pyroxene_reference.hpp"
#include "methods/barometers/clinopyroxene_reference.hpp"
#include "methods/barometers/garnet_spinel_ilmenite_olivine_reference.hpp"

namespace mantlept::e2e {
namespace {

namespace ref = mantlept::reference;

constexpr double kT = 1300;  // the starting temperature, read as kelvin by the barometer
constexpr double kP = 30;    // the starting (incoming) pressure, kbar

// Analyses (wt%, SiO2 TiO2 Al2O3 Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3):
// a garnet lherzolite with chromite and picroilmenite from the same
// concentrate, an eclogite, and a basaltic liquid for the Cpx-liquid pair.
const Oxides kEnstatite = {57.52, 0.10, 0.82, 0.36, 4.92, 0.12, 34.61, 0.95, 0.21, 0, 0.12, 0};
const Oxides kCrDiopside = {54.85, 0.26, 2.21, 1.52, 2.81, 0.09, 17.42, 18.63, 1.93, 0, 0.05, 0};
const Oxides kOlivine = {40.93, 0, 0.0010, 0.0300, 8.31, 0.11, 50.24, 0.06, 0, 0, 0.38, 0};
const Oxides kChromite = {0.12, 0.35, 17.80, 50.20, 15.90, 0.25, 13.40, 0, 0, 0, 0.10, 0};
const Oxides kPyrope = {42.05, 0.31, 20.52, 4.33, 6.92, 0.33, 20.91, 5.02, 0.05, 0, 0.01, 0};
const Oxides kIlmenite = {0.05, 49.50, 0.60, 1.20, 36.50, 0.30, 10.50, 0, 0, 0, 0.15, 0};
const Oxides kOmphacite = {55.50, 0.35, 6.50, 0.05, 5.50, 0.05, 11.00, 15.50, 4.50, 0.05, 0, 0};
const Oxides kEclogiteGar = {40.00, 0.40, 22.30, 0.10, 17.00, 0.35, 12.00, 7.50, 0.10, 0, 0, 0};
const Oxides kLiquid = {46.50, 2.60, 15.00, 0.08, 11.00, 0.18, 8.50, 10.20, 3.20, 1.50, 0, 0};
const Oxides kSpinelOpx = {55.00, 0.10, 4.20, 0.45, 6.10, 0.13, 33.00, 0.75, 0.10, 0, 0.10, 0};
const Oxides kSpinelCpx = {51.80, 0.45, 6.60, 0.85, 2.70, 0.08, 15.20, 20.60, 1.55, 0, 0.05, 0};
const Oxides kAlSpinel = {0.05, 0.10, 56.50, 11.00, 10.80, 0.10, 20.80, 0, 0, 0, 0.35, 0};
const Oxides kTiPyrope = {41.80, 1.05, 19.60, 3.90, 7.60, 0.28, 20.60, 5.10, 0.08, 0, 0, 0};
const Oxides kSubcalcicAugite = {53.50, 0.40, 3.50, 0.20, 9.50, 0.20, 22.00, 10.50, 0.50, 0, 0, 0};
const Oxides kCalcicGarnet = {40.20, 0.30, 22.40, 0.20, 12.50, 0.30, 10.50, 13.00, 0, 0, 0, 0};
const Oxides kDiopside = {54.20, 0.10, 1.60, 0.90, 1.90, 0.07, 17.20, 23.10, 0.60, 0, 0.04, 0};

// An association: the code letter and the analysis of each line.
using Rock = std::vector<std::pair<char, Oxides>>;
const Rock kLherzolite = {{'E', kEnstatite}, {'D', kCrDiopside}, {'O', kOlivine},
                          {'S', kChromite},  {'G', kPyrope},     {'I', kIlmenite}};
const Rock kSpinelLherzolite = {
    {'E', kSpinelOpx}, {'D', kSpinelCpx}, {'O', kOlivine}, {'S', kAlSpinel}};
const Rock kShearedLherzolite = {{'E', kEnstatite}, {'G', kTiPyrope}};
const Rock kSubcalcicPair = {{'D', kSubcalcicAugite}, {'G', kCalcicGarnet}};
const Rock kGarnetOnly = {{'G', kPyrope}};
const Rock kCpxOnly = {{'D', kCrDiopside}};
const Rock kEclogite = {{'D', kOmphacite}, {'G', kEclogiteGar}};
const Rock kCpxLiquid = {{'D', kCrDiopside}, {'S', kLiquid}};
const Rock kDiopsideDunite = {{'D', kDiopside}, {'O', kOlivine}};
const Rock kDunite = {{'O', {40.93, 0, 0, 0, 8.31, 0.11, 50.24, 0, 0, 0, 0.38, 0}}};
const Rock kLowMgIlmenite = {{'I', {0.05, 52.00, 0.30, 0.10, 45.50, 0.60, 1.50, 0, 0, 0, 0, 0}}};

// The barometer labels as typed numbers show them (0 and 44 have no label).
const std::string kBlank(16, ' ');
// clang-format off
const std::vector<std::string> kLabels = {
    kBlank, "Fixed Pressure  ", "Wood 74 Opx-Gar ", "NickeGreen85GaOp",
    "Harley 84 Opx-Ga", "BreyKohle90GaOpx", "SimakovCPXGA2008", "NickeGreen85GaOP",
    "Nickel, 1989    ", "BreyBulatGir2007", "McGregor74 Opx  ", "Perkins 81 Opx  ",
    "PerkinNewton80Op", "DremmPelgrin2005", "DremmrhofPelg05H", "Mercier84OpxCpx ",
    "Ryan96 Crin Ga  ", "Dremmerhof2006Il", "PCaCrGar2008  Cr", "P Grutter Gr2006",
    "BreyKohlerCaOlCP", "BreNicKoh86GaCpx", "BreyKohler CaOl ", "Putirka96 LCpx  ",
    "Slavinsky OpxCpx", "Mercier80 Cpx GF", "Mercier80 Opx GF", "Mercier80 Cpx SF",
    "Mercier80 Opx SF", "NickelGreenCorr ", "NimisTAylor Cpx ", "Dremmerhof2001Cp",
    "Dremmerhof2012Cp", "Dremmerhof2009Ec", "Dremmerhof03GaP ", "Dremmerhof03GaP1",
    "Dremmerhof010aCp", "DremmerhofGa2009", "DremmerPelg2007I", "DremmerPelg2005I",
    "Pickles2011GACpx", "Hoog ea10Ol Al  ", "Hoog ea10Ol Cr  ", "Hoog ea10Ol Ca  ",
    kBlank,
};
// clang-format on

RefAssociation work(const Rock& rock) {
  std::array<std::optional<Oxides>, 7> minerals;
  for (const auto& [code, ox] : rock) minerals[std::string("EDOSGRI").find(code)] = ox;
  return referenceAssociation(minerals, false);
}

// ---- The references' inputs, taken from the worked association ----------
ref::Cations cations(const RefAssociation& a, RefSlot s) {
  const Cations& c = a.cat[s];
  return {c[kSi], c[kTi], c[kAl], c[kCr], c[kFe], c[kMn], c[kMg], c[kCa], c[kNa], c[kFe3]};
}
ref::PyroxeneCations pyroxene(const RefAssociation& a, RefSlot s) {
  const Cations& c = a.cat[s];
  return {c[kSi], c[kTi], c[kAl], c[kCr], c[kFe], c[kMn], c[kMg], c[kCa], c[kNa]};
}
ref::OpxSites opxSites(const RefAssociation& a) {
  const RefSite& p = a.site;
  return {p.XMg_Opx, p.XFe_Opx,   p.AlM1_Opx,  p.AlT_Opx,  p.FM1_Opx,
          p.FM2_Opx, p.XMgM1_Opx, p.XMgM2_Opx, p.XFeM1_Opx};
}
ref::GarnetSites garnetSites(const RefAssociation& a) {
  const RefSite& p = a.site;
  return {p.XCa_Gar, p.XAl_Gar, p.XCr_Gar, p.XFe_Gar, p.XMg_Gar};
}
ref::CpxCations cpx(const RefAssociation& a) {
  const Cations& c = a.cat[kCpx];
  return {c[kSi], c[kTi], c[kAl], c[kCr], c[kFe], c[kMg], c[kCa], c[kNa], c[kK], a.site.Fe3_Cpx};
}
ref::CpxOxides cpxOxides(const RefAssociation& a) {
  const Oxides& o = a.ox[kCpx];
  return {o[kAl], o[kCr], o[kFe], o[kCa], o[kNa]};
}
ref::Garnet garnet(const RefAssociation& a) {
  const Oxides& o = a.ox[kGar];
  const Cations& c = a.cat[kGar];
  return {o[kCr], o[kCa], o[kMg], o[kFe], o[kMn], o[kNa],         o[kTi],         o[kAl],
          c[kTi], c[kCa], c[kCr], c[kFe], c[kMg], a.site.Ex1_Gar, a.site.FeNo_Gar};
}

// Outcomes: a pressure, or nothing for not complete.
using Outcome = std::optional<double>;
Outcome when(bool ok, double P) { return ok && std::isfinite(P) ? Outcome(P) : std::nullopt; }
Outcome of(const ref::CpxPressure& p) { return when(p.kind != ref::Kind::NotComplete, p.P); }
Outcome of(const ref::Pressure& p) { return when(p.complete, p.P); }
constexpr double kTiny = 1e-07;

Outcome m1Aluminium(const RefAssociation& a, double A) {
  const ref::OpxSites o = opxSites(a);
  const ref::GarnetSites g = garnetSites(a);
  return when(ref::m1AluminiumK(A, o, g) > kTiny, ref::m1AluminiumP(kT, A, cations(a, kOpx), o, g));
}
Outcome quadratic(const RefAssociation& a, const ref::QuadraticConstants& c) {
  const ref::OpxSites o = opxSites(a);
  const ref::GarnetSites g = garnetSites(a);
  return when(ref::quadraticK(o, g) > kTiny && ref::quadraticD(kT, c, o, g) > kTiny,
              ref::quadraticP(kT, c, o, g));
}
Outcome singlePyroxene(const ref::SinglePyroxene& v) {
  return when(v.K1 > kTiny && v.K2 > kTiny, v.P);
}
Outcome alumina(const RefAssociation& a, const ref::AluminaConstants& c) {
  return ref::aluminaP(kT, a.ox[kOpx][kAl], c);
}

// What the iteration (limits) and the result screening make of a pressure
// computed at the starting temperature T (thermometer 1 then gives T + 273 K,
// inside the window): the reported temperature and pressure, or nothing for a
// rejected result.
struct Report {
  double tc, p;
};
std::optional<Report> screened(double P, double T) {
  if (P >= 200) P = 200;
  if (P <= 1e-07) P = -10;
  if (!(350 + 7.75 * (P - 20) < T) || P <= 1 || P >= 200) return std::nullopt;
  if (P > 82) return Report{1450, 81.5};
  return Report{T, P};
}

// The lines a run printed after the dialogue, without the empty lines of the
// orthopyroxene step and the stop word (which is checked).
std::vector<std::string> resultLines(const ProgramRun& run) {
  std::vector<std::string> lines = run.outLines();
  std::vector<std::string> after;
  bool started = false;
  for (const std::string& l : lines) {
    if (started && !l.empty()) after.push_back(l);
    if (l == " Starting T and P (for fixing) (2I4)") started = true;
  }
  EXPECT_FALSE(after.empty());
  if (!after.empty()) {
    EXPECT_EQ(after.back(), "Kolvex");
    after.pop_back();
  }
  return after;
}

// Runs the combinations (4-character answers) on one association named S1.
std::vector<std::string> run(const Rock& rock, const std::vector<std::string>& combinations,
                             const std::string& start = "1300  30") {
  std::string file;
  for (const auto& [code, ox] : rock) file += analysisLine("S1", code, {ox.begin(), ox.end()});
  std::string answers = "rocks.txt\nN\n" + std::to_string(combinations.size()) + "\n";
  for (const std::string& c : combinations) answers += c + "\n";
  answers += "0\nout.csv\nN\n-1\n" + start + "\n";
  ProgramRun r = runProgram(answers, {{"rocks.txt", file + "\n"}});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = resultLines(r);
  std::filesystem::remove_all(r.dir);
  EXPECT_EQ(lines.size(), combinations.size()) << r.out;
  lines.resize(combinations.size());
  return lines;
}

// Checks one result line of barometer number `number` against the expected
// outcome of its pressure step at the starting temperature T.
void expectLine(const std::string& line, int number, const Outcome& expected, double T = kT) {
  SCOPED_TRACE("barometer " + std::to_string(number) + ": " + line);
  if (!expected) {
    EXPECT_EQ(line, "S1      Not complete association");
    return;
  }
  std::optional<ResultLine> r = parseResultLine(line);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->name, "S1     ");
  EXPECT_EQ(r->thermometerLabel, "Fixed ToC       ");
  EXPECT_EQ(r->barometerLabel, kLabels.at(static_cast<std::size_t>(number)));
  EXPECT_EQ(r->fO2, "  .00");
  EXPECT_EQ(r->ferricTag, "all FE2+");
  std::optional<Report> report = screened(*expected, T);
  if (!report) {
    EXPECT_EQ(r->temperature, "2000.") << "expected a rejected pressure of " << *expected;
    EXPECT_EQ(r->pressure, "****");
    return;
  }
  EXPECT_EQ(fieldValue(r->temperature), report->tc);
  std::optional<double> p = fieldValue(r->pressure);
  ASSERT_TRUE(p.has_value());
  EXPECT_NEAR(*p, report->p, 0.1) << "computed " << *expected;
}

Outcome wood74(const RefAssociation& a, const ref::GarnetSites& g) {
  const ref::OpxSites o = opxSites(a);
  return when(ref::wood74K(o, g) > kTiny, ref::wood74P(kT, o, g));
}
Outcome incomingP(const RefAssociation&) { return kP; }
Outcome notComplete(const RefAssociation&) { return std::nullopt; }
Outcome cpxWithGarnet6(const RefAssociation& a) {
  return of(ref::barometer6(a.cat[kCpx][kSi], a.cat[kGar][kSi], kP));
}
Outcome garnetAloneCr(const RefAssociation& a) {
  const Cations& c = a.cat[kGar];
  return ref::garnetOnlyCrP({c[kAl], c[kCr], c[kFe], c[kMg], c[kCa]}, a.site.XCa_Gar, kT, kP);
}
Outcome spinelFaciesCpx(const RefAssociation& a) {
  return singlePyroxene(ref::cpxSpinelFacies(pyroxene(a, kCpx)));
}
Outcome jadeite31(const RefAssociation& a) {
  return of(ref::barometer31(cpxOxides(a), cpx(a), kT, kP));
}
Outcome jadeite33(const RefAssociation& a) {
  return of(ref::barometer33(cpxOxides(a), cpx(a), kT));
}
Outcome jadeite36(const RefAssociation& a) {
  return of(ref::barometer36(cpxOxides(a), cpx(a), kT, kP));
}
Outcome garnetCpxCa40(const RefAssociation& a) {
  const Cations& g = a.cat[kGar];
  return of(ref::barometer40(a.ox[kCpx][kCa], a.ox[kGar][kCa], g[kMn], g[kFe], g[kMg], g[kSi],
                             g[kCa], a.cat[kCpx][kCa]));
}
Outcome cpxGarnetCa(const RefAssociation& a) {
  return of(
      ref::barometer21(a.cat[kCpx][kSi], a.cat[kGar][kSi], a.cat[kCpx][kCa], a.site.XCa_Gar, kT));
}
Outcome caInOlivine(const RefAssociation& a) {
  if (!(a.ox[kOl][kCa] > 1e-08)) return kP;
  if (a.cat[kCpx][kCa] < 0.8) return ref::caOlivinePpmP(a.ox[kOl][kCa], kT);
  return ref::caOlivineRatioP(a.cat[kOl][kCa], a.cat[kCpx][kCa], kT);
}

// ---- Every barometer, one run each --------------------------------------
struct Case {
  int number;
  const Rock* rock;
  Outcome (*expected)(const RefAssociation&);
};

const Case kCases[] = {
    {1, &kLherzolite, incomingP},
    {2, &kLherzolite, [](const RefAssociation& a) { return wood74(a, garnetSites(a)); }},
    // Without garnet the orthopyroxene-garnet barometers are not complete.
    {2, &kSpinelLherzolite, notComplete},
    {3, &kLherzolite,
     [](const RefAssociation& a) {
       return m1Aluminium(a, ref::m1AluminiumCrTi(cations(a, kOpx)));
     }},
    {4, &kLherzolite,
     [](const RefAssociation& a) {
       const ref::Cations opx = cations(a, kOpx);
       const ref::OpxSites o = opxSites(a);
       const ref::GarnetSites g = garnetSites(a);
       return when(ref::harley84K(opx, o, g) > kTiny, ref::harley84P(kT, opx, o, g));
     }},
    {5, &kLherzolite, [](const RefAssociation& a) { return quadratic(a, ref::kQuadratic1990); }},
    {5, &kSpinelLherzolite,
     [](const RefAssociation& a) { return quadratic(a, ref::kQuadratic1990); }},
    // Clinopyroxene with garnet: no pressure of its own, not complete;
    // clinopyroxene alone: the incoming pressure.
    {6, &kLherzolite, cpxWithGarnet6},
    {6, &kCpxOnly, cpxWithGarnet6},
    {7, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       ref::GarnetSites g = garnetSites(a);
       g.XAl = ref::garnetXAl(cations(a, kGar));
       g.XCr = ref::garnetXCr(cations(a, kGar));
       return ref::formulaAlExchangeP(kT, cations(a, kOpx), g);
     }},
    {8, &kLherzolite,
     [](const RefAssociation& a) {
       const ref::Cations opx = cations(a, kOpx), gar = cations(a, kGar);
       const ref::OpxSites o = opxSites(a);
       return when(ref::crExchangeK(opx, gar, o) > kTiny, ref::crExchangeP(kT, opx, gar, o));
     }},
    {9, &kLherzolite, [](const RefAssociation& a) { return quadratic(a, ref::kQuadratic2007); }},
    {10, &kLherzolite, [](const RefAssociation& a) { return alumina(a, ref::kAlumina1974); }},
    {11, &kLherzolite, [](const RefAssociation& a) { return alumina(a, ref::kAlumina1981); }},
    {12, &kLherzolite, [](const RefAssociation& a) { return alumina(a, ref::kAlumina1980); }},
    {13, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       return ref::chromiteP(kT, a.site.CrNo_Sp, a.cat[kSp][kTi]);
     }},
    {14, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       return ref::hotChromiteP(kT, a.site.CrNo_Sp, a.cat[kSp][kTi], a.cat[kSp][kMg]);
     }},
    {15, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       return ref::twoPyroxeneCalcium(pyroxene(a, kOpx), pyroxene(a, kCpx)).P;
     }},
    {16, &kLherzolite, garnetAloneCr},
    {16, &kGarnetOnly, garnetAloneCr},
    {17, &kLherzolite,
     [](const RefAssociation& a) -> Outcome { return ref::spinelAlP(a.site.XAl2_Sp); }},
    {18, &kLherzolite,
     [](const RefAssociation& a) -> Outcome { return ref::crCaGarnetP(garnet(a), kT); }},
    {19, &kGarnetOnly,
     [](const RefAssociation& a) -> Outcome { return ref::garnetBase(garnet(a)); }},
    // No thermometer has run yet in the run: TK is 0.
    {20, &kLherzolite,
     [](const RefAssociation& a) {
       return of(ref::barometer20(a.cat[kOl][kCa], a.cat[kCpx][kCa], kT, kP, 0));
     }},
    // Ca-rich clinopyroxene gives large negative pressures (rejected); a
    // subcalcic one with a calcic garnet an accepted one.
    {21, &kLherzolite, cpxGarnetCa},
    {21, &kEclogite, cpxGarnetCa},
    {21, &kSubcalcicPair, cpxGarnetCa},
    {22, &kLherzolite,
     [](const RefAssociation& a) {
       return when(a.cat[kOl][kCa] > 1e-05, ref::caOlivineP(a.cat[kOl][kCa], kT));
     }},
    {23, &kCpxLiquid,
     [](const RefAssociation& a) {
       const Cations l = ref::rescaleLiquid(a.cat[kSp]);
       return of(ref::barometer23(a.cat[kCpx][kNa], l[kTi], l[kK], l[kCr], kT));
     }},
    {24, &kLherzolite,
     [](const RefAssociation& a) {
       const ref::PyroxeneCations c = pyroxene(a, kCpx);
       if (!(c.Al > kTiny && c.Cr > kTiny && c.Fe > kTiny)) return Outcome();
       return singlePyroxene(ref::cpxGarnetFacies(c));
     }},
    {25, &kLherzolite,
     [](const RefAssociation& a) {
       return singlePyroxene(ref::cpxGarnetFacies(pyroxene(a, kCpx)));
     }},
    {26, &kLherzolite,
     [](const RefAssociation& a) {
       return singlePyroxene(ref::opxGarnetFacies(pyroxene(a, kOpx)));
     }},
    // Na above Al in the Cr-diopside: A and K2 are negative.
    {27, &kLherzolite, spinelFaciesCpx},
    {27, &kSpinelLherzolite, spinelFaciesCpx},
    {28, &kSpinelLherzolite,
     [](const RefAssociation& a) {
       return singlePyroxene(ref::opxSpinelFacies(pyroxene(a, kOpx)));
     }},
    {29, &kLherzolite,
     [](const RefAssociation& a) {
       return m1Aluminium(a, ref::m1AluminiumCorrected(cations(a, kOpx)));
     }},
    {30, &kLherzolite,
     [](const RefAssociation& a) {
       const ref::CpxCations c = cpx(a);
       return of(ref::barometer30(c.Si, c.Cr, c.Al, c.Na, c.K, kT));
     }},
    {31, &kLherzolite, jadeite31},
    // Omphacite with FeO 5.5, Cr2O3 0.05 and Na/Al above 1 goes on as 33.
    {31, &kEclogite, jadeite31},
    {32, &kLherzolite,
     [](const RefAssociation& a) { return of(ref::barometer32(cpx(a), kT, kP)); }},
    {33, &kLherzolite, jadeite33},
    {33, &kEclogite, jadeite33},
    {34, &kLherzolite,
     [](const RefAssociation& a) { return of(ref::garnetCrP(garnet(a), kT, kP)); }},
    {35, &kLherzolite,
     [](const RefAssociation& a) { return of(ref::garnetCrLinearThenRefined(garnet(a), kT, kP)); }},
    {36, &kLherzolite, jadeite36},
    // The same omphacite takes the high-iron computation here.
    {36, &kEclogite, jadeite36},
    {37, &kLherzolite,
     [](const RefAssociation& a) { return of(ref::garnetCationP(garnet(a), kT, kP)); }},
    {38, &kLherzolite,
     [](const RefAssociation& a) {
       const Cations& c = a.cat[kIlm];
       return of(ref::ilmeniteCationP(a.ox[kIlm][kMg], c[kTi], c[kMg], c[kCr], c[kMn], kT, kP));
     }},
    // MgO 1.5 in ilmenite: neither ilmenite barometer applies.
    {38, &kLowMgIlmenite, notComplete},
    {39, &kLherzolite,
     [](const RefAssociation& a) {
       const Oxides& o = a.ox[kIlm];
       const Cations& c = a.cat[kIlm];
       return of(ref::ilmeniteOxideP(o[kTi], o[kMg], o[kMn], c[kTi], c[kCr], kT, kP));
     }},
    {39, &kLowMgIlmenite, notComplete},
    {40, &kLherzolite, garnetCpxCa40},
    {40, &kEclogite, garnetCpxCa40},
    {41, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       return ref::alOlivineP(a.ox[kOl][kAl], a.ox[kOl][kCr], kT);
     }},
    {42, &kLherzolite,
     [](const RefAssociation& a) -> Outcome {
       return ref::crOlivineP(a.ox[kOl][kAl], a.ox[kOl][kCr], kT);
     }},
    // Without spinel, whatever the olivine holds.
    {42, &kDiopsideDunite, notComplete},
    // Olivine CaO as ppm while Ca(Cpx) is below 0.8 (lherzolite), else the Ca
    // ratio (diopside); olivine without CaO keeps the incoming pressure.
    {43, &kLherzolite, caInOlivine},
    {43, &kDiopsideDunite, caInOlivine},
    {43, &kDunite, caInOlivine},
};

std::string combination(int thermometer, int barometer) {
  char s[8];
  std::snprintf(s, sizeof s, "%02d%02d", thermometer, barometer);
  return s;
}

TEST(E2eBarometers, EveryBarometerAgreesWithItsReference) {
  bool seen[44] = {};
  for (const Case& c : kCases) {
    SCOPED_TRACE("case " + std::to_string(&c - kCases));
    seen[c.number] = true;
    const Outcome expected = c.expected(work(*c.rock));
    std::vector<std::string> lines = run(*c.rock, {combination(1, c.number)});
    expectLine(lines[0], c.number, expected);
  }
  for (int b = 1; b <= 43; ++b) EXPECT_TRUE(seen[b]) << "barometer " << b << " has no case";
}

TEST(E2eBarometers, NumbersOutsideTheTableComputeLikeBarometer2WithTheirOwnLabel) {
  const RefAssociation a = work(kLherzolite);
  const Outcome expected = wood74(a, garnetSites(a));
  ASSERT_TRUE(expected.has_value());
  std::vector<std::string> lines = run(kLherzolite, {"0100", "0144", "0102"});
  expectLine(lines[0], 0, expected);
  expectLine(lines[1], 44, expected);
  expectLine(lines[2], 2, expected);
}

TEST(E2eBarometers, Barometer7GarnetFractionsPersistIntoLaterCombinations) {
  // A sheared-lherzolite garnet with TiO2 1.05: Ti in the denominator of
  // barometer 7's Al and Cr fractions moves barometer 2 by more than half a
  // kilobar.
  const RefAssociation a = work(kShearedLherzolite);
  ref::GarnetSites overwritten = garnetSites(a);
  overwritten.XAl = ref::garnetXAl(cations(a, kGar));
  overwritten.XCr = ref::garnetXCr(cations(a, kGar));
  const Outcome first = ref::formulaAlExchangeP(kT, cations(a, kOpx), overwritten);
  const Outcome later = wood74(a, overwritten);
  const Outcome fresh = wood74(a, garnetSites(a));
  ASSERT_TRUE(first && later && fresh);
  ASSERT_GT(std::abs(*later - *fresh), 0.5);
  std::vector<std::string> lines = run(kShearedLherzolite, {"0107", "0102"});
  expectLine(lines[0], 7, first);
  expectLine(lines[1], 2, later);
  // Without barometer 7 before it, barometer 2 reads the garnet's own fractions.
  expectLine(run(kShearedLherzolite, {"0102"})[0], 2, fresh);
}

TEST(E2eBarometers, Barometer20SwitchesOnTheThermometerResultOfTheEarlierCombination) {
  // TK is 0 in the first combination; thermometer 1 then leaves 1573 K, above
  // 2.827 * 30 + 1275.25, for the second.
  const RefAssociation a = work(kLherzolite);
  const double caOl = a.cat[kOl][kCa], caCpx = a.cat[kCpx][kCa];
  const Outcome first = of(ref::barometer20(caOl, caCpx, kT, kP, 0));
  const Outcome second = of(ref::barometer20(caOl, caCpx, kT, kP, kT + 273));
  ASSERT_TRUE(first && second);
  ASSERT_GT(std::abs(*first - *second), 0.5);
  std::vector<std::string> lines = run(kLherzolite, {"0120", "0120"});
  expectLine(lines[0], 20, first);
  expectLine(lines[1], 20, second);
}

TEST(E2eBarometers, Barometer23RescalesTheLiquidAgainInTheNextCombination) {
  // Between the two calls the spinel ferric recomputation (ferric option off)
  // writes Fe3 = 2 - Al - Cr - 2 Ti into the rescaled liquid formula. At
  // 1000 K both pressures stay below the cap.
  const double T = 1000;
  const RefAssociation a = work(kCpxLiquid);
  const double na = a.cat[kCpx][kNa];
  Cations liquid = ref::rescaleLiquid(a.cat[kSp]);
  const Outcome first = of(ref::barometer23(na, liquid[kTi], liquid[kK], liquid[kCr], T));
  liquid[kFe3] = 2 - liquid[kAl] - liquid[kCr] - 2 * liquid[kTi];
  liquid = ref::rescaleLiquid(liquid);
  const Outcome second = of(ref::barometer23(na, liquid[kTi], liquid[kK], liquid[kCr], T));
  ASSERT_TRUE(first && second);
  ASSERT_GT(*second - *first, 10.0);
  ASSERT_TRUE(screened(*second, T) && screened(*second, T)->p < 82);
  std::vector<std::string> lines = run(kCpxLiquid, {"0123", "0123"}, "1000  30");
  expectLine(lines[0], 23, first, T);
  expectLine(lines[1], 23, second, T);
}

}  // namespace
}  // namespace mantlept::e2e
