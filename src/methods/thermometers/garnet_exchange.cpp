// Garnet-pyroxene and garnet-olivine exchange thermometers.
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

ThermometerOutcome thermometer20(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer22(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer23(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer24(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer25(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer26(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer27(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer28(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer29(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
