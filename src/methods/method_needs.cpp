#include "methods/method_needs.hpp"

#include <array>

#include "methods/catalogue.hpp"

namespace mantlept {

namespace {

constexpr Real kPresent = 1e-07f;

constexpr std::array<std::string_view, kSlotCount> kSlotNames = {"Opx", "Cpx", "Ol", "Sp",
                                                                  "Gt",  "R",   "Ilm"};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool mineralPresent(const RunState& s, Slot slot) {
  const CationFormula& c = s.cat[slot];
  switch (slot) {
    case Sp:
      return c.Al > kPresent;
    case Ilm:
      return c.Ti > kPresent;
    default:
      return c.Si > kPresent;
  }
}

bool mineralsPresent(const RunState& s, MineralSet needs) {
  for (int k = 0; k < kSlotCount; ++k) {
    const Slot slot = static_cast<Slot>(k);
    if (needs.has(slot) && !mineralPresent(s, slot)) return false;
  }
  return true;
}

std::string mineralNames(MineralSet set) {
  std::string names;
  for (int k = 0; k < kSlotCount; ++k) {
    if (!set.has(static_cast<Slot>(k))) continue;
    if (!names.empty()) names += " + ";
    names += kSlotNames[static_cast<std::size_t>(k)];
  }
  return names.empty() ? "none" : names;
}

std::optional<MethodInfo> methodInfo(MethodKind kind, int number) {
  std::optional<MethodNeeds> needs;
  std::string_view label;
  switch (kind) {
    case MethodKind::Thermometer:
      needs = thermometerNeeds(number);
      label = commandThermometerLabel(number);
      break;
    case MethodKind::Barometer:
      needs = barometerNeeds(number);
      label = commandBarometerLabel(number);
      break;
    case MethodKind::Oxybarometer:
      needs = oxybarometerNeeds(number);
      label = oxybarometerTag(number);
      break;
  }
  if (!needs) return std::nullopt;
  const MineralSet equation = equationMinerals(kind, number).value_or(needs->needs);
  return MethodInfo{number,       kind,        trimmed(label), needs->needs,
                    needs->reads, needs->note, MineralSet{equation.bits | needs->needs.bits}};
}

std::vector<MethodInfo> allMethods(MethodKind kind) {
  std::vector<MethodInfo> methods;
  const int last = kind == MethodKind::Thermometer  ? kLastThermometer
                   : kind == MethodKind::Barometer  ? kLastBarometer
                                                    : kCatalogueOxybarometers;
  for (int number = 1; number <= last; ++number) {
    if (std::optional<MethodInfo> info = methodInfo(kind, number)) methods.push_back(*info);
  }
  return methods;
}

}  // namespace mantlept
