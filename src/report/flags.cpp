// This module computes in double precision (the oxide totals only).
#include "report/flags.hpp"

#include <array>
#include <cmath>

#include "methods/calibration_ranges.hpp"
#include "methods/thermometers/thermometers.hpp"
#include "minerals/formula.hpp"

namespace mantlept {

namespace {

constexpr std::array<const char*, kFlagCount> kCodes = {
    "total-Opx",   "total-Cpx", "total-Ol", "total-Gt",  "opx-al-low", "cpx-cacrts-low",
    "cpx-cr-high", "cpx-sites", "t-range",  "p-range",   "fo2-range",  "na-test"};

// The orthopyroxene Al barometers: below 0.37 wt% Al2O3 the analytical error
// dominates their pressure (Wu and Zhao 2011).
constexpr std::array<int, 11> kOpxAlBarometers = {2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 29};
constexpr Real kOpxAl2O3Min = 0.37f;

// Nimis and Taylor (2000, p. 548): the Cr-in-clinopyroxene barometers need
// a_CaCrTs of at least 0.003; their natural test set had Cr2O3 below 5 wt%;
// analyses whose site sums do not exceed 1.990 were rejected.
constexpr std::array<int, 2> kCrInCpxBarometers = {30, 44};
constexpr std::array<int, 2> kEnstatiteInCpxThermometers = {38, 48};
constexpr std::array<int, 3> kCpxSiteThermometers = {38, 43, 48};

// Brey and Koehler (1990, p. 1368): the two-pyroxene and the Na-partition
// temperatures agreed within 56 degC (1 sigma); twice that is the test.
constexpr int kTwoPyroxeneThermometer = 7;
constexpr int kNaPartitionThermometer = 9;
constexpr Real kNaTestMax = 112.0f;

constexpr Real kZeroCelsius = 273.0f;  // the offset the solver reports T with

template <std::size_t N>
bool contains(const std::array<int, N>& list, int number) {
  for (int n : list) {
    if (n == number) return true;
  }
  return false;
}

bool outside(const std::optional<Bounds>& bounds, Real x) { return bounds && !bounds->contains(x); }

const std::optional<Bounds>& temperatureBounds(const CalibrationRange* r) {
  static const std::optional<Bounds> none;
  return r ? r->T_C : none;
}

const std::optional<Bounds>& pressureBounds(const CalibrationRange* r) {
  static const std::optional<Bounds> none;
  return r ? r->P_kbar : none;
}

// The Na-partition temperature (degC) at pressure P on a copy of the prepared
// store; nullopt when it has no value (no Na in one of the pyroxenes).
std::optional<Real> naPartitionTemperature(const RunState& prepared, Real P) {
  RunState copy = prepared;
  copy.P = P;
  if (runThermometer(kNaPartitionThermometer, copy) == ThermometerOutcome::NotComplete) {
    return std::nullopt;
  }
  return copy.TK - kZeroCelsius;
}

}  // namespace

const char* flagCode(Flag flag) {
  for (int k = 0; k < kFlagCount; ++k) {
    if (flag == (1u << k)) return kCodes[static_cast<std::size_t>(k)];
  }
  return "";
}

void appendFlagCodes(std::string& out, FlagSet flags) {
  bool first = true;
  for (int k = 0; k < kFlagCount; ++k) {
    if ((flags & (1u << k)) == 0) continue;
    if (!first) out += ';';
    out += kCodes[static_cast<std::size_t>(k)];
    first = false;
  }
}

double oxideTotal(const OxideValues& ox) {
  double sum = 0.0;
  for (int k = 0; k < OxideValues::kCount; ++k) sum += static_cast<double>(ox[k]);
  return sum;
}

Real activityCaCrTs(const CationFormula& c) {
  const Real crAl = c.Cr + c.Al;
  if (!(crAl > 0.0f)) return c.Cr;
  return c.Cr - 0.81f * (c.Cr / crAl) * (c.Na + c.K);
}

bool clinopyroxeneSitesFilled(const CationFormula& cpx) {
  const ClinopyroxeneSites sites = clinopyroxeneSites(cpx);
  return sites.tetrahedral > kCpxSiteSumMin && sites.octahedral > kCpxSiteSumMin;
}

FlagSet totalFlags(const Association& a, const TotalsWindow& totals) {
  if (!totals.on) return 0;
  constexpr std::array<std::pair<Slot, Flag>, 4> kChecked = {
      {{Opx, kTotalOpx}, {Cpx, kTotalCpx}, {Ol, kTotalOl}, {Gar, kTotalGt}}};
  FlagSet flags = 0;
  for (auto [slot, flag] : kChecked) {
    const auto at = static_cast<std::size_t>(slot);
    if (!a.present[at]) continue;
    const double total = oxideTotal(a.ox[at]);
    if (total < totals.low || total > totals.high) flags |= flag;
  }
  return flags;
}

FlagSet rowFlags(const Association& a, const RunState& prepared, const MethodCombination& pair,
                 const CombinationOutcome& o, int oxybarometer, const TotalsWindow& totals) {
  if (o.status != CombinationStatus::Ok && o.status != CombinationStatus::Capped) return 0;
  FlagSet flags = totalFlags(a, totals);
  const Real T = o.result.temperature;
  const Real P = o.result.pressure;
  const OxideValues& opx = a.ox[Opx];
  const OxideValues& cpx = a.ox[Cpx];

  if (contains(kOpxAlBarometers, pair.barometer) && a.present[Opx] && opx.Al2O3 < kOpxAl2O3Min)
    flags |= kOpxAlLow;
  const bool crInCpx = contains(kCrInCpxBarometers, pair.barometer);
  if (crInCpx && activityCaCrTs(prepared.cat[Cpx]) < kCaCrTsMin) flags |= kCpxCaCrTsLow;
  if ((contains(kEnstatiteInCpxThermometers, pair.thermometer) || crInCpx) && a.present[Cpx] &&
      cpx.Cr2O3 >= kCpxCr2O3Max)
    flags |= kCpxCrHigh;
  if ((contains(kCpxSiteThermometers, pair.thermometer) || crInCpx) && a.present[Cpx] &&
      !clinopyroxeneSitesFilled(prepared.cat[Cpx]))
    flags |= kCpxSites;

  const CalibrationRange* thermometer = calibrationRange(MethodKind::Thermometer, pair.thermometer);
  const CalibrationRange* barometer = calibrationRange(MethodKind::Barometer, pair.barometer);
  if (outside(temperatureBounds(thermometer), T) || outside(temperatureBounds(barometer), T))
    flags |= kTRange;
  if (outside(pressureBounds(barometer), P) || outside(pressureBounds(thermometer), P))
    flags |= kPRange;

  // The oxybarometer counts where it gave a value (0 is its no-result value).
  const CalibrationRange* oxy = calibrationRange(MethodKind::Oxybarometer, oxybarometer);
  const Real fO2 = o.result.fO2;
  if (oxy && oxybarometer != 0 && fO2 != 0.0f && fO2 != kMarker &&
      (outside(oxy->T_C, T) || outside(oxy->P_kbar, P)))
    flags |= kFO2Range;

  if (pair.thermometer == kTwoPyroxeneThermometer) {
    const std::optional<Real> naT = naPartitionTemperature(prepared, P);
    if (naT && std::fabs(*naT - T) > kNaTestMax) flags |= kNaTest;
  }
  return flags;
}

}  // namespace mantlept
