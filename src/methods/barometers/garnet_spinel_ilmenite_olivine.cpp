// Garnet, spinel, ilmenite and olivine barometers.
#include "methods/barometers/barometers.hpp"

namespace mantlept {

BarometerOutcome barometer13(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer14(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer16(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer17(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer18(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer19(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer22(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer34(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer35(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer37(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer38(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer39(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer41(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer42(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer43(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
