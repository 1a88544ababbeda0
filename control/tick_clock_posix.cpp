// Host builds: a steady clock in milliseconds, like GetTickCount64 never going backwards.
#include <chrono>

#include "control/tick_clock.h"

namespace vel {

std::uint64_t tickCountMs() {
  const auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count());
}

}  // namespace vel
