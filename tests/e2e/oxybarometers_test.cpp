// End-to-end runs of the oxybarometers: every oxybarometer number chosen in a
// program run with fixed temperature and pressure (1300 and 30 kbar, one
// pass), its result line and its results-file values compared with the
// double-precision references worked from the analyses.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "e2e/program_run.hpp"
#include "e2e/reference_pipeline.hpp"
#include "methods/oxybarometers/oxybarometers_reference.hpp"

namespace mantlept::e2e {
namespace {

// With thermometer 1, barometer 1 and one pass the oxybarometer sees the
// starting temperature as kelvin and the starting pressure.
constexpr double kT = 1300.0;
constexpr double kP = 30.0;

// Spinel lherzolite and garnet peridotite minerals (oxide wt%, all iron as FeO).
const Oxides kOrthopyroxene = {55.5, 0.08, 3.8, 0.55, 5.9, 0.13, 33.0, 0.75, 0.1, 0, 0.1, 0};
const Oxides kDiopside = {52.3, 0.45, 5.6, 0.85, 2.6, 0.08, 15.5, 20.8, 1.45, 0, 0.05, 0};
const Oxides kOmphacite = {55.6, 0.35, 11.0, 0.08, 3.9, 0.04, 8.6, 13.2, 6.6, 0, 0.02, 0};
const Oxides kOlivine = {40.8, 0, 0.02, 0.02, 9.6, 0.14, 49.0, 0.08, 0, 0, 0.37, 0};
const Oxides kSpinel = {0, 0.12, 50.5, 16.5, 11.0, 0.12, 20.2, 0, 0, 0, 0.35, 0};
const Oxides kGarnet = {41.6, 0.25, 21.5, 3.0, 7.9, 0.4, 20.6, 5.2, 0.04, 0, 0.01, 0};
const Oxides kIlmenite = {0.05, 49.5, 0.6, 1.2, 36.0, 0.3, 11.0, 0, 0, 0, 0.1, 0};

using Minerals = std::vector<std::pair<RefSlot, Oxides>>;

std::string analysisFile(const Minerals& minerals) {
  std::string file;
  for (const auto& [slot, ox] : minerals) {
    file += analysisLine("S1", "EDOSGRI"[slot], std::vector<double>(ox.begin(), ox.end()));
  }
  return file + "\n";  // a blank line closes the association
}

// The association as the oxybarometer sees it: site parameters, then the
// spinel ferric iron recomputed after the iteration (ferric option off).
RefAssociation worked(const Minerals& minerals) {
  std::array<std::optional<Oxides>, 7> slots;
  for (const auto& [slot, ox] : minerals) slots[slot] = ox;
  RefAssociation a = referenceAssociation(slots, false);
  Cations& s = a.cat[kSp];
  s[kFe3] = 2 - s[kAl] - s[kCr] - 2 * s[kTi];
  const double f2 = s[kFe] - s[kFe3];
  a.site.Fe3R_Sp = s[kFe3] / (s[kCr] + s[kFe3] + s[kTi] + s[kAl]);
  a.site.XFe_Sp = f2 / (s[kMg] + s[kMn] + f2);
  return a;
}

oxyref::Cations ref(const RefAssociation& a, RefSlot slot) {
  const Cations& x = a.cat[slot];
  return {x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8], x[9], x[10], x[11], x[12]};
}

std::string answers(const std::string& oxybarometer, bool cations) {
  return "rocks.txt\nN\n1\n0101\n" + oxybarometer + "\nout.csv\n" + (cations ? "Y" : "N") +
         "\n-1\n1300  30\n";
}

// The non-empty terminal lines after the dialogue.
std::vector<std::string> resultLines(const ProgramRun& run) {
  std::vector<std::string> after;
  bool started = false;
  for (const std::string& l : run.outLines()) {
    if (started && !l.empty()) after.push_back(l);
    if (l == " Starting T and P (for fixing) (2I4)") started = true;
  }
  return after;
}

// Comma-separated cells of a results-file line (quoted cells keep their quotes).
std::vector<std::string> cells(const std::string& row) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (char c : row) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::vector<std::string>> fileRows(const ProgramRun& run) {
  std::vector<std::vector<std::string>> rows;
  std::string text = run.file("out.csv");
  for (std::size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos;
       start = nl + 1) {
    std::string line = text.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    rows.push_back(cells(line));
  }
  return rows;
}

// Row cells: 0 name, 1..62 the values, 63 description, 64 the oxygen-fugacity
// value of combination 1, 65 and 66 its temperature and pressure.
constexpr int kFeOlColumn = 56, kFe3CpxColumn = 61, kFe3GaColumn = 62, kFO2Cell = 64;
// Header cells: 63 "Description", 64 a blank and the 16-character tag cell.
constexpr int kTagCell = 64;

std::string tagCell(const std::string& tag) {
  return " " + std::string(8, ' ') + (tag.empty() ? std::string(8, ' ') : tag);
}

struct Expect {
  double fO2 = 0;  // 2000 is the out-of-window marker
  std::vector<std::pair<int, double>> columns = {};
};

// The expected outcome of each association, from the references.
using Worked = const RefAssociation&;
Expect none(Worked) { return {0, {{kFe3GaColumn, 0}}}; }
Expect olivineSpinel(Worked a) {
  return {oxyref::oxy1(kT, kP, a.site.XFe_Ol, a.site.Fe3R_Sp, a.site.XFe_Sp, a.site.XAl2_Sp)};
}
Expect opxOlivineSpinel(Worked a) {
  return {oxyref::oxy2(kT, kP, a.site.XFe_Ol, a.site.XFeM1_Opx, a.site.XFeM2_Opx, ref(a, kSp))};
}
// Oxybarometer 3 with the measured olivine, or the spinel-based estimate
// that it writes for an association without olivine.
Expect olivineSpinelSilica(Worked a) {
  const RefSite& p = a.site;
  const double x = p.XFe_Ol > 0 ? p.XFe_Ol : oxyref::olivineFromSpinel(kT, kP, p.XFe_Sp);
  return {oxyref::oxy3(kT, kP, x, p.XFe3_Sp, p.XFe_Sp, p.XAl_Sp, p.XTi_Sp), {{kFeOlColumn, x}}};
}
// Oxybarometer 4: without olivine, from 30 kbar on, 0.00025 P + 0.12.
Expect olivineIlmenite(Worked a) {
  const double x = a.site.XFe_Ol > 0 ? a.site.XFe_Ol : kP * 0.00025 + 0.12;
  return {oxyref::oxy4(kT, kP, x, ref(a, kIlm)), {{kFeOlColumn, x}}};
}
Expect garnetOlivineOpx(Worked a) {
  const oxyref::Oxy5 r = oxyref::oxy5(kT, kP, ref(a, kGar), a.cat[kOl][kFe], ref(a, kOpx),
                                      a.site.FeNo_Gar, false, 0.0);
  return {r.value, {{kFe3GaColumn, r.e}}};
}
Expect clinopyroxene(Worked a) {
  return {oxyref::oxy6(kT, kP, ref(a, kCpx)), {{kFe3CpxColumn, oxyref::cpxFerric(ref(a, kCpx))}}};
}
Expect orthopyroxene(Worked a) { return {oxyref::oxy7(kT, kP, a.site.XFe_Opx, ref(a, kOpx))}; }
Expect garnet(Worked a) {
  return {oxyref::oxy8(kT, kP, ref(a, kGar)),
          {{kFe3GaColumn, oxyref::garnetExcess8(ref(a, kGar))}}};
}
Expect silicaActivity(Worked a) { return {oxyref::oxy9(kT, kP, a.site.XFe_Ol)}; }

struct Case {
  std::string number;  // as typed
  std::string tag;     // "" for a blank tag cell
  Minerals minerals;
  bool cations;  // answer to the coefficient question
  Expect (*expect)(Worked);
};

TEST(E2eOxybarometers, EveryNumberGivesItsValueOnTheLineAndInTheRow) {
  const std::pair<RefSlot, Oxides> opx{kOpx, kOrthopyroxene}, cpx{kCpx, kDiopside},
      omphacite{kCpx, kOmphacite}, ol{kOl, kOlivine}, sp{kSp, kSpinel}, gar{kGar, kGarnet},
      ilm{kIlm, kIlmenite};
  const Case cases[] = {
      {"0", "", {opx, ol, sp, gar}, false, none},
      {"1", "FO2B&B91", {ol, sp}, false, olivineSpinel},
      {"12", "", {ol, sp}, false, olivineSpinel},  // computes like 1, no tag
      {"2", "FO2N&W91", {opx, ol, sp}, false, opxOlivineSpinel},
      {"3", "FO2TOS98", {ol, sp}, true, olivineSpinelSilica},
      {"3", "FO2TOS98", {sp}, true, olivineSpinelSilica},  // olivine estimated and kept
      {"4", "FO2TIS98", {ol, ilm}, true, olivineIlmenite},
      {"4", "FO2TIS98", {ilm}, true, olivineIlmenite},  // olivine from the pressure
      {"5", "FO2GWG95", {opx, ol, gar}, false, garnetOlivineOpx},
      {"6", "FO2DhC12", {cpx}, false, clinopyroxene},
      {"6", "FO2DhC12", {omphacite}, true, clinopyroxene},  // outside the window
      {"7", "FO2DhE12", {opx}, false, orthopyroxene},
      {"8", "FO2DhG12", {gar}, false, garnet},
      {"9", "aSiO2T98", {ol}, false, silicaActivity},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("oxybarometer " + c.number + ", " + std::to_string(c.minerals.size()) +
                 " minerals");
    const RefAssociation a = worked(c.minerals);
    const Expect e = c.expect(a);
    // Every association except the one without an oxybarometer reaches its equation.
    EXPECT_EQ(e.fO2 == 0, c.number == "0") << e.fO2;
    ProgramRun run =
        runProgram(answers(c.number, c.cations), {{"rocks.txt", analysisFile(c.minerals)}});
    ASSERT_EQ(run.status, 0) << run.err;

    // Oxybarometer 4 prints m on a line of its own before the result line.
    const bool extraLine = c.expect == olivineIlmenite;
    const std::vector<std::string> lines = resultLines(run);
    ASSERT_EQ(lines.size(), extraLine ? 3u : 2u) << run.out;
    EXPECT_EQ(lines.back(), "Kolvex");
    if (extraLine) {
      std::size_t used = 0;
      const double m = std::stod(lines[0], &used);
      EXPECT_EQ(lines[0].find_first_not_of(' ', used), std::string::npos) << lines[0];
      const double xFeOl = e.columns.at(0).second;
      EXPECT_NEAR(m, oxyref::opxMgFraction(kT, kP, xFeOl), 1e-5);
    }
    const std::optional<ResultLine> line = parseResultLine(lines[lines.size() - 2]);
    ASSERT_TRUE(line) << lines[lines.size() - 2];
    EXPECT_EQ(line->name, "S1     ");
    EXPECT_EQ(line->thermometerLabel, "Fixed ToC       ");
    EXPECT_EQ(line->temperature, "1300.");
    EXPECT_EQ(line->barometerLabel, "Fixed Pressure  ");
    EXPECT_EQ(line->pressure, "30.0");
    EXPECT_EQ(line->ferricTag, "all FE2+");

    const std::vector<std::vector<std::string>> rows = fileRows(run);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at(kTagCell), tagCell(c.tag));
    const std::vector<std::string>& row = rows[1];
    ASSERT_EQ(row.size(), 68u);
    EXPECT_EQ(row[65], "1300.0");
    EXPECT_EQ(row[66], "  30.0");
    if (e.fO2 == 2000) {
      EXPECT_EQ(line->fO2, "*****");
      EXPECT_EQ(row[kFO2Cell], "******");
    } else {
      ASSERT_TRUE(std::isfinite(e.fO2));
      ASSERT_TRUE(fieldValue(line->fO2)) << line->fO2;
      EXPECT_NEAR(*fieldValue(line->fO2), e.fO2, 0.0055) << "expected " << e.fO2;
      EXPECT_NEAR(std::stod(row[kFO2Cell]), e.fO2, 0.00055) << "expected " << e.fO2;
    }
    for (const auto& [column, value] : e.columns) {
      EXPECT_NEAR(std::stod(row[column]), value, 0.00055) << "column " << column;
    }
  }
}

TEST(E2eOxybarometers, MagnesianIlmeniteEndsTheCombination) {
  // 16 wt% MgO in the ilmenite: the combination fails before m is printed.
  const Oxides ilmenite = {0.05, 50.5, 0.5, 1.0, 31.0, 0.3, 16.0, 0, 0, 0, 0.1, 0};
  ProgramRun run = runProgram(answers("4", false),
                              {{"rocks.txt", analysisFile({{kOl, kOlivine}, {kIlm, ilmenite}})}});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = resultLines(run);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0], "S1      Not complete association");
  const std::vector<std::vector<std::string>> rows = fileRows(run);
  ASSERT_EQ(rows.size(), 2u);
  ASSERT_EQ(rows[1].size(), 68u);
  EXPECT_EQ(rows[1][kFO2Cell], "******");
  EXPECT_EQ(rows[1][65], "2000.0");
  EXPECT_EQ(rows[1][66], "2000.0");
}

}  // namespace
}  // namespace mantlept::e2e
