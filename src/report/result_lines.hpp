#pragma once
// Result screening, the CombinationResult table and the terminal lines of a
// combination.
#include <array>
#include <string>
#include <string_view>

#include "core/real.hpp"
#include "dialogue/run_settings.hpp"
#include "solver/run_state.hpp"

namespace mantlept {

// Reported values of one combination: temperature (degrees Celsius),
// pressure (kbar) and the oxygen-fugacity value.
struct CombinationResult {
  Real temperature = 0;
  Real pressure = 0;
  Real fO2 = 0;
};

// Room for 20 rows, refilled by every association and never cleared.
using CombinationResults = std::array<CombinationResult, 20>;

// Marker of a failed or rejected value.
inline constexpr Real kMarker = 2000.0f;

// Screens a finished combination (plausibility window in T and P; caps above
// 82 kbar), writes the screened P and TK back into the store and returns the
// row to store.
CombinationResult screenResult(RunState& s);

// The row of a combination that did not complete.
inline CombinationResult failedResult() { return {kMarker, kMarker, kMarker}; }

// Terminal lines, without the carriage-control blank, appended to `line`.
void appendResultLine(std::string& line, std::string_view sampleName,
                      const MethodCombination& combination, const CombinationResult& result,
                      int ferricOption);
void appendFailureLine(std::string& line, std::string_view sampleName);

// The same lines as new strings.
std::string resultLine(std::string_view sampleName, const MethodCombination& combination,
                       const CombinationResult& result, int ferricOption);
std::string failureLine(std::string_view sampleName);

}  // namespace mantlept
