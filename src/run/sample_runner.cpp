#include "run/sample_runner.hpp"

#include <algorithm>
#include <thread>

namespace mantlept {

int sampleThreads(int asked) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  (void)asked;
  return 1;
#else
  if (asked > 0) return asked;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
#endif
}

}  // namespace mantlept
