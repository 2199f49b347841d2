// This module computes in double precision.
#include "grains/grain.hpp"

#include <string>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/number_text.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept::grains {
namespace {

// The double nearest the shortest decimal that reads back to the float, so
// that 0.07 read into single precision is 0.07 again at a class limit.
double asWritten(float v) {
  std::string text;
  appendShortestFixed(text, v);
  return std::strtod(text.c_str(), nullptr);
}

std::optional<double> determined(float v) {
  if (!(v > 0.0f)) return std::nullopt;
  return asWritten(v);
}

constexpr int kDepthDecimals = 2;

// A finite value with `decimals` decimals, never "-0.00".
std::string fixedText(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return s;
}

void appendFixed(std::string& out, const std::optional<double>& v, int decimals) {
  out += ',';
  if (!v || !std::isfinite(*v)) return;
  out += fixedText(*v, decimals);
}

void appendShortestDouble(std::string& out, const std::optional<double>& v) {
  out += ',';
  if (!v || !std::isfinite(*v)) return;
  appendShortest(out, *v);
}

}  // namespace

GarnetOxides garnetOxides(const Association& a) {
  // Oxide numbers in the column order of OxideValues.
  constexpr int kTiO2 = 1, kAl2O3 = 2, kCr2O3 = 3, kMnO = 5, kNa2O = 8;
  const OxideValues& ox = a.ox[Gar];
  auto given = [&a](int oxide, float v) -> std::optional<double> {
    if (!a.determined(Gar, oxide)) return std::nullopt;
    return asWritten(v);
  };
  GarnetOxides g;
  g.TiO2 = given(kTiO2, ox.TiO2);
  g.Al2O3 = given(kAl2O3, ox.Al2O3);
  g.Cr2O3 = given(kCr2O3, ox.Cr2O3);
  g.MnO = given(kMnO, ox.MnO);
  g.Na2O = given(kNa2O, ox.Na2O);
  g.CaO = determined(ox.CaO);
  g.MgO = determined(ox.MgO);
  // Ferric iron of the analysis joins the total as FeO.
  double feo = asWritten(ox.FeO) + 0.8998 * asWritten(ox.Fe2O3);
  if (feo > 0.0) g.FeOt = feo;
  return g;
}

std::optional<double> garnetNi_ppm(const Association& a) {
  double ppm = a.niPpm[Gar];
  if (ppm > 0.0) return ppm;
  double nio = asWritten(a.ox[Gar].NiO);
  if (nio > 0.0) return nio / kNiOPerNiPpm;
  return std::nullopt;
}

Grain evaluateGrain(const Association& a, const GrainSettings& s,
                    const GeothermProjection* projection) {
  Grain g;
  g.sample = a.sample.empty() ? std::string(a.info.nameText()) : a.sample;
  while (!g.sample.empty() && g.sample.back() == ' ') g.sample.pop_back();
  g.oxides = garnetOxides(a);
  g.garnetClass = classify(g.oxides);
  if (g.oxides.CaO && g.oxides.Cr2O3) g.caIntercept = caIntercept(*g.oxides.CaO, *g.oxides.Cr2O3);
  if (g.oxides.MgO && g.oxides.FeOt) g.mgNumber = mgNumber(*g.oxides.MgO, *g.oxides.FeOt);
  g.ni_ppm = garnetNi_ppm(a);
  if (auto T = niTemperatureK(s.thermometer, g.ni_ppm, s.niOlivine_ppm, g.oxides))
    g.T_C = *T - kKelvinAtZeroC;
  if (projection && g.T_C) g.depth = projection->at(*g.T_C);
  return g;
}

double writtenDepth(double depth_km) {
  if (!std::isfinite(depth_km)) return depth_km;
  return std::strtod(fixedText(depth_km, kDepthDecimals).c_str(), nullptr);
}

std::string grainHeader() {
  return "sample,class,ca_intercept,mg_number,Cr2O3,CaO,Ni_ppm,T_C,depth_km,P_GPa,"
         "in_diamond_window\n";
}

void appendGrainRow(std::string& out, const Grain& g) {
  appendCsvCell(out, g.sample);
  out += ',';
  out += className(g.garnetClass);
  appendFixed(out, g.caIntercept, 3);
  appendFixed(out, g.mgNumber, 4);
  appendShortestDouble(out, g.oxides.Cr2O3);
  appendShortestDouble(out, g.oxides.CaO);
  appendShortestDouble(out, g.ni_ppm);
  appendFixed(out, g.T_C, 1);
  appendFixed(out, g.depth ? std::optional<double>(g.depth->depth_km) : std::nullopt,
              kDepthDecimals);
  appendFixed(out, g.depth ? std::optional<double>(g.depth->P_GPa) : std::nullopt, 3);
  out += ',';
  if (g.depth) out += g.depth->inDiamondWindow ? "true" : "false";
  out += '\n';
}

}  // namespace mantlept::grains
