#include "report/result_lines.hpp"

#include "methods/catalogue.hpp"
#include "report/fixed_format.hpp"

namespace mantlept {

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
