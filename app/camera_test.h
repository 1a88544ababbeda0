// The "--camera-test" report: three start/stop cycles on a camera of the test's own, timed by an
// injected clock so that tests run it in virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "app/settings_store.h"
#include "camera/camera.h"

namespace vel {

// How the camera test passes time: GetTickCount64 milliseconds and real sleeps in the program.
class ITestClock {
 public:
  virtual ~ITestClock() = default;
  virtual std::uint64_t nowMs() = 0;
  virtual void sleepMs(std::uint32_t ms) = 0;
};

ITestClock& systemTestClock();

struct CameraTestLinks {
  ICamera& camera;  // not the program's capture: one made for the test
  std::function<std::vector<CameraDevice>()> listCameras;
  const ISettingsStore& settings;  // settings.ini, for `Camera`
  ITestClock& clock = systemTestClock();
};

// Starts the camera chosen by `Camera` (clamped to the list) once at the baseline format and
// twice at the detail format, waiting up to 15 s for a first frame and then watching delivery
// for 2 s. Writes one flushed line per cycle, then "Result: PASS" (returns 0), or
// "ERROR: <message>" and "Result: FAIL" (returns 2) for no camera, a cycle without a frame or
// any exception.
int runCameraTest(std::ostream& report, const CameraTestLinks& links);

}  // namespace vel
