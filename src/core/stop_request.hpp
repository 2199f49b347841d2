#pragma once
// A request to stop, set from a signal handler (Ctrl-C, SIGTERM) and read by
// every long loop of the program.
#include <csignal>

namespace mantlept {

// Holds the signal number once a stop was asked for; 0 until then.
extern volatile std::sig_atomic_t stopRequested;

}  // namespace mantlept
