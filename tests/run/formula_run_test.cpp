// The formula run inside the engine: the site table of a sample against the
// store the methods receive, and the site parameters `methods N` names
// against what each method's result depends on.
#include "run/formula_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/terminal.hpp"
#include "methods/barometers/barometers.hpp"
#include "methods/method_needs.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/site_reads.hpp"
#include "methods/thermometers/thermometers.hpp"
#include "minerals/site_parameters.hpp"
#include "report/formula_table.hpp"
#include "solver/engine.hpp"

namespace mantlept {
namespace {

// A garnet lherzolite's pyroxenes, olivine and garnet with a spinel and an
// ilmenite of other samples, so that every mineral's parameters have values.
Association everyMineral() {
  Association a;
  a.clear();
  a.sample = "KX-101";
  const std::vector<std::pair<Slot, OxideValues>> analyses = {
      {Opx, {57.52f, 0.10f, 0.82f, 0.36f, 4.92f, 0.12f, 34.61f, 0.95f, 0.21f, 0.0f, 0.12f, 0.0f}},
      {Cpx, {54.85f, 0.26f, 2.21f, 1.52f, 2.81f, 0.09f, 17.42f, 18.63f, 1.93f, 0.0f, 0.05f, 0.0f}},
      {Ol, {40.93f, 0.0f, 0.02f, 0.03f, 8.31f, 0.11f, 50.24f, 0.06f, 0.0f, 0.0f, 0.38f, 0.0f}},
      {Sp, {0.05f, 0.10f, 54.02f, 13.51f, 10.52f, 0.11f, 20.63f, 0.0f, 0.0f, 0.0f, 0.35f, 0.0f}},
      {Gar, {42.05f, 0.31f, 20.52f, 4.33f, 6.92f, 0.33f, 20.91f, 5.02f, 0.05f, 0.0f, 0.01f, 0.0f}},
      {Ilm, {0.10f, 50.50f, 0.62f, 1.21f, 34.02f, 0.31f, 11.52f, 0.02f, 0.0f, 0.0f, 0.0f, 0.0f}},
  };
  for (const auto& [slot, ox] : analyses) {
    a.ox[static_cast<std::size_t>(slot)] = ox;
    a.present[static_cast<std::size_t>(slot)] = true;
  }
  return a;
}

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream s(line.substr(0, line.find('\n')));
  for (std::string cell; std::getline(s, cell, ',');) out.push_back(cell);
  if (!line.empty() && line[line.find('\n') - 1] == ',') out.emplace_back();
  return out;
}

TEST(FormulaRun, SiteRowIsTheStoreTheMethodsReceive) {
  for (int ferric : {kFerricNone, kFerricDialogue, kFerricChargeBalance}) {
    SCOPED_TRACE(ferric);
    const Association a = everyMineral();
    FormulaSample sample;
    FormulaRun(ferric, true).evaluate(a, sample);
    // The store calc evaluates every pair on.
    RunSettings settings;
    settings.ferricOption = ferric;
    RunState s;
    prepareSample(s, a, settings);
    const SiteParameters& p = s.site;
    // Each column by its own name, written out here rather than taken from
    // the table that writes them.
    const std::vector<std::pair<std::string, Real>> expected = {
        {"sample", 0},          {"XMg_Opx", p.XMg_Opx},     {"XFe_Opx", p.XFe_Opx},
        {"NaX_Opx", p.NaX_Opx}, {"AlM1_Opx", p.AlM1_Opx},   {"AlT_Opx", p.AlT_Opx},
        {"FM1_Opx", p.FM1_Opx}, {"FM2_Opx", p.FM2_Opx},     {"XMgM1_Opx", p.XMgM1_Opx},
        {"XMgM2_Opx", p.XMgM2_Opx}, {"XFeM1_Opx", p.XFeM1_Opx}, {"XFeM2_Opx", p.XFeM2_Opx},
        {"XCrM1_Opx", p.XCrM1_Opx}, {"XCa_Opx", p.XCa_Opx}, {"XMg_Cpx", p.XMg_Cpx},
        {"XFe_Cpx", p.XFe_Cpx}, {"Fe3_Cpx", p.Fe3_Cpx},     {"XCa_Cpx", p.XCa_Cpx},
        {"FeMg_Ol", p.FeMg_Ol}, {"XFe_Ol", p.XFe_Ol},       {"R3_Sp", p.R3_Sp},
        {"B_Sp", p.B_Sp},       {"XAl2_Sp", p.XAl2_Sp},     {"Fe3c_Sp", p.Fe3c_Sp},
        {"XTi_Sp", p.XTi_Sp},   {"XCr_Sp", p.XCr_Sp},       {"XFe3_Sp", p.XFe3_Sp},
        {"XAl_Sp", p.XAl_Sp},   {"CrNo_Sp", p.CrNo_Sp},     {"Fe3R_Sp", p.Fe3R_Sp},
        {"FeMg_Sp", p.FeMg_Sp}, {"XFe_Sp", p.XFe_Sp},       {"X_Gar", p.X_Gar},
        {"Y_Gar", p.Y_Gar},     {"Ex1_Gar", p.Ex1_Gar},     {"Ex2_Gar", p.Ex2_Gar},
        {"XCa_Gar", p.XCa_Gar}, {"XAl_Gar", p.XAl_Gar},     {"XCr_Gar", p.XCr_Gar},
        {"XFe_Gar", p.XFe_Gar}, {"XMg_Gar", p.XMg_Gar},     {"XMn_Gar", p.XMn_Gar},
        {"FeMg_Gar", p.FeMg_Gar}, {"FeNo_Gar", p.FeNo_Gar},
    };
    const std::vector<std::string> header = cells(siteHeader() + "\n");
    const std::vector<std::string> row = cells(sample.siteRow);
    ASSERT_EQ(header.size(), expected.size());
    ASSERT_EQ(row.size(), expected.size());
    EXPECT_EQ(row[0], "KX-101");
    for (std::size_t i = 1; i < expected.size(); ++i) {
      EXPECT_EQ(header[i], expected[i].first);
      ASSERT_FALSE(row[i].empty()) << header[i];
      // The shortest text reads back to the very float.
      EXPECT_EQ(std::stof(row[i]), expected[i].second) << header[i] << " = " << row[i];
    }
  }
}

TEST(FormulaRun, FormulaRowsAreTheFormulasTheMethodsRead) {
  const Association a = everyMineral();
  FormulaSample sample;
  FormulaRun(kFerricChargeBalance, false).evaluate(a, sample);
  EXPECT_EQ(sample.siteRow, "");
  RunSettings settings;
  settings.ferricOption = kFerricChargeBalance;
  RunState s;
  prepareSample(s, a, settings);
  std::stringstream lines(sample.rows);
  const std::vector<std::string> header = cells(formulaHeader() + "\n");
  const Slot slots[] = {Opx, Cpx, Ol, Sp, Gar, Ilm};
  const std::vector<std::pair<std::string, Real CationFormula::*>> cations = {
      {"Si", &CationFormula::Si}, {"Al", &CationFormula::Al}, {"Fe2", &CationFormula::Fe},
      {"Fe3", &CationFormula::Fe3}, {"Mg", &CationFormula::Mg}, {"cations", &CationFormula::Sum}};
  for (Slot slot : slots) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const std::vector<std::string> row = cells(line + "\n");
    ASSERT_EQ(row.size(), header.size()) << line;
    for (std::size_t i = 0; i < header.size(); ++i) {
      for (const auto& [name, member] : cations) {
        if (header[i] == name) {
          EXPECT_EQ(std::stof(row[i]), s.cat[slot].*member) << line;
        }
      }
      if (header[i] == "FeO") {
        EXPECT_EQ(std::stof(row[i]), s.ox[slot].FeO) << line;
      }
      if (header[i] == "Fe2O3") {
        EXPECT_EQ(std::stof(row[i]), s.ox[slot].Fe2O3) << line;
      }
    }
  }
  std::string extra;
  EXPECT_FALSE(std::getline(lines, extra)) << "one row per mineral: " << extra;
}

