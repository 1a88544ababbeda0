// The entry-point self-tests on the real platform: models beside the executable, Media
// Foundation cameras, WIC images and settings.ini through the private-profile functions.
#include "app/self_test_modes_win.h"

#include <fstream>

#include "app/camera_test.h"
#include "app/diagnostics.h"
#include "app/exe_dir.h"
#include "app/profile_store.h"
#include "camera/image_file.h"
#include "camera/mf_camera.h"

namespace vel {
namespace {

// Binary, so that each "\n" of the report is one byte whatever the platform.
std::ofstream createReport(const std::filesystem::path& report) {
  return std::ofstream(report, std::ios::binary | std::ios::trunc);
}

}  // namespace

int runDiagnosticsMode(const std::filesystem::path& report) {
  std::ofstream out = createReport(report);
  if (!out) return 1;
  return runDiagnostics(out, exeDir() / "models", [] { return enumerateCameras().size(); });
}

int runCameraTestMode(const std::filesystem::path& report) {
  std::ofstream out = createReport(report);
  if (!out) return 1;
  CameraCapture camera(captureWithMediaFoundation);
  const ProfileStore settings(exeDir() / "settings.ini");
  return runCameraTest(out, {.camera = camera, .listCameras = enumerateCameras, .settings = settings});
}

int runTestImageMode(const std::filesystem::path& image, const std::filesystem::path& report) {
  std::ofstream out = createReport(report);
  if (!out) return 1;
  return runTestImage(out, exeDir() / "models", [&] { return openImageFile(image); });
}

}  // namespace vel
