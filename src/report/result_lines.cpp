#include "report/result_lines.hpp"

#include "dialogue/catalogue.hpp"
#include "report/fixed_format.hpp"

namespace mantlept {

CombinationResult screenResult(RunState& s) {
  bool rejected = false;
  if (!(350.0f + 7.75f * (s.P - 20.0f) < s.T)) {
    rejected = true;
  } else if (s.TK <= 0.0f || s.P <= 1.0f) {
    rejected = true;
  } else if (s.TK >= 1853.0f || s.P >= 200.0f) {
    rejected = true;
  } else if (s.P > 82.0f) {
    s.P = 81.5f;
    s.TK = 1723.0f;
  }
  if (rejected) {
    s.TK = 2273.0f;
    s.P = kMarker;
  }
  return {s.TK - 273.0f, s.P, s.fO2};
}

void appendResultLine(std::string& line, std::string_view sampleName,
                      const MethodCombination& combination, const CombinationResult& result,
                      int ferricOption) {
  line += sampleName.substr(0, 7);
  line += ' ';
  line += combination.thermometerLabel;
  line += " TC=";
  appendFixed(line, result.temperature, 5, 0);
  line += combination.barometerLabel;
  line += " Pkb=";
  appendFixed(line, result.pressure, 4, 1);
  line += " FO2=";
  appendFixed(line, result.fO2, 5, 2);
  line += "        ";
  line += ferricTag(ferricOption);
}

void appendFailureLine(std::string& line, std::string_view sampleName) {
  line += sampleName.substr(0, 7);
  line += " Not complete association";
}

std::string resultLine(std::string_view sampleName, const MethodCombination& combination,
                       const CombinationResult& result, int ferricOption) {
  std::string line;
  line.reserve(84);
  appendResultLine(line, sampleName, combination, result, ferricOption);
  return line;
}

std::string failureLine(std::string_view sampleName) {
  std::string line;
  appendFailureLine(line, sampleName);
  return line;
}

}  // namespace mantlept
