// Oxygen-fugacity and silica-activity equations.
#include "methods/oxybarometers/oxybarometers.hpp"

namespace mantlept {

OxybarometerOutcome oxybarometer1(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer2(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer3(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer4(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer5(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer6(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer7(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer8(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

OxybarometerOutcome oxybarometer9(RunState& s, Terminal& out) {
  (void)out;
  s.fO2 = 0.0f;  // not built yet
  return OxybarometerOutcome::Value;
}

}  // namespace mantlept
