// The "--diagnostics" self-test: loads the models and reports what it found.
#pragma once

#include <filesystem>
#include <ostream>

namespace vel {

// Writes the diagnostics report for the models in `modelsDir`; returns the process exit code.
int runDiagnostics(std::ostream& report, const std::filesystem::path& modelsDir);

}  // namespace vel
