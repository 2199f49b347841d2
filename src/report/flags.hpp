#pragma once
// Which results to trust: the published warnings that apply to one result
// row (analysis totals, preconditions of the calibrations, calibration ranges,
// the Na-partition agreement test). Flags describe a row; they never change a
// value or a status.
#include <cstdint>
#include <string>

#include "minerals/association.hpp"
#include "solver/engine.hpp"
#include "solver/run_settings.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// One bit per code, in the order the codes are written.
enum Flag : std::uint32_t {
  kTotalOpx = 1u << 0,
  kTotalCpx = 1u << 1,
  kTotalOl = 1u << 2,
  kTotalGt = 1u << 3,
  kOpxAlLow = 1u << 4,
  kCpxCaCrTsLow = 1u << 5,
  kCpxCrHigh = 1u << 6,
  kCpxSites = 1u << 7,
  kTRange = 1u << 8,
  kPRange = 1u << 9,
  kFO2Range = 1u << 10,
  kNaTest = 1u << 11,
};
using FlagSet = std::uint32_t;
inline constexpr int kFlagCount = 12;

// The oxide-total window of a silicate analysis (wt%, inclusive); `on` false
// drops the check.
struct TotalsWindow {
  bool on = true;
  double low = 98.0;
  double high = 102.0;
};

// The codes of a set, joined by ';' in their fixed order ("" for none).
void appendFlagCodes(std::string& out, FlagSet flags);

// The code of one flag ("total-Opx", "na-test", ...).
const char* flagCode(Flag flag);

// The sum of the twelve oxides of one analysis as read (wt%).
double oxideTotal(const OxideValues& ox);

// a_CaCrTs = Cr - 0.81 Cr/(Cr + Al) (Na + K) of a clinopyroxene formula on 6 oxygens.
Real activityCaCrTs(const CationFormula& cpx);

// Nimis and Taylor (2000, pp. 543 and 548): a clinopyroxene fit for their
// thermobarometer has a_CaCrTs of at least 0.003, both site sums above 1.990
// and Cr2O3 below 5 wt%.
inline constexpr Real kCaCrTsMin = 0.003f;
inline constexpr Real kCpxSiteSumMin = 1.990f;
inline constexpr Real kCpxCr2O3Max = 5.0f;

// True when both site sums of a clinopyroxene formula exceed 1.990.
bool clinopyroxeneSitesFilled(const CationFormula& cpx);

// The total flags of a sample: every present Opx, Cpx, Ol and Gt analysis
// whose oxide total lies outside the window.
FlagSet totalFlags(const Association& a, const TotalsWindow& totals);

// The flags of one row: the association as read, the store as it was prepared
// for the sample (formulas, before any pair was solved), the pair and how it
// ended, and the oxybarometer. Only rows with a T (ok or capped) get flags.
// The Na-partition test runs thermometer 9 on a copy of `prepared`.
FlagSet rowFlags(const Association& a, const RunState& prepared, const MethodCombination& pair,
                 const CombinationOutcome& outcome, int oxybarometer, const TotalsWindow& totals);

}  // namespace mantlept
