#pragma once
// The terminal lines of a combination.
#include <array>
#include <string>
#include <string_view>

#include "core/real.hpp"
#include "solver/run_settings.hpp"
#include "solver/solver.hpp"

namespace mantlept {

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
