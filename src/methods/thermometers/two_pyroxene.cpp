// Fixed-temperature and two-pyroxene thermometers.
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

// Fixed temperature: the typed starting temperature read as degrees Celsius.
// Writes TK.
ThermometerOutcome thermometer1(RunState& s) {
  s.TK = s.startT + 273.0f;
  return ThermometerOutcome::Continue;
}

ThermometerOutcome thermometer2(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer3(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer5(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer7(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer9(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer10(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer14(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer15(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer16(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer17(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer36(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
