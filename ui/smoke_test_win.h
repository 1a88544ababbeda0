// "--smoke-test": the hidden main window checks itself once the models are ready, writes the
// report and closes with the verdict as the process exit code.
#pragma once

#include <cstdint>

#include "ui/main_window_win.h"

namespace vel {

// Called by every UI tick while the smoke report path is set; true once the report is written
// and the window has been asked to close.
bool smokeTestTick(WindowsApp& app, std::int64_t now);

}  // namespace vel
