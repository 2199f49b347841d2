#include "methods/thermometers/thermometers.hpp"

#include <array>

namespace mantlept {

namespace {

using Method = ThermometerOutcome (*)(RunState&);

// Slot 0 is unused; slot k holds thermometer k.
constexpr std::array<Method, 48> kTable = {
    nullptr,
    &thermometer1,
    &thermometer2,
    &thermometer3,
    &thermometer4,
    &thermometer5,
    &thermometer6,
    &thermometer7,
    &thermometer8,
    &thermometer9,
    &thermometer10,
    &thermometer11,
    &thermometer12,
    &thermometer13,
    &thermometer14,
    &thermometer15,
    &thermometer16,
    &thermometer17,
    &thermometer18,
    &thermometer19,
    &thermometer20,
    &thermometer21,
    &thermometer22,
    &thermometer23,
    &thermometer24,
    &thermometer25,
    &thermometer26,
    &thermometer27,
    &thermometer28,
    &thermometer29,
    &thermometer30,
    &thermometer31,
    &thermometer32,
    &thermometer33,
    &thermometer34,
    &thermometer35,
    &thermometer36,
    &thermometer37,
    &thermometer38,
    &thermometer39,
    &thermometer40,
    &thermometer41,
    &thermometer42,
    &thermometer43,
    &thermometer44,
    &thermometer45,
    &thermometer46,
    &thermometer47,
};
}  // namespace

ThermometerOutcome runThermometer(int number, RunState& s) {
  if (number < 1 || number > 47) number = 1;
  return kTable[static_cast<std::size_t>(number)](s);
}

}  // namespace mantlept
