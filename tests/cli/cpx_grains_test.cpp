// This test computes in double precision.
// Concentrate clinopyroxenes in `mantlept grains`: their rows against calc's
// pair 48,44, the screening on both sides of each limit, the geotherm fitted
// to the kept grains against `geotherm` run on those rows, and one table of
// both minerals against the same grains in two files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/child_run.hpp"
#include "grains/clinopyroxene.hpp"
#include "minerals/formula.hpp"

namespace mantlept::e2e {
namespace {

const std::string kCpxColumns =
    "SiO2_Cpx,TiO2_Cpx,Al2O3_Cpx,Cr2O3_Cpx,FeOt_Cpx,MnO_Cpx,MgO_Cpx,CaO_Cpx,Na2O_Cpx,K2O_Cpx,"
    "NiO_Cpx";
const std::string kGtColumns =
    "SiO2_Gt,TiO2_Gt,Al2O3_Gt,Cr2O3_Gt,FeOt_Gt,MnO_Gt,MgO_Gt,CaO_Gt,Na2O_Gt,Ni_Gt";

// Made-up Cr-diopsides (C1-C6 pass the screen; C7 Cr2O3 5.6, C8 little
// Cr-Tschermak, C9 short of M1 + M2 cations) and garnets.
const std::vector<std::pair<std::string, std::string>> kCpx = {
    {"C1", "53.09,0.19,2.85,2.84,1.85,0.09,17.62,18.85,2.23,0.03,0.04"},
    {"C2", "54.73,0.25,2.63,2.59,1.92,0.09,18.15,16.74,2.55,0.03,0.04"},
    {"C3", "53.63,0.25,2.58,2.90,1.86,0.09,16.60,19.96,1.77,0.03,0.04"},
    {"C4", "54.18,0.19,3.05,2.05,2.95,0.09,15.87,19.03,2.23,0.03,0.04"},
    {"C5", "55.11,0.20,1.82,2.70,1.90,0.09,18.00,17.77,2.05,0.03,0.04"},
    {"C6", "53.93,0.18,2.11,2.61,2.16,0.09,15.78,21.31,1.46,0.03,0.04"},
    {"C7", "53.60,0.10,1.20,5.60,2.40,0.09,16.40,19.00,1.60,0.03,0.04"},
    {"C8", "54.60,0.20,3.00,0.45,2.90,0.09,16.60,19.30,2.10,0.03,0.04"},
    {"C9", "57.90,0.10,1.60,1.20,2.50,0.09,15.00,18.20,1.50,0.03,0.04"},
};
const std::vector<std::pair<std::string, std::string>> kGarnets = {
    {"G1", "41.56,0.53,20.47,3.71,7.64,0.40,19.02,5.83,0.04,44.4"},
    {"G2", "41.06,0.15,17.72,6.98,7.98,0.41,19.94,5.92,0.03,53.8"},
    {"G3", "41.52,0.56,20.36,3.94,7.03,0.32,19.23,4.20,0.04,26.0"},
};

std::string blanks(const std::string& columns) {
  return std::string(static_cast<std::size_t>(std::count(columns.begin(), columns.end(), ',')) + 1,
                     ',');
}

// Both minerals in one wide table, cpx and garnet rows interleaved.
std::string oneTable() {
  std::string t = "Sample," + kCpxColumns + "," + kGtColumns + "\n";
  for (std::size_t i = 0; i < kCpx.size(); ++i) {
    t += kCpx[i].first + "," + kCpx[i].second + blanks(kGtColumns) + "\n";
    if (i < kGarnets.size())
      t += kGarnets[i].first + blanks(kCpxColumns) + "," + kGarnets[i].second + "\n";
  }
  return t;
}

std::string cpxTable() {
  std::string t = "Sample," + kCpxColumns + "\n";
  for (const auto& [name, cells] : kCpx) t += name + "," + cells + "\n";
  return t;
}

std::string garnetTable() {
  std::string t = "Sample," + kGtColumns + "\n";
  for (const auto& [name, cells] : kGarnets) t += name + "," + cells + "\n";
  return t;
}

std::vector<std::string> split(const std::string& line, char sep = ',') {
  std::vector<std::string> cells;
  std::stringstream s(line);
  for (std::string cell; std::getline(s, cell, sep);) cells.push_back(cell);
  if (!line.empty() && line.back() == sep) cells.push_back("");
  return cells;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

// The rows of a CSV text by their first cell, as cells by column name.
std::map<std::string, std::map<std::string, std::string>> rowsByName(const std::string& text) {
  std::vector<std::string> all = lines(text);
  std::vector<std::string> header = split(all.at(0));
  std::map<std::string, std::map<std::string, std::string>> rows;
  for (std::size_t i = 1; i < all.size(); ++i) {
    std::vector<std::string> cells = split(all[i]);
    for (std::size_t k = 0; k < header.size() && k < cells.size(); ++k)
      rows[cells[0]][header[k]] = cells[k];
  }
  return rows;
}

// `key: value` lines of a summary.
std::map<std::string, std::string> summary(const std::string& text) {
  std::map<std::string, std::string> keys;
  for (const std::string& line : lines(text)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    keys[line.substr(0, colon)] = colon + 2 <= line.size() ? line.substr(colon + 2) : "";
  }
  return keys;
}

TEST(CpxGrains, RowsAreThoseOfCalcWithPair48And44AndTheScreenFollows) {
  ProgramRun grains = runCommand({"grains", "c.csv", "--cpx-out", "cpx.csv"}, {{"c.csv", cpxTable()}});
  ASSERT_EQ(grains.status, 0) << grains.err;
  ProgramRun calc = runCommand({"calc", "c.csv", "-p", "48,44"}, {{"c.csv", cpxTable()}});
  ASSERT_EQ(calc.status, 0) << calc.err;
  const auto cpx = rowsByName(grains.file("cpx.csv"));
  const auto tidy = rowsByName(calc.out);
  EXPECT_EQ(lines(grains.file("cpx.csv")).at(0),
            "sample,T_C,P_kbar,depth_km,a_CaCrTs,t_site,m_sites,Cr2O3,status,passes,screen");
  ASSERT_EQ(cpx.size(), kCpx.size());
  for (const auto& [name, cells] : kCpx) {
    SCOPED_TRACE(name);
    const auto& c = cpx.at(name);
    const auto& t = tidy.at(name);
    EXPECT_EQ(c.at("T_C"), t.at("T_C"));
    EXPECT_EQ(c.at("P_kbar"), t.at("P_kbar"));
    EXPECT_EQ(c.at("status"), t.at("status"));
    EXPECT_EQ(c.at("passes"), t.at("passes"));
    // Depth of the pressure: 39 km of crust at 2.85 g/cm3, then mantle at
    // 3.34 g/cm3 (g = 10 m/s2).
    const double P_GPa = std::stod(c.at("P_kbar")) / 10.0;
    const double moho = 2850.0 * 10.0 * 39000.0 * 1e-9;
    const double depth = 39.0 + (P_GPa - moho) / (3340.0 * 10.0 * 1e-6);
    EXPECT_NEAR(std::stod(c.at("depth_km")), depth, 0.006);
  }
  EXPECT_EQ(cpx.at("C1").at("screen"), "");
  EXPECT_EQ(cpx.at("C7").at("screen"), "Cr2O3");
  EXPECT_EQ(cpx.at("C8").at("screen"), "a_CaCrTs");
  EXPECT_EQ(cpx.at("C9").at("screen"), "m_sites");
  const auto s = summary(grains.out);
  EXPECT_EQ(s.at("n_cpx"), "9");
  EXPECT_EQ(s.at("n_cpx_kept"), "6");
  EXPECT_EQ(s.at("n_grains"), "0");
  EXPECT_EQ(s.at("q0_lo"), "");
  EXPECT_NE(grains.err.find("3 clinopyroxenes of 9 screened out"), std::string::npos);
}

TEST(CpxGrains, ScreenOnBothSidesOfEachLimit) {
  using namespace grains;
  struct Case {
    float aCaCrTs, tSite, mSites, Cr2O3;
    unsigned failed;
  };
  const Case cases[] = {
      {0.003f, 1.9901f, 1.9901f, 4.99f, 0},
      {0.0029999f, 1.9901f, 1.9901f, 4.99f, kCaCrTsLow},
      {0.02f, 1.990f, 2.0f, 1.0f, kTSiteLow},
      {0.02f, 2.0f, 1.990f, 1.0f, kMSitesLow},
      {0.02f, 2.0f, 2.0f, 5.0f, kCr2O3High},
      {-0.01f, 1.9f, 1.8f, 7.0f, kCaCrTsLow | kTSiteLow | kMSitesLow | kCr2O3High},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cpxScreen(c.aCaCrTs, c.tSite, c.mSites, c.Cr2O3), c.failed) << c.aCaCrTs;

  // The screened values of a grain from its formula on 6 oxygens, worked in
  // double: C8's clinopyroxene.
  Association a;
  a.present[Cpx] = true;
  const float ox[] = {54.6f, 0.2f, 3.0f, 0.45f, 2.9f, 0.09f, 16.6f, 19.3f, 2.1f, 0.03f, 0.04f};
  for (int k = 0; k < 11; ++k) a.ox[Cpx][k] = ox[k];
  a.sample = "C8";
  const CpxGrain g = evaluateCpxGrain(a, cpxSettings());
  const CationFormula f = recalculate(a.ox[Cpx], 2, false).cat;
  double c[CationFormula::kCount];
  for (int k = 0; k < CationFormula::kCount; ++k) c[k] = f[k];
  const double si = c[0], al = c[2], cr = c[3], nak = c[8] + c[9];
  EXPECT_NEAR(g.aCaCrTs, cr - 0.81 * cr / (cr + al) * nak, 1e-6);
  const double alIV = std::min(std::max(2.0 - si, 0.0), al);
  EXPECT_NEAR(g.tSite, si + alIV, 1e-6);
  double all = 0.0;  // Si .. Ni and Fe3+
  for (int k = 0; k < 12; ++k) all += c[k];
  EXPECT_NEAR(g.mSites, all - si - alIV, 1e-5);
  EXPECT_EQ(g.failed, kCaCrTsLow);
  EXPECT_FALSE(g.kept());
}

TEST(CpxGrains, FitIsGeothermRunOnTheKeptRows) {
  struct Errors {
    std::vector<std::string> options;
  };
  for (const Errors& e : {Errors{{}}, Errors{{"--sigma-T", "35", "--sigma-P", "2.2"}}}) {
    std::vector<std::string> args = {"grains", "c.csv", "--fit-cpx", "--cpx-out", "cpx.csv"};
    args.insert(args.end(), e.options.begin(), e.options.end());
    ProgramRun grains = runCommand(args, {{"c.csv", oneTable()}});
    ASSERT_EQ(grains.status, 0) << grains.err;
    // The kept rows written out: status ok, nothing failed.
    std::vector<std::string> rows = lines(grains.file("cpx.csv"));
    std::string kept = rows.at(0) + "\n";
    int n = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      std::vector<std::string> cells = split(rows[i]);
      if (cells.at(8) == "ok" && cells.at(10).empty()) {
        kept += rows[i] + "\n";
        ++n;
      }
    }
    EXPECT_EQ(n, 6);
    std::vector<std::string> fit = {"geotherm", "kept.csv"};
    fit.insert(fit.end(), e.options.begin(), e.options.end());
    ProgramRun geotherm = runCommand(fit, {{"kept.csv", kept}});
    ASSERT_EQ(geotherm.status, 0) << geotherm.err;
    const auto g = summary(grains.out), f = summary(geotherm.out);
    for (const char* key : {"q0", "q0_lo", "q0_hi", "chi2", "reduced_chi2", "lab_depth_km",
                            "dg_depth_km"}) {
      EXPECT_EQ(g.at(key), f.at(key)) << key;
      EXPECT_FALSE(g.at(key).empty()) << key;
    }
    EXPECT_EQ(g.at("n_cpx_kept"), f.at("n_points"));
    EXPECT_EQ(g.at("n_projected"), "3");  // the garnets, on the fitted geotherm
  }
}

TEST(CpxGrains, OneTableAndTwoFilesGiveTheSameOutputs) {
  const std::vector<std::string> outputs = {"--fit-cpx", "--cpx-out", "cpx.csv", "-o", "gt.csv",
                                            "--sections", "bins.csv", "--format", "json"};
  std::vector<std::string> one = {"grains", "both.csv"}, two = {"grains", "cpx.in", "gt.in"};
  one.insert(one.end(), outputs.begin(), outputs.end());
  two.insert(two.end(), outputs.begin(), outputs.end());
  ProgramRun a = runCommand(one, {{"both.csv", oneTable()}});
  ProgramRun b = runCommand(two, {{"cpx.in", cpxTable()}, {"gt.in", garnetTable()}});
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out.find("\"n_cpx\": 9, \"n_cpx_kept\": 6"), std::string::npos) << a.out;
  for (const char* file : {"cpx.csv", "gt.csv", "bins.csv"}) {
    EXPECT_EQ(a.file(file), b.file(file)) << file;
    EXPECT_GT(lines(a.file(file)).size(), 3u) << file;
  }
}

// A concentrate large enough that the garnets waiting for the fit are
// projected in several pieces and the fit's scan is shared among threads:
// every thread count gives the same bytes.
TEST(CpxGrains, EveryThreadCountGivesTheSameOutputs) {
  std::string big = "Sample," + kCpxColumns + "," + kGtColumns + "\n";
  for (int copy = 0; copy < 1000; ++copy) {
    const std::string suffix = "_" + std::to_string(copy);
    for (const auto& [name, cells] : kCpx)
      big += name + suffix + "," + cells + blanks(kGtColumns) + "\n";
    for (const auto& [name, cells] : kGarnets)
      big += name + suffix + blanks(kCpxColumns) + "," + cells + "\n";
  }
  auto run = [&](const char* threads) {
    return runCommand({"grains", "big.csv", "--fit-cpx", "--cpx-out", "cpx.csv", "-o", "gt.csv",
                       "--sections", "bins.csv", "--threads", threads},
                      {{"big.csv", big}});
  };
  ProgramRun one = run("1"), three = run("3");
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(three.status, 0) << three.err;
  EXPECT_EQ(one.out, three.out);
  EXPECT_EQ(summary(one.out)["n_cpx_kept"], "6000");
  for (const char* file : {"cpx.csv", "gt.csv", "bins.csv"})
    EXPECT_EQ(one.file(file), three.file(file)) << file;
  // The garnets in input order, each with its depth on the fitted geotherm.
  const std::vector<std::string> garnets = lines(one.file("gt.csv"));
  ASSERT_EQ(garnets.size(), 3001u);
  EXPECT_EQ(split(garnets[3000])[0], "G3_999");
  EXPECT_FALSE(rowsByName(one.file("gt.csv"))["G2_500"]["depth_km"].empty());
}

TEST(CpxGrains, UsageAndFitFaultsLeaveNoFile) {
  const std::string oneKept = "Sample," + kCpxColumns + "\n" + kCpx[0].first + "," +
                              kCpx[0].second + "\n" + kCpx[6].first + "," + kCpx[6].second + "\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{"grains", "c.csv", "--fit-cpx", "--q0", "40", "--cpx-out", "o.csv"}, 2, "excludes"},
      {{"grains", "c.csv", "--fit-cpx", "--fit", "c.csv", "--cpx-out", "o.csv"}, 2, "excludes"},
      {{"grains", "c.csv", "--pt-svg", "o.svg", "--q0", "40"}, 2, "add --fit-cpx"},
      {{"grains", "c.csv", "--sigma-T", "30", "--cpx-out", "o.csv"}, 2, "--fit-cpx"},
      {{"grains", "c.csv", "--fit-cpx", "--sigma-P", "0", "--cpx-out", "o.csv"}, 1,
       "--sigma-P is not above 0"},
      {{"grains", "one.csv", "--fit-cpx", "--cpx-out", "o.csv", "--pt-svg", "o.svg"}, 1,
       "the kept clinopyroxene grains: fewer than 2 usable points (1)"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runCommand(c.args, {{"c.csv", cpxTable()}, {"one.csv", oneKept}});
    EXPECT_EQ(run.status, c.status) << c.args[2] << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args[2] << "\n" << run.err;
    EXPECT_FALSE(run.exists("o.csv")) << c.args[2];
    EXPECT_FALSE(run.exists("o.svg")) << c.args[2];
  }
}

TEST(CpxGrains, PTDiagramShowsKeptAndScreenedGrains) {
  ProgramRun run = runCommand({"grains", "c.csv", "--fit-cpx", "--pt-svg", "pt.svg"},
                              {{"c.csv", cpxTable()}});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string svg = run.file("pt.svg");
  // Six kept grains with their error bars; the three screened out solved
  // grains as grey dots.
  std::size_t kept = 0, grey = 0;
  for (std::size_t at = 0; (at = svg.find("<title>C", at)) != std::string::npos; ++at) ++kept;
  const std::size_t group = svg.find("class=\"left-out\"");
  ASSERT_NE(group, std::string::npos);
  const std::string leftOut = svg.substr(group, svg.find("</g>", group) - group);
  for (std::size_t at = 0; (at = leftOut.find("<circle", at)) != std::string::npos; ++at) ++grey;
  EXPECT_EQ(kept, 6u);
  EXPECT_EQ(grey, 3u);
  EXPECT_NE(svg.find("3 left out of the fit"), std::string::npos);
  EXPECT_NE(svg.find("class=\"interval\""), std::string::npos);
}

}  // namespace
}  // namespace mantlept::e2e
