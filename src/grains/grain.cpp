// This module computes in double precision.
#include "grains/grain.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/number_text.hpp"
#include "geotherm/summary.hpp"
#include "report/tidy_rows.hpp"

namespace mantlept::grains {
namespace {

// The double nearest the decimal `text` ([-]digits[.digits][e[+|-]digits]),
// as strtod reads it. When the digits make an integer below 2^53 and the
// power of ten lies within 10^±22, both are exact doubles and one correctly
// rounded multiplication or division gives that double; otherwise strtod.
double decimalValue(const char* text) {
  constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t kExact = std::uint64_t{1} << 53;
  const char* c = text;
  const bool negative = *c == '-';
  if (negative) ++c;
  std::uint64_t digits = 0;
  int exponent = 0, count = 0;
  bool point = false;
  for (;; ++c) {
    if (*c == '.' && !point) {
      point = true;
    } else if (*c >= '0' && *c <= '9') {
      digits = digits * 10 + static_cast<std::uint64_t>(*c - '0');
      if (digits >= kExact) return std::strtod(text, nullptr);
      ++count;
      if (point) --exponent;
    } else {
      break;
    }
  }
  if (*c == 'e') {
    ++c;
    const bool down = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    int e = 0;
    for (; *c >= '0' && *c <= '9' && e < 1000; ++c) e = e * 10 + (*c - '0');
    exponent += down ? -e : e;
  }
  if (*c != '\0' || count == 0 || exponent < -22 || exponent > 22)
    return std::strtod(text, nullptr);
  const double whole = static_cast<double>(digits);
  const double value = exponent < 0 ? whole / kPowers[-exponent] : whole * kPowers[exponent];
  return negative ? -value : value;
}

}  // namespace

double asWritten(float v) {
  if (std::isfinite(v)) return shortestValue(v);
  std::string written;
  appendShortestFixed(written, v);
  return std::strtod(written.c_str(), nullptr);
}

namespace {

std::optional<double> determined(float v) {
  if (!(v > 0.0f)) return std::nullopt;
  return asWritten(v);
}

constexpr int kDepthDecimals = 2;

void appendFixed(std::string& out, const std::optional<double>& v, int decimals) {
  out += ',';
  if (!v || !std::isfinite(*v)) return;
  out += geotherm::fixed(*v, decimals);
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
  return decimalValue(geotherm::fixed(depth_km, kDepthDecimals).c_str());
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
