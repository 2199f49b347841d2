#include "methods/calibration_ranges.hpp"

#include <array>
#include <string>

#include "core/number_text.hpp"

namespace mantlept {

namespace {

using K = MethodKind;
constexpr std::optional<Bounds> kNotStated = std::nullopt;

// One row per method whose paper states the range of its calibration.
constexpr std::array<CalibrationRange, 13> kRanges = {{
    {K::Thermometer, 2, Bounds{875.0f, 1500.0f}, kNotStated, "Wells 1977, p. 135"},
    {K::Thermometer, 7, kNotStated, Bounds{10.0f, 60.0f},
     "Brey et al. 1990, experiments from 10 to 60 kb"},
    {K::Thermometer, 8, kNotStated, Bounds{10.0f, 60.0f},
     "Brey et al. 1990, experiments from 10 to 60 kb"},
    {K::Thermometer, 23, Bounds{900.0f, 1400.0f}, kNotStated,
     "O'Neill and Wood 1979 (experiments at 30 kb)"},
    {K::Thermometer, 24, Bounds{750.0f, 1300.0f}, Bounds{24.0f, 30.0f},
     "Ellis and Green 1979, p. 13"},
    {K::Thermometer, 25, Bounds{600.0f, 1300.0f}, kNotStated, "Krogh 1988, Table 1"},
    {K::Thermometer, 27, Bounds{800.0f, 1200.0f}, Bounds{5.0f, 30.0f}, "Harley 1984, p. 359"},
    {K::Thermometer, 38, Bounds{850.0f, 1500.0f}, Bounds{0.0f, 60.0f},
     "Nimis and Taylor 2000, abstract"},
    {K::Thermometer, 48, Bounds{850.0f, 1500.0f}, Bounds{0.0f, 60.0f},
     "Nimis and Taylor 2000, abstract"},
    {K::Barometer, 5, kNotStated, Bounds{10.0f, 60.0f},
     "Brey et al. 1990, experiments from 10 to 60 kb"},
    {K::Barometer, 30, Bounds{900.0f, 1400.0f}, Bounds{20.0f, 60.0f},
     "Nimis and Taylor 2000, p. 544"},
    {K::Barometer, 44, Bounds{900.0f, 1400.0f}, Bounds{20.0f, 60.0f},
     "Nimis and Taylor 2000, p. 544"},
    {K::Oxybarometer, 1, Bounds{1040.0f, 1300.0f}, Bounds{3.0f, 27.0f},
     "Ballhaus et al. 1991, p. 27"},
}};

void appendNumber(std::string& out, Real value) { appendShortestFixed(out, value); }

void appendBounds(std::string& out, const Bounds& b) {
  appendNumber(out, b.low);
  out += '-';
  appendNumber(out, b.high);
}

}  // namespace

const CalibrationRange* calibrationRange(MethodKind kind, int number) {
  for (const CalibrationRange& r : kRanges) {
    if (r.kind == kind && r.number == number) return &r;
  }
  return nullptr;
}

std::string calibrationText(const CalibrationRange& range) {
  std::string text;
  if (range.T_C) {
    text += "T ";
    appendBounds(text, *range.T_C);
    text += " degC";
  }
  if (range.P_kbar) {
    if (!text.empty()) text += ", ";
    text += "P ";
    appendBounds(text, *range.P_kbar);
    text += " kbar";
  }
  text += " (";
  text += range.source;
  text += ')';
  return text;
}

}  // namespace mantlept
