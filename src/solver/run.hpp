#pragma once
// One whole run: the opening dialogue, then every association of the analysis
// file through its combinations to its results row.
#include <csignal>
#include <istream>
#include <ostream>

#include "core/terminal.hpp"

namespace mantlept {

// Set (by a signal handler) to ask the association loop to stop after the
// association it is working on; holds the signal number.
extern volatile std::sig_atomic_t stopRequested;

// Runs the program on `in` (answers) and `out` (terminal); messages on `err`.
// Returns the exit status: 0 after the stop word, 1 for a failure, 128 + the
// signal number when stopped by a signal.
int runProgram(std::istream& in, Terminal& out, std::ostream& err);

}  // namespace mantlept
