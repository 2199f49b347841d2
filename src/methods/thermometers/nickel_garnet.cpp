// Nickel and single-garnet thermometers.
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {

ThermometerOutcome thermometer31(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer37(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer39(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer40(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer41(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer42(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

ThermometerOutcome thermometer44(RunState& s) {
  (void)s;
  return ThermometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
