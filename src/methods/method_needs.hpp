#pragma once
// What each method needs before it can compute: the minerals of the
// association it needs present, what it reads beyond them, and notes. The
// dispatch tables hold these next to each method, and the dispatchers test the
// minerals before they call it, so this listing is the rule that decides an
// association is incomplete for a method.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "minerals/mineral_types.hpp"
#include "state/run_state.hpp"

namespace mantlept {

enum class MethodKind { Thermometer, Barometer, Oxybarometer };

// A set of mineral slots.
struct MineralSet {
  unsigned bits = 0;

  constexpr bool has(Slot slot) const { return ((bits >> slot) & 1u) != 0; }
  constexpr bool empty() const { return bits == 0; }
  friend constexpr bool operator==(MineralSet, MineralSet) = default;
};

// The set of the given slots: minerals(Opx, Gar).
template <typename... S>
constexpr MineralSet minerals(S... slots) {
  return MineralSet{(0u | ... | (1u << static_cast<unsigned>(slots)))};
}

// A mineral is present when its analysis has its main cation: Si for the
// silicates (and the spare slot), Al for spinel, Ti for ilmenite, each above
// 1e-07 per formula unit.
bool mineralPresent(const RunState& s, Slot slot);

// True when every mineral of `needs` is present.
bool mineralsPresent(const RunState& s, MineralSet needs);

// "Opx + Gt" (slots in their order); "none" for the empty set.
std::string mineralNames(MineralSet set);

// What a dispatch table keeps beside each method.
struct MethodNeeds {
  MineralSet needs;
  const char* reads;  // beyond the minerals; "" for nothing more
  const char* note;   // "" for none
};

// One dispatch-table entry.
template <typename Function>
struct MethodEntry {
  Function function;
  MineralSet needs;
  const char* reads;
  const char* note;
};

// The needs of method `number` of each kind; nullopt where no method has that number.
std::optional<MethodNeeds> thermometerNeeds(int number);
std::optional<MethodNeeds> barometerNeeds(int number);
std::optional<MethodNeeds> oxybarometerNeeds(int number);

struct MethodInfo {
  int number;
  MethodKind kind;
  std::string_view label;  // the catalogue label (tag for oxybarometers), trimmed
  MineralSet needs;
  std::string_view reads;
  std::string_view note;
  // The minerals its equation reads (at least `needs`): a sample without one
  // of them gets no row of this method from `compare`.
  MineralSet equation;
};

// The minerals the equation of thermometer or barometer `number` reads;
// nullopt for oxybarometers and numbers without a method.
std::optional<MineralSet> equationMinerals(MethodKind kind, int number);

// False for the thermometers and barometers that give no estimate of their
// own (a fixed value, the previous result, no equation): `compare` leaves them
// out of `all`.
bool givesEstimate(MethodKind kind, int number);

std::optional<MethodInfo> methodInfo(MethodKind kind, int number);

// Every method of a kind, by number.
std::vector<MethodInfo> allMethods(MethodKind kind);

}  // namespace mantlept
