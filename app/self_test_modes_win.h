// The self-test modes that run in the entry point before any window exists. Each writes its
// report file and returns the process exit code; a report that cannot be created gives 1.
// The caller has made the process DPI aware and started COM (multithreaded) and Media Foundation.
#pragma once

#include <filesystem>

namespace vel {

int runDiagnosticsMode(const std::filesystem::path& report);
int runCameraTestMode(const std::filesystem::path& report);
int runTestImageMode(const std::filesystem::path& image, const std::filesystem::path& report);

}  // namespace vel
