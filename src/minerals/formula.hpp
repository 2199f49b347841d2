#pragma once
// Recalculation of one oxide analysis to cations per formula unit, with the
// optional estimate of ferric iron.
#include "minerals/mineral_types.hpp"

namespace mantlept {

// Formula types: 1..7 are the mineral slots (Opx, Cpx, Ol, Sp, Gar, slot 6,
// Ilm), 8..11 the types of code letters A, F, P, L.
inline constexpr int kFormulaTypes = 11;

// How ferric iron is found before the formula is recalculated.
enum class FerricRule {
  None,           // iron as the analysis gives it
  Dialogue,       // one ferric cation per oxygen missing on the ideal cation basis; Fe2O3 = 1.1 FeO
  ChargeBalance,  // two ferric cations per missing oxygen (Droop 1987); Fe2O3 = 1.1113 FeO
};

struct Recalculation {
  OxideValues ox;     // FeO and Fe2O3 adjusted when ferric iron is estimated
  CationFormula cat;  // on the oxygen basis of the type; all 0 without a formula
};

// Pure: the same analysis always gives the same result.
Recalculation recalculate(const OxideValues& analysis, int formulaType, FerricRule rule);

// The dialogue's choice: its estimate or none.
inline Recalculation recalculate(const OxideValues& analysis, int formulaType, bool estimateFerric) {
  return recalculate(analysis, formulaType, estimateFerric ? FerricRule::Dialogue : FerricRule::None);
}

// Oxygens and cations of the ideal formula of a type (12 and 8 for garnet).
Real formulaOxygens(int formulaType);
Real formulaCations(int formulaType);

// The site sums of a clinopyroxene formula on 6 oxygens: the tetrahedral site
// Si + Al_IV (Al_IV = 2 - Si, kept between 0 and Al) and M1 + M2, every other
// cation (Ti, Al_VI, Cr, Fe2+, Fe3+, Mn, Mg, Ca, Na, K, Ni).
struct ClinopyroxeneSites {
  Real AlIV = 0;
  Real tetrahedral = 0;
  Real octahedral = 0;
};
ClinopyroxeneSites clinopyroxeneSites(const CationFormula& cpx);

}  // namespace mantlept
