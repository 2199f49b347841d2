#pragma once
// This module computes in double precision; each grain is solved by the
// engine in single precision.
// One concentrate clinopyroxene: T and P from the single-clinopyroxene
// thermobarometer of Nimis and Taylor (2000) as published (thermometer 48,
// barometer 44) by the alternating iteration of `calc`, its depth, and the
// screening of their paper (pp. 543 and 548); and the per-grain table row.
#include <optional>
#include <string>

#include "geotherm/fit.hpp"
#include "minerals/association.hpp"
#include "solver/engine.hpp"
#include "solver/run_settings.hpp"

namespace mantlept::grains {

inline constexpr int kCpxThermometer = 48;
inline constexpr int kCpxBarometer = 44;

// The screening criteria a grain can fail, one bit each, in the order the
// `screen` cell lists them.
enum CpxCriterion : unsigned {
  kCaCrTsLow = 1u << 0,  // a_CaCrTs below 0.003
  kTSiteLow = 1u << 1,   // tetrahedral cations not above 1.990
  kMSitesLow = 1u << 2,  // M1 + M2 cations not above 1.990
  kCr2O3High = 1u << 3,  // Cr2O3 at least 5 wt%
};

// The criteria failed by a grain of these values (0: kept by the screen):
// a_CaCrTs >= 0.003, both site sums above 1.990, Cr2O3 below 5 wt%.
unsigned cpxScreen(float aCaCrTs, float tSite, float mSites, float Cr2O3);

struct CpxGrain {
  std::string sample;
  CombinationOutcome outcome;
  // With a solution (ok or capped): T, P and depth as the row writes them.
  std::optional<double> T_C, P_kbar, depth_km;
  float aCaCrTs = 0, tSite = 0, mSites = 0, Cr2O3 = 0;
  unsigned failed = 0;  // CpxCriterion bits

  // Kept: it passes every criterion and its P-T is within the plausibility
  // window without a cap.
  bool kept() const { return failed == 0 && outcome.status == CombinationStatus::Ok; }
};

// The settings the grains are solved with: the pair 48,44, iron as Fe2+, and
// calc's starting point and pass limit.
RunSettings cpxSettings();

// Solves and screens the clinopyroxene of `a`, which must hold one; K counts
// with Na (in a_CaCrTs and both equations).
CpxGrain evaluateCpxGrain(const Association& a, const RunSettings& settings);

// sample,T_C,P_kbar,depth_km,a_CaCrTs,t_site,m_sites,Cr2O3,status,passes,screen
std::string cpxGrainHeader();
// One row (with its line end); `screen` lists the failed criteria by their
// column names, joined by ';'.
void appendCpxGrainRow(std::string& out, const CpxGrain& g);

// The P-T point of a grain with a solution as `geotherm` reads it from the
// rows of `--cpx-out`: the numbers as written, errors of `sigmaT_C` (degC)
// and `sigmaP_kbar`, or geotherm's defaults.
geotherm::Point cpxPoint(const CpxGrain& g, const std::optional<double>& sigmaT_C,
                         const std::optional<double>& sigmaP_kbar);

}  // namespace mantlept::grains
