#pragma once
// This module computes in double precision.
// Conductive geotherms of a layered lithosphere, parameterised by surface heat
// flow, joined to a mantle adiabat at the base of the lithosphere.
#include <cstdint>
#include <vector>

namespace mantlept::geotherm {

constexpr double kZeroCelsius = 273.0;  // K at 0 °C as the geotherms report it
constexpr double kDepthStepKm = 0.1;
constexpr double kMaxDepthKm = 300.0;
constexpr double kMohoKm = 39.0;
constexpr double kMinHeatFlow = 25.0;   // mW/m²
constexpr double kMaxHeatFlow = 120.0;  // mW/m²
constexpr double kSlopeStepGPa = 0.01;  // half the step of slopeAtPressure's difference

struct GeothermRow {
  double depth_km;
  double P_GPa;
  double T_K;
};

// Where a pressure or a depth falls in a geotherm's table: the rows a and b
// around it (a == b at and beyond the ends) and the weight of b. Every
// geotherm of computeGeotherm has the same depths and pressures, so a place
// found in one holds in all of them.
struct TablePlace {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  double w = 0.0;
};

struct Geotherm {
  double q0 = 0.0;                // surface heat flow, mW/m²
  std::vector<GeothermRow> rows;  // 0 to 300 km every 0.1 km
  double moho_T_K = 0.0;
  double lab_depth_km = 0.0;  // kMaxDepthKm when the adiabat is never reached
  double lab_P_GPa = 0.0;
  double lab_T_K = 0.0;
  bool lab_found = false;
  double dg_depth_km = 0.0;        // graphite-diamond crossing; 0 when none
  double diamond_window_km = 0.0;  // from the crossing down to the LAB; 0 when none

  // The place of a pressure (a depth) in the table, found from its depth in
  // constant time.
  TablePlace placeOfPressure(double P_GPa) const;
  TablePlace placeOfDepth(double depth_km) const;
  // Temperature (K) at a place of the table; 0 for an empty table.
  double temperatureAt(const TablePlace& p) const {
    if (rows.empty()) return 0.0;
    const double Ta = rows[p.a].T_K;
    return Ta + p.w * (rows[p.b].T_K - Ta);
  }
  // Temperature (K) at a pressure, linear in the table; clamped to its ends.
  double temperatureAtPressure(double P_GPa) const;
  // Temperature (K) at a depth, linear in the table; clamped to its ends.
  double temperatureAtDepth(double depth_km) const;
  // dT/dP (K/GPa) by a central difference over ±kSlopeStepGPa.
  double slopeAtPressure(double P_GPa) const;
};

Geotherm computeGeotherm(double q0_mW);

// Lithostatic pressure (GPa) at a depth.
double pressureAtDepth(double depth_km);
// Depth (km) at a lithostatic pressure.
double depthAtPressure(double P_GPa);
// The mantle adiabat (K) at a depth.
double adiabatK(double depth_km);
// Pressure (GPa) of the graphite-diamond boundary at a temperature (°C).
double graphiteDiamondP(double T_C);
// Pressure (GPa) of the spinel-garnet transition at a temperature (K).
double spinelGarnetP(double T_K);
// Thermal conductivity (W/m/K) at a depth, temperature and pressure.
double conductivity(double depth_km, double T_K, double P_GPa);
// Radiogenic heat production (µW/m³) at a depth for a surface heat flow.
double heatProduction(double depth_km, double q0_mW);

}  // namespace mantlept::geotherm
