#pragma once
// The thermometers, one free function each, over the run's shared store.

#include "methods/outcomes.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// Fixed-temperature and two-pyroxene thermometers (two_pyroxene.cpp)
ThermometerOutcome thermometer1(RunState& s);
ThermometerOutcome thermometer2(RunState& s);
ThermometerOutcome thermometer3(RunState& s);
ThermometerOutcome thermometer5(RunState& s);
ThermometerOutcome thermometer7(RunState& s);
ThermometerOutcome thermometer9(RunState& s);
ThermometerOutcome thermometer10(RunState& s);
ThermometerOutcome thermometer14(RunState& s);
ThermometerOutcome thermometer15(RunState& s);
ThermometerOutcome thermometer16(RunState& s);
ThermometerOutcome thermometer17(RunState& s);
ThermometerOutcome thermometer36(RunState& s);

// Single-pyroxene and clinopyroxene-liquid thermometers (single_pyroxene.cpp)
ThermometerOutcome thermometer8(RunState& s);
ThermometerOutcome thermometer11(RunState& s);
ThermometerOutcome thermometer13(RunState& s);
ThermometerOutcome thermometer18(RunState& s);
ThermometerOutcome thermometer19(RunState& s);
ThermometerOutcome thermometer32(RunState& s);
ThermometerOutcome thermometer38(RunState& s);
ThermometerOutcome thermometer43(RunState& s);
ThermometerOutcome thermometer48(RunState& s);

// Garnet-pyroxene and garnet-olivine exchange thermometers (garnet_exchange.cpp)
ThermometerOutcome thermometer20(RunState& s);
ThermometerOutcome thermometer22(RunState& s);
ThermometerOutcome thermometer23(RunState& s);
ThermometerOutcome thermometer24(RunState& s);
ThermometerOutcome thermometer25(RunState& s);
ThermometerOutcome thermometer26(RunState& s);
ThermometerOutcome thermometer27(RunState& s);
ThermometerOutcome thermometer28(RunState& s);
ThermometerOutcome thermometer29(RunState& s);
ThermometerOutcome thermometer49(RunState& s);

// Spinel, ilmenite and olivine thermometers (spinel_ilmenite_olivine.cpp)
ThermometerOutcome thermometer4(RunState& s);
ThermometerOutcome thermometer6(RunState& s);
ThermometerOutcome thermometer12(RunState& s);
ThermometerOutcome thermometer21(RunState& s);
ThermometerOutcome thermometer30(RunState& s);
ThermometerOutcome thermometer33(RunState& s);
ThermometerOutcome thermometer34(RunState& s);
ThermometerOutcome thermometer35(RunState& s);
ThermometerOutcome thermometer45(RunState& s);
ThermometerOutcome thermometer46(RunState& s);
ThermometerOutcome thermometer47(RunState& s);

// Nickel and single-garnet thermometers (nickel_garnet.cpp)
ThermometerOutcome thermometer31(RunState& s);
ThermometerOutcome thermometer37(RunState& s);
ThermometerOutcome thermometer39(RunState& s);
ThermometerOutcome thermometer40(RunState& s);
ThermometerOutcome thermometer41(RunState& s);
ThermometerOutcome thermometer42(RunState& s);
ThermometerOutcome thermometer44(RunState& s);

// Runs thermometer `number` (1..49, the catalogue's and those after it); any
// other number runs thermometer 1.
ThermometerOutcome runThermometer(int number, RunState& s);

// The thermometer the dialogue's catalogue runs for `number`: itself in 1..47,
// thermometer 1 for any other number.
int catalogueThermometer(int number);

}  // namespace mantlept
