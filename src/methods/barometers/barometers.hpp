#pragma once
// The barometers, one free function each, over the run's shared store.

#include "methods/outcomes.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// Al-in-orthopyroxene and orthopyroxene-garnet barometers (opx_garnet.cpp)
BarometerOutcome barometer1(RunState& s);
BarometerOutcome barometer2(RunState& s);
BarometerOutcome barometer3(RunState& s);
BarometerOutcome barometer4(RunState& s);
BarometerOutcome barometer5(RunState& s);
BarometerOutcome barometer7(RunState& s);
BarometerOutcome barometer8(RunState& s);
BarometerOutcome barometer9(RunState& s);
BarometerOutcome barometer10(RunState& s);
BarometerOutcome barometer11(RunState& s);
BarometerOutcome barometer12(RunState& s);
BarometerOutcome barometer29(RunState& s);

// Two-pyroxene calcium and single-pyroxene barometers (pyroxene.cpp)
BarometerOutcome barometer15(RunState& s);
BarometerOutcome barometer24(RunState& s);
BarometerOutcome barometer25(RunState& s);
BarometerOutcome barometer26(RunState& s);
BarometerOutcome barometer27(RunState& s);
BarometerOutcome barometer28(RunState& s);

// Clinopyroxene, clinopyroxene-garnet and olivine-clinopyroxene barometers (clinopyroxene.cpp)
BarometerOutcome barometer6(RunState& s);
BarometerOutcome barometer20(RunState& s);
BarometerOutcome barometer21(RunState& s);
BarometerOutcome barometer23(RunState& s);
BarometerOutcome barometer30(RunState& s);
BarometerOutcome barometer31(RunState& s);
BarometerOutcome barometer44(RunState& s);
BarometerOutcome barometer32(RunState& s);
BarometerOutcome barometer33(RunState& s);
BarometerOutcome barometer36(RunState& s);
BarometerOutcome barometer40(RunState& s);

// Garnet, spinel, ilmenite and olivine barometers (garnet_spinel_ilmenite_olivine.cpp)
BarometerOutcome barometer13(RunState& s);
BarometerOutcome barometer14(RunState& s);
BarometerOutcome barometer16(RunState& s);
BarometerOutcome barometer17(RunState& s);
BarometerOutcome barometer18(RunState& s);
BarometerOutcome barometer19(RunState& s);
BarometerOutcome barometer22(RunState& s);
BarometerOutcome barometer34(RunState& s);
BarometerOutcome barometer35(RunState& s);
BarometerOutcome barometer37(RunState& s);
BarometerOutcome barometer38(RunState& s);
BarometerOutcome barometer39(RunState& s);
BarometerOutcome barometer41(RunState& s);
BarometerOutcome barometer42(RunState& s);
BarometerOutcome barometer43(RunState& s);

// Runs barometer `number` (1..44, the catalogue's and those after it); any
// other number runs barometer 2.
BarometerOutcome runBarometer(int number, RunState& s);

// The barometer the dialogue's catalogue runs for `number`: itself in 1..43,
// barometer 2 for any other number.
int catalogueBarometer(int number);

}  // namespace mantlept
