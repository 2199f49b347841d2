#pragma once
// Recalculation of one oxide analysis to cations per formula unit, with the
// optional charge-balance estimate of ferric iron.
#include "minerals/mineral_types.hpp"

namespace mantlept {

// Formula types: 1..7 are the mineral slots (Opx, Cpx, Ol, Sp, Gar, slot 6,
// Ilm), 8..11 the types of code letters A, F, P, L.
inline constexpr int kFormulaTypes = 11;

struct Recalculation {
  OxideValues ox;     // FeO and Fe2O3 adjusted when ferric iron is estimated
  CationFormula cat;  // on the oxygen basis of the type; all 0 without a formula
};

// Pure: the same analysis always gives the same result.
Recalculation recalculate(const OxideValues& analysis, int formulaType, bool estimateFerric);

}  // namespace mantlept
