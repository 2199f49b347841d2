#pragma once
// This module computes in double precision.
// Ni-in-garnet thermometers for single garnet grains, the Ni of the
// coexisting olivine fixed: temperatures in kelvin from Ni in ppm.
#include <optional>
#include <string_view>

#include "grains/classes.hpp"

namespace mantlept::grains {

enum class NiThermometer { Canil1999, Ryan1996, Sudholz2021 };

// "canil1999", "ryan1996", "sudholz2021"; empty when unknown.
std::optional<NiThermometer> niThermometerNamed(std::string_view name);

// Canil (1999): T = 8772 / (2.53 - ln(Ni_gt / Ni_ol)).
std::optional<double> canil1999K(double niGarnet_ppm, double niOlivine_ppm);
// Ryan et al. (1996): T = 1000 / (1.506 - 0.189 ln Ni_gt).
std::optional<double> ryan1996K(double niGarnet_ppm);
// Sudholz et al. (2021): T = -8254.568 / (3.023 X_Ca + 2.307 X_Cr + ln(Ni_gt / Ni_ol) - 2.639),
// X_Ca = Ca/(Mg + Fe + Ca), X_Cr = Cr/(Cr + Al) as molar ratios (all Fe as FeO).
std::optional<double> sudholz2021K(double niGarnet_ppm, double niOlivine_ppm,
                                   const GarnetOxides& g);

// The chosen thermometer; empty when Ni is missing or not positive, or the
// equation has no positive finite value.
std::optional<double> niTemperatureK(NiThermometer t, std::optional<double> niGarnet_ppm,
                                     double niOlivine_ppm, const GarnetOxides& g);

}  // namespace mantlept::grains
