// The interactive program's start: process preparation, the single-instance check, the
// application state, the main window and the message loop.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"

namespace vel {

// Where the program's cameras come from: Media Foundation in Velmora.exe, a replaying camera in
// the Windows tests (Wine has no camera).
struct CameraSource {
  std::function<std::vector<CameraDevice>()> enumerate;  // may throw; the message becomes appError
  std::function<std::unique_ptr<ICamera>()> make;
};

CameraSource mediaFoundationCameras();

// Per-monitor DPI awareness, COM in the multithreaded apartment, Media Foundation. False, after a
// message box, when Media Foundation cannot start.
bool prepareProcess();
void releaseProcess();

// The normal start, up to the end of the message loop; returns the exit code. Settings, models
// and guide images are found in `folder`. A non-empty `smokeReport` runs the smoke test with the
// window hidden.
int runInteractive(HINSTANCE instance, int showCommand, const std::wstring& smokeReport, const CameraSource& cameras,
                   const std::filesystem::path& folder);

}  // namespace vel
