// This module computes in double precision.
#include "grains/thermometers.hpp"

#include <cmath>

namespace mantlept::grains {
namespace {

// Molar masses (g/mol) of the oxides, for cation ratios.
constexpr double kCaO = 56.077, kMgO = 40.304, kFeO = 71.844, kCr2O3 = 151.990, kAl2O3 = 101.961;

// A temperature only when it is a positive finite number.
std::optional<double> kelvin(double T) {
  if (!std::isfinite(T) || !(T > 0.0)) return std::nullopt;
  return T;
}

}  // namespace

std::optional<NiThermometer> niThermometerNamed(std::string_view name) {
  if (name == "canil1999") return NiThermometer::Canil1999;
  if (name == "ryan1996") return NiThermometer::Ryan1996;
  if (name == "sudholz2021") return NiThermometer::Sudholz2021;
  return std::nullopt;
}

std::optional<double> canil1999K(double ni, double niOl) {
  if (!(ni > 0.0) || !(niOl > 0.0)) return std::nullopt;
  return kelvin(8772.0 / (2.53 - std::log(ni / niOl)));
}

std::optional<double> ryan1996K(double ni) {
  if (!(ni > 0.0)) return std::nullopt;
  return kelvin(1000.0 / (1.506 - 0.189 * std::log(ni)));
}

std::optional<double> sudholz2021K(double ni, double niOl, const GarnetOxides& g) {
  if (!(ni > 0.0) || !(niOl > 0.0) || !g.CaO || !g.MgO || !g.FeOt || !g.Cr2O3 || !g.Al2O3)
    return std::nullopt;
  const double ca = *g.CaO / kCaO, mg = *g.MgO / kMgO, fe = *g.FeOt / kFeO;
  const double cr = 2.0 * *g.Cr2O3 / kCr2O3, al = 2.0 * *g.Al2O3 / kAl2O3;
  if (!(mg + fe + ca > 0.0) || !(cr + al > 0.0)) return std::nullopt;
  const double xCa = ca / (mg + fe + ca), xCr = cr / (cr + al);
  return kelvin(-8254.568 / (3.023 * xCa + 2.307 * xCr + std::log(ni / niOl) - 2.639));
}

std::optional<double> niTemperatureK(NiThermometer t, std::optional<double> ni, double niOl,
                                     const GarnetOxides& g) {
  if (!ni || !(*ni > 0.0)) return std::nullopt;
  switch (t) {
    case NiThermometer::Canil1999:
      return canil1999K(*ni, niOl);
    case NiThermometer::Ryan1996:
      return ryan1996K(*ni);
    case NiThermometer::Sudholz2021:
      return sudholz2021K(*ni, niOl, g);
  }
  return std::nullopt;
}

}  // namespace mantlept::grains
