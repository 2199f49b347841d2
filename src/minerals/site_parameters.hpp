#pragma once
// Mole fractions and site occupancies derived from the cation formulas of an
// association. The set lives for the whole run: members outside the reset
// list keep their values from earlier associations.
#include <array>
#include <span>
#include <string_view>

#include "core/real.hpp"
#include "core/terminal.hpp"
#include "minerals/mineral_types.hpp"

namespace mantlept {

struct SiteParameters {
  // Orthopyroxene
  Real XMg_Opx = 0, XFe_Opx = 0, NaX_Opx = 0, AlM1_Opx = 0, AlT_Opx = 0, FM1_Opx = 0, FM2_Opx = 0,
       XMgM1_Opx = 0, XMgM2_Opx = 0, XFeM1_Opx = 0, XFeM2_Opx = 0, XCrM1_Opx = 0, XCa_Opx = 0;
  // Clinopyroxene
  Real XMg_Cpx = 0, XFe_Cpx = 0, Fe3_Cpx = 0, XCa_Cpx = 0;
  // Olivine
  Real FeMg_Ol = 0, XFe_Ol = 0;
  // Spinel
  Real R3_Sp = 0, B_Sp = 0, XAl2_Sp = 0, Fe3c_Sp = 0, XTi_Sp = 0, XCr_Sp = 0, XFe3_Sp = 0,
       XAl_Sp = 0, CrNo_Sp = 0, Fe3R_Sp = 0, FeMg_Sp = 0, XFe_Sp = 0;
  // Garnet
  Real X_Gar = 0, Y_Gar = 0, Ex1_Gar = 0, Ex2_Gar = 0, XCa_Gar = 0, XAl_Gar = 0, XCr_Gar = 0,
       XFe_Gar = 0, XMg_Gar = 0, XMn_Gar = 0, FeMg_Gar = 0, FeNo_Gar = 0;
};

}  // namespace mantlept

namespace mantlept {

// One site parameter by the name the code gives it, and the mineral whose
// formula it comes from.
struct SiteField {
  std::string_view name;
  Real SiteParameters::* member;
  Slot mineral;
};

// Every member of SiteParameters, in the order of its declaration.
std::span<const SiteField> siteFields();

// Sets the members that every new association starts from 0 (the others keep
// their values until computed again).
void resetSiteParameters(SiteParameters& p);

// Computes the members from the association's cation formulas, in the order
// orthopyroxene, clinopyroxene, olivine, spinel, garnet. An association with
// orthopyroxene prints an empty line on the terminal. A member whose
// denominator is 0 is set to 0.
void computeSiteParameters(const std::array<CationFormula, kSlotCount>& cat, SiteParameters& p,
                           Terminal& out);

}  // namespace mantlept