// What a method's run leaves as its result.
struct Result {
  int outcome;
  Real value;
  bool operator==(const Result&) const = default;
};

Result runMethod(MethodKind kind, int number, RunState s) {
  NullTerminal quiet;
  switch (kind) {
    case MethodKind::Thermometer:
      return {static_cast<int>(runThermometer(number, s)), s.TK};
    case MethodKind::Barometer:
      return {static_cast<int>(runBarometer(number, s)), s.P};
    case MethodKind::Oxybarometer:
      break;
  }
  return {static_cast<int>(runOxybarometer(number, s, quiet)), s.fO2};
}

bool listed(std::string_view list, std::string_view name) {
  while (!list.empty()) {
    const std::size_t comma = list.find(", ");
    if (list.substr(0, comma) == name) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 2);
  }
  return false;
}

// The same minerals with an iron-free olivine and clinopyroxene, which sends
// the methods that estimate their iron from garnet down that branch.
Association ironFreeOlivineAndCpx() {
  Association a = everyMineral();
  for (Slot slot : {Ol, Cpx}) {
    a.ox[static_cast<std::size_t>(slot)].FeO = 0.0f;
    a.ox[static_cast<std::size_t>(slot)].MnO = 0.0f;
  }
  return a;
}

// Parameters read only on routes these samples do not take: the eclogite
// clinopyroxene of the jadeite barometers, the refined Cr-in-garnet steps,
// the olivine estimate of the garnet oxybarometer's Fe-poor olivine.
bool routeOnly(MethodKind kind, int number, std::string_view name) {
  if (kind == MethodKind::Barometer) {
    if (number == 33 || number == 36) return name == "Fe3_Cpx";
    if (number == 35) return name == "FeNo_Gar";
    if (number == 37) return name == "Ex1_Gar" || name == "FeNo_Gar";
  }
  return kind == MethodKind::Oxybarometer && number == 5 && name == "FeNo_Gar";
}

