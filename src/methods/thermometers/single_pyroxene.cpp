// Single-pyroxene and clinopyroxene-liquid thermometers.
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

ThermometerOutcome thermometer8(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer11(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer13(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer18(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer19(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer32(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer38(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer43(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
