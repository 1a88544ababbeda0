// Entry point of Velmora.exe: prepares the process, then runs the self-test mode the command line
// names or the interactive program.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/exe_dir.h"
#include "app/program_win.h"
#include "app/run_mode.h"
#include "app/self_test_modes_win.h"

namespace {

std::vector<std::wstring> commandLine() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return {};
  std::vector<std::wstring> copied(arguments, arguments + count);
  LocalFree(arguments);
  return copied;
}

int runRequest(HINSTANCE instance, int show, const vel::RunRequest& request) {
  switch (request.mode) {
    case vel::RunMode::Diagnostics:
      return vel::runDiagnosticsMode(request.report);
    case vel::RunMode::CameraTest:
      return vel::runCameraTestMode(request.report);
    case vel::RunMode::TestImage:
      return vel::runTestImageMode(request.image, request.report);
    case vel::RunMode::SmokeTest:
      return vel::runInteractive(instance, show, request.report, vel::mediaFoundationCameras(), vel::exeDir());
    case vel::RunMode::Program:
      break;
  }
  return vel::runInteractive(instance, show, L"", vel::mediaFoundationCameras(), vel::exeDir());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  if (!vel::prepareProcess()) return 1;
  const int exitCode = runRequest(instance, show, vel::parseCommandLine(commandLine()));
  vel::releaseProcess();
  return exitCode;
}
