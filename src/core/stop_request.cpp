#include "core/stop_request.hpp"

namespace mantlept {

volatile std::sig_atomic_t stopRequested = 0;

}  // namespace mantlept
