// The formula command end to end: formulae of published minerals worked in
// double precision, the three ferric rules, the site table, and bad input.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>

#include "e2e/program_run.hpp"

namespace mantlept::e2e {
namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream s(line);
  for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

// The rows of a CSV text as maps from header name to cell.
std::vector<std::map<std::string, std::string>> table(const std::string& text) {
  std::stringstream s(text);
  std::string line;
  std::getline(s, line);
  const std::vector<std::string> header = split(line);
  std::vector<std::map<std::string, std::string>> rows;
  while (std::getline(s, line)) {
    const std::vector<std::string> cells = split(line);
    EXPECT_EQ(cells.size(), header.size()) << line;
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i) row[header[i]] = cells[i];
    rows.push_back(row);
  }
  return rows;
}

double number(const std::map<std::string, std::string>& row, const std::string& name) {
  auto it = row.find(name);
  if (it == row.end() || it->second.empty()) {
    ADD_FAILURE() << "no value for " << name;
    return NAN;
  }
  return std::stod(it->second);
}

constexpr std::array<const char*, 12> kOxides = {"SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO",
                                                 "MgO",  "CaO",  "Na2O",  "K2O",   "NiO", "Fe2O3"};
constexpr std::array<double, 12> kWeight = {60.0848, 79.899, 101.961, 151.9902, 71.846, 70.9374,
                                            40.311,  56.0794, 61.979, 94.2,     74.71,  159.692};
constexpr std::array<double, 12> kOxygens = {2, 2, 3, 3, 1, 1, 1, 1, 1, 1, 1, 3};
constexpr std::array<double, 12> kCations = {1, 1, 2, 2, 1, 1, 1, 1, 2, 2, 1, 2};
constexpr std::array<const char*, 12> kElements = {"Si", "Ti", "Al", "Cr", "Fe2", "Mn",
                                                   "Mg", "Ca", "Na", "K",  "Ni",  "Fe3"};

// Cations per formula unit on `oxygens`, worked in double.
std::map<std::string, double> cationsOn(const std::array<double, 12>& wt, double oxygens) {
  double o = 0;
  for (int k = 0; k < 12; ++k) o += wt[k] / kWeight[k] * kOxygens[k];
  std::map<std::string, double> c;
  double sum = 0;
  for (int k = 0; k < 12; ++k) {
    c[kElements[k]] = wt[k] / kWeight[k] * kCations[k] * oxygens / o;
    sum += c[kElements[k]];
  }
  c["cations"] = sum;
  return c;
}

// Tappe et al. (2021), garnet peridotite CIM15-001: clinopyroxene and garnet
// (wt%, total iron as FeO).
constexpr std::array<double, 12> kCpx = {55.01, 0.57, 2.36, 1.12, 3.48, 0.12,
                                         19.7,  15.64, 1.9, 0,    0.08, 0};
constexpr std::array<double, 12> kGarnet = {42.17, 1.34, 19.94, 3.02, 6.71, 0.26,
                                            22.05, 4.78, 0.12,  0,    0.01, 0};

std::string wideTable() {
  std::string header = "sample", row = "CIM15-001";
  for (const char* mineral : {"Cpx", "Gt"}) {
    const auto& wt = std::string(mineral) == "Cpx" ? kCpx : kGarnet;
    for (int k = 0; k < 11; ++k) {
      header += std::string(",") + kOxides[k] + "_" + mineral;
      std::ostringstream v;
      v << wt[k];
      row += "," + v.str();
    }
  }
  return header + "\n" + row + "\n";
}

