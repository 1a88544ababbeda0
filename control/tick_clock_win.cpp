// Windows: the system tick count, the clock camera frames are stamped with.
#include <windows.h>

#include "control/tick_clock.h"

namespace vel {

std::uint64_t tickCountMs() { return GetTickCount64(); }

}  // namespace vel
