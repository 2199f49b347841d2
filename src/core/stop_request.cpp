#include "core/stop_request.hpp"

namespace mantlept {

StopFlag stopRequested{0};

}  // namespace mantlept
