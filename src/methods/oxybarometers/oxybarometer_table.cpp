#include <array>

#include "methods/oxybarometers/oxybarometers.hpp"

namespace mantlept {

namespace {

using Method = OxybarometerOutcome (*)(RunState&, Terminal&);

// Slot 0 is unused; slot k holds oxybarometer k.
constexpr std::array<Method, 10> kTable = {
    nullptr,        &oxybarometer1, &oxybarometer2, &oxybarometer3, &oxybarometer4,
    &oxybarometer5, &oxybarometer6, &oxybarometer7, &oxybarometer8, &oxybarometer9,
};

}  // namespace

OxybarometerOutcome runOxybarometer(int number, RunState& s, Terminal& out) {
  if (number == 0) {
    s.fO2 = 0.0f;
    return OxybarometerOutcome::Value;
  }
  if (number < 1 || number > 9) number = 1;
  return kTable[static_cast<std::size_t>(number)](s, out);
}

}  // namespace mantlept
