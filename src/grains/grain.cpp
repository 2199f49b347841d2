// This module computes in double precision.
#include "grains/grain.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "report/tidy_rows.hpp"

namespace mantlept::grains {
namespace {

// The double nearest the shortest decimal that reads back to the float, so
// that 0.07 read into single precision is 0.07 again at a class limit.
double asWritten(float v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, v);
  *r.ptr = '\0';
  return std::strtod(buf, nullptr);
}

std::optional<double> determined(float v) {
  if (!(v > 0.0f)) return std::nullopt;
  return asWritten(v);
}

void appendFixed(std::string& out, const std::optional<double>& v, int decimals) {
  out += ',';
  if (!v || !std::isfinite(*v)) return;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, *v);
  std::string s = buf;
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  out += s;
}

void appendShortestDouble(std::string& out, const std::optional<double>& v) {
  out += ',';
  if (!v || !std::isfinite(*v)) return;
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, *v);
  out.append(buf, r.ptr);
}

}  // namespace

GarnetOxides garnetOxides(const Association& a) {
  const OxideValues& ox = a.ox[Gar];
  GarnetOxides g;
  g.TiO2 = asWritten(ox.TiO2);
  g.Al2O3 = asWritten(ox.Al2O3);
  g.Cr2O3 = asWritten(ox.Cr2O3);
  g.MnO = asWritten(ox.MnO);
  g.Na2O = asWritten(ox.Na2O);
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
  appendFixed(out, g.depth ? std::optional<double>(g.depth->depth_km) : std::nullopt, 2);
  appendFixed(out, g.depth ? std::optional<double>(g.depth->P_GPa) : std::nullopt, 3);
  out += ',';
  if (g.depth) out += g.depth->inDiamondWindow ? "true" : "false";
  out += '\n';
}

}  // namespace mantlept::grains
