// Method numbers outside their ranges run the default methods: the commands'
// ranges (thermometers 1..49, barometers 1..44) in the dispatchers, the
// dialogue's catalogue (1..47, 1..43) in its resolution.
#include <gtest/gtest.h>

#include "core/terminal.hpp"
#include "methods/barometers/barometers.hpp"
#include "methods/oxybarometers/oxybarometers.hpp"
#include "methods/thermometers/thermometers.hpp"

namespace mantlept {
namespace {

TEST(Dispatch, ThermometersOutsideRangeRunFixedTemperature) {
  for (int number : {0, -5, 50, 99, 1}) {
    RunState s;
    s.startT = 900.0f;
    EXPECT_EQ(runThermometer(number, s), ThermometerOutcome::Continue) << number;
    EXPECT_FLOAT_EQ(s.TK, 1173.0f) << number;
  }
}

TEST(Dispatch, TheCatalogueResolvesNumbersAfterItToItsDefaults) {
  for (int number : {0, -5, 48, 49, 99}) EXPECT_EQ(catalogueThermometer(number), 1) << number;
  for (int number : {0, -1, 44, 48, 1000}) EXPECT_EQ(catalogueBarometer(number), 2) << number;
  for (int number : {1, 38, 47}) EXPECT_EQ(catalogueThermometer(number), number);
  for (int number : {1, 30, 43}) EXPECT_EQ(catalogueBarometer(number), number);
}

TEST(Dispatch, BarometersOutsideRangeRunBarometer2) {
  // Barometer 2 needs orthopyroxene and garnet: an empty association fails,
  // while the fixed-pressure barometer 1 leaves P alone.
  for (int number : {0, -1, 45, 48, 1000}) {
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
