// Two-pyroxene calcium and single-pyroxene barometers.
#include "methods/barometers/barometers.hpp"

namespace mantlept {

BarometerOutcome barometer15(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer24(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer25(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer26(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer27(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

BarometerOutcome barometer28(RunState& s) {
  (void)s;
  return BarometerOutcome::NotComplete;  // not built yet
}

}  // namespace mantlept
