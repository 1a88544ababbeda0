// The millisecond clock that frames, control outputs and the input gate share: GetTickCount64 on
// Windows, a steady clock on the host.
#pragma once

#include <cstdint>

namespace vel {

std::uint64_t tickCountMs();

}  // namespace vel
