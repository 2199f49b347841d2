#pragma once
// A request to stop, set from a signal handler (Ctrl-C, SIGTERM, SIGHUP) and
// read by every long loop of the program. Code below the front ends never
// reads it by name: it is handed a pointer to it (see StopFlag).
#include <atomic>

namespace mantlept {

// What long computations poll between steps: nonzero means stop.
using StopFlag = std::atomic<int>;
static_assert(StopFlag::is_always_lock_free, "set from a signal handler");

// Holds the signal number once a stop was asked for; 0 until then.
extern StopFlag stopRequested;

}  // namespace mantlept
