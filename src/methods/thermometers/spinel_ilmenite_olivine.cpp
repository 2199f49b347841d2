// Spinel, ilmenite and olivine thermometers.
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

ThermometerOutcome thermometer4(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer6(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer12(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer21(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer30(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer33(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer34(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer35(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer45(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer46(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer47(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
