#pragma once
// This module computes in double precision.
// One concentrate garnet: its class, Ni-in-garnet temperature and, on a
// geotherm, its depth; and the per-grain table row.
#include <optional>
#include <string>

#include "grains/classes.hpp"
#include "grains/projection.hpp"
#include "grains/thermometers.hpp"
#include "minerals/association.hpp"

namespace mantlept::grains {

constexpr double kNiOPerNiPpm = 1.2725e-4;  // wt% NiO per ppm Ni, as the tables read it
constexpr double kKelvinAtZeroC = 273.15;

struct GrainSettings {
  NiThermometer thermometer = NiThermometer::Canil1999;
  double niOlivine_ppm = 3000.0;
};

struct Grain {
  std::string sample;
  GarnetOxides oxides;
  GarnetClass garnetClass = GarnetClass::None;
  std::optional<double> caIntercept, mgNumber;
  std::optional<double> ni_ppm;
  std::optional<double> T_C;
  std::optional<Projection> depth;
};

// The double nearest the shortest decimal that reads back to the float, so
// that 0.07 read into single precision is 0.07 again at a class limit.
double asWritten(float v);

// The garnet of an association as its oxides, each the decimal the table
// holds; an oxide the table left blank is not determined, a bdl cell is 0.
// CaO, MgO and FeOt of 0 count as not determined too (no garnet lacks them).
GarnetOxides garnetOxides(const Association& a);

// Ni of the garnet in ppm: the ppm value read, else NiO wt% / 1.2725e-4;
// empty when neither is above 0.
std::optional<double> garnetNi_ppm(const Association& a);

// Class, temperature and (with a projection) depth of the garnet of `a`,
// which must hold one.
Grain evaluateGrain(const Association& a, const GrainSettings& s,
                    const GeothermProjection* projection);

// The depth of a grain as its row writes it (2 decimals), read back: the
// depth the sections count, so that a row at 140.00 km is in the 140 km bin.
double writtenDepth(double depth_km);

// sample,class,ca_intercept,mg_number,Cr2O3,CaO,Ni_ppm,T_C,depth_km,P_GPa,in_diamond_window
std::string grainHeader();
// One row (with its line end); cells without a value are empty.
void appendGrainRow(std::string& out, const Grain& g);

}  // namespace mantlept::grains
