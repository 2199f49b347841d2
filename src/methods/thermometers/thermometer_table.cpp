#include <array>

#include "methods/catalogue.hpp"
#include "methods/method_needs.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

namespace {

using Method = ThermometerOutcome (*)(RunState&);
using Entry = MethodEntry<Method>;

constexpr MineralSet kNone{};
constexpr MineralSet kTwoPx = minerals(Opx, Cpx);
constexpr const char* kP = "the current pressure";

constexpr const char* kCorrected = "corrected to its published form";

// Slot 0 is unused; slot k holds thermometer k with the minerals the dispatcher
// tests before calling it, what it reads beyond them and a note.
constexpr std::array<Entry, kLastThermometer + 1> kTable = {{
    {nullptr, kNone, "", ""},
    {&thermometer1, kNone, "the starting temperature", "fixed temperature"},
    {&thermometer2, kTwoPx, "Fe2O3", ""},
    {&thermometer3, kTwoPx, "Fe2O3", ""},
    {&thermometer4, minerals(Ilm), "MgO of ilmenite above 2 wt%; the current pressure and temperature", ""},
    {&thermometer5, kTwoPx, "the current pressure and temperature", ""},
    {&thermometer6, minerals(Opx, Ol, Sp), "the current pressure and temperature", ""},
    {&thermometer7, kTwoPx, kP, ""},
    {&thermometer8, minerals(Opx), kP, ""},
    {&thermometer9, kNone, "Na of both pyroxenes; the current pressure", ""},
    {&thermometer10, kTwoPx, "", ""},
    {&thermometer11, kNone, "Ca of clinopyroxene; the current pressure", ""},
    {&thermometer12, minerals(Opx, Ol, Sp), "Fe2O3", ""},
    {&thermometer13, minerals(Opx), "", ""},
    {&thermometer14, kTwoPx, "the stored temperature", "returns the previous result"},
    {&thermometer15, minerals(Opx), "the stored temperature", "returns the previous result"},
    {&thermometer16, minerals(Cpx), "the stored temperature", "returns the previous result"},
    {&thermometer17, minerals(Opx), "the stored temperature", "ends the iteration at once"},
    {&thermometer18, minerals(Opx), "", ""},
    {&thermometer19, minerals(Cpx), "Fe2O3", ""},
    {&thermometer20, minerals(Opx, Gar), kP, ""},
    {&thermometer21, kNone, "Fe and Mg of spinel; Fe2O3; the current pressure and temperature", ""},
    {&thermometer22, minerals(Gar), "olivine; the current pressure", ""},
    {&thermometer23, kNone, "Fe and Ca of garnet; olivine; the current pressure and temperature", ""},
    {&thermometer24, minerals(Cpx, Gar), kP, ""},
    {&thermometer25, kNone, "Mg and Ca of garnet; clinopyroxene; the current pressure and temperature", ""},
    {&thermometer26, minerals(Cpx, Gar), kP, ""},
    {&thermometer27, minerals(Gar), "Fe of orthopyroxene; the current pressure", ""},
    {&thermometer28, minerals(Opx, Gar), kP, ""},
    {&thermometer29, minerals(Opx, Gar), kP, ""},
    {&thermometer30, kNone, "Fe and Mg of spinel; the current pressure", ""},
    {&thermometer31, minerals(Gar), "Ni (NiO of garnet); Mn, Ti, Na of garnet; the current pressure", kCorrected},
    {&thermometer32, minerals(Cpx), "a liquid analysis in the spinel slot", ""},
    {&thermometer33, minerals(Opx, Sp), kP, ""},
    {&thermometer34, kNone, "Cr of spinel; Fe2O3; the current pressure", ""},
    {&thermometer35, minerals(Ilm), "the current pressure and temperature", ""},
    {&thermometer36, kTwoPx, kP, kCorrected},
    {&thermometer37, minerals(Gar), "Ni", "doubtful: several hundred degrees below the other Ni-in-garnet thermometers"},
    {&thermometer38, minerals(Cpx), "", ""},
    {&thermometer39, minerals(Ol), "Ni (NiO of garnet and olivine)", kCorrected},
    {&thermometer40, kNone, "garnet oxides; the current pressure", ""},
    {&thermometer41, kNone, "garnet oxides; the current pressure", ""},
    {&thermometer42, kNone, "garnet oxides; the current pressure and temperature", ""},
    {&thermometer43, minerals(Cpx), kP, ""},
    {&thermometer44, kNone, "Ni (NiO of garnet and olivine); Mg of garnet and olivine", kCorrected},
    {&thermometer45, kNone, "Al2O3 and Cr2O3 of olivine; the current pressure", ""},
    {&thermometer46, kNone, "Al2O3 of olivine; the current pressure", ""},
    {&thermometer47, kNone, "CaO of olivine; the current pressure", ""},
    // After the catalogue.
    {&thermometer48, minerals(Cpx), kP, "as published, without the correction of thermometer 38"},
    {&thermometer49, minerals(Cpx, Gar), kP, "eclogites"},
}};

}  // namespace

ThermometerOutcome runThermometer(int number, RunState& s) {
  if (number < 1 || number > kLastThermometer) number = 1;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  if (!mineralsPresent(s, entry.needs)) return ThermometerOutcome::NotComplete;
  return entry.function(s);
}

int catalogueThermometer(int number) {
  return number >= 1 && number <= kCatalogueThermometers ? number : 1;
}

std::optional<MethodNeeds> thermometerNeeds(int number) {
  if (number < 1 || number > kLastThermometer) return std::nullopt;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  return MethodNeeds{entry.needs, entry.reads, entry.note};
}

}  // namespace mantlept
