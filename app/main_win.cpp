// Entry point of Velmora.exe: selects the run mode from the command line.
#include <windows.h>

#include <shellapi.h>

#include <fstream>
#include <string>

#include "app/diagnostics.h"
#include "app/exe_dir.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const std::filesystem::path report = argc > 2 ? argv[2] : L"";
  LocalFree(argv);

  if (mode == L"--diagnostics" && !report.empty()) {
    std::ofstream out(report, std::ios::binary | std::ios::trunc);
    if (!out) return 1;
    // Camera enumeration is not built yet; until it is, the report lists no camera.
    return vel::runDiagnostics(out, vel::exeDir() / "models", [] { return std::size_t{0}; });
  }
  // The interactive program does not exist yet; without a mode there is nothing to do.
  return 1;
}