TEST(Formula, PublishedClinopyroxeneAndGarnetOnSixAndTwelveOxygens) {
  ProgramRun run = runCommand({"formula", "t.csv", "-o", "f.csv"}, {{"t.csv", wideTable()}});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = table(run.file("f.csv"));
  ASSERT_EQ(rows.size(), 2u);
  struct Expected {
    const char* mineral;
    const std::array<double, 12>* wt;
    double oxygens;
  };
  const Expected minerals[] = {{"Cpx", &kCpx, 6}, {"Gt", &kGarnet, 12}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& row = rows[i];
    const Expected& e = minerals[i];
    SCOPED_TRACE(e.mineral);
    EXPECT_EQ(row.at("sample"), "CIM15-001");
    EXPECT_EQ(row.at("mineral"), e.mineral);
    EXPECT_EQ(number(row, "oxygens"), e.oxygens);
    double total = 0;
    for (int k = 0; k < 12; ++k) {
      EXPECT_NEAR(number(row, kOxides[k]), (*e.wt)[k], 1e-5) << kOxides[k];
      total += (*e.wt)[k];
    }
    EXPECT_NEAR(number(row, "total"), total, 1e-4);
    std::map<std::string, double> c = cationsOn(*e.wt, e.oxygens);
    for (const auto& [name, value] : c) EXPECT_NEAR(number(row, name), value, 2e-6 * std::max(1.0, value)) << name;
    EXPECT_NEAR(number(row, "Mg_number"), c["Mg"] / (c["Mg"] + c["Fe2"]), 1e-6);
    EXPECT_NEAR(number(row, "Cr_number"), c["Cr"] / (c["Cr"] + c["Al"]), 1e-6);
  }
  // Clinopyroxene: the quadrilateral after Morimoto (1988) and aluminium by site.
  std::map<std::string, double> cpx = cationsOn(kCpx, 6);
  const double quad = cpx["Ca"] + cpx["Mg"] + cpx["Fe2"] + cpx["Fe3"] + cpx["Mn"];
  EXPECT_NEAR(number(rows[0], "Wo"), cpx["Ca"] / quad, 1e-6);
  EXPECT_NEAR(number(rows[0], "En"), cpx["Mg"] / quad, 1e-6);
  EXPECT_NEAR(number(rows[0], "Fs"), (cpx["Fe2"] + cpx["Fe3"] + cpx["Mn"]) / quad, 1e-6);
  EXPECT_NEAR(number(rows[0], "Al_IV"), 2 - cpx["Si"], 2e-6);
  EXPECT_NEAR(number(rows[0], "Al_VI"), cpx["Al"] - (2 - cpx["Si"]), 2e-6);
  for (const char* garnetOnly : {"Prp", "Alm", "Grs", "Sps", "Fo", "Gk"})
    EXPECT_EQ(rows[0].at(garnetOnly), "") << garnetOnly;
  // Garnet: the divalent end-members.
  std::map<std::string, double> gt = cationsOn(kGarnet, 12);
  const double x = gt["Mg"] + gt["Fe2"] + gt["Ca"] + gt["Mn"];
  EXPECT_NEAR(number(rows[1], "Prp"), gt["Mg"] / x, 1e-6);
  EXPECT_NEAR(number(rows[1], "Alm"), gt["Fe2"] / x, 1e-6);
  EXPECT_NEAR(number(rows[1], "Grs"), gt["Ca"] / x, 1e-6);
  EXPECT_NEAR(number(rows[1], "Sps"), gt["Mn"] / x, 1e-6);
  EXPECT_EQ(rows[1].at("Wo"), "");
  // Every number the shortest text of a float, not 17 digits of a double.
  for (const auto& [name, cell] : rows[1]) {
    if (cell.empty() || name == "sample" || name == "mineral") continue;
    const std::string digits = cell.substr(0, cell.find_first_of("eE"));
    const std::size_t first = digits.find_first_of("123456789");
    std::size_t significant = 0;
    for (std::size_t i = first; first != std::string::npos && i < digits.size(); ++i)
      significant += digits[i] >= '0' && digits[i] <= '9';
    EXPECT_LE(significant, 9u) << name << "=" << cell;
  }
}

