#include "methods/barometers/barometers.hpp"

#include <array>

namespace mantlept {

namespace {

using Method = BarometerOutcome (*)(RunState&);

// Slot 0 is unused; slot k holds barometer k.
constexpr std::array<Method, 44> kTable = {
    nullptr,
    &barometer1,
    &barometer2,
    &barometer3,
    &barometer4,
    &barometer5,
    &barometer6,
    &barometer7,
    &barometer8,
    &barometer9,
    &barometer10,
    &barometer11,
    &barometer12,
    &barometer13,
    &barometer14,
    &barometer15,
    &barometer16,
    &barometer17,
    &barometer18,
    &barometer19,
    &barometer20,
    &barometer21,
    &barometer22,
    &barometer23,
    &barometer24,
    &barometer25,
    &barometer26,
    &barometer27,
    &barometer28,
    &barometer29,
    &barometer30,
    &barometer31,
    &barometer32,
    &barometer33,
    &barometer34,
    &barometer35,
    &barometer36,
    &barometer37,
    &barometer38,
    &barometer39,
    &barometer40,
    &barometer41,
    &barometer42,
    &barometer43,
};
}  // namespace

BarometerOutcome runBarometer(int number, RunState& s) {
  if (number < 1 || number > 43) number = 2;
  return kTable[static_cast<std::size_t>(number)](s);
}

}  // namespace mantlept
