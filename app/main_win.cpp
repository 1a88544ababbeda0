// Entry point of Velmora.exe: prepares the process, runs a self-test mode when the command line
// names one with its arguments, otherwise the interactive program.
#include <windows.h>

#include <shellapi.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/diagnostics.h"
#include "app/exe_dir.h"
#include "app/program_win.h"
#include "camera/mf_camera.h"

namespace {

std::vector<std::wstring> commandLine() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args(words, words + (words != nullptr ? count : 0));
  LocalFree(words);
  return args;
}

int diagnosticsMode(const std::wstring& report) {
  std::ofstream out(std::filesystem::path(report), std::ios::binary | std::ios::trunc);
  if (!out) return 1;
  return vel::runDiagnostics(out, vel::exeDir() / "models", [] { return vel::enumerateCameras().size(); });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  if (!vel::prepareProcess()) return 1;
  const std::vector<std::wstring> args = commandLine();
  // Mode words count only with their arguments; anything else is a normal start.
  std::optional<int> modeResult;
  std::wstring smokeReport;
  if (args.size() >= 3) {
    if (args[1] == L"--diagnostics") modeResult = diagnosticsMode(args[2]);
    if (args[1] == L"--smoke-test") smokeReport = args[2];
  }
  const int exitCode = modeResult ? *modeResult
                                  : vel::runInteractive(instance, showCommand, smokeReport,
                                                        vel::mediaFoundationCameras(), vel::exeDir());
  vel::releaseProcess();
  return exitCode;
}