// A clinopyroxene made of diopside 70, hedenbergite 10 and aegirine 20 mol%,
// its iron reported as FeO: Fe3+/Fe = 2/3.
std::string aegirineCpx() {
  // Moles per formula unit: SiO2 2, MgO 0.7, CaO 0.8, Na2O 0.1, FeO 0.1 + Fe2O3 0.1.
  const double moles[12] = {2, 0, 0, 0, 0.3, 0, 0.7, 0.8, 0.1, 0, 0, 0};
  std::string header = "sample", row = "AE20";
  for (int k = 0; k < 11; ++k) {
    std::ostringstream v;
    v.precision(10);
    v << moles[k] * kWeight[k] / 2.3;  // any scale: the formula is a ratio
    header += std::string(",") + kOxides[k] + "_Cpx";
    row += "," + v.str();
  }
  return header + "\n" + row + "\n";
}

TEST(Formula, TheThreeFerricRulesOnAClinopyroxeneOfKnownFerricIron) {
  struct Case {
    std::vector<std::string> ferric;
    double fe3;  // per 6 oxygens
  };
  const Case cases[] = {
      {{}, 0.0},
      {{"--ferric", "none"}, 0.0},
      {{"--ferric", "charge-balance"}, 0.2},
      {{"--ferric", "dialogue"}, 0.1},  // one per missing oxygen: half of it
      {{"--ferric"}, 0.1},              // bare: the dialogue's
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"formula", "ae.csv"};
    args.insert(args.end(), c.ferric.begin(), c.ferric.end());
    ProgramRun run = runCommand(args, {{"ae.csv", aegirineCpx()}});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto rows = table(run.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NEAR(number(rows[0], "Fe3"), c.fe3, 2e-3) << c.ferric.size();
    if (c.fe3 == 0.2) {
      EXPECT_NEAR(number(rows[0], "Fe3") / (number(rows[0], "Fe3") + number(rows[0], "Fe2")),
                  2.0 / 3.0, 1e-4);
      EXPECT_NEAR(number(rows[0], "cations"), 4.0, 1e-4);
    }
  }
}

std::string example(const std::string& name) {
  return readAll(std::string(MANTLEPT_SOURCE_DIR) + "/examples/" + name);
}

TEST(Formula, CalcFerricDialogueIsTheBareFerricByteForByte) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"xenoliths.txt", example("xenoliths.txt")}};
  const std::vector<std::string> pairs = {"-p", "0705", "-p", "25,5", "-p", "2113", "-x", "5",
                                          "-n", "10"};
  auto calc = [&](std::vector<std::string> before, std::vector<std::string> after) {
    std::vector<std::string> args = {"calc"};
    args.insert(args.end(), before.begin(), before.end());
    args.push_back("xenoliths.txt");
    args.insert(args.end(), pairs.begin(), pairs.end());
    args.insert(args.end(), after.begin(), after.end());
    args.insert(args.end(), {"--legacy", "legacy.csv", "-o", "tidy.csv"});
    return runCommand(args, files);
  };
  ProgramRun bare = calc({}, {"--ferric"});
  ASSERT_EQ(bare.status, 0) << bare.err;
  ProgramRun off = calc({}, {});
  ASSERT_NE(bare.file("tidy.csv"), off.file("tidy.csv"));  // the estimate changes results
  for (const auto& [before, after] :
       std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>>{
           {{}, {"--ferric", "dialogue"}},
           {{}, {"--ferric=dialogue"}},
           {{"--ferric"}, {}},  // bare before the analyses: still a flag, not their name
       }) {
    ProgramRun named = calc(before, after);
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.file("tidy.csv"), bare.file("tidy.csv"));
    EXPECT_EQ(named.file("legacy.csv"), bare.file("legacy.csv"));
  }
  ProgramRun none = calc({}, {"--ferric", "none"});
  EXPECT_EQ(none.file("tidy.csv"), off.file("tidy.csv"));
  EXPECT_EQ(none.file("legacy.csv"), off.file("legacy.csv"));
}

