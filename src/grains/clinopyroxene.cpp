// This module computes in double precision; each grain is solved by the
// engine in single precision.
#include "grains/clinopyroxene.hpp"

#include <string_view>

#include "core/number_text.hpp"
#include "geotherm/model.hpp"
#include "geotherm/points.hpp"
#include "geotherm/summary.hpp"
#include "grains/grain.hpp"
#include "methods/catalogue.hpp"
#include "minerals/formula.hpp"
#include "report/flags.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept::grains {
namespace {

constexpr std::string_view kCriterionNames[] = {"a_CaCrTs", "t_site", "m_sites", "Cr2O3"};

}  // namespace

unsigned cpxScreen(float aCaCrTs, float tSite, float mSites, float Cr2O3) {
  unsigned failed = 0;
  if (!(aCaCrTs >= kCaCrTsMin)) failed |= kCaCrTsLow;
  if (!(tSite > kCpxSiteSumMin)) failed |= kTSiteLow;
  if (!(mSites > kCpxSiteSumMin)) failed |= kMSitesLow;
  if (!(Cr2O3 < kCpxCr2O3Max)) failed |= kCr2O3High;
  return failed;
}

RunSettings cpxSettings() {
  RunSettings s;
  s.ferricOption = 1;
  s.combinationCount = 1;
  s.combinations.push_back({kCpxThermometer, kCpxBarometer,
                            std::string(commandThermometerLabel(kCpxThermometer)),
                            std::string(commandBarometerLabel(kCpxBarometer))});
  s.iterationLimit = 30;
  s.startT = 1000.0f;
  s.startP = 10.0f;
  return s;
}

CpxGrain evaluateCpxGrain(const Association& a, const RunSettings& settings) {
  CpxGrain g;
  g.sample = a.sample.empty() ? std::string(a.info.nameText()) : a.sample;
  while (!g.sample.empty() && g.sample.back() == ' ') g.sample.pop_back();
  RunState prepared, work;
  prepareSample(prepared, a, settings);
  g.outcome = evaluatePair(prepared, settings, 0, work);
  const CombinationStatus status = g.outcome.status;
  if (status == CombinationStatus::Ok || status == CombinationStatus::Capped) {
    g.T_C = asWritten(g.outcome.result.temperature);
    g.P_kbar = asWritten(g.outcome.result.pressure);
    g.depth_km = geotherm::depthAtPressure(*g.P_kbar / 10.0);
  }
  const CationFormula& cpx = prepared.cat[Cpx];
  const ClinopyroxeneSites sites = clinopyroxeneSites(cpx);
  g.aCaCrTs = activityCaCrTs(cpx);
  g.tSite = sites.tetrahedral;
  g.mSites = sites.octahedral;
  g.Cr2O3 = a.ox[Cpx].Cr2O3;
  g.failed = cpxScreen(g.aCaCrTs, g.tSite, g.mSites, g.Cr2O3);
  return g;
}

std::string cpxGrainHeader() {
  return "sample,T_C,P_kbar,depth_km,a_CaCrTs,t_site,m_sites,Cr2O3,status,passes,screen\n";
}

void appendCpxGrainRow(std::string& out, const CpxGrain& g) {
  appendCsvCell(out, g.sample);
  out += ',';
  if (g.T_C) appendShortest(out, g.outcome.result.temperature);
  out += ',';
  if (g.P_kbar) appendShortest(out, g.outcome.result.pressure);
  out += ',';
  if (g.depth_km) appendFixedDecimals(out, *g.depth_km, 2);
  for (float v : {g.aCaCrTs, g.tSite, g.mSites, g.Cr2O3}) {
    out += ',';
    appendShortest(out, v);
  }
  out += ',';
  out += statusName(g.outcome.status);
  out += ',';
  out += std::to_string(g.outcome.iteration.passes);
  out += ',';
  bool first = true;
  for (unsigned k = 0; k < 4; ++k) {
    if ((g.failed & (1u << k)) == 0) continue;
    if (!first) out += ';';
    out += kCriterionNames[k];
    first = false;
  }
  out += '\n';
}

geotherm::Point cpxPoint(const CpxGrain& g, const std::optional<double>& sigmaT_C,
                         const std::optional<double>& sigmaP_kbar) {
  geotherm::Point p;
  p.sample = g.sample;
  p.T_C = g.T_C.value_or(0.0);
  p.P_GPa = g.P_kbar.value_or(0.0) * 0.1;  // as geotherm converts a P_kbar column
  p.sigmaT_C = sigmaT_C.value_or(geotherm::kDefaultSigmaT_C);
  p.sigmaP_GPa = sigmaP_kbar ? *sigmaP_kbar * 0.1 : geotherm::kDefaultSigmaP_GPa;
  return p;
}

}  // namespace mantlept::grains
