#pragma once
// Oxide analyses, cation formulas and the seven mineral slots of an association.
#include <array>

#include "core/real.hpp"

namespace mantlept {

// The seven mineral places of an association, chosen by the code letters
// "EDOSGRI" of the analysis file.
enum Slot : int { Opx = 0, Cpx, Ol, Sp, Gar, Slot6, Ilm };
inline constexpr int kSlotCount = 7;

// Oxide weight per cent of one analysis, in the column order of the file.
struct OxideValues {
  Real SiO2 = 0, TiO2 = 0, Al2O3 = 0, Cr2O3 = 0, FeO = 0, MnO = 0, MgO = 0, CaO = 0, Na2O = 0,
       K2O = 0, NiO = 0, Fe2O3 = 0;

  static constexpr int kCount = 12;
  Real& operator[](int k) { return this->*kMembers[k]; }
  Real operator[](int k) const { return this->*kMembers[k]; }

 private:
  static constexpr Real OxideValues::* kMembers[kCount] = {
      &OxideValues::SiO2, &OxideValues::TiO2, &OxideValues::Al2O3, &OxideValues::Cr2O3,
      &OxideValues::FeO,  &OxideValues::MnO,  &OxideValues::MgO,   &OxideValues::CaO,
      &OxideValues::Na2O, &OxideValues::K2O,  &OxideValues::NiO,   &OxideValues::Fe2O3};
};

// Cations per formula unit, in the element order of the oxide columns;
// Fe3 is the ferric iron (Fe2O3 column) and Sum the total of the twelve.
struct CationFormula {
  Real Si = 0, Ti = 0, Al = 0, Cr = 0, Fe = 0, Mn = 0, Mg = 0, Ca = 0, Na = 0, K = 0, Ni = 0,
       Fe3 = 0, Sum = 0;

  static constexpr int kCount = 13;
  Real& operator[](int k) { return this->*kMembers[k]; }
  Real operator[](int k) const { return this->*kMembers[k]; }

 private:
  static constexpr Real CationFormula::* kMembers[kCount] = {
      &CationFormula::Si, &CationFormula::Ti, &CationFormula::Al,  &CationFormula::Cr,
      &CationFormula::Fe, &CationFormula::Mn, &CationFormula::Mg,  &CationFormula::Ca,
      &CationFormula::Na, &CationFormula::K,  &CationFormula::Ni,  &CationFormula::Fe3,
      &CationFormula::Sum};
};

}  // namespace mantlept
