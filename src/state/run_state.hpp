#pragma once
// The run's one shared store: the current association's analyses and cation
// formulas, its site parameters, the iteration values and the few values that
// methods keep across associations. Every method reads and writes it by name.
#include <array>

#include "core/real.hpp"
#include "minerals/mineral_types.hpp"
#include "minerals/site_parameters.hpp"

namespace mantlept {

struct RunState {
  // The association: oxide wt% and cations per formula unit of each slot.
  std::array<OxideValues, kSlotCount> ox{};
  std::array<CationFormula, kSlotCount> cat{};
  SiteParameters site{};

  // Iteration values: T (kelvin, read by barometers), P (kbar), the
  // thermometer result TK (kelvin, never reset) and the oxygen-fugacity value.
  Real T = 0, P = 0, TK = 0, fO2 = 0;

  // Starting point of every combination (from the opening dialogue).
  Real startT = 1000.0f, startP = 10.0f;

  // Inner iteration pair of thermometers 5, 6 and 23 (and read by 25):
  // one inner temperature and one step counter for the whole run.
  Real Tin = 0;
  int n = 0;

  // Garnet ferric excess left by oxybarometers 5 and 8 (never reset).
  Real garnetFerricExcess = 0;
  // Ferrosilite activity of oxybarometer 5, kept from its last evaluation.
  Real aFs = 0;
};

}  // namespace mantlept
