// The one place that turns a failed Windows platform call into an error message.
#pragma once

#include <windows.h>

namespace vel {

// Throws std::runtime_error "<step> (0x%08lx)" when `hr` is negative.
void checkHr(HRESULT hr, const char* step);

}  // namespace vel
