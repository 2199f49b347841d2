#include <array>

#include "methods/barometers/barometers.hpp"
#include "methods/catalogue.hpp"
#include "methods/method_needs.hpp"

namespace mantlept {

namespace {

using Method = BarometerOutcome (*)(RunState&);
using Entry = MethodEntry<Method>;

constexpr MineralSet kNone{};
constexpr MineralSet kOpxGt = minerals(Opx, Gar);
constexpr const char* kT = "the current temperature";
constexpr const char* kTP = "the current temperature and pressure";

// Slot 0 is unused; slot k holds barometer k with the minerals the dispatcher
// tests before calling it, what it reads beyond them and a note.
constexpr std::array<Entry, kLastBarometer + 1> kTable = {{
    {nullptr, kNone, "", ""},
    {&barometer1, kNone, "", "fixed pressure"},
    {&barometer2, kOpxGt, kT, ""},
    {&barometer3, kOpxGt, kT, ""},
    {&barometer4, kOpxGt, kT, ""},
    {&barometer5, minerals(Opx), "garnet; the current temperature", ""},
    {&barometer6, kNone, "", "fails when clinopyroxene and garnet are both present; leaves the pressure as it is"},
    {&barometer7, kOpxGt, kT, ""},
    {&barometer8, kOpxGt, kT, ""},
    {&barometer9, minerals(Opx), "garnet; the current temperature", ""},
    {&barometer10, kNone, "Al2O3 of orthopyroxene; the current temperature", ""},
    {&barometer11, kNone, "Al2O3 of orthopyroxene; the current temperature", ""},
    {&barometer12, kNone, "Al2O3 of orthopyroxene; the current temperature", ""},
    {&barometer13, kNone, "Cr2O3 of spinel; the current temperature", ""},
    {&barometer14, kNone, "Cr2O3 of spinel; the current temperature", ""},
    {&barometer15, minerals(Opx, Cpx), kTP, ""},
    {&barometer16, minerals(Gar), "Cr and Ca of garnet; the current temperature and pressure", ""},
    {&barometer17, minerals(Sp), "", ""},
    {&barometer18, kNone, "Cr2O3 and Ca of garnet; the current temperature", ""},
    {&barometer19, kNone, "Al of garnet", ""},
    {&barometer20, kNone, "Ca of olivine and clinopyroxene; the current temperature and pressure", ""},
    {&barometer21, minerals(Cpx, Gar), "Fe2O3; the current temperature and pressure",
     "doubtful: strongly negative pressures for mantle garnet-clinopyroxene pairs (gas constant on another unit scale)"},
    {&barometer22, kNone, "Ca of olivine; the current temperature", ""},
    {&barometer23, minerals(Cpx), "a liquid analysis in the spinel slot; the current temperature and pressure", ""},
    {&barometer24, minerals(Cpx), "Al, Cr and Fe of clinopyroxene; the current temperature", ""},
    {&barometer25, minerals(Cpx), kT, ""},
    {&barometer26, minerals(Opx), kT, ""},
    {&barometer27, minerals(Cpx), kT, ""},
    {&barometer28, minerals(Opx), kT, ""},
    {&barometer29, kOpxGt, kT, ""},
    {&barometer30, minerals(Cpx), kTP, ""},
    {&barometer31, minerals(Cpx), kT, ""},
    {&barometer32, minerals(Cpx), kT, ""},
    {&barometer33, kNone, "clinopyroxene oxides; the current temperature", ""},
    {&barometer34, kNone, "Cr2O3 of garnet; the current temperature", ""},
    {&barometer35, kNone, "Cr2O3 of garnet; the current temperature", ""},
    {&barometer36, kNone, "clinopyroxene oxides; Fe2O3; the current temperature and pressure", ""},
    {&barometer37, kNone, "Al2O3, Cr2O3 and Mg of garnet; the current temperature", ""},
    {&barometer38, minerals(Ilm), "MgO of ilmenite above 2 wt%; the current temperature", ""},
    {&barometer39, minerals(Ilm), "MgO of ilmenite above 1.5 wt%; the current temperature and pressure", ""},
    {&barometer40, kNone, "CaO of clinopyroxene and garnet; the current pressure", ""},
    {&barometer41, kNone, "Al2O3 of olivine; the current temperature", ""},
    {&barometer42, minerals(Sp), "Al2O3 and Cr2O3 of olivine; the current temperature", ""},
    {&barometer43, kNone, "CaO of olivine; the current temperature", ""},
    // After the catalogue.
    {&barometer44, minerals(Cpx), kT, "as published, without the cap of barometer 30"},
}};

}  // namespace

BarometerOutcome runBarometer(int number, RunState& s) {
  if (number < 1 || number > kLastBarometer) number = 2;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  if (!mineralsPresent(s, entry.needs)) return BarometerOutcome::NotComplete;
  return entry.function(s);
}

int catalogueBarometer(int number) {
  return number >= 1 && number <= kCatalogueBarometers ? number : 2;
}

std::optional<MethodNeeds> barometerNeeds(int number) {
  if (number < 1 || number > kLastBarometer) return std::nullopt;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  return MethodNeeds{entry.needs, entry.reads, entry.note};
}

}  // namespace mantlept
