#pragma once
// What a method step tells the temperature-pressure iteration.

namespace mantlept {

enum class BarometerOutcome {
  PressureSet,        // P holds the new pressure
  PressureUnchanged,  // P keeps its incoming value
  NotComplete,        // preconditions unmet: the combination fails
};

enum class ThermometerOutcome {
  Continue,     // TK set; the driver tests convergence
  Finish,       // TK set (or kept); the iteration ends at once
  NotComplete,  // preconditions unmet: the combination fails
};

enum class OxybarometerOutcome {
  Value,        // fO2 holds the value (0 when no result, 2000 out of window)
  NotComplete,  // the combination fails (ilmenite out of range)
};

}  // namespace mantlept
