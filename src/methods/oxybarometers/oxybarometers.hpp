#pragma once
// The oxybarometers, one free function each, over the run's shared store.
// Each writes its oxygen-fugacity (or silica-activity) value into s.fO2:
// 0 when its preconditions are unmet, 2000 when a window rejects the value.
#include "core/terminal.hpp"
#include "methods/outcomes.hpp"
#include "state/run_state.hpp"

namespace mantlept {

OxybarometerOutcome oxybarometer1(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer2(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer3(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer4(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer5(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer6(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer7(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer8(RunState& s, Terminal& out);
OxybarometerOutcome oxybarometer9(RunState& s, Terminal& out);

// Runs oxybarometer `number` (1..9; any other number but 0 runs oxybarometer
// 1). Number 0 means none: fO2 = 0 and nothing is evaluated.
OxybarometerOutcome runOxybarometer(int number, RunState& s, Terminal& out);

}  // namespace mantlept
