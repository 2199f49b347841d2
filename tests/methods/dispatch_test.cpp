// Method numbers outside their ranges run the default methods.
#include <gtest/gtest.h>

#include "core/terminal.hpp"
#include "methods/barometers/barometers.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

TEST(Dispatch, ThermometersOutsideRangeRunFixedTemperature) {
  for (int number : {0, -5, 48, 99, 1}) {
    RunState s;
    s.startT = 900.0f;
    EXPECT_EQ(runThermometer(number, s), ThermometerOutcome::Continue) << number;
    EXPECT_FLOAT_EQ(s.TK, 1173.0f) << number;
  }
}

TEST(Dispatch, BarometersOutsideRangeRunBarometer2) {
  // Barometer 2 needs orthopyroxene and garnet: an empty association fails,
  // while the fixed-pressure barometer 1 leaves P alone.
  for (int number : {0, -1, 44, 48, 1000}) {
    RunState s;
    s.P = 12.0f;
    EXPECT_EQ(runBarometer(number, s), BarometerOutcome::NotComplete) << number;
    EXPECT_EQ(s.P, 12.0f);
  }
  RunState s;
  s.P = 12.0f;
  EXPECT_EQ(runBarometer(1, s), BarometerOutcome::PressureUnchanged);
  EXPECT_EQ(s.P, 12.0f);
}

TEST(Dispatch, OxybarometerZeroGivesNoValue) {
  RunState s;
  s.fO2 = 3.0f;
  StringTerminal out;
  EXPECT_EQ(runOxybarometer(0, s, out), OxybarometerOutcome::Value);
  EXPECT_EQ(s.fO2, 0.0f);
  EXPECT_TRUE(out.text().empty());
}

}  // namespace
}  // namespace mantlept