// Each site parameter changed alone (scaled, or set to 0): a method's result
// moves only with the parameters its listing names, and every name listed
// moves it for one of the samples, ferric rules and changes.
TEST(FormulaRun, MethodsListTheSiteParametersTheirResultsDependOn) {
  const Association samples[] = {everyMineral(), ironFreeOlivineAndCpx()};
  for (MethodKind kind : {MethodKind::Thermometer, MethodKind::Barometer, MethodKind::Oxybarometer}) {
    for (const MethodInfo& m : allMethods(kind)) {
      const std::string_view list = siteParametersRead(kind, m.number);
      SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + "/" + std::to_string(m.number) +
                   " reads " + std::string(list));
      std::vector<std::string> moved;
      for (const Association& a : samples) {
        for (int ferric : {kFerricNone, kFerricDialogue})
        for (Real startP : {30.0f, 60.0f}) {
          RunSettings settings;
          settings.ferricOption = ferric;
          settings.startT = 1273.0f;
          settings.startP = startP;
          RunState s;
          prepareSample(s, a, settings);
          s.TK = 1250.0f;
          const Result base = runMethod(kind, m.number, s);
          for (const SiteField& f : siteFields()) {
            for (int change = 0; change < 2; ++change) {
              RunState changed = s;
              Real& v = changed.site.*f.member;
              v = change == 0 ? v * 1.05f + 0.01f : 0.0f;
              const Result r = runMethod(kind, m.number, changed);
              if (r == base) continue;
              moved.emplace_back(f.name);
              EXPECT_TRUE(listed(list, f.name)) << f.name << " moves the result but is not listed";
            }
          }
        }
      }
      for (const SiteField& f : siteFields()) {
        if (!listed(list, f.name) || routeOnly(kind, m.number, f.name)) continue;
        EXPECT_NE(std::find(moved.begin(), moved.end(), std::string(f.name)), moved.end())
            << f.name << " is listed but never moves the result";
      }
    }
  }
}

}  // namespace
}  // namespace mantlept
