// Al-in-orthopyroxene and orthopyroxene-garnet barometers.
#include "methods/barometers/barometers.hpp"

namespace mantlept {

// Fixed pressure: P stays at its incoming value.
BarometerOutcome barometer1(RunState& s) {
  (void)s;
  return BarometerOutcome::PressureUnchanged;
}

BarometerOutcome barometer2(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer3(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer4(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer5(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer7(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer8(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer9(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer10(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer11(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer12(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer29(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
