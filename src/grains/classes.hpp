#pragma once
// This module computes in double precision.
// Classes of single mantle garnets from their major elements (the scheme of
// Grütter et al. 2004): harzburgitic G10 (G10D in the diamond field),
// lherzolitic G9, wehrlitic G12, megacrystic G1 and G11, pyroxenitic and
// eclogitic G3, G4, G5 (D: sodic, diamond-facies), G0 for the rest.
#include <array>
#include <optional>
#include <string_view>

namespace mantlept::grains {

enum class GarnetClass { None, G0, G1, G3, G3D, G4, G4D, G5, G5D, G9, G10, G10D, G11, G12 };

// The classes in the order the summary and the sections list them.
inline constexpr std::array<GarnetClass, 13> kClassOrder = {
    GarnetClass::G0,   GarnetClass::G1,  GarnetClass::G3,  GarnetClass::G3D, GarnetClass::G4,
    GarnetClass::G4D,  GarnetClass::G5,  GarnetClass::G5D, GarnetClass::G9,  GarnetClass::G10,
    GarnetClass::G10D, GarnetClass::G11, GarnetClass::G12};

// "G10D"; empty for None.
std::string_view className(GarnetClass c);
// Position in kClassOrder; -1 for None.
int classIndex(GarnetClass c);

// Oxide wt% of a garnet, all iron as FeOt; an empty value was not determined.
struct GarnetOxides {
  std::optional<double> TiO2, Al2O3, Cr2O3, FeOt, MnO, MgO, CaO, Na2O;
};

// Ca-intercept: CaO at Cr2O3 = 0 along the lherzolite trend, or the
// harzburgite scaling below that trend.
double caIntercept(double CaO, double Cr2O3);
// Mg# = (MgO/40.3) / (MgO/40.3 + FeOt/71.85); empty when both are 0.
std::optional<double> mgNumber(double MgO, double FeOt);

// The class of a garnet; None when CaO, Cr2O3, MgO, FeOt, MnO or TiO2 is not
// determined. Without Na2O no D suffix is given. The first class met wins.
GarnetClass classify(const GarnetOxides& g);

}  // namespace mantlept::grains
