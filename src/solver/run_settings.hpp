#pragma once
// The answers of the opening dialogue; constant for the rest of the run.
#include <string>
#include <vector>

#include "core/real.hpp"
#include "minerals/formula.hpp"

namespace mantlept {

inline constexpr int kMaxCombinations = 12;

// The ferric options: the dialogue's 1 (all iron ferrous) and 2 (its
// estimate), and the commands' charge balance.
inline constexpr int kFerricNone = 1;
inline constexpr int kFerricDialogue = 2;
inline constexpr int kFerricChargeBalance = 3;

// One chosen pair of methods, with the labels of the numbers as typed.
struct MethodCombination {
  int thermometer = 1;
  int barometer = 1;
  std::string thermometerLabel;  // 16 characters
  std::string barometerLabel;    // 16 characters
};

struct RunSettings {
  std::string inputFileName;
  int ferricOption = kFerricNone;  // kFerricNone, kFerricDialogue or kFerricChargeBalance
  int combinationCount = 0;  // as typed; negative means no combination
  std::vector<MethodCombination> combinations;
  int oxybarometerNumber = 0;
  std::string resultsFileName;
  bool writeCoefficients = false;
  int iterationLimit = 3;
  Real startT = 1000.0f;
  Real startP = 10.0f;
  // The commands reach the methods numbered after the catalogue (thermometers
  // 48, 49, barometer 44); the dialogue resolves every number by its catalogue.
  bool beyondCatalogue = true;

  FerricRule ferricRule() const {
    if (ferricOption == kFerricDialogue) return FerricRule::Dialogue;
    if (ferricOption == kFerricChargeBalance) return FerricRule::ChargeBalance;
    return FerricRule::None;
  }

  // Number of combinations evaluated (0 for a negative count).
  int evaluatedCount() const { return combinationCount > 0 ? combinationCount : 0; }
};

}  // namespace mantlept
