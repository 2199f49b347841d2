// Clinopyroxene, clinopyroxene-garnet and olivine-clinopyroxene barometers.
#include "methods/barometers/barometers.hpp"

namespace mantlept {

BarometerOutcome barometer6(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer20(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer21(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer23(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer30(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer31(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer32(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer33(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer36(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer40(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
