// Entry point of Velmora.exe: prepares the process, then runs the self-test mode the command line
// names or the program.
#include <windows.h>

#include <mfapi.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

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

// The smoke test starts the program hidden; its main window writes the report.
struct SmokeTestStart {
  std::wstring reportPath;  // empty when the smoke test is off
  ULONGLONG startMs = 0;
};

// The interactive program: normal start, message loop and shut-down, which ends Media Foundation
// and COM. Not built yet.
int runProgram(HINSTANCE, int /*show*/, const SmokeTestStart&) {
  MFShutdown();
  CoUninitialize();
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // Fails only under an older Windows or Wine, whose awareness then stays as it was.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(MFStartup(MF_VERSION, MFSTARTUP_FULL))) {
    MessageBoxW(nullptr,
                L"Windows Media Foundation is unavailable. Windows N editions require Microsoft's Media Feature "
                L"Pack.",
                L"Velmora", MB_OK | MB_ICONERROR);
    CoUninitialize();
    return 1;
  }

  const vel::RunRequest request = vel::parseCommandLine(commandLine());
  int exitCode = 0;
  switch (request.mode) {
    case vel::RunMode::Diagnostics:
      exitCode = vel::runDiagnosticsMode(request.report);
      break;
    case vel::RunMode::CameraTest:
      exitCode = vel::runCameraTestMode(request.report);
      break;
    case vel::RunMode::TestImage:
      exitCode = vel::runTestImageMode(request.image, request.report);
      break;
    case vel::RunMode::SmokeTest:
    case vel::RunMode::Program: {
      SmokeTestStart smoke;
      if (request.mode == vel::RunMode::SmokeTest) {
        smoke = {request.report, GetTickCount64()};
        show = SW_HIDE;
      }
      return runProgram(instance, show, smoke);
    }
  }
  MFShutdown();
  CoUninitialize();
  return exitCode;
}
