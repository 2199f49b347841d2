#pragma once
// One whole run: the opening dialogue, then every association of the analysis
// file through its combinations to its results row.
#include <functional>
#include <istream>
#include <ostream>
#include <string_view>

#include "core/stop_request.hpp"
#include "core/terminal.hpp"
#include "report/results_file.hpp"
#include "solver/solver.hpp"
#include "state/run_state.hpp"

namespace mantlept {

// Sees every association once its row is written: the store, its Fe-number
// estimates and its combination results (checks in tests and fuzzing).
using AssociationWatcher =
    std::function<void(const RunState&, const FeNumbers&, const CombinationResults&)>;

// Runs every combination of the prepared association, stores each row of
// `results` and prints its result or failure line.
void evaluateAssociation(RunState& s, const RunSettings& settings, std::string_view sampleName,
                         CombinationResults& results, Terminal& out);

// Runs the program on `in` (answers) and `out` (terminal); messages on `err`.
// Returns the exit status: 0 after the stop word, 1 for a failure, 128 + the
// signal number when stopped by a signal.
int runProgram(std::istream& in, Terminal& out, std::ostream& err,
               const AssociationWatcher& watch = {});

}  // namespace mantlept
