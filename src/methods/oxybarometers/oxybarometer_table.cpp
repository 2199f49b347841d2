#include <array>

#include "methods/catalogue.hpp"
#include "methods/method_needs.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"

namespace mantlept {

namespace {

using Method = OxybarometerOutcome (*)(RunState&, Terminal&);
using Entry = MethodEntry<Method>;

constexpr MineralSet kNone{};

// Slot 0 is unused; slot k holds oxybarometer k with the minerals the
// dispatcher tests before calling it, what it reads beyond them and a note.
constexpr std::array<Entry, 10> kTable = {{
    {nullptr, kNone, "", ""},
    {&oxybarometer1, kNone, "olivine and spinel Fe fractions; Fe2O3; the current temperature and pressure", ""},
    {&oxybarometer2, minerals(Opx, Ol, Sp), "Fe2O3; the current temperature and pressure", ""},
    {&oxybarometer3, minerals(Sp), "Fe2O3; the current temperature and pressure", ""},
    {&oxybarometer4, minerals(Ilm), "the current temperature and pressure", "fails the combination for ilmenite out of range"},
    {&oxybarometer5, kNone, "Fe of garnet; Fe2O3; the current temperature and pressure",
     "doubtful: temperature terms at T + 273 with T already kelvin (about 0.6 log units)"},
    {&oxybarometer6, kNone, "Fe of clinopyroxene; Fe2O3; the current temperature and pressure", ""},
    {&oxybarometer7, kNone, "Fe of orthopyroxene; the current temperature and pressure", ""},
    {&oxybarometer8, kNone, "garnet; the current temperature and pressure", ""},
    {&oxybarometer9, minerals(Ol), "the current temperature", ""},
}};

}  // namespace

OxybarometerOutcome runOxybarometer(int number, RunState& s, Terminal& out) {
  if (number == 0) {
    s.fO2 = 0.0f;
    return OxybarometerOutcome::Value;
  }
  if (number < 1 || number > kCatalogueOxybarometers) number = 1;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  // Without its minerals an oxybarometer gives no value (0), as each does for
  // its own failed tests; the combination itself stands.
  if (!mineralsPresent(s, entry.needs)) {
    s.fO2 = 0.0f;
    return OxybarometerOutcome::Value;
  }
  return entry.function(s, out);
}

std::optional<MethodNeeds> oxybarometerNeeds(int number) {
  if (number < 1 || number > kCatalogueOxybarometers) return std::nullopt;
  const Entry& entry = kTable[static_cast<std::size_t>(number)];
  return MethodNeeds{entry.needs, entry.reads, entry.note};
}

}  // namespace mantlept
