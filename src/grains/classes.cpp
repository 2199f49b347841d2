// This module computes in double precision.
#include "grains/classes.hpp"

namespace mantlept::grains {

std::string_view className(GarnetClass c) {
  switch (c) {
    case GarnetClass::None:
      return "";
    case GarnetClass::G0:
      return "G0";
    case GarnetClass::G1:
      return "G1";
    case GarnetClass::G3:
      return "G3";
    case GarnetClass::G3D:
      return "G3D";
    case GarnetClass::G4:
      return "G4";
    case GarnetClass::G4D:
      return "G4D";
    case GarnetClass::G5:
      return "G5";
    case GarnetClass::G5D:
      return "G5D";
    case GarnetClass::G9:
      return "G9";
    case GarnetClass::G10:
      return "G10";
    case GarnetClass::G10D:
      return "G10D";
    case GarnetClass::G11:
      return "G11";
    case GarnetClass::G12:
      return "G12";
  }
  return "";
}

int classIndex(GarnetClass c) {
  for (std::size_t i = 0; i < kClassOrder.size(); ++i)
    if (kClassOrder[i] == c) return static_cast<int>(i);
  return -1;
}

double caIntercept(double CaO, double Cr2O3) {
  if (CaO < 3.375 + 0.25 * Cr2O3) return 13.5 * CaO / (Cr2O3 + 13.5);
  return CaO - 0.25 * Cr2O3;
}

std::optional<double> mgNumber(double MgO, double FeOt) {
  double mg = MgO / 40.3, fe = FeOt / 71.85;
  if (!(mg + fe > 0.0)) return std::nullopt;
  return mg / (mg + fe);
}

GarnetClass classify(const GarnetOxides& g) {
  if (!g.CaO || !g.Cr2O3 || !g.MgO || !g.FeOt || !g.MnO || !g.TiO2) return GarnetClass::None;
  const double cr = *g.Cr2O3, ca = *g.CaO, ti = *g.TiO2, mn = *g.MnO, mgo = *g.MgO;
  const std::optional<double> mgNo = mgNumber(mgo, *g.FeOt);
  if (!mgNo) return GarnetClass::None;
  const double mg = *mgNo;
  const double caInt = caIntercept(ca, cr);
  const double tiLine = 2.13 - 2.1 * mg;  // TiO2 dividing megacrysts from the rest
  const bool sodic = g.Na2O && *g.Na2O > 0.07;
  using C = GarnetClass;

  if (1.0 <= cr && cr < 22.0 && 0.0 < caInt && caInt < 3.375 && 0.75 <= mg && mg < 0.95)
    return cr >= 0.94 * ca + 5.0 && mn < 0.36 ? C::G10D : C::G10;
  if (cr >= 1.0 && 3.375 <= caInt && caInt < 5.4 && 0.70 <= mg && mg < 0.90) return C::G9;
  if (cr >= 1.0 && 3.375 <= caInt && caInt < 5.4 && 0.3 <= mg && mg < 0.7 && ti < tiLine)
    return sodic ? C::G5D : C::G5;
  if (tiLine <= ti && ti < 4.0 && 1.0 <= cr && cr < 20.0 && caInt >= 3.0 && ca < 28.0 &&
      0.65 <= mg && mg < 0.90)
    return C::G11;
  if (tiLine <= ti && ti < 4.0 && 0.0 <= cr && cr < 4.0 && 3.375 <= caInt && caInt < 6.0 &&
      0.65 <= mg && mg < 0.85)
    return C::G1;
  if (1.0 <= cr && cr < 20.0 && caInt >= 5.4 && ca < 28.0 && mgo > 5.0) return C::G12;
  if (cr < 1.0 && 2.0 <= ca && ca < 6.0 && 0.3 <= mg && mg < 0.9 && ti < tiLine)
    return sodic ? C::G4D : C::G4;
  if (cr < 1.0 && 6.0 <= ca && ca < 32.0 && 0.17 <= mg && mg < 0.86 && ti < tiLine && ti < 2.0)
    return sodic ? C::G3D : C::G3;
  return C::G0;
}

}  // namespace mantlept::grains