TEST(Formula, FerricUsageErrors) {
  const std::vector<std::pair<std::string, std::string>> files = {{"ae.csv", aegirineCpx()}};
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"calc", "ae.csv", "-p", "7,5", "--ferric", "charge-balance", "--legacy", "l.csv"},
       "--legacy"},
      {{"formula", "ae.csv", "--ferric=droop"}, "--ferric"},
      {{"formula", "ae.csv", "--ferric", "droop"}, "--ferric"},  // no file of that name
      {{"formula", "ae.csv", "-o", "ae.csv"}, "analysis file"},
      {{"formula", "ae.csv", "-o", "x.csv", "--sites", "x.csv"}, "one file"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runCommand(c.args, files);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(run.exists("l.csv") || run.exists("x.csv"));
  }
}

TEST(Formula, SiteTableHasEveryParameterAndLeavesAbsentMineralsEmpty) {
  ProgramRun run = runCommand({"formula", "t.csv", "-o", "f.csv", "--sites", "s.csv"},
                              {{"t.csv", wideTable()}});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = table(run.file("s.csv"));
  ASSERT_EQ(rows.size(), 1u);
  const auto& r = rows[0];
  EXPECT_EQ(r.size(), 44u);  // sample and 43 parameters
  EXPECT_EQ(r.at("sample"), "CIM15-001");
  // Clinopyroxene and garnet present; orthopyroxene, olivine, spinel not.
  for (const char* empty : {"XMg_Opx", "AlM1_Opx", "XFe_Ol", "CrNo_Sp"}) EXPECT_EQ(r.at(empty), "") << empty;
  std::map<std::string, double> cpx = cationsOn(kCpx, 6), gt = cationsOn(kGarnet, 12);
  EXPECT_NEAR(number(r, "XMg_Cpx"), cpx["Mg"] / (cpx["Mg"] + cpx["Fe2"]), 1e-6);
  EXPECT_NEAR(number(r, "XCa_Cpx"), cpx["Ca"] / (1 - cpx["Na"]), 1e-6);
  const double x = gt["Mg"] + gt["Fe2"] + gt["Ca"] + gt["Mn"];
  EXPECT_NEAR(number(r, "XCa_Gar"), gt["Ca"] / x, 1e-6);
  EXPECT_NEAR(number(r, "XCr_Gar"), gt["Cr"] / (gt["Cr"] + gt["Al"]), 1e-6);
}

TEST(Formula, ThreadsDoNotChangeTheBytes) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"x.csv", example("xenoliths.csv")}};
  auto run = [&](const char* threads) {
    return runCommand({"formula", "x.csv", "--ferric", "charge-balance", "--sites", "s.csv",
                       "--threads", threads},
                      files);
  };
  ProgramRun one = run("1"), three = run("3");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_GT(table(one.out).size(), 10u);
  EXPECT_EQ(three.out, one.out);
  EXPECT_EQ(three.file("s.csv"), one.file("s.csv"));
}

TEST(Formula, ADataErrorNamesItsPlaceAndLeavesNoOutput) {
  std::string bad = wideTable();
  bad.replace(bad.find("55.01"), 5, "5x.01");
  ProgramRun run = runCommand({"formula", "t.csv", "-o", "f.csv", "--sites", "s.csv"},
                              {{"t.csv", bad}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("t.csv"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("SiO2_Cpx"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("row 2"), std::string::npos) << run.err;
  EXPECT_FALSE(run.exists("f.csv"));
  EXPECT_FALSE(run.exists("s.csv"));

  // An existing file is replaced only with --force.
  const std::vector<std::pair<std::string, std::string>> files = {{"t.csv", wideTable()},
                                                                  {"f.csv", "keep\n"}};
  ProgramRun kept = runCommand({"formula", "t.csv", "-o", "f.csv"}, files);
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(kept.file("f.csv"), "keep\n");
  ProgramRun forced = runCommand({"formula", "t.csv", "-o", "f.csv", "--force"}, files);
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(table(forced.file("f.csv")).size(), 2u);
}

}  // namespace
}  // namespace mantlept::e2e
