// Model diagnostics report. Portable, so the host tests check the same text Velmora.exe writes.
#include "app/diagnostics.h"

#include <exception>

#include "tracking/model_runtime.h"

namespace vel {

int runDiagnostics(std::ostream& report, const std::filesystem::path& modelsDir) {
  try {
    const ModelRuntime runtime(modelsDir);
    report << "Velmora model diagnostics\n" << runtime.description() << "\n";
    return 0;
  } catch (const std::exception& error) {
    report << "ERROR: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace vel
